#pragma once

#include <QByteArrayView>

namespace ostrel {

// The lines to write, in output order.
class OrderedLines
{
public:
    virtual ~OrderedLines() = default;
    virtual qint64 count() const = 0;
    virtual QByteArrayView line(qint64 index) const = 0;
    // Checked once everything is written: false withdraws the output.
    virtual bool stillValid() const { return true; }
};

} // namespace ostrel
