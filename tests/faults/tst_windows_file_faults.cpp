#include "folder_snapshot.h"
#include "runtime/path_text.h"
#include "runtime/windows/system_reason.h"
#include "sorting/sort_run.h"
#include "support/child_process.h"
#include "support/route_files.h"
#include "support/system_reasons.h"
#include "support/temporary_folder.h"

#include <doctest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

using support::SystemFailure;
using support::writeFile;

// Files that Windows refuses to tavel-sort.exe, and names it must take. Each
// refusal is reported with the file and Windows' reason, exit status 2, the
// earlier output untouched and no temporary file left beside it.

namespace {

const std::string recordA = support::routeRecord("AA01", "Harbour Road");
const std::string recordB = support::routeRecord("BB01", "Quarry Lane");

// Another program holding a file open, sharing it as it says or, as a
// spreadsheet holds the file it shows, with nobody; an empty name holds
// nothing. Windows holds handles of one process to the same sharing rules.
class HeldFile
{
public:
    explicit HeldFile(const std::filesystem::path &path, DWORD sharing = 0)
        : handle(path.empty() ? INVALID_HANDLE_VALUE
                              : ::CreateFileW(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr)),
          wanted(!path.empty())
    {
    }
    HeldFile(const HeldFile &) = delete;
    HeldFile &operator=(const HeldFile &) = delete;
    ~HeldFile()
    {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
    bool asked() const { return !wanted || handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle;
    bool wanted;
};

std::string shown(const std::filesystem::path &path)
{
    return std::filesystem::path(path).make_preferred().string();
}

support::ProcessRun sort(const support::TemporaryFolder &folder, const std::string &input, const std::string &output)
{
    return support::runProcess(TAVEL_SORT_PATH, {input, output}, {folder.path(), {}, {}, {}});
}

} // namespace

TEST_CASE("a file Windows refuses is reported with its reason, and nothing changes")
{
    struct Row
    {
        const char *name;
        std::string input;
        std::string output;
        bool inputFails;
        SystemFailure reason;
        bool readOnlyOutput = false;
        std::string heldByAnother = {};
    };
    const Row rows[] = {
        {"input missing", "missing.txt", "out\\sorted.txt", true, SystemFailure::FileMissing},
        {"input is a folder", "out", "out\\sorted.txt", true, SystemFailure::IsFolder},
        {"input held open by another program", "in.txt", "out\\sorted.txt", true, SystemFailure::SharingViolation,
         false, "in.txt"},
        {"output folder missing", "in.txt", "nowhere\\sorted.txt", false, SystemFailure::FolderMissing},
        {"output is a folder", "in.txt", "out", false, SystemFailure::IsFolder},
        {"output marked read-only", "in.txt", "out\\sorted.txt", false, SystemFailure::AccessDenied, true},
        {"output held open, as a spreadsheet holds it", "in.txt", "out\\sorted.txt", false,
         SystemFailure::SharingViolation, false, "out\\sorted.txt"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            writeFile(folder / "in.txt", support::routeFile({recordB, recordA}));
            std::filesystem::create_directory(folder / "out");
            writeFile(folder / "out\\sorted.txt", "earlier output");
            if (row.readOnlyOutput)
                ::SetFileAttributesW((folder / "out\\sorted.txt").c_str(), FILE_ATTRIBUTE_READONLY);
            const auto before = faults::snapshotFolder(folder.path());

            support::ProcessRun run;
            {
                const HeldFile held(row.heldByAnother.empty() ? std::filesystem::path() : folder / row.heldByAnother);
                REQUIRE(held.asked());
                run = sort(folder, row.input, row.output);
            }
            const std::string heading = row.inputFails ? "Failed Sort - cannot read input file, "
                                                       : "Failed Sort - cannot write output file, ";
            const std::string file = shown(folder / (row.inputFails ? row.input : row.output));
            CHECK(run.standardError == heading + "\n File = " + file + "\n Reason = " + support::reasonText(row.reason) + "\n");
            CHECK(run.exitCode == 2);
            CHECK(faults::snapshotFolder(folder.path()) == before);
            if (row.readOnlyOutput) {
                // Refused only after the wait for held files (2 s), it would
                // read the same: only the time tells. Timed in this process,
                // where no program has to start on a machine that may be busy,
                // and bounded at half that wait.
                const auto start = std::chrono::steady_clock::now();
                const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder / row.input, folder / row.output);
                CHECK(std::chrono::steady_clock::now() - start < std::chrono::seconds(1));
                CHECK(outcome.kind == ostrel::SortOutcome::Kind::WriteFailed);
            }
            ::SetFileAttributesW((folder / "out\\sorted.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }
}

TEST_CASE("names in any script, and paths past 260 characters, sort")
{
    const support::TemporaryFolder folder;
    // Written through the \\?\ form, which takes paths of any length.
    const std::filesystem::path root = L"\\\\?\\" + folder.path().wstring();
    std::string deep;
    for (int level = 0; level < 6; ++level)
        deep += "route-files-of-the-northern-depot-" + std::to_string(level) + "\\";
    std::filesystem::create_directories(root / deep);
    REQUIRE(folder.path().string().size() + deep.size() > 260);
    struct Row
    {
        const char *name;
        std::string input;
        std::string output;
    };
    const Row rows[] = {
        {"letters beyond ASCII", "Gr\xc3\xbcnwald-\xc3\x85sa-\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0.txt",
         "sorterad-\xe8\xb7\xaf\xe7\xba\xbf.txt"},
        {"path past 260 characters", deep + "in.txt", deep + "sorted.txt"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            writeFile(root / ostrel::pathFromText(row.input), support::routeFile({recordB, recordA}));
            const support::ProcessRun run = sort(folder, row.input, row.output);
            CHECK(run.standardOutput == "Route Records were sorted.\n");
            CHECK(run.exitCode == 0);
            CHECK(support::readFile(root / ostrel::pathFromText(row.output)) == support::routeFile({recordA, recordB}));
        }
    }
}

// A virus scanner, an indexer or a sync client holds a file for a moment after
// it is written; a spreadsheet showing it holds it for good. Held from before
// the run, let go 300 ms into it or only once it is over. The run is this
// process's own, so that it starts when the test says, however long a
// program would take to start on a busy machine.
TEST_CASE("a file another program holds for a moment is waited for, and one held for good refused soon")
{
    using namespace std::chrono;
    using namespace std::chrono_literals;
    struct Row
    {
        const char *name;
        std::string held;
        DWORD sharing; // what the holder lets others do
        bool forGood;
    };
    const Row rows[] = {
        {"output held without delete sharing for a moment", "out\\sorted.txt", FILE_SHARE_READ | FILE_SHARE_WRITE, false},
        {"output held without delete sharing for good", "out\\sorted.txt", FILE_SHARE_READ | FILE_SHARE_WRITE, true},
        {"input held without read sharing for a moment", "in.txt", FILE_SHARE_WRITE | FILE_SHARE_DELETE, false},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            writeFile(folder / "in.txt", support::routeFile({recordB, recordA}));
            std::filesystem::create_directory(folder / "out");
            writeFile(folder / "out\\sorted.txt", "earlier output");
            const auto before = faults::snapshotFolder(folder.path());

            auto held = std::make_unique<HeldFile>(folder / row.held, row.sharing);
            REQUIRE(held->asked());
            std::jthread letGo;
            if (!row.forGood) {
                letGo = std::jthread([&held] {
                    std::this_thread::sleep_for(300ms);
                    held.reset();
                });
            }
            const auto start = steady_clock::now();
            const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder / "in.txt", folder / "out\\sorted.txt");
            const auto took = steady_clock::now() - start;
            letGo = {};
            held.reset();

            if (!row.forGood) {
                CHECK(outcome.kind == ostrel::SortOutcome::Kind::Sorted);
                CHECK(support::readFile(folder / "out\\sorted.txt") == support::routeFile({recordA, recordB}));
                CHECK(support::folderEntries(folder / "out") == std::vector<std::string>{"sorted.txt"});
            } else {
                CHECK(outcome.message == "Failed Sort - cannot write output file, \r\n File = "
                                             + shown(folder / "out\\sorted.txt") + "\r\n Reason = "
                                             + support::reasonText(SystemFailure::SharingViolation));
                CHECK(faults::snapshotFolder(folder.path()) == before);
                // The wait (about 2 s) has a bound, with room for a loaded machine.
                CHECK(took < 5s);
            }
        }
    }
}

namespace {

// How the next run's ReplaceFileW goes: refused as held for a number of
// tries, then, if it fails half way, the old file moved to the backup and
// the new one left where it was, as Windows leaves them.
struct ReplaceFault
{
    int heldTries = 0;
    bool halfWay = false;
    int calls = 0;
};
ReplaceFault replaceFault;

// The run's ReplaceFileW, as this program imports it.
extern "C" decltype(&::ReplaceFileW) __imp_ReplaceFileW;
decltype(&::ReplaceFileW) systemReplace = nullptr;

BOOL WINAPI faultyReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID exclude,
                          LPVOID reserved)
{
    if (replaceFault.calls++ < replaceFault.heldTries) {
        ::SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    if (replaceFault.halfWay) {
        ::MoveFileExW(replaced, backup, 0);
        ::SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
        return FALSE;
    }
    return systemReplace(replaced, replacement, backup, flags, exclude, reserved);
}

void importReplace(decltype(&::ReplaceFileW) function)
{
    DWORD was = 0;
    ::VirtualProtect(&__imp_ReplaceFileW, sizeof function, PAGE_READWRITE, &was);
    __imp_ReplaceFileW = function;
    ::VirtualProtect(&__imp_ReplaceFileW, sizeof function, was, &was);
}

} // namespace

TEST_CASE("a replace held for a moment is tried again, and one failing half way puts the old output back")
{
    using Kind = ostrel::SortOutcome::Kind;
    struct Row
    {
        const char *name;
        ReplaceFault fault;
        Kind kind;
    };
    const Row rows[] = {
        {"held for two tries", {2, false}, Kind::Sorted},
        {"failing half way", {0, true}, Kind::WriteFailed},
    };
    systemReplace = __imp_ReplaceFileW;
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            writeFile(folder / "in.txt", support::routeFile({recordB, recordA}));
            writeFile(folder / "sorted.txt", "earlier output");
            replaceFault = row.fault;
            importReplace(faultyReplace);
            const ostrel::SortOutcome outcome = ostrel::sortRecordFile(folder / "in.txt", folder / "sorted.txt");
            importReplace(systemReplace);

            CHECK(outcome.kind == row.kind);
            CHECK(replaceFault.calls == row.fault.heldTries + 1);
            if (row.kind == Kind::Sorted) {
                CHECK(support::readFile(folder / "sorted.txt") == support::routeFile({recordA, recordB}));
            } else {
                CHECK(outcome.message.ends_with(ostrel::systemReason(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)));
                CHECK(support::readFile(folder / "sorted.txt") == "earlier output");
            }
            CHECK(support::folderEntries(folder.path()) == std::vector<std::string>{"in.txt", "sorted.txt"});
        }
    }
}

// A scanner, an indexer or a sync client tries each run file as soon as it is
// there: opened to share deletion only, no other program can hold it, so the
// run goes on, and every run file is gone with its handle.
TEST_CASE("run files are kept from other programs, and none is left")
{
    using namespace std::chrono_literals;
    const support::TemporaryFolder folder;
    std::vector<std::string> records;
    for (int i = 0; i < 2000; ++i)
        records.push_back(support::routeRecord(std::to_string(1000 + i), "Harbour Road"));
    const std::vector<std::string> unsorted(records.rbegin(), records.rend());
    writeFile(folder / "in.txt", support::routeFile(unsorted));
    std::filesystem::create_directory(folder / "runs");

    std::atomic<bool> ended = false;
    std::atomic<int> refused = 0;
    std::atomic<int> held = 0;
    std::jthread scanner([&] {
        while (!ended) {
            std::error_code ignored;
            for (const auto &entry : std::filesystem::directory_iterator(folder / "runs", ignored)) {
                const HeldFile file(entry.path(), FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
                ++(file.asked() ? held : refused);
            }
            std::this_thread::sleep_for(1ms);
        }
    });
    ostrel::RunSettings settings;
    settings.memory = 64 * 1024;
    settings.temporaryFolder = folder / "runs";
    const ostrel::SortOutcome outcome =
        ostrel::sortRecordFile(folder / "in.txt", folder / "sorted.txt", ostrel::systemChoice(), settings);
    ended = true;
    scanner = {};

    CHECK(outcome.kind == ostrel::SortOutcome::Kind::Sorted);
    CHECK(support::readFile(folder / "sorted.txt") == support::routeFile(records));
    CHECK(refused > 0);
    CHECK(held == 0);
    CHECK(support::folderEntries(folder / "runs").empty());
}
