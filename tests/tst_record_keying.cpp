#include "runtime/text_survey.h"
#include "sorting/record_keying.h"
#include "support/record_order.h"

#include <doctest.h>

#include <map>
#include <string>
#include <vector>

// Lines are counted in one pass and keyed in another; a file saved in between
// may hold more or fewer lines by the second. Its run is refused once the
// change is seen, and until then keying must neither overrun the room
// counted nor leave records unkeyed in it.
TEST_CASE("keying keeps to the lines counted, and holds only keyed lines")
{
    struct Row
    {
        const char *name;
        std::vector<std::int64_t> countChanges; // added to each stretch's count
        std::int64_t expectedRecords;
    };
    constexpr std::int64_t lineCount = 300;
    const Row rows[] = {
        {"counts that match", {0, 0, 0}, lineCount},
        {"fewer lines than counted", {0, 7, 0}, lineCount},
        {"fewer in every stretch", {3, 2, 1}, lineCount},
        {"more lines than counted", {-5, 0, 0}, lineCount - 5},
        {"more in one, fewer in another", {0, -4, 9}, lineCount - 4},
        {"no lines counted at all", {-100, -100, -100}, 0},
    };
    std::string text;
    for (std::int64_t i = 0; i < lineCount; ++i) {
        text += char('a' + i * 7 % 26);
        text += std::to_string(i % 100);
        text += i % 3 ? "\r\n" : "\n";
    }
    std::map<std::int64_t, std::int64_t> lengthAt;
    for (const ostrel::LineSpan &line : support::splitLines(text))
        lengthAt[line.start] = line.length;

    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            std::vector<ostrel::TextPart> parts = ostrel::surveyText(text, 3).parts;
            REQUIRE(parts.size() == row.countChanges.size());
            for (std::size_t s = 0; s < parts.size(); ++s)
                parts[s].lineCount = std::max<std::int64_t>(0, parts[s].lineCount + row.countChanges[s]);

            const ostrel::KeyedText keyed = std::move(*ostrel::keyRecords(text, parts, ostrel::ReadingChoice{}));
            CHECK(std::int64_t(keyed.records.size()) == row.expectedRecords);

            std::map<std::int64_t, int> seen;
            for (const ostrel::KeyedRecord &record : keyed.records) {
                CAPTURE(record.lineStart());
                REQUIRE(lengthAt.contains(record.lineStart()));
                CHECK(record.lineLength() == lengthAt[record.lineStart()]);
                CHECK(++seen[record.lineStart()] == 1);
            }
        }
    }
}
