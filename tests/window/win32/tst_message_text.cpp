#include "window/win32/message_text.h"

#include <doctest.h>

#include <cstdio>
#include <optional>
#include <string>

using namespace std::string_literals;

namespace {

// The text as code points, so that a failure prints both sides readably.
std::string codeUnits(const std::wstring &text)
{
    std::string units;
    for (const wchar_t unit : text) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04X ", unsigned(unit));
        units += unit >= 0x20 && unit < 0x7F ? std::string(1, char(unit)) + ' ' : hex;
    }
    return units;
}

} // namespace

TEST_CASE("messageText")
{
    struct Row
    {
        const char *name;
        std::string message;
        std::wstring expected;
        std::optional<unsigned> recordCodePage = std::nullopt;
    };
    const Row rows[] = {
        {"CR LF breaks stay line breaks", "Failed,\r\n Line =  2\r\n Name = ", L"Failed,\r\n Line =  2\r\n Name = "},
        {"markup characters stay text", "<b>X</b> &amp;", L"<b>X</b> &amp;"},
        {"control bytes kept", "A\x1b[31m\tB", L"A\x1b[31m\tB"},
        // A box's text ends at a NUL, so it is shown by its symbol instead.
        {"NUL shown as its symbol", "A\0B"s, L"A\u2400B"},

        // Without a record's own reading: UTF-8 when valid, the ANSI code page
        // (Windows-1252 on the test machines) otherwise.
        {"UTF-8 name", "Caf\xc3\xa9", L"Caf\u00e9"},
        {"UTF-8 beyond the first plane", "\xf0\x9f\x9a\x8c", L"\U0001F68C"},
        {"Windows-1252 name", "Caf\xe9", L"Caf\u00e9"},
        {"Windows-1252 punctuation", "\x80 \x85 \x93Q\x94 \x99", L"\u20ac \u2026 \u201cQ\u201d \u2122"},
        {"Windows-1252 letters", "\x8a\x8c\x8e\x9a\x9c\x9e\x9f", L"\u0160\u0152\u017d\u0161\u0153\u017e\u0178"},
        {"bytes Windows-1252 leaves undefined kept", "\x81\x8d\x8f\x90\x9d", L"\u0081\u008d\u008f\u0090\u009d"},
        {"Windows-1252 NUL shown as its symbol", "\xe9\0"s, L"\u00e9\u2400"},
        {"byte order mark kept", "\xef\xbb\xbfX", L"\ufeffX"},
        {"overlong slash is not UTF-8", "\xc0\xaf", L"\u00c0\u00af"},
        {"overlong three bytes is not UTF-8", "\xe0\x80\xaf", L"\u00e0\u20ac\u00af"},
        {"encoded surrogate is not UTF-8", "\xed\xa0\x80", L"\u00ed\u00a0\u20ac"},
        {"beyond U+10FFFF is not UTF-8", "\xf4\x90\x80\x80", L"\u00f4\u0090\u20ac\u20ac"},
        {"character cut at the end is not UTF-8", "Z\xc3", L"Z\u00c3"},
        {"lone continuation byte is not UTF-8", "A\xa9", L"A\u00a9"},

        // A key column may cut a character that the name line still holds whole.
        {"each line decoded on its own", " Name = N\xc3\xa9\r\n Key = N\xc3", L" Name = N\u00e9\r\n Key = N\u00c3"},
        {"empty message", "", L""},
        {"empty lines kept", "\r\n\r\n", L"\r\n\r\n"},

        // With it, every line as the record was read, also where a piece alone
        // would pass for the other encoding.
        {"UTF-8 record, key cut inside a character", " Name = S\xc3\x83O\r\n Key = 0100S\xc3",
         L" Name = S\u00c3O\r\n Key = 0100S\ufffd", 65001},
        {"1252 record whose name looks like UTF-8", " Name = S\xc3\xa9\r\n Key = S\xc3", L" Name = S\u00c3\u00a9\r\n Key = S\u00c3",
         1252},
        {"Shift JIS record", " Name = \x93\x8c\x8b\x9e", L" Name = \u6771\u4eac", 932},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            CHECK(codeUnits(ostrel::messageText(row.message, row.recordCodePage)) == codeUnits(row.expected));
        }
    }
}
