#include "support/child_process.h"
#include "support/route_files.h"
#include "support/temporary_folder.h"
#include "terminal_process.h"

#include <doctest.h>

#include <chrono>
#include <string>
#include <thread>

#include <sys/stat.h>

using support::routeRecord;

// A crafted route file must not be able to drive the operator's terminal
// through the batch tool's messages, while scripts reading them get the bytes.
TEST_CASE("control bytes are shown escaped on a terminal and kept when redirected")
{
    struct Row
    {
        const char *name;
        std::vector<std::string> arguments;
        int exitCode;
        bool onStandardError;
        std::string onTerminal;
        std::string redirected;
    };
    const Row rows[] = {
        {"control bytes in a repeated name and key", {"crafted.txt", "out.txt"}, 1, true,
         "Failed Sort - duplicate keys, \n Line =  2\n Name = \\x1b[2JWiped\\x09out\n"
         " Key = .................\\x1b[\\x07\\x7f01\n",
         "Failed Sort - duplicate keys, \n Line =  2\n Name = \x1b[2JWiped\tout\n"
         " Key = .................\x1b[\x07\x7f" "01\n"},
        {"control bytes in the input path", {"set\x1b]0;title\x07.txt", "out.txt"}, 2, true,
         "Failed Sort - cannot read input file, \n File = %1/set\\x1b]0;title\\x07.txt\n"
         " Reason = No such file or directory\n",
         "Failed Sort - cannot read input file, \n File = %1/set\x1b]0;title\x07.txt\n"
         " Reason = No such file or directory\n"},
        // U+0080 and U+009F bound the 8-bit controls; U+00A0, just past them, is kept.
        {"8-bit controls in UTF-8, letters kept",
         {"set\xc2\x9b" "2J\xc2\x80\xc2\x9f\xc2\xa0-\xc3\xa9\xc5\x9b.txt", "out.txt"}, 2, true,
         "Failed Sort - cannot read input file, \n File = %1/set\\xc2\\x9b2J\\xc2\\x80\\xc2\\x9f\xc2\xa0-\xc3\xa9\xc5\x9b.txt\n"
         " Reason = No such file or directory\n",
         "Failed Sort - cannot read input file, \n File = %1/set\xc2\x9b" "2J\xc2\x80\xc2\x9f\xc2\xa0-\xc3\xa9\xc5\x9b.txt\n"
         " Reason = No such file or directory\n"},
        {"success message unchanged", {"plain.txt", "out.txt"}, 0, false, "Route Records were sorted.\n",
         "Route Records were sorted.\n"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            // Clears the screen from the name; bell and delete sit in the key.
            const std::string record = routeRecord("\x07\x7f" "01", "\x1b[2JWiped\tout");
            support::writeFile(folder / "crafted.txt", record + "\r\n" + record + "\r\n");
            support::writeFile(folder / "plain.txt", routeRecord(190, {{1, "AA01"}}) + "\r\n");
            const auto withFolder = [&](std::string text) {
                for (std::size_t at; (at = text.find("%1")) != std::string::npos;)
                    text.replace(at, 2, folder.path().string());
                return text;
            };

            const faults::TerminalRun shown = faults::runOnTerminal(TAVEL_SORT_PATH, row.arguments, folder.path());
            CHECK(shown.shown == withFolder(row.onTerminal));
            CHECK(shown.exitCode == row.exitCode);

            const support::ProcessRun piped = support::runProcess(TAVEL_SORT_PATH, row.arguments, {folder.path(), {}, {}, {}});
            CHECK((row.onStandardError ? piped.standardError : piped.standardOutput) == withFolder(row.redirected));
            CHECK(piped.exitCode == row.exitCode);
        }
    }
}

// An input that takes its time to arrive, as a named pipe whose writer opens
// it late: the run lasts past the second after which its step is shown.
TEST_CASE("a long run shows its step on the terminal, cleared before its message, and nothing when redirected")
{
    using namespace std::chrono_literals;
    const support::TemporaryFolder folder;
    const std::filesystem::path pipe = folder / "slow.txt";
    REQUIRE(::mkfifo(pipe.c_str(), 0600) == 0);
    const std::string input = routeRecord(190, {{1, "BB01"}}) + "\r\n" + routeRecord(190, {{1, "AA01"}}) + "\r\n";
    const auto writeLate = [&] {
        std::this_thread::sleep_for(1600ms);
        support::writeFile(pipe, input);
    };
    const std::string message = "Route Records were sorted.\n";

    std::jthread writer(writeLate);
    const faults::TerminalRun shown = faults::runOnTerminal(TAVEL_SORT_PATH, {"slow.txt", "out.txt"}, folder.path());
    writer = {};
    CHECK(shown.exitCode == 0);
    CHECK(shown.shown.starts_with("\rReading"));
    // "Reading" is seven columns: overwritten by as many spaces.
    std::string cleared(9, ' ');
    cleared.front() = cleared.back() = '\r';
    CHECK(shown.shown.ends_with(cleared + message));

    writer = std::jthread(writeLate);
    const support::ProcessRun piped = support::runProcess(TAVEL_SORT_PATH, {"slow.txt", "out.txt"}, {folder.path(), {}, {}, {}});
    writer = {};
    CHECK(piped.standardOutput == message);
    CHECK(piped.standardError == "");
}
