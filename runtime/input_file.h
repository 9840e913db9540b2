#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace ostrel {

struct InputFile
{
    QByteArray contents;
    std::optional<QString> failureReason;
};

// Reads the whole file, or standard input for "-", into memory in one piece.
// Throws std::bad_alloc when it does not fit.
InputFile readInputFile(const QString &path);

} // namespace ostrel
