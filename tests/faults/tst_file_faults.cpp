#include "folder_snapshot.h"
#include "support/child_process.h"
#include "support/route_files.h"
#include "support/temporary_folder.h"
#include "unprivileged.h"

#include <doctest.h>

#include <string>

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
