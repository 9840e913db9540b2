#include "runtime/fixed_paths.h"
#include "runtime/path_text.h"

#include <doctest.h>

TEST_CASE("a drive letter becomes a folder of the home folder")
{
    struct Row
    {
        const char *name;
        const char *windowsPath;
        const char *expected;
    };
    const Row rows[] = {
        {"input file", "f:\\u\\datafile\\taveld.txt", "/home/op/f/u/datafile/taveld.txt"},
        {"output file", "f:\\u\\datafile\\tavelsrtd.txt", "/home/op/f/u/datafile/tavelsrtd.txt"},
        {"upper-case drive", "F:\\u\\x.txt", "/home/op/f/u/x.txt"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            const std::filesystem::path mapped = ostrel::homeMappedPath(row.windowsPath, "/home/op");
            CHECK(mapped.generic_string() == row.expected);
        }
    }
}
