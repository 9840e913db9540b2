#include "runtime/output_file.h"

#include "runtime/flush_behind.h"
#include "runtime/path_text.h"
#include "runtime/posix/descriptor_io.h"
#include "runtime/posix/system_reason.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

namespace {

// A file-size limit must fail the write, not kill the process with the
// temporary file still on disk.
void ignoreFileSizeSignal()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGXFSZ, SIG_IGN); });
}

// Standard output, a device or a pipe: written through, in order.
class DirectOutput : public OutputFile
{
public:
    DirectOutput(int stream, bool closeAtEnd) : descriptor(stream), owned(closeAtEnd) {}
    ~DirectOutput() override
    {
        if (owned)
            ::close(descriptor);
    }

    bool writesAnywhere() const override { return false; }
    Result<void> write(std::int64_t, std::string_view bytes) override
    {
        return writeAll(descriptor, bytes, std::nullopt);
    }
    Result<void> commit() override { return {}; }

private:
    int descriptor;
    bool owned;
};

// The folder that holds the output, where its temporary file goes and which
// is synced after the rename.
std::filesystem::path folderOf(const std::filesystem::path &target)
{
    const std::filesystem::path folder = target.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// Hardens the rename against a power cut. Its failure does not fail the run:
// the sorted file is in place, its data were flushed before the rename, and
// nothing can undo the rename now; some folders cannot be synced at all
// (write but no read permission; network file systems that refuse it).
void syncFolderIfPossible(const std::filesystem::path &folder)
{
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

// Temporary files carry this mark, so that one left by a run killed at the
// wrong moment is known and cleared by the next run; a run holds a lock on
// its own while it lives.
constexpr std::string_view temporaryMark = ".~ostrel-";
constexpr std::string_view temporaryExtension = ".tmp";

// A name beside the target that no other run is using at the moment.
std::filesystem::path companionName(const std::filesystem::path &target)
{
    static std::atomic<unsigned> counter{0};
    std::filesystem::path name = target;
    name += std::string(temporaryMark) + std::to_string(::getpid()) + "-" + std::to_string(counter++)
            + std::string(temporaryExtension);
    return name;
}

bool isTemporaryOf(const std::string &targetName, const std::string &name)
{
    return name.size() > targetName.size() + temporaryMark.size() + temporaryExtension.size()
           && name.starts_with(targetName + std::string(temporaryMark)) && name.ends_with(temporaryExtension);
}

// Temporary files of earlier runs that were killed before their rename. One
// that a running sort holds is locked, and so is left alone.
void clearLeftovers(const std::filesystem::path &target)
{
    const std::string targetName = target.filename().string();
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(folderOf(target), ignored)) {
        if (!isTemporaryOf(targetName, entry.path().filename().string()))
            continue;
        const int descriptor = ::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0)
            continue;
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0)
            ::unlink(entry.path().c_str());
        ::close(descriptor);
    }
}

// Paces the output's way to disk while it is written: each block's writeback
// starts at once, so the disk works alongside the writers and the final flush
// finds little to do. An output too large to hold in memory at ease also has
// the blocks a window behind waited for and dropped from the cache, so that
// dirty pages never pile up until the system throttles them; a smaller one is
// faster left to the disk's own pace.
class WritebackPacing
{
public:
    explicit WritebackPacing(std::int64_t outputSize) : settles(outputSize > heldWhole) {}

    void written(int descriptor, std::int64_t offset, std::int64_t size) const
    {
        ::sync_file_range(descriptor, offset, size, SYNC_FILE_RANGE_WRITE);
        const std::int64_t settledFrom = std::max<std::int64_t>(0, offset - window);
        const std::int64_t settledTo = offset + size - window;
        if (!settles || settledTo <= settledFrom)
            return;
        ::sync_file_range(descriptor, settledFrom, settledTo - settledFrom,
                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        ::posix_fadvise(descriptor, settledFrom, settledTo - settledFrom, POSIX_FADV_DONTNEED);
    }

    // Written and on disk: a large output leaves nothing in the cache, where
    // it would only push out what others use; a smaller one stays, for
    // whoever opens it next.
    void flushed(int descriptor) const
    {
        if (settles)
            ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_DONTNEED);
    }

private:
    static constexpr std::int64_t heldWhole = std::int64_t(256) << 20;
    // At 8 MiB behind, the writers waited on the disk often enough to make a
    // large sort a tenth slower.
    static constexpr std::int64_t window = std::int64_t(64) << 20;
    bool settles;
};

// An open temporary file, and its name where it could not be had without one.
struct Temporary
{
    int descriptor;
    std::optional<std::filesystem::path> name;
};

// A temporary file in the target's folder. Where the file system allows, it
// has no name until commit, so not even a killed run can leave it behind.
class ReplacingOutput : public OutputFile
{
public:
    ReplacingOutput(Temporary temporary, std::filesystem::path replaced, std::int64_t size)
        : descriptor(temporary.descriptor), target(std::move(replaced)), temporaryName(std::move(temporary.name)),
          writebackPacing(size), flushBehind([file = temporary.descriptor] { ::fdatasync(file); }, size)
    {
    }
    ~ReplacingOutput() override
    {
        flushBehind.stop();
        if (descriptor >= 0)
            ::close(descriptor);
        if (temporaryName)
            ::unlink(temporaryName->c_str());
    }

    bool writesAnywhere() const override { return true; }

    Result<void> write(std::int64_t offset, std::string_view bytes) override
    {
        if (Result<void> written = writeAll(descriptor, bytes, off_t(offset)); !written)
            return written;
        writebackPacing.written(descriptor, offset, std::int64_t(bytes.size()));
        flushBehind.written(std::int64_t(bytes.size()));
        return {};
    }

    Result<void> commit() override
    {
        flushBehind.stop();
        if (::fdatasync(descriptor) != 0)
            return Failure{systemReason(errno)};
        writebackPacing.flushed(descriptor);
        if (!temporaryName) {
            if (Result<void> named = giveName(); !named)
                return named;
        }
        if (::rename(temporaryName->c_str(), target.c_str()) != 0)
            return Failure{systemReason(errno)};
        temporaryName.reset();
        ::close(std::exchange(descriptor, -1));
        syncFolderIfPossible(folderOf(target));
        return {};
    }

private:
    // A file without a name gets one beside the target, to be renamed over it.
    Result<void> giveName()
    {
        const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
        for (;;) {
            std::filesystem::path name = companionName(target);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                temporaryName = std::move(name);
                return {};
            }
            if (errno != EEXIST)
                return Failure{systemReason(errno)};
        }
    }

    int descriptor;
    std::filesystem::path target;
    std::optional<std::filesystem::path> temporaryName;
    WritebackPacing writebackPacing;
    FlushBehind flushBehind;
};

// The file a path names, symbolic links followed, so that replacing it
// updates the file the link points at and keeps the link; also when that
// file is yet to be made. ELOOP for a loop of links.
std::optional<std::filesystem::path> resolvedTarget(const std::filesystem::path &path)
{
    std::filesystem::path target = path;
    char link[PATH_MAX];
    for (int hops = 0; hops < 40; ++hops) {
        const ssize_t length = ::readlink(target.c_str(), link, sizeof link);
        if (length < 0)
            return target;
        const std::filesystem::path pointsAt(std::string(link, std::size_t(length)));
        target = pointsAt.is_absolute() ? pointsAt : folderOf(target) / pointsAt;
    }
    return std::nullopt;
}

Result<Temporary> createTemporary(const std::filesystem::path &target, const struct stat *existing)
{
    const mode_t mode = existing ? existing->st_mode & 07777 : 0666;
    Temporary temporary{::open(folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode), std::nullopt};
    if (temporary.descriptor < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // No unnamed files here: a named one, removed again on failure.
        do {
            temporary.name = companionName(target);
            temporary.descriptor = ::open(temporary.name->c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
        } while (temporary.descriptor < 0 && errno == EEXIST);
    }
    if (temporary.descriptor < 0)
        return Failure{systemReason(errno)};
    // Locked before it has a name, where it can be had without one.
    ::flock(temporary.descriptor, LOCK_EX);
    if (existing) {
        // Creation applied the umask; an existing file keeps its mode and, where allowed, its owner.
        ::fchmod(temporary.descriptor, existing->st_mode & 07777);
        [[maybe_unused]] const int ownerKept = ::fchown(temporary.descriptor, existing->st_uid, existing->st_gid);
    }
    return temporary;
}

// Reserving the whole size first spares the file system from growing the file
// block by block, and a full disk or a size limit is found before anything is written.
Result<void> reserve(int descriptor, std::int64_t size)
{
    if (size > 0 && ::fallocate(descriptor, 0, 0, off_t(size)) != 0 && errno != EOPNOTSUPP && errno != ENOSYS)
        return Failure{systemReason(errno)};
    return {};
}

} // namespace

// Nothing here refuses a file for being open elsewhere, so nothing waits.
Result<std::unique_ptr<OutputFile>> OutputFile::create(const std::filesystem::path &path, std::int64_t size,
                                                       const HeldFileWait &)
{
    ignoreFileSizeSignal();
    if (isStandardStream(path))
        return std::make_unique<DirectOutput>(STDOUT_FILENO, false);

    const std::optional<std::filesystem::path> resolved = resolvedTarget(path);
    if (!resolved)
        return Failure{systemReason(ELOOP)};
    const std::filesystem::path &target = *resolved;
    struct stat status = {};
    const bool exists = ::stat(target.c_str(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode))
        return Failure{systemReason(EISDIR)};
    // A device or pipe can only be written to; replacing it would destroy it.
    if (exists && !S_ISREG(status.st_mode)) {
        const int descriptor = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (descriptor < 0)
            return Failure{systemReason(errno)};
        return std::make_unique<DirectOutput>(descriptor, true);
    }
    // Replacing a file the operator may not write would be allowed by the
    // folder, but is not what the file's permissions say.
    if (exists && ::access(target.c_str(), W_OK) != 0)
        return Failure{systemReason(errno)};

    clearLeftovers(target);
    Result<Temporary> temporary = createTemporary(target, exists ? &status : nullptr);
    if (!temporary)
        return temporary.failure();
    const int descriptor = temporary->descriptor;
    auto output = std::make_unique<ReplacingOutput>(std::move(*temporary), target, size);
    if (Result<void> reserved = reserve(descriptor, size); !reserved)
        return reserved.failure();
    return output;
}

} // namespace ostrel
