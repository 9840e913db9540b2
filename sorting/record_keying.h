#pragma once

#include "runtime/line_reading.h"
#include "runtime/result.h"
#include "runtime/text_survey.h"
#include "sorting/record_array.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// Records grouped by their leading key bytes: two bytes for large inputs,
// one for small ones, where 65,536 groups would cost more than they save.
struct Grouping
{
    std::size_t keyBytes = 1;

    std::size_t count() const { return std::size_t(1) << (8 * keyBytes); }
    std::size_t of(const KeyedRecord &record) const
    {
        const std::size_t first = record.key().sortByte(0);
        return keyBytes == 1 ? first : first << 8 | record.key().sortByte(1);
    }
    // The leading key bytes that every record of the groups first to last shares.
    std::size_t sharedBytes(std::size_t firstGroup, std::size_t lastGroup) const
    {
        if (firstGroup == lastGroup)
            return keyBytes;
        return keyBytes == 2 && firstGroup >> 8 == lastGroup >> 8 ? 1 : 0;
    }
};

struct RecordGroup
{
    std::int64_t records = 0;
    std::int64_t lineBytes = 0; // line ends not counted
};

// Every line of an input keyed, in one array grouped by leading key bytes;
// within a group, in no particular order.
struct KeyedInput
{
    RecordArray records;
    Grouping grouping;
    std::vector<RecordGroup> groups;
    // Records whose keys are longer than a RecordKey holds.
    std::int64_t partialKeys = 0;
    // How the lines were read, as chosen and as the lines showed; and how
    // many were read each way other than as ASCII.
    TextReading reading;
    LineCounts counts;
};

// Keys the lines on all cores, read as chosen, those of each text part as many
// as it was counted to hold. Fails, in the operator's words, where a line
// cannot be read exactly.
Result<KeyedInput> keyRecords(std::string_view input, const std::vector<TextPart> &textParts, const TextReading &chosen);

} // namespace ostrel
