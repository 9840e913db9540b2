#include "reference/record_by_record.h"
#include "support/route_files.h"
#include "support/yardstick.h"

#include <doctest.h>

#include <string>
#include <vector>

using Keys = std::vector<std::string>;

TEST_CASE("a new record goes where FindInsertPosition says, and the engine agrees")
{
    struct Row
    {
        const char *name;
        Keys stored;
        std::string newKey;
        std::int64_t position;
        bool added;
        Keys after;
    };
    const Keys ace{"A", "C", "E"};
    const Keys m{"M"};
    const Row rows[] = {
        {"between two entries", ace, "B", 1, true, {"A", "B", "C", "E"}},
        {"equal to the last", ace, "E", 3, false, ace},
        {"after the last", ace, "F", 3, true, {"A", "C", "E", "F"}},
        {"equal to a middle entry", ace, "C", 2, false, ace},
        {"digit before letters", ace, "0", 0, true, {"0", "A", "C", "E"}},
        {"single entry, equal", m, "M", 1, false, m},
        {"single entry, after", m, "Z", 1, true, {"M", "Z"}},
        {"single entry, before", m, "A", 0, true, {"A", "M"}},
        {"prefix is no duplicate", {"AA", "ABC"}, "AB", 1, true, {"AA", "AB", "ABC"}},
        {"keys differ only in case", {"a"}, "A", 0, true, {"A", "a"}},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            reference::RecordCollection collection;
            for (const std::string &key : row.stored)
                REQUIRE(collection.add(key, key));
            CHECK(reference::FindInsertPosition(row.newKey, collection) == row.position);
            const bool added = row.position == 0 ? collection.addBefore(row.newKey, row.newKey, 1)
                                                 : collection.addAfter(row.newKey, row.newKey, row.position);
            CHECK(added == row.added);
            Keys referenceOrder;
            for (std::int64_t i = 1; i <= collection.count(); ++i)
                referenceOrder.push_back(collection.key(i));
            CHECK(referenceOrder == row.after);

            // Lines of up to four bytes are their own keys, so keys can be written as lines.
            Keys input = row.stored;
            input.push_back(row.newKey);
            const std::int64_t last = std::int64_t(input.size());
            const reference::SortResult expected =
                row.added ? reference::SortResult{support::routeFile(row.after), {}, {}, {}}
                          : reference::SortResult{{}, last, support::duplicateKeyMessage(last, "", row.newKey), {}};
            CHECK(support::differenceInMemory(support::routeFile(input), expected) == "");
        }
    }
}

TEST_CASE("records come out in key order; the first repeat in input order is reported")
{
    struct Row
    {
        const char *name;
        Keys input;
        Keys expected;
        std::int64_t repeatLine; // 0: none
    };
    const Row rows[] = {
        {"C A B", {"C", "A", "B"}, {"A", "B", "C"}, 0},
        {"AA ABC AB", {"AA", "ABC", "AB"}, {"AA", "AB", "ABC"}, 0},
        {"already in order", {"A", "B", "C"}, {"A", "B", "C"}, 0},
        {"reverse order", {"D", "C", "B", "A"}, {"A", "B", "C", "D"}, 0},
        // The first repeat in input order is reported, not the smallest key's.
        {"earliest repeat wins", {"Z", "A", "Z", "A"}, {}, 3},
        {"third copy is not the first repeat", {"B", "B", "B"}, {}, 2},
        {"one empty line sorts first", {"B", "", "A"}, {"", "A", "B"}, 0},
        {"second empty line repeats", {"", "A", ""}, {}, 3},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const std::string input = support::routeFile(row.input);
            const reference::SortResult yardstick = reference::sortRecordByRecord(input);
            if (row.repeatLine == 0)
                CHECK(yardstick.output == support::routeFile(row.expected));
            else
                CHECK(yardstick.failedLine == row.repeatLine);
            CHECK(support::differenceInMemory(input, yardstick) == "");
        }
    }
}
