#pragma once

#include <QByteArrayView>

#include <optional>

namespace ostrel {

// Lines [first, last) of the output, and the bytes of all lines before them,
// line ends not counted.
struct LineStretch
{
    qint64 first = 0;
    qint64 last = 0;
    qint64 bytesBefore = 0;
};

// The lines to write, put in output order a stretch at a time, so that writing
// can begin before the whole order is known.
class OrderedLines
{
public:
    virtual ~OrderedLines() = default;
    virtual qint64 count() const = 0;
    // The bytes of all lines, line ends not counted.
    virtual qint64 lineBytes() const = 0;
    // Orders the next stretch on the calling thread; several threads may call
    // at once. Empty once every stretch has been taken.
    virtual std::optional<LineStretch> settleNext() = 0;
    // Orders every stretch not yet taken, on all cores.
    virtual void settleAll() = 0;
    // Only for lines of a stretch already ordered.
    virtual QByteArrayView line(qint64 index) const = 0;
    // False withdraws the output; checked as stretches are written and once
    // everything is.
    virtual bool stillValid() const { return true; }
};

} // namespace ostrel
