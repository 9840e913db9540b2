#pragma once

#include "runtime/line_reading.h"
#include "sorting/run_settings.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

struct BatchArguments
{
    std::filesystem::path inputPath;
    std::filesystem::path outputPath;
    // List the repeated keys of the input instead of sorting it.
    bool listDuplicates = false;
    // How lines are read, by --encoding and --columns.
    ReadingChoice reading;
    // The memory bound and temporary folder, by --memory and --temporary-folder.
    RunSettings settings;
    // For --help and --version: the text to print instead of sorting.
    std::optional<std::string> information;
    // What is wrong with the command line, in one line.
    std::optional<std::string> usageError;
};

// Reads "tavel-sort [OPTIONS] [INPUT [OUTPUT]]" and "tavel-sort --duplicates
// [OPTIONS] [INPUT]"; the fixed paths stand in for what is left out.
BatchArguments parseBatchArguments(const std::vector<std::string> &arguments);

} // namespace ostrel
