#include "folder_snapshot.h"
#include "support/child_process.h"
#include "support/route_files.h"
#include "support/temporary_folder.h"
#include "unprivileged.h"

#include <doctest.h>

#include <string>

#include <sys/mount.h>

using std::filesystem::perms;
using support::writeFile;

// Files that cannot be read or written, met by the batch tool. Every run is
// made by an unprivileged user, as operators are; CI runs the tests as root,
// for whom no permission would ever be denied.

namespace {

constexpr perms anyUserMayEnter = perms::owner_all | perms::group_read | perms::group_exec | perms::others_read
                                  | perms::others_exec;
constexpr perms anyUserMayRead = perms::owner_read | perms::owner_write | perms::group_read | perms::others_read;

const std::string readHeading = "Failed Sort - cannot read input file, ";
const std::string writeHeading = "Failed Sort - cannot write output file, ";

void prepare(const std::filesystem::path &root)
{
    std::filesystem::permissions(root, anyUserMayEnter);
    const std::string record = support::routeRecord("AA01", "Harbour Road") + "\r\n";
    writeFile(root / "in.txt", record);
    std::filesystem::permissions(root / "in.txt", anyUserMayRead);
    writeFile(root / "unreadable.txt", record);
    std::filesystem::permissions(root / "unreadable.txt", perms::none);
    std::filesystem::create_directory(root / "sealed");
    writeFile(root / "sealed/in.txt", record);
    std::filesystem::permissions(root / "sealed", perms::none);

    // Anyone may write here, so each row fails only for the reason it names.
    std::filesystem::create_directory(root / "out");
    std::filesystem::permissions(root / "out", anyUserMayEnter | perms::group_write | perms::others_write);
    writeFile(root / "out/sorted.txt", "earlier output");
    writeFile(root / "out/readonly.txt", "earlier output");
    std::filesystem::permissions(root / "out/readonly.txt", perms::owner_read | perms::group_read | perms::others_read);
    std::filesystem::create_directory(root / "locked");
    writeFile(root / "locked/sorted.txt", "earlier output");
    std::filesystem::permissions(root / "locked/sorted.txt", anyUserMayRead);
    std::filesystem::permissions(root / "locked", anyUserMayEnter & ~perms::owner_write);
}

} // namespace

TEST_CASE("a file that cannot be read or written is refused, and nothing changes")
{
    struct Row
    {
        const char *name;
        std::string input;
        std::string output;
        std::string heading;
        std::string failingPath;
        std::string reason;
    };
    const Row rows[] = {
        {"input unreadable", "unreadable.txt", "out/sorted.txt", readHeading, "unreadable.txt", "Permission denied"},
        {"input in a folder that cannot be entered", "sealed/in.txt", "out/sorted.txt", readHeading, "sealed/in.txt",
         "Permission denied"},
        {"output folder not writable", "in.txt", "locked/new.txt", writeHeading, "locked/new.txt", "Permission denied"},
        {"earlier output not writable, folder not writable", "in.txt", "locked/sorted.txt", writeHeading,
         "locked/sorted.txt", "Permission denied"},
        // The folder would allow replacing it, but the operator may not write the file.
        {"earlier output not writable, folder writable", "in.txt", "out/readonly.txt", writeHeading, "out/readonly.txt",
         "Permission denied"},
        {"output folder is a file", "in.txt", "in.txt/sorted.txt", writeHeading, "in.txt/sorted.txt", "Not a directory"},
    };
    const support::TemporaryFolder toolFolder;
    std::filesystem::permissions(toolFolder.path(), anyUserMayEnter);
    const std::filesystem::path tool = faults::copyForAnyUser(TAVEL_SORT_PATH, toolFolder.path());
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            prepare(folder.path());
            const std::vector<std::string> before = faults::snapshotFolder(folder.path());
            const support::ProcessRun run = support::runProcess(
                tool, {row.input, row.output},
                {folder.path(), {{"HOME", folder.path().string()}}, {}, faults::dropPrivileges});
            CHECK(run.standardError
                  == row.heading + "\n File = " + (folder / row.failingPath).string() + "\n Reason = " + row.reason + '\n');
            CHECK(run.standardOutput == "");
            CHECK(run.exitCode == 2);
            CHECK(faults::snapshotFolder(folder.path()) == before);
        }
    }
}

namespace {

// A small disk of its own for the runs, where the test may mount one.
class SmallDisk
{
public:
    explicit SmallDisk(const std::filesystem::path &at) : place(at)
    {
        std::filesystem::create_directory(place);
        mounted = ::mount("tmpfs", place.c_str(), "tmpfs", 0, "size=32m") == 0;
    }
    ~SmallDisk()
    {
        if (mounted)
            ::umount2(place.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    const std::filesystem::path place;
    bool mounted = false;
};

std::string linesOf(std::size_t count, std::size_t length, std::size_t first)
{
    std::string lines;
    for (std::size_t i = first; i < first + count; ++i) {
        std::string number = std::to_string(i);
        lines += std::string(length - std::min(length, number.size()), '0') + number + "\r\n";
    }
    return lines;
}

} // namespace

TEST_CASE("runs that do not fit their disk are refused, and the earlier output kept")
{
    struct Row
    {
        const char *name;
        std::string input;
        std::string reason;
    };
    const Row rows[] = {
        // Checked before the first run: the runs, the file and a header a line, are larger than the disk.
        {"too little free space from the start", linesOf(200'000, 198, 0),
         "Not enough free space for the sorted runs: 42 MB needed, 32 MB free"},
        // The first piece's long lines promise runs about the file's size; the
        // short lines after them take far more, each with its header, and the
        // disk fills part way.
        {"a disk that fills part way", linesOf(2'000, 1998, 0) + linesOf(2'000'000, 5, 10'000'000),
         "No space left on device"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            const SmallDisk disk(folder / "runs");
            if (!disk.mounted) {
                MESSAGE("no tmpfs can be mounted here: skipped");
                return;
            }
            writeFile(folder / "in.txt", row.input);
            writeFile(folder / "sorted.txt", "earlier output");
            const support::ProcessRun result = support::runProcess(
                TAVEL_SORT_PATH, {"--memory", "2M", "--temporary-folder", "runs", "in.txt", "sorted.txt"},
                {folder.path(), {}, {}, {}});
            CHECK(result.standardError
                  == writeHeading + "\n File = " + (folder / "runs").string() + "\n Reason = " + row.reason + "\n");
            CHECK(result.exitCode == 2);
            CHECK(support::readFile(folder / "sorted.txt") == "earlier output");
            CHECK(faults::snapshotFolder(folder / "runs").empty());
        }
    }
}
