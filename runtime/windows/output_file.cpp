#include "runtime/output_file.h"

#include "runtime/flush_behind.h"
#include "runtime/path_text.h"
#include "runtime/windows/handle_io.h"
#include "runtime/windows/held_file_retry.h"
#include "runtime/windows/system_reason.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

namespace ostrel {

namespace {

// Temporary files carry this mark, so that one left by a run killed at the
// wrong moment is known and cleared by the next run.
constexpr std::wstring_view temporaryMark = L".~ostrel-";
constexpr std::wstring_view temporaryExtension = L".tmp";

Failure lastFailure()
{
    return {systemReason(::GetLastError())};
}

// The temporary file, whose handle is overlapped: on a synchronous one,
// Windows would let one call at a time through, and neither the writers
// nor the flush behind them would overlap.
Result<void> writeAt(HANDLE handle, std::string_view bytes, std::int64_t offset)
{
    // Each call waits on an event of its own, as writers call from several threads at once.
    const std::unique_ptr<void, decltype(&::CloseHandle)> done(::CreateEventW(nullptr, TRUE, FALSE, nullptr),
                                                               ::CloseHandle);
    if (!done)
        return lastFailure();
    while (!bytes.empty()) {
        OVERLAPPED position{};
        position.Offset = DWORD(offset);
        position.OffsetHigh = DWORD(offset >> 32);
        position.hEvent = done.get();
        DWORD written = 0;
        const DWORD chunk = DWORD(std::min<std::size_t>(bytes.size(), 1 << 30));
        if ((!::WriteFile(handle, bytes.data(), chunk, nullptr, &position) && ::GetLastError() != ERROR_IO_PENDING)
            || !::GetOverlappedResult(handle, &position, &written, TRUE))
            return lastFailure();
        if (written == 0)
            return Failure{systemReason(ERROR_WRITE_FAULT)};
        bytes.remove_prefix(written);
        offset += written;
    }
    return {};
}

// Standard output, a device or a pipe: written through, in order.
class DirectOutput : public OutputFile
{
public:
    DirectOutput(HANDLE stream, bool closeAtEnd) : handle(stream), owned(closeAtEnd) {}
    ~DirectOutput() override
    {
        if (owned)
            ::CloseHandle(handle);
    }

    bool writesAnywhere() const override { return false; }
    Result<void> write(std::int64_t, std::string_view bytes) override { return writeAll(handle, bytes, std::nullopt); }
    Result<void> commit() override { return {}; }

private:
    HANDLE handle;
    bool owned;
};

bool markForDeletion(HANDLE handle, bool deleteAtClose)
{
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleteAtClose;
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
}

std::wstring companionName(const std::wstring &target, std::wstring_view kind)
{
    static std::atomic<unsigned> counter{0};
    return target + std::wstring(temporaryMark) + std::wstring(kind) + std::to_wstring(::GetCurrentProcessId()) + L"-"
           + std::to_wstring(counter++) + std::wstring(temporaryExtension);
}

// What stays held past the wait is left: it carries the mark, and a later
// run clears it.
void removeFile(const HeldFileWait &wait, const std::wstring &path)
{
    static_cast<void>(retryWhileHeld(wait, [&] { return ::DeleteFileW(path.c_str()); }));
}

// Temporary files of earlier runs that were killed between giving their file
// a name and renaming it. One that a running sort holds open cannot be
// deleted, and so is left alone.
void clearLeftovers(const HeldFileWait &wait, const std::wstring &target)
{
    WIN32_FIND_DATAW found;
    const std::wstring pattern = target + std::wstring(temporaryMark) + L"*" + std::wstring(temporaryExtension);
    const HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    const std::wstring folder = target.substr(0, target.find_last_of(L'\\') + 1);
    do {
        removeFile(wait, folder + found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

// A temporary file in the target's folder, marked to be deleted when it is
// closed, so that it never outlives the run, whatever ends it.
class ReplacingOutput : public OutputFile
{
public:
    ReplacingOutput(HANDLE temporary, std::wstring temporaryName, std::wstring target, bool targetExists,
                    std::int64_t size, const HeldFileWait &runWait)
        : handle(temporary), temporaryPath(std::move(temporaryName)), targetPath(std::move(target)),
          replacing(targetExists), wait(runWait), flushBehind([temporary] { ::FlushFileBuffers(temporary); }, size)
    {
    }
    ~ReplacingOutput() override
    {
        flushBehind.stop();
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
        if (!committed)
            removeFile(wait, temporaryPath);
    }

    bool writesAnywhere() const override { return true; }

    Result<void> write(std::int64_t offset, std::string_view bytes) override
    {
        if (Result<void> written = writeAt(handle, bytes, offset); !written)
            return written;
        flushBehind.written(std::int64_t(bytes.size()));
        return {};
    }

    Result<void> commit() override
    {
        flushBehind.stop();
        if (!::FlushFileBuffers(handle) || !markForDeletion(handle, false))
            return lastFailure();
        ::CloseHandle(std::exchange(handle, INVALID_HANDLE_VALUE));
        if (Result<void> renamed = replacing ? replaceTarget() : moveToTarget(); !renamed)
            return renamed;
        committed = true;
        return {};
    }

private:
    Result<void> moveToTarget()
    {
        return retryWhileHeld(wait, [&] {
            return ::MoveFileExW(temporaryPath.c_str(), targetPath.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        });
    }

    // Keeps the old file's attributes and security. The old file is kept as a
    // backup until the new one stands, so no failure can lose both.
    Result<void> replaceTarget()
    {
        const std::wstring backup = companionName(targetPath, L"old-");
        const Result<void> replaced = retryWhileHeld(wait, [&] {
            return ::ReplaceFileW(targetPath.c_str(), temporaryPath.c_str(), backup.c_str(),
                                  REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
        });
        if (replaced) {
            removeFile(wait, backup);
        } else if (::GetFileAttributesW(targetPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
            // The old file went to the backup but the new one could not follow: put it back.
            static_cast<void>(retryWhileHeld(wait, [&] {
                return ::MoveFileExW(backup.c_str(), targetPath.c_str(), MOVEFILE_WRITE_THROUGH);
            }));
        }
        return replaced;
    }

    HANDLE handle;
    std::wstring temporaryPath;
    std::wstring targetPath;
    bool replacing;
    bool committed = false;
    // A copy is the same deadline: the commit waits within the run's time.
    HeldFileWait wait;
    FlushBehind flushBehind;
};

} // namespace

Result<std::unique_ptr<OutputFile>> OutputFile::create(const std::filesystem::path &path, std::int64_t size,
                                                       const HeldFileWait &wait)
{
    if (isStandardStream(path))
        return std::make_unique<DirectOutput>(::GetStdHandle(STD_OUTPUT_HANDLE), false);

    const std::wstring target = extendedPath(path);
    // A device such as NUL or COM1 can only be written to.
    if (target.starts_with(L"\\\\.\\")) {
        const HANDLE device = ::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr);
        if (device == INVALID_HANDLE_VALUE)
            return lastFailure();
        return std::make_unique<DirectOutput>(device, true);
    }
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Failure{systemReason(directoryNotSupported)};
    // Marked read-only, the old file is the operator's to release: no wait lets it go.
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY))
        return Failure{systemReason(ERROR_ACCESS_DENIED)};
    if (exists) {
        // Replacing needs the old file not held by a program that shares it
        // with nobody, as a spreadsheet does.
        HANDLE old = INVALID_HANDLE_VALUE;
        const Result<void> opened = retryWhileHeld(wait, [&] {
            old = ::CreateFileW(target.c_str(), GENERIC_WRITE | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
            return old != INVALID_HANDLE_VALUE;
        });
        if (!opened)
            return opened.failure();
        ::CloseHandle(old);
    }

    clearLeftovers(wait, target);
    const std::wstring temporaryName = companionName(target, L"");
    const HANDLE temporary = ::CreateFileW(temporaryName.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (temporary == INVALID_HANDLE_VALUE)
        return lastFailure();
    auto output = std::make_unique<ReplacingOutput>(temporary, temporaryName, target, exists, size, wait);
    if (!markForDeletion(temporary, true))
        return lastFailure();
    // Reserving the whole size first finds a full disk before anything is written.
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = size;
    if (size > 0 && !::SetFileInformationByHandle(temporary, FileEndOfFileInfo, &end, sizeof end))
        return lastFailure();
    return output;
}

} // namespace ostrel
