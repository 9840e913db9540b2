#include "runtime/temporary_file.h"

#include "runtime/windows/held_file_retry.h"
#include "runtime/windows/system_reason.h"

#include <algorithm>
#include <atomic>
#include <string>

namespace ostrel {

namespace {

class DeletedOnClose : public TemporaryFile
{
public:
    explicit DeletedOnClose(HANDLE handle) : file(handle) {}
    ~DeletedOnClose() override { ::CloseHandle(file); }

    Result<void> append(std::string_view bytes) override
    {
        while (!bytes.empty()) {
            DWORD written = 0;
            if (!::WriteFile(file, bytes.data(), DWORD(std::min<std::size_t>(bytes.size(), 1 << 30)), &written,
                             nullptr))
                return Failure{systemReason(::GetLastError())};
            if (written == 0)
                return Failure{systemReason(ERROR_WRITE_FAULT)};
            bytes.remove_prefix(written);
        }
        return {};
    }

    // Reading moves the file's position, so appending goes back to the end.
    Result<std::size_t> readAt(std::int64_t offset, std::span<char> into) override
    {
        std::size_t filled = 0;
        Result<std::size_t> result = filled;
        while (filled < into.size()) {
            OVERLAPPED position{};
            position.Offset = DWORD(offset + std::int64_t(filled));
            position.OffsetHigh = DWORD((offset + std::int64_t(filled)) >> 32);
            DWORD got = 0;
            if (!::ReadFile(file, into.data() + filled, DWORD(std::min<std::size_t>(into.size() - filled, 1 << 30)),
                            &got, &position)) {
                const DWORD error = ::GetLastError();
                if (error != ERROR_HANDLE_EOF)
                    result = Failure{systemReason(error)};
                break;
            }
            if (got == 0)
                break;
            filled += got;
        }
        LARGE_INTEGER end{};
        if (!::SetFilePointerEx(file, end, nullptr, FILE_END) && result)
            result = Failure{systemReason(::GetLastError())};
        return result ? Result<std::size_t>(filled) : result;
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
