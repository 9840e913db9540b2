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
    try {
        const RouteFileRead read = readRouteFile(inputPath, chosen);
        if (read.failure)
            return *read.failure;
        const RouteFile &input = read.file;

        RecordSorter sorter(input.records(), input.parts(), input.reading());
        if (sorter.refusal())
            return *input.failureSinceRead(sorter.refusal());

        const std::string_view leadingBytes = input.byteOrderMark();
        CreatedOutput created = OutputFile::create(outputPath, std::int64_t(leadingBytes.size()) + sorter.outputBytes());
        std::optional<std::string> writeFailure = std::move(created.failureReason);
        if (created.file)
            writeFailure = writeSortedRecords(sorter, leadingBytes, *created.file);

        if (auto changed = input.failureSinceRead())
            return *changed;
        if (const auto repeat = firstRepeatedRecord(sorter))
            return duplicateKeyOutcome(repeat->lineNumber, repeat->line, sorter.reading());
        if (!writeFailure)
            writeFailure = created.file->commit();
        if (writeFailure)
            return writeFailedOutcome(displayOutputPath(outputPath), *writeFailure);
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
