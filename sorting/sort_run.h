#pragma once

#include "runtime/line_reading.h"
#include "sorting/keyed_pieces.h"
#include "sorting/run_settings.h"
#include "sorting/sort_outcome.h"
#include "sorting/sorted_runs.h"

#include <filesystem>
#include <optional>

namespace ostrel {

// Sorts the route records of inputPath, their lines read as chosen (as the
// system reads them, unless chosen otherwise), into outputPath by key. A
// file with a repeated key, or any failure, leaves outputPath as it was.
// "-" stands for standard input or output. A file too large for the memory
// is sorted in runs, merged into the output.
SortOutcome sortRecordFile(const std::filesystem::path &inputPath, const std::filesystem::path &outputPath,
                           const ReadingChoice &chosen = systemChoice(), const RunSettings &settings = {});

// The files and folders of a run, as its failures name them.
struct RunPaths
{
    // Where the runs go: the folder chosen; else beside the output, on its
    // drive, which must hold the output anyway; else the system's own.
    static RunPaths of(const std::filesystem::path &input, const std::filesystem::path &output,
                       const RunSettings &settings);

    std::filesystem::path input;
    std::filesystem::path output; // empty where nothing is written
    std::filesystem::path runs;
    bool runsBesideOutput = false;

    SortOutcome readFailed(const Failure &failure) const;
    SortOutcome writeFailed(const Failure &failure) const;
    SortOutcome runsFailed(const Failure &failure) const;
};

// Reads the file a piece at a time and writes each piece, sorted, as a run;
// empty once all are written, or the failure's outcome.
std::optional<SortOutcome> writeSortedRuns(KeyedPieces &input, SortedRuns &runs, const RunPaths &paths,
                                           Progress *progress);

// The operator's sort run: the fixed input file into the fixed output file.
SortOutcome SortInputFile(Progress *progress = nullptr);

} // namespace ostrel
