#pragma once

#include "runtime/output_file.h"
#include "sorting/record_sorter.h"

#include <string_view>

namespace ostrel {

// Writes leadingBytes, then the records in key order, each line followed by
// CR LF, sorting the stretches on the way: each core sorts a stretch, writes
// it at its place and takes the next, so the disk is busy while the rest is
// still being sorted. Output that takes its bytes in order only gets them
// once all are sorted, and none where a key repeats, as nothing sent there
// could be taken back. Fails as the first write that fails.
Result<void> writeSortedRecords(RecordSorter &sorter, std::string_view leadingBytes, OutputFile &output);

} // namespace ostrel
