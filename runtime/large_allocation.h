#pragma once

#include <cstddef>

namespace ostrel {

// Memory for large arrays, taken straight from the system and given back the
// moment it is released. Where the system has them, huge pages bring 2 MB
// with one page fault instead of 4 KB, and page faults are dear, on a virtual
// machine above all. Throws std::bad_alloc when the system refuses.
void *allocateLarge(std::size_t bytes);
void releaseLarge(void *memory, std::size_t bytes);

} // namespace ostrel
