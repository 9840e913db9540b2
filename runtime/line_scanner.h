#pragma once

#include "runtime/text_survey.h"

#include <bit>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ostrel {

struct LineSpan
{
    std::int64_t start = 0;
    std::int64_t length = 0;
};

// The first of the given bytes in [from, to), or `to`. One pass for all of
// them, sixteen bytes at a time: the C libraries' own searches find one byte
// per pass, and some do that a byte at a time. Every x86-64 processor
// compares sixteen bytes in one instruction; elsewhere, byte by byte.
template <char... Bytes>
inline const char *firstOf(const char *from, const char *to)
{
#if defined(__SSE2__)
    const auto matches = [](const char *at) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
        return unsigned((_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(Bytes))) | ...));
    };
    for (; to - from >= 32; from += 32) {
        if (const unsigned found = matches(from) | matches(from + 16) << 16)
            return from + std::countr_zero(found);
    }
    if (to - from >= 16) {
        if (const unsigned found = matches(from))
            return from + std::countr_zero(found);
        from += 16;
    }
#endif
    while (from < to && ((*from != Bytes) && ...))
        ++from;
    return from;
}

// A line ends at every LF, and at every CR that is not the first half of
// CR LF. Branch-free, so that a loop of it tests many bytes at once.
constexpr bool endsLine(char byte, char next)
{
    return (byte == '\n') | ((byte == '\r') & (next != '\n'));
}

inline const char *firstTerminator(const char *from, const char *to)
{
    return firstOf<'\r', '\n'>(from, to);
}

// Walks the lines that start in [begin, end) of data; begin must be a line
// start. Lines end as endsLine has it. A terminator at the very end starts
// no further line; a last line without one is still a line.
class LineScanner
{
public:
    LineScanner(std::string_view text, std::int64_t begin, std::int64_t end)
        : data(text), position(begin), scanEnd(end)
    {
    }

    std::optional<LineSpan> next()
    {
        if (position >= scanEnd)
            return std::nullopt;
        const std::int64_t lineEnd = firstTerminator(data.data() + position, data.data() + size()) - data.data();
        const LineSpan line{position, lineEnd - position};
        const bool crLf = lineEnd + 1 < size() && data[lineEnd] == '\r' && data[lineEnd + 1] == '\n';
        position = lineEnd + (crLf ? 2 : 1);
        return line;
    }

    // Where the line after the last one returned starts.
    std::int64_t nextStart() const { return position; }

private:
    std::int64_t size() const { return std::int64_t(data.size()); }

    std::string_view data;
    std::int64_t position;
    std::int64_t scanEnd;
};

// How many lines start in [begin, end), where begin and end are line starts
// or the size of data; for an end inside a line, how many lines end before
// it. Much cheaper than walking them.
std::int64_t countLines(std::string_view data, std::int64_t begin, std::int64_t end);

// The first line start at or after position, or the size of data.
std::int64_t lineStartAtOrAfter(std::string_view data, std::int64_t position);

} // namespace ostrel
