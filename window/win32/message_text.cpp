#include "window/win32/message_text.h"

#include "runtime/code_page.h"
#include "runtime/line_reading.h"

#include <windows.h>

#include <algorithm>

namespace ostrel {

namespace {

constexpr std::string_view lineBreak = "\r\n";
constexpr wchar_t nulSymbol = 0x2400;

// Without MB_ERR_INVALID_CHARS a byte that is not a character becomes
// U+FFFD, where a key column cut a UTF-8 character in two.
std::wstring decoded(std::string_view line, unsigned codePage)
{
    if (line.empty())
        return {};
    const int size = int(line.size());
    std::wstring text(std::size_t(::MultiByteToWideChar(codePage, 0, line.data(), size, nullptr, 0)), L'\0');
    ::MultiByteToWideChar(codePage, 0, line.data(), size, text.data(), int(text.size()));
    std::replace(text.begin(), text.end(), L'\0', nulSymbol);
    return text;
}

std::wstring lineText(std::string_view line, std::optional<unsigned> codePage)
{
    if (!codePage)
        codePage = isUtf8(line) ? utf8CodePage : systemAnsiCodePage();
    return decoded(line, *codePage);
}

} // namespace

std::wstring messageText(std::string_view message, std::optional<unsigned> recordCodePage)
{
    std::wstring text;
    std::size_t start = 0;
    for (std::size_t end; (end = message.find(lineBreak, start)) != std::string_view::npos;
         start = end + lineBreak.size())
        text += lineText(message.substr(start, end - start), recordCodePage) + L"\r\n";
    return text + lineText(message.substr(start), recordCodePage);
}

} // namespace ostrel
