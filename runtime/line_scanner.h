#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace ostrel {

struct LineSpan
{
    std::int64_t start = 0;
    std::int64_t length = 0;
};

// Walks the lines that start in [begin, end) of data; begin must be a line
// start. CR LF, a lone LF and a lone CR each end a line. A terminator at the
// very end starts no further line; a last line without one is still a line.
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
        // Each terminator byte is searched for only when the last one found is passed.
        if (nextCr < position)
            nextCr = find('\r');
        if (nextLf < position)
            nextLf = find('\n');
        const std::int64_t lineEnd = std::min(nextCr, nextLf);
        const LineSpan line{position, lineEnd - position};
        const bool crLf = lineEnd + 1 < size() && data[lineEnd] == '\r' && data[lineEnd + 1] == '\n';
        position = lineEnd + (crLf ? 2 : 1);
        return line;
    }

    // Where the line after the last one returned starts.
    std::int64_t nextStart() const { return position; }

private:
    std::int64_t size() const { return std::int64_t(data.size()); }
    std::int64_t find(char byte) const
    {
        const void *found = std::memchr(data.data() + position, byte, std::size_t(size() - position));
        return found ? static_cast<const char *>(found) - data.data() : size();
    }

    std::string_view data;
    std::int64_t position;
    std::int64_t scanEnd;
    std::int64_t nextCr = -1;
    std::int64_t nextLf = -1;
};

// How many lines start in [begin, end), where begin and end are line starts
// or the size of data. Much cheaper than walking them.
std::int64_t countLines(std::string_view data, std::int64_t begin, std::int64_t end);

// The first line start at or after position, or the size of data.
std::int64_t lineStartAtOrAfter(std::string_view data, std::int64_t position);

} // namespace ostrel
