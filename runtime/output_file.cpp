#include "runtime/output_file.h"

#include "runtime/standard_streams.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ostrel {

namespace {

constexpr qsizetype blockSize = 4 * 1024 * 1024;
const QByteArray lineEnd = QByteArrayLiteral("\r\n");

// A file-size limit must fail the write, not kill the process with the
// temporary file still on disk.
void ignoreFileSizeSignal()
{
#ifdef SIGXFSZ
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
#endif
}

// Makes the rename itself durable; the data were synced before it.
void syncFolderOf(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
#else
    Q_UNUSED(path);
#endif
}

std::optional<QString> writeDirectly(QFile &output, const LineWriting &writeLines)
{
    RecordWriter writer(output);
    if (!writeLines(writer) || !writer.flush())
        return output.errorString();
    return std::nullopt;
}

} // namespace

RecordWriter::RecordWriter(QIODevice &target)
    : device(target), block(blockSize, Qt::Uninitialized)
{
}

bool RecordWriter::writeLine(QByteArrayView line)
{
    if (blockUsed + line.size() + lineEnd.size() > block.size()) {
        if (!flush())
            return false;
        // A line larger than a block goes out as it is, without a copy.
        if (line.size() + lineEnd.size() > block.size())
            return writeBlock(line.data(), line.size()) && writeBlock(lineEnd.data(), lineEnd.size());
    }
    char *target = block.data() + blockUsed;
    std::memcpy(target, line.data(), size_t(line.size()));
    std::memcpy(target + line.size(), lineEnd.data(), size_t(lineEnd.size()));
    blockUsed += line.size() + lineEnd.size();
    return true;
}

bool RecordWriter::flush()
{
    const qsizetype used = std::exchange(blockUsed, 0);
    return writeBlock(block.constData(), used);
}

bool RecordWriter::writeBlock(const char *data, qint64 size)
{
    // A limit or a full disk reached part way gives a short write with no
    // error set; writing on makes the system name the reason.
    while (size > 0) {
        const qint64 written = device.write(data, size);
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

std::optional<QString> writeOutputFile(const QString &path, const LineWriting &writeLines)
{
    ignoreFileSizeSignal();
    constexpr auto directMode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    if (path == standardStreamPath) {
        QFile output;
        if (!output.open(fileno(stdout), directMode))
            return output.errorString();
        return writeDirectly(output, writeLines);
    }
    const QFileInfo target(path);
    if (target.isDir())
        return QString::fromLocal8Bit(std::strerror(EISDIR));
    // A device or pipe can only be written to; replacing it would destroy it.
    if (target.exists() && !target.isFile()) {
        QFile output(path);
        if (!output.open(directMode))
            return output.errorString();
        return writeDirectly(output, writeLines);
    }

#ifdef Q_OS_UNIX
    // QSaveFile words a read-only file in its own way; keep the system's reason.
    if (target.exists() && ::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
#endif

    QSaveFile file(path);
    // Unbuffered, so a failed write is seen here and not lost in a final
    // flush whose failure commit() may not report.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    RecordWriter writer(file);
    if (!writeLines(writer) || !writer.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    syncFolderOf(path);
    return std::nullopt;
}

} // namespace ostrel
