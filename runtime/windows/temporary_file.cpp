#include "runtime/temporary_file.h"

#include "runtime/windows/held_file_retry.h"
#include "runtime/windows/system_reason.h"

#include <algorithm>
#include <atomic>
#include <string>

namespace ostrel {

namespace {

OVERLAPPED at(std::int64_t offset)
{
    OVERLAPPED position{};
    position.Offset = DWORD(offset);
    position.OffsetHigh = DWORD(offset >> 32);
    return position;
}

class DeletedOnClose : public TemporaryFile
{
public:
    explicit DeletedOnClose(HANDLE handle) : file(handle) {}
    ~DeletedOnClose() override { ::CloseHandle(file); }

    Result<void> writeAt(std::int64_t offset, std::string_view bytes) override
    {
        while (!bytes.empty()) {
            OVERLAPPED position = at(offset);
            DWORD written = 0;
            if (!::WriteFile(file, bytes.data(), DWORD(std::min<std::size_t>(bytes.size(), 1 << 30)), &written,
                             &position))
                return Failure{systemReason(::GetLastError())};
            if (written == 0)
                return Failure{systemReason(ERROR_WRITE_FAULT)};
            bytes.remove_prefix(written);
            offset += written;
        }
        return {};
    }

    Result<std::size_t> readAt(std::int64_t offset, std::span<char> into) override
    {
        std::size_t filled = 0;
        while (filled < into.size()) {
            OVERLAPPED position = at(offset + std::int64_t(filled));
            DWORD got = 0;
            if (!::ReadFile(file, into.data() + filled, DWORD(std::min<std::size_t>(into.size() - filled, 1 << 30)),
                            &got, &position)) {
                const DWORD error = ::GetLastError();
                if (error == ERROR_HANDLE_EOF)
                    break;
                return Failure{systemReason(error)};
            }
            if (got == 0)
                break;
            filled += got;
        }
        return filled;
    }

private:
    HANDLE file;
};

} // namespace

// Deleted by Windows when its last handle closes, also when the run is
// killed; a scanner that opens it meanwhile must share deletion.
Result<std::unique_ptr<TemporaryFile>> TemporaryFile::create(const std::filesystem::path &folder,
                                                             const HeldFileWait &wait)
{
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path place = folder.empty() ? std::filesystem::path(".") : folder;
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = 0;
    for (;;) {
        const std::wstring name = extendedPath(place / (L".~ostrel-run-" + std::to_wstring(::GetCurrentProcessId())
                                                        + L"-" + std::to_wstring(counter++) + L".tmp"));
        const Result<void> created = retryWhileHeld(wait, [&] {
            file = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                                 nullptr);
            error = file == INVALID_HANDLE_VALUE ? ::GetLastError() : 0;
            return file != INVALID_HANDLE_VALUE;
        });
        if (created)
            return std::unique_ptr<TemporaryFile>(std::make_unique<DeletedOnClose>(file));
        if (error != ERROR_FILE_EXISTS)
            return created.failure();
    }
}

} // namespace ostrel
