#include "runtime/line_scanner.h"

#include <algorithm>

namespace ostrel {

std::int64_t lineStartAtOrAfter(std::string_view data, std::int64_t position)
{
    const auto size = std::int64_t(data.size());
    if (position <= 0)
        return 0;
    if (position >= size)
        return size;
    if (endsLine(data[position - 1], data[position]))
        return position;
    // From inside a line, the scan runs to that line's end.
    LineScanner scanner(data, position, size);
    scanner.next();
    return std::min(scanner.nextStart(), size);
}

std::int64_t countLines(std::string_view data, std::int64_t begin, std::int64_t end)
{
    if (end <= begin)
        return 0;
    const char *bytes = data.data();
    const auto size = std::int64_t(data.size());
    const std::int64_t withSuccessor = std::min(end, size - 1);
    std::int64_t lines = 0;
    for (std::int64_t i = begin; i < withSuccessor; ++i)
        lines += endsLine(bytes[i], bytes[i + 1]);
    // The last byte of data ends a line whether or not it is a terminator.
    if (end == size)
        ++lines;
    return lines;
}

} // namespace ostrel
