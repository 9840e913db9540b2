#include "support/record_order.h"

#include "runtime/text_body.h"

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

RecordOrder orderRecords(std::string_view input, const ostrel::TextReading &chosen)
{
    const ostrel::Result<ostrel::TextBody> body = ostrel::textBody(input);
    RecordOrder order;
    if (!body) {
        order.unreadable = body.reason();
        return order;
    }
    ostrel::Result<ostrel::KeyedInput> keyed = ostrel::keyRecords(body->lines, body->parts, chosen);
    if (!keyed) {
        order.unreadable = keyed.reason();
        return order;
    }
    ostrel::RecordSorter sorter(body->lines, std::move(*keyed));
    order.byteOrderMark = body->byteOrderMark;
    order.reading = sorter.reading();
    for (const ostrel::KeyedRecord &record : sorter.sortedRecords())
        order.lines.push_back(record.line(body->lines));
    order.firstRepeat = ostrel::firstRepeatedRecord(sorter);
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
