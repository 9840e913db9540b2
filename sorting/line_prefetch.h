#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace ostrel {

// Lines are gathered in key order from all over the input, so without asking
// for them ahead the copy would mostly wait for memory.
constexpr std::int64_t prefetchDistance = 16;

inline void prefetch(std::string_view line)
{
#if defined(__GNUC__) || defined(__clang__)
    const std::size_t reach = std::min<std::size_t>(line.size(), 256);
    for (std::size_t offset = 0; offset < reach; offset += 64)
        __builtin_prefetch(line.data() + offset);
#endif
}

} // namespace ostrel
