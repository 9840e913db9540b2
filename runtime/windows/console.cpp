#include "runtime/console.h"

#include "runtime/windows/system_reason.h"

namespace ostrel {

namespace {

HANDLE handleOf(StandardStream stream)
{
    return ::GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

} // namespace

bool isTerminal(StandardStream stream)
{
    DWORD mode = 0;
    return ::GetConsoleMode(handleOf(stream), &mode) != 0;
}

// A console shows UTF-16 whatever its code page; redirected, the bytes go as
// they are.
void writeText(StandardStream stream, std::string_view text)
{
    const HANDLE handle = handleOf(stream);
    DWORD mode = 0;
    if (::GetConsoleMode(handle, &mode)) {
        const std::wstring wide = wideText(text);
        DWORD written = 0;
        ::WriteConsoleW(handle, wide.data(), DWORD(wide.size()), &written, nullptr);
        return;
    }
    while (!text.empty()) {
        DWORD written = 0;
        if (!::WriteFile(handle, text.data(), DWORD(std::min<std::size_t>(text.size(), 1 << 30)), &written, nullptr)
            || written == 0)
            return;
        text.remove_prefix(written);
    }
}

} // namespace ostrel
