#include "reference/record_by_record.h"
#include "sorting/record_key.h"
#include "support/route_files.h"

#include <doctest.h>

#include <algorithm>
#include <string>

using namespace std::string_literals;
using support::routeRecord;

namespace {

// The lines of the worked examples: 180 bytes, pieces at their columns.
std::string standardLine()
{
    return routeRecord(180, {{1, "PQ"}, {3, "RS"}, {5, "ABCDEFGHIJKLMNO"}, {170, "WXYZ"}});
}

std::string specialLine()
{
    return routeRecord(180, {{1, "PQ"}, {3, "RS"}, {5, "ABCDEFGHIJKLMNO"}, {5, "AB375"}, {56, "TU"}, {170, "WXYZ"}});
}

std::string key(std::string_view line)
{
    return std::string(ostrel::BuildRecordKey(line).view());
}

} // namespace

TEST_CASE("BuildRecordKey")
{
    struct Row
    {
        const char *name;
        std::string line;
        std::string expected;
    };
    const Row rows[] = {
        {"standard rule", standardLine(), "WXYZABCDEFGHIJKLMNOPQRS"},
        {"special rule", specialLine(), "WXYZ0000375TU        PQRS"},
        {"special rule ignores columns 5-6 and 10-19",
         routeRecord(180, {{1, "PQRS"}, {5, "zz375yyyyyyyyyy"}, {56, "TU"}, {170, "WXYZ"}}), "WXYZ0000375TU        PQRS"},
        {"375 elsewhere is no special route", routeRecord(180, {{1, "PQRS"}, {5, "A375BCDEFGHIJKL"}, {170, "WXYZ"}}),
         "WXYZA375BCDEFGHIJKLPQRS"},
        {"only 37 at columns 7-9 is no special route",
         routeRecord(180, {{1, "PQRS"}, {5, "AB37 CDEFGHIJKL"}, {170, "WXYZ"}}), "WXYZAB37 CDEFGHIJKLPQRS"},

        // Short records contribute only the columns they have.
        {"100 bytes: no first piece", standardLine().substr(0, 100), "ABCDEFGHIJKLMNOPQRS"},
        {"171 bytes: two bytes of the first piece", standardLine().substr(0, 171), "WXABCDEFGHIJKLMNOPQRS"},
        {"8 bytes cannot be special", "PQRSAB37", "AB37PQRS"},
        {"9 bytes reading 375 is special", "PQRSAB375", "0000375        PQRS"},
        {"special without column 57", specialLine().substr(0, 56), "0000375T        PQRS"},
        {"3 bytes", "PQR", "PQR"},
        {"empty line", "", ""},

        // Keys are bytes: nothing is decoded, dropped or folded.
        {"high and NUL bytes kept", routeRecord(180, {{1, "\xc3\xa9\0Q"s}, {5, "\xff\x01"}, {170, "W\x80YZ"}}),
         "W\x80YZ\xff\x01.............\xc3\xa9\0Q"s},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            CHECK(key(row.line) == row.expected);
            // The yardstick the engine is measured against must agree too.
            CHECK(reference::BuildRecordKey(row.line) == row.expected);
        }
    }
}

TEST_CASE("columns the rule does not read do not change the key")
{
    struct Row
    {
        const char *name;
        std::string first;
        std::string second;
    };
    const Row rows[] = {
        {"standard, name and tail differ", routeRecord(190, {{20, "Harbour Road"}, {175, "BUS"}}),
         routeRecord(190, {{20, "Quarry Lane"}, {175, "MINI"}})},
        {"special, columns 10-55 differ", routeRecord(190, {{5, "RT375A0001"}, {18, "Beacon Hill"}}),
         routeRecord(190, {{5, "XX375Z9999"}, {18, "Castle Gate"}})},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            REQUIRE(row.first != row.second);
            CHECK(key(row.first) == key(row.second));
        }
    }
}

TEST_CASE("keys order by unsigned bytes, a prefix first")
{
    struct Row
    {
        const char *name;
        std::string left;
        std::string right;
        int expected;
    };
    // Lines of up to four bytes are their own keys.
    const Row rows[] = {
        {"upper case before lower case", "Abc", "abc", -1},
        {"digits before letters", "0", "A", -1},
        {"proper prefix first", "AB", "ABC", -1},
        {"prefix followed by NUL", "AB", "AB\0"s, -1},
        {"empty key first", "", "\x01", -1},
        {"bytes are unsigned", "\x7f", "\x80", -1},
        {"first difference decides", "ABz", "AC", -1},
        {"equal", "ABC", "ABC", 0},
        {"special keys sort by their 0000375 piece", specialLine(), routeRecord(180, {{5, "AB3"}, {170, "WXYZ"}}), -1},
    };
    const auto sign = [](auto order) { return order < 0 ? -1 : order > 0 ? 1 : 0; };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const ostrel::RecordKey left = ostrel::BuildRecordKey(row.left);
            const ostrel::RecordKey right = ostrel::BuildRecordKey(row.right);
            CHECK(sign(left <=> right) == row.expected);
            CHECK(sign(right <=> left) == -row.expected);
            CHECK((left == right) == (row.expected == 0));
            const std::string_view a = left.view();
            const std::string_view b = right.view();
            const auto byteOrder = std::lexicographical_compare_three_way(
                a.begin(), a.end(), b.begin(), b.end(),
                [](char x, char y) { return static_cast<unsigned char>(x) <=> static_cast<unsigned char>(y); });
            CHECK(sign(byteOrder) == row.expected);
        }
    }
}

TEST_CASE("the name is columns 18 to 47, trimmed")
{
    struct Row
    {
        const char *name;
        std::string line;
        std::string expected;
    };
    const Row rows[] = {
        {"full record", routeRecord(190, {{18, "  Harbour Road Depot          "}}), "Harbour Road Depot"},
        {"name fills the columns", routeRecord(190, {{18, "Kestrel Heights Northern Loop!"}}),
         "Kestrel Heights Northern Loop!"},
        {"line ends inside the name", routeRecord(30, {{18, "Quarry Lane  "}}), "Quarry Lane"},
        {"line shorter than 18 bytes", "NO01RT120A000123", ""},
        {"all spaces", routeRecord(60, {{18, std::string(30, ' ')}}), ""},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name) { CHECK(ostrel::recordName(row.line, ostrel::TextReading{}) == row.expected); }
    }
}
