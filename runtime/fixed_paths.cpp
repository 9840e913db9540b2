#include "runtime/fixed_paths.h"

#include <QDir>

namespace ostrel {

namespace {
const QString inputWindowsPath = QStringLiteral("f:\\u\\datafile\\taveld.txt");
const QString outputWindowsPath = QStringLiteral("f:\\u\\datafile\\tavelsrtd.txt");
} // namespace

QString platformPath(const QString &windowsPath, const QString &homeFolder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(homeFolder);
    return windowsPath;
#else
    QString relative = windowsPath;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const qsizetype colon = relative.indexOf(QLatin1Char(':'));
    if (colon == 1)
        relative = relative.left(1).toLower() + relative.mid(2);
    return QDir(homeFolder).filePath(relative);
#endif
}

QString inputFilePath()
{
    return platformPath(inputWindowsPath, QDir::homePath());
}

QString outputFilePath()
{
    return platformPath(outputWindowsPath, QDir::homePath());
}

} // namespace ostrel
