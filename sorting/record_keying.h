#pragma once

#include "runtime/line_reading.h"
#include "runtime/result.h"
#include "runtime/text_survey.h"
#include "sorting/radix_sort.h"
#include "sorting/record_array.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

// The records whose keys begin with one byte.
struct RecordGroup
{
    std::int64_t records = 0;
    std::int64_t lineBytes = 0; // line ends not counted
};

// The records of each value of one key byte.
using RecordGroups = std::array<RecordGroup, 256>;

// How many records each group holds, as partitioning by the byte wants them.
inline ByteCounts recordCounts(const RecordGroups &groups)
{
    ByteCounts counts{};
    for (std::size_t b = 0; b < groups.size(); ++b)
        counts[b] = groups[b].records;
    return counts;
}

// Every line of an input keyed, in one array grouped by the first key byte;
// within a group, in no particular order.
struct KeyedInput
{
    RecordArray records;
    RecordGroups groups;
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
