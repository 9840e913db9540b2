#pragma once

#include "runtime/ordered_lines.h"
#include "sorting/record_key.h"

#include <QByteArrayView>

#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

namespace ostrel {

// One record in the order: its key and where its line lies in the input.
class OrderedRecord
{
public:
    OrderedRecord() = default;
    OrderedRecord(const RecordKey &key, qint64 lineStart, qint64 lineLength);

    const RecordKey &key() const { return recordKey; }
    qint64 lineStart() const { return qint64(startHigh) << 32 | startLow; }
    qint64 lineLength() const { return length; }
    QByteArrayView line(QByteArrayView data) const { return data.sliced(lineStart(), length); }

private:
    // Packed so that a record takes 40 bytes: the order of a large file must
    // fit beside the file itself.
    RecordKey recordKey;
    quint16 startHigh = 0;
    quint32 startLow = 0;
    qint64 length = 0;
};

// Room for records, left unfilled until each is written once: filling it
// beforehand would cost nearly as much again.
class RecordArray
{
public:
    RecordArray() = default;
    explicit RecordArray(size_t count);
    RecordArray(RecordArray &&other) noexcept;
    RecordArray &operator=(RecordArray &&other) noexcept;
    ~RecordArray();

    size_t size() const { return count; }
    OrderedRecord *begin() { return first; }
    OrderedRecord *end() { return first + count; }
    const OrderedRecord *begin() const { return first; }
    const OrderedRecord *end() const { return first + count; }
    const OrderedRecord &operator[](size_t index) const { return first[index]; }

private:
    OrderedRecord *first = nullptr;
    size_t count = 0;
};

struct DuplicateKey
{
    qint64 lineNumber = 0; // counted from 1
    QByteArrayView line;
};

// Every line of the input keyed, then put in key order a stretch at a time, so
// that the first stretches can be written while later ones are being ordered.
class KeyedRecords
{
public:
    // Throws std::bad_alloc when the records do not fit in memory.
    explicit KeyedRecords(QByteArrayView data);
    KeyedRecords(const KeyedRecords &) = delete;
    KeyedRecords &operator=(const KeyedRecords &) = delete;

    qint64 count() const { return qint64(records.size()); }
    // The bytes of all lines, line ends not counted.
    qint64 lineBytes() const { return totalLineBytes; }
    const OrderedRecord &operator[](qint64 index) const { return records[size_t(index)]; }

    // Orders the next stretch on the calling thread; several threads may call
    // at once. Empty once every stretch has been taken.
    std::optional<LineStretch> settleNext();
    // Orders every stretch not yet taken, on all cores.
    void settleAll();

    // Valid once every stretch is ordered. The first line, in input order,
    // whose key equals an earlier line's key: the line at which inserting
    // records one by one would have failed.
    std::optional<DuplicateKey> firstDuplicate() const;
    bool duplicateFound() const;

    RecordArray takeRecords() { return std::move(records); }

private:
    struct Stretch
    {
        LineStretch lines;
        qint64 bytes = 0;    // of its lines, line ends not counted
        qsizetype depth = 0; // leading key bytes that all its records share
    };
    void planStretches(const std::vector<qint64> &groupSizes, const std::vector<qint64> &groupBytes,
                       qsizetype groupedBytes, qint64 largest);
    void plan(qint64 first, qint64 last, qsizetype depth, qint64 bytes, qint64 largest);
    void addStretch(qint64 first, qint64 last, qint64 bytes, qsizetype depth);
    void noteDuplicates(const LineStretch &stretch);

    QByteArrayView input;
    RecordArray records;
    qint64 totalLineBytes = 0;
    std::vector<Stretch> stretches;
    std::atomic<size_t> nextStretch{0};
    mutable std::mutex duplicateMutex;
    const OrderedRecord *earliestRepeat = nullptr;
};

struct RecordOrder
{
    // Ascending by key; among equal keys, in input order.
    RecordArray records;
    std::optional<DuplicateKey> firstDuplicate;
};

// Keys every line and orders them all, using the machine's cores.
// Throws std::bad_alloc when the order does not fit in memory.
RecordOrder orderRecords(QByteArrayView data);

} // namespace ostrel
