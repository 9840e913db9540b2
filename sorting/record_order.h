#pragma once

#include "sorting/record_key.h"

#include <QByteArrayView>

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

struct DuplicateKey
{
    qint64 lineNumber = 0; // counted from 1
    QByteArrayView line;
};

struct RecordOrder
{
    // Ascending by key; among equal keys, in input order.
    std::vector<OrderedRecord> records;
    // The first line, in input order, whose key equals an earlier line's key:
    // the line at which inserting records one by one would have failed.
    std::optional<DuplicateKey> firstDuplicate;
};

// Splits data into lines, keys them and orders them all at once, using the
// machine's cores. Throws std::bad_alloc when the order does not fit in memory.
RecordOrder orderRecords(QByteArrayView data);

} // namespace ostrel
