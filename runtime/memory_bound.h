#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

namespace ostrel {

// The memory a run may use, in bytes, where the operator gives no bound:
// what this machine can give the run now, the least of the memory
// available and the process's own limits, less a margin for the rest of
// the program.
std::int64_t availableMemory();

// The bound left by the tightest of these headrooms (bytes still free
// under each limit that applies; an absent one sets no limit).
std::int64_t boundWithin(std::initializer_list<std::optional<std::int64_t>> headrooms);

} // namespace ostrel
