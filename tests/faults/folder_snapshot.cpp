#include "folder_snapshot.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace faults {

namespace {

QByteArray checksum(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "unreadable";
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&file);
    return hash.result().toHex();
}

} // namespace

QStringList snapshotFolder(const QString &path)
{
    const QDir root(path);
    QStringList entries;
    QDirIterator iterator(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDirIterator::Subdirectories);
    while (iterator.hasNext()) {
        const QFileInfo entry(iterator.next());
        const QString name = root.relativeFilePath(entry.filePath());
        if (entry.isDir())
            entries += name + QLatin1Char('/');
        else if (entry.isFile())
            entries += name + QLatin1Char(' ') + QString::number(entry.size()) + QLatin1Char(' ')
                       + QString::fromLatin1(checksum(entry.filePath()));
        else
            entries += name + QStringLiteral(" (special)");
    }
    entries.sort();
    return entries;
}

} // namespace faults
