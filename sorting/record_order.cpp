#include "sorting/record_order.h"

#include "runtime/line_splitter.h"
#include "runtime/parallel.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace ostrel {

namespace {

// Below these, threads cost more than they save.
constexpr qint64 bytesPerWorker = 4 * 1024 * 1024;
constexpr qsizetype recordsPerSortWorker = 64 * 1024;

// A function object rather than a function, so the sort inlines it.
constexpr auto byKeyThenStart = [](const OrderedRecord &left, const OrderedRecord &right) {
    if (const auto order = left.key() <=> right.key(); order != 0)
        return order < 0;
    return left.lineStart() < right.lineStart();
};

// Sorts by one key byte at a time (most significant first), moving records
// into place without extra memory; small groups and records whose keys are
// equal go to a comparison sort.
void radixSort(OrderedRecord *first, OrderedRecord *last, qsizetype depth)
{
    constexpr qsizetype smallGroup = 48;
    for (;;) {
        const qsizetype count = last - first;
        if (count < smallGroup || depth > RecordKey::maximumLength) {
            std::sort(first, last, byKeyThenStart);
            return;
        }
        std::array<qsizetype, 256> counts{};
        for (const OrderedRecord *record = first; record != last; ++record)
            ++counts[record->key().sortByte(depth)];
        // All records share this byte: look at the next one without moving anything.
        if (std::find(counts.begin(), counts.end(), count) != counts.end()) {
            ++depth;
            continue;
        }
        std::array<qsizetype, 256> heads{};
        std::array<qsizetype, 256> ends{};
        qsizetype sum = 0;
        for (size_t b = 0; b < counts.size(); ++b) {
            heads[b] = sum;
            sum += counts[b];
            ends[b] = sum;
        }
        for (size_t b = 0; b < counts.size(); ++b) {
            while (heads[b] < ends[b]) {
                const unsigned target = first[heads[b]].key().sortByte(depth);
                if (target == b)
                    ++heads[b];
                else
                    std::swap(first[heads[b]], first[heads[target]++]);
            }
        }
        qsizetype begin = 0;
        for (size_t b = 0; b < counts.size(); ++b) {
            if (counts[b] > 1)
                radixSort(first + begin, first + begin + counts[b], depth + 1);
            begin += counts[b];
        }
        return;
    }
}

// Splits the range at its median, so each half can be sorted on its own core.
void sortRecords(OrderedRecord *first, OrderedRecord *last, unsigned workers)
{
    if (workers <= 1 || last - first < recordsPerSortWorker) {
        radixSort(first, last, 0);
        return;
    }
    OrderedRecord *middle = first + (last - first) / 2;
    std::nth_element(first, middle, last, byKeyThenStart);
    const unsigned leftWorkers = workers / 2;
    runInParallel({[=] { sortRecords(first, middle, leftWorkers); },
                   [=] { sortRecords(middle, last, workers - leftWorkers); }});
}

struct Part
{
    qint64 begin = 0;
    qint64 end = 0;
    qint64 lineCount = 0;
    qint64 firstRecord = 0;
};

// Parts of data that begin at line starts, one per worker.
std::vector<Part> splitIntoParts(QByteArrayView data, unsigned workers)
{
    std::vector<Part> parts;
    qint64 begin = 0;
    for (unsigned i = 1; i <= workers; ++i) {
        const qint64 end = i == workers ? data.size() : lineStartAtOrAfter(data, data.size() * i / workers);
        if (end > begin)
            parts.push_back({begin, end, 0, 0});
        begin = end;
    }
    return parts;
}

// Counting first lets the order be allocated once, at its final size.
RecordArray keyAllLines(QByteArrayView data, unsigned workers)
{
    std::vector<Part> parts = splitIntoParts(data, workers);
    std::vector<std::function<void()>> counting;
    for (Part &part : parts)
        counting.push_back([data, &part] { part.lineCount = countLines(data, part.begin, part.end); });
    runInParallel(counting);

    qint64 total = 0;
    for (Part &part : parts) {
        part.firstRecord = total;
        total += part.lineCount;
    }
    RecordArray records(static_cast<size_t>(total));

    std::vector<std::function<void()>> keying;
    for (const Part &part : parts) {
        keying.push_back([&, part] {
            LineScanner scanner(data, part.begin, part.end);
            OrderedRecord *record = records.begin() + part.firstRecord;
            while (const auto line = scanner.next())
                std::construct_at(record++, BuildRecordKey(data.sliced(line->start, line->length)), line->start, line->length);
        });
    }
    runInParallel(keying);
    return records;
}

qint64 lineNumberAt(QByteArrayView data, qint64 lineStart)
{
    return countLines(data, 0, lineStart) + 1;
}

// Equal keys lie side by side, in input order, so each repeat is the right
// one of an equal pair; the earliest of those is where inserting one by one
// would have stopped.
std::optional<DuplicateKey> findFirstDuplicate(QByteArrayView data, const RecordArray &records)
{
    const OrderedRecord *first = nullptr;
    for (size_t i = 1; i < records.size(); ++i) {
        if (records[i].key() == records[i - 1].key() && (!first || records[i].lineStart() < first->lineStart()))
            first = &records[i];
    }
    if (!first)
        return std::nullopt;
    return DuplicateKey{lineNumberAt(data, first->lineStart()), first->line(data)};
}

} // namespace

static_assert(std::is_trivially_destructible_v<OrderedRecord>, "records are never destroyed one by one");
static_assert(sizeof(OrderedRecord) == 40, "the memory budget counts on 40-byte records");

RecordArray::RecordArray(size_t size)
    : first(std::allocator<OrderedRecord>().allocate(size)), count(size)
{
}

RecordArray::RecordArray(RecordArray &&other) noexcept
    : first(std::exchange(other.first, nullptr)), count(std::exchange(other.count, 0))
{
}

RecordArray &RecordArray::operator=(RecordArray &&other) noexcept
{
    std::swap(first, other.first);
    std::swap(count, other.count);
    return *this;
}

RecordArray::~RecordArray()
{
    if (first)
        std::allocator<OrderedRecord>().deallocate(first, count);
}

OrderedRecord::OrderedRecord(const RecordKey &key, qint64 lineStart, qint64 lineLength)
    : recordKey(key), startHigh(quint16(lineStart >> 32)), startLow(quint32(lineStart)), length(lineLength)
{
}

RecordOrder orderRecords(QByteArrayView data)
{
    if (data.size() >= (qint64(1) << 48))
        throw std::bad_alloc();
    const unsigned workers = workerCount(data.size(), bytesPerWorker);
    RecordOrder order;
    order.records = keyAllLines(data, workers);
    sortRecords(order.records.begin(), order.records.end(), workers);
    order.firstDuplicate = findFirstDuplicate(data, order.records);
    return order;
}

} // namespace ostrel
