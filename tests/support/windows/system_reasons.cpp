#include "support/system_reasons.h"

#include "runtime/windows/system_reason.h"

namespace support {

namespace {

std::string formatted(DWORD code)
{
    wchar_t text[512];
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                    512, nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' '))
        --length;
    if (length == 0)
        return "Error " + std::to_string(code);
    return ostrel::utf8Text({text, length});
}

} // namespace

std::string reasonText(SystemFailure failure)
{
    switch (failure) {
    case SystemFailure::FileMissing:
        return formatted(ERROR_FILE_NOT_FOUND);
    case SystemFailure::FolderMissing:
        return formatted(ERROR_PATH_NOT_FOUND);
    case SystemFailure::IsFolder: {
        // ERROR_DIRECTORY_NOT_SUPPORTED, in Windows' words where the system has none.
        const std::string text = formatted(336);
        return text == "Error 336" ? "An operation is not supported on a directory." : text;
    }
    case SystemFailure::AccessDenied:
        return formatted(ERROR_ACCESS_DENIED);
    case SystemFailure::SharingViolation:
        return formatted(ERROR_SHARING_VIOLATION);
    case SystemFailure::LinkLoop:
        return formatted(ERROR_CANT_RESOLVE_FILENAME);
    }
    return {};
}

} // namespace support
