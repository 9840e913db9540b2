#pragma once

#include "runtime/ordered_lines.h"

#include <QString>

#include <optional>

namespace ostrel {

// Every line's place in the file is known, so each worker gathers and writes
// its own share of the lines at its own offset of the open file. Returns the
// system's reason on failure.
std::optional<QString> writeLinesInParallel(int descriptor, const OrderedLines &lines);

} // namespace ostrel
