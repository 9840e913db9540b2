#include "reference/record_by_record.h"
#include "support/random.h"
#include "support/route_files.h"
#include "support/yardstick.h"

#include <doctest.h>

#include <string>

using namespace std::string_literals;
using support::differenceInRun;
using support::routeFile;
using support::routeRecord;

// Input no route file should hold, sorted through real files: the output must
// be byte-exact, or the refusal exact, and nothing may crash.

namespace {

// Every byte a record can hold, in ascending order: all but CR, LF and Ctrl+Z.
std::string lineBytes()
{
    std::string bytes;
    for (int code = 0; code < 256; ++code) {
        if (code != '\r' && code != '\n' && code != 0x1a)
            bytes += char(code);
    }
    return bytes;
}

// Four bytes from 32 to 255, ascending with number: distinct, never a
// terminator or Ctrl+Z.
std::string fourByteLine(std::uint32_t number)
{
    std::string line(4, '\0');
    for (int i = 3; i >= 0; --i, number /= 224)
        line[std::size_t(i)] = char(32 + number % 224);
    return line;
}

} // namespace

TEST_CASE("hostile input matches record-by-record insertion")
{
    support::Random random(1);
    const std::string nul(1, '\0');
    struct Row
    {
        const char *name;
        std::string input;
    };
    const Row rows[] = {
        // Random bytes: long lines, and with terminators common, short repeating ones.
        {"arbitrary binary data", random.bytes(64 * 1024)},
        {"arbitrary binary data but Ctrl+Z", random.bytes(64 * 1024, lineBytes() + "\r\n")},
        {"arbitrary binary data, many short lines", random.bytes(4096, "\r\n\0\xff" "AB375"s)},

        {"NUL bytes in key, name and record",
         routeFile({routeRecord("AA" + nul + "1", "Nul" + nul + "Street"), routeRecord("AA" + nul + "0", nul + "Lane"),
                    std::string(200, '\0')})},
        {"NUL bytes only, one line", std::string(300, '\0')},
        {"NUL bytes only, repeated line", std::string(300, '\0') + "\n" + std::string(300, '\0')},

        // Byte order is unsigned: 0x80 and up sort after every ASCII byte.
        {"bytes above 127 in name and key",
         routeFile({routeRecord("\xc3\xa9" "01", "Caf\xc3\xa9 Stra\xc3\x9f" "e"), routeRecord("zz01", "\xff\xfe"),
                    routeRecord("\x80\x80" "01", "\x9b" "31m")})},
        {"bytes above 127 in a repeated key",
         routeFile({routeRecord("\xff" "A01", "First \xe2\x82\xac"),
                    routeRecord("\xff" "A01", "Second \xe2\x82\xac")})},
        {"escape sequences in a repeated name",
         routeRecord("AA01", "\x1b[2J\x1b]0;owned\x07") + "\n" + routeRecord("AA01", "\x1b[31mred\x1b[0m") + "\n"},

        {"empty file", ""},
        {"terminators only: one LF", "\n"},
        {"terminators only: one CR LF", "\r\n"},
        {"terminators only: two lone CRs", "\r\r"},
        {"terminators only: mixed", "\r\n\n\r\n\r"},
        {"LF CR is two terminators", "AA\n\rBB"},

        // What Windows programs put around the lines, where it should not be.
        {"Ctrl+Z only", "\x1a"},
        {"Ctrl+Z twice at the end", routeRecord("AA01", "Harbour Road") + "\r\n\x1a\x1a"},
        {"Ctrl+Z after a lone CR", "AA\r\x1a" "BB"},
        {"Ctrl+Z before the last terminator", "AA\r\nBB\x1a\r\n"},
        {"byte order mark only", "\xef\xbb\xbf"},
        {"byte order mark twice", "\xef\xbb\xbf\xef\xbb\xbf" + routeRecord("AA01", "Harbour Road")},
        {"byte order mark then Ctrl+Z", "\xef\xbb\xbf\x1a"},
        {"half a byte order mark", "\xef\xbb" "AA\r\n"},
        {"UTF-16 mark only", "\xff\xfe"},
        {"UTF-16 mark after a byte order mark", "\xef\xbb\xbf\xff\xfe" "A\0" "A\0"s},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name) { CHECK(differenceInRun(row.input, reference::sortRecordByRecord(row.input)) == ""); }
    }
}

TEST_CASE("a single 100 MB line")
{
    const std::string line = support::Random(7).bytes(100 * 1024 * 1024, lineBytes());
    CHECK(differenceInRun(line, {line + "\r\n", std::nullopt, std::string(support::sortedMessage), {}}) == "");
}

TEST_CASE("10 million one-character lines")
{
    // Only 253 one-byte keys exist, so the 254th line repeats the first key;
    // every line must still be read and keyed.
    const std::string bytes = lineBytes();
    const std::size_t lines = 10'000'000;
    std::string input;
    input.reserve(lines * 2);
    for (std::size_t i = 0; i < lines; ++i) {
        input += bytes[i % bytes.size()];
        input += i % 2 ? '\n' : '\r';
    }
    const std::string_view untilRepeat = std::string_view(input).substr(0, (bytes.size() + 1) * 2);
    CHECK(differenceInRun(input, reference::sortRecordByRecord(untilRepeat)) == "");
}

TEST_CASE("two million distinct four-byte lines")
{
    // A four-byte line is its own key, so the order is that of the numbers.
    const std::uint32_t lines = 2'000'000;
    std::string input;
    std::string output;
    input.reserve(lines * 6);
    output.reserve(lines * 6);
    for (std::uint32_t i = 0; i < lines; ++i) {
        input += fourByteLine(std::uint32_t((std::uint64_t(i) * 7919) % lines)) + "\r\n";
        output += fourByteLine(i) + "\r\n";
    }
    CHECK(differenceInRun(input, {output, std::nullopt, std::string(support::sortedMessage), {}}) == "");
}
