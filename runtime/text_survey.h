#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace ostrel {

// The DOS end-of-file mark (Ctrl+Z).
inline constexpr char endOfFileMark = '\x1a';

// Bytes [begin, end) of a text, from line start to line start: the part one
// core takes. With how many lines start there.
struct TextPart
{
    std::int64_t begin = 0;
    std::int64_t end = 0;
    std::int64_t lineCount = 0;
};

// What the first pass over a text learns, the pass that also brings a freshly
// opened file into memory: where its first DOS end-of-file mark (Ctrl+Z) lies,
// how many lines start in each of its parts, so that their records can be
// given room at once and exactly. Lines end as LineScanner has them.
struct TextSurvey
{
    std::int64_t firstEndOfFileMark = 0; // the text's size when it has none
    std::vector<TextPart> parts;      // consecutive, covering the whole text
};

// Surveys the text in `partCount` parts of about equal size, each on a
// core of its own. Line counts are exact only where there is no mark.
TextSurvey surveyText(std::string_view text, unsigned partCount);

// The same, in as many parts as the text is worth threads.
TextSurvey surveyText(std::string_view text);

} // namespace ostrel
