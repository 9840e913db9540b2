#pragma once

#include "sorting/keyed_file.h"
#include "sorting/stretch_plan.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace ostrel {

// The records of a keyed file on their way into key order, a stretch at a
// time, so that the first stretches can be written while later ones are
// still being sorted.
class RecordSort
{
public:
    RecordSort(KeyedFile &file, std::vector<Stretch> plannedStretches);
    RecordSort(const RecordSort &) = delete;
    RecordSort &operator=(const RecordSort &) = delete;

    const KeyedFile &file() const { return keyed; }
    // The size of the output: the byte order mark, then every line followed by CR LF.
    std::int64_t outputBytes() const;

    // Sorts the next stretch on the calling thread; several threads may call
    // at once. Empty once every stretch has been taken.
    std::optional<Stretch> sortNextStretch();

private:
    void orderPartialKeys(const Stretch &stretch);

    KeyedFile &keyed;
    std::vector<Stretch> stretches;
    std::atomic<std::size_t> nextStretch{0};
};

// The records of a keyed file in key order; equal keys in input order.
class SortedRecords
{
public:
    const KeyedFile &file() const { return keyed; }
    const KeyedRecord *begin() const { return keyed.records().begin(); }
    const KeyedRecord *end() const { return keyed.records().end(); }
    std::int64_t outputBytes() const { return bytes; }

private:
    friend SortedRecords sortRemaining(RecordSort &sort);
    SortedRecords(const KeyedFile &file, std::int64_t outputBytes) : keyed(file), bytes(outputBytes) {}

    const KeyedFile &keyed;
    std::int64_t bytes;
};

// Plans the stretches of the file's records: partitions them in place by
// their leading key bytes. Sorts none of them yet.
RecordSort planSort(KeyedFile &file);

// Sorts every stretch not yet taken, on all cores.
SortedRecords sortRemaining(RecordSort &sort);

} // namespace ostrel
