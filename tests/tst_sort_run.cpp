#include "runtime/path_text.h"
#include "sorting/sort_run.h"
#include "support/data_folder.h"
#include "support/route_files.h"
#include "support/system_reasons.h"
#include "support/temporary_folder.h"

#include <doctest.h>

#include <atomic>
#include <optional>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace std::string_literals;
using support::readFile;
using support::routeFile;
using support::routeRecord;
using support::writeFile;
using Kind = ostrel::SortOutcome::Kind;
using Names = std::vector<std::string>;
using support::SystemFailure;

namespace {

// Records whose key is the standard rule's, told apart by columns 1-4 so
// that they are easy to order by eye.
std::string keyed(std::string_view front, std::string_view name = "Harbour Road")
{
    return routeRecord(front, name, "0700");
}

const std::string earlierOutput = "an earlier run's output\r\n";

} // namespace

TEST_CASE("records are written in key order, each with CR LF")
{
    const std::string a = keyed("AA01"), b = keyed("BB02"), c = keyed("CC03");
    // Records go out byte for byte, whatever their encoding.
    const std::string binary = keyed("\x01\0\xfe\xff"s, "N\xc3\xa4me \x1b[31m");
    struct Row
    {
        const char *name;
        std::string input;
        std::string expected;
    };
    const Row rows[] = {
        {"empty input, empty output", "", ""},
        {"one line gains CR LF", a, a + "\r\n"},
        {"last line with CR LF", b + "\r\n" + a + "\r\n", a + "\r\n" + b + "\r\n"},
        {"last line without terminator", b + "\r\n" + a, a + "\r\n" + b + "\r\n"},
        {"LF line ends", b + "\n" + a + "\n", a + "\r\n" + b + "\r\n"},
        {"CR line ends", b + "\r" + a + "\r", a + "\r\n" + b + "\r\n"},
        {"unsorted", c + "\r\n" + a + "\r\n" + b + "\r\n", a + "\r\n" + b + "\r\n" + c + "\r\n"},
        {"already sorted", a + "\r\n" + b + "\r\n" + c + "\r\n", a + "\r\n" + b + "\r\n" + c + "\r\n"},
        {"one empty line sorts first", b + "\r\n\r\n" + a + "\r\n", "\r\n" + a + "\r\n" + b + "\r\n"},
        {"keys differing in case are distinct", keyed("aa01") + "\n" + keyed("AA01") + "\n",
         keyed("AA01") + "\r\n" + keyed("aa01") + "\r\n"},
        {"binary bytes kept", binary + "\n" + a, a + "\r\n" + binary + "\r\n"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            writeFile(folder / "in.txt", row.input);
            const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder / "in.txt", folder / "out.txt");
            CHECK(outcome.message == "Route Records were sorted.");
            CHECK(outcome.kind == Kind::Sorted);
            CHECK(readFile(folder / "out.txt") == row.expected);
            CHECK(support::folderEntries(folder.path()) == Names{"in.txt", "out.txt"});
        }
    }
}

// Files saved by Windows programs and editors: what they put before and after
// the lines is not record data, and what cannot be read exactly is refused.
TEST_CASE("text as Windows programs write it")
{
    const std::string a = keyed("AA01"), b = keyed("BB02");
    const std::string mark = "\xef\xbb\xbf";
    const std::string utf16Reason = "The file is UTF-16 text: save it as ANSI or UTF-8 text";
    const auto laterMarkReason = [](int line) {
        return "A byte order mark begins line " + std::to_string(line) + ", as where two files were joined: remove it";
    };
    const auto hiddenReason = [](int line) {
        return "An end-of-file mark (Ctrl+Z) at line " + std::to_string(line) + " has more text after it";
    };
    struct Row
    {
        const char *name;
        std::string input;
        Kind kind;
        std::string expected; // the output, the read failure's reason, or the repeat's line number
    };
    const Row rows[] = {
        {"Ctrl+Z after the last line end", b + "\r\n" + a + "\r\n\x1a", Kind::Sorted, a + "\r\n" + b + "\r\n"},
        {"Ctrl+Z straight after the last record", b + "\r\n" + a + "\x1a", Kind::Sorted, a + "\r\n" + b + "\r\n"},
        {"Ctrl+Z alone", "\x1a", Kind::Sorted, ""},
        {"Ctrl+Z with records after it", a + "\r\n\x1a" + b + "\r\n", Kind::ReadFailed, hiddenReason(2)},
        {"Ctrl+Z inside a record", a + "\r\n" + b + "\r\n" + a.substr(0, 30) + "\x1a" + b.substr(31), Kind::ReadFailed,
         hiddenReason(3)},
        {"Ctrl+Z after lone CRs and LFs", "A1\rB1\nC1\r\n\x1a\r\n", Kind::ReadFailed, hiddenReason(4)},
        // Line 1 keyed from its own columns, not shifted by the mark.
        {"byte order mark", mark + b + "\r\n" + a + "\r\n", Kind::Sorted, mark + a + "\r\n" + b + "\r\n"},
        {"byte order mark and Ctrl+Z", mark + b + "\r\n" + a + "\x1a", Kind::Sorted, mark + a + "\r\n" + b + "\r\n"},
        {"byte order mark only", mark, Kind::Sorted, mark},
        {"a later copy of line 1 repeats it", mark + a + "\r\n" + b + "\r\n" + a + "\r\n", Kind::DuplicateKey, "3"},
        // Two marked files joined: the second mark would shift its line's
        // columns by a character no one sees.
        {"byte order mark later", a + "\r\n" + mark + b + "\r\n", Kind::ReadFailed, laterMarkReason(2)},
        {"two marked files joined", mark + a + "\r\n" + mark + b + "\r\n", Kind::ReadFailed, laterMarkReason(2)},
        {"second mark on line 1", mark + mark + a + "\r\n", Kind::ReadFailed, laterMarkReason(1)},
        {"UTF-16, little-endian", "\xff\xfe" "A\0" "A\0\r\0\n\0"s, Kind::ReadFailed, utf16Reason},
        {"UTF-16, big-endian", "\xfe\xff\0" "A\0" "A\0\r\0\n"s, Kind::ReadFailed, utf16Reason},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            writeFile(folder / "in.txt", row.input);
            writeFile(folder / "out.txt", earlierOutput);
            const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder / "in.txt", folder / "out.txt");
            CHECK(outcome.kind == row.kind);
            if (row.kind == Kind::Sorted)
                CHECK(readFile(folder / "out.txt") == row.expected);
            else
                CHECK(readFile(folder / "out.txt") == earlierOutput);
            if (row.kind == Kind::ReadFailed)
                CHECK(outcome.message == "Failed Sort - cannot read input file, \r\n File = "
                                             + (folder / "in.txt").make_preferred().string() + "\r\n Reason = " + row.expected);
            if (row.kind == Kind::DuplicateKey)
                CHECK(outcome.message.starts_with("Failed Sort - duplicate keys, \r\n Line =  " + row.expected + "\r\n"));
            CHECK(support::folderEntries(folder.path()) == Names{"in.txt", "out.txt"});
        }
    }
}

TEST_CASE("a repeated key is refused and the earlier output kept")
{
    const support::TemporaryFolder folder;
    std::string input;
    const Names fronts{"GG01", "BB01", "DD01", "AA01", "EE01", "FF01", "DD01", "CC01"};
    for (std::size_t i = 0; i < fronts.size(); ++i)
        input += keyed(fronts[i], i == 6 ? "  Quarry Lane" : "  Beacon Hill") + "\r\n";
    writeFile(folder / "in.txt", input);
    writeFile(folder / "out.txt", earlierOutput);

    const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder / "in.txt", folder / "out.txt");
    CHECK(outcome.kind == Kind::DuplicateKey);
    CHECK(outcome.message == "Failed Sort - duplicate keys, \r\n Line =  7\r\n Name = Quarry Lane\r\n Key = 0700"
                                 + std::string(13, '.') + "  DD01");
    CHECK(readFile(folder / "out.txt") == earlierOutput);
    CHECK(support::folderEntries(folder.path()) == Names{"in.txt", "out.txt"});
}

TEST_CASE("the refusal shows as much of the name as the line has, and the whole key")
{
    struct Row
    {
        const char *name;
        std::string line;
        std::string expectedTail;
    };
    const Row rows[] = {
        {"ends inside the name", "AB01CDEFGHIJKLM  Quarry", " Name = Quarry\r\n Key = CDEFGHIJKLM  QuAB01"},
        {"shorter than column 18", "AB01CDEFGHIJ", " Name = \r\n Key = CDEFGHIJAB01"},
        // The key is shown untrimmed: its trailing spaces are part of it.
        {"key with spaces", "AB01CD         ", " Name = \r\n Key = CD         AB01"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            writeFile(folder / "in.txt", row.line + "\r\n" + row.line + "\r\n");
            const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder / "in.txt", folder / "out.txt");
            CHECK(outcome.message == "Failed Sort - duplicate keys, \r\n Line =  2\r\n" + row.expectedTail);
            CHECK_FALSE(std::filesystem::exists(folder / "out.txt"));
        }
    }
}

TEST_CASE("two runs give identical output")
{
    const support::TemporaryFolder folder;
    writeFile(folder / "in.txt", readFile(EXAMPLES_FOLDER "/routes.txt"));
    CHECK(ostrel::sortRecordFile(folder / "in.txt", folder / "out.txt").kind == Kind::Sorted);
    const std::string first = readFile(folder / "out.txt");
    std::size_t lines = 0;
    for (std::size_t at = first.find("\r\n"); at != std::string::npos; at = first.find("\r\n", at + 2))
        ++lines;
    CHECK(lines == 60);
    CHECK(ostrel::sortRecordFile(folder / "in.txt", folder / "out.txt").kind == Kind::Sorted);
    CHECK(readFile(folder / "out.txt") == first);
}

TEST_CASE("no limit on the number of lines")
{
    const support::TemporaryFolder folder;
    // Past the 32,767 lines a 16-bit counter could number, in reverse order.
    constexpr int count = 40000;
    const auto numbered = [](int number) {
        const std::string digits = std::to_string(number);
        return "NO01" + std::string(15 - digits.size(), '0') + digits;
    };
    std::string input;
    for (int i = count; i > 0; --i)
        input += numbered(i) + "\n";
    writeFile(folder / "in.txt", input);
    CHECK(ostrel::sortRecordFile(folder / "in.txt", folder / "out.txt").kind == Kind::Sorted);
    const std::string output = readFile(folder / "out.txt");
    CHECK(output.size() == std::size_t(count) * 21);
    CHECK(output.substr(0, 21) == numbered(1) + "\r\n");
    CHECK(output.substr(output.size() - 21) == numbered(count) + "\r\n");

    writeFile(folder / "in.txt", input + numbered(count));
    const ostrel::SortOutcome repeat = ostrel::sortRecordFile(folder / "in.txt", folder / "out.txt");
    CHECK(repeat.message.find("\r\n Line =  40001\r\n") != std::string::npos);
}

TEST_CASE("a file that cannot be read or written is reported with the system's reason")
{
    struct Row
    {
        const char *name;
        std::string input;
        std::string output;
        Kind kind;
        std::string shownFile;
        SystemFailure reason;
    };
    const Row rows[] = {
        {"input missing", "missing.txt", "out.txt", Kind::ReadFailed, "missing.txt", SystemFailure::FileMissing},
        {"input is a folder", "sub", "out.txt", Kind::ReadFailed, "sub", SystemFailure::IsFolder},
        {"output folder missing", "in.txt", "nowhere/out.txt", Kind::WriteFailed, "nowhere/out.txt",
         SystemFailure::FolderMissing},
        {"output is a folder", "in.txt", "sub", Kind::WriteFailed, "sub", SystemFailure::IsFolder},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            writeFile(folder / "in.txt", routeFile({keyed("BB01"), keyed("AA01")}));
            std::filesystem::create_directory(folder / "sub");
            const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder / row.input, folder / row.output);
            const std::string heading = row.kind == Kind::ReadFailed ? "Failed Sort - cannot read input file, "
                                                                         : "Failed Sort - cannot write output file, ";
            CHECK(outcome.kind == row.kind);
            CHECK(outcome.message == heading + "\r\n File = " + (folder / row.shownFile).make_preferred().string()
                                         + "\r\n Reason = " + support::reasonText(row.reason));
            CHECK(support::folderEntries(folder.path()) == Names{"in.txt", "sub"});
        }
    }
}

// A colleague saves the route file while the operator sorts it: keyed from
// one version and written from another, the output would be out of order.
TEST_CASE("an input written to all through the run is refused, and the earlier output kept")
{
    std::string input;
    for (int i = 0; i < 200'000; ++i)
        input += keyed(std::to_string(1000000 + i)) + "\r\n";
    struct Row
    {
        const char *name;
        bool shortened; // and written again from the middle on
        bool repeatedKey = false; // in a line the writer leaves alone
    };
    const Row rows[] = {
        {"key columns rewritten in place", false},
        {"shortened and written again", true},
        // Read from a changing file, the repeat may not be one at all.
        {"key columns rewritten in place, and a key repeated", false, true},
    };
    // A network drive's file is read into memory, a local one mapped; one
    // larger than the memory is read in pieces, and checked again after the merge.
    struct Place
    {
        std::string name;
        std::filesystem::path base;
        ostrel::RunSettings settings;
    };
    std::vector<Place> places{{"local", std::filesystem::temp_directory_path(), {}},
                              {"local, in runs", std::filesystem::temp_directory_path(), {std::int64_t(4) << 20, {}, nullptr}}};
    if (const auto network = support::networkDriveFolder())
        places.push_back({"network drive", *network, {}});
    for (const auto &[place, base, settings] : places) {
        for (const Row &row : rows) {
            SUBCASE((place + ": " + row.name).c_str())
            {
                const support::TemporaryFolder folder(base);
                const std::filesystem::path path = folder / "in.txt";
                writeFile(path, row.repeatedKey ? input + keyed(std::to_string(1000001)) + "\r\n" : input);
                writeFile(folder / "out.txt", earlierOutput);
                std::atomic<bool> runOver{false};
                std::atomic<int> writes{0};
                std::thread writer([&] {
                    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
                    for (int i = 0; !runOver; ++i, ++writes) {
                        if (row.shortened) {
                            // Windows refuses to shorten a file mapped by the run; what follows still writes.
                            std::error_code refused;
                            std::filesystem::resize_file(path, input.size() / 2, refused);
                            file.seekp(std::streamoff(input.size() / 2));
                            file.write(input.data() + input.size() / 2, std::streamsize(input.size() - input.size() / 2));
                            file.flush();
                        } else {
                            file.seekp(0);
                            file.write(i % 2 ? "ZZ99" : "AA00", 4);
                            file.flush();
                        }
                    }
                });
                while (writes == 0)
                    std::this_thread::yield();
                const ostrel::SortOutcome outcome =
                    ostrel::sortRecordFile(path, folder / "out.txt", ostrel::systemChoice(), settings);
                runOver = true;
                writer.join();
                CHECK(outcome.kind == Kind::ReadFailed);
                const std::string shown = std::filesystem::path(path).make_preferred().string();
                CHECK(outcome.message == "Failed Sort - cannot read input file, \r\n File = " + shown
                                             + "\r\n Reason = The file changed while it was read");
                CHECK(readFile(folder / "out.txt") == earlierOutput);
                CHECK(support::folderEntries(folder.path()) == Names{"in.txt", "out.txt"});
            }
        }
    }
}

// The output is written while the records are still being ordered; a repeat
// found later must still be what the run reports.
TEST_CASE("a repeated key outranks a failure to write")
{
    std::vector<std::string> outputs{"nowhere/out.txt", "sub"};
    if (std::filesystem::exists("/dev/full"))
        outputs.push_back("/dev/full");
    for (const std::string &output : outputs) {
        SUBCASE(output.c_str())
        {
            const support::TemporaryFolder folder;
            writeFile(folder / "in.txt", routeFile({keyed("BB01"), keyed("AA01"), keyed("BB01")}));
            std::filesystem::create_directory(folder / "sub");
            const std::filesystem::path outputPath = output.starts_with("/dev/") ? std::filesystem::path(output) : folder / output;
            const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder / "in.txt", outputPath);
            CHECK(outcome.kind == Kind::DuplicateKey);
            CHECK(outcome.message.starts_with("Failed Sort - duplicate keys, \r\n Line =  3\r\n"));
            CHECK(support::folderEntries(folder.path()) == Names{"in.txt", "sub"});
        }
    }
}

TEST_CASE("a full device is reported, and stays a device" * doctest::skip(!std::filesystem::exists("/dev/full")))
{
    const support::TemporaryFolder folder;
    writeFile(folder / "in.txt", routeFile({keyed("BB01"), keyed("AA01")}));
    const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder / "in.txt", "/dev/full");
    CHECK(outcome.kind == Kind::WriteFailed);
    CHECK(outcome.message == "Failed Sort - cannot write output file, \r\n File = /dev/full\r\n Reason = " + std::string(std::strerror(ENOSPC)));
    CHECK(std::filesystem::is_character_file("/dev/full"));
}

// Permissions and links as POSIX systems have them.
#ifndef _WIN32

#include <sys/stat.h>

TEST_CASE("a new output gets the usual permissions, an existing one keeps its own")
{
    using std::filesystem::perms;
    constexpr perms readWrite = perms::owner_read | perms::owner_write;
    constexpr perms everyoneReads = readWrite | perms::group_read | perms::others_read;
    constexpr perms everyoneWrites = everyoneReads | perms::group_write | perms::others_write;
    struct Row
    {
        const char *name;
        mode_t mask;
        std::optional<perms> existing;
        perms expected;
    };
    // A mask that takes away bits the old file has shows that they are kept, not made anew.
    const Row rows[] = {
        {"new file, usual mask", 022, std::nullopt, everyoneReads},
        {"new file, private mask", 077, std::nullopt, readWrite},
        {"existing private file, usual mask", 022, readWrite, readWrite},
        {"existing file everyone may write, usual mask", 022, everyoneWrites, everyoneWrites},
        {"existing file everyone may read, private mask", 077, everyoneReads, everyoneReads},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            writeFile(folder / "in.txt", keyed("AA01"));
            if (row.existing) {
                writeFile(folder / "out.txt", "old");
                std::filesystem::permissions(folder / "out.txt", *row.existing);
            }
            const mode_t previousMask = ::umask(row.mask);
            const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder / "in.txt", folder / "out.txt");
            ::umask(previousMask);
            CHECK(outcome.kind == Kind::Sorted);
            CHECK(std::filesystem::status(folder / "out.txt").permissions() == row.expected);
        }
    }
}

TEST_CASE("a symbolic link as output updates the file it points at, and stays a link")
{
    struct Row
    {
        const char *name;
        std::vector<std::pair<std::string, std::string>> links; // link, what it points at
        std::string updated;                                    // empty: the write fails
        SystemFailure reason = SystemFailure::FileMissing;
    };
    const Row rows[] = {
        {"to an existing file", {{"link.txt", "real/sorted.txt"}}, "real/sorted.txt"},
        {"to a file yet to be made", {{"link.txt", "real/new.txt"}}, "real/new.txt"},
        {"through a second link", {{"link.txt", "second.txt"}, {"second.txt", "real/new.txt"}}, "real/new.txt"},
        {"relative to the link's own folder", {{"real/link.txt", "../real/new.txt"}}, "real/new.txt"},
        {"into a folder that is missing", {{"link.txt", "nowhere/new.txt"}}, "", SystemFailure::FolderMissing},
        {"in a loop", {{"link.txt", "second.txt"}, {"second.txt", "link.txt"}}, "", SystemFailure::LinkLoop},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            std::filesystem::create_directory(folder / "real");
            writeFile(folder / "in.txt", routeFile({keyed("BB01"), keyed("AA01")}));
            writeFile(folder / "real/sorted.txt", earlierOutput);
            for (const auto &[link, target] : row.links)
                std::filesystem::create_symlink(target, folder / link);
            const std::string output = row.links.front().first;

            const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder / "in.txt", folder / output);
            for (const auto &link : row.links)
                CHECK(std::filesystem::is_symlink(folder / link.first));
            if (row.updated.empty()) {
                CHECK(outcome.message == "Failed Sort - cannot write output file, \r\n File = " + (folder / output).string()
                                             + "\r\n Reason = " + support::reasonText(row.reason));
                CHECK(readFile(folder / "real/sorted.txt") == earlierOutput);
            } else {
                CHECK(outcome.kind == Kind::Sorted);
                CHECK(readFile(folder / row.updated) == routeFile({keyed("AA01"), keyed("BB01")}));
            }
        }
    }
}

#endif

TEST_CASE("the operator's run uses the fixed paths")
{
    const support::TemporaryFolder folder;
    support::useHomeFolder(folder.path());
    const std::filesystem::path data = support::fixedDataFolder(folder.path());
    std::filesystem::create_directories(data);
    writeFile(data / "taveld.txt", routeFile({keyed("BB01"), keyed("AA01")}));

    const ostrel::SortOutcome sorted = ostrel::SortInputFile();
    CHECK(sorted.kind == Kind::Sorted);
    CHECK(sorted.message == "Route Records were sorted.");
    CHECK(readFile(data / "tavelsrtd.txt") == routeFile({keyed("AA01"), keyed("BB01")}));

    writeFile(data / "taveld.txt", routeFile({keyed("AA01"), keyed("AA01")}));
    CHECK(ostrel::SortInputFile().kind == Kind::DuplicateKey);
    CHECK(readFile(data / "tavelsrtd.txt") == routeFile({keyed("AA01"), keyed("BB01")}));
}
