#include "runtime/output_file.h"

#include "runtime/parallel.h"
#include "runtime/standard_streams.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <atomic>
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

constexpr qsizetype blockSize = 1024 * 1024;
constexpr qint64 bytesPerWorker = 16 * 1024 * 1024;
constexpr char lineEnd[] = {'\r', '\n'};

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A file-size limit must fail the write, not kill the process with the
// temporary file still on disk.
void ignoreFileSizeSignal()
{
#ifdef SIGXFSZ
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
#endif
}

// Lines are gathered in key order from all over the input, so without asking
// for them ahead the copy would mostly wait for memory.
constexpr qint64 prefetchDistance = 16;

void prefetch(QByteArrayView line)
{
#if defined(__GNUC__) || defined(__clang__)
    const qsizetype reach = std::min<qsizetype>(line.size(), 256);
    for (qsizetype offset = 0; offset < reach; offset += 64)
        __builtin_prefetch(line.data() + offset);
#else
    Q_UNUSED(line);
#endif
}

// Gathers lines, each with CR LF, into large blocks and hands each full block on.
// The block is the caller's, so that running out of memory happens where it
// can be reported, never inside a worker thread.
template <typename Sink>
bool gatherLines(const OrderedLines &lines, qint64 first, qint64 last, QByteArray &block, Sink &&writeBlock)
{
    qsizetype used = 0;
    const auto append = [&](const char *bytes, qsizetype size) {
        while (size > 0) {
            if (used == block.size()) {
                if (!writeBlock(block.constData(), used))
                    return false;
                used = 0;
            }
            const qsizetype chunk = std::min(size, block.size() - used);
            std::memcpy(block.data() + used, bytes, size_t(chunk));
            used += chunk;
            bytes += chunk;
            size -= chunk;
        }
        return true;
    };
    for (qint64 i = first; i < last; ++i) {
        if (i + prefetchDistance < last)
            prefetch(lines.line(i + prefetchDistance));
        const QByteArrayView line = lines.line(i);
        if (!append(line.data(), line.size()) || !append(lineEnd, sizeof lineEnd))
            return false;
    }
    return used == 0 || writeBlock(block.constData(), used);
}

std::optional<QString> writeSequentially(QFileDevice &output, const OrderedLines &lines)
{
    QByteArray block(blockSize, Qt::Uninitialized);
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

bool writeAt(int descriptor, const char *bytes, qint64 size, qint64 offset)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(descriptor, bytes, size_t(size), off_t(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= written;
        offset += written;
    }
    return true;
}

// Streams a region of the output to disk while it is written: each block is
// sent off at once, and blocks some way behind are waited for and dropped from
// the cache. The disk then works alongside the writer, dirty pages never pile
// up to the point where the system throttles the writer, and the final flush
// finds little left to do.
class WriteBehind
{
public:
    WriteBehind(int file, qint64 start) : descriptor(file), settled(start) {}

    void written(qint64 offset, qint64 size)
    {
#ifdef Q_OS_LINUX
        ::sync_file_range(descriptor, off_t(offset), off_t(size), SYNC_FILE_RANGE_WRITE);
        const qint64 end = offset + size;
        if (end - settled >= 2 * window) {
            const qint64 length = end - window - settled;
            ::sync_file_range(descriptor, off_t(settled), off_t(length),
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
            ::posix_fadvise(descriptor, off_t(settled), off_t(length), POSIX_FADV_DONTNEED);
            settled += length;
        }
#else
        Q_UNUSED(offset);
        Q_UNUSED(size);
#endif
    }

private:
    static constexpr qint64 window = 8 * 1024 * 1024;
    int descriptor;
    qint64 settled;
};

// Reserving the whole size first spares the file system from growing the file
// block by block, and a full disk is found before anything is written.
std::optional<QString> reserve(int descriptor, qint64 size)
{
#ifdef Q_OS_LINUX
    if (size > 0 && ::fallocate(descriptor, 0, 0, off_t(size)) != 0 && errno != EOPNOTSUPP && errno != ENOSYS)
        return systemReason(errno);
#else
    Q_UNUSED(descriptor);
    Q_UNUSED(size);
#endif
    return std::nullopt;
}

// Every line's place in the file is known, so each worker gathers and writes
// its own share of the lines at its own offset.
std::optional<QString> writeInParallel(int descriptor, const OrderedLines &lines)
{
    const qint64 count = lines.count();
    qint64 totalSize = 0;
    for (qint64 i = 0; i < count; ++i)
        totalSize += lines.line(i).size() + qint64(sizeof lineEnd);
    if (auto failure = reserve(descriptor, totalSize))
        return failure;

    const unsigned workers = workerCount(totalSize, bytesPerWorker);
    std::vector<qint64> firstLines(workers + 1, count);
    std::vector<qint64> offsets(workers + 1, totalSize);
    qint64 offset = 0;
    unsigned part = 0;
    for (qint64 i = 0; i < count && part < workers; ++i) {
        if (offset >= totalSize / workers * part) {
            firstLines[part] = i;
            offsets[part] = offset;
            ++part;
        }
        offset += lines.line(i).size() + qint64(sizeof lineEnd);
    }

    // Each block its own, not shared copies that would be copied again on first write.
    std::vector<QByteArray> blocks;
    for (unsigned w = 0; w < workers; ++w)
        blocks.emplace_back(blockSize, Qt::Uninitialized);
    std::atomic<int> firstError{0};
    std::vector<std::function<void()>> jobs;
    for (unsigned w = 0; w < workers; ++w) {
        jobs.push_back([&, w] {
            qint64 position = offsets[w];
            WriteBehind streaming(descriptor, position);
            const bool written = gatherLines(lines, firstLines[w], firstLines[w + 1], blocks[w], [&](const char *bytes, qint64 size) {
                if (firstError != 0 || !writeAt(descriptor, bytes, size, position))
                    return false;
                streaming.written(position, size);
                position += size;
                return true;
            });
            int none = 0;
            if (!written)
                firstError.compare_exchange_strong(none, errno ? errno : EIO);
        });
    }
    runInParallel(jobs);
    if (firstError != 0)
        return systemReason(firstError);
    return std::nullopt;
}

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

std::optional<QString> replaceFile(const QString &path, const OrderedLines &lines)
{
    QSaveFile file(path);
    // Unbuffered, so a failed write is seen here and not lost in a final
    // flush whose failure commit() may not report.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
#ifdef Q_OS_UNIX
    auto failure = writeInParallel(file.handle(), lines);
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

std::optional<QString> writeOutputFile(const QString &path, const OrderedLines &lines)
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
