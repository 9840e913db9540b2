#include "runtime/parallel_file_writer.h"

#include "runtime/line_gathering.h"
#include "runtime/parallel.h"
#include "runtime/system_reason.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace ostrel {

namespace {

// Below these, threads cost more than they save.
constexpr qint64 bytesPerWorker = 16 * 1024 * 1024;
constexpr qint64 linesPerWorker = 64 * 1024;

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

// Streams the output to disk while it is written: each block is sent off at
// once, and blocks some way behind are waited for and dropped from the cache.
// The disk then works alongside the writer, dirty pages never pile up to the
// point where the system throttles the writer, and the final flush finds
// little left to do.
class WriteBehind
{
public:
    explicit WriteBehind(int file) : descriptor(file) {}
    ~WriteBehind() { settle(runEnd); }

    void written(qint64 offset, qint64 size)
    {
#ifdef Q_OS_LINUX
        ::sync_file_range(descriptor, off_t(offset), off_t(size), SYNC_FILE_RANGE_WRITE);
#endif
        // A new stretch: the last one's tail has had the time it took to
        // order this one, so it is mostly on disk already.
        if (offset != runEnd) {
            settle(runEnd);
            settled = offset;
        }
        runEnd = offset + size;
        if (runEnd - settled >= 2 * window)
            settle(runEnd - window);
    }

private:
    // Waits until everything before `end` is on disk, then drops it from the cache.
    void settle(qint64 end)
    {
#ifdef Q_OS_LINUX
        if (end <= settled)
            return;
        const qint64 length = end - settled;
        ::sync_file_range(descriptor, off_t(settled), off_t(length),
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        ::posix_fadvise(descriptor, off_t(settled), off_t(length), POSIX_FADV_DONTNEED);
#endif
        settled = end;
    }

    static constexpr qint64 window = 8 * 1024 * 1024;
    int descriptor;
    qint64 settled = 0;
    qint64 runEnd = 0;
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

} // namespace

std::optional<QString> writeLinesInParallel(int descriptor, OrderedLines &lines)
{
    const qint64 count = lines.count();
    const qint64 totalSize = lines.lineBytes() + count * qint64(sizeof lineEnd);
    if (auto failure = reserve(descriptor, totalSize))
        return failure;

    const unsigned workers = std::max(workerCount(totalSize, bytesPerWorker), workerCount(count, linesPerWorker));

    // Each block its own, not shared copies that would be copied again on first write.
    std::vector<QByteArray> blocks;
    for (unsigned w = 0; w < workers; ++w)
        blocks.emplace_back(gatherBlockSize, Qt::Uninitialized);
    std::atomic<int> firstError{0};
    std::vector<std::function<void()>> jobs;
    for (unsigned w = 0; w < workers; ++w) {
        jobs.push_back([&, w] {
            WriteBehind streaming(descriptor);
            while (const auto stretch = lines.settleNext()) {
                // The rest is still ordered: whether the input holds a repeated key must be known.
                if (firstError != 0 || !lines.stillValid())
                    continue;
                qint64 position = stretch->bytesBefore + stretch->first * qint64(sizeof lineEnd);
                const bool written = gatherLines(lines, stretch->first, stretch->last, blocks[w], [&](const char *bytes, qint64 size) {
                    if (firstError != 0 || !writeAt(descriptor, bytes, size, position))
                        return false;
                    streaming.written(position, size);
                    position += size;
                    return true;
                });
                int none = 0;
                if (!written)
                    firstError.compare_exchange_strong(none, errno ? errno : EIO);
            }
        });
    }
    runInParallel(jobs);
    if (firstError != 0)
        return systemReason(firstError);
    return std::nullopt;
}

} // namespace ostrel
