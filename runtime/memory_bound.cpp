#include "runtime/memory_bound.h"

#include <algorithm>
#include <limits>

namespace ostrel {

std::int64_t boundWithin(std::initializer_list<std::optional<std::int64_t>> headrooms)
{
    std::int64_t room = std::numeric_limits<std::int64_t>::max();
    for (const std::optional<std::int64_t> &headroom : headrooms) {
        if (headroom)
            room = std::min(room, *headroom);
    }
    // The program itself, the standard streams and the allocator's own
    // bookkeeping live outside what a run counts; a bound too tight to hold
    // a few pieces would only turn a sort into a stream of tiny runs.
    constexpr std::int64_t MiB = std::int64_t(1) << 20;
    const std::int64_t margin = 24 * MiB + room / 8;
    return std::max(room - margin, 16 * MiB);
}

} // namespace ostrel
