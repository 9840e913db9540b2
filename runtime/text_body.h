#pragma once

#include "runtime/line_reading.h"
#include "runtime/text_survey.h"

#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

// The lines of a text file as Windows programs write them: a UTF-8 byte
// order mark may stand before them, and a DOS end-of-file mark (Ctrl+Z) may
// end the file; neither is part of a line.
struct TextBody
{
    std::string_view byteOrderMark; // empty when the file has none
    std::string_view lines;
    std::vector<TextPart> parts; // of lines, with their line counts
    TextReading reading;                // as chosen, and whether all is ASCII
    // Why the bytes cannot be read as lines exactly, in the operator's words.
    std::optional<std::string> refusal;
};

// A Ctrl+Z anywhere but at the very end would have hidden what follows it
// from programs that stop reading there, and UTF-16 text is no text of
// bytes: both are refused rather than guessed at.
TextBody textBody(std::string_view fileBytes, const TextReading &chosen);

} // namespace ostrel
