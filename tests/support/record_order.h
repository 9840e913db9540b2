#pragma once

#include "runtime/line_scanner.h"
#include "sorting/repeated_keys.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace support {

// The engine's whole order in memory, without files: what the tests compare.
struct RecordOrder
{
    std::string_view byteOrderMark;
    // Ascending by key; among equal keys, in input order.
    std::vector<std::string_view> lines;
    std::optional<ostrel::RepeatedRecord> firstRepeat;
    ostrel::TextReading reading; // as the lines were read
    // Why the bytes are not read as lines at all.
    std::optional<std::string> unreadable;

    // The bytes a run would write.
    std::string output() const;
};

// Lines read as the system reads them, unless chosen otherwise.
RecordOrder orderRecords(std::string_view input, const ostrel::ReadingChoice &chosen = ostrel::systemChoice());

std::vector<ostrel::LineSpan> splitLines(std::string_view input);

} // namespace support
