#pragma once

#include "sorting/keyed_record.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace ostrel {

// How many records have each value of one key byte.
using ByteCounts = std::array<std::int64_t, 256>;

ByteCounts countKeyBytes(const KeyedRecord *first, const KeyedRecord *last, std::size_t depth);
bool allShareOneByte(const ByteCounts &counts, std::int64_t count);

// Moves each record, in place, into the group of its key byte at depth; the
// groups follow each other in byte order, as counts says.
void partitionByKeyByte(KeyedRecord *first, const ByteCounts &counts, std::size_t depth);

// Sorts records whose keys share their first `depth` bytes: by one key byte
// at a time, most significant first, without extra memory; equal keys end in
// input order.
void radixSort(KeyedRecord *first, KeyedRecord *last, std::size_t depth);

} // namespace ostrel
