#include "sorting/sort_outcome.h"

#include "runtime/columns.h"
#include "sorting/record_key.h"

namespace ostrel {

namespace {

const QByteArray lineBreak = QByteArrayLiteral("\r\n");

SortOutcome fileFailure(SortOutcome::Result result, QByteArrayView heading,
                        const QString &displayPath, const QString &reason)
{
    return {result, heading.toByteArray() + lineBreak + " File = " + displayPath.toUtf8() + lineBreak
                        + " Reason = " + reason.toUtf8()};
}

} // namespace

SortOutcome sortedOutcome()
{
    return {SortOutcome::Result::Sorted, QByteArrayLiteral("Route Records were sorted.")};
}

SortOutcome duplicateKeyOutcome(qint64 lineNumber, QByteArrayView line)
{
    QByteArray message = "Failed Sort - duplicate keys, " + lineBreak;
    message += " Line = " + numberText(lineNumber) + lineBreak;
    message += " Name = " + recordName(line).toByteArray() + lineBreak;
    message += " Key = " + BuildRecordKey(line).view().toByteArray();
    return {SortOutcome::Result::DuplicateKey, message};
}

SortOutcome readFailedOutcome(const QString &displayPath, const QString &reason)
{
    return fileFailure(SortOutcome::Result::ReadFailed, "Failed Sort - cannot read input file, ",
                       displayPath, reason);
}

SortOutcome writeFailedOutcome(const QString &displayPath, const QString &reason)
{
    return fileFailure(SortOutcome::Result::WriteFailed, "Failed Sort - cannot write output file, ",
                       displayPath, reason);
}

SortOutcome outOfMemoryOutcome(const QString &displayInputPath)
{
    return {SortOutcome::Result::OutOfMemory,
            "Failed Sort - not enough memory, " + lineBreak + " File = " + displayInputPath.toUtf8()};
}

} // namespace ostrel
