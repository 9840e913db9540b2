#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <initializer_list>
#include <utility>

namespace reference {

// A record of the given length, filled with dots, with each text placed at
// its 1-based column.
QByteArray routeRecord(qsizetype length, std::initializer_list<std::pair<qsizetype, QByteArray>> placed);

void writeFile(const QString &path, QByteArrayView bytes);
QByteArray readFile(const QString &path);

} // namespace reference
