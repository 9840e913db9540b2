#include "sorting/stretch_plan.h"

#include "sorting/radix_sort.h"

#include <optional>

namespace ostrel {

namespace {

// At every depth alike: neighbouring groups small enough share a stretch,
// and a group too large for one is partitioned by its next key byte.
class Planner
{
public:
    Planner(RecordArray &planned, std::int64_t largestStretch) : records(planned), largest(largestStretch) {}

    // Records from `first` on share their first `depth` key bytes and lie
    // grouped by the byte at depth, as groups says.
    void plan(std::int64_t first, const RecordGroups &groups, std::size_t depth)
    {
        for (const RecordGroup &group : groups) {
            if (group.records > largest) {
                endShared();
                split(first, first + group.records, depth + 1, group.lineBytes);
            } else if (group.records > 0) {
                if (shared && shared->last - shared->first + group.records > largest)
                    endShared();
                if (!shared)
                    shared = Stretch{first, first, 0, 0, depth + 1};
                else
                    shared->sharedKeyBytes = depth; // more than one group
                shared->last += group.records;
                shared->lineBytes += group.lineBytes;
            }
            first += group.records;
        }
        endShared();
    }

    std::vector<Stretch> stretches;

private:
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

    void split(std::int64_t first, std::int64_t last, std::size_t depth, std::int64_t lineBytes)
    {
        // Counted here rather than with the sort's counting: the bytes are needed too.
        for (; depth <= RecordKey::maximumLength; ++depth) {
            RecordGroups groups{};
            for (const KeyedRecord *record = records.begin() + first; record != records.begin() + last; ++record) {
                RecordGroup &group = groups[record->key().sortByte(depth)];
                ++group.records;
                group.lineBytes += record->lineLength();
            }
            const ByteCounts counts = recordCounts(groups);
            // All records share this byte: look at the next one without moving anything.
            if (allShareOneByte(counts, last - first))
                continue;
            partitionByKeyByte(records.begin() + first, counts, depth);
            plan(first, groups, depth);
            return;
        }
        // Equal keys all: no smaller stretch can hold them.
        add({first, last, 0, lineBytes, depth});
    }

    RecordArray &records;
    std::int64_t largest;
    std::optional<Stretch> shared;
};

} // namespace

std::vector<Stretch> planStretches(KeyedInput &keyed, std::int64_t largest)
{
    Planner planner(keyed.records, largest);
    planner.plan(0, keyed.groups, 0);
    return planner.stretches;
}

} // namespace ostrel
