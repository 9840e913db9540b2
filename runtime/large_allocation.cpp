#include "runtime/large_allocation.h"

#include <QtGlobal>

#include <new>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#endif

namespace ostrel {

void *allocateLarge(std::size_t bytes)
{
    if (bytes == 0)
        return nullptr;
#ifdef Q_OS_UNIX
    void *memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw std::bad_alloc();
    return memory;
#else
    return ::operator new(bytes);
#endif
}

void releaseLarge(void *memory, std::size_t bytes)
{
    if (!memory)
        return;
#ifdef Q_OS_UNIX
    ::munmap(memory, bytes);
#else
    Q_UNUSED(bytes);
    ::operator delete(memory);
#endif
}

} // namespace ostrel
