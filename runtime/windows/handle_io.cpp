#include "runtime/windows/handle_io.h"

#include "runtime/windows/system_reason.h"

#include <algorithm>

namespace ostrel {

namespace {

// Large reads, but within what a network redirector takes in one request.
constexpr std::size_t largestRead = 16 << 20;
constexpr std::size_t largestWrite = 1 << 30;

OVERLAPPED at(std::int64_t offset)
{
    OVERLAPPED position{};
    position.Offset = DWORD(offset);
    position.OffsetHigh = DWORD(offset >> 32);
    return position;
}

} // namespace

Result<std::size_t> readAll(HANDLE handle, std::span<char> into, std::optional<std::int64_t> offset)
{
    std::size_t filled = 0;
    while (filled < into.size()) {
        OVERLAPPED position = at(offset.value_or(0) + std::int64_t(filled));
        DWORD got = 0;
        if (!::ReadFile(handle, into.data() + filled, DWORD(std::min(into.size() - filled, largestRead)), &got,
                        offset ? &position : nullptr)) {
            const DWORD error = ::GetLastError();
            // A pipe whose writer has finished ends this way.
            if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF)
                break;
            return Failure{systemReason(error)};
        }
        if (got == 0)
            break;
        filled += got;
    }
    return filled;
}

Result<void> writeAll(HANDLE handle, std::string_view bytes, std::optional<std::int64_t> offset)
{
    while (!bytes.empty()) {
        OVERLAPPED position = at(offset.value_or(0));
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data(), DWORD(std::min(bytes.size(), largestWrite)), &written,
                         offset ? &position : nullptr))
            return Failure{systemReason(::GetLastError())};
        if (written == 0)
            return Failure{systemReason(ERROR_WRITE_FAULT)};
        bytes.remove_prefix(written);
        if (offset)
            *offset += written;
    }
    return {};
}

} // namespace ostrel
