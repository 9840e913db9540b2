#include "reference/record_by_record.h"
#include "support/child_process.h"
#include "support/data_folder.h"
#include "support/route_files.h"
#include "support/sanitizer_build.h"
#include "support/system_reasons.h"
#include "support/temporary_folder.h"

#include <doctest.h>

#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#endif

// The batch tool as operators and scripts run it.

using support::readFile;
using support::routeRecord;
using support::writeFile;
using Arguments = std::vector<std::string>;

namespace {

const std::string recordA = routeRecord("AA01", "Harbour Road");
const std::string recordB = routeRecord("BB01", "Quarry Lane");
const std::string sorted = support::routeFile({recordA, recordB});

class BatchFolder
{
public:
    BatchFolder()
    {
        writeFile(folder / "in.txt", recordB + "\r\n" + recordA + "\r\n");
        writeFile(folder / "twice.txt", recordA + "\r\n" + recordB + "\r\n" + recordA + "\r\n");
    }

    support::ProcessRun run(const Arguments &arguments, const std::string &standardInput = {},
                            std::function<void()> inChild = {}) const
    {
        support::ProcessSetup setup{folder.path(), {{"HOME", folder.path().string()}}, standardInput, std::move(inChild)};
        return support::runProcess(TAVEL_SORT_PATH, arguments, setup);
    }
    // A file of the folder as messages show it.
    std::string shown(const std::string &name) const { return (folder / name).make_preferred().string(); }

    const support::TemporaryFolder folder;
};

} // namespace

TEST_CASE("exit status and messages")
{
    using support::SystemFailure;
    struct Row
    {
        const char *name;
        Arguments arguments;
        int exitCode;
        std::string standardOutput;
        std::string standardError; // %1 stands for the failing file as messages show it
        std::string failingFile;
    };
    const Row rows[] = {
        {"sorted", {"in.txt", "out.txt"}, 0, "Route Records were sorted.\n", "", ""},
        {"duplicate key", {"twice.txt", "out.txt"}, 1, "",
         "Failed Sort - duplicate keys, \n Line =  3\n Name = Harbour Road\n Key = ................." "HaAA01\n", ""},
        {"unreadable input", {"missing.txt", "out.txt"}, 2, "",
         "Failed Sort - cannot read input file, \n File = %1\n Reason = "
             + support::reasonText(SystemFailure::FileMissing) + "\n",
         "missing.txt"},
        {"unwritable output", {"in.txt", "no/out.txt"}, 2, "",
         "Failed Sort - cannot write output file, \n File = %1\n Reason = "
             + support::reasonText(SystemFailure::FolderMissing) + "\n",
         "no/out.txt"},
        {"too many arguments", {"a", "b", "c"}, 2, "",
         "The following argument was not expected: c\nTry 'tavel-sort --help'.\n", ""},
        {"unknown option", {"--fast", "in.txt"}, 2, "",
         "The following argument was not expected: --fast\nTry 'tavel-sort --help'.\n", ""},
        // Smaller than either file, so sorted by runs in a temporary file.
        {"sorted in runs", {"--memory", "300", "in.txt", "out.txt"}, 0, "Route Records were sorted.\n", "", ""},
        {"duplicate key in runs", {"--memory", "300", "twice.txt", "out.txt"}, 1, "",
         "Failed Sort - duplicate keys, \n Line =  3\n Name = Harbour Road\n Key = ................." "HaAA01\n", ""},
        {"runs in a missing folder", {"--memory", "300", "--temporary-folder", "no", "in.txt", "out.txt"}, 2, "",
         "Failed Sort - cannot write output file, \n File = %1\n Reason = "
             + support::reasonText(SystemFailure::FolderMissing) + "\n",
         "no"},
        {"memory in an unknown unit", {"--memory", "2T", "in.txt", "out.txt"}, 2, "",
         "--memory: 2T is not a size in bytes or with K, M or G, such as 512M or 2G\nTry 'tavel-sort --help'.\n", ""},
        {"memory of nothing", {"--memory", "0M", "in.txt", "out.txt"}, 2, "",
         "--memory: 0M is not a size in bytes or with K, M or G, such as 512M or 2G\nTry 'tavel-sort --help'.\n", ""},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const BatchFolder batch;
            writeFile(batch.folder / "out.txt", "earlier");
            const support::ProcessRun result = batch.run(row.arguments);
            std::string expectedError = row.standardError;
            if (const std::size_t at = expectedError.find("%1"); at != std::string::npos)
                expectedError.replace(at, 2, batch.shown(row.failingFile));
            CHECK(result.standardError == expectedError);
            CHECK(result.standardOutput == row.standardOutput);
            CHECK(result.exitCode == row.exitCode);
            CHECK(readFile(batch.folder / "out.txt") == (row.exitCode == 0 ? sorted : "earlier"));
        }
    }
}

TEST_CASE("standard output carries the records and nothing else")
{
    const BatchFolder batch;
    const support::ProcessRun piped = batch.run({"-", "-"}, recordB + "\n" + recordA);
    CHECK(piped.exitCode == 0);
    CHECK(piped.standardOutput == sorted);
    CHECK(piped.standardError == "Route Records were sorted.\n");

    const support::ProcessRun fromFile = batch.run({"in.txt", "-"});
    CHECK(fromFile.standardOutput == sorted);
    // A stream is written in order, from the start: the input's byte order mark first.
    const support::ProcessRun marked = batch.run({"-", "-"}, "\xef\xbb\xbf" + recordB + "\n" + recordA);
    CHECK(marked.standardOutput == "\xef\xbb\xbf" + sorted);

    const support::ProcessRun refused = batch.run({"-", "-"}, recordA + "\n" + recordA);
    CHECK(refused.exitCode == 1);
    CHECK(refused.standardOutput == "");
    CHECK(refused.standardError.starts_with("Failed Sort - duplicate keys, \n Line =  2\n"));

    // A text stream on Windows would end at byte 0x1A and turn LF into CR LF:
    // standard streams carry the bytes as they are, and the end-of-file mark
    // is the input's to judge. Control bytes are record data.
    const std::string control = routeRecord(190, {{1, "CC01"}, {18, "Ctrl \x01 and \x1b\x7f"}});
    const support::ProcessRun binary = batch.run({"-", "-"}, control + "\n" + recordA + "\n\x1a");
    CHECK(binary.standardOutput == control + "\r\n" + recordA + "\r\n");
    const support::ProcessRun hidden = batch.run({"-", "-"}, recordB + "\r\n\x1a" + recordA + "\r\n");
    CHECK(hidden.exitCode == 2);
    CHECK(hidden.standardOutput == "");
    CHECK(hidden.standardError == "Failed Sort - cannot read input file, \n File = standard input\n Reason = An "
                                  "end-of-file mark (Ctrl+Z) at line 2 has more text after it\n");

    // Beyond the memory, standard input is copied to a run file first.
    std::vector<std::string> many;
    for (int i = 0; i < 40; ++i)
        many.push_back(routeRecord(std::to_string(9000 - i), "Harbour Road"));
    const std::vector<std::string> inOrder(many.rbegin(), many.rend());
    const support::ProcessRun spooled = batch.run({"--memory", "2K", "-", "-"}, support::routeFile(many));
    CHECK(spooled.standardOutput == support::routeFile(inOrder));

    const std::string example = readFile(EXAMPLES_FOLDER "/routes.txt");
    const support::ProcessRun exampleRun = batch.run({EXAMPLES_FOLDER "/routes.txt", "-"});
    CHECK(exampleRun.standardOutput == reference::sortRecordByRecord(example).output);
}

TEST_CASE("the fixed paths stand in for what is left out")
{
    const BatchFolder batch;
    const std::filesystem::path data = support::fixedDataFolder(batch.folder.path());
    std::filesystem::create_directories(data);
    std::filesystem::remove(data / "tavelsrtd.txt");
    writeFile(data / "taveld.txt", recordB + "\r\n" + recordA);
    CHECK(batch.run({}).exitCode == 0);
    CHECK(readFile(data / "tavelsrtd.txt") == sorted);

    CHECK(batch.run({"twice.txt"}).exitCode == 1);
    CHECK(readFile(data / "tavelsrtd.txt") == sorted);
}

TEST_CASE("a path from the root written with forward slashes is a path, not an option, on Windows too")
{
    // Wine takes "/..." for a Unix path where Windows takes the drive's root,
    // so the file is one that is missing on both: it must be sought.
    const BatchFolder batch;
    const support::ProcessRun result = batch.run({"/no-such-folder/in.txt", "out.txt"});
    CHECK(result.standardError.starts_with("Failed Sort - cannot read input file, \n File = "));
    CHECK(result.exitCode == 2);
}

TEST_CASE("--duplicates lists every repeat, writes nothing, and says whether there was one")
{
    // Keys at lines 3, 7 and 9 are one key, as are lines 4 and 5.
    std::string repeats;
    const std::pair<const char *, const char *> lines[] = {
        {"AA01", "Harbour Road"}, {"BB01", "Quarry Lane"}, {"CC01", "Beacon Hill"}, {"DD01", "Mill Street"},
        {"DD01", "Mill Street North"}, {"EE01", "Castle Gate"}, {"CC01", "Beacon Hill Relief"},
        {"FF01", "Market Square"}, {"CC01", "Beacon Hill Late"},
    };
    for (const auto &[route, name] : lines)
        repeats += routeRecord(route, name) + "\r\n";
    const std::string key = std::string(17, '.');
    struct Row
    {
        const char *name;
        Arguments arguments;
        std::string standardInput;
        int exitCode;
        std::string standardOutput;
    };
    const Row rows[] = {
        {"repeats at known lines", {"--duplicates", "repeats.txt"}, "", 1,
         "Line 5 repeats line 4: Name = Mill Street North; Key = " + key + "MiDD01\n"
         "Line 7 repeats line 3: Name = Beacon Hill Relief; Key = " + key + "BeCC01\n"
         "Line 9 repeats line 3: Name = Beacon Hill Late; Key = " + key + "BeCC01\n"
         "9 records, 3 repeat an earlier key\n"},
        {"a clean file", {"--duplicates", "in.txt"}, "", 0, "2 records, no repeated keys\n"},
        {"an empty file", {"--duplicates", "empty.txt"}, "", 0, "0 records, no repeated keys\n"},
        {"one record", {"--duplicates", "-"}, recordA, 0, "1 record, no repeated keys\n"},
        // Lines counted as a sort counts them.
        {"as Windows programs write it", {"--duplicates", "-"}, "\xef\xbb\xbf" + recordA + "\r\n" + recordA + "\x1a", 1,
         "Line 2 repeats line 1: Name = Harbour Road; Key = " + key + "HaAA01\n2 records, 1 repeats an earlier key\n"},
        {"standard input", {"--duplicates", "-"}, recordA + "\n" + recordA, 1,
         "Line 2 repeats line 1: Name = Harbour Road; Key = " + key + "HaAA01\n2 records, 1 repeats an earlier key\n"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const BatchFolder batch;
            writeFile(batch.folder / "repeats.txt", repeats);
            writeFile(batch.folder / "empty.txt", "");
            const std::vector<std::string> before = support::folderEntries(batch.folder.path());
            const support::ProcessRun run = batch.run(row.arguments, row.standardInput);
            CHECK(run.standardOutput == row.standardOutput);
            CHECK(run.standardError == "");
            CHECK(run.exitCode == row.exitCode);
            CHECK(support::folderEntries(batch.folder.path()) == before);
            CHECK(readFile(batch.folder / "repeats.txt") == repeats);
        }
    }

    const BatchFolder batch;
    const support::ProcessRun missing = batch.run({"--duplicates", "missing.txt"});
    CHECK(missing.standardError == "Failed Sort - cannot read input file, \n File = " + batch.shown("missing.txt")
                                       + "\n Reason = " + support::reasonText(support::SystemFailure::FileMissing) + "\n");
    CHECK(missing.exitCode == 2);
    const support::ProcessRun withOutput = batch.run({"--duplicates", "in.txt", "out.txt"});
    CHECK(withOutput.standardError == "--duplicates writes no file, so takes no OUTPUT: out.txt\nTry 'tavel-sort --help'.\n");
    CHECK(withOutput.exitCode == 2);
}

TEST_CASE("help and version")
{
    const BatchFolder batch;
    const support::ProcessRun version = batch.run({"--version"});
    CHECK(version.exitCode == 0);
    CHECK(version.standardOutput == "tavel-sort 1.00\n");

    const support::ProcessRun help = batch.run({"--help"});
    CHECK(help.exitCode == 0);
    CHECK(help.standardOutput.find("Usage: tavel-sort [OPTIONS] [INPUT] [OUTPUT]") != std::string::npos);
    CHECK(help.standardOutput.find("Exit status: 0 sorted, 1 refused for a duplicate key") != std::string::npos);
    CHECK(help.standardOutput.find(TAVEL_SORT_PATH) == std::string::npos);
    // Nothing of a toolkit's own options.
    CHECK(help.standardOutput.find("-platform") == std::string::npos);
    CHECK(help.standardOutput.find("--help-all") == std::string::npos);
}

#ifndef _WIN32

TEST_CASE("too little memory is reported and the earlier output kept" * doctest::skip(support::addressSanitized))
{
    const BatchFolder batch;
    // Short lines cost far more memory to order than to hold: a few MB of
    // empty lines need well over the limit set below.
    writeFile(batch.folder / "many.txt", std::string(16 * 1024 * 1024, '\n'));
    writeFile(batch.folder / "out.txt", "earlier");
    // A bound beyond what the limit allows is the operator's to give.
    const support::ProcessRun result = batch.run({"--memory", "4G", "many.txt", "out.txt"}, {}, [] {
        const rlimit limit{384 * 1024 * 1024, 384 * 1024 * 1024};
        ::setrlimit(RLIMIT_AS, &limit);
    });
    CHECK(result.standardError == "Failed Sort - not enough memory, \n File = " + batch.shown("many.txt") + "\n");
    CHECK(result.exitCode == 2);
    CHECK(readFile(batch.folder / "out.txt") == "earlier");
}

#endif
