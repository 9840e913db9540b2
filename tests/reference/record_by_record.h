#pragma once

#include <cstdint>
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

// The key rule, written with plain substring calls.
std::string BuildRecordKey(const std::string &line);

// Visits every entry, rebuilding its key from its line, and counts the keys
// that are not greater than the new key.
std::int64_t FindInsertPosition(const std::string &key, const RecordCollection &collection);

struct SortResult
{
    std::string output;                     // what a successful run writes
    std::optional<std::int64_t> failedLine; // 1-based line of the duplicate key
    std::string message;                    // but for a file that cannot be read
    std::optional<std::string> unreadable;  // why the file cannot be read as lines
};

// Reads the file's lines one by one, as text that Windows programs write,
// and inserts each where FindInsertPosition says.
SortResult sortRecordByRecord(std::string_view input);

} // namespace reference
