#include "sorting/sort_run.h"

#include "runtime/fixed_paths.h"
#include "runtime/output_file.h"
#include "runtime/path_text.h"
#include "sorting/record_sort.h"
#include "sorting/repeated_keys.h"
#include "sorting/sorted_output.h"

#include <new>

namespace ostrel {

namespace {

// A file that fits in the memory is one run, sorted in place. A file's
// temporary takes each stretch as soon as it is sorted, so the disk works
// meanwhile, and is committed last; a stream, which cannot take anything
// back, gets the records only once all is checked.
SortOutcome sortWhole(KeyedFile &input, const RunPaths &paths, const HeldFileWait &wait, Progress *progress)
{
    beginStep(progress, Progress::Step::Sorting, 0);
    RecordSort sort = planSort(input);
    Result<std::unique_ptr<OutputFile>> output = OutputFile::create(paths.output, sort.outputBytes(), wait);
    const bool writtenWhileSorting = output && (*output)->writesAnywhere();
    Result<void> written = writtenWhileSorting ? writeWhileSorting(sort, **output, progress) : Result<void>();
    const SortedRecords sorted = sortRemaining(sort);

    if (const Result<void> kept = input.keptThroughout(); !kept)
        return paths.readFailed(kept.failure());
    if (const auto repeat = firstRepeatedRecord(sorted))
        return duplicateKeyOutcome(repeat->lineNumber, repeat->line, input.reading());
    if (!output)
        return paths.writeFailed(output.failure());
    if (written && !writtenWhileSorting)
        written = writeSorted(sorted, **output, progress);
    if (written)
        written = (*output)->commit();
    if (!written)
        return paths.writeFailed(written.failure());
    return sortedOutcome();
}

// A file too large for the memory: its sorted runs merged into the output.
// A stream is merged twice, once to check and once to write.
SortOutcome sortInRuns(KeyedPieces &input, SortedRuns &runs, const RunPaths &paths, const HeldFileWait &wait,
                       Progress *progress)
{
    if (const std::optional<SortOutcome> failed = writeSortedRuns(input, runs, paths, progress))
        return *failed;
    const TextReading reading = input.reading();
    const std::string_view mark = input.byteOrderMark();
    Result<std::unique_ptr<OutputFile>> output =
        OutputFile::create(paths.output, std::int64_t(mark.size()) + runs.outputBytes(), wait);
    const bool writtenWhileMerging = output && (*output)->writesAnywhere();
    Result<SortedRuns::Merged> merged =
        runs.merge(reading, writtenWhileMerging ? output->get() : nullptr, mark, false, progress);

    if (const Result<void> kept = input.keptThroughout(); !kept)
        return paths.readFailed(kept.failure());
    if (!merged)
        return paths.writeFailed(merged.failure());
    if (!merged->repeats.empty()) {
        const MergedRepeat &repeat = merged->repeats.front();
        return duplicateKeyOutcome(repeat.lineNumber, repeat.line, reading);
    }
    if (!output)
        return paths.writeFailed(output.failure());
    Result<void> written;
    if (!writtenWhileMerging) {
        if (Result<SortedRuns::Merged> again = runs.merge(reading, output->get(), mark, false, progress); !again)
            written = again.failure();
    }
    if (written)
        written = (*output)->commit();
    if (!written)
        return paths.writeFailed(written.failure());
    return sortedOutcome();
}

// The lines' count is told by the first piece. The output, beside the runs
// on the same drive, needs its own room.
std::int64_t spaceNeeded(const KeyedPiece &first, std::int64_t inputBytes, const RunPaths &paths)
{
    const double linesPerByte = double(first.lineStarts.size()) / double(std::max<std::int64_t>(first.bytes, 1));
    return SortedRuns::sizeFor(inputBytes, linesPerByte) + (paths.runsBesideOutput ? inputBytes : 0);
}

} // namespace

RunPaths RunPaths::of(const std::filesystem::path &input, const std::filesystem::path &output,
                      const RunSettings &settings)
{
    const bool toFile = !output.empty() && !isStandardStream(output);
    std::filesystem::path runs = settings.temporaryFolder;
    if (runs.empty() && toFile)
        runs = output.has_parent_path() ? output.parent_path() : std::filesystem::path(".");
    std::error_code unknown;
    if (runs.empty())
        runs = std::filesystem::temp_directory_path(unknown);
    return {input, output, runs, settings.temporaryFolder.empty() && toFile};
}

SortOutcome RunPaths::readFailed(const Failure &failure) const
{
    return readFailedOutcome(displayInputPath(input), failure.reason);
}

SortOutcome RunPaths::writeFailed(const Failure &failure) const
{
    return writeFailedOutcome(displayOutputPath(output), failure.reason);
}

SortOutcome RunPaths::runsFailed(const Failure &failure) const
{
    return writeFailedOutcome(displayOutputPath(runs), failure.reason);
}

// Each piece is sorted as it is read and written as a run. A piece read
// before the whole file showed how its lines read may have been keyed
// otherwise; then all are keyed again.
std::optional<SortOutcome> writeSortedRuns(KeyedPieces &input, SortedRuns &runs, const RunPaths &paths,
                                           Progress *progress)
{
    for (;;) {
        beginStep(progress, Progress::Step::Sorting, *input.size());
        for (;;) {
            Result<std::optional<KeyedPiece>> piece = input.next();
            if (!piece) {
                const Result<void> kept = input.keptThroughout();
                return paths.readFailed(kept ? piece.failure() : kept.failure());
            }
            if (!*piece)
                break;
            if (runs.count() == 0) {
                if (Result<void> room = runs.checkSpace(spaceNeeded(**piece, *input.size(), paths)); !room)
                    return paths.runsFailed(room.failure());
            }
            RecordSort sort = planSort((*piece)->file);
            if (Result<void> added = runs.add(sortRemaining(sort), (*piece)->lineStarts, (*piece)->firstLineNumber);
                !added)
                return paths.runsFailed(added.failure());
            advanceStep(progress, (*piece)->bytes);
        }
        if (input.keyedAsRead())
            return std::nullopt;
        input.restart();
        runs.clear();
    }
}

SortOutcome sortRecordFile(const std::filesystem::path &inputPath, const std::filesystem::path &outputPath,
                           const ReadingChoice &chosen, const RunSettings &settings)
{
    const RunPaths paths = RunPaths::of(inputPath, outputPath, settings);
    const HeldFileWait wait;
    try {
        const std::int64_t memory = settings.memoryBound();
        beginStep(settings.progress, Progress::Step::Reading, 0);
        Result<std::unique_ptr<KeyedPieces>> input = KeyedPieces::open(inputPath, chosen, memory, paths.runs, wait);
        if (!input)
            return paths.readFailed(input.failure());
        if ((*input)->whole())
            return sortWhole(*(*input)->whole(), paths, wait, settings.progress);
        SortedRuns runs(paths.runs, wait, memory);
        return sortInRuns(**input, runs, paths, wait, settings.progress);
    } catch (const std::bad_alloc &) {
        return outOfMemoryOutcome(displayInputPath(inputPath));
    }
}

SortOutcome SortInputFile(Progress *progress)
{
    return sortRecordFile(inputFilePath(), outputFilePath(), systemChoice(), {std::nullopt, {}, progress});
}

} // namespace ostrel
