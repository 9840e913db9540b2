#include "runtime/input_file.h"
#include "support/route_files.h"
#include "support/temporary_folder.h"

#include <doctest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>

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
            const ostrel::InputFile input = ostrel::readInputFile(folder / "in");
            CHECK(input.failureReason == std::nullopt);
            CHECK(input.contents.bytes() == row.contents);
            CHECK(input.contents.failureSinceOpened() == std::nullopt);
        }
    }
}

// Another program may write to the file while it is read: the run must be
// told, and must not be killed by a bus error over pages that went away.
TEST_CASE("a file changed after it was opened is told")
{
    using Change = std::function<void(const std::filesystem::path &)>;
    struct Row
    {
        const char *name;
        Change change;
        bool told;
    };
    const Row rows[] = {
        {"left alone", [](const std::filesystem::path &) {}, false},
        {"rewritten in place",
         [](const std::filesystem::path &file) {
             std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
             stream.seekp(100);
             stream.write("XXXX", 4);
         },
         true},
        {"shortened", [](const std::filesystem::path &file) { std::filesystem::resize_file(file, 4096); }, true},
        {"grown", [](const std::filesystem::path &file) { std::ofstream(file, std::ios::app) << "more"; }, true},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const support::TemporaryFolder folder;
            const std::string contents(64 * 4096, 'r');
            support::writeFile(folder / "in", contents);
            const ostrel::InputFile input = ostrel::readInputFile(folder / "in");
            REQUIRE(input.contents.bytes().size() == contents.size());

            row.change(folder / "in");
            // Every byte is still there to be read, whatever the file holds now.
            const auto letters = std::count(input.contents.bytes().begin(), input.contents.bytes().end(), 'r');
            CHECK(letters <= std::int64_t(contents.size()));
            CHECK(input.contents.failureSinceOpened()
                  == (row.told ? std::optional<std::string>(ostrel::inputChangedReason) : std::nullopt));
        }
    }
}

TEST_CASE("a second input can be read while one is held")
{
    const support::TemporaryFolder folder;
    support::writeFile(folder / "a", "first");
    support::writeFile(folder / "b", "second");
    const ostrel::InputFile first = ostrel::readInputFile(folder / "a");
    const ostrel::InputFile second = ostrel::readInputFile(folder / "b");
    CHECK(first.contents.bytes() == "first");
    CHECK(second.contents.bytes() == "second");
}
