#include "sorting/sort_run.h"

#include "runtime/fixed_paths.h"
#include "runtime/output_file.h"
#include "runtime/path_text.h"
#include "sorting/keyed_file.h"
#include "sorting/record_sort.h"
#include "sorting/repeated_keys.h"
#include "sorting/sorted_output.h"

#include <new>

namespace ostrel {

// The run: read and key, sort, write, check, commit, report. Nothing is made
// visible before all is checked: a file's temporary takes each stretch as
// soon as it is sorted, so the disk works meanwhile, and is committed last; a
// stream, which cannot take anything back, gets the records only once all
// is checked. The failures rank in this order: a file that changed while in
// use, as it may explain any other (reading ranks it so over a line it could
// not read); a repeated key, which refuses the whole file; then a failure to
// write.
SortOutcome sortRecordFile(const std::filesystem::path &inputPath, const std::filesystem::path &outputPath,
                           const ReadingChoice &chosen)
{
    const auto readFailed = [&](const Failure &failure) {
        return readFailedOutcome(displayInputPath(inputPath), failure.reason);
    };
    const auto writeFailed = [&](const Failure &failure) {
        return writeFailedOutcome(displayOutputPath(outputPath), failure.reason);
    };
    const HeldFileWait wait;
    try {
        Result<KeyedFile> input = readKeyedFile(inputPath, chosen, wait);
        if (!input)
            return readFailed(input.failure());
        RecordSort sort = planSort(*input);
        Result<std::unique_ptr<OutputFile>> output = OutputFile::create(outputPath, sort.outputBytes(), wait);
        const bool writtenWhileSorting = output && (*output)->writesAnywhere();
        Result<void> written = writtenWhileSorting ? writeWhileSorting(sort, **output) : Result<void>();
        const SortedRecords sorted = sortRemaining(sort);

        if (const Result<void> kept = input->keptThroughout(); !kept)
            return readFailed(kept.failure());
        if (const auto repeat = firstRepeatedRecord(sorted))
            return duplicateKeyOutcome(repeat->lineNumber, repeat->line, input->reading());
        if (!output)
            return writeFailed(output.failure());
        if (written && !writtenWhileSorting)
            written = writeSorted(sorted, **output);
        if (written)
            written = (*output)->commit();
        if (!written)
            return writeFailed(written.failure());
        return sortedOutcome();
    } catch (const std::bad_alloc &) {
        return outOfMemoryOutcome(displayInputPath(inputPath));
    }
}

SortOutcome SortInputFile()
{
    return sortRecordFile(inputFilePath(), outputFilePath());
}

} // namespace ostrel
