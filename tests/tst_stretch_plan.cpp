#include "runtime/text_survey.h"
#include "sorting/radix_sort.h"
#include "sorting/record_keying.h"
#include "sorting/stretch_plan.h"
#include "support/random.h"
#include "support/route_files.h"

#include <doctest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The stretches are written at offsets computed before they are sorted, each
// by whichever core takes it: a stretch out of place, or one whose bytes are
// miscounted, corrupts the output without any error.
TEST_CASE("stretches cover the records in key order, each at its known place")
{
    constexpr std::int64_t largest = 1000;
    constexpr int recordCount = 20'000;
    support::Random random(25);
    struct Row
    {
        const char *name;
        // The key columns of record i: the order (column 170) and the route (column 5).
        std::function<std::pair<std::string, std::string>(int)> key;
        // Where every group is small, neighbours must share stretches.
        std::optional<std::size_t> mostStretches;
    };
    const Row rows[] = {
        {"keys spread over many first bytes",
         [&](int) { return std::pair{random.bytes(4, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"), random.bytes(6, "0123456789")}; },
         {}},
        {"one first byte, its records in many small groups",
         [](int i) { return std::pair{std::string{'A', char(40 + i % 200)}, std::to_string(100000 + i)}; },
         2 * recordCount / largest + 1},
        {"a long shared prefix, the keys told apart late",
         [](int i) { return std::pair{std::string("AAAA"), "ROUTE" + std::to_string(100000 + i % 3000)}; },
         {}},
        {"more equal keys than a stretch holds", [](int) { return std::pair{std::string("BBBB"), std::string("SAME")}; },
         {}},
        {"a few records for each first byte",
         [](int i) { return std::pair{std::string(1, char(33 + i % 90)) + "000", std::to_string(i)}; },
         {}},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            std::vector<std::string> lines;
            for (int i = 0; i < recordCount; ++i) {
                const auto [order, route] = row.key(i);
                // Lengths vary, so that a stretch's bytes are not its count times one length.
                lines.push_back(support::routeRecord(180 + std::size_t(i % 17), {{5, route}, {170, order}}));
            }
            const std::string text = support::routeFile(lines);
            ostrel::KeyedText keyed = std::move(*ostrel::keyRecords(text, ostrel::surveyText(text).parts, {}));
            const std::vector<ostrel::Stretch> stretches = ostrel::planStretches(keyed.records, largest);

            std::int64_t first = 0;
            std::int64_t lineBytes = 0;
            for (const ostrel::Stretch &stretch : stretches) {
                CAPTURE(stretch.first);
                REQUIRE(stretch.first == first);
                REQUIRE(stretch.last > stretch.first);
                CHECK(stretch.lineBytesBefore == lineBytes);
                ostrel::KeyedRecord *begin = keyed.records.begin() + stretch.first;
                ostrel::KeyedRecord *end = keyed.records.begin() + stretch.last;
                std::int64_t bytes = 0;
                for (const ostrel::KeyedRecord *record = begin; record != end; ++record) {
                    bytes += record->lineLength();
                    for (std::size_t b = 0; b < stretch.sharedKeyBytes; ++b)
                        CHECK(record->key().sortByte(b) == begin->key().sortByte(b));
                }
                CHECK(stretch.lineBytes == bytes);
                ostrel::radixSort(begin, end, stretch.sharedKeyBytes);
                if (stretch.last - stretch.first > largest)
                    CHECK(begin->key() == (end - 1)->key());
                first = stretch.last;
                lineBytes += bytes;
            }
            CHECK(first == recordCount);
            CHECK(std::is_sorted(keyed.records.begin(), keyed.records.end()));
            if (row.mostStretches)
                CHECK(stretches.size() <= *row.mostStretches);
        }
    }
}
