#include "reference/record_by_record.h"
#include "runtime/line_splitter.h"
#include "runtime/output_file.h"
#include "sorting/record_order.h"
#include "sorting/sort_outcome.h"

#include <QBuffer>

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
    const std::vector<ostrel::LineSpan> spans = ostrel::splitLines(data);
    const ostrel::RecordOrder order = ostrel::orderRecords(data, spans);
    const auto lineText = [&](qint64 index) {
        return data.sliced(spans[size_t(index)].start, spans[size_t(index)].length);
    };
    if (order.firstDuplicateLine) {
        const qint64 line = *order.firstDuplicateLine;
        return {{}, line + 1, ostrel::duplicateKeyOutcome(line + 1, lineText(line)).message};
    }
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    ostrel::RecordWriter writer(output);
    for (const ostrel::OrderedRecord &record : order.records) {
        if (!writer.writeLine(lineText(record.lineIndex)))
            fail("writing to memory failed", {}, {});
    }
    if (!writer.flush())
        fail("flushing to memory failed", {}, {});
    return {output.data(), std::nullopt, ostrel::sortedOutcome().message};
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
