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
    OrderedRecordLines(const InputContents &contents, KeyedRecords &records) : input(contents), keyed(records) {}

    qint64 count() const override { return keyed.count(); }
    qint64 lineBytes() const override { return keyed.lineBytes(); }
    std::optional<LineStretch> settleNext() override { return keyed.settleNext(); }
    void settleAll() override { keyed.settleAll(); }
    QByteArrayView line(qint64 index) const override { return keyed[index].line(input.bytes()); }
    // What was written must be what the file held throughout, and a repeated
    // key refuses the whole file.
    bool stillValid() const override { return !input.truncatedWhileRead() && !keyed.duplicateFound(); }

private:
    const InputContents &input;
    KeyedRecords &keyed;
};

// The output is written while the records are still being ordered; a repeated
// key found on the way withdraws it, and outranks any failure to write.
SortOutcome sortContents(const QString &inputPath, const InputContents &input, const QString &outputPath)
{
    KeyedRecords keyed(input.bytes());
    OrderedRecordLines lines(input, keyed);
    const auto failure = writeOutputFile(outputPath, lines);
    lines.settleAll();
    if (input.truncatedWhileRead())
        return readFailedOutcome(displayInputPath(inputPath), inputChangedReason());
    if (const auto duplicate = keyed.firstDuplicate())
        return duplicateKeyOutcome(duplicate->lineNumber, duplicate->line);
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
