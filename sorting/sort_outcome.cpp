#include "sorting/sort_outcome.h"

#include "runtime/columns.h"
#include "sorting/record_key.h"

namespace ostrel {

namespace {

constexpr std::string_view lineBreak = "\r\n";

std::string joined(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (const std::string_view piece : pieces)
        text += piece;
    return text;
}

SortOutcome fileFailure(SortOutcome::Kind kind, std::string_view heading, std::string_view displayPath,
                        std::string_view reason)
{
    return {kind, joined({heading, lineBreak, " File = ", displayPath, lineBreak, " Reason = ", reason}), {}};
}

} // namespace

SortOutcome sortedOutcome()
{
    return {SortOutcome::Kind::Sorted, "Route Records were sorted.", {}};
}

SortOutcome duplicateKeyOutcome(std::int64_t lineNumber, std::string_view line, const TextReading &reading)
{
    return {SortOutcome::Kind::DuplicateKey,
            joined({"Failed Sort - duplicate keys, ", lineBreak, " Line = ", numberText(lineNumber), lineBreak,
                    " Name = ", recordName(line, reading), lineBreak, " Key = ", recordKeyText(line, reading)}),
            codePageOf(lineForm(line, reading), reading)};
}

SortOutcome readFailedOutcome(std::string_view displayPath, std::string_view reason)
{
    return fileFailure(SortOutcome::Kind::ReadFailed, "Failed Sort - cannot read input file, ", displayPath, reason);
}

SortOutcome writeFailedOutcome(std::string_view displayPath, std::string_view reason)
{
    return fileFailure(SortOutcome::Kind::WriteFailed, "Failed Sort - cannot write output file, ", displayPath,
                       reason);
}

SortOutcome outOfMemoryOutcome(std::string_view displayInputPath)
{
    return {SortOutcome::Kind::OutOfMemory,
            joined({"Failed Sort - not enough memory, ", lineBreak, " File = ", displayInputPath}), {}};
}

} // namespace ostrel
