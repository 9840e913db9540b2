#pragma once

#include "runtime/line_reading.h"
#include "runtime/result.h"
#include "runtime/text_body.h"
#include "runtime/text_survey.h"
#include "sorting/record_array.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace ostrel {

// Every line of a text keyed, in input order.
struct KeyedText
{
    RecordArray records;
    // Records whose keys are longer than a RecordKey holds.
    std::int64_t partialKeys = 0;
    // How the lines were read, and how many were read each way other than as ASCII.
    TextReading reading;
    LineCounts counts;
    // What the lines showed, to be added to those of the rest of a file keyed in pieces.
    LineTally tally;
};

// Keys the lines on all cores, read as chosen, those of each text part as many
// as it was counted to hold. Fails, in the operator's words, where a line
// cannot be read exactly. A piece of a file is keyed as the place says.
Result<KeyedText> keyRecords(std::string_view text, const std::vector<TextPart> &parts, const ReadingChoice &chosen,
                             const PiecePlace &place = {});

} // namespace ostrel
