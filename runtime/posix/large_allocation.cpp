#include "runtime/large_allocation.h"

#include <new>

#include <sys/mman.h>

namespace ostrel {

void *allocateLarge(std::size_t bytes)
{
    if (bytes == 0)
        return nullptr;
    void *memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw std::bad_alloc();
    return memory;
}

void releaseLarge(void *memory, std::size_t bytes)
{
    if (memory)
        ::munmap(memory, bytes);
}

} // namespace ostrel
