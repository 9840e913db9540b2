#pragma once

#include "sorting/sort_outcome.h"

#include <QString>

namespace ostrel {

class MessageService;

// Sorts the route records of inputPath into outputPath by key. A file with a
// repeated key, or any failure, leaves outputPath as it was. "-" stands for
// standard input or output.
SortOutcome sortRecordFile(const QString &inputPath, const QString &outputPath);

// The operator's sort run: the fixed input file into the fixed output file,
// its outcome shown through messages.
SortOutcome SortInputFile(MessageService &messages);

} // namespace ostrel
