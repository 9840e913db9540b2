#include "runtime/input_file.h"

#include "runtime/path_text.h"
#include "runtime/windows/system_reason.h"

namespace ostrel {

namespace {

constexpr DWORD readBlock = 1 << 20;

class ReadBytes : public InputSource
{
public:
    std::string bytes;
};

// Windows refuses to shorten a file while a view of it is mapped, so what is
// mapped stays what was read.
class MappedView : public InputSource
{
public:
    explicit MappedView(const void *view) : start(view) {}
    ~MappedView() override { ::UnmapViewOfFile(start); }

private:
    const void *start;
};

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

InputFile readWhole(HANDLE file)
{
    auto source = std::make_unique<ReadBytes>();
    std::string &contents = source->bytes;
    std::size_t filled = 0;
    for (;;) {
        contents.resize(filled + readBlock);
        DWORD got = 0;
        if (!::ReadFile(file, contents.data() + filled, readBlock, &got, nullptr)) {
            const DWORD error = ::GetLastError();
            // A pipe whose writer has finished ends this way.
            if (error == ERROR_BROKEN_PIPE)
                break;
            return {{}, systemReason(error)};
        }
        if (got == 0)
            break;
        filled += got;
    }
    contents.resize(filled);
    const std::string_view bytes = contents;
    return {InputContents(std::move(source), bytes), std::nullopt};
}

std::optional<InputContents> mapWhole(HANDLE file)
{
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size))
        return std::nullopt;
    if (size.QuadPart == 0)
        return InputContents();
    const HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        return std::nullopt;
    // The view holds the mapping, and the mapping the file.
    const void *view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    ::CloseHandle(mapping);
    if (!view)
        return std::nullopt;
    return InputContents(std::make_unique<MappedView>(view),
                         {static_cast<const char *>(view), std::size_t(size.QuadPart)});
}

} // namespace

InputFile readInputFile(const std::filesystem::path &path)
{
    if (isStandardStream(path)) {
        const Handle input(::GetStdHandle(STD_INPUT_HANDLE), false);
        return readWhole(input.value);
    }
    const std::wstring name = extendedPath(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {{}, systemReason(directoryNotSupported)};
    // Others may go on reading and writing it, as an editor that has it open does.
    const Handle file(::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr),
                      true);
    if (file.value == INVALID_HANDLE_VALUE)
        return {{}, systemReason(::GetLastError())};
    if (::GetFileType(file.value) == FILE_TYPE_DISK) {
        if (auto mapped = mapWhole(file.value))
            return {std::move(*mapped), std::nullopt};
    }
    return readWhole(file.value);
}

} // namespace ostrel
