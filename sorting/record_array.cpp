#include "sorting/record_array.h"

#include "runtime/large_allocation.h"

#include <type_traits>
#include <utility>

namespace ostrel {

static_assert(std::is_trivially_destructible_v<KeyedRecord>, "records are never destroyed one by one");
static_assert(std::is_trivially_copyable_v<KeyedRecord>, "records are moved as bytes");
static_assert(sizeof(KeyedRecord) == 40, "the memory budget counts on 40-byte records");

RecordArray::RecordArray(std::size_t size)
    : first(static_cast<KeyedRecord *>(allocateLarge(size * sizeof(KeyedRecord)))), count(size), allocated(size)
{
}

RecordArray::RecordArray(RecordArray &&other) noexcept
    : first(std::exchange(other.first, nullptr)), count(std::exchange(other.count, 0)),
      allocated(std::exchange(other.allocated, 0))
{
}

RecordArray &RecordArray::operator=(RecordArray &&other) noexcept
{
    std::swap(first, other.first);
    std::swap(count, other.count);
    std::swap(allocated, other.allocated);
    return *this;
}

RecordArray::~RecordArray()
{
    releaseLarge(first, allocated * sizeof(KeyedRecord));
}

} // namespace ostrel
