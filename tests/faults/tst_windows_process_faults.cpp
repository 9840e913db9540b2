#include "folder_snapshot.h"
#include "route_input.h"
#include "support/child_process.h"
#include "support/route_files.h"
#include "support/temporary_folder.h"

#include <doctest.h>

#include <windows.h>

using support::writeFile;

// A run's temporary file must never outlive the run: not when the run is
// killed while writing, and not past the next run when it is killed at the
// very moment it names the file to put it in place.

namespace {

constexpr std::size_t recordLength = 198;

// A temporary with its size reserved: the mark that deletes it at close is
// set by then. A run killed in the instant between creating the file and
// marking it leaves it to the next run, as the case below shows.
bool temporaryBeingWrittenIn(const std::filesystem::path &folder)
{
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        std::error_code gone;
        if (entry.path().filename().string().find(".~ostrel-") != std::string::npos
            && std::filesystem::file_size(entry.path(), gone) > 0 && !gone)
            return true;
    }
    return false;
}

support::ProcessSetup in(const support::TemporaryFolder &folder)
{
    return {folder.path(), {}, {}, {}};
}

} // namespace

TEST_CASE("a run killed while writing leaves the earlier output and no temporary file")
{
    const support::TemporaryFolder folder;
    writeFile(folder / "in.txt", faults::distinctRouteFile(750'000, recordLength, "AA01"));
    std::filesystem::create_directory(folder / "out");
    writeFile(folder / "out\\sorted.txt", "earlier output");
    const auto before = faults::snapshotFolder(folder / "out");

    support::ChildProcess process(TAVEL_SORT_PATH, {"in.txt", "out\\sorted.txt"}, in(folder));
    const bool killed = process.killOnceSeen([&] { return temporaryBeingWrittenIn(folder / "out"); });
    REQUIRE_MESSAGE(killed, "the run ended before it was seen writing");
    CHECK(process.finish().exitCode == -1);
    CHECK(faults::snapshotFolder(folder / "out") == before);
}

TEST_CASE("the next run clears a temporary file left behind, unless a running sort holds it")
{
    const support::TemporaryFolder folder;
    const std::string record = support::routeRecord(190, {{1, "AA01"}});
    writeFile(folder / "in.txt", record + "\r\n");
    writeFile(folder / "sorted.txt.~ostrel-4711-0.tmp", "left by a killed run");
    writeFile(folder / "sorted.txt.~ostrel-4712-0.tmp", "still being written");
    const HANDLE held = ::CreateFileW((folder / "sorted.txt.~ostrel-4712-0.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    REQUIRE(held != INVALID_HANDLE_VALUE);

    const support::ProcessRun run = support::runProcess(TAVEL_SORT_PATH, {"in.txt", "sorted.txt"}, in(folder));
    ::CloseHandle(held);
    CHECK(run.exitCode == 0);
    CHECK(support::folderEntries(folder.path())
          == std::vector<std::string>{"in.txt", "sorted.txt", "sorted.txt.~ostrel-4712-0.tmp"});
    CHECK(support::readFile(folder / "sorted.txt") == record + "\r\n");
}
