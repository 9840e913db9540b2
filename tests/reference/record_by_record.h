#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <utility>
#include <vector>

namespace reference {

// The keyed collection of record lines: 1-based positions, unique keys.
class RecordCollection
{
public:
    qsizetype count() const { return qsizetype(entries.size()); }
    const QByteArray &line(qsizetype position) const { return entries[size_t(position - 1)].first; }
    QByteArray key(qsizetype position) const { return entries[size_t(position - 1)].second; }

    // Each form fails, leaving the collection unchanged, when the key is present.
    bool add(const QByteArray &line, const QByteArray &key);
    bool addBefore(const QByteArray &line, const QByteArray &key, qsizetype position);
    bool addAfter(const QByteArray &line, const QByteArray &key, qsizetype position);

private:
    bool insertAt(size_t index, const QByteArray &line, const QByteArray &key);

    std::vector<std::pair<QByteArray, QByteArray>> entries;
};

// The key rule, written with plain substring calls.
QByteArray BuildRecordKey(const QByteArray &line);

// Visits every entry, rebuilding its key from its line, and counts the keys
// that are not greater than the new key.
qsizetype FindInsertPosition(const QByteArray &key, const RecordCollection &collection);

struct SortResult
{
    QByteArray output;                 // what a successful run writes
    std::optional<qint64> failedLine;  // 1-based line of the duplicate key
    QByteArray message;
};

// Reads the lines one by one and inserts each where FindInsertPosition says.
SortResult sortRecordByRecord(QByteArrayView input);

} // namespace reference
