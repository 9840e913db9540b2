#pragma once

#include "runtime/input_file.h"
#include "runtime/text_body.h"
#include "sorting/sort_outcome.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace ostrel {

// A route file as a run reads it: its records' bytes, how each line is read,
// and the byte order mark before them, which the sorted file keeps.
class RouteFile
{
public:
    RouteFile() = default;
    RouteFile(std::filesystem::path path, InputContents contents, TextBody body);

    std::string_view records() const { return text.lines; }
    // Parts of the records' bytes, one for each core, with how many lines start in each.
    const std::vector<TextPart> &parts() const { return text.parts; }
    // As chosen, and whether all is ASCII; the lines tell the rest as they are keyed.
    const TextReading &reading() const { return text.reading; }
    std::string_view byteOrderMark() const { return text.byteOrderMark; }

    // Asked once the records have been used, before anything is made of them:
    // the read failure to report when the file did not hold them throughout,
    // or else, given why the lines cannot be read, the read failure for that.
    std::optional<SortOutcome> failureSinceRead(const std::optional<std::string> &refusal = std::nullopt) const;

private:
    std::filesystem::path filePath;
    InputContents contents;
    TextBody text;
};

struct RouteFileRead
{
    RouteFile file;
    std::optional<SortOutcome> failure; // the read failure to report
};

// Reads the whole file, or standard input for "-", its lines as chosen.
// Throws std::bad_alloc when it does not fit in memory.
RouteFileRead readRouteFile(const std::filesystem::path &path, const TextReading &chosen);

} // namespace ostrel
