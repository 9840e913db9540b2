#include "batch/batch_arguments.h"

#include "runtime/code_page.h"
#include "runtime/fixed_paths.h"
#include "runtime/path_text.h"

#include <CLI.hpp>

#include <algorithm>
#include <map>

namespace ostrel {

namespace {

std::string codePageList()
{
    std::string list;
    for (const unsigned codePage : knownCodePages())
        list += (list.empty() ? "" : ", ") + std::to_string(codePage);
    return list;
}

// Empty when the value is good; otherwise why not, naming what is accepted.
std::optional<std::string> chooseEncoding(const std::string &value, ReadingChoice &reading)
{
    if (value == "utf-8" || value == "UTF-8") {
        reading.encoding = ReadingChoice::Encoding::Utf8;
        return std::nullopt;
    }
    unsigned codePage = 0;
    const bool digits = !value.empty() && value.size() <= 5 && value.find_first_not_of("0123456789") == std::string::npos;
    if (digits)
        codePage = unsigned(std::stoul(value));
    if (!digits || !isKnownCodePage(codePage))
        return "--encoding: " + value + " is neither utf-8 nor a known code page (" + codePageList() + ")";
    reading.encoding = ReadingChoice::Encoding::CodePage;
    reading.ansiCodePage = codePage;
    return std::nullopt;
}

std::optional<std::string> chooseColumns(const std::string &value, ReadingChoice &reading)
{
    if (value == "characters")
        reading.columns = ColumnUnit::Characters;
    else if (value == "bytes")
        reading.columns = ColumnUnit::Bytes;
    else
        return "--columns: " + value + " is neither characters nor bytes";
    return std::nullopt;
}

// A size such as 512M, 2G or plain bytes.
std::optional<std::string> chooseMemory(const std::string &value, RunSettings &settings)
{
    const std::size_t digits = std::min(value.find_first_not_of("0123456789"), value.size());
    static const std::map<std::string, int> shifts{{"", 0},   {"K", 10}, {"k", 10}, {"M", 20},
                                                    {"m", 20}, {"G", 30}, {"g", 30}};
    const auto shift = shifts.find(value.substr(digits));
    // No machine holds 4 TiB; below that, nothing overflows once scaled.
    const std::int64_t number = digits > 0 && digits <= 13 ? std::stoll(value.substr(0, digits)) : 0;
    if (shift == shifts.end() || number == 0 || number > (std::int64_t(1) << (42 - shift->second)))
        return "--memory: " + value + " is not a size in bytes or with K, M or G, such as 512M or 2G";
    settings.memory = number << shift->second;
    return std::nullopt;
}

} // namespace

BatchArguments parseBatchArguments(const std::vector<std::string> &arguments)
{
    BatchArguments result{inputFilePath(), outputFilePath(), false, systemChoice(), {}, std::nullopt, std::nullopt};
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
    std::string encoding;
    std::string columns;
    app.add_option("--encoding", encoding,
                   "Read every line as utf-8, or every line in the given Windows code page, such as 1252 or 932 "
                   "(default: a line that is valid UTF-8 as UTF-8, any other in code page "
                       + std::to_string(result.reading.ansiCodePage) + ")")
        ->option_text("ENC");
    app.add_option("--columns", columns,
                   "Count columns in characters or bytes (default: characters, but bytes for a UTF-8 line as long in "
                   "bytes as most ASCII lines)")
        ->option_text("UNIT");
    std::string memory;
    std::string temporaryFolder;
    app.add_option("--memory", memory,
                   "The most memory to use, such as 512M or 2G; a larger file is sorted in runs kept in temporary "
                   "files (default: what this machine can give now)")
        ->option_text("SIZE");
    app.add_option("--temporary-folder", temporaryFolder,
                   "Folder for the temporary runs of a file larger than the memory (default: the output's folder)")
        ->option_text("DIR");

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
    if (!encoding.empty()) {
        if ((result.usageError = chooseEncoding(encoding, result.reading)))
            return result;
    }
    if (!columns.empty()) {
        if ((result.usageError = chooseColumns(columns, result.reading)))
            return result;
    }
    if (!memory.empty()) {
        if ((result.usageError = chooseMemory(memory, result.settings)))
            return result;
    }
    if (!temporaryFolder.empty())
        result.settings.temporaryFolder = pathFromText(temporaryFolder);
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
