#include "window/win32/message_text.h"

#include <array>
#include <optional>

namespace ostrel {

namespace {

constexpr std::string_view lineBreak = "\r\n";
constexpr wchar_t nulSymbol = 0x2400;

static_assert(sizeof(wchar_t) == 2, "Windows' wide characters are UTF-16 code units");

// Windows-1252 from 0x80 to 0x9F; elsewhere a byte is the code point of the
// same value. The five bytes the code page leaves undefined decode to the C1
// controls of the same value, as Windows itself decodes them.
constexpr std::array<wchar_t, 32> windows1252C1 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void append(std::wstring &text, char32_t code)
{
    if (code == 0) {
        text += nulSymbol;
    } else if (code < 0x10000) {
        text += wchar_t(code);
    } else {
        code -= 0x10000;
        text += wchar_t(0xD800 + (code >> 10));
        text += wchar_t(0xDC00 + (code & 0x3FF));
    }
}

// Strict UTF-8: no overlong form, no encoded surrogate, nothing past
// U+10FFFF, no character cut short.
std::optional<std::wstring> utf8Line(std::string_view line)
{
    constexpr std::array<char32_t, 5> smallest = {0, 0, 0x80, 0x800, 0x10000};
    std::wstring text;
    text.reserve(line.size());
    for (std::size_t i = 0; i < line.size();) {
        const auto lead = static_cast<unsigned char>(line[i]);
        std::size_t length = 0;
        char32_t code = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07u;
        } else {
            return std::nullopt;
        }
        if (line.size() - i < length)
            return std::nullopt;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(line[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return std::nullopt;
        append(text, code);
        i += length;
    }
    return text;
}

std::wstring windows1252Line(std::string_view line)
{
    std::wstring text;
    text.reserve(line.size());
    for (const char byte : line) {
        const auto code = static_cast<unsigned char>(byte);
        append(text, code >= 0x80 && code <= 0x9F ? windows1252C1[code - 0x80] : code);
    }
    return text;
}

std::wstring lineText(std::string_view line)
{
    std::optional<std::wstring> utf8 = utf8Line(line);
    return utf8 ? std::move(*utf8) : windows1252Line(line);
}

} // namespace

std::wstring messageText(std::string_view message)
{
    std::wstring text;
    std::size_t start = 0;
    for (std::size_t end; (end = message.find(lineBreak, start)) != std::string_view::npos;
         start = end + lineBreak.size())
        text += lineText(message.substr(start, end - start)) + L"\r\n";
    return text + lineText(message.substr(start));
}

} // namespace ostrel
