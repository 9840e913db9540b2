#pragma once

#include "runtime/line_reading.h"
#include "runtime/result.h"
#include "runtime/text_survey.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace ostrel {

// The lines of a text file as Windows programs write them: a UTF-8 byte
// order mark may stand before them, and a DOS end-of-file mark (Ctrl+Z) may
// end the file; neither is part of a line.
struct TextBody
{
    std::string_view byteOrderMark; // empty when the file has none
    std::string_view lines;
    std::vector<TextPart> parts; // of lines, with their line counts
};

// Where bytes lie in their file, for a file read a piece at a time: only
// the first piece may begin with a mark, only the last end with one.
struct PiecePlace
{
    bool first = true;
    bool last = true;
    std::int64_t linesBefore = 0;
    // How the whole file is read, where it cannot be learnt from this piece alone.
    std::optional<TextReading> reading;
};

// A Ctrl+Z anywhere but at the very end would have hidden what follows it
// from programs that stop reading there, and UTF-16 text is no text of
// bytes: both are refused, in the operator's words, rather than guessed at.
Result<TextBody> textBody(std::string_view fileBytes, const PiecePlace &place = {});

// How many lines the body holds: a record each.
std::int64_t recordCount(const TextBody &body);

} // namespace ostrel
