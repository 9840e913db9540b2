#include "runtime/output_file.h"

#include "runtime/line_gathering.h"
#include "runtime/parallel_file_writer.h"
#include "runtime/standard_streams.h"
#include "runtime/system_reason.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <mutex>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ostrel {

namespace {

// A file-size limit must fail the write, not kill the process with the
// temporary file still on disk.
void ignoreFileSizeSignal()
{
#ifdef SIGXFSZ
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
#endif
}

std::optional<QString> writeSequentially(QFileDevice &output, OrderedLines &lines)
{
    lines.settleAll();
    // Nothing reaches a stream or device that cannot be withdrawn afterwards.
    if (!lines.stillValid())
        return QString();
    QByteArray block(gatherBlockSize, Qt::Uninitialized);
    const bool written = gatherLines(lines, 0, lines.count(), block, [&](const char *bytes, qint64 size) {
        // A limit or a full disk reached part way gives a short write with no
        // error set; writing on makes the system name the reason.
        while (size > 0) {
            const qint64 done = output.write(bytes, size);
            if (done <= 0)
                return false;
            bytes += done;
            size -= done;
        }
        return true;
    });
    if (!written)
        return output.errorString();
    return std::nullopt;
}

#ifdef Q_OS_UNIX

// Makes the rename itself durable; the data were synced before it.
void syncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

#endif

std::optional<QString> replaceFile(const QString &path, OrderedLines &lines)
{
    QSaveFile file(path);
    // Unbuffered, so a failed write is seen here and not lost in a final
    // flush whose failure commit() may not report.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
#ifdef Q_OS_UNIX
    auto failure = writeLinesInParallel(file.handle(), lines);
#else
    auto failure = writeSequentially(file, lines);
#endif
    if (!failure && !lines.stillValid())
        failure = QString();
    if (failure) {
        file.cancelWriting();
        return failure;
    }
    if (!file.commit())
        return file.errorString();
#ifdef Q_OS_UNIX
    syncFolderOf(path);
#endif
    return std::nullopt;
}

} // namespace

std::optional<QString> writeOutputFile(const QString &path, OrderedLines &lines)
{
    ignoreFileSizeSignal();
    constexpr auto directMode = QIODevice::WriteOnly | QIODevice::Unbuffered;
    if (path == standardStreamPath) {
        QFile output;
        if (!output.open(fileno(stdout), directMode))
            return output.errorString();
        return writeSequentially(output, lines);
    }
    const QFileInfo target(path);
    if (target.isDir())
        return systemReason(EISDIR);
    // A device or pipe can only be written to; replacing it would destroy it.
    if (target.exists() && !target.isFile()) {
        QFile output(path);
        if (!output.open(directMode))
            return output.errorString();
        return writeSequentially(output, lines);
    }
#ifdef Q_OS_UNIX
    // QSaveFile words a read-only file in its own way; keep the system's reason.
    if (target.exists() && ::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return systemReason(errno);
#endif
    return replaceFile(path, lines);
}

} // namespace ostrel
