#include "runtime/posix/descriptor_io.h"

#include "runtime/posix/system_reason.h"

#include <cerrno>

#include <unistd.h>

namespace ostrel {

Result<std::size_t> readAll(int descriptor, std::span<char> into, std::optional<off_t> offset)
{
    std::size_t filled = 0;
    while (filled < into.size()) {
        const ssize_t got = offset ? ::pread(descriptor, into.data() + filled, into.size() - filled,
                                             *offset + off_t(filled))
                                   : ::read(descriptor, into.data() + filled, into.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return Failure{systemReason(errno)};
        if (got == 0)
            break;
        filled += std::size_t(got);
    }
    return filled;
}

Result<void> writeAll(int descriptor, std::string_view bytes, std::optional<off_t> offset)
{
    while (!bytes.empty()) {
        const ssize_t written = offset ? ::pwrite(descriptor, bytes.data(), bytes.size(), *offset)
                                       : ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return Failure{systemReason(errno)};
        if (written == 0)
            return Failure{systemReason(EIO)};
        bytes.remove_prefix(std::size_t(written));
        if (offset)
            *offset += written;
    }
    return {};
}

} // namespace ostrel
