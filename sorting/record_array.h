#pragma once

#include "runtime/large_allocation.h"
#include "sorting/keyed_record.h"

#include <algorithm>
#include <cstddef>

namespace ostrel {

// Room for records, left unfilled until each is written once: filling it
// beforehand would cost nearly as much again. Records are never destroyed
// one by one. Throws std::bad_alloc when the memory cannot be had.
class RecordArray
{
public:
    RecordArray() = default;
    explicit RecordArray(std::size_t count);
    RecordArray(RecordArray &&other) noexcept;
    RecordArray &operator=(RecordArray &&other) noexcept;
    ~RecordArray();

    // Ends the array after its first records; their memory is held on.
    void keepFirst(std::size_t records) { count = std::min(count, records); }

    std::size_t size() const { return count; }
    KeyedRecord *begin() { return first; }
    KeyedRecord *end() { return first + count; }
    const KeyedRecord *begin() const { return first; }
    const KeyedRecord *end() const { return first + count; }
    const KeyedRecord &operator[](std::size_t index) const { return first[index]; }

private:
    KeyedRecord *first = nullptr;
    std::size_t count = 0;
    std::size_t allocated = 0;
};

} // namespace ostrel
