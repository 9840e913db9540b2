#pragma once

#include "runtime/text_survey.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel {

enum class ColumnUnit { Characters, Bytes };

// How the lines of a file are read: as the operator chose, and as the file
// itself shows.
struct TextReading
{
    enum class Encoding {
        PerLine,  // a line that is valid UTF-8 is UTF-8, any other in the ANSI code page
        Utf8,     // every line is UTF-8, and a file with another line is refused
        CodePage, // every line is in the ANSI code page
    };
    Encoding encoding = Encoding::PerLine;
    unsigned ansiCodePage = 1252;
    // The operator's unit. Without one, a UTF-8 line exactly as long in bytes
    // as the common length was padded by bytes; any other counts characters.
    std::optional<ColumnUnit> columns;
    // The length shared by more than half of the non-empty ASCII lines; -1 when none.
    std::int64_t commonLength = -1;
    // Whether the file holds a byte outside ASCII; if not, a column is a byte.
    bool allAscii = true;
};

// The reading of a file read as the system has it, with no choice made.
TextReading systemReading();

// How one line is read, and so how its columns are counted.
enum class LineForm : std::uint8_t {
    Ascii,
    Utf8Characters,
    Utf8Bytes,
    Ansi, // counted by characters in a double-byte code page unless bytes were chosen
};

LineForm lineForm(std::string_view line, const TextReading &reading);
// Windows' number for the line's encoding: UTF-8 or the ANSI code page.
unsigned codePageOf(LineForm form, const TextReading &reading);

bool isAscii(std::string_view text);
// Strict UTF-8: shortest forms, no surrogates, nothing past U+10FFFF.
bool isUtf8(std::string_view text);

// The columns of one line, counted from 1 as the line is read. A range that
// runs past the end of the line yields only the characters that exist.
class LineColumns
{
public:
    LineColumns(std::string_view line, LineForm form, const TextReading &reading);

    // Columns up to charactersKept only, which is past every column read.
    std::string_view operator()(std::size_t firstColumn, std::size_t length) const;

    static constexpr std::size_t charactersKept = 174;

private:
    std::string_view text;
    bool byBytes = true;
    std::size_t counted = 0; // characters whose start is known
    std::array<std::size_t, charactersKept + 1> starts;
};

// How many lines were read each way other than as ASCII, for the operator.
struct LineCounts
{
    std::int64_t utf8Characters = 0;
    std::int64_t utf8Bytes = 0;
    std::int64_t ansi = 0;
};

struct LinesRead
{
    TextReading reading;
    LineCounts counts;
    // Why the lines cannot be read exactly, in the operator's words.
    std::optional<std::string> refusal;
};

// Learns from the lines of a file that holds other than ASCII how each is
// read, on all cores. A byte order mark that begins a line (two files joined)
// would shift its columns by a character no one sees, and where UTF-8 was
// chosen a line that is not UTF-8 cannot be read: either refuses the file.
LinesRead readLines(std::string_view lines, const std::vector<TextStretch> &stretches, TextReading chosen);

} // namespace ostrel
