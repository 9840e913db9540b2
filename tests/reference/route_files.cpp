#include "reference/route_files.h"

#include <QFile>
#include <QTest>

namespace reference {

QByteArray routeRecord(qsizetype length, std::initializer_list<std::pair<qsizetype, QByteArray>> placed)
{
    QByteArray record(length, '.');
    for (const auto &[column, text] : placed)
        record.replace(column - 1, text.size(), text);
    return record.left(length);
}

void writeFile(const QString &path, QByteArrayView bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
    QCOMPARE(file.write(bytes.data(), bytes.size()), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace reference
