#include "reference/record_by_record.h"
#include "support/yardstick.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>

namespace reference {

namespace {

// Keys compare as unsigned bytes, as the records' own order does.
bool less(const std::string &left, const std::string &right)
{
    const int order = std::memcmp(left.data(), right.data(), std::min(left.size(), right.size()));
    return order != 0 ? order < 0 : left.size() < right.size();
}

std::string substring(const Characters &text, std::size_t start, std::size_t length)
{
    std::string piece;
    for (std::size_t i = start; i < start + length && i <= text.size(); ++i)
        piece += text[i - 1];
    return piece;
}

Characters bytesOf(const std::string &line)
{
    Characters characters;
    for (const char byte : line)
        characters.emplace_back(1, byte);
    return characters;
}

// The well-formed UTF-8 sequences, as the Unicode standard tabulates them:
// each byte after the first within its own range.
std::optional<Characters> utf8Characters(const std::string &line)
{
    Characters characters;
    const auto byte = [&](std::size_t i) { return i < line.size() ? static_cast<unsigned char>(line[i]) : 0u; };
    const auto within = [](unsigned b, unsigned low, unsigned high) { return b >= low && b <= high; };
    for (std::size_t i = 0; i < line.size();) {
        const unsigned b0 = byte(i), b1 = byte(i + 1), b2 = byte(i + 2), b3 = byte(i + 3);
        std::size_t length = 0;
        if (b0 <= 0x7f)
            length = 1;
        else if (within(b0, 0xc2, 0xdf) && within(b1, 0x80, 0xbf))
            length = 2;
        else if (((b0 == 0xe0 && within(b1, 0xa0, 0xbf)) || (within(b0, 0xe1, 0xec) && within(b1, 0x80, 0xbf))
                  || (b0 == 0xed && within(b1, 0x80, 0x9f)) || (within(b0, 0xee, 0xef) && within(b1, 0x80, 0xbf)))
                 && within(b2, 0x80, 0xbf))
            length = 3;
        else if (((b0 == 0xf0 && within(b1, 0x90, 0xbf)) || (within(b0, 0xf1, 0xf3) && within(b1, 0x80, 0xbf))
                  || (b0 == 0xf4 && within(b1, 0x80, 0x8f)))
                 && within(b2, 0x80, 0xbf) && within(b3, 0x80, 0xbf))
            length = 4;
        else
            return std::nullopt;
        characters.push_back(line.substr(i, length));
        i += length;
    }
    return characters;
}

// Double-byte code pages: a lead byte and the byte after it are one character.
Characters codePageCharacters(const std::string &line, unsigned codePage)
{
    const auto lead = [codePage](unsigned char b) {
        if (codePage == 932)
            return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc);
        if (codePage == 936 || codePage == 949 || codePage == 950)
            return b >= 0x81 && b <= 0xfe;
        return false;
    };
    Characters characters;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (lead(static_cast<unsigned char>(line[i])) && i + 1 < line.size()) {
            characters.push_back(line.substr(i, 2));
            ++i;
        } else {
            characters.emplace_back(1, line[i]);
        }
    }
    return characters;
}

bool ascii(const std::string &line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

struct TextLines
{
    std::string byteOrderMark;
    std::vector<std::string> lines;
    std::optional<std::string> unreadable;
};

// A UTF-8 byte order mark first is no part of line 1; Ctrl+Z as the last
// byte ends the file, anywhere else it would hide what follows; UTF-16 is
// not text of bytes.
TextLines readLines(std::string_view input)
{
    TextLines text;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(input[i]); };
    if (input.size() >= 2 && ((byte(0) == 0xff && byte(1) == 0xfe) || (byte(0) == 0xfe && byte(1) == 0xff))) {
        text.unreadable = "The file is UTF-16 text: save it as ANSI or UTF-8 text";
        return text;
    }
    std::size_t begin = 0;
    if (input.size() >= 3 && byte(0) == 0xef && byte(1) == 0xbb && byte(2) == 0xbf) {
        text.byteOrderMark = input.substr(0, 3);
        begin = 3;
    }
    std::size_t end = input.size();
    if (end > begin && input[end - 1] == '\x1a')
        --end;
    std::string current;
    bool pending = false;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = input[i];
        if (c == '\x1a') {
            text.unreadable = "An end-of-file mark (Ctrl+Z) at line " + std::to_string(text.lines.size() + 1)
                              + " has more text after it";
            return text;
        }
        if (c == '\r' || c == '\n') {
            text.lines.push_back(current);
            current.clear();
            pending = false;
            if (c == '\r' && i + 1 < end && input[i + 1] == '\n')
                ++i;
        } else {
            current += c;
            pending = true;
        }
    }
    if (pending)
        text.lines.push_back(current);
    return text;
}

} // namespace

bool RecordCollection::insertAt(std::size_t index, const std::string &line, const std::string &key)
{
    for (const auto &entry : entries) {
        if (entry.second == key)
            return false;
    }
    entries.insert(entries.begin() + std::ptrdiff_t(index), {line, key});
    return true;
}

bool RecordCollection::add(const std::string &line, const std::string &key)
{
    return insertAt(entries.size(), line, key);
}

bool RecordCollection::addBefore(const std::string &line, const std::string &key, std::int64_t position)
{
    return insertAt(std::size_t(position - 1), line, key);
}

bool RecordCollection::addAfter(const std::string &line, const std::string &key, std::int64_t position)
{
    return insertAt(std::size_t(position), line, key);
}

std::string BuildRecordKey(const std::string &line)
{
    return BuildRecordKey(bytesOf(line));
}

std::string BuildRecordKey(const Characters &line)
{
    std::string key = substring(line, 170, 4) + substring(line, 5, 15) + substring(line, 1, 2) + substring(line, 3, 2);
    if (substring(line, 7, 3) == "375") {
        key = substring(line, 170, 4) + "0000375" + substring(line, 56, 2) + std::string(8, ' ')
              + substring(line, 1, 2) + substring(line, 3, 2);
    }
    return key;
}

std::int64_t FindInsertPosition(const std::string &key, const RecordCollection &collection)
{
    return FindInsertPosition(key, collection, [](const std::string &line) { return BuildRecordKey(line); });
}

std::int64_t FindInsertPosition(const std::string &key, const RecordCollection &collection,
                                const std::function<std::string(const std::string &)> &keyOfLine)
{
    std::int64_t result = collection.count();
    bool found = false;
    for (std::int64_t i = 1; i <= collection.count(); ++i) {
        const std::string stored = keyOfLine(collection.line(i));
        if (!found && less(key, stored)) {
            result = i - 1;
            found = true;
        }
    }
    return result;
}

SortResult sortRecordByRecord(std::string_view input, const Reading &reading)
{
    const TextLines text = readLines(input);
    if (text.unreadable)
        return {{}, std::nullopt, {}, text.unreadable};

    // The length most ASCII lines share tells a UTF-8 line padded by bytes.
    std::map<std::size_t, std::int64_t> asciiLengths;
    std::int64_t asciiLines = 0;
    for (const std::string &line : text.lines) {
        if (!line.empty() && ascii(line)) {
            ++asciiLengths[line.size()];
            ++asciiLines;
        }
    }
    std::optional<std::size_t> commonLength;
    for (const auto &[length, lines] : asciiLengths) {
        if (2 * lines > asciiLines)
            commonLength = length;
    }

    // Each line read as its own bytes say, the same way whenever it is read.
    const auto charactersOf = [&](const std::string &line) {
        std::optional<Characters> utf8;
        if (reading.encoding != Reading::Encoding::CodePage)
            utf8 = utf8Characters(line);
        const bool byBytes = reading.columns == Reading::Columns::Bytes
                             || (reading.columns == Reading::Columns::Told && utf8 && line.size() == commonLength);
        if (ascii(line) || byBytes)
            return bytesOf(line);
        return utf8 ? *utf8 : codePageCharacters(line, reading.codePage);
    };
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        const std::string &line = text.lines[i];
        const std::string number = std::to_string(i + 1);
        if (line.starts_with("\xef\xbb\xbf"))
            return {{}, std::nullopt, {}, "A byte order mark begins line " + number + ", as where two files were joined: remove it"};
        if (reading.encoding == Reading::Encoding::Utf8 && !utf8Characters(line))
            return {{}, std::nullopt, {}, "Line " + number + " is not UTF-8 text"};
    }

    RecordCollection collection;
    bool started = false;
    std::int64_t lineCounter = 0;
    for (const std::string &line : text.lines) {
        ++lineCounter;
        const Characters characters = charactersOf(line);
        const std::string key = BuildRecordKey(characters);
        bool added = false;
        if (started) {
            const std::int64_t position = FindInsertPosition(key, collection, [&](const std::string &stored) {
                return BuildRecordKey(charactersOf(stored));
            });
            added = position == 0 ? collection.addBefore(line, key, 1) : collection.addAfter(line, key, position);
        } else {
            added = collection.add(line, key);
            started = true;
        }
        if (!added)
            return {{}, lineCounter, support::duplicateKeyMessage(lineCounter, substring(characters, 18, 30), key),
                    std::nullopt};
    }
    std::string output = text.byteOrderMark;
    for (std::int64_t i = 1; i <= collection.count(); ++i)
        output += collection.line(i) + "\r\n";
    return {output, std::nullopt, std::string(support::sortedMessage), std::nullopt};
}

} // namespace reference
