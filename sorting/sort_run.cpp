#include "sorting/sort_run.h"

#include "runtime/fixed_paths.h"
#include "runtime/output_file.h"
#include "runtime/path_text.h"
#include "sorting/record_sorter.h"
#include "sorting/repeated_keys.h"
#include "sorting/route_file.h"
#include "sorting/sorted_output.h"

#include <new>

namespace ostrel {

// The run: read, key, write in key order (sorting on the way), commit. What
// was written must be what the file held throughout, and a repeated key
// refuses the whole file; either outranks a failure to write, which they may
// have caused or hidden. All is known before the commit, which alone makes
// the output visible.
SortOutcome sortRecordFile(const std::filesystem::path &inputPath, const std::filesystem::path &outputPath,
                           const TextReading &chosen)
{
    const auto readFailed = [&](const Failure &failure) {
        return readFailedOutcome(displayInputPath(inputPath), failure.reason);
    };
    try {
        const Result<RouteFile> input = readRouteFile(inputPath);
        if (!input)
            return readFailed(input.failure());

        Result<KeyedInput> keyed = input->keyRecords(chosen);
        if (!keyed)
            return readFailed(keyed.failure());
        RecordSorter sorter(input->records(), std::move(*keyed));

        const std::string_view leadingBytes = input->byteOrderMark();
        Result<std::unique_ptr<OutputFile>> output =
            OutputFile::create(outputPath, std::int64_t(leadingBytes.size()) + sorter.outputBytes(), HeldFileWait());
        Result<void> written = output ? writeSortedRecords(sorter, leadingBytes, **output) : output.failure();

        if (const Result<void> kept = input->keptThroughout(); !kept)
            return readFailed(kept.failure());
        if (const auto repeat = firstRepeatedRecord(sorter))
            return duplicateKeyOutcome(repeat->lineNumber, repeat->line, sorter.reading());
        if (written)
            written = (*output)->commit();
        if (!written)
            return writeFailedOutcome(displayOutputPath(outputPath), written.reason());
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
