#pragma once

#include "sorting/record_key.h"

#include <cstdint>
#include <string_view>

namespace ostrel {

// A record as the sort handles it: its key and where its line lies in the input.
class KeyedRecord
{
public:
    KeyedRecord(const RecordKey &key, std::int64_t lineStart, std::int64_t lineLength)
        : recordKey(key), startHigh(std::uint16_t(lineStart >> 32)), startLow(std::uint32_t(lineStart)),
          length(lineLength)
    {
    }

    const RecordKey &key() const { return recordKey; }
    std::int64_t lineStart() const { return std::int64_t(startHigh) << 32 | startLow; }
    std::int64_t lineLength() const { return length; }
    std::string_view line(std::string_view input) const { return input.substr(std::size_t(lineStart()), std::size_t(length)); }

    // Ascending by key; equal keys in input order.
    bool operator<(const KeyedRecord &other) const
    {
        if (const auto order = recordKey <=> other.recordKey; order != 0)
            return order < 0;
        return lineStart() < other.lineStart();
    }

private:
    // Packed so that a record takes 40 bytes: the records of a large file
    // must fit in memory beside the file itself.
    RecordKey recordKey;
    std::uint16_t startHigh;
    std::uint32_t startLow;
    std::int64_t length;
};

// Inputs up to 2^48 bytes: the largest line start the record holds.
inline constexpr std::int64_t largestInput = std::int64_t(1) << 48;

} // namespace ostrel
