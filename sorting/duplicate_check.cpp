#include "sorting/duplicate_check.h"

#include "runtime/code_page.h"
#include "runtime/path_text.h"
#include "sorting/keyed_file.h"
#include "sorting/record_key.h"
#include "sorting/record_sort.h"
#include "sorting/repeated_keys.h"
#include "sorting/sort_outcome.h"
#include "sorting/sort_run.h"

#include <new>

namespace ostrel {

namespace {

std::string repeatText(const RepeatedRecord &repeat, const TextReading &reading)
{
    std::string text = "Line " + std::to_string(repeat.lineNumber) + " repeats line "
                       + std::to_string(repeat.firstLineNumber) + ": Name = ";
    text += recordName(repeat.line, reading);
    text += "; Key = ";
    text += recordKeyText(repeat.line, reading);
    return text;
}

std::string linesText(std::int64_t lines)
{
    return std::to_string(lines) + (lines == 1 ? " line" : " lines");
}

// So that the operator sees what was assumed of lines that are not ASCII.
std::string readingText(const LineCounts &counts, const TextReading &reading)
{
    std::vector<std::string> ways;
    if (counts.utf8Characters > 0)
        ways.push_back(linesText(counts.utf8Characters) + " as UTF-8 counting characters");
    if (counts.utf8Bytes > 0)
        ways.push_back(linesText(counts.utf8Bytes) + " as UTF-8 counting bytes");
    if (counts.ansi > 0) {
        const bool byBytes =
            isDoubleByteCodePage(reading.chosen.ansiCodePage) && reading.chosen.columns == ColumnUnit::Bytes;
        ways.push_back(linesText(counts.ansi) + " in code page " + std::to_string(reading.chosen.ansiCodePage)
                       + (byBytes ? " counting bytes" : ""));
    }
    std::string text = "Read other than as ASCII: ";
    for (std::size_t i = 0; i < ways.size(); ++i)
        text += (i == 0 ? "" : ", ") + ways[i];
    return text;
}

std::string summaryText(std::int64_t records, std::size_t repeats)
{
    std::string text = std::to_string(records) + (records == 1 ? " record, " : " records, ");
    if (repeats == 0)
        return text + "no repeated keys";
    return text + std::to_string(repeats) + (repeats == 1 ? " repeats an earlier key" : " repeat an earlier key");
}

DuplicateCheck failed(DuplicateCheck::Kind kind, SortOutcome outcome)
{
    return {kind, std::move(outcome.message)};
}

DuplicateCheck report(const std::vector<RepeatedRecord> &repeats, std::int64_t records, const LineCounts &counts,
                      const TextReading &reading)
{
    DuplicateCheck check{repeats.empty() ? DuplicateCheck::Kind::NoRepeats : DuplicateCheck::Kind::Repeats, {}};
    for (const RepeatedRecord &repeat : repeats)
        check.report += repeatText(repeat, reading) + "\r\n";
    check.report += summaryText(records, repeats.size());
    if (counts.utf8Characters + counts.utf8Bytes + counts.ansi > 0)
        check.report += "\r\n" + readingText(counts, reading);
    return check;
}

// Every repeat of a file too large for the memory, from merging its runs.
DuplicateCheck checkRuns(KeyedPieces &input, SortedRuns &runs, const RunPaths &paths, Progress *progress)
{
    if (const std::optional<SortOutcome> failed = writeSortedRuns(input, runs, paths, progress))
        return {failed->kind == SortOutcome::Kind::ReadFailed ? DuplicateCheck::Kind::ReadFailed
                                                               : DuplicateCheck::Kind::WriteFailed,
                failed->message};
    const TextReading reading = input.reading();
    Result<SortedRuns::Merged> merged = runs.merge(reading, nullptr, {}, true, progress);
    if (const Result<void> kept = input.keptThroughout(); !kept)
        return failed(DuplicateCheck::Kind::ReadFailed, paths.readFailed(kept.failure()));
    if (!merged)
        return failed(DuplicateCheck::Kind::WriteFailed, paths.runsFailed(merged.failure()));
    std::vector<RepeatedRecord> repeats;
    for (const MergedRepeat &repeat : merged->repeats)
        repeats.push_back({repeat.lineNumber, repeat.firstLineNumber, repeat.line});
    return report(repeats, runs.recordCount(), input.lineCounts(), reading);
}

} // namespace

DuplicateCheck checkRepeatedKeys(const std::filesystem::path &inputPath, const ReadingChoice &chosen,
                                 const RunSettings &settings)
{
    const RunPaths paths = RunPaths::of(inputPath, {}, settings);
    const HeldFileWait wait;
    try {
        const std::int64_t memory = settings.memoryBound();
        beginStep(settings.progress, Progress::Step::Reading, 0);
        Result<std::unique_ptr<KeyedPieces>> pieces = KeyedPieces::open(inputPath, chosen, memory, paths.runs, wait);
        if (!pieces)
            return failed(DuplicateCheck::Kind::ReadFailed, paths.readFailed(pieces.failure()));
        if (!(*pieces)->whole()) {
            SortedRuns runs(paths.runs, wait, memory);
            return checkRuns(**pieces, runs, paths, settings.progress);
        }
        KeyedFile &input = *(*pieces)->whole();
        beginStep(settings.progress, Progress::Step::Sorting, 0);
        RecordSort sort = planSort(input);
        const std::vector<RepeatedRecord> repeats = listRepeatedRecords(sortRemaining(sort));
        if (const Result<void> kept = input.keptThroughout(); !kept)
            return failed(DuplicateCheck::Kind::ReadFailed, paths.readFailed(kept.failure()));
        return report(repeats, std::int64_t(input.records().size()), input.lineCounts(), input.reading());
    } catch (const std::bad_alloc &) {
        return failed(DuplicateCheck::Kind::OutOfMemory, outOfMemoryOutcome(displayInputPath(inputPath)));
    }
}

} // namespace ostrel
