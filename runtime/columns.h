#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace ostrel {

// Columns count bytes from 1. A range that runs past the end of the line
// yields only the bytes that exist, so short records never fail.
QByteArrayView columnText(QByteArrayView line, qsizetype firstColumn, qsizetype length);

// Only the space character is trimmed: tabs and other bytes are record data.
QByteArrayView trimSpaces(QByteArrayView text);

// Decimal text with the sign position kept: " 12" for 12, "-3" for -3.
QByteArray numberText(qint64 number);

} // namespace ostrel
