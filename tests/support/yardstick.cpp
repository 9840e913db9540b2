#include "support/yardstick.h"

#include "sorting/sort_run.h"
#include "support/record_order.h"
#include "support/route_files.h"
#include "support/temporary_folder.h"

#include <algorithm>
#include <cstdio>

namespace support {

namespace {

// Printable ASCII as it is, any other byte as \xNN; long texts cut short.
std::string shown(std::string_view bytes)
{
    std::string text = "\"";
    for (const char byte : bytes.substr(0, 160)) {
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(byte));
        text += byte >= ' ' && byte <= '~' && byte != '\\' ? std::string(1, byte) : std::string(escape);
    }
    return text + (bytes.size() > 160 ? "\"..." : "\"");
}

std::string differs(std::string_view what, std::string_view engine, std::string_view expected)
{
    return std::string(what) + ": engine " + shown(engine) + ", expected " + shown(expected);
}

// Shows both outputs from the first byte where they part.
std::string outputDifference(std::string_view engine, std::string_view expected)
{
    if (engine == expected)
        return {};
    const auto parting = std::mismatch(engine.begin(), engine.end(), expected.begin(), expected.end());
    const std::size_t at = std::size_t(parting.first - engine.begin());
    return differs("output from byte " + std::to_string(at), engine.substr(at), expected.substr(at));
}

// The engine's reading for the yardstick's choice of encoding and columns.
ostrel::ReadingChoice engineReading(const reference::Reading &reading)
{
    using Encoding = ostrel::ReadingChoice::Encoding;
    ostrel::ReadingChoice chosen = ostrel::systemChoice();
    chosen.ansiCodePage = reading.codePage;
    chosen.encoding = reading.encoding == reference::Reading::Encoding::Utf8       ? Encoding::Utf8
                      : reading.encoding == reference::Reading::Encoding::CodePage ? Encoding::CodePage
                                                                                   : Encoding::PerLine;
    if (reading.columns != reference::Reading::Columns::Told)
        chosen.columns = reading.columns == reference::Reading::Columns::Bytes ? ostrel::ColumnUnit::Bytes
                                                                               : ostrel::ColumnUnit::Characters;
    return chosen;
}

} // namespace

std::string duplicateKeyMessage(std::int64_t lineNumber, std::string_view nameColumns, std::string_view key)
{
    const std::size_t begin = std::min(nameColumns.find_first_not_of(' '), nameColumns.size());
    const std::string_view name = nameColumns.substr(begin, nameColumns.find_last_not_of(' ') + 1 - begin);
    return "Failed Sort - duplicate keys, \r\n Line =  " + std::to_string(lineNumber) + "\r\n Name = "
           + std::string(name) + "\r\n Key = " + std::string(key);
}

std::string differenceInMemory(std::string_view input, const reference::SortResult &expected,
                               const reference::Reading &reading)
{
    const RecordOrder order = orderRecords(input, engineReading(reading));
    if (order.unreadable != expected.unreadable)
        return differs("reason the file is unreadable", order.unreadable.value_or("(none)"),
                       expected.unreadable.value_or("(none)"));
    const auto &repeat = order.firstRepeat;
    const auto failedLine = repeat ? std::optional(repeat->lineNumber) : std::nullopt;
    if (failedLine != expected.failedLine)
        return differs("line of the first repeat", failedLine ? std::to_string(*failedLine) : "(none)",
                       expected.failedLine ? std::to_string(*expected.failedLine) : "(none)");
    if (repeat) {
        const auto outcome = ostrel::duplicateKeyOutcome(repeat->lineNumber, repeat->line, order.reading);
        if (outcome.message != expected.message)
            return differs("message", outcome.message, expected.message);
    }
    return repeat || order.unreadable ? std::string() : outputDifference(order.output(), expected.output);
}

std::string differenceInRun(std::string_view input, const reference::SortResult &expected,
                            const reference::Reading &reading, std::optional<std::int64_t> memory)
{
    const TemporaryFolder folder;
    const std::string earlierOutput = "an earlier output\r\n";
    writeFile(folder / "in", input);
    writeFile(folder / "out", earlierOutput);
    const ostrel::SortOutcome outcome =
        ostrel::sortRecordFile(folder / "in", folder / "out", engineReading(reading), {memory, {}, nullptr});
    using Kind = ostrel::SortOutcome::Kind;
    const Kind kind = expected.unreadable ? Kind::ReadFailed : expected.failedLine ? Kind::DuplicateKey : Kind::Sorted;
    if (outcome.kind != kind)
        return "outcome " + std::to_string(int(outcome.kind)) + ", expected " + std::to_string(int(kind));
    if (expected.unreadable ? !outcome.message.ends_with(" Reason = " + *expected.unreadable)
                            : outcome.message != expected.message)
        return differs("message", outcome.message, expected.unreadable ? *expected.unreadable : expected.message);
    if (const auto entries = folderEntries(folder.path()); entries != std::vector<std::string>{"in", "out"}) {
        std::string names;
        for (const std::string &name : entries)
            names += " " + name;
        return "files after the run:" + names;
    }
    return outputDifference(readFile(folder / "out"), kind == Kind::Sorted ? expected.output : earlierOutput);
}

std::string compareWithYardstick(std::string_view input, const reference::Reading &reading)
{
    return differenceInMemory(input, reference::sortRecordByRecord(input, reading), reading);
}

} // namespace support
