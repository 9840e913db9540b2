#include "sorting/duplicate_check.h"

#include "runtime/code_page.h"
#include "runtime/path_text.h"
#include "sorting/keyed_file.h"
#include "sorting/record_key.h"
#include "sorting/record_sort.h"
#include "sorting/repeated_keys.h"
#include "sorting/sort_outcome.h"

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

} // namespace

DuplicateCheck checkRepeatedKeys(const std::filesystem::path &inputPath, const ReadingChoice &chosen)
{
    const auto readFailed = [&](const Failure &failure) {
        return failed(DuplicateCheck::Kind::ReadFailed, readFailedOutcome(displayInputPath(inputPath), failure.reason));
    };
    try {
        Result<KeyedFile> input = readKeyedFile(inputPath, chosen, HeldFileWait());
        if (!input)
            return readFailed(input.failure());
        RecordSort sort = planSort(*input);
        const std::vector<RepeatedRecord> repeats = listRepeatedRecords(sortRemaining(sort));
        if (const Result<void> kept = input->keptThroughout(); !kept)
            return readFailed(kept.failure());

        const TextReading &reading = input->reading();
        DuplicateCheck check{repeats.empty() ? DuplicateCheck::Kind::NoRepeats : DuplicateCheck::Kind::Repeats, {}};
        for (const RepeatedRecord &repeat : repeats)
            check.report += repeatText(repeat, reading) + "\r\n";
        check.report += summaryText(std::int64_t(input->records().size()), repeats.size());
        const LineCounts &counts = input->lineCounts();
        if (counts.utf8Characters + counts.utf8Bytes + counts.ansi > 0)
            check.report += "\r\n" + readingText(counts, reading);
        return check;
    } catch (const std::bad_alloc &) {
        return failed(DuplicateCheck::Kind::OutOfMemory, outOfMemoryOutcome(displayInputPath(inputPath)));
    }
}

} // namespace ostrel
