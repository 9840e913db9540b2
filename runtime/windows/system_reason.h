#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <windows.h>

namespace ostrel {

// ERROR_DIRECTORY_NOT_SUPPORTED, which MinGW's headers lack: the reason
// given when a folder stands where a file is wanted.
inline constexpr DWORD directoryNotSupported = 336;

// Windows' own words for an error code, as UTF-8.
std::string systemReason(DWORD error);

std::string utf8Text(std::wstring_view text);
std::wstring wideText(std::string_view utf8);

// A path Windows takes at any length: absolute, with the \\?\ prefix that
// lifts the 260-character limit. Device names such as NUL keep their form.
std::wstring extendedPath(const std::filesystem::path &path);

} // namespace ostrel
