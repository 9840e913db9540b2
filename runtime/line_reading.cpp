#include "runtime/line_reading.h"

#include "runtime/code_page.h"
#include "runtime/columns.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ostrel {

namespace {

constexpr std::string_view byteOrderMark = "\xef\xbb\xbf";
constexpr std::uint64_t highBits = 0x8080808080808080ULL;

std::uint64_t word(const unsigned char *bytes)
{
    std::uint64_t value;
    std::memcpy(&value, bytes, 8);
    return value;
}

// Where the first byte outside ASCII lies, or the text's size. Many bytes at
// a time: lines are mostly ASCII, with a character of several bytes here and
// there.
std::size_t asciiBytes(std::string_view text, std::size_t from = 0)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    std::size_t i = from;
#if defined(__SSE2__)
    while (i + 16 <= text.size() && _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + i))) == 0)
        i += 16;
#endif
    while (i + 8 <= text.size() && (word(bytes + i) & highBits) == 0)
        i += 8;
    while (i < text.size() && bytes[i] < 0x80)
        ++i;
    return i;
}

// In valid UTF-8 every byte but a continuation byte (10xxxxxx) begins a
// character. The flags are summed by one multiplication: not every x86-64
// processor counts bits in one instruction.
std::size_t utf8Characters(std::uint64_t bytes)
{
    const std::uint64_t continuations = (bytes & ~(bytes << 1) & highBits) >> 7;
    return 8 - std::size_t((continuations * 0x0101010101010101ULL) >> 56);
}

bool isContinuation(unsigned char byte)
{
    return (byte & 0xc0) == 0x80;
}

} // namespace

ReadingChoice systemChoice()
{
    ReadingChoice chosen;
    chosen.ansiCodePage = systemAnsiCodePage();
    return chosen;
}

bool isAscii(std::string_view text)
{
    return asciiBytes(text) == text.size();
}

bool isUtf8(std::string_view text)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    for (std::size_t i = asciiBytes(text); i < text.size(); i = asciiBytes(text, i)) {
        const unsigned char lead = bytes[i];
        std::size_t length = 0;
        char32_t code = 0;
        char32_t smallest = 0;
        if ((lead & 0xe0) == 0xc0) {
            length = 2, code = lead & 0x1fu, smallest = 0x80;
        } else if ((lead & 0xf0) == 0xe0) {
            length = 3, code = lead & 0x0fu, smallest = 0x800;
        } else if ((lead & 0xf8) == 0xf0) {
            length = 4, code = lead & 0x07u, smallest = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if (!isContinuation(bytes[i + k]))
                return false;
            code = code << 6 | (bytes[i + k] & 0x3fu);
        }
        if (code < smallest || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            return false;
        i += length;
    }
    return true;
}

LineForm lineForm(std::string_view line, const TextReading &reading)
{
    if (isAscii(line))
        return LineForm::Ascii;
    if (reading.chosen.encoding == ReadingChoice::Encoding::CodePage || !isUtf8(line))
        return LineForm::Ansi;
    if (reading.chosen.columns)
        return *reading.chosen.columns == ColumnUnit::Bytes ? LineForm::Utf8Bytes : LineForm::Utf8Characters;
    return std::int64_t(line.size()) == reading.commonLength ? LineForm::Utf8Bytes : LineForm::Utf8Characters;
}

unsigned codePageOf(LineForm form, const TextReading &reading)
{
    return form == LineForm::Ansi ? reading.chosen.ansiCodePage : utf8CodePage;
}

void LineColumns::countCharacters(LineForm form, const TextReading &reading)
{
    const bool doubleByte = form == LineForm::Ansi && isDoubleByteCodePage(reading.chosen.ansiCodePage)
                            && reading.chosen.columns != ColumnUnit::Bytes;
    byBytes = form != LineForm::Utf8Characters && !doubleByte;
    if (byBytes)
        return;
    doubleByteCodePage = doubleByte ? reading.chosen.ansiCodePage : 0;
    asciiPrefix = asciiBytes(text);
}

std::size_t LineColumns::start(std::size_t character) const
{
    if (character <= asciiPrefix)
        return std::min(character, text.size());
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    std::size_t at = asciiPrefix;
    std::size_t found = asciiPrefix;
    if (doubleByteCodePage == 0) {
        // Whole words while the character sought lies beyond them; a word that
        // ends inside a character is fine, as its continuation bytes count nothing.
        for (std::size_t inWord; at + 8 <= text.size() && found + (inWord = utf8Characters(word(bytes + at))) <= character;
             at += 8)
            found += inWord;
        for (; at < text.size(); ++at) {
            if (!isContinuation(bytes[at]) && found++ == character)
                break;
        }
    } else {
        for (; at < text.size() && found < character; ++found)
            at += isLeadByte(doubleByteCodePage, bytes[at]) && at + 1 < text.size() ? 2 : 1;
    }
    return std::min(at, text.size());
}

std::string_view LineColumns::characters(std::size_t firstColumn, std::size_t length) const
{
    if (firstColumn == 0)
        return {};
    const std::size_t begin = start(firstColumn - 1);
    const std::size_t end = start(firstColumn - 1 + length);
    return text.substr(begin, end - begin);
}

std::optional<LineForm> LineTally::read(std::string_view line, const ReadingChoice &chosen)
{
    if (isAscii(line)) {
        if (!line.empty())
            ascii.add(std::int64_t(line.size()));
        return LineForm::Ascii;
    }
    if (line.starts_with(byteOrderMark)) {
        byteOrderMarkFound = true;
        return std::nullopt;
    }
    if (chosen.encoding != ReadingChoice::Encoding::CodePage && isUtf8(line)) {
        utf8.add(std::int64_t(line.size()));
        return chosen.columns == ColumnUnit::Bytes ? LineForm::Utf8Bytes : LineForm::Utf8Characters;
    }
    if (chosen.encoding == ReadingChoice::Encoding::Utf8)
        return std::nullopt;
    ++ansi;
    return LineForm::Ansi;
}

std::string LineTally::refusal(std::int64_t lineNumber) const
{
    const std::string number = std::to_string(lineNumber);
    if (byteOrderMarkFound)
        return "A byte order mark begins line " + number + ", as where two files were joined: remove it";
    return "Line " + number + " is not UTF-8 text";
}

void LineTally::add(const LineTally &later)
{
    ascii.add(later.ascii);
    utf8.add(later.utf8);
    ansi += later.ansi;
}

TextReading LineTally::reading(const ReadingChoice &chosen) const
{
    return {chosen, chosen.columns ? -1 : ascii.majority()};
}

LineCounts LineTally::counts(const TextReading &reading) const
{
    LineCounts counts;
    if (reading.chosen.columns == ColumnUnit::Bytes)
        counts.utf8Bytes = utf8.lines();
    else if (!reading.chosen.columns && reading.commonLength >= 0)
        counts.utf8Bytes = utf8.of(reading.commonLength);
    counts.utf8Characters = utf8.lines() - counts.utf8Bytes;
    counts.ansi = ansi;
    return counts;
}

void LineTally::LengthCounts::add(std::int64_t length)
{
    ++byLength[length];
    ++total;
}

void LineTally::LengthCounts::add(const LengthCounts &other)
{
    for (const auto &[length, lines] : other.byLength)
        byLength[length] += lines;
    total += other.total;
}

std::int64_t LineTally::LengthCounts::of(std::int64_t length) const
{
    const auto found = byLength.find(length);
    return found == byLength.end() ? 0 : found->second;
}

std::int64_t LineTally::LengthCounts::majority() const
{
    for (const auto &[length, lines] : byLength) {
        if (2 * lines > total)
            return length;
    }
    return -1;
}

} // namespace ostrel
