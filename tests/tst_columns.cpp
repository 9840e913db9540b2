#include "runtime/columns.h"

#include <doctest.h>

#include <string>

using namespace std::string_literals;

TEST_CASE("a column range yields the bytes that exist")
{
    struct Row
    {
        const char *name;
        std::string line;
        std::size_t first;
        std::size_t length;
        std::string expected;
    };
    const Row rows[] = {
        {"inside the line", "ABCDEFG", 3, 2, "CD"},
        {"from column 1", "ABCDEFG", 1, 2, "AB"},
        // Short records yield what they have instead of failing.
        {"runs past the end", "ABCDEFG", 6, 4, "FG"},
        {"starts on the last byte", "ABC", 3, 5, "C"},
        {"starts just past the end", "ABC", 4, 2, ""},
        {"starts far past the end", "ABC", 170, 4, ""},
        {"empty line", "", 1, 2, ""},
        {"bytes kept as they are", "a\0\xff\x1b"s, 2, 3, "\0\xff\x1b"s},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name) { CHECK(ostrel::columnText(row.line, row.first, row.length) == row.expected); }
    }
}

TEST_CASE("only spaces are trimmed")
{
    struct Row
    {
        const char *name;
        std::string text;
        std::string expected;
    };
    const Row rows[] = {
        {"both ends", "  Quarry Lane   ", "Quarry Lane"},
        {"inner spaces kept", "St.  Anne", "St.  Anne"},
        {"only spaces", "     ", ""},
        {"empty", "", ""},
        // Tabs and other blanks are record data, not padding.
        {"tabs kept", "\tName\t ", "\tName\t"},
        {"no-break byte kept", "\xa0Name ", "\xa0Name"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name) { CHECK(ostrel::trimSpaces(row.text) == row.expected); }
    }
}

TEST_CASE("numbers keep their sign position")
{
    struct Row
    {
        const char *name;
        std::int64_t number;
        std::string expected;
    };
    const Row rows[] = {
        {"sign position blank", 12, " 12"},
        {"zero", 0, " 0"},
        {"negative", -3, "-3"},
        {"past 16 bits", 32768, " 32768"},
        {"past 32 bits", 5000000000, " 5000000000"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name) { CHECK(ostrel::numberText(row.number) == row.expected); }
    }
}
