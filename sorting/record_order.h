#pragma once

#include "runtime/line_splitter.h"
#include "sorting/record_key.h"

#include <QByteArrayView>

#include <optional>
#include <vector>

namespace ostrel {

struct OrderedRecord
{
    RecordKey key;
    quint32 lineIndex = 0;
};

struct RecordOrder
{
    // Ascending by key; among equal keys, in input order.
    std::vector<OrderedRecord> records;
    // The first line, in input order, whose key equals an earlier line's key:
    // the line at which inserting records one by one would have failed.
    std::optional<qint64> firstDuplicateLine;
};

// Keys every line and orders them all at once. Throws std::bad_alloc when the
// order does not fit in memory.
RecordOrder orderRecords(QByteArrayView data, const std::vector<LineSpan> &lines);

} // namespace ostrel
