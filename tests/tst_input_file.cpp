#include "runtime/input_file.h"
#include "support/route_files.h"
#include "support/temporary_folder.h"

#include <doctest.h>

#include <algorithm>
#include <string>

using namespace std::string_literals;

// Windows refuses to shorten a file that another program has mapped.
#ifdef _WIN32
constexpr bool mappedFilesCanShrink = false;
#else
constexpr bool mappedFilesCanShrink = true;
#endif

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
            CHECK_FALSE(input.contents.shrankWhileRead());
        }
    }
}

// Another program may shorten the file while it is mapped: the run must
// notice, not be killed by a bus error.
TEST_CASE("a file shortened while it is read is noticed" * doctest::skip(!mappedFilesCanShrink))
{
    const support::TemporaryFolder folder;
    const std::string contents(64 * 4096, 'r');
    support::writeFile(folder / "in", contents);
    const ostrel::InputFile input = ostrel::readInputFile(folder / "in");
    REQUIRE(input.contents.bytes().size() == contents.size());

    std::filesystem::resize_file(folder / "in", 4096);
    const auto letters = std::count(input.contents.bytes().begin(), input.contents.bytes().end(), 'r');
    CHECK(input.contents.shrankWhileRead());
    CHECK(letters == 4096);
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
