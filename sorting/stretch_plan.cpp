#include "sorting/stretch_plan.h"

#include "sorting/radix_sort.h"

#include <optional>

namespace ostrel {

namespace {

class Planner
{
public:
    Planner(RecordArray &planned, std::int64_t largestStretch) : records(planned), largest(largestStretch) {}

    void add(std::int64_t first, std::int64_t last, std::int64_t lineBytes, std::size_t sharedKeyBytes)
    {
        const std::int64_t before = stretches.empty() ? 0 : stretches.back().lineBytesBefore + stretches.back().lineBytes;
        stretches.push_back({first, last, before, lineBytes, sharedKeyBytes});
    }

    // Splits the records by their key bytes until no stretch holds more than
    // `largest`, counting each part's bytes on the way.
    void split(std::int64_t first, std::int64_t last, std::size_t depth, std::int64_t lineBytes)
    {
        for (;;) {
            const std::int64_t count = last - first;
            if (count <= largest || depth > RecordKey::maximumLength) {
                if (count > 0)
                    add(first, last, lineBytes, depth);
                return;
            }
            // Counted here rather than with the sort's counting: the bytes are needed too.
            ByteCounts counts{};
            ByteCounts groupBytes{};
            KeyedRecord *begin = records.begin() + first;
            for (const KeyedRecord *record = begin; record != begin + count; ++record) {
                const unsigned byte = record->key().sortByte(depth);
                ++counts[byte];
                groupBytes[byte] += record->lineLength();
            }
            if (allShareOneByte(counts, count)) {
                ++depth;
                continue;
            }
            partitionByKeyByte(begin, counts, depth);
            for (std::size_t b = 0; b < counts.size(); ++b) {
                split(first, first + counts[b], depth + 1, groupBytes[b]);
                first += counts[b];
            }
            return;
        }
    }

    std::vector<Stretch> stretches;

private:
    RecordArray &records;
    std::int64_t largest;
};

} // namespace

std::vector<Stretch> planStretches(KeyedInput &keyed, std::int64_t largest)
{
    Planner planner(keyed.records, largest);
    // Neighbouring small groups that share one stretch.
    struct SmallGroups
    {
        std::int64_t first = 0;
        std::int64_t last = 0;
        std::int64_t lineBytes = 0;
        std::size_t firstGroup = 0;
        std::size_t lastGroup = 0;
    };
    std::optional<SmallGroups> shared;
    const auto endShared = [&] {
        if (shared)
            planner.add(shared->first, shared->last, shared->lineBytes,
                        shared->firstGroup == shared->lastGroup ? 1 : 0);
        shared.reset();
    };
    std::int64_t first = 0;
    for (std::size_t g = 0; g < keyed.groups.size(); ++g) {
        const RecordGroup &group = keyed.groups[g];
        if (group.records == 0)
            continue;
        if (group.records > largest) {
            endShared();
            planner.split(first, first + group.records, 1, group.lineBytes);
        } else {
            if (shared && shared->last - shared->first + group.records > largest)
                endShared();
            if (!shared)
                shared = SmallGroups{first, first, 0, g, g};
            shared->last += group.records;
            shared->lineBytes += group.lineBytes;
            shared->lastGroup = g;
        }
        first += group.records;
    }
    endShared();
    return planner.stretches;
}

} // namespace ostrel
