#include "runtime/line_reading.h"

#include "runtime/code_page.h"
#include "runtime/columns.h"
#include "runtime/line_scanner.h"
#include "runtime/parallel.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>

namespace ostrel {

namespace {

constexpr std::string_view byteOrderMark = "\xef\xbb\xbf";

// The bytes of the character that this byte begins, in valid UTF-8.
std::size_t utf8Length(unsigned char lead)
{
    return lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
}

// How many lines have each length; most lengths are short, and a table
// counts them far quicker than a map.
class LengthCounts
{
public:
    void add(std::int64_t length, std::int64_t lines = 1)
    {
        if (length < shortest)
            byLength[std::size_t(length)] += lines;
        else
            longer[length] += lines;
        total += lines;
    }
    void add(const LengthCounts &other)
    {
        for (std::size_t length = 0; length < byLength.size(); ++length)
            byLength[length] += other.byLength[length];
        for (const auto &[length, lines] : other.longer)
            longer[length] += lines;
        total += other.total;
    }
    std::int64_t of(std::int64_t length) const
    {
        if (length < shortest)
            return byLength[std::size_t(length)];
        const auto found = longer.find(length);
        return found == longer.end() ? 0 : found->second;
    }
    // The length that more than half the lines have, or -1.
    std::int64_t majority() const
    {
        for (std::size_t length = 0; length < byLength.size(); ++length) {
            if (2 * byLength[length] > total)
                return std::int64_t(length);
        }
        for (const auto &[length, lines] : longer) {
            if (2 * lines > total)
                return length;
        }
        return -1;
    }
    std::int64_t lines() const { return total; }

private:
    static constexpr std::int64_t shortest = 4096;
    std::vector<std::int64_t> byLength = std::vector<std::int64_t>(shortest);
    std::map<std::int64_t, std::int64_t> longer;
    std::int64_t total = 0;
};

enum class Refusal { None, ByteOrderMark, NotUtf8 };

struct PartRead
{
    LengthCounts ascii; // non-empty lines only
    LengthCounts utf8;
    std::int64_t ansi = 0;
    Refusal refusal = Refusal::None;
    std::int64_t refusedLineStart = 0;
};

void readPart(std::string_view lines, LineRange range, const TextReading &chosen, PartRead &part)
{
    LineScanner scanner(lines, range.begin, range.end);
    while (const auto span = scanner.next()) {
        const std::string_view line = lines.substr(std::size_t(span->start), std::size_t(span->length));
        if (isAscii(line)) {
            if (!line.empty())
                part.ascii.add(span->length);
        } else if (line.starts_with(byteOrderMark)) {
            part.refusal = Refusal::ByteOrderMark;
        } else if (chosen.encoding != TextReading::Encoding::CodePage && isUtf8(line)) {
            part.utf8.add(span->length);
        } else if (chosen.encoding == TextReading::Encoding::Utf8) {
            part.refusal = Refusal::NotUtf8;
        } else {
            ++part.ansi;
        }
        if (part.refusal != Refusal::None) {
            part.refusedLineStart = span->start;
            return;
        }
    }
}

std::string refusalText(Refusal refusal, std::int64_t line)
{
    const std::string number = std::to_string(line);
    if (refusal == Refusal::ByteOrderMark)
        return "A byte order mark begins line " + number + ", as where two files were joined: remove it";
    return "Line " + number + " is not UTF-8 text";
}

} // namespace

TextReading systemReading()
{
    TextReading reading;
    reading.ansiCodePage = systemAnsiCodePage();
    return reading;
}

bool isAscii(std::string_view text)
{
    std::uint64_t bits = 0;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        bits |= word;
    }
    for (; i < text.size(); ++i)
        bits |= static_cast<unsigned char>(text[i]);
    return (bits & 0x8080808080808080ULL) == 0;
}

bool isUtf8(std::string_view text)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
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
            if ((bytes[i + k] & 0xc0) != 0x80)
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
    if (reading.allAscii || isAscii(line))
        return LineForm::Ascii;
    if (reading.encoding == TextReading::Encoding::CodePage || !isUtf8(line))
        return LineForm::Ansi;
    if (reading.columns)
        return *reading.columns == ColumnUnit::Bytes ? LineForm::Utf8Bytes : LineForm::Utf8Characters;
    return std::int64_t(line.size()) == reading.commonLength ? LineForm::Utf8Bytes : LineForm::Utf8Characters;
}

unsigned codePageOf(LineForm form, const TextReading &reading)
{
    return form == LineForm::Ansi ? reading.ansiCodePage : utf8CodePage;
}

LineColumns::LineColumns(std::string_view line, LineForm form, const TextReading &reading) : text(line)
{
    const bool doubleByte = form == LineForm::Ansi && isDoubleByteCodePage(reading.ansiCodePage)
                            && reading.columns != ColumnUnit::Bytes;
    byBytes = form != LineForm::Utf8Characters && !doubleByte;
    if (byBytes)
        return;
    const auto *bytes = reinterpret_cast<const unsigned char *>(line.data());
    std::size_t at = 0;
    for (counted = 0; counted < charactersKept && at < line.size(); ++counted) {
        starts[counted] = at;
        if (!doubleByte)
            at += utf8Length(bytes[at]);
        else
            at += isLeadByte(reading.ansiCodePage, bytes[at]) && at + 1 < line.size() ? 2 : 1;
    }
    starts[counted] = at;
}

std::string_view LineColumns::operator()(std::size_t firstColumn, std::size_t length) const
{
    if (byBytes)
        return columnText(text, firstColumn, length);
    if (firstColumn == 0 || firstColumn > counted)
        return {};
    const std::size_t begin = starts[firstColumn - 1];
    return text.substr(begin, starts[std::min(firstColumn - 1 + length, counted)] - begin);
}

LinesRead readLines(std::string_view lines, const std::vector<TextStretch> &stretches, TextReading chosen)
{
    chosen.allAscii = false;
    const std::vector<LineRange> ranges = linesByStretch(lines, stretches);
    std::vector<PartRead> parts(ranges.size());
    std::vector<std::function<void()>> jobs;
    for (std::size_t p = 0; p < ranges.size(); ++p)
        jobs.push_back([&, p] { readPart(lines, ranges[p], chosen, parts[p]); });
    runInParallel(jobs);

    LinesRead read{chosen, {}, std::nullopt};
    LengthCounts ascii;
    LengthCounts utf8;
    for (const PartRead &part : parts) {
        // The parts follow each other, so the first refused is the earliest.
        if (part.refusal != Refusal::None) {
            read.refusal = refusalText(part.refusal, countLines(lines, 0, part.refusedLineStart) + 1);
            return read;
        }
        ascii.add(part.ascii);
        utf8.add(part.utf8);
        read.counts.ansi += part.ansi;
    }
    if (!chosen.columns)
        read.reading.commonLength = ascii.majority();
    if (chosen.columns == ColumnUnit::Bytes)
        read.counts.utf8Bytes = utf8.lines();
    else if (read.reading.commonLength >= 0)
        read.counts.utf8Bytes = utf8.of(read.reading.commonLength);
    read.counts.utf8Characters = utf8.lines() - read.counts.utf8Bytes;
    return read;
}

} // namespace ostrel
