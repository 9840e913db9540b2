#include "reference/record_by_record.h"
#include "support/random.h"
#include "support/yardstick.h"

#include <doctest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

// The engine orders everything at once; the yardstick inserts record by
// record. On any input both must give the same output and the same refusal.

namespace {

struct Shape
{
    int inputs;
    int maximumLines;
    int maximumLength;
    std::string alphabet; // UTF-8 characters; empty: any byte but CR, LF and Ctrl+Z
    double specialShare;
    double repeatShare;
    // Inputs as Windows programs may write them: a byte order mark first, an
    // end-of-file mark last or, now and then, where it hides what follows.
    double windowsShare = 0.0;
    // How lines are read, as tavel-sort's options choose.
    reference::Reading reading = {};
};

std::vector<std::string> charactersOf(const std::string &alphabet)
{
    std::vector<std::string> characters;
    for (const char byte : alphabet) {
        if ((static_cast<unsigned char>(byte) & 0xc0) == 0x80)
            characters.back() += byte;
        else
            characters.emplace_back(1, byte);
    }
    return characters;
}

std::string randomLine(support::Random &random, const Shape &shape)
{
    const std::size_t length = random.below(std::uint64_t(shape.maximumLength) + 1);
    const std::vector<std::string> characters = charactersOf(shape.alphabet);
    std::string line;
    for (std::size_t i = 0; i < length; ++i) {
        if (characters.empty()) {
            char byte;
            do {
                byte = char(random.below(256));
            } while (byte == '\r' || byte == '\n' || byte == '\x1a');
            line += byte;
        } else {
            line += characters[random.below(characters.size())];
        }
    }
    if (line.size() >= 9 && random.chance(shape.specialShare))
        line.replace(6, 3, "375");
    return line;
}

// Same key columns as an earlier line, other columns changed where they exist.
std::string repeatKey(support::Random &random, const std::string &earlier)
{
    std::string line = earlier;
    const bool special = line.size() >= 9 && line.compare(6, 3, "375") == 0;
    for (std::size_t column = 20; column <= 169 && column <= line.size(); ++column) {
        if (!(special && (column == 56 || column == 57)))
            line[column - 1] = char('a' + random.below(26));
    }
    if (special && line.size() >= 19)
        line.replace(9, 10, "XXXXXXXXXX");
    return line;
}

std::string randomInput(support::Random &random, const Shape &shape)
{
    static const char *const terminators[] = {"\r\n", "\n", "\r"};
    const std::size_t lineCount = random.below(std::uint64_t(shape.maximumLines) + 1);
    std::vector<std::string> lines;
    std::string input;
    for (std::size_t i = 0; i < lineCount; ++i) {
        const bool repeat = !lines.empty() && random.chance(shape.repeatShare);
        lines.push_back(repeat ? repeatKey(random, lines[random.below(lines.size())]) : randomLine(random, shape));
        input += lines.back();
        if (i + 1 < lineCount || random.below(2))
            input += terminators[random.below(3)];
    }
    if (random.chance(shape.windowsShare))
        input.insert(0, "\xef\xbb\xbf");
    if (random.chance(shape.windowsShare))
        input += '\x1a';
    if (random.chance(shape.windowsShare / 4))
        input.insert(random.below(input.size() + 1), 1, '\x1a');
    return input;
}

} // namespace

TEST_CASE("the engine matches record-by-record insertion on random inputs")
{
    struct Row
    {
        const char *name;
        Shape shape;
        std::uint64_t seed;
    };
    const Row rows[] = {
        {"route-like text", {1500, 40, 250, "AB375 0123456789", 0.3, 0.02}, 11},
        // Two letters make equal keys and keys that are prefixes of others common.
        {"tiny alphabet, short lines", {1500, 30, 8, "AB", 0.0, 0.0}, 12},
        {"any bytes", {1000, 40, 250, {}, 0.2, 0.05}, 13},
        {"as Windows programs write them", {1000, 20, 60, "AB375 ", 0.2, 0.05, 0.3}, 15},
        {"no planted repeats, longer files", {100, 300, 250, "ABCab375 ", 0.2, 0.0}, 14},
        // Characters of one to four bytes, ANSI bytes and byte order marks among them.
        {"UTF-8 names", {600, 40, 200, "AB375 ÉÜçÃ€", 0.2, 0.05, 0.2}, 16},
        {"UTF-8 and ANSI lines", {600, 40, 200, "AB375 É€𝄞\xe9\xc3", 0.2, 0.05}, 17},
        {"UTF-8 with byte order marks in lines", {400, 40, 180, "AB37ÉÜABCDEFGHIJ\xef\xbb\xbf", 0.2, 0.05}, 18},
        {"UTF-8 counted in bytes, chosen",
         {300, 40, 200, "AB375 ÉÜ€", 0.2, 0.05, 0.0, {.columns = reference::Reading::Columns::Bytes}}, 19},
        {"UTF-8 only, chosen", {300, 40, 200, "AB375 ÉÜ", 0.2, 0.05, 0.0, {.encoding = reference::Reading::Encoding::Utf8}}, 20},
        {"Shift JIS, chosen",
         {300, 40, 200, "AB375 \x93\x8c\x95\x5c\xb1", 0.2, 0.05, 0.0,
          {.encoding = reference::Reading::Encoding::CodePage, .codePage = 932}},
         21},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            support::Random random(row.seed);
            int refused = 0;
            int unreadable = 0;
            for (int i = 0; i < row.shape.inputs; ++i) {
                CAPTURE(i);
                const std::string input = randomInput(random, row.shape);
                const reference::SortResult expected = reference::sortRecordByRecord(input, row.shape.reading);
                refused += expected.failedLine.has_value();
                unreadable += expected.unreadable.has_value();
                REQUIRE(support::differenceInMemory(input, expected, row.shape.reading) == "");
                // Now and then the whole run, through real files.
                if (i % 50 == 0)
                    CHECK(support::differenceInRun(input, expected, row.shape.reading) == "");
                // And through sorted runs, each a few lines, merged in several passes.
                if (i % 10 == 0)
                    CHECK(support::differenceInRun(input, expected, row.shape.reading, std::int64_t(input.size() / 4))
                          == "");
            }
            MESSAGE(refused << " of " << row.shape.inputs << " inputs refused for a repeated key, " << unreadable
                            << " as unreadable");
            // Or the path of a refused file could stop being compared unseen.
            if (row.shape.repeatShare > 0)
                CHECK(refused > 0);
        }
    }
}

// Inputs large enough to be split among threads, and ordered and written in
// many stretches, are too large for the yardstick; a plain stable sort of the
// lines by key stands in for it.
TEST_CASE("large inputs match a plain sort, in memory and through files")
{
    struct Row
    {
        const char *name;
        std::size_t lineCount;
        int maximumLength;
        std::size_t repeatAt; // 0: no repeat
    };
    // About 12 and 70 MB: records grouped by one leading key byte, and by two.
    const Row rows[] = {
        {"unique keys", 120000, 200, 0},
        {"unique keys, larger input", 320000, 440, 0},
        {"repeat near the end", 320000, 440, 319000},
        {"repeat in the first part", 120000, 200, 17},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            support::Random random(375);
            const Shape shape{0, 0, row.maximumLength, "ABCDEFGHIJ375 abcdefghij", 0.1, 0.0};
            std::vector<std::string> lines;
            std::set<std::string> keys;
            while (lines.size() < row.lineCount) {
                std::string line = randomLine(random, shape);
                if (lines.size() == row.repeatAt && row.repeatAt > 0)
                    line = repeatKey(random, lines[random.below(lines.size())]);
                else if (keys.contains(reference::BuildRecordKey(line)))
                    continue;
                keys.insert(reference::BuildRecordKey(line));
                lines.push_back(line);
            }
            std::string input;
            for (const std::string &line : lines)
                input += line + (random.below(2) ? "\r\n" : "\n");

            std::vector<std::pair<std::string, std::string>> keyed;
            for (const std::string &line : lines)
                keyed.emplace_back(reference::BuildRecordKey(line), line);
            std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
                return std::lexicographical_compare(a.first.begin(), a.first.end(), b.first.begin(), b.first.end(),
                                                    [](char x, char y) { return (unsigned char)x < (unsigned char)y; });
            });
            std::string expectedOutput;
            for (const auto &entry : keyed)
                expectedOutput += entry.second + "\r\n";

            reference::SortResult expected{expectedOutput, {}, std::string(support::sortedMessage), {}};
            if (row.repeatAt > 0) {
                const std::int64_t line = std::int64_t(row.repeatAt + 1);
                const std::string &repeat = lines[row.repeatAt];
                const std::string nameColumns = repeat.substr(std::min<std::size_t>(17, repeat.size()), 30);
                expected = {{}, line, support::duplicateKeyMessage(line, nameColumns, reference::BuildRecordKey(repeat)), {}};
            }
            CHECK(support::differenceInMemory(input, expected) == "");
            // The whole run too, where the output is written while it is still being ordered.
            CHECK(support::differenceInRun(input, expected) == "");
            // And through sorted runs.
            CHECK(support::differenceInRun(input, expected, {}, std::int64_t(4) << 20) == "");
        }
    }
}
