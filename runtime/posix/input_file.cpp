#include "runtime/input_file.h"

#include "runtime/path_text.h"
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

class ReadBytes : public InputSource
{
public:
    std::string bytes;
};

// Mapping shares the file's cached pages instead of copying them, which
// makes reading almost free.
class Mapping : public InputSource
{
public:
    Mapping(const char *mappingStart, std::size_t mappingSize, std::unique_ptr<TruncationGuard> truncationGuard)
        : start(mappingStart), size(mappingSize), guard(std::move(truncationGuard))
    {
    }
    ~Mapping() override { ::munmap(const_cast<char *>(start), size); }
    bool shrankWhileRead() const override { return guard->faulted(); }

private:
    const char *start;
    std::size_t size;
    std::unique_ptr<TruncationGuard> guard;
};

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

InputFile readWhole(int descriptor, std::size_t expected)
{
    auto source = std::make_unique<ReadBytes>();
    std::string &contents = source->bytes;
    // One byte more than the size, so the read that finds the end needs no growth.
    contents.resize(std::max(expected + 1, minimumBlock));
    std::size_t filled = 0;
    for (;;) {
        if (filled == contents.size())
            contents.resize(contents.size() * 2);
        const ssize_t got = ::read(descriptor, contents.data() + filled, contents.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return {{}, systemReason(errno)};
        if (got == 0)
            break;
        filled += std::size_t(got);
    }
    contents.resize(filled);
    const std::string_view bytes = contents;
    return {InputContents(std::move(source), bytes), std::nullopt};
}

std::optional<InputContents> mapWhole(int descriptor, std::size_t size)
{
    void *mapping = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, descriptor, 0);
    if (mapping == MAP_FAILED)
        return std::nullopt;
    const char *start = static_cast<const char *>(mapping);
    auto guard = TruncationGuard::guard(start, std::int64_t(size));
    if (!guard) {
        ::munmap(mapping, size);
        return std::nullopt;
    }
    return InputContents(std::make_unique<Mapping>(start, size, std::move(guard)), {start, size});
}

} // namespace

InputFile readInputFile(const std::filesystem::path &path)
{
    const bool standardInput = isStandardStream(path);
    const Descriptor file(standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC), !standardInput);
    if (file.number < 0)
        return {{}, systemReason(errno)};
    struct stat status = {};
    if (::fstat(file.number, &status) != 0)
        return {{}, systemReason(errno)};
    if (S_ISDIR(status.st_mode))
        return {{}, systemReason(EISDIR)};
    const bool regular = S_ISREG(status.st_mode);
    if (regular && status.st_size > 0) {
        if (auto mapped = mapWhole(file.number, std::size_t(status.st_size)))
            return {std::move(*mapped), std::nullopt};
    }
    return readWhole(file.number, regular ? std::size_t(status.st_size) : 0);
}

} // namespace ostrel
