#include "runtime/line_scanner.h"
#include "support/record_order.h"

#include <doctest.h>

#include <string>
#include <vector>

using namespace std::string_literals;
using Lines = std::vector<std::string>;

TEST_CASE("lines end at CR LF, a lone LF or a lone CR")
{
    struct Row
    {
        const char *name;
        std::string data;
        Lines expected;
    };
    const Row rows[] = {
        {"empty input", "", {}},
        {"one line, no terminator", "abc", {"abc"}},
        {"one line, CR LF", "abc\r\n", {"abc"}},
        {"one line, LF", "abc\n", {"abc"}},
        {"one line, CR", "abc\r", {"abc"}},
        {"CR LF lines", "a\r\nb\r\nc", {"a", "b", "c"}},
        {"LF lines", "a\nb\nc\n", {"a", "b", "c"}},
        {"CR lines", "a\rb\rc\r", {"a", "b", "c"}},
        {"mixed terminators", "a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        // LF CR is two terminators, not one: the CR ends an empty line.
        {"LF CR is two lines", "a\n\rb", {"a", "", "b"}},
        {"CR CR LF", "a\r\r\nb", {"a", "", "b"}},
        {"terminator only", "\r\n", {""}},
        {"empty lines between", "a\n\n\nb", {"a", "", "", "b"}},
        {"NUL bytes are data", "a\0b\nc"s, {"a\0b"s, "c"}},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const std::vector<ostrel::LineSpan> spans = support::splitLines(row.data);
            Lines lines;
            for (const ostrel::LineSpan &span : spans)
                lines.push_back(row.data.substr(std::size_t(span.start), std::size_t(span.length)));
            CHECK(lines == row.expected);

            const auto size = std::int64_t(row.data.size());
            const auto count = std::int64_t(row.expected.size());
            CHECK(ostrel::countLines(row.data, 0, size) == count);
            // Work is split at line starts: counting the two sides must add up.
            std::int64_t index = 0;
            for (const ostrel::LineSpan &span : spans) {
                CAPTURE(index);
                CHECK(ostrel::lineStartAtOrAfter(row.data, span.start) == span.start);
                CHECK(ostrel::countLines(row.data, 0, span.start) == index);
                CHECK(ostrel::countLines(row.data, span.start, size) == count - index);
                ++index;
            }
        }
    }
}

TEST_CASE("a split inside a line moves to the next line start")
{
    struct Row
    {
        const char *name;
        std::string data;
        std::int64_t position;
        std::int64_t expected;
    };
    const Row rows[] = {
        {"inside a line", "abc\ndef", 1, 4},
        {"between CR and LF", "abc\r\ndef", 4, 5},
        {"after a lone CR", "abc\rdef", 4, 4},
        {"inside the last line", "abc\ndef", 5, 7},
        {"past the end", "abc", 9, 3},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name) { CHECK(ostrel::lineStartAtOrAfter(row.data, row.position) == row.expected); }
    }
}

// The search takes many bytes at a time and the rest one by one: a match
// must be found, and be the first, wherever it falls among those steps.
TEST_CASE("the search finds the first of its bytes wherever it lies")
{
    struct Row
    {
        const char *name;
        char filler;
    };
    // Bytes next to the ones searched for, and bytes with the high bit set,
    // are where a many-at-once test could go wrong.
    const Row rows[] = {{"letters around", 'x'}, {"neighbouring byte values", '\x0b'}, {"high bytes", '\x8a'}};
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            for (std::size_t size = 0; size <= 80; ++size) {
                const std::string plain(size, row.filler);
                CAPTURE(size);
                CHECK(ostrel::firstOf<'\r', '\n'>(plain.data(), plain.data() + size) == plain.data() + size);
                for (std::size_t at = 0; at < size; ++at) {
                    std::string text = plain;
                    text[at] = '\n';
                    // A later match must not be taken for the first.
                    for (std::size_t later = at + 1; later < size; later += 7)
                        text[later] = later % 2 ? '\r' : '\n';
                    CAPTURE(at);
                    CHECK(ostrel::firstOf<'\r', '\n'>(text.data(), text.data() + size) == text.data() + at);
                    CHECK(ostrel::firstOf<'\x1a'>(text.data(), text.data() + size) == text.data() + size);
                    // Bytes past the end are never looked at.
                    CHECK(ostrel::firstOf<'\r', '\n'>(text.data(), text.data() + at) == text.data() + at);
                }
            }
        }
    }
}
