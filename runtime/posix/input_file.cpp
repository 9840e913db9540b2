#include "runtime/input_file.h"

#include "runtime/large_allocation.h"
#include "runtime/parallel.h"
#include "runtime/path_text.h"
#include "runtime/posix/file_watch.h"
#include "runtime/posix/system_reason.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrel {

namespace {

constexpr std::size_t minimumBlock = 64 * 1024;
constexpr std::size_t fileReadBlock = 16 * 1024 * 1024;
// Below this, threads cost more than they save.
constexpr std::int64_t bytesPerWorker = 16 * 1024 * 1024;

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

// The bytes of one input, read into memory, with the open file kept to tell
// afterwards whether it kept those bytes throughout.
class HeldInput : public InputSource
{
public:
    HeldInput(int descriptor, bool closeAtEnd) : file(descriptor, closeAtEnd) {}
    ~HeldInput() override { releaseLarge(fileBytes, fileSize, Filling::FrontToBack); }

    std::optional<std::string> failureSinceOpened() const override
    {
        if (watch && watch->changed())
            return std::string(inputChangedReason);
        return std::nullopt;
    }

    const Descriptor file;
    std::unique_ptr<FileWatch> watch; // regular files only
    char *fileBytes = nullptr;        // a regular file's
    std::size_t fileSize = 0;
    std::string copied;               // a stream's
};

std::optional<std::string> readWhole(HeldInput &input, std::size_t expected)
{
    std::string &contents = input.copied;
    // One byte more than the size, so the read that finds the end needs no growth.
    contents.resize(std::max(expected + 1, minimumBlock));
    std::size_t filled = 0;
    for (;;) {
        if (filled == contents.size())
            contents.resize(contents.size() * 2);
        const ssize_t got = ::read(input.file.number, contents.data() + filled, contents.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return systemReason(errno);
        if (got == 0)
            break;
        filled += std::size_t(got);
    }
    contents.resize(filled);
    return std::nullopt;
}

// Read rather than mapped: on a virtual machine, every page of a mapping
// costs the hypervisor a fault when first touched, and read into huge pages,
// a file arrives several times faster. The parts are read on all cores. Up
// to the size the file had when opened; a file that shrank or grew since is
// told by its watch, and only what was read whole is used.
std::optional<std::string> readRegular(HeldInput &input, std::size_t size, std::size_t &filled)
{
    input.fileBytes = static_cast<char *>(allocateLarge(size, Filling::FrontToBack));
    input.fileSize = size;
    const unsigned workers = workerCount(std::int64_t(size), bytesPerWorker);
    std::vector<std::size_t> partEnds(workers);
    std::vector<std::size_t> readTo(workers);
    std::vector<int> errors(workers, 0);
    std::vector<std::function<void()>> reads;
    for (unsigned w = 0; w < workers; ++w) {
        partEnds[w] = size * (w + 1) / workers;
        reads.push_back([&, w] {
            std::size_t at = size * w / workers;
            while (at < partEnds[w]) {
                const ssize_t got = ::pread(input.file.number, input.fileBytes + at,
                                            std::min(partEnds[w] - at, fileReadBlock), off_t(at));
                if (got < 0 && errno == EINTR)
                    continue;
                if (got <= 0) {
                    errors[w] = got < 0 ? errno : 0;
                    break;
                }
                at += std::size_t(got);
            }
            readTo[w] = at;
        });
    }
    runInParallel(reads);
    filled = 0;
    for (unsigned w = 0; w < workers; ++w) {
        if (errors[w] != 0)
            return systemReason(errors[w]);
        filled = readTo[w];
        if (readTo[w] < partEnds[w])
            break;
    }
    return std::nullopt;
}

} // namespace

InputFile readInputFile(const std::filesystem::path &path)
{
    const bool standardInput = isStandardStream(path);
    const int descriptor = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return {{}, systemReason(errno)};
    auto input = std::make_unique<HeldInput>(descriptor, !standardInput);
    auto watch = std::make_unique<FileWatch>(descriptor);
    if (watch->statusError())
        return {{}, systemReason(watch->statusError())};
    const struct stat &status = watch->status();
    if (S_ISDIR(status.st_mode))
        return {{}, systemReason(EISDIR)};
    // What a pipe or device gives is read once and is the input, whatever happens later.
    const bool regular = S_ISREG(status.st_mode);
    if (regular)
        input->watch = std::move(watch);
    const auto size = std::size_t(regular ? status.st_size : 0);
    std::string_view bytes;
    if (size > 0) {
        std::size_t filled = 0;
        if (auto failure = readRegular(*input, size, filled))
            return {{}, failure};
        bytes = {input->fileBytes, filled};
    } else {
        if (auto failure = readWhole(*input, size))
            return {{}, failure};
        bytes = input->copied;
    }
    return {InputContents(std::move(input), bytes), std::nullopt};
}

} // namespace ostrel
