#pragma once

#include "runtime/held_file_wait.h"
#include "runtime/line_reading.h"
#include "runtime/output_file.h"
#include "runtime/progress.h"
#include "runtime/result.h"
#include "runtime/temporary_file.h"
#include "sorting/record_sort.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// A record whose key an earlier record holds, found while merging: its
// line is copied, as the runs it came from are gone by the end.
struct MergedRepeat
{
    std::int64_t lineNumber = 0;
    std::int64_t firstLineNumber = 0;
    std::string line;
};

// The sorted runs of a file too large for the memory, each a piece of the
// file in key order, on disk until they are merged.
class SortedRuns
{
public:
    SortedRuns(std::filesystem::path folder, const HeldFileWait &wait, std::int64_t memory)
        : place(std::move(folder)), held(wait), bound(memory)
    {
    }

    // The room the runs of a file of `bytes` take, its lines as many a byte as given.
    static std::int64_t sizeFor(std::int64_t bytes, double linesPerByte);
    // Fails, naming the space needed, where the folder has less free room.
    Result<void> checkSpace(std::int64_t bytes) const;

    // Writes a piece's records, once sorted, as a run of their own; the
    // lines start, in input order, at lineStarts, the first of them
    // numbered firstLineNumber.
    Result<void> add(const SortedRecords &sorted, const std::vector<std::int64_t> &lineStarts,
                     std::int64_t firstLineNumber);

    std::size_t count() const { return runs.size(); }
    std::int64_t recordCount() const { return records; }
    void clear()
    {
        runs.clear();
        lineBytes = 0;
        records = 0;
    }
    // The size of the merged output, the byte order mark not counted.
    std::int64_t outputBytes() const { return lineBytes + 2 * records; }

    // Merges the runs, read as the reading says, into the output after its
    // byte order mark, or nowhere without one; runs too many for the memory
    // are merged a group at a time first. Lists every repeat, or only the
    // first in input order; the output is not to be committed when there is one.
    struct Merged
    {
        std::vector<MergedRepeat> repeats;
    };
    Result<Merged> merge(const TextReading &reading, OutputFile *output, std::string_view byteOrderMark,
                         bool everyRepeat, Progress *progress);

private:
    struct Run
    {
        std::unique_ptr<TemporaryFile> file;
        std::int64_t bytes = 0;
    };
    class Reader;
    class Writer;

    Result<void> mergeGroups(const TextReading &reading);

    std::filesystem::path place;
    const HeldFileWait &held;
    std::int64_t bound;
    std::vector<Run> runs;
    std::int64_t lineBytes = 0;
    std::int64_t records = 0;
};

} // namespace ostrel
