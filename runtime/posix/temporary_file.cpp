#include "runtime/temporary_file.h"

#include "runtime/posix/descriptor_io.h"
#include "runtime/posix/system_reason.h"

#include <atomic>
#include <cerrno>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace ostrel {

namespace {

class UnnamedFile : public TemporaryFile
{
public:
    explicit UnnamedFile(int descriptor) : file(descriptor) {}
    ~UnnamedFile() override { ::close(file); }

    Result<void> writeAt(std::int64_t offset, std::string_view bytes) override
    {
        return writeAll(file, bytes, off_t(offset));
    }

    Result<std::size_t> readAt(std::int64_t offset, std::span<char> into) override
    {
        return readAll(file, into, off_t(offset));
    }

private:
    int file;
};

} // namespace

// Nothing here refuses a file for being open elsewhere, so nothing waits.
Result<std::unique_ptr<TemporaryFile>> TemporaryFile::create(const std::filesystem::path &folder, const HeldFileWait &)
{
    const std::filesystem::path place = folder.empty() ? std::filesystem::path(".") : folder;
    int descriptor = ::open(place.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // No unnamed files here: the name goes the moment the file is open.
        static std::atomic<unsigned> counter{0};
        do {
            const std::filesystem::path name =
                place / (".~ostrel-run-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp");
            descriptor = ::open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
            if (descriptor >= 0)
                ::unlink(name.c_str());
        } while (descriptor < 0 && errno == EEXIST);
    }
    if (descriptor < 0)
        return Failure{systemReason(errno)};
    return std::unique_ptr<TemporaryFile>(std::make_unique<UnnamedFile>(descriptor));
}

} // namespace ostrel
