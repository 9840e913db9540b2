#include "runtime/input_file.h"

#include "runtime/path_text.h"
#include "runtime/windows/handle_io.h"
#include "runtime/windows/held_file_retry.h"
#include "runtime/windows/system_reason.h"

#include <algorithm>
#include <cwchar>

namespace ostrel {

namespace {

constexpr std::size_t minimumBlock = 64 * 1024;

class Handle
{
public:
    Handle(HANDLE handle, bool closeAtEnd) : value(handle), owned(closeAtEnd) {}
    ~Handle()
    {
        if (owned && value != INVALID_HANDLE_VALUE && value)
            ::CloseHandle(value);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;

    const HANDLE value;

private:
    const bool owned;
};

// What changes with every write to a file.
struct FileState
{
    LONGLONG size = 0;
    LONGLONG lastWrite = 0;
    bool operator==(const FileState &) const = default;
};

std::optional<FileState> stateOf(HANDLE file)
{
    FILE_STANDARD_INFO standard{};
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof standard)
        || !::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic))
        return std::nullopt;
    return FileState{standard.EndOfFile.QuadPart, basic.LastWriteTime.QuadPart};
}

// The bytes of one input, mapped or read, with the file kept open to tell
// afterwards whether it changed.
class HeldInput : public InputSource
{
public:
    HeldInput(HANDLE handle, bool closeAtEnd) : file(handle, closeAtEnd) {}
    ~HeldInput() override
    {
        if (view)
            ::UnmapViewOfFile(view);
    }

    Result<void> keptThroughout() const override
    {
        if (atOpen && stateOf(file.value) != atOpen)
            return Failure{std::string(inputChangedReason)};
        return {};
    }

    const Handle file;
    std::optional<FileState> atOpen; // files on disk only
    const char *view = nullptr;
    std::string copied;
};

// To its end, however far that is now: a file that grew or shrank since it
// was opened is told by its state.
Result<void> readWhole(HeldInput &input, std::size_t expected)
{
    std::string &contents = input.copied;
    // One byte more than the size, so the read that finds the end needs no growth.
    contents.resize(std::max(expected + 1, minimumBlock));
    std::size_t filled = 0;
    for (;;) {
        if (filled == contents.size())
            contents.resize(contents.size() * 2);
        Result<std::size_t> got = readAll(input.file.value, {contents.data() + filled, contents.size() - filled},
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

// A network drive that fails while a mapped page is read ends the process
// with no message, where a read just fails; so does a drive that is pulled
// out. Only the machine's own fixed drives are mapped.
bool mayMap(const std::wstring &name)
{
    std::wstring volume(name.size() + 1, L'\0');
    if (!::GetVolumePathNameW(name.c_str(), volume.data(), DWORD(volume.size())))
        return false;
    volume.resize(std::wcslen(volume.c_str()));
    // The drive's type is known by its plain name (Wine knows no other).
    if (volume.starts_with(L"\\\\?\\UNC\\"))
        volume = L"\\\\" + volume.substr(8);
    else if (volume.starts_with(L"\\\\?\\") && volume.size() == 7 && volume[5] == L':')
        volume = volume.substr(4);
    const UINT type = ::GetDriveTypeW(volume.c_str());
    return type == DRIVE_FIXED || type == DRIVE_RAMDISK;
}

// Mapping shares the file's cached pages instead of copying them, which
// makes reading almost free. Windows refuses to shorten a file while a view
// of it is mapped, and a file already shorter than the size asked for is
// not mapped at all.
bool mapWhole(HeldInput &input, std::size_t size)
{
    const HANDLE mapping = ::CreateFileMappingW(input.file.value, nullptr, PAGE_READONLY, DWORD(size >> 32),
                                                DWORD(size), nullptr);
    if (!mapping)
        return false;
    // The view holds the mapping, and the mapping the file.
    input.view = static_cast<const char *>(::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    ::CloseHandle(mapping);
    return input.view != nullptr;
}

// The input, or standard input for "-". Others may go on reading, writing,
// renaming and replacing it, as an editor that has it open or saves it does.
Result<HANDLE> openInput(const std::filesystem::path &path, const HeldFileWait &wait)
{
    if (isStandardStream(path))
        return ::GetStdHandle(STD_INPUT_HANDLE);
    const std::wstring name = extendedPath(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Failure{systemReason(directoryNotSupported)};
    HANDLE file = INVALID_HANDLE_VALUE;
    const Result<void> opened = retryWhileHeld(wait, [&] {
        file = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        return file != INVALID_HANDLE_VALUE;
    });
    if (!opened)
        return opened.failure();
    return file;
}

} // namespace

Result<InputContents> readInputFile(const std::filesystem::path &path, const HeldFileWait &wait)
{
    const Result<HANDLE> opened = openInput(path, wait);
    if (!opened)
        return opened.failure();
    const bool standardInput = isStandardStream(path);
    auto input = std::make_unique<HeldInput>(*opened, !standardInput);
    const bool mappable = !standardInput && mayMap(extendedPath(path));
    // What a pipe or console gives is read once and is the input, whatever happens later.
    if (::GetFileType(input->file.value) == FILE_TYPE_DISK) {
        // Taken before the first byte is read, so that no later write goes unseen.
        input->atOpen = stateOf(input->file.value);
        if (!input->atOpen)
            return Failure{systemReason(::GetLastError())};
    }
    const auto size = std::size_t(input->atOpen ? input->atOpen->size : 0);
    std::string_view bytes;
    if (mappable && size > 0 && mapWhole(*input, size)) {
        bytes = {input->view, size};
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
    PieceReader(HANDLE handle, bool closeAtEnd) : file(handle, closeAtEnd) {}

    std::optional<std::int64_t> size() const override
    {
        return atOpen ? std::optional<std::int64_t>(atOpen->size) : std::nullopt;
    }

    Result<std::size_t> readAt(std::int64_t offset, std::span<char> into) override
    {
        return readAll(file.value, into, atOpen ? std::optional(offset) : std::nullopt);
    }

    Result<void> keptThroughout() const override
    {
        if (atOpen && stateOf(file.value) != atOpen)
            return Failure{std::string(inputChangedReason)};
        return {};
    }

    const Handle file;
    std::optional<FileState> atOpen;
};

} // namespace

Result<std::unique_ptr<InputReader>> InputReader::open(const std::filesystem::path &path, const HeldFileWait &wait)
{
    const Result<HANDLE> opened = openInput(path, wait);
    if (!opened)
        return opened.failure();
    auto reader = std::make_unique<PieceReader>(*opened, !isStandardStream(path));
    if (::GetFileType(reader->file.value) == FILE_TYPE_DISK) {
        reader->atOpen = stateOf(reader->file.value);
        if (!reader->atOpen)
            return Failure{systemReason(::GetLastError())};
    }
    return std::unique_ptr<InputReader>(std::move(reader));
}

} // namespace ostrel
