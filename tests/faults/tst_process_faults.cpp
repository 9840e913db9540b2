#include "folder_snapshot.h"
#include "route_input.h"
#include "support/child_process.h"
#include "support/route_files.h"
#include "support/sanitizer_build.h"
#include "support/temporary_folder.h"
#include "system_call_filter.h"

#include <doctest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <thread>

#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using support::readFile;
using support::writeFile;
using Entries = std::vector<std::string>;

// Faults of the process and the system while the batch tool writes: limits,
// a kill, a second run on the same output.

namespace {

// Records of 200 bytes; the output is the same size as the input.
constexpr std::size_t recordLength = 198;

void setLimit(int resource, rlim_t bytes)
{
    const rlimit limit{bytes, bytes};
    if (::setrlimit(resource, &limit) != 0)
        ::_exit(124);
}

// Lets the test process keep up with the child it watches.
void lowestPriority()
{
    ::setpriority(PRIO_PROCESS, 0, 19);
}

// Whether the process holds a file in folder open: its output, written.
bool writesUnder(long pid, const std::filesystem::path &folder)
{
    std::error_code ignored;
    const std::string prefix = folder.string() + '/';
    for (const auto &entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ignored)) {
        const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), ignored);
        if (target.string().starts_with(prefix))
            return true;
    }
    return false;
}

// Whether a run's temporary file stands by name in the folder, its size
// reserved: its lock is taken by then.
bool namedTemporaryIn(const std::filesystem::path &folder)
{
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(folder, ignored)) {
        std::error_code gone;
        if (entry.path().filename().string().find(".~ostrel-") != std::string::npos
            && std::filesystem::file_size(entry.path(), gone) > 0 && !gone)
            return true;
    }
    return false;
}

struct ProcessFolder
{
    ProcessFolder()
    {
        std::filesystem::create_directory(folder / "out");
        writeFile(folder / "out/sorted.txt", "earlier output");
    }
    support::ProcessSetup setup(std::function<void()> inChild = {}) const
    {
        return {folder.path(), {{"HOME", folder.path().string()}}, {}, std::move(inChild)};
    }
    std::string text(std::string pattern) const
    {
        for (std::size_t at; (at = pattern.find("%1")) != std::string::npos;)
            pattern.replace(at, 2, folder.path().string());
        return pattern;
    }

    const support::TemporaryFolder folder;
};

} // namespace

TEST_CASE("a resource limit fails the run and leaves the output alone")
{
    struct Row
    {
        const char *name;
        int resource;
        rlim_t limit;
        std::string input;
        std::string expectedError;
        bool namedTemporary = false; // as where the file system has no unnamed files
        std::vector<std::string> options;
    };
    const std::string sizeLimitError =
        "Failed Sort - cannot write output file, \n File = %1/out/sorted.txt\n Reason = File too large\n";
    std::vector<Row> rows{
        // The limit holds for root too; a crossing fails the write instead of
        // killing the process with SIGXFSZ.
        {"file size limit below the output", RLIMIT_FSIZE, 64 * 1024, faults::distinctRouteFile(5000, recordLength, "AA01"),
         sizeLimitError, false, {}},
        {"file size limit below the output, named temporary", RLIMIT_FSIZE, 64 * 1024,
         faults::distinctRouteFile(5000, recordLength, "AA01"), sizeLimitError, true, {}},
    };
    if (!support::addressSanitized) {
        // Short lines cost far more to order than to hold.
        rows.push_back({"address space below the memory the operator gives", RLIMIT_AS, 384 * 1024 * 1024,
                        std::string(16 * 1024 * 1024, '\n'),
                        "Failed Sort - not enough memory, \n File = %1/in.txt\n", false, {"--memory", "4G"}});
    }
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const ProcessFolder batch;
            writeFile(batch.folder / "in.txt", row.input);
            const Entries before = faults::snapshotFolder(batch.folder / "out");
            const int resource = row.resource;
            const rlim_t limit = row.limit;
            const bool named = row.namedTemporary;
            std::vector<std::string> arguments = row.options;
            arguments.insert(arguments.end(), {"in.txt", "out/sorted.txt"});
            const support::ProcessRun result =
                support::runProcess(TAVEL_SORT_PATH, arguments, batch.setup([=] {
                                        setLimit(resource, limit);
                                        if (named)
                                            faults::refuseUnnamedFiles();
                                    }));
            CHECK(result.standardError == batch.text(row.expectedError));
            CHECK(result.exitCode == 2);
            CHECK(faults::snapshotFolder(batch.folder / "out") == before);
        }
    }
}

TEST_CASE("beyond the memory a limit leaves, a file is sorted in runs as it is in memory"
          * doctest::skip(support::addressSanitized))
{
    // About 80 MB, which a 96 MiB address space cannot hold with its records.
    const std::string distinct = faults::distinctRouteFile(400'000, recordLength, "AA01");
    std::string repeated = distinct;
    repeated.replace(350'000 * (recordLength + 2), recordLength, distinct.substr(10 * (recordLength + 2), recordLength));
    const std::pair<const char *, const std::string &> rows[] = {{"sorted", distinct}, {"repeat across runs", repeated}};
    for (const auto &[name, input] : rows) {
        SUBCASE(name)
        {
            const ProcessFolder batch;
            writeFile(batch.folder / "in.txt", input);
            const auto limited = [] { setLimit(RLIMIT_AS, 96 << 20); };
            const support::ProcessRun inMemory =
                support::runProcess(TAVEL_SORT_PATH, {"in.txt", "out/memory.txt"}, batch.setup());
            const support::ProcessRun inRuns =
                support::runProcess(TAVEL_SORT_PATH, {"in.txt", "out/runs.txt"}, batch.setup(limited));
            CHECK(inRuns.exitCode == inMemory.exitCode);
            CHECK(inRuns.standardOutput == inMemory.standardOutput);
            CHECK(inRuns.standardError == inMemory.standardError);
            CHECK(faults::snapshotFolder(batch.folder / "out").size() == (inMemory.exitCode == 0 ? 3 : 1));
            if (inMemory.exitCode == 0)
                CHECK(readFile(batch.folder / "out/runs.txt") == readFile(batch.folder / "out/memory.txt"));
            // The limit binds: in memory, the file does not fit under it.
            const support::ProcessRun forced = support::runProcess(
                TAVEL_SORT_PATH, {"--memory", "4G", "in.txt", "out/forced.txt"}, batch.setup(limited));
            CHECK(forced.standardError == batch.text("Failed Sort - not enough memory, \n File = %1/in.txt\n"));
        }
    }
}

TEST_CASE("a run killed while writing leaves the earlier output, and no run file")
{
    // In runs, the output is written as they are merged.
    const std::vector<std::string> rows[] = {{}, {"--memory", "8M", "--temporary-folder", "runs"}};
    for (const std::vector<std::string> &options : rows) {
        SUBCASE(options.empty() ? "in memory" : "merging runs")
        {
            const ProcessFolder batch;
            // Large enough that writing and flushing it to disk takes far longer than
            // one look at the child's open files.
            writeFile(batch.folder / "in.txt", faults::distinctRouteFile(750'000, recordLength, "AA01"));
            std::filesystem::create_directory(batch.folder / "runs");
            const Entries before = faults::snapshotFolder(batch.folder / "out");
            std::vector<std::string> arguments = options;
            arguments.insert(arguments.end(), {"in.txt", "out/sorted.txt"});
            support::ChildProcess process(TAVEL_SORT_PATH, arguments, batch.setup(lowestPriority));
            const bool killed = process.killOnceSeen([&] { return writesUnder(process.id(), batch.folder / "out"); });
            REQUIRE_MESSAGE(killed, "the run ended before it was seen writing");
            CHECK(process.finish().exitCode == -1);
            CHECK(faults::snapshotFolder(batch.folder / "out") == before);
            CHECK(faults::snapshotFolder(batch.folder / "runs").empty());
        }
    }
}

TEST_CASE("a run killed at the flush before the rename leaves the earlier output")
{
    const ProcessFolder batch;
    writeFile(batch.folder / "in.txt", faults::distinctRouteFile(1000, recordLength, "AA01"));
    const Entries before = faults::snapshotFolder(batch.folder / "out");
    const support::ProcessRun result =
        support::runProcess(TAVEL_SORT_PATH, {"in.txt", "out/sorted.txt"}, batch.setup([] {
            // Every record written, nothing renamed yet.
            faults::dieAtFirstOf({__NR_fdatasync, __NR_fsync});
        }));
    CHECK(result.exitCode == -1);
    CHECK(faults::snapshotFolder(batch.folder / "out") == before);
}

TEST_CASE("a refused file leaves no temporary file, named or not")
{
    for (const bool named : {false, true}) {
        SUBCASE(named ? "named temporary" : "unnamed temporary")
        {
            const ProcessFolder batch;
            const std::string record = support::routeRecord(190, {{1, "AA01"}});
            writeFile(batch.folder / "in.txt", record + "\r\n" + record + "\r\n");
            const Entries before = faults::snapshotFolder(batch.folder / "out");
            const support::ProcessRun result = support::runProcess(
                TAVEL_SORT_PATH, {"in.txt", "out/sorted.txt"}, batch.setup([=] {
                    if (named)
                        faults::refuseUnnamedFiles();
                }));
            CHECK(result.exitCode == 1);
            CHECK(faults::snapshotFolder(batch.folder / "out") == before);
        }
    }
}

// Killed after its temporary got a name and before the rename, a run leaves
// that file; the next run on the same output clears it.
TEST_CASE("a run killed at the rename leaves its temporary file, and the next run clears it")
{
    for (const bool named : {false, true}) {
        SUBCASE(named ? "named from the start" : "named just before the rename")
        {
            const ProcessFolder batch;
            writeFile(batch.folder / "in.txt", faults::distinctRouteFile(1000, recordLength, "AA01"));
            const support::ProcessRun killed =
                support::runProcess(TAVEL_SORT_PATH, {"in.txt", "out/sorted.txt"}, batch.setup([=] {
                                        if (named)
                                            faults::refuseUnnamedFiles();
                                        faults::dieAtFirstOf({__NR_rename, __NR_renameat, __NR_renameat2});
                                    }));
            CHECK(killed.exitCode == -1);
            const Entries left = support::folderEntries(batch.folder / "out");
            REQUIRE(left.size() == 2);
            CHECK(left[1].starts_with("sorted.txt.~ostrel-"));
            CHECK(readFile(batch.folder / "out/sorted.txt") == "earlier output");

            CHECK(support::runProcess(TAVEL_SORT_PATH, {"in.txt", "out/sorted.txt"}, batch.setup()).exitCode == 0);
            CHECK(support::folderEntries(batch.folder / "out") == Entries{"sorted.txt"});
        }
    }
}

TEST_CASE("a temporary file that a running sort holds is never cleared, nor the operator's own files")
{
    const ProcessFolder batch;
    writeFile(batch.folder / "in.txt", faults::distinctRouteFile(10, recordLength, "AA01"));
    // In the order folderEntries lists them.
    const Entries kept{"sorted.txt", "sorted.txt.old", "sorted.txt.~ostrel-.tmp", "sorted.txt.~ostrel-4712-0.tmp",
                       "sorted.txt.~ostrel-notes.txt"};
    for (const std::string &name : kept)
        writeFile(batch.folder / "out" / name, "kept");
    writeFile(batch.folder / "out/sorted.txt.~ostrel-4711-0.tmp", "left by a killed run");
    // As the run that wrote it would hold it.
    const int held = ::open((batch.folder / "out/sorted.txt.~ostrel-4712-0.tmp").c_str(), O_RDONLY | O_CLOEXEC);
    REQUIRE(::flock(held, LOCK_EX) == 0);

    const support::ProcessRun run = support::runProcess(TAVEL_SORT_PATH, {"in.txt", "out/sorted.txt"}, batch.setup());
    ::close(held);
    CHECK(run.exitCode == 0);
    CHECK(support::folderEntries(batch.folder / "out") == kept);
}

// Where the file system has no unnamed files, a run's temporary file has a
// name from the start, and another run on the same output meets it there.
TEST_CASE("a second run on the same output leaves a running sort's temporary file alone")
{
    const ProcessFolder batch;
    writeFile(batch.folder / "a.txt", faults::distinctRouteFile(750'000, recordLength, "AA01"));
    writeFile(batch.folder / "b.txt", faults::distinctRouteFile(10, recordLength, "BB01"));
    support::ChildProcess first(TAVEL_SORT_PATH, {"a.txt", "out/sorted.txt"}, batch.setup([] {
                                    lowestPriority();
                                    faults::refuseUnnamedFiles();
                                }));
    bool seen = false;
    while (first.running() && !(seen = namedTemporaryIn(batch.folder / "out")))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    REQUIRE_MESSAGE(seen, "the run ended before it was seen writing");
    // Held where it is, its temporary file named, until the second run is over.
    ::kill(pid_t(first.id()), SIGSTOP);
    const support::ProcessRun second =
        support::runProcess(TAVEL_SORT_PATH, {"b.txt", "out/sorted.txt"}, batch.setup());
    ::kill(pid_t(first.id()), SIGCONT);

    CHECK(second.exitCode == 0);
    CHECK(first.finish().exitCode == 0);
    CHECK(support::folderEntries(batch.folder / "out") == Entries{"sorted.txt"});
    CHECK(std::filesystem::file_size(batch.folder / "out/sorted.txt") == std::filesystem::file_size(batch.folder / "a.txt"));
}

// The system reports every write by a program of this machine, but not one
// from another machine of a network file system, nor any at all once the
// user's file watches are taken: then the file's size and time must tell.
TEST_CASE("an input rewritten in place through the run is refused where no write is reported")
{
    const ProcessFolder batch;
    writeFile(batch.folder / "in.txt", faults::distinctRouteFile(200'000, recordLength, "AA01"));
    const Entries before = faults::snapshotFolder(batch.folder / "out");
    std::atomic<bool> runOver{false};
    std::atomic<int> writes{0};
    std::thread writer([&] {
        std::fstream file(batch.folder / "in.txt", std::ios::in | std::ios::out | std::ios::binary);
        for (int i = 0; !runOver; ++i, ++writes) {
            file.seekp(0);
            file.write(i % 2 ? "ZZ99" : "AA00", 4);
            file.flush();
        }
    });
    while (writes == 0)
        std::this_thread::yield();
    const support::ProcessRun run =
        support::runProcess(TAVEL_SORT_PATH, {"in.txt", "out/sorted.txt"}, batch.setup(faults::refuseFileWatches));
    runOver = true;
    writer.join();
    CHECK(run.standardError
          == batch.text("Failed Sort - cannot read input file, \n File = %1/in.txt\n Reason = The file changed while it "
                        "was read\n"));
    CHECK(run.exitCode == 2);
    CHECK(faults::snapshotFolder(batch.folder / "out") == before);
}

// A power cut just after the rename must not lose the new file's name.
TEST_CASE("the output's folder is synced after the rename, whatever the output path")
{
    // Without strace nothing here would be checked, and the test would pass unseen.
    REQUIRE_MESSAGE(support::runProcess("/usr/bin/strace", {"-o", "/dev/null", "true"}).exitCode == 0,
                    "strace must be able to trace here (scripts/install-dependencies installs it)");
    const ProcessFolder batch;
    writeFile(batch.folder / "in.txt", faults::distinctRouteFile(10, recordLength, "AA01"));
    struct Row
    {
        const char *name;
        std::string output;
        std::filesystem::path folder;
    };
    const Row rows[] = {
        {"bare file name", "sorted.txt", batch.folder.path()},
        {"relative path", "out/sorted.txt", batch.folder / "out"},
        {"absolute path", (batch.folder / "out/sorted.txt").string(), batch.folder / "out"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const std::string trace = (batch.folder / "trace.txt").string();
            const support::ProcessRun run = support::runProcess(
                "/usr/bin/strace", {"-f", "-y", "-qq", "-o", trace, "-e", "trace=rename,renameat,renameat2,fsync",
                                    TAVEL_SORT_PATH, "in.txt", row.output},
                // LeakSanitizer refuses to run under a tracer.
                {batch.folder.path(), {{"ASAN_OPTIONS", "detect_leaks=0"}}, {}, {}});
            REQUIRE(run.exitCode == 0);
            std::ifstream lines(trace);
            // strace -y shows a descriptor with the path it names: fsync(3</the/folder>).
            std::string folderSynced = "<";
            folderSynced += row.folder.string();
            folderSynced += ">) = 0";
            bool renamed = false;
            bool syncedAfter = false;
            for (std::string line; std::getline(lines, line);) {
                if (line.find("rename") != std::string::npos && line.find("sorted.txt\") = 0") != std::string::npos)
                    renamed = true;
                else if (renamed && line.find("fsync(") != std::string::npos
                         && line.find(folderSynced) != std::string::npos)
                    syncedAfter = true;
            }
            CHECK(renamed);
            CHECK(syncedAfter);
        }
    }
}

TEST_CASE("two runs at once on one output leave one run's complete output")
{
    const ProcessFolder batch;
    const std::size_t records = 100'000;
    writeFile(batch.folder / "a.txt", faults::distinctRouteFile(records, recordLength, "AA01"));
    writeFile(batch.folder / "b.txt", faults::distinctRouteFile(records, recordLength, "BB01"));
    REQUIRE(support::runProcess(TAVEL_SORT_PATH, {"a.txt", "sorted-a.txt"}, batch.setup()).exitCode == 0);
    REQUIRE(support::runProcess(TAVEL_SORT_PATH, {"b.txt", "sorted-b.txt"}, batch.setup()).exitCode == 0);
    const std::string sortedA = readFile(batch.folder / "sorted-a.txt");
    const std::string sortedB = readFile(batch.folder / "sorted-b.txt");
    REQUIRE(sortedA != sortedB);

    for (int round = 0; round < 5; ++round) {
        CAPTURE(round);
        support::ChildProcess first(TAVEL_SORT_PATH, {"a.txt", "out/sorted.txt"}, batch.setup());
        support::ChildProcess second(TAVEL_SORT_PATH, {"b.txt", "out/sorted.txt"}, batch.setup());
        CHECK(first.finish().exitCode == 0);
        CHECK(second.finish().exitCode == 0);
        const std::string output = readFile(batch.folder / "out/sorted.txt");
        CHECK_MESSAGE((output == sortedA || output == sortedB), "the output is not one run's complete output");
        CHECK(support::folderEntries(batch.folder / "out") == Entries{"sorted.txt"});
    }
}

TEST_CASE("a named pipe as output is written into, not replaced")
{
    const ProcessFolder batch;
    writeFile(batch.folder / "in.txt", faults::distinctRouteFile(20'000, recordLength, "AA01"));
    REQUIRE(::mkfifo((batch.folder / "out/pipe").c_str(), 0600) == 0);

    support::ChildProcess process(TAVEL_SORT_PATH, {"in.txt", "out/pipe"}, batch.setup());
    std::ifstream pipe(batch.folder / "out/pipe", std::ios::binary);
    const std::string received{std::istreambuf_iterator<char>(pipe), std::istreambuf_iterator<char>()};
    CHECK(process.finish().exitCode == 0);
    REQUIRE(support::runProcess(TAVEL_SORT_PATH, {"in.txt", "sorted.txt"}, batch.setup()).exitCode == 0);
    CHECK((received == readFile(batch.folder / "sorted.txt")));
    CHECK(std::filesystem::is_fifo(batch.folder / "out/pipe"));
}
