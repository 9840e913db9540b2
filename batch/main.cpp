#include "batch/batch_arguments.h"
#include "batch/console_text.h"
#include "batch/progress_line.h"
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

// Runs the work with its progress shown, the line gone before any message.
template <typename Work> auto watched(Work work, ostrel::RunSettings settings)
{
    ostrel::Progress progress;
    settings.progress = &progress;
    const ostrel::ProgressLine line(progress);
    return work(settings);
}

int listDuplicates(const ostrel::BatchArguments &arguments)
{
    using Kind = ostrel::DuplicateCheck::Kind;
    const ostrel::DuplicateCheck check = watched([&](const ostrel::RunSettings &settings) {
        return ostrel::checkRepeatedKeys(arguments.inputPath, arguments.reading, settings);
    }, arguments.settings);
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

int sort(const ostrel::BatchArguments &arguments)
{
    const SortOutcome outcome = watched([&](const ostrel::RunSettings &settings) {
        return ostrel::sortRecordFile(arguments.inputPath, arguments.outputPath, arguments.reading, settings);
    }, arguments.settings);
    // Sorted records on standard output are the data; the message must not join them.
    const bool sorted = outcome.kind == SortOutcome::Kind::Sorted;
    const bool recordsOnOutput = ostrel::isStandardStream(arguments.outputPath);
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
        return listDuplicates(arguments);
    return sort(arguments);
}
