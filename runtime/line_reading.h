#pragma once

#include "runtime/columns.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

enum class ColumnUnit { Characters, Bytes };

// How the operator chose to read the lines of a file.
struct ReadingChoice
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
};

// The choice where the operator makes none: lines read as the system reads them.
ReadingChoice systemChoice();

// How the lines of one file are read: as chosen, and what the file itself
// showed once all its lines were seen.
struct TextReading
{
    ReadingChoice chosen;
    // The length shared by more than half of the non-empty ASCII lines; -1 when none.
    std::int64_t commonLength = -1;
};

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
    // Inline where a column is a byte, as in every line of ASCII: the keying
    // of millions of lines runs through here.
    LineColumns(std::string_view line, LineForm form, const TextReading &reading) : text(line)
    {
        if (form != LineForm::Ascii && form != LineForm::Utf8Bytes)
            countCharacters(form, reading);
    }

    std::string_view operator()(std::size_t firstColumn, std::size_t length) const
    {
        return byBytes ? columnText(text, firstColumn, length) : characters(firstColumn, length);
    }

private:
    void countCharacters(LineForm form, const TextReading &reading);
    std::string_view characters(std::size_t firstColumn, std::size_t length) const;
    // Where the character of this index starts, or the line's size.
    std::size_t start(std::size_t character) const;

    std::string_view text;
    bool byBytes = true;
    unsigned doubleByteCodePage = 0; // of a line counted by its characters, or 0 for UTF-8
    std::size_t asciiPrefix = 0;     // bytes before the first outside ASCII, each a character
};

// How many lines were read each way other than as ASCII, for the operator.
struct LineCounts
{
    std::int64_t utf8Characters = 0;
    std::int64_t utf8Bytes = 0;
    std::int64_t ansi = 0;
};

// What the lines of a file that holds other than ASCII show of how they are
// read, learnt as they are keyed: by one tally for each core's lines, added
// up in file order once all are keyed.
class LineTally
{
public:
    // How the line is read, as far as can be told before the whole file is
    // seen: a UTF-8 line counts characters unless the common length, known
    // only then, says it was padded by bytes. Empty where the line cannot be
    // read exactly: a byte order mark that begins it (two files joined) would
    // shift its columns by a character no one sees, and where UTF-8 was
    // chosen a line that is not UTF-8 has no characters.
    std::optional<LineForm> read(std::string_view line, const ReadingChoice &chosen);
    // The operator's words for the line that could not be read.
    std::string refusal(std::int64_t lineNumber) const;

    void add(const LineTally &later);
    // The chosen reading with what the lines show; and how many lines were
    // read each way.
    TextReading reading(const ReadingChoice &chosen) const;
    LineCounts counts(const TextReading &reading) const;
    // Whether the UTF-8 lines are read alike with either common length: a
    // file keyed a piece at a time guesses the length from its first piece.
    bool readsAlike(std::int64_t commonLength, std::int64_t otherLength) const
    {
        return commonLength == otherLength || (utf8.of(commonLength) == 0 && utf8.of(otherLength) == 0);
    }

private:
    class LengthCounts
    {
    public:
        void add(std::int64_t length);
        void add(const LengthCounts &other);
        std::int64_t of(std::int64_t length) const;
        std::int64_t majority() const; // the length of more than half the lines, or -1
        std::int64_t lines() const { return total; }

    private:
        std::map<std::int64_t, std::int64_t> byLength;
        std::int64_t total = 0;
    };

    LengthCounts ascii; // non-empty lines only
    LengthCounts utf8;
    std::int64_t ansi = 0;
    bool byteOrderMarkFound = false;
};

} // namespace ostrel
