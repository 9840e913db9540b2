#include "reference/record_by_record.h"
#include "sorting/record_order.h"
#include "sorting/sort_outcome.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, const QByteArray &engine, const QByteArray &expected)
{
    std::fprintf(stderr, "sort engine: %s\n engine:   %s\n expected: %s\n", what, engine.toHex(' ').constData(),
                 expected.toHex(' ').constData());
    std::abort();
}

// The engine's in-memory path, from bytes to the bytes it would write.
reference::SortResult sortWithEngine(QByteArrayView data)
{
    const ostrel::RecordOrder order = ostrel::orderRecords(data);
    if (const auto &duplicate = order.firstDuplicate) {
        return {{}, duplicate->lineNumber,
                ostrel::duplicateKeyOutcome(duplicate->lineNumber, duplicate->line).message};
    }
    QByteArray output;
    for (const ostrel::OrderedRecord &record : order.records)
        output += record.line(data).toByteArray() + "\r\n";
    return {output, std::nullopt, ostrel::sortedOutcome().message};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArrayView data(reinterpret_cast<const char *>(bytes), qsizetype(size));
    const reference::SortResult expected = reference::sortRecordByRecord(data);
    const reference::SortResult engine = sortWithEngine(data);
    if (engine.failedLine != expected.failedLine)
        fail("different failure line", QByteArray::number(engine.failedLine.value_or(0)),
             QByteArray::number(expected.failedLine.value_or(0)));
    if (engine.message != expected.message)
        fail("different message", engine.message, expected.message);
    if (engine.output != expected.output)
        fail("different output", engine.output, expected.output);
    return 0;
}
