#pragma once

#include <cstddef>

namespace ostrel {

// How memory is to be filled, which decides how the system should back it.
enum class Filling {
    // Anywhere at once: each page is taken only when first written, so memory
    // handed over piece by piece from another array is held only once.
    Scattered,
    // Front to back, soon and wholly: huge pages, where the system has them,
    // bring 2 MB with one page fault instead of 4 KB, and page faults are
    // dear, on a virtual machine above all.
    FrontToBack,
};

// Memory for large arrays, taken straight from the system and given back the
// moment it is released. Throws std::bad_alloc when the system refuses.
void *allocateLarge(std::size_t bytes, Filling filling = Filling::Scattered);
void releaseLarge(void *memory, std::size_t bytes, Filling filling = Filling::Scattered);

} // namespace ostrel
