#pragma once

#include "runtime/line_reading.h"
#include "sorting/sort_outcome.h"

#include <filesystem>

namespace ostrel {

// Sorts the route records of inputPath, their lines read as chosen (as the
// system reads them, unless chosen otherwise), into outputPath by key. A
// file with a repeated key, or any failure, leaves outputPath as it was.
// "-" stands for standard input or output.
SortOutcome sortRecordFile(const std::filesystem::path &inputPath, const std::filesystem::path &outputPath,
                           const ReadingChoice &chosen = systemChoice());

// The operator's sort run: the fixed input file into the fixed output file.
SortOutcome SortInputFile();

} // namespace ostrel
