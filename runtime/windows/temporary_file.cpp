#include "runtime/temporary_file.h"

#include "runtime/windows/handle_io.h"
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

    Result<void> writeAt(std::int64_t offset, std::string_view bytes) override
    {
        return writeAll(file, bytes, offset);
    }

    Result<std::size_t> readAt(std::int64_t offset, std::span<char> into) override
    {
        return readAll(file, into, offset);
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
