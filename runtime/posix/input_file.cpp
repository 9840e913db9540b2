#include "runtime/input_file.h"

#include "runtime/path_text.h"
#include "runtime/posix/file_watch.h"
#include "runtime/posix/descriptor_io.h"
#include "runtime/posix/system_reason.h"
#include "runtime/posix/truncation_guard.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

namespace {

constexpr std::size_t minimumBlock = 64 * 1024;

class Descriptor
{
public:
    Descriptor(int descriptor, bool closeAtEnd) : number(descriptor), owned(closeAtEnd) {}
    ~Descriptor()
    {
        if (owned && number >= 0)
            ::close(number);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    const int number;

private:
    const bool owned;
};

// The bytes of one input, mapped or read, with the open file kept to tell
// afterwards whether it kept those bytes throughout.
class HeldInput : public InputSource
{
public:
    HeldInput(int descriptor, bool closeAtEnd) : file(descriptor, closeAtEnd) {}
    ~HeldInput() override
    {
        guard.reset();
        if (mapped)
            ::munmap(const_cast<char *>(mapped), mappedSize);
    }

    Result<void> keptThroughout() const override
    {
        if (watch && watch->changed())
            return Failure{std::string(inputChangedReason)};
        // Pages that could not be read from a file that did not change: the
        // disk or the network failed.
        if (guard && guard->faulted())
            return Failure{systemReason(EIO)};
        return {};
    }

    const Descriptor file;
    std::unique_ptr<FileWatch> watch; // regular files only
    // Mapping shares the file's cached pages instead of copying them, which
    // makes reading almost free.
    const char *mapped = nullptr;
    std::size_t mappedSize = 0;
    std::unique_ptr<TruncationGuard> guard;
    std::string copied;
};

Result<void> readWhole(HeldInput &input, std::size_t expected)
{
    std::string &contents = input.copied;
    // One byte more than the size, so the read that finds the end needs no growth.
    contents.resize(std::max(expected + 1, minimumBlock));
    std::size_t filled = 0;
    for (;;) {
        if (filled == contents.size())
            contents.resize(contents.size() * 2);
        Result<std::size_t> got = readAll(input.file.number, {contents.data() + filled, contents.size() - filled},
                                          std::nullopt);
        if (!got)
            return got.failure();
        filled += *got;
        if (filled < contents.size())
            break;
    }
    contents.resize(filled);
    return {};
}

// Not filled up front: the first pass over the bytes, on all cores, brings
// them in faster than one thread filling the mapping would.
bool mapWhole(HeldInput &input, std::size_t size)
{
    void *mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, input.file.number, 0);
    if (mapping == MAP_FAILED)
        return false;
    input.mapped = static_cast<const char *>(mapping);
    input.mappedSize = size;
    input.guard = TruncationGuard::guard(input.mapped, std::int64_t(size));
    if (!input.guard) {
        ::munmap(mapping, size);
        input.mapped = nullptr;
        return false;
    }
    return true;
}

// The input's descriptor, or standard input's for "-"; negative on failure.
int openInput(const std::filesystem::path &path)
{
    return isStandardStream(path) ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
}

// A watch on the input, taken before its first byte is read; a folder is no input.
Result<std::unique_ptr<FileWatch>> watchInput(int descriptor)
{
    Result<std::unique_ptr<FileWatch>> watch = FileWatch::start(descriptor);
    if (watch && S_ISDIR((*watch)->status().st_mode))
        return Failure{systemReason(EISDIR)};
    return watch;
}

} // namespace

// Nothing here refuses a file for being open elsewhere, so nothing waits.
Result<InputContents> readInputFile(const std::filesystem::path &path, const HeldFileWait &)
{
    const bool standardInput = isStandardStream(path);
    const int descriptor = openInput(path);
    if (descriptor < 0)
        return Failure{systemReason(errno)};
    auto input = std::make_unique<HeldInput>(descriptor, !standardInput);
    Result<std::unique_ptr<FileWatch>> watch = watchInput(descriptor);
    if (!watch)
        return watch.failure();
    const struct stat &status = (*watch)->status();
    // What a pipe or device gives is read once and is the input, whatever happens later.
    const bool regular = S_ISREG(status.st_mode);
    if (regular)
        input->watch = std::move(*watch);
    const auto size = std::size_t(regular ? status.st_size : 0);
    std::string_view bytes;
    if (size > 0 && mapWhole(*input, size)) {
        bytes = {input->mapped, size};
    } else {
        if (Result<void> read = readWhole(*input, size); !read)
            return read.failure();
        bytes = input->copied;
    }
    return InputContents(std::move(input), bytes);
}

namespace {

class PieceReader : public InputReader
{
public:
    PieceReader(int descriptor, bool closeAtEnd) : file(descriptor, closeAtEnd) {}

    std::optional<std::int64_t> size() const override { return fileSize; }

    Result<std::size_t> readAt(std::int64_t offset, std::span<char> into) override
    {
        return readAll(file.number, into, fileSize ? std::optional(off_t(offset)) : std::nullopt);
    }

    Result<void> keptThroughout() const override
    {
        if (watch && watch->changed())
            return Failure{std::string(inputChangedReason)};
        return {};
    }

    const Descriptor file;
    std::unique_ptr<FileWatch> watch;
    std::optional<std::int64_t> fileSize;
};

} // namespace

Result<std::unique_ptr<InputReader>> InputReader::open(const std::filesystem::path &path, const HeldFileWait &)
{
    const bool standardInput = isStandardStream(path);
    const int descriptor = openInput(path);
    if (descriptor < 0)
        return Failure{systemReason(errno)};
    auto reader = std::make_unique<PieceReader>(descriptor, !standardInput);
    Result<std::unique_ptr<FileWatch>> watch = watchInput(descriptor);
    if (!watch)
        return watch.failure();
    const struct stat &status = (*watch)->status();
    if (S_ISREG(status.st_mode)) {
        reader->fileSize = std::int64_t(status.st_size);
        reader->watch = std::move(*watch);
    }
    return std::unique_ptr<InputReader>(std::move(reader));
}

} // namespace ostrel
