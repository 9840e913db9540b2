#include "sorting/sort_run.h"

#include "runtime/fixed_paths.h"
#include "runtime/input_file.h"
#include "runtime/output_file.h"
#include "runtime/path_text.h"
#include "sorting/record_sorter.h"
#include "sorting/sorted_output.h"

#include <new>

namespace ostrel {

namespace {

// What was written must be what the file held throughout, and a repeated key
// refuses the whole file; either outranks a failure to write, which they may
// have caused or hidden.
SortOutcome sortContents(const std::filesystem::path &inputPath, const InputContents &input,
                         const std::filesystem::path &outputPath)
{
    RecordSorter sorter(input.bytes());
    CreatedOutput created = OutputFile::create(outputPath, sorter.outputBytes());
    std::optional<std::string> writeFailure = std::move(created.failureReason);
    if (created.file)
        writeFailure = writeSortedRecords(sorter, *created.file);
    sorter.sortRemainingStretches();

    if (input.shrankWhileRead())
        return inputShrankOutcome(displayInputPath(inputPath));
    if (const auto repeat = sorter.firstRepeat())
        return duplicateKeyOutcome(repeat->lineNumber, repeat->line);
    if (!writeFailure)
        writeFailure = created.file->commit();
    if (writeFailure)
        return writeFailedOutcome(displayOutputPath(outputPath), *writeFailure);
    return sortedOutcome();
}

} // namespace

SortOutcome sortRecordFile(const std::filesystem::path &inputPath, const std::filesystem::path &outputPath)
{
    try {
        const InputFile input = readInputFile(inputPath);
        if (input.failureReason)
            return readFailedOutcome(displayInputPath(inputPath), *input.failureReason);
        return sortContents(inputPath, input.contents, outputPath);
    } catch (const std::bad_alloc &) {
        return outOfMemoryOutcome(displayInputPath(inputPath));
    }
}

SortOutcome SortInputFile()
{
    return sortRecordFile(inputFilePath(), outputFilePath());
}

} // namespace ostrel
