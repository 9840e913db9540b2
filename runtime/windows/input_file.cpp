#include "runtime/input_file.h"

#include "runtime/large_allocation.h"
#include "runtime/path_text.h"
#include "runtime/windows/held_file_retry.h"
#include "runtime/windows/system_reason.h"

#include <cwchar>

namespace ostrel {

namespace {

constexpr DWORD readBlock = 1 << 20;
// Large reads, but within what a network redirector takes in one request.
constexpr DWORD fileReadBlock = 16 << 20;

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

// The bytes of one input, mapped or read into memory of their own, with the
// file kept open to tell afterwards whether it changed.
class HeldInput : public InputSource
{
public:
    HeldInput(HANDLE handle, bool closeAtEnd) : file(handle, closeAtEnd) {}
    ~HeldInput() override
    {
        if (view)
            ::UnmapViewOfFile(view);
        releaseLarge(memory, reserved);
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
    char *memory = nullptr;
    std::size_t reserved = 0;
    std::string streamed;
};

// A pipe or a console, whose size is not known beforehand.
Result<void> readStream(HeldInput &input)
{
    std::string &contents = input.streamed;
    std::size_t filled = 0;
    for (;;) {
        contents.resize(filled + readBlock);
        DWORD got = 0;
        if (!::ReadFile(input.file.value, contents.data() + filled, readBlock, &got, nullptr)) {
            const DWORD error = ::GetLastError();
            // A pipe whose writer has finished ends this way.
            if (error == ERROR_BROKEN_PIPE)
                break;
            return Failure{systemReason(error)};
        }
        if (got == 0)
            break;
        filled += got;
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
bool mapDiskFile(HeldInput &input)
{
    const auto size = std::uint64_t(input.atOpen->size);
    if (size == 0)
        return false;
    const HANDLE mapping = ::CreateFileMappingW(input.file.value, nullptr, PAGE_READONLY, DWORD(size >> 32),
                                                DWORD(size), nullptr);
    if (!mapping)
        return false;
    // The view holds the mapping, and the mapping the file.
    input.view = static_cast<const char *>(::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    ::CloseHandle(mapping);
    return input.view != nullptr;
}

// Up to the size the file had when opened; a file that grew or shrank since
// is told by its state.
Result<void> readDiskFile(HeldInput &input, std::size_t &filled)
{
    input.reserved = std::size_t(input.atOpen->size);
    input.memory = static_cast<char *>(allocateLarge(input.reserved));
    filled = 0;
    while (filled < input.reserved) {
        const DWORD wanted = DWORD(std::min<std::size_t>(input.reserved - filled, fileReadBlock));
        DWORD got = 0;
        if (!::ReadFile(input.file.value, input.memory + filled, wanted, &got, nullptr))
            return Failure{systemReason(::GetLastError())};
        if (got == 0)
            break;
        filled += got;
    }
    return {};
}

} // namespace

Result<InputContents> readInputFile(const std::filesystem::path &path, const HeldFileWait &wait)
{
    std::unique_ptr<HeldInput> input;
    bool mappable = false;
    if (isStandardStream(path)) {
        input = std::make_unique<HeldInput>(::GetStdHandle(STD_INPUT_HANDLE), false);
    } else {
        const std::wstring name = extendedPath(path);
        mappable = mayMap(name);
        const DWORD attributes = ::GetFileAttributesW(name.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return Failure{systemReason(directoryNotSupported)};
        // Others may go on reading, writing, renaming and replacing it, as an
        // editor that has it open or saves it does.
        HANDLE file = INVALID_HANDLE_VALUE;
        const Result<void> opened = retryWhileHeld(wait, [&] {
            file = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
            return file != INVALID_HANDLE_VALUE;
        });
        if (!opened)
            return opened.failure();
        input = std::make_unique<HeldInput>(file, true);
    }
    std::string_view bytes;
    if (::GetFileType(input->file.value) == FILE_TYPE_DISK) {
        // Taken before the first byte is read, so that no later write goes unseen.
        input->atOpen = stateOf(input->file.value);
        if (!input->atOpen)
            return Failure{systemReason(::GetLastError())};
        if (mappable && mapDiskFile(*input)) {
            bytes = {input->view, std::size_t(input->atOpen->size)};
        } else {
            std::size_t filled = 0;
            if (Result<void> read = readDiskFile(*input, filled); !read)
                return read.failure();
            bytes = {input->memory, filled};
        }
    } else {
        if (Result<void> read = readStream(*input); !read)
            return read.failure();
        bytes = input->streamed;
    }
    return InputContents(std::move(input), bytes);
}

} // namespace ostrel
