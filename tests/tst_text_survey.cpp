#include "runtime/text_survey.h"
#include "support/random.h"
#include "support/record_order.h"

#include <doctest.h>

#include <string>
#include <vector>

namespace {

std::int64_t lineStartsIn(const std::vector<ostrel::LineSpan> &lines, std::int64_t begin, std::int64_t end)
{
    std::int64_t starts = 0;
    for (const ostrel::LineSpan &line : lines)
        starts += line.start >= begin && line.start < end;
    return starts;
}

} // namespace

// The survey counts many bytes at a time and carries the byte before each
// block along: a CR at the end of one block or stretch and an LF at the start
// of the next are where a count could go wrong.
TEST_CASE("the survey counts the line starts of each stretch as the scanner walks them")
{
    struct Row
    {
        const char *name;
        std::string alphabet;
        std::size_t largestText = 300;
    };
    const Row rows[] = {
        {"CR LF and lone LF", "ab\r\n\n"},
        {"lone CR among CR LF", "a\r\r\n"},
        {"terminators only", "\r\n"},
        {"long lines", "abcdefghijklmnopqrstuvwxyz0123456789\n"},
        {"high bytes", "\x8a\x8d\xff\r\n"},
        // More lines to a stretch than a byte-wide counter holds.
        {"long texts of empty lines", "\n", 40000},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            support::Random random(375);
            for (int round = 0; round < 40; ++round) {
                const std::string text = random.bytes(random.below(row.largestText), row.alphabet);
                const std::vector<ostrel::LineSpan> lines = support::splitLines(text);
                for (unsigned partCount = 1; partCount <= 9; ++partCount) {
                    CAPTURE(text);
                    CAPTURE(partCount);
                    const ostrel::TextSurvey survey = ostrel::surveyText(text, partCount);
                    CHECK(survey.firstEndOfFileMark == std::int64_t(text.size()));
                    REQUIRE(survey.parts.size() == partCount);
                    CHECK(survey.parts.front().begin == 0);
                    CHECK(survey.parts.back().end == std::int64_t(text.size()));
                    std::int64_t total = 0;
                    for (std::size_t s = 0; s < survey.parts.size(); ++s) {
                        const ostrel::TextPart &part = survey.parts[s];
                        if (s > 0)
                            CHECK(part.begin == survey.parts[s - 1].end);
                        CHECK(part.lineCount == lineStartsIn(lines, part.begin, part.end));
                        CHECK(ostrel::lineStartAtOrAfter(text, part.begin) == part.begin);
                        total += part.lineCount;
                    }
                    CHECK(total == std::int64_t(lines.size()));
                }
            }
        }
    }
}

TEST_CASE("the survey finds the first end-of-file mark wherever it lies")
{
    struct Row
    {
        const char *name;
        std::size_t size;
        unsigned partCount;
    };
    const Row rows[] = {
        {"short text, one stretch", 20, 1},
        {"blocks and rest, one stretch", 100, 1},
        {"marks in every stretch", 200, 3},
        {"more parts than bytes", 5, 8},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const std::string plain(row.size, '\n');
            for (std::size_t at = 0; at < row.size; ++at) {
                std::string text = plain;
                text[at] = '\x1a';
                // A later mark must not be taken for the first.
                for (std::size_t later = at + 5; later < row.size; later += 11)
                    text[later] = '\x1a';
                CAPTURE(at);
                CHECK(ostrel::surveyText(text, row.partCount).firstEndOfFileMark == std::int64_t(at));
            }
        }
    }
}
