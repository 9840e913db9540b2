#include "sorting/radix_sort.h"

#include <algorithm>
#include <utility>

namespace ostrel {

ByteCounts countKeyBytes(const KeyedRecord *first, const KeyedRecord *last, std::size_t depth)
{
    ByteCounts counts{};
    for (const KeyedRecord *record = first; record != last; ++record)
        ++counts[record->key().sortByte(depth)];
    return counts;
}

bool allShareOneByte(const ByteCounts &counts, std::int64_t count)
{
    return std::find(counts.begin(), counts.end(), count) != counts.end();
}

void partitionByKeyByte(KeyedRecord *first, const ByteCounts &counts, std::size_t depth)
{
    ByteCounts heads{};
    ByteCounts ends{};
    std::int64_t sum = 0;
    for (std::size_t b = 0; b < counts.size(); ++b) {
        heads[b] = sum;
        sum += counts[b];
        ends[b] = sum;
    }
    for (std::size_t b = 0; b < counts.size(); ++b) {
        while (heads[b] < ends[b]) {
            const unsigned target = first[heads[b]].key().sortByte(depth);
            if (target == b)
                ++heads[b];
            else
                std::swap(first[heads[b]], first[heads[target]++]);
        }
    }
}

void radixSort(KeyedRecord *first, KeyedRecord *last, std::size_t depth)
{
    // Below this, a comparison sort is quicker than a pass of counting.
    constexpr std::int64_t smallGroup = 48;
    for (;;) {
        const std::int64_t count = last - first;
        if (count < smallGroup || depth > RecordKey::maximumLength) {
            std::sort(first, last);
            return;
        }
        const ByteCounts counts = countKeyBytes(first, last, depth);
        // All records share this byte: look at the next one without moving anything.
        if (allShareOneByte(counts, count)) {
            ++depth;
            continue;
        }
        partitionByKeyByte(first, counts, depth);
        for (const std::int64_t groupSize : counts) {
            if (groupSize > 1)
                radixSort(first, first + groupSize, depth + 1);
            first += groupSize;
        }
        return;
    }
}

} // namespace ostrel
