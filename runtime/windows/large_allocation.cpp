#include "runtime/large_allocation.h"

#include <new>

#include <windows.h>

namespace ostrel {

// Huge pages need a privilege that operators do not have.
void *allocateLarge(std::size_t bytes)
{
    if (bytes == 0)
        return nullptr;
    void *memory = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!memory)
        throw std::bad_alloc();
    return memory;
}

void releaseLarge(void *memory, std::size_t)
{
    if (memory)
        ::VirtualFree(memory, 0, MEM_RELEASE);
}

} // namespace ostrel
