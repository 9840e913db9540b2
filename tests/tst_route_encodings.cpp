#include "support/child_process.h"
#include "support/route_files.h"
#include "support/temporary_folder.h"

#include <doctest.h>

#include <algorithm>
#include <string>
#include <vector>

// Route files as the programs that operators use write them, through the
// batch tool: columns count characters, each line in its own encoding.

namespace {

using support::routeFile;
using support::routeRecord;

std::size_t utf8Characters(std::string_view text)
{
    std::size_t count = 0;
    for (const char byte : text)
        count += (static_cast<unsigned char>(byte) & 0xc0) != 0x80;
    return count;
}

// Padded by characters, as Notepad, Python's ljust or .NET's PadRight do;
// the last columns, after the order's, may be left off.
std::string byCharacters(std::string_view code, std::string_view name, std::string_view order, std::size_t tail = 17)
{
    const std::string record = routeRecord(code, name, order, utf8Characters(name));
    return record.substr(0, record.size() - 17 + tail);
}

// Padded by bytes, as C's printf or a COBOL picture does.
std::string byBytes(std::string_view code, std::string_view name, std::string_view order)
{
    return routeRecord(code, name, order);
}

const std::string mark = "\xef\xbb\xbf";

// The four records whose order a byte count got wrong.
const std::string cafe = byCharacters("AA01", "CAFE ROYAL", "0300");
const std::string cafeAccent = byCharacters("AA02", "CAFÉ ROYAL", "0100");
const std::string zurich = byCharacters("AA03", "ZÜRICH NORD", "0200");
const std::string munster = byCharacters("AA04", "MÜNSTER - KÖLN", "0150");
const std::string notepad = routeFile({cafe, cafeAccent, zurich, munster});
const std::string notepadSorted = routeFile({cafeAccent, munster, zurich, cafe});

const std::string bytePadded =
    routeFile({byBytes("AA01", "CAFE ROYAL", "0300"), byBytes("AA02", "CAFÉ ROYAL", "0100"),
               byBytes("AA03", "ZÜRICH NORD", "0200"), byBytes("AA04", "MÜNSTER - KÖLN", "0150")});
const std::string bytePaddedSorted =
    routeFile({byBytes("AA02", "CAFÉ ROYAL", "0100"), byBytes("AA04", "MÜNSTER - KÖLN", "0150"),
               byBytes("AA03", "ZÜRICH NORD", "0200"), byBytes("AA01", "CAFE ROYAL", "0300")});

// Windows-1252: a byte is a character.
const std::string ansiCafe = routeRecord("AA02", "CAF\xc9 ROYAL", "0100");
const std::string ansiZurich = routeRecord("AA03", "Z\xdcRICH NORD", "0200");
const std::string ansiMunster = routeRecord("AA04", "M\xdcNSTER - K\xd6LN", "0150");
const std::string ansi = routeFile({cafe, ansiCafe, ansiZurich, ansiMunster});

// Shift JIS: a lead byte and its trail byte are one character; the trail of
// 0x95 0x5C is the ASCII backslash, which must not count on its own.
const std::string tokyo = routeRecord("JP01", "\x93\x8c\x8b\x9e", "0200", 2);
const std::string osaka = routeRecord("JP02", "\x91\xe5\x8d\xe3", "0100", 2);
const std::string display = routeRecord("JP03", "\x95\x5c\x8e\xa6 OSAKA", "0150", 8);
const std::string shiftJis = routeFile({tokyo, osaka, display, cafe});

// A UTF-8 file with one line pasted from an ANSI program.
const std::string ansiFirst = routeRecord("AA05", "Caf\xe9 Centrale", "0050");

// No length is shared by most ASCII lines: no evidence of byte padding.
const std::string ragged =
    routeFile({byCharacters("AA01", "CAFE ROYAL", "0300", 0), byCharacters("AA02", "CAFÉ ROYAL", "0100", 9),
               byCharacters("AA03", "ZÜRICH NORD", "0200", 3), byCharacters("AA06", "QUAY", "0250", 5)});

// The key holds columns 18-19: here a whole accented character.
const std::string saoPaulo = byCharacters("BR01", "SÃO PAULO", "0100");
const std::string saoBento = byCharacters("BR01", "SÃO BENTO", "0100");

// Keys of more than 25 bytes that share their first 25 and differ after them.
const std::string longKey1 = byCharacters("BR01", "SÃO PAULO", "ÄÖÜ1");
const std::string longKey2 = byCharacters("BR02", "SÃO PAULO", "ÄÖÜ1");
const std::string longKey1Again = byCharacters("BR01", "SÃO BENTO", "ÄÖÜ1");

// Shift JIS records whose keys share their first 24 bytes and differ in the
// 25th, the route code's last character: a katakana of one byte makes a key
// of 25 bytes, a kanji of two (lead byte, then trail) one of 26 whose 25th
// byte is smaller. Enough of them that they are ordered byte by byte, not by
// comparison.
const std::vector<std::string> toldApartBy25thByte = [] {
    std::vector<std::string> records;
    for (int i = 0; i < 31; ++i) {
        for (const std::string &last : {std::string{char(0xa1 + i)}, std::string{char(0x81 + i), '\x8c'}})
            records.push_back(routeRecord("JP0", "\x93\x8c\x8b\x9e", "0100", 2).replace(3, 1, last));
    }
    return records;
}();
// As the records differ in that character alone, their byte order is their keys'.
const std::vector<std::string> toldApartBy25thByteSorted = [] {
    std::vector<std::string> sorted = toldApartBy25thByte;
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}();

// Past U+10FFFF, so no UTF-8: a byte is a column, in code page 1252.
const std::string beyondUnicode = byBytes("BR01", "SAO PAULO", "0100").replace(59, 4, "\xf4\x90\x80\x80");

const std::string readFailure = "Failed Sort - cannot read input file, \n File = standard input\n Reason = ";

std::string unknownEncoding(const std::string &value)
{
    return "--encoding: " + value
           + " is neither utf-8 nor a known code page (437, 850, 852, 866, 874, 932, 936, 949, 950, 1250, 1251, 1252, "
             "1253, 1254, 1255, 1256, 1257, 1258)\nTry 'tavel-sort --help'.\n";
}

struct Run
{
    int exitCode;
    std::string standardOutput;
    std::string standardError;
};

Run tavelSort(std::vector<std::string> arguments, const std::string &input)
{
    const support::TemporaryFolder folder;
    const support::ProcessRun run =
        support::runProcess(TAVEL_SORT_PATH, arguments, {folder.path(), {{"HOME", folder.path().string()}}, input, {}});
    return {run.exitCode, run.standardOutput, run.standardError};
}

} // namespace

TEST_CASE("sorting files as their writers saved them")
{
    struct Row
    {
        const char *name;
        std::string input;
        std::vector<std::string> options;
        int exitCode;
        std::string output; // the sorted records, or what standard error says
    };
    const Row rows[] = {
        {"Notepad UTF-8", notepad, {}, 0, notepadSorted},
        {"Notepad UTF-8 with a byte order mark", mark + notepad, {}, 0, mark + notepadSorted},
        {"UTF-8 padded by bytes", bytePadded, {}, 0, bytePaddedSorted},
        {"ANSI 1252", ansi, {}, 0, routeFile({ansiCafe, ansiMunster, ansiZurich, cafe})},
        {"UTF-8 with a line pasted from an ANSI program", notepad + ansiFirst + "\r\n", {}, 0,
         routeFile({ansiFirst, cafeAccent, munster, zurich, cafe})},
        {"ragged lines", ragged, {}, 0,
         routeFile({byCharacters("AA02", "CAFÉ ROYAL", "0100", 9), byCharacters("AA03", "ZÜRICH NORD", "0200", 3),
                    byCharacters("AA06", "QUAY", "0250", 5), byCharacters("AA01", "CAFE ROYAL", "0300", 0)})},
        {"Shift JIS, chosen", shiftJis, {"--encoding", "932"}, 0, routeFile({osaka, display, tokyo, cafe})},
        {"Shift JIS padded by bytes, chosen",
         routeFile({routeRecord("JP01", "\x93\x8c\x8b\x9e", "0200"), routeRecord("JP02", "\x91\xe5", "0100")}),
         {"--encoding", "932", "--columns", "bytes"}, 0,
         routeFile({routeRecord("JP02", "\x91\xe5", "0100"), routeRecord("JP01", "\x93\x8c\x8b\x9e", "0200")})},
        {"UTF-8 chosen", notepad, {"--encoding", "utf-8"}, 0, notepadSorted},
        // Chosen against the file: each accented line's order columns move
        // left by a column for each byte its characters take beyond one.
        {"bytes chosen for a file padded by characters", notepad, {"--columns", "bytes"}, 0,
         routeFile({munster, cafeAccent, zurich, cafe})},
        {"keys longer than 25 bytes, differing after them", routeFile({longKey2, cafe, longKey1}), {}, 0,
         routeFile({cafe, longKey1, longKey2})},
        {"keys of 25 and 26 bytes told apart by the 25th, Shift JIS", routeFile(toldApartBy25thByte),
         {"--encoding", "932"}, 0, routeFile(toldApartBy25thByteSorted)},

        {"a repeat inside accented name columns", routeFile({saoPaulo, cafe, saoBento}), {}, 1,
         "Failed Sort - duplicate keys, \n Line =  3\n Name = SÃO BENTO\n Key = 0100.............SÃBR01\n"},
        {"a repeat of a key longer than 25 bytes", routeFile({longKey2, longKey1, longKey1Again}), {}, 1,
         "Failed Sort - duplicate keys, \n Line =  3\n Name = SÃO BENTO\n Key = ÄÖÜ1.............SÃBR01\n"},
        {"two marked files joined", mark + routeFile({cafe}) + mark + routeFile({zurich}), {}, 2,
         readFailure + "A byte order mark begins line 2, as where two files were joined: remove it\n"},
        {"ANSI where UTF-8 was chosen", ansi, {"--encoding", "utf-8"}, 2, readFailure + "Line 2 is not UTF-8 text\n"},
        {"unknown encoding", notepad, {"--encoding", "latin1"}, 2, unknownEncoding("latin1")},
        // Refused before a byte is read: an input larger than a pipe holds is left unread.
        {"a number that is no code page", std::string(1 << 20, 'A'), {"--encoding", "1234"}, 2,
         unknownEncoding("1234")},
        {"unknown unit", notepad, {"--columns", "cells"}, 2,
         "--columns: cells is neither characters nor bytes\nTry 'tavel-sort --help'.\n"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            std::vector<std::string> arguments = row.options;
            arguments.insert(arguments.end(), {"-", "-"});
            const Run run = tavelSort(arguments, row.input);
            CHECK(run.exitCode == row.exitCode);
            CHECK((row.exitCode == 0 ? run.standardOutput : run.standardError) == row.output);
        }
    }
}

TEST_CASE("--duplicates says how lines were read")
{
    struct Row
    {
        const char *name;
        std::string input;
        std::vector<std::string> options;
        int exitCode;
        std::string report;
    };
    const Row rows[] = {
        {"ASCII only: nothing to say", routeFile({cafe}), {}, 0, "1 record, no repeated keys\n"},
        {"Notepad UTF-8", notepad, {}, 0,
         "4 records, no repeated keys\nRead other than as ASCII: 3 lines as UTF-8 counting characters\n"},
        {"UTF-8 padded by bytes", bytePadded, {}, 0,
         "4 records, no repeated keys\nRead other than as ASCII: 3 lines as UTF-8 counting bytes\n"},
        {"UTF-8 and ANSI", notepad + ansiFirst, {}, 0,
         "5 records, no repeated keys\nRead other than as ASCII: 3 lines as UTF-8 counting characters, 1 line in "
         "code page 1252\n"},
        {"Shift JIS, chosen", shiftJis, {"--encoding", "932"}, 0,
         "4 records, no repeated keys\nRead other than as ASCII: 3 lines in code page 932\n"},
        {"a code point past U+10FFFF: not UTF-8, so a byte a column", routeFile({beyondUnicode, beyondUnicode}), {}, 1,
         "Line 2 repeats line 1: Name = SAO PAULO; Key = 0100.............SABR01\n2 records, 1 repeats an earlier "
         "key\nRead other than as ASCII: 2 lines in code page 1252\n"},
        // Half is not most: a UTF-8 line as long as half the ASCII lines was not padded by bytes.
        {"half the ASCII lines of the UTF-8 line's length",
         routeFile({byCharacters("AA06", "QUAY", "0250", 5), cafe, byBytes("AA02", "CAFÉ ROYAL", "0100").substr(0, 178)}),
         {}, 0, "3 records, no repeated keys\nRead other than as ASCII: 1 line as UTF-8 counting characters\n"},
        {"a repeat inside accented name columns", routeFile({saoPaulo, cafe, saoBento}), {}, 1,
         "Line 3 repeats line 1: Name = SÃO BENTO; Key = 0100.............SÃBR01\n3 records, 1 repeats an earlier "
         "key\nRead other than as ASCII: 2 lines as UTF-8 counting characters\n"},
    };
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            std::vector<std::string> arguments = {"--duplicates"};
            arguments.insert(arguments.end(), row.options.begin(), row.options.end());
            arguments.push_back("-");
            const Run run = tavelSort(arguments, row.input);
            CHECK(run.exitCode == row.exitCode);
            CHECK(run.standardOutput == row.report);
        }
    }
}
