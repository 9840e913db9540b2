#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace reference {

// The keyed collection of record lines: 1-based positions, unique keys.
class RecordCollection
{
public:
    std::int64_t count() const { return std::int64_t(entries.size()); }
    const std::string &line(std::int64_t position) const { return entries[std::size_t(position - 1)].first; }
    const std::string &key(std::int64_t position) const { return entries[std::size_t(position - 1)].second; }

    // Each form fails, leaving the collection unchanged, when the key is present.
    bool add(const std::string &line, const std::string &key);
    bool addBefore(const std::string &line, const std::string &key, std::int64_t position);
    bool addAfter(const std::string &line, const std::string &key, std::int64_t position);

private:
    bool insertAt(std::size_t index, const std::string &line, const std::string &key);

    std::vector<std::pair<std::string, std::string>> entries;
};

// How lines are read, as tavel-sort's --encoding and --columns choose.
struct Reading
{
    enum class Encoding { PerLine, Utf8, CodePage };
    enum class Columns { Told, Characters, Bytes };
    Encoding encoding = Encoding::PerLine;
    unsigned codePage = 1252; // of lines that are not read as UTF-8
    Columns columns = Columns::Told;
};

// A line cut into its characters, each the bytes it takes.
using Characters = std::vector<std::string>;

// The key rule, written with plain substring calls on characters.
std::string BuildRecordKey(const Characters &line);
// The same on a line of single-byte characters.
std::string BuildRecordKey(const std::string &line);

// Visits every entry, rebuilding its key from its line, and counts the keys
// that are not greater than the new key.
std::int64_t FindInsertPosition(const std::string &key, const RecordCollection &collection);
// The same, with each stored line's key rebuilt as its characters are read.
std::int64_t FindInsertPosition(const std::string &key, const RecordCollection &collection,
                                const std::function<std::string(const std::string &)> &keyOfLine);

struct SortResult
{
    std::string output;                     // what a successful run writes
    std::optional<std::int64_t> failedLine; // 1-based line of the duplicate key
    std::string message;                    // but for a file that cannot be read
    std::optional<std::string> unreadable;  // why the file cannot be read as lines
};

// Reads the file's lines one by one, as text that Windows programs write,
// each cut into characters as its encoding has them, and inserts each where
// FindInsertPosition says.
SortResult sortRecordByRecord(std::string_view input, const Reading &reading = {});

} // namespace reference
