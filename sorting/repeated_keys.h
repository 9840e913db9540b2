#pragma once

#include "sorting/record_sort.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace ostrel {

// A record whose key an earlier record already holds.
struct RepeatedRecord
{
    std::int64_t lineNumber = 0;      // counted from 1
    std::int64_t firstLineNumber = 0; // the first line holding the key
    std::string_view line;
};

// Every repeat among the records, listed in input order.
std::vector<RepeatedRecord> listRepeatedRecords(const SortedRecords &sorted);

// The first line, in input order, whose key equals an earlier line's key:
// the line at which inserting records one by one would have failed.
std::optional<RepeatedRecord> firstRepeatedRecord(const SortedRecords &sorted);

} // namespace ostrel
