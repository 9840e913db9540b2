#include "reference/record_by_record.h"
#include "sorting/duplicate_check.h"
#include "sorting/keyed_file.h"
#include "sorting/repeated_keys.h"
#include "support/random.h"
#include "support/route_files.h"
#include "support/temporary_folder.h"

#include <doctest.h>

#include <map>
#include <string>
#include <vector>

namespace {

struct Listed
{
    std::int64_t line;
    std::int64_t first;
    std::string text;
    bool operator==(const Listed &) const = default;
};

std::vector<Listed> listWithEngine(const std::string &input)
{
    ostrel::KeyedFile keyed = std::move(*ostrel::keyFile(ostrel::InputContents(nullptr, input), {}));
    ostrel::RecordSort sort = ostrel::planSort(keyed);
    std::vector<Listed> listed;
    for (const ostrel::RepeatedRecord &repeat : ostrel::listRepeatedRecords(ostrel::sortRemaining(sort)))
        listed.push_back({repeat.lineNumber, repeat.firstLineNumber, std::string(repeat.line)});
    return listed;
}

// The plain way: remember the first line of every key, in input order.
std::vector<Listed> listPlainly(const std::vector<std::string> &lines)
{
    std::map<std::string, std::int64_t> firstLines;
    std::vector<Listed> listed;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto [at, added] = firstLines.emplace(reference::BuildRecordKey(lines[i]), std::int64_t(i + 1));
        if (!added)
            listed.push_back({std::int64_t(i + 1), at->second, lines[i]});
    }
    return listed;
}

// The same listing where the file is read in pieces of a few lines, sorted
// into runs and merged: repeats meet across runs.
void checkListedThroughRuns(const std::string &input)
{
    const support::TemporaryFolder folder;
    support::writeFile(folder / "in.txt", input);
    const ostrel::DuplicateCheck inMemory = ostrel::checkRepeatedKeys(folder / "in.txt", ostrel::systemChoice());
    ostrel::RunSettings settings;
    settings.memory = std::int64_t(input.size() / 5);
    const ostrel::DuplicateCheck inRuns = ostrel::checkRepeatedKeys(folder / "in.txt", ostrel::systemChoice(), settings);
    CHECK(inRuns.kind == inMemory.kind);
    CHECK(inRuns.report == inMemory.report);
}

} // namespace

TEST_CASE("every repeat is listed in input order with the first line holding its key")
{
    struct Row
    {
        const char *name;
        std::vector<std::string> lines; // up to four bytes: each line is its own key
        std::vector<Listed> expected;
    };
    const Row rows[] = {
        {"no repeats", {"C", "A", "B"}, {}},
        {"keys at lines 3, 7 and 9 name line 3 twice",
         {"A", "B", "K", "C", "D", "E", "K", "F", "K"},
         {{7, 3, "K"}, {9, 3, "K"}}},
        {"input order, not key order", {"Z", "A", "Z", "A"}, {{3, 1, "Z"}, {4, 2, "A"}}},
        {"empty lines repeat too", {"", "A", ""}, {{3, 1, ""}}},
        {"a prefix is no repeat", {"AB", "ABC", "AB"}, {{3, 1, "AB"}}},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name) { CHECK(listWithEngine(support::routeFile(row.lines)) == row.expected); }
    }
}

TEST_CASE("the listing matches the plain way on random inputs")
{
    support::Random random(41);
    for (int input = 0; input < 300; ++input) {
        CAPTURE(input);
        std::vector<std::string> lines(random.below(400));
        for (std::string &line : lines)
            line = random.bytes(random.below(6), "AB375");
        CHECK(listWithEngine(support::routeFile(lines)) == listPlainly(lines));
        if (input % 10 == 0)
            checkListedThroughRuns(support::routeFile(lines));
    }
    // Large enough to be keyed on several threads and sorted in many stretches.
    std::vector<std::string> lines(300'000);
    for (std::string &line : lines)
        line = random.bytes(20, "ABCDEFGHIJKLMNOP");
    lines[299'000] = lines[17];
    lines[150'000] = lines[17];
    CHECK(listWithEngine(support::routeFile(lines)) == listPlainly(lines));
    checkListedThroughRuns(support::routeFile(lines));
}
