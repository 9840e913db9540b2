#include "sorting/sort_run.h"

#include "runtime/fixed_paths.h"
#include "runtime/input_file.h"
#include "runtime/message_service.h"
#include "runtime/output_file.h"
#include "runtime/standard_streams.h"
#include "sorting/record_order.h"

#include <new>

namespace ostrel {

namespace {

QString inputChangedReason()
{
    return QStringLiteral("The file shrank while it was being read");
}

class OrderedRecordLines : public OrderedLines
{
public:
    OrderedRecordLines(const InputContents &contents, const RecordOrder &records) : input(contents), order(records) {}

    qint64 count() const override { return qint64(order.records.size()); }
    QByteArrayView line(qint64 index) const override { return order.records[size_t(index)].line(input.bytes()); }
    // What was written must be what the file held throughout.
    bool stillValid() const override { return !input.truncatedWhileRead(); }

private:
    const InputContents &input;
    const RecordOrder &order;
};

SortOutcome sortContents(const QString &inputPath, const InputContents &input, const QString &outputPath)
{
    const RecordOrder order = orderRecords(input.bytes());
    if (input.truncatedWhileRead())
        return readFailedOutcome(displayInputPath(inputPath), inputChangedReason());
    if (order.firstDuplicate)
        return duplicateKeyOutcome(order.firstDuplicate->lineNumber, order.firstDuplicate->line);

    const auto failure = writeOutputFile(outputPath, OrderedRecordLines(input, order));
    if (input.truncatedWhileRead())
        return readFailedOutcome(displayInputPath(inputPath), inputChangedReason());
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
        return sortContents(inputPath, input.contents, outputPath);
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
