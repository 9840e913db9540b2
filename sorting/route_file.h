#pragma once

#include "runtime/input_file.h"
#include "runtime/result.h"
#include "runtime/text_body.h"
#include "sorting/record_keying.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace ostrel {

// A route file as a run reads it: its records' bytes, and the byte order
// mark before them, which the sorted file keeps.
class RouteFile
{
public:
    RouteFile(InputContents contents, TextBody body) : held(std::move(contents)), text(std::move(body)) {}

    std::string_view records() const { return text.lines; }
    // Parts of the records' bytes, one for each core, with how many lines start in each.
    const std::vector<TextPart> &parts() const { return text.parts; }
    std::string_view byteOrderMark() const { return text.byteOrderMark; }

    // Keys the records, their lines read as chosen. Where a line cannot be
    // read, a file that changed meanwhile is the failure reported.
    Result<KeyedInput> keyRecords(const TextReading &chosen) const;

    // Asked once the records have been used, before anything is made of them:
    // fails where the file did not hold them throughout.
    Result<void> keptThroughout() const { return held.keptThroughout(); }

private:
    InputContents held;
    TextBody text;
};

// Reads the whole file, or standard input for "-".
Result<RouteFile> readRouteFile(const std::filesystem::path &path);

} // namespace ostrel
