#pragma once

#include "runtime/line_reading.h"
#include "sorting/run_settings.h"

#include <filesystem>
#include <string>

namespace ostrel {

struct DuplicateCheck
{
    enum class Kind { NoRepeats, Repeats, ReadFailed, WriteFailed, OutOfMemory };

    Kind kind = Kind::NoRepeats;
    // A line for each record whose key repeats an earlier one, in input
    // order, then a line that sums up; or, when the file cannot be read, the
    // message a sort would give. CR LF between lines, record bytes as read.
    std::string report;
};

// Reads and keys the route file as a sort would, and lists every repeated
// key with the first line that holds it, for the operator who fixes the
// file, and how its lines were read. Writes nothing. "-" stands for
// standard input.
DuplicateCheck checkRepeatedKeys(const std::filesystem::path &inputPath, const ReadingChoice &chosen,
                                 const RunSettings &settings = {});

} // namespace ostrel
