#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace ostrel {

struct BatchArguments
{
    QString inputPath;
    QString outputPath;
    std::optional<QString> usageError;
};

// Reads "tavel-sort [INPUT [OUTPUT]]"; the fixed paths stand in for what is
// left out. --help and --version print their text and end the process.
BatchArguments parseBatchArguments(const QStringList &arguments);

} // namespace ostrel
