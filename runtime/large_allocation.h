#pragma once

#include <cstddef>
#include <span>
#include <utility>

namespace ostrel {

// Memory for large arrays, taken straight from the system and given back the
// moment it is released. Where the system has them, huge pages bring 2 MB
// with one page fault instead of 4 KB, and page faults are dear, on a virtual
// machine above all. Throws std::bad_alloc when the system refuses.
void *allocateLarge(std::size_t bytes);
void releaseLarge(void *memory, std::size_t bytes);

// Bytes taken that way, each page costing nothing until it is first written:
// a buffer as large as a run's whole memory costs only what is read into it.
class LargeBuffer
{
public:
    LargeBuffer() = default;
    LargeBuffer(const LargeBuffer &) = delete;
    LargeBuffer &operator=(const LargeBuffer &) = delete;
    ~LargeBuffer() { releaseLarge(first, count); }

    // Exactly `bytes` long; what it held is gone where the size changes.
    void resize(std::size_t bytes)
    {
        if (bytes == count)
            return;
        releaseLarge(std::exchange(first, nullptr), std::exchange(count, 0));
        first = static_cast<char *>(allocateLarge(bytes));
        count = bytes;
    }
    std::span<char> bytes() const { return {first, count}; }
    char *data() const { return first; }
    std::size_t size() const { return count; }

private:
    char *first = nullptr;
    std::size_t count = 0;
};

} // namespace ostrel
