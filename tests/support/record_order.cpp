#include "support/record_order.h"

#include "sorting/keyed_file.h"
#include "sorting/record_sort.h"

namespace support {

std::string RecordOrder::output() const
{
    std::string bytes(byteOrderMark);
    for (const std::string_view line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

RecordOrder orderRecords(std::string_view input, const ostrel::ReadingChoice &chosen)
{
    ostrel::Result<ostrel::KeyedFile> keyed = ostrel::keyFile(ostrel::InputContents(nullptr, input), chosen);
    RecordOrder order;
    if (!keyed) {
        order.unreadable = keyed.reason();
        return order;
    }
    ostrel::RecordSort sort = ostrel::planSort(*keyed);
    const ostrel::SortedRecords sorted = ostrel::sortRemaining(sort);
    order.byteOrderMark = keyed->byteOrderMark();
    order.reading = keyed->reading();
    for (const ostrel::KeyedRecord &record : sorted)
        order.lines.push_back(keyed->line(record));
    order.firstRepeat = ostrel::firstRepeatedRecord(sorted);
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
