#include "runtime/windows/system_reason.h"

namespace ostrel {

std::string systemReason(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                              | FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    if (length == 0) {
        // Not every system has words for this one, Wine among them.
        if (error == directoryNotSupported)
            return "An operation is not supported on a directory.";
        return "Error " + std::to_string(error);
    }
    std::wstring_view reason(text, length);
    while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n' || reason.back() == L' '))
        reason.remove_suffix(1);
    std::string utf8 = utf8Text(reason);
    ::LocalFree(text);
    return utf8;
}

std::string utf8Text(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

std::wstring wideText(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(std::size_t(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), size);
    return wide;
}

std::wstring extendedPath(const std::filesystem::path &path)
{
    const std::wstring &given = path.native();
    const DWORD needed = ::GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return given;
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(given.c_str(), needed, full.data(), nullptr);
    full.resize(length);
    // Already extended, or a device such as \\.\NUL.
    if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\"))
        return full;
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

} // namespace ostrel
