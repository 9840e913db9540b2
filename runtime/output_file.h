#pragma once

#include "runtime/ordered_lines.h"

#include <QString>

#include <optional>

namespace ostrel {

// Writes each line followed by CR LF. A file is replaced atomically: the lines
// go to a temporary file in the same folder, which is flushed to disk and then
// renamed over the old file; on any failure the old file stays as it was and
// the temporary file is removed. Standard output ("-"), devices and pipes are
// written directly. Returns the system's reason on failure, after which some
// stretches of lines may not be ordered yet.
std::optional<QString> writeOutputFile(const QString &path, OrderedLines &lines);

} // namespace ostrel
