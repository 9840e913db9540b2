#include "reference/record_by_record.h"
#include "sorting/sort_outcome.h"
#include "support/record_order.h"

#include <doctest.h>

// Inputs the fuzz targets found faults with, kept so they stay fixed. They
// prove most under the sanitizer build, which stops at the first undefined
// behaviour.
TEST_CASE("fuzz findings match record-by-record insertion")
{
    struct Row
    {
        const char *name;
        std::string input;
    };
    const Row rows[] = {
        // Key pieces beyond the end of a short line are empty views with no data
        // pointer; copying them passed null to memcpy.
        {"empty line then a short line", "\nAA\n"},
        {"a line shorter than the first key piece", "A"},
        {"empty lines only", "\r\n\r\n"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const reference::SortResult expected = reference::sortRecordByRecord(row.input);
            const support::RecordOrder order = support::orderRecords(row.input);
            REQUIRE(order.unreadable == expected.unreadable);
            REQUIRE(order.firstRepeat.has_value() == expected.failedLine.has_value());
            if (const auto &repeat = order.firstRepeat)
                CHECK(ostrel::duplicateKeyOutcome(repeat->lineNumber, repeat->line, order.reading).message == expected.message);
            else
                CHECK(order.output() == expected.output);
        }
    }
}
