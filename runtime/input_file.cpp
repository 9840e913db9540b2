#include "runtime/input_file.h"

#include "runtime/standard_streams.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ostrel {

namespace {

constexpr qint64 minimumBlock = 64 * 1024;

bool openInput(QFile &file, const QString &path)
{
    constexpr auto mode = QIODevice::ReadOnly | QIODevice::Unbuffered;
    if (path == standardStreamPath)
        return file.open(fileno(stdin), mode);
    file.setFileName(path);
    return file.open(mode);
}

} // namespace

InputFile readInputFile(const QString &path)
{
    // Qt's own wording for a folder hides the system's; keep the system's.
    if (path != standardStreamPath && QFileInfo(path).isDir())
        return {{}, QString::fromLocal8Bit(std::strerror(EISDIR))};

    QFile file;
    if (!openInput(file, path))
        return {{}, file.errorString()};

    // One byte more than the size, so the read that finds the end needs no growth.
    const qint64 expected = file.isSequential() ? 0 : file.size();
    QByteArray contents(std::max(expected + 1, minimumBlock), Qt::Uninitialized);
    qint64 filled = 0;
    for (;;) {
        if (filled == contents.size())
            contents.resize(contents.size() * 2);
        const qint64 got = file.read(contents.data() + filled, contents.size() - filled);
        if (got < 0)
            return {{}, file.errorString()};
        if (got == 0)
            break;
        filled += got;
    }
    contents.truncate(filled);
    return {contents, std::nullopt};
}

} // namespace ostrel
