#pragma once

#include "runtime/output_file.h"
#include "runtime/progress.h"
#include "sorting/record_sort.h"

namespace ostrel {

// Writes the byte order mark, then the records in key order, each line
// followed by CR LF, sorting the stretches on the way: each core sorts a
// stretch, writes it at its place and takes the next, so the disk is busy
// while the rest is still being sorted. For output that takes bytes at any
// offset. Fails as the first write that fails.
Result<void> writeWhileSorting(RecordSort &sort, OutputFile &output, Progress *progress = nullptr);

// The same for records already sorted, in order, from one thread.
Result<void> writeSorted(const SortedRecords &sorted, OutputFile &output, Progress *progress = nullptr);

} // namespace ostrel
