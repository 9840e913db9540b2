#include "sorting/duplicate_check.h"

#include "runtime/path_text.h"
#include "sorting/record_key.h"
#include "sorting/record_sorter.h"
#include "sorting/repeated_keys.h"
#include "sorting/route_file.h"
#include "sorting/sort_outcome.h"

#include <new>

namespace ostrel {

namespace {

std::string repeatText(const RepeatedRecord &repeat)
{
    std::string text = "Line " + std::to_string(repeat.lineNumber) + " repeats line "
                       + std::to_string(repeat.firstLineNumber) + ": Name = ";
    text += recordName(repeat.line);
    text += "; Key = ";
    text += BuildRecordKey(repeat.line).view();
    return text;
}

std::string summaryText(std::int64_t records, std::size_t repeats)
{
    std::string text = std::to_string(records) + (records == 1 ? " record, " : " records, ");
    if (repeats == 0)
        return text + "no repeated keys";
    return text + std::to_string(repeats) + (repeats == 1 ? " repeats an earlier key" : " repeat an earlier key");
}

DuplicateCheck failed(DuplicateCheck::Result result, SortOutcome outcome)
{
    return {result, std::move(outcome.message)};
}

} // namespace

DuplicateCheck checkRepeatedKeys(const std::filesystem::path &inputPath)
{
    try {
        const RouteFileRead input = readRouteFile(inputPath);
        if (input.failure)
            return failed(DuplicateCheck::Result::ReadFailed, *input.failure);
        RecordSorter sorter(input.file.records(), input.file.stretches());
        sorter.sortRemainingStretches();
        const std::vector<RepeatedRecord> repeats = listRepeatedRecords(input.file.records(), sorter.records());
        if (auto changed = input.file.failureSinceRead())
            return failed(DuplicateCheck::Result::ReadFailed, *changed);

        DuplicateCheck check{repeats.empty() ? DuplicateCheck::Result::NoRepeats : DuplicateCheck::Result::Repeats, {}};
        for (const RepeatedRecord &repeat : repeats)
            check.report += repeatText(repeat) + "\r\n";
        check.report += summaryText(sorter.recordCount(), repeats.size());
        return check;
    } catch (const std::bad_alloc &) {
        return failed(DuplicateCheck::Result::OutOfMemory, outOfMemoryOutcome(displayInputPath(inputPath)));
    }
}

} // namespace ostrel
