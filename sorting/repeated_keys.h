#pragma once

#include "sorting/record_sorter.h"

#include <cstdint>
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

// Every repeat among the input's records, listed in input order.
std::vector<RepeatedRecord> listRepeatedRecords(std::string_view input, RecordSorter &sorter);

} // namespace ostrel
