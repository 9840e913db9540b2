#include "batch/batch_arguments.h"
#include "batch/console_messages.h"
#include "sorting/sort_run.h"

#include <QCoreApplication>

namespace {

int exitStatus(ostrel::SortOutcome::Result result)
{
    using Result = ostrel::SortOutcome::Result;
    switch (result) {
    case Result::Sorted:
        return 0;
    case Result::DuplicateKey:
        return 1;
    default:
        return 2;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavel-sort"));
    QCoreApplication::setApplicationVersion(QStringLiteral(OSTREL_DISPLAY_VERSION));

    ostrel::ConsoleMessages messages;
    const ostrel::BatchArguments arguments = ostrel::parseBatchArguments(application.arguments());
    if (arguments.usageError) {
        messages.showMessage(arguments.usageError->toUtf8() + "\r\nTry 'tavel-sort --help'.",
                             ostrel::MessageKind::Failure);
        return 2;
    }
    const ostrel::SortOutcome outcome = ostrel::sortRecordFile(arguments.inputPath, arguments.outputPath);
    const bool sorted = outcome.result == ostrel::SortOutcome::Result::Sorted;
    messages.showMessage(outcome.message, sorted ? ostrel::MessageKind::Information : ostrel::MessageKind::Failure);
    return exitStatus(outcome.result);
}
