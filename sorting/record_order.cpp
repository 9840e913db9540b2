#include "sorting/record_order.h"

#include "runtime/large_allocation.h"
#include "runtime/line_splitter.h"
#include "runtime/parallel.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace ostrel {

namespace {

// Below these, threads cost more than they save.
constexpr qint64 bytesPerWorker = 4 * 1024 * 1024;
constexpr qint64 recordsPerSortWorker = 64 * 1024;
// Enough stretches that writing starts early and work spreads over the
// cores; not so many that planning them takes passes of its own.
constexpr qint64 stretchesWanted = 8;
constexpr qint64 smallestStretch = 16 * 1024;

// A function object rather than a function, so the sort inlines it.
constexpr auto byKeyThenStart = [](const OrderedRecord &left, const OrderedRecord &right) {
    if (const auto order = left.key() <=> right.key(); order != 0)
        return order < 0;
    return left.lineStart() < right.lineStart();
};

using ByteCounts = std::array<qint64, 256>;

bool allShareOneByte(const ByteCounts &counts, qint64 count)
{
    return std::find(counts.begin(), counts.end(), count) != counts.end();
}

// Moves each record, in place, into the group of its key byte at depth; the
// groups follow each other in byte order.
void distribute(OrderedRecord *first, const ByteCounts &counts, qsizetype depth)
{
    ByteCounts heads{};
    ByteCounts ends{};
    qint64 sum = 0;
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
}

// Sorts by one key byte at a time (most significant first) without extra
// memory; small groups and records whose keys are equal go to a comparison sort.
void radixSort(OrderedRecord *first, OrderedRecord *last, qsizetype depth)
{
    constexpr qint64 smallGroup = 48;
    for (;;) {
        const qint64 count = last - first;
        if (count < smallGroup || depth > RecordKey::maximumLength) {
            std::sort(first, last, byKeyThenStart);
            return;
        }
        ByteCounts counts{};
        for (const OrderedRecord *record = first; record != last; ++record)
            ++counts[record->key().sortByte(depth)];
        // All records share this byte: look at the next one without moving anything.
        if (allShareOneByte(counts, count)) {
            ++depth;
            continue;
        }
        distribute(first, counts, depth);
        for (const qint64 groupSize : counts) {
            if (groupSize > 1)
                radixSort(first, first + groupSize, depth + 1);
            first += groupSize;
        }
        return;
    }
}

struct Part
{
    qint64 begin = 0;
    qint64 end = 0;
};

// Parts of data that begin at line starts, one per worker.
std::vector<Part> splitIntoParts(QByteArrayView data, unsigned workers)
{
    std::vector<Part> parts;
    qint64 begin = 0;
    for (unsigned i = 1; i <= workers; ++i) {
        const qint64 end = i == workers ? data.size() : lineStartAtOrAfter(data, data.size() * i / workers);
        if (end > begin)
            parts.push_back({begin, end});
        begin = end;
    }
    return parts;
}

// Keying fills chunks, since the number of lines is not known beforehand;
// counting them first would cost a pass over the whole input.
constexpr qint64 recordsPerChunk = 8 * 1024;

struct RecordChunk
{
    RecordArray records;
    qint64 filled = 0;
};

// Records are placed grouped by their leading key bytes, so that the placing,
// which runs on all cores, does the first radix passes: two bytes for large
// inputs, one for small ones, where 65,536 groups would cost more than they save.
constexpr qint64 twoByteGroupsFrom = 64 * 1024 * 1024;

struct Grouping
{
    qsizetype bytes = 1;

    size_t count() const { return size_t(1) << (8 * bytes); }
    size_t of(const OrderedRecord &record) const
    {
        const size_t first = record.key().sortByte(0);
        return bytes == 1 ? first : first << 8 | record.key().sortByte(1);
    }
    // The leading key bytes that every record of the groups first to last shares.
    qsizetype sharedBytes(size_t first, size_t last) const
    {
        if (first == last)
            return bytes;
        return bytes == 2 && first >> 8 == last >> 8 ? 1 : 0;
    }
};

using GroupCounts = std::vector<qint64>;

// One part's records as keyed, before they take their places in the whole.
struct KeyedPart
{
    explicit KeyedPart(size_t groups) : recordsByGroup(groups), lineBytesByGroup(groups) {}

    std::vector<RecordChunk> chunks;
    GroupCounts recordsByGroup;
    GroupCounts lineBytesByGroup;
    bool outOfMemory = false;
};

void keyPart(QByteArrayView data, const Part &part, Grouping grouping, KeyedPart &keyed)
{
    try {
        LineScanner scanner(data, part.begin, part.end);
        while (const auto line = scanner.next()) {
            if (keyed.chunks.empty() || keyed.chunks.back().filled == recordsPerChunk)
                keyed.chunks.push_back({RecordArray(recordsPerChunk), 0});
            RecordChunk &chunk = keyed.chunks.back();
            const OrderedRecord *record = std::construct_at(chunk.records.begin() + chunk.filled++,
                                                            BuildRecordKey(data.sliced(line->start, line->length)),
                                                            line->start, line->length);
            const size_t group = grouping.of(*record);
            ++keyed.recordsByGroup[group];
            keyed.lineBytesByGroup[group] += line->length;
        }
    } catch (const std::bad_alloc &) {
        // Reported by the caller: an exception must not leave a thread.
        keyed.outOfMemory = true;
    }
}

// Moves one part's records to their places in the whole, `next` holding the
// next place in each group; each chunk is given back as soon as it is
// emptied, so the records are held about once throughout.
void placeRecords(KeyedPart &keyed, Grouping grouping, OrderedRecord *whole, GroupCounts &next)
{
    for (RecordChunk &chunk : keyed.chunks) {
        for (const OrderedRecord *record = chunk.records.begin(); record != chunk.records.begin() + chunk.filled; ++record)
            std::construct_at(whole + next[grouping.of(*record)]++, *record);
        chunk.records = RecordArray();
    }
}

qint64 lineNumberAt(QByteArrayView data, qint64 lineStart)
{
    return countLines(data, 0, lineStart) + 1;
}

} // namespace

static_assert(std::is_trivially_destructible_v<OrderedRecord>, "records are never destroyed one by one");
static_assert(sizeof(OrderedRecord) == 40, "the memory budget counts on 40-byte records");

RecordArray::RecordArray(size_t size)
    : first(static_cast<OrderedRecord *>(allocateLarge(size * sizeof(OrderedRecord)))), count(size)
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
    releaseLarge(first, count * sizeof(OrderedRecord));
}

OrderedRecord::OrderedRecord(const RecordKey &key, qint64 lineStart, qint64 lineLength)
    : recordKey(key), startHigh(quint16(lineStart >> 32)), startLow(quint32(lineStart)), length(lineLength)
{
}

// The parts are keyed on all cores; moving their records into one array then
// groups them by leading key bytes on the way, the first steps of ordering them.
KeyedRecords::KeyedRecords(QByteArrayView data)
    : input(data)
{
    if (data.size() >= (qint64(1) << 48))
        throw std::bad_alloc();
    const unsigned workers = workerCount(data.size(), bytesPerWorker);
    const std::vector<Part> parts = splitIntoParts(data, workers);
    const Grouping grouping{data.size() >= twoByteGroupsFrom ? 2 : 1};
    const size_t groupCount = grouping.count();
    std::vector<KeyedPart> keyedParts;
    keyedParts.reserve(parts.size());
    for (size_t i = 0; i < parts.size(); ++i)
        keyedParts.emplace_back(groupCount);
    std::vector<std::function<void()>> keying;
    for (size_t i = 0; i < parts.size(); ++i)
        keying.push_back([data, &part = parts[i], grouping, &keyed = keyedParts[i]] { keyPart(data, part, grouping, keyed); });
    runInParallel(keying);

    GroupCounts groupSizes(groupCount);
    GroupCounts groupBytes(groupCount);
    for (const KeyedPart &keyed : keyedParts) {
        if (keyed.outOfMemory)
            throw std::bad_alloc();
        for (size_t g = 0; g < groupCount; ++g) {
            groupSizes[g] += keyed.recordsByGroup[g];
            groupBytes[g] += keyed.lineBytesByGroup[g];
        }
    }
    // Within a group, each part's records follow the earlier parts'.
    std::vector<GroupCounts> nextPlaces(keyedParts.size(), GroupCounts(groupCount));
    qint64 total = 0;
    for (size_t g = 0; g < groupCount; ++g) {
        for (size_t i = 0; i < keyedParts.size(); ++i) {
            nextPlaces[i][g] = total;
            total += keyedParts[i].recordsByGroup[g];
        }
        totalLineBytes += groupBytes[g];
    }
    records = RecordArray(size_t(total));
    std::vector<std::function<void()>> placing;
    for (size_t i = 0; i < keyedParts.size(); ++i)
        placing.push_back([&keyed = keyedParts[i], grouping, whole = records.begin(), &next = nextPlaces[i]] {
            placeRecords(keyed, grouping, whole, next);
        });
    runInParallel(placing);

    planStretches(groupSizes, groupBytes, grouping.bytes, std::max(total / stretchesWanted, smallestStretch));
}

// Neighbouring small groups share a stretch; a group too large for one is
// split further.
void KeyedRecords::planStretches(const std::vector<qint64> &groupSizes, const std::vector<qint64> &groupBytes,
                                 qsizetype groupedBytes, qint64 largest)
{
    const Grouping grouping{groupedBytes};
    struct Run
    {
        qint64 first = 0;
        qint64 last = 0;
        qint64 bytes = 0;
        size_t firstGroup = 0;
        size_t lastGroup = 0;
    };
    std::optional<Run> run;
    const auto endRun = [&] {
        if (!run)
            return;
        addStretch(run->first, run->last, run->bytes, grouping.sharedBytes(run->firstGroup, run->lastGroup));
        run.reset();
    };
    qint64 first = 0;
    for (size_t g = 0; g < groupSizes.size(); ++g) {
        const qint64 size = groupSizes[g];
        if (size == 0)
            continue;
        if (size > largest) {
            endRun();
            plan(first, first + size, groupedBytes, groupBytes[g], largest);
        } else {
            if (run && run->last - run->first + size > largest)
                endRun();
            if (!run)
                run = Run{first, first, 0, g, g};
            run->last += size;
            run->bytes += groupBytes[g];
            run->lastGroup = g;
        }
        first += size;
    }
    endRun();
}

void KeyedRecords::addStretch(qint64 first, qint64 last, qint64 bytes, qsizetype depth)
{
    const qint64 bytesBefore = stretches.empty() ? 0 : stretches.back().lines.bytesBefore + stretches.back().bytes;
    stretches.push_back({{first, last, bytesBefore}, bytes, depth});
}

// Splits the records by their leading key bytes until no stretch holds more
// than `largest`. Each stretch's bytes are counted on the way, so its place
// in the output is known before it is ordered.
void KeyedRecords::plan(qint64 first, qint64 last, qsizetype depth, qint64 bytes, qint64 largest)
{
    for (;;) {
        const qint64 count = last - first;
        if (count <= largest || depth > RecordKey::maximumLength) {
            if (count > 0)
                addStretch(first, last, bytes, depth);
            return;
        }
        ByteCounts counts{};
        ByteCounts groupBytes{};
        for (const OrderedRecord *record = records.begin() + first; record != records.begin() + last; ++record) {
            const unsigned byte = record->key().sortByte(depth);
            ++counts[byte];
            groupBytes[byte] += record->lineLength();
        }
        if (allShareOneByte(counts, count)) {
            ++depth;
            continue;
        }
        distribute(records.begin() + first, counts, depth);
        for (size_t b = 0; b < counts.size(); ++b) {
            plan(first, first + counts[b], depth + 1, groupBytes[b], largest);
            first += counts[b];
        }
        return;
    }
}

std::optional<LineStretch> KeyedRecords::settleNext()
{
    const size_t index = nextStretch.fetch_add(1, std::memory_order_relaxed);
    if (index >= stretches.size())
        return std::nullopt;
    const Stretch &stretch = stretches[index];
    radixSort(records.begin() + stretch.lines.first, records.begin() + stretch.lines.last, stretch.depth);
    noteDuplicates(stretch.lines);
    return stretch.lines;
}

void KeyedRecords::settleAll()
{
    const unsigned workers = workerCount(count(), recordsPerSortWorker);
    runInParallel(std::vector<std::function<void()>>(workers, [this] {
        while (settleNext()) {
        }
    }));
}

// Equal keys lie side by side, in input order, and never in two stretches,
// which differ in some key byte; so each repeat is the right one of an equal
// pair within a stretch.
void KeyedRecords::noteDuplicates(const LineStretch &stretch)
{
    const OrderedRecord *earliest = nullptr;
    for (qint64 i = stretch.first + 1; i < stretch.last; ++i) {
        const OrderedRecord &record = records[size_t(i)];
        if (record.key() == records[size_t(i - 1)].key() && (!earliest || record.lineStart() < earliest->lineStart()))
            earliest = &record;
    }
    if (!earliest)
        return;
    const std::lock_guard lock(duplicateMutex);
    if (!earliestRepeat || earliest->lineStart() < earliestRepeat->lineStart())
        earliestRepeat = earliest;
}

bool KeyedRecords::duplicateFound() const
{
    const std::lock_guard lock(duplicateMutex);
    return earliestRepeat != nullptr;
}

std::optional<DuplicateKey> KeyedRecords::firstDuplicate() const
{
    const std::lock_guard lock(duplicateMutex);
    if (!earliestRepeat)
        return std::nullopt;
    return DuplicateKey{lineNumberAt(input, earliestRepeat->lineStart()), earliestRepeat->line(input)};
}

RecordOrder orderRecords(QByteArrayView data)
{
    KeyedRecords keyed(data);
    keyed.settleAll();
    RecordOrder order;
    order.firstDuplicate = keyed.firstDuplicate();
    order.records = keyed.takeRecords();
    return order;
}

} // namespace ostrel
