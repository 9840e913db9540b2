#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace ostrel {

struct SortOutcome
{
    enum class Result { Sorted, DuplicateKey, ReadFailed, WriteFailed, OutOfMemory };

    Result result = Result::Sorted;
    // The operator's message: CR LF between its lines, record bytes as read.
    QByteArray message;
};

SortOutcome sortedOutcome();
SortOutcome duplicateKeyOutcome(qint64 lineNumber, QByteArrayView line);
SortOutcome readFailedOutcome(const QString &displayPath, const QString &reason);
SortOutcome writeFailedOutcome(const QString &displayPath, const QString &reason);
SortOutcome outOfMemoryOutcome(const QString &displayInputPath);

} // namespace ostrel
