#pragma once

#include <QByteArrayView>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace ostrel {

struct LineSpan
{
    qint64 start = 0;
    qint64 length = 0;
};

// Walks the lines that start in [begin, end) of data; begin must be a line
// start. CR LF, a lone LF and a lone CR each end a line. A terminator at the
// very end starts no further line; a last line without one is still a line.
class LineScanner
{
public:
    LineScanner(QByteArrayView text, qint64 begin, qint64 end)
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
        const qint64 lineEnd = std::min(nextCr, nextLf);
        const LineSpan line{position, lineEnd - position};
        const bool crLf = lineEnd + 1 < data.size() && data[lineEnd] == '\r' && data[lineEnd + 1] == '\n';
        position = lineEnd + (crLf ? 2 : 1);
        return line;
    }

private:
    qint64 find(char byte) const
    {
        const void *found = std::memchr(data.data() + position, byte, size_t(data.size() - position));
        return found ? static_cast<const char *>(found) - data.data() : data.size();
    }

    QByteArrayView data;
    qint64 position;
    qint64 scanEnd;
    qint64 nextCr = -1;
    qint64 nextLf = -1;
};

// How many lines start in [begin, end), where begin and end are line starts
// or the size of data. Much cheaper than walking them.
qint64 countLines(QByteArrayView data, qint64 begin, qint64 end);

// The first line start at or after position, or the size of data.
qint64 lineStartAtOrAfter(QByteArrayView data, qint64 position);

std::vector<LineSpan> splitLines(QByteArrayView data);

} // namespace ostrel
