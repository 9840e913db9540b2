#include "reference/record_by_record.h"

namespace reference {

namespace {

QByteArray substring(const QByteArray &text, qsizetype start, qsizetype length)
{
    return start > text.size() ? QByteArray() : text.mid(start - 1, length);
}

QByteArray trimmedSpaces(QByteArray text)
{
    while (text.startsWith(' '))
        text.remove(0, 1);
    while (text.endsWith(' '))
        text.chop(1);
    return text;
}

std::vector<QByteArray> readLines(QByteArrayView input)
{
    std::vector<QByteArray> lines;
    QByteArray current;
    bool pending = false;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const char c = input[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            pending = false;
            if (c == '\r' && i + 1 < input.size() && input[i + 1] == '\n')
                ++i;
        } else {
            current += c;
            pending = true;
        }
    }
    if (pending)
        lines.push_back(current);
    return lines;
}

} // namespace

bool RecordCollection::insertAt(size_t index, const QByteArray &line, const QByteArray &key)
{
    for (const auto &entry : entries) {
        if (entry.second == key)
            return false;
    }
    entries.insert(entries.begin() + qsizetype(index), {line, key});
    return true;
}

bool RecordCollection::add(const QByteArray &line, const QByteArray &key)
{
    return insertAt(entries.size(), line, key);
}

bool RecordCollection::addBefore(const QByteArray &line, const QByteArray &key, qsizetype position)
{
    return insertAt(size_t(position - 1), line, key);
}

bool RecordCollection::addAfter(const QByteArray &line, const QByteArray &key, qsizetype position)
{
    return insertAt(size_t(position), line, key);
}

QByteArray BuildRecordKey(const QByteArray &line)
{
    QByteArray key = substring(line, 170, 4) + substring(line, 5, 15) + substring(line, 1, 2)
                     + substring(line, 3, 2);
    if (substring(line, 7, 3) == "375") {
        key = substring(line, 170, 4) + "0000375" + substring(line, 56, 2) + QByteArray(8, ' ')
              + substring(line, 1, 2) + substring(line, 3, 2);
    }
    return key;
}

qsizetype FindInsertPosition(const QByteArray &key, const RecordCollection &collection)
{
    qsizetype result = collection.count();
    bool found = false;
    for (qsizetype i = 1; i <= collection.count(); ++i) {
        const QByteArray stored = BuildRecordKey(collection.line(i));
        if (!found && key < stored) {
            result = i - 1;
            found = true;
        }
    }
    return result;
}

SortResult sortRecordByRecord(QByteArrayView input)
{
    RecordCollection collection;
    bool started = false;
    qint64 lineCounter = 0;
    for (const QByteArray &line : readLines(input)) {
        ++lineCounter;
        const QByteArray key = BuildRecordKey(line);
        bool added = false;
        if (started) {
            const qsizetype position = FindInsertPosition(key, collection);
            added = position == 0 ? collection.addBefore(line, key, 1) : collection.addAfter(line, key, position);
        } else {
            added = collection.add(line, key);
            started = true;
        }
        if (!added) {
            const QByteArray message = "Failed Sort - duplicate keys, \r\n Line =  " + QByteArray::number(lineCounter)
                                       + "\r\n Name = " + trimmedSpaces(substring(line, 18, 30))
                                       + "\r\n Key = " + key;
            return {{}, lineCounter, message};
        }
    }
    QByteArray output;
    for (qsizetype i = 1; i <= collection.count(); ++i)
        output += collection.line(i) + "\r\n";
    return {output, std::nullopt, "Route Records were sorted."};
}

} // namespace reference
