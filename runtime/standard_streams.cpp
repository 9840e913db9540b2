#include "runtime/standard_streams.h"

#include <QDir>
#include <QFileInfo>

namespace ostrel {

namespace {
QString displayPath(const QString &path, const QString &streamName)
{
    if (path == standardStreamPath)
        return streamName;
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}
} // namespace

QString displayInputPath(const QString &path)
{
    return displayPath(path, QStringLiteral("standard input"));
}

QString displayOutputPath(const QString &path)
{
    return displayPath(path, QStringLiteral("standard output"));
}

} // namespace ostrel
