#pragma once

#include "reference/record_by_record.h"
#include "runtime/line_reading.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace support {

// The operator's messages, written out here rather than taken from the
// product, so that a wrong text there cannot pass unseen.
inline constexpr std::string_view sortedMessage = "Route Records were sorted.";
// nameColumns as columns 18-47 hold the name: the message shows it without
// the spaces around it.
std::string duplicateKeyMessage(std::int64_t lineNumber, std::string_view nameColumns, std::string_view key);

// The first difference between the engine's result, ordered in memory, and
// the expected one, described; empty when there is none.
std::string differenceInMemory(std::string_view input, const reference::SortResult &expected,
                               const reference::Reading &reading = {});
// The same for a whole run through real files, over an earlier output that a
// refused run must leave as it was, and with no other file left behind;
// with a memory bound too small for the input, through sorted runs.
std::string differenceInRun(std::string_view input, const reference::SortResult &expected,
                            const reference::Reading &reading = {}, std::optional<std::int64_t> memory = {});
// The engine, in memory, against the record-by-record yardstick.
std::string compareWithYardstick(std::string_view input, const reference::Reading &reading = {});

} // namespace support
