#include "sorting/stretch_plan.h"

#include "sorting/radix_sort.h"

#include <optional>

namespace ostrel {

namespace {

// The records and line bytes of each value of one key byte.
struct ByteGroups
{
    ByteCounts records{};
    ByteCounts lineBytes{};
};

// At every depth alike: neighbouring groups small enough share a stretch,
// and a group too large for one is partitioned by its next key byte.
class Planner
{
public:
    Planner(RecordArray &planned, std::int64_t largestStretch) : records(planned), largest(largestStretch) {}

    // Partitions records [first, last), which share their first `depth` key
    // bytes, by the first byte they do not all share, and plans its groups.
    void split(std::int64_t first, std::int64_t last, std::size_t depth)
    {
        ByteGroups groups;
        for (; depth <= RecordKey::maximumLength; ++depth) {
            // Counted here rather than with the sort's counting: the bytes are needed too.
            groups = {};
            for (const KeyedRecord *record = records.begin() + first; record != records.begin() + last; ++record) {
                const unsigned byte = record->key().sortByte(depth);
                ++groups.records[byte];
                groups.lineBytes[byte] += record->lineLength();
            }
            // All records share this byte: look at the next one without moving anything.
            if (allShareOneByte(groups.records, last - first))
                continue;
            partitionByKeyByte(records.begin() + first, groups.records, depth);
            plan(first, groups, depth);
            return;
        }
        // Equal keys all: no smaller stretch can hold them. Their line bytes
        // are all in the one group of the last byte counted.
        std::int64_t lineBytes = 0;
        for (const std::int64_t bytes : groups.lineBytes)
            lineBytes += bytes;
        add({first, last, 0, lineBytes, depth});
    }

    std::vector<Stretch> stretches;

private:
    // Records from `first` on share their first `depth` key bytes and lie
    // grouped by the byte at depth, as groups says.
    void plan(std::int64_t first, const ByteGroups &groups, std::size_t depth)
    {
        for (std::size_t b = 0; b < groups.records.size(); ++b) {
            const std::int64_t count = groups.records[b];
            if (count > largest) {
                endShared();
                split(first, first + count, depth + 1);
            } else if (count > 0) {
                if (shared && shared->last - shared->first + count > largest)
                    endShared();
                if (!shared)
                    shared = Stretch{first, first, 0, 0, depth + 1};
                else
                    shared->sharedKeyBytes = depth; // more than one group
                shared->last += count;
                shared->lineBytes += groups.lineBytes[b];
            }
            first += count;
        }
        endShared();
    }

    void add(Stretch stretch)
    {
        if (!stretches.empty())
            stretch.lineBytesBefore = stretches.back().lineBytesBefore + stretches.back().lineBytes;
        stretches.push_back(stretch);
    }

    void endShared()
    {
        if (shared)
            add(*shared);
        shared.reset();
    }

    RecordArray &records;
    std::int64_t largest;
    std::optional<Stretch> shared;
};

} // namespace

std::vector<Stretch> planStretches(RecordArray &records, std::int64_t largest)
{
    Planner planner(records, largest);
    if (records.size() > 0)
        planner.split(0, std::int64_t(records.size()), 0);
    return planner.stretches;
}

} // namespace ostrel
