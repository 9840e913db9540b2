#pragma once

#include "runtime/ordered_lines.h"

#include <QString>

#include <optional>

namespace ostrel {

// Each stretch's place in the file is known before it is ordered, so every
// worker orders a stretch, writes it at its own offset of the open file and
// goes on to the next: the disk is busy while the rest is still being
// ordered. Returns the system's reason on failure.
std::optional<QString> writeLinesInParallel(int descriptor, OrderedLines &lines);

} // namespace ostrel
