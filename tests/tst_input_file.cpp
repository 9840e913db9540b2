#include "runtime/input_file.h"
#include "support/data_folder.h"
#include "support/route_files.h"
#include "support/temporary_folder.h"

#include <doctest.h>

#ifndef _WIN32
#include "runtime/posix/truncation_guard.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace std::string_literals;

TEST_CASE("the whole file is read")
{
    struct Row
    {
        const char *name;
        std::string contents;
    };
    const Row rows[] = {
        {"empty", ""},
        {"one byte", "x"},
        {"binary", "\0\r\n\xff"s},
        {"several pages", std::string(3 * 4096 + 17, 'r')},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            support::writeFile(folder / "in", row.contents);
            const ostrel::Result<ostrel::InputContents> input = ostrel::readInputFile(folder / "in", {});
            REQUIRE(input);
            CHECK(input->bytes() == row.contents);
            CHECK(input->keptThroughout());
        }
    }
}

// Windows refuses to shorten a file that a program has mapped, as this one
// maps files on the machine's own drives.
#ifdef _WIN32
constexpr bool localFilesCanShrink = false;
// Nor does it report writes: only the size and the time tell them.
constexpr bool writesReported = false;
#else
constexpr bool localFilesCanShrink = true;
constexpr bool writesReported = true;
#endif

// Another program may write to the file while it is read: the run must be
// told, and must not be killed by a bus error over pages that went away. A
// file on a network drive is read rather than mapped, so that a network
// failure is a failed read, never a crash.
TEST_CASE("a file changed after it was opened is told")
{
    using Change = std::function<void(const std::filesystem::path &)>;
    struct Row
    {
        const char *name;
        Change change;
        bool told;
        bool shortens = false;
        bool onlyReported = false; // size and time as they were
    };
    const auto rewriteInPlace = [](const std::filesystem::path &file) {
        std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
        stream.seekp(100);
        stream.write("XXXX", 4);
    };
    const Row rows[] = {
        {"left alone", [](const std::filesystem::path &) {}, false},
        {"rewritten in place", rewriteInPlace, true},
        // As a program that keeps the file's time does, or a coarse clock would.
        {"rewritten in place, its time put back",
         [&](const std::filesystem::path &file) {
             const auto time = std::filesystem::last_write_time(file);
             rewriteInPlace(file);
             std::filesystem::last_write_time(file, time);
         },
         true, false, true},
        {"grown", [](const std::filesystem::path &file) { std::ofstream(file, std::ios::app) << "more"; }, true},
        {"shortened", [](const std::filesystem::path &file) { std::filesystem::resize_file(file, 4096); }, true, true},
    };
    struct Place
    {
        const char *name;
        std::filesystem::path folder;
        bool canShrink;
    };
    std::vector<Place> places{{"local folder", std::filesystem::temp_directory_path(), localFilesCanShrink}};
    if (const auto network = support::networkDriveFolder())
        places.push_back({"network drive", *network, true});
    for (const Place &place : places) {
        for (const Row &row : rows) {
            if ((row.shortens && !place.canShrink) || (row.onlyReported && !writesReported))
                continue;
            SUBCASE((std::string(place.name) + ": " + row.name).c_str())
            {
                const support::TemporaryFolder folder(place.folder);
                const std::string contents(64 * 4096, 'r');
                support::writeFile(folder / "in", contents);
                const ostrel::Result<ostrel::InputContents> input = ostrel::readInputFile(folder / "in", {});
                REQUIRE(input);
                REQUIRE(input->bytes().size() == contents.size());

                row.change(folder / "in");
                // Every byte is still there to be read, whatever the file holds now.
                const auto letters = std::count(input->bytes().begin(), input->bytes().end(), 'r');
                CHECK(letters <= std::int64_t(contents.size()));
                const ostrel::Result<void> kept = input->keptThroughout();
                CHECK((kept ? "" : kept.reason()) == (row.told ? ostrel::inputChangedReason : ""));
            }
        }
    }
}

TEST_CASE("a second input can be read while one is held")
{
    const support::TemporaryFolder folder;
    support::writeFile(folder / "a", "first");
    support::writeFile(folder / "b", "second");
    const ostrel::Result<ostrel::InputContents> first = ostrel::readInputFile(folder / "a", {});
    const ostrel::Result<ostrel::InputContents> second = ostrel::readInputFile(folder / "b", {});
    REQUIRE(first);
    REQUIRE(second);
    CHECK(first->bytes() == "first");
    CHECK(second->bytes() == "second");
}

#ifndef _WIN32
// Pages past the end of a file cut short under its mapping raise a bus
// error when read: the guard turns them into zeros, and is asked afterwards
// whether it did, for a file whose size did not tell.
TEST_CASE("a guarded mapping of a file cut short reads zeros past the cut, and the guard remembers it")
{
    const auto page = std::size_t(::sysconf(_SC_PAGESIZE));
    struct Row
    {
        const char *name;
        std::size_t keptPages;
    };
    const Row rows[] = {{"file kept whole", 4}, {"file cut to one page", 1}, {"file emptied", 0}};
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            support::writeFile(folder / "in", std::string(4 * page, 'r'));
            const int file = ::open((folder / "in").c_str(), O_RDONLY | O_CLOEXEC);
            REQUIRE(file >= 0);
            void *mapping = ::mmap(nullptr, 4 * page, PROT_READ, MAP_SHARED, file, 0);
            REQUIRE(mapping != MAP_FAILED);
            const char *bytes = static_cast<const char *>(mapping);
            {
                const auto guard = ostrel::TruncationGuard::guard(bytes, std::int64_t(4 * page));
                REQUIRE(guard);
                std::filesystem::resize_file(folder / "in", row.keptPages * page);
                const std::string_view seen(bytes, 4 * page);
                CHECK(std::count(seen.begin(), seen.end(), 'r') == std::int64_t(row.keptPages * page));
                CHECK(std::count(seen.begin(), seen.end(), '\0') == std::int64_t((4 - row.keptPages) * page));
                CHECK(guard->faulted() == (row.keptPages < 4));
            }
            ::munmap(mapping, 4 * page);
            ::close(file);
        }
    }
}
#endif
