#include "batch/batch_arguments.h"

#include "runtime/fixed_paths.h"
#include "runtime/path_text.h"

#include <CLI.hpp>

namespace ostrel {

BatchArguments parseBatchArguments(const std::vector<std::string> &arguments)
{
    BatchArguments result{inputFilePath(), outputFilePath(), false, std::nullopt, std::nullopt};
    CLI::App app("Puts a file of route records into key order.\n"
                 "Exit status: 0 sorted, 1 refused for a duplicate key, 2 any other failure.",
                 "tavel-sort");
    app.set_version_flag("--version", "tavel-sort " OSTREL_DISPLAY_VERSION, "Show the version and exit");
    app.set_help_flag("-h,--help", "Show this help and exit");
    // On Windows "/u/datafile/x.txt" is a path from the drive's root, not an option.
    app.allow_windows_style_options(false);
    std::string input;
    std::string output;
    app.add_option("INPUT", input,
                   "Route file to sort, - for standard input (default " + pathText(result.inputPath) + ")");
    app.add_option("OUTPUT", output,
                   "Sorted file to write, - for standard output (default " + pathText(result.outputPath) + ")");
    app.add_flag("--duplicates", result.listDuplicates,
                 "List every record whose key repeats an earlier record's key, with the first line holding it, "
                 "and write no file. Exit status 1 when there is one, 0 when there is none.");

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp &) {
        result.information = app.help();
        return result;
    } catch (const CLI::CallForVersion &version) {
        result.information = std::string(version.what()) + '\n';
        return result;
    } catch (const CLI::ParseError &error) {
        result.usageError = error.what();
        return result;
    }
    if (result.listDuplicates && !output.empty()) {
        result.usageError = "--duplicates writes no file, so takes no OUTPUT: " + output;
        return result;
    }
    if (!input.empty())
        result.inputPath = pathFromText(input);
    if (!output.empty())
        result.outputPath = pathFromText(output);
    return result;
}

} // namespace ostrel
