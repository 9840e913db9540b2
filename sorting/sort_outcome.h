#pragma once

#include "runtime/line_reading.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

struct SortOutcome
{
    enum class Kind { Sorted, DuplicateKey, ReadFailed, WriteFailed, OutOfMemory };

    Kind kind = Kind::Sorted;
    // The operator's message: CR LF between its lines, record bytes as read.
    std::string message;
    // The code page of the record bytes in the message, where it holds any.
    std::optional<unsigned> recordCodePage;
};

SortOutcome sortedOutcome();
SortOutcome duplicateKeyOutcome(std::int64_t lineNumber, std::string_view line, const TextReading &reading);
SortOutcome readFailedOutcome(std::string_view displayPath, std::string_view reason);
SortOutcome writeFailedOutcome(std::string_view displayPath, std::string_view reason);
SortOutcome outOfMemoryOutcome(std::string_view displayInputPath);

} // namespace ostrel
