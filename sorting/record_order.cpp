#include "sorting/record_order.h"

#include <algorithm>
#include <limits>
#include <new>

namespace ostrel {

namespace {

bool byKeyThenLine(const OrderedRecord &left, const OrderedRecord &right)
{
    if (const auto order = left.key <=> right.key; order != 0)
        return order < 0;
    return left.lineIndex < right.lineIndex;
}

// Equal keys lie side by side, in input order, so each repeat's line index is
// the right one of an equal pair; the earliest of those is where insertion
// would have stopped.
std::optional<qint64> findFirstDuplicate(const std::vector<OrderedRecord> &records)
{
    std::optional<qint64> first;
    for (size_t i = 1; i < records.size(); ++i) {
        if (records[i].key == records[i - 1].key && (!first || records[i].lineIndex < *first))
            first = records[i].lineIndex;
    }
    return first;
}

} // namespace

RecordOrder orderRecords(QByteArrayView data, const std::vector<LineSpan> &lines)
{
    if (lines.size() > std::numeric_limits<quint32>::max())
        throw std::bad_alloc();

    RecordOrder order;
    order.records.resize(lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
        order.records[i] = {BuildRecordKey(data.sliced(lines[i].start, lines[i].length)), quint32(i)};
    std::sort(order.records.begin(), order.records.end(), byKeyThenLine);
    order.firstDuplicateLine = findFirstDuplicate(order.records);
    return order;
}

} // namespace ostrel
