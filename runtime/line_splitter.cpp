#include "runtime/line_splitter.h"

namespace ostrel {

qint64 lineStartAtOrAfter(QByteArrayView data, qint64 position)
{
    if (position <= 0)
        return 0;
    if (position >= data.size())
        return data.size();
    const char before = data[position - 1];
    if (before == '\n' || (before == '\r' && data[position] != '\n'))
        return position;
    for (qint64 i = position; i < data.size(); ++i) {
        if (data[i] == '\n')
            return i + 1;
        if (data[i] == '\r')
            return i + 1 < data.size() && data[i + 1] == '\n' ? i + 2 : i + 1;
    }
    return data.size();
}

qint64 countLines(QByteArrayView data, qint64 begin, qint64 end)
{
    if (end <= begin)
        return 0;
    // Branch-free, so the compiler can test many bytes at once: a line ends at
    // every LF and at every CR that is not the first half of CR LF.
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.data());
    const qint64 withSuccessor = std::min(end, data.size() - 1);
    qint64 lines = 0;
    for (qint64 i = begin; i < withSuccessor; ++i)
        lines += (bytes[i] == '\n') | ((bytes[i] == '\r') & (bytes[i + 1] != '\n'));
    // The last byte of data ends a line whether or not it is a terminator.
    if (end == data.size())
        ++lines;
    return lines;
}

std::vector<LineSpan> splitLines(QByteArrayView data)
{
    std::vector<LineSpan> lines;
    LineScanner scanner(data, 0, data.size());
    while (const auto line = scanner.next())
        lines.push_back(*line);
    return lines;
}

} // namespace ostrel
