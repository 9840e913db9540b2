#include "runtime/text_body.h"

#include "runtime/line_scanner.h"
#include "runtime/text_survey.h"

namespace ostrel {

namespace {

constexpr std::string_view utf8ByteOrderMark = "\xef\xbb\xbf";

} // namespace

Result<TextBody> textBody(std::string_view fileBytes, const PiecePlace &place)
{
    if (place.first && (fileBytes.starts_with("\xff\xfe") || fileBytes.starts_with("\xfe\xff")))
        return Failure{"The file is UTF-16 text: save it as ANSI or UTF-8 text"};
    TextBody body;
    if (place.first && fileBytes.starts_with(utf8ByteOrderMark)) {
        body.byteOrderMark = fileBytes.substr(0, utf8ByteOrderMark.size());
        fileBytes.remove_prefix(utf8ByteOrderMark.size());
    }
    if (place.last && fileBytes.ends_with(endOfFileMark))
        fileBytes.remove_suffix(1);
    TextSurvey survey = surveyText(fileBytes);
    if (const std::int64_t mark = survey.firstEndOfFileMark; mark < std::int64_t(fileBytes.size())) {
        // Its line is one past the lines that end before it.
        const std::int64_t line = place.linesBefore + countLines(fileBytes, 0, mark) + 1;
        return Failure{"An end-of-file mark (Ctrl+Z) at line " + std::to_string(line) + " has more text after it"};
    }
    body.lines = fileBytes;
    body.parts = std::move(survey.parts);
    return body;
}

std::int64_t recordCount(const TextBody &body)
{
    std::int64_t lines = 0;
    for (const TextPart &part : body.parts)
        lines += part.lineCount;
    return lines;
}

} // namespace ostrel
