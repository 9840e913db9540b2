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

std::vector<LineSpan> splitLines(QByteArrayView data)
{
    std::vector<LineSpan> lines;
    LineScanner scanner(data, 0, data.size());
    while (const auto line = scanner.next())
        lines.push_back(*line);
    return lines;
}

} // namespace ostrel
