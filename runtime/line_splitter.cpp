#include "runtime/line_splitter.h"

#include <algorithm>
#include <cstring>

namespace ostrel {

namespace {

qint64 findByte(QByteArrayView data, qint64 from, char byte)
{
    const void *found = std::memchr(data.data() + from, byte, size_t(data.size() - from));
    return found ? static_cast<const char *>(found) - data.data() : data.size();
}

qint64 lineCountBound(QByteArrayView data)
{
    const auto isTerminator = [](char c) { return c == '\n' || c == '\r'; };
    return std::count_if(data.begin(), data.end(), isTerminator) + 1;
}

} // namespace

std::vector<LineSpan> splitLines(QByteArrayView data)
{
    std::vector<LineSpan> lines;
    if (data.isEmpty())
        return lines;
    // Sized once up front: growing by doubling would briefly need half as much again.
    lines.reserve(size_t(lineCountBound(data)));

    const qint64 size = data.size();
    qint64 nextCr = -1;
    qint64 nextLf = -1;
    qint64 position = 0;
    while (position < size) {
        if (nextCr < position)
            nextCr = findByte(data, position, '\r');
        if (nextLf < position)
            nextLf = findByte(data, position, '\n');
        const qint64 end = std::min(nextCr, nextLf);
        lines.push_back({position, end - position});
        if (end == size)
            break;
        const bool crLf = data[end] == '\r' && end + 1 < size && data[end + 1] == '\n';
        position = end + (crLf ? 2 : 1);
    }
    return lines;
}

} // namespace ostrel
