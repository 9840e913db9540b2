#pragma once

#include "sorting/record_keying.h"
#include "sorting/stretch_plan.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace ostrel {

// The records of one input, put in key order a stretch at a time, so that
// the first stretches can be written while later ones are still being sorted.
class RecordSorter
{
public:
    // The records keyed from the input's lines.
    RecordSorter(std::string_view input, KeyedInput keyedInput);
    RecordSorter(const RecordSorter &) = delete;
    RecordSorter &operator=(const RecordSorter &) = delete;

    std::int64_t recordCount() const { return std::int64_t(keyed.records.size()); }
    // The size of the output: every line followed by CR LF.
    std::int64_t outputBytes() const;

    // Sorts the next stretch on the calling thread; several threads may call
    // at once. Empty once every stretch has been taken.
    std::optional<Stretch> sortNextStretch();

    // The input's lines, as the records point into them.
    std::string_view text() const { return input; }
    // Lines of stretches already sorted, by their place in key order.
    std::string_view line(std::int64_t place) const { return keyed.records[std::size_t(place)].line(input); }
    // Every record in key order, sorting what is left first.
    const RecordArray &sortedRecords();

    // How the lines were read, as chosen and as they showed; and how many
    // were read each way other than as ASCII.
    const TextReading &reading() const { return keyed.reading; }
    const LineCounts &lineCounts() const { return keyed.counts; }

    // Whether two records have one key, also where it is longer than held.
    bool sameKey(const KeyedRecord &left, const KeyedRecord &right) const;

private:
    // Sorts every stretch not yet taken, on all cores.
    void sortRemainingStretches();
    void orderPartialKeys(const Stretch &stretch);

    std::string_view input;
    KeyedInput keyed;
    std::vector<Stretch> stretches;
    std::atomic<std::size_t> nextStretch{0};
};

} // namespace ostrel
