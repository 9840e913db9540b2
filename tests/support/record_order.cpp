#include "support/record_order.h"

namespace support {

std::string RecordOrder::output() const
{
    std::string bytes;
    for (const std::string_view line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

RecordOrder orderRecords(std::string_view input)
{
    ostrel::RecordSorter sorter(input);
    sorter.sortRemainingStretches();
    RecordOrder order;
    for (const ostrel::KeyedRecord &record : sorter.records())
        order.lines.push_back(record.line(input));
    order.firstRepeat = sorter.firstRepeat();
    return order;
}

std::vector<ostrel::LineSpan> splitLines(std::string_view input)
{
    std::vector<ostrel::LineSpan> lines;
    ostrel::LineScanner scanner(input, 0, std::int64_t(input.size()));
    while (const auto line = scanner.next())
        lines.push_back(*line);
    return lines;
}

} // namespace support
