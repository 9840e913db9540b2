#include "batch/batch_arguments.h"

#include "runtime/fixed_paths.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace ostrel {

BatchArguments parseBatchArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("tavel-sort", "Puts a file of route records into key order.\n"
                                                  "Exit status: 0 sorted, 1 refused for a duplicate key, "
                                                  "2 any other failure."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("INPUT"),
                                 QCoreApplication::translate("tavel-sort", "Route file to sort, - for standard input (default %1).")
                                     .arg(inputFilePath()),
                                 QStringLiteral("[INPUT"));
    parser.addPositionalArgument(QStringLiteral("OUTPUT"),
                                 QCoreApplication::translate("tavel-sort", "Sorted file to write, - for standard output (default %1).")
                                     .arg(outputFilePath()),
                                 QStringLiteral("[OUTPUT]]"));

    BatchArguments result{inputFilePath(), outputFilePath(), std::nullopt};
    if (!parser.parse(arguments)) {
        result.usageError = parser.errorText();
        return result;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const QStringList paths = parser.positionalArguments();
    if (paths.size() > 2) {
        result.usageError = QCoreApplication::translate("tavel-sort", "Too many arguments: %1")
                                .arg(paths.mid(2).join(QLatin1Char(' ')));
        return result;
    }
    if (paths.size() > 0)
        result.inputPath = paths[0];
    if (paths.size() > 1)
        result.outputPath = paths[1];
    return result;
}

} // namespace ostrel
