#pragma once

#include "sorting/record_key.h"

#include <QByteArrayView>

#include <optional>

namespace ostrel {

// One record in the order: its key and where its line lies in the input.
class OrderedRecord
{
public:
    OrderedRecord() = default;
    OrderedRecord(const RecordKey &key, qint64 lineStart, qint64 lineLength);

    const RecordKey &key() const { return recordKey; }
    qint64 lineStart() const { return qint64(startHigh) << 32 | startLow; }
    QByteArrayView line(QByteArrayView data) const { return data.sliced(lineStart(), length); }

private:
    // Packed so that a record takes 40 bytes: the order of a large file must
    // fit beside the file itself.
    RecordKey recordKey;
    quint16 startHigh = 0;
    quint32 startLow = 0;
    qint64 length = 0;
};

// Room for the records, left unfilled until the keying threads write each one
// once: filling it beforehand would cost nearly as much again.
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

struct RecordOrder
{
    // Ascending by key; among equal keys, in input order.
    RecordArray records;
    // The first line, in input order, whose key equals an earlier line's key:
    // the line at which inserting records one by one would have failed.
    std::optional<DuplicateKey> firstDuplicate;
};

// Splits data into lines, keys them and orders them all at once, using the
// machine's cores. Throws std::bad_alloc when the order does not fit in memory.
RecordOrder orderRecords(QByteArrayView data);

} // namespace ostrel
