#include "reference/record_by_record.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace reference {

namespace {

// Keys compare as unsigned bytes, as the records' own order does.
bool less(const std::string &left, const std::string &right)
{
    const int order = std::memcmp(left.data(), right.data(), std::min(left.size(), right.size()));
    return order != 0 ? order < 0 : left.size() < right.size();
}

std::string substring(const std::string &text, std::size_t start, std::size_t length)
{
    return start > text.size() ? std::string() : text.substr(start - 1, length);
}

std::string trimmedSpaces(std::string text)
{
    while (!text.empty() && text.front() == ' ')
        text.erase(0, 1);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
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
    std::string key = substring(line, 170, 4) + substring(line, 5, 15) + substring(line, 1, 2) + substring(line, 3, 2);
    if (substring(line, 7, 3) == "375") {
        key = substring(line, 170, 4) + "0000375" + substring(line, 56, 2) + std::string(8, ' ')
              + substring(line, 1, 2) + substring(line, 3, 2);
    }
    return key;
}

std::int64_t FindInsertPosition(const std::string &key, const RecordCollection &collection)
{
    std::int64_t result = collection.count();
    bool found = false;
    for (std::int64_t i = 1; i <= collection.count(); ++i) {
        const std::string stored = BuildRecordKey(collection.line(i));
        if (!found && less(key, stored)) {
            result = i - 1;
            found = true;
        }
    }
    return result;
}

SortResult sortRecordByRecord(std::string_view input)
{
    const TextLines text = readLines(input);
    if (text.unreadable)
        return {{}, std::nullopt, {}, text.unreadable};
    RecordCollection collection;
    bool started = false;
    std::int64_t lineCounter = 0;
    for (const std::string &line : text.lines) {
        ++lineCounter;
        const std::string key = BuildRecordKey(line);
        bool added = false;
        if (started) {
            const std::int64_t position = FindInsertPosition(key, collection);
            added = position == 0 ? collection.addBefore(line, key, 1) : collection.addAfter(line, key, position);
        } else {
            added = collection.add(line, key);
            started = true;
        }
        if (!added) {
            const std::string message = "Failed Sort - duplicate keys, \r\n Line =  " + std::to_string(lineCounter)
                                        + "\r\n Name = " + trimmedSpaces(substring(line, 18, 30))
                                        + "\r\n Key = " + key;
            return {{}, lineCounter, message, std::nullopt};
        }
    }
    std::string output = text.byteOrderMark;
    for (std::int64_t i = 1; i <= collection.count(); ++i)
        output += collection.line(i) + "\r\n";
    return {output, std::nullopt, "Route Records were sorted.", std::nullopt};
}

} // namespace reference
