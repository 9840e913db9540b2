#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>

namespace ostrel {

// Columns count bytes from 1. A range that runs past the end of the line
// yields only the bytes that exist, so short records never fail. Inline, as
// it runs several times for each of millions of records.
inline QByteArrayView columnText(QByteArrayView line, qsizetype firstColumn, qsizetype length)
{
    const qsizetype start = firstColumn - 1;
    if (start < 0 || length <= 0 || start >= line.size())
        return {};
    return line.sliced(start, std::min(length, line.size() - start));
}

// Only the space character is trimmed: tabs and other bytes are record data.
QByteArrayView trimSpaces(QByteArrayView text);

// Decimal text with the sign position kept: " 12" for 12, "-3" for -3.
QByteArray numberText(qint64 number);

} // namespace ostrel
