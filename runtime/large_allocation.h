#pragma once

#include <cstddef>

namespace ostrel {

// Memory for large arrays, taken straight from the system and given back the
// moment it is released, so that memory handed over piece by piece from one
// array to another is held only once. Throws std::bad_alloc when the system
// refuses.
void *allocateLarge(std::size_t bytes);
void releaseLarge(void *memory, std::size_t bytes);

} // namespace ostrel
