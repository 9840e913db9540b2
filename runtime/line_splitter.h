#pragma once

#include <QByteArrayView>

#include <vector>

namespace ostrel {

struct LineSpan
{
    qint64 start = 0;
    qint64 length = 0;
};

// CR LF, a lone LF and a lone CR each end a line. A terminator at the very end
// starts no further line; a last line without one is still a line.
std::vector<LineSpan> splitLines(QByteArrayView data);

} // namespace ostrel
