#include "batch/batch_arguments.h"
#include "batch/console_text.h"
#include "runtime/command_line.h"
#include "runtime/console.h"
#include "runtime/path_text.h"
#include "sorting/duplicate_check.h"
#include "sorting/sort_run.h"

namespace {

using ostrel::SortOutcome;
using ostrel::StandardStream;

int exitStatus(SortOutcome::Kind kind)
{
    switch (kind) {
    case SortOutcome::Kind::Sorted:
        return 0;
    case SortOutcome::Kind::DuplicateKey:
        return 1;
    default:
        return 2;
    }
}

void show(StandardStream stream, std::string_view message)
{
    ostrel::writeText(stream, ostrel::consoleText(message, ostrel::isTerminal(stream)));
}

int listDuplicates(const std::filesystem::path &inputPath, const ostrel::ReadingChoice &chosen)
{
    using Kind = ostrel::DuplicateCheck::Kind;
    const ostrel::DuplicateCheck check = ostrel::checkRepeatedKeys(inputPath, chosen);
    switch (check.kind) {
    case Kind::NoRepeats:
        show(StandardStream::Output, check.report);
        return 0;
    case Kind::Repeats:
        show(StandardStream::Output, check.report);
        return 1;
    default:
        show(StandardStream::Error, check.report);
        return 2;
    }
}

int sort(const std::filesystem::path &inputPath, const std::filesystem::path &outputPath,
         const ostrel::ReadingChoice &chosen)
{
    const SortOutcome outcome = ostrel::sortRecordFile(inputPath, outputPath, chosen);
    // Sorted records on standard output are the data; the message must not join them.
    const bool sorted = outcome.kind == SortOutcome::Kind::Sorted;
    const bool recordsOnOutput = ostrel::isStandardStream(outputPath);
    show(sorted && !recordsOnOutput ? StandardStream::Output : StandardStream::Error, outcome.message);
    return exitStatus(outcome.kind);
}

} // namespace

int main(int argc, char *argv[])
{
    const ostrel::BatchArguments arguments = ostrel::parseBatchArguments(ostrel::commandLineArguments(argc, argv));
    if (arguments.information) {
        ostrel::writeText(StandardStream::Output, *arguments.information);
        return 0;
    }
    if (arguments.usageError) {
        show(StandardStream::Error, *arguments.usageError + "\r\nTry 'tavel-sort --help'.");
        return 2;
    }
    if (arguments.listDuplicates)
        return listDuplicates(arguments.inputPath, arguments.reading);
    return sort(arguments.inputPath, arguments.outputPath, arguments.reading);
}
