// Another program holding a file for a while, as a virus scanner, an indexer
// or a spreadsheet does: file_holder PATH SHARING MILLISECONDS, where
// SHARING is the FILE_SHARE_ flags it grants others, as a number.

#include <cwchar>

#include <windows.h>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 4)
        return 2;
    const auto sharing = DWORD(std::wcstoul(argv[2], nullptr, 10));
    const auto milliseconds = DWORD(std::wcstoul(argv[3], nullptr, 10));
    // The test looking whether the file is held yet may be in the way for a moment.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int tries = 0; tries < 5000 && file == INVALID_HANDLE_VALUE; ++tries) {
        file = ::CreateFileW(argv[1], GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_SHARING_VIOLATION)
            return 1;
        if (file == INVALID_HANDLE_VALUE)
            ::Sleep(1);
    }
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    ::Sleep(milliseconds);
    ::CloseHandle(file);
    return 0;
}
