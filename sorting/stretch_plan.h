#pragma once

#include "sorting/record_array.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel {

// Records [first, last) of the array, which take the same places in key
// order: every record before them has a smaller key, every one after a larger.
struct Stretch
{
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::int64_t lineBytesBefore = 0; // of all records before it, line ends not counted
    std::int64_t lineBytes = 0;
    std::size_t sharedKeyBytes = 0;   // leading key bytes all its records share
};

// Partitions the records in place, by their leading key bytes, into
// stretches of at most `largest` records that can be ordered one by one:
// neighbouring small groups share a stretch, and a group too large for one is
// partitioned by its next key byte. Each stretch's place in the output is
// known before it is ordered.
std::vector<Stretch> planStretches(RecordArray &records, std::int64_t largest);

} // namespace ostrel
