#include "runtime/large_allocation.h"

#include <cstdint>
#include <new>

#include <sys/mman.h>

namespace ostrel {

namespace {

constexpr std::size_t hugePage = std::size_t(2) << 20;

// From an eighth of a huge page on, memory is taken in whole huge pages: one
// fault instead of sixty-four or more.
bool inHugePages(std::size_t bytes)
{
    return bytes >= hugePage / 8;
}

std::size_t mappedSize(std::size_t bytes)
{
    return inHugePages(bytes) ? (bytes + hugePage - 1) / hugePage * hugePage : bytes;
}

void *mapped(std::size_t bytes)
{
    void *memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw std::bad_alloc();
    return memory;
}

} // namespace

void *allocateLarge(std::size_t bytes)
{
    if (bytes == 0)
        return nullptr;
    if (!inHugePages(bytes))
        return mapped(bytes);
    // A huge page more than needed, so that an aligned stretch lies inside;
    // the rest goes back at once.
    const std::size_t size = mappedSize(bytes);
    auto *start = static_cast<char *>(mapped(size + hugePage));
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    char *aligned = start + (hugePage - address % hugePage) % hugePage;
    if (aligned > start)
        ::munmap(start, std::size_t(aligned - start));
    if (aligned + size < start + size + hugePage)
        ::munmap(aligned + size, std::size_t(start + hugePage - aligned));
    ::madvise(aligned, size, MADV_HUGEPAGE);
    return aligned;
}

void releaseLarge(void *memory, std::size_t bytes)
{
    if (memory)
        ::munmap(memory, mappedSize(bytes));
}

} // namespace ostrel
