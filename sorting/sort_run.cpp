#include "sorting/sort_run.h"

#include "runtime/fixed_paths.h"
#include "runtime/input_file.h"
#include "runtime/line_splitter.h"
#include "runtime/message_service.h"
#include "runtime/output_file.h"
#include "runtime/standard_streams.h"
#include "sorting/record_order.h"

#include <new>

namespace ostrel {

namespace {

SortOutcome sortContents(QByteArrayView data, const QString &outputPath)
{
    const std::vector<LineSpan> lines = splitLines(data);
    const RecordOrder order = orderRecords(data, lines);
    const auto lineText = [&](qint64 index) {
        const LineSpan &span = lines[size_t(index)];
        return data.sliced(span.start, span.length);
    };
    if (order.firstDuplicateLine)
        return duplicateKeyOutcome(*order.firstDuplicateLine + 1, lineText(*order.firstDuplicateLine));

    const auto failure = writeOutputFile(outputPath, [&](RecordWriter &writer) {
        for (const OrderedRecord &record : order.records) {
            if (!writer.writeLine(lineText(record.lineIndex)))
                return false;
        }
        return true;
    });
    if (failure)
        return writeFailedOutcome(displayOutputPath(outputPath), *failure);
    return sortedOutcome();
}

} // namespace

SortOutcome sortRecordFile(const QString &inputPath, const QString &outputPath)
{
    try {
        const InputFile input = readInputFile(inputPath);
        if (input.failureReason)
            return readFailedOutcome(displayInputPath(inputPath), *input.failureReason);
        return sortContents(input.contents, outputPath);
    } catch (const std::bad_alloc &) {
        return outOfMemoryOutcome(displayInputPath(inputPath));
    }
}

SortOutcome SortInputFile(MessageService &messages)
{
    const SortOutcome outcome = sortRecordFile(inputFilePath(), outputFilePath());
    const bool sorted = outcome.result == SortOutcome::Result::Sorted;
    messages.showMessage(outcome.message, sorted ? MessageKind::Information : MessageKind::Failure);
    return outcome;
}

} // namespace ostrel
