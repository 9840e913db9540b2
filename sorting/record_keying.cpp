#include "sorting/record_keying.h"

#include "runtime/line_scanner.h"
#include "runtime/parallel.h"

#include <functional>
#include <memory>
#include <new>

namespace ostrel {

namespace {

// Below this, threads cost more than they save.
constexpr std::int64_t bytesPerWorker = 4 * 1024 * 1024;
constexpr std::int64_t twoByteGroupsFrom = 64 * 1024 * 1024;
// Keying fills chunks, since the number of lines is not known beforehand;
// counting them first would cost a pass over the whole input. A chunk fills
// one huge page.
constexpr std::size_t recordsPerChunk = (std::size_t(2) << 20) / sizeof(KeyedRecord);

struct Part
{
    std::int64_t begin = 0;
    std::int64_t end = 0;
};

// Parts of the input that begin at line starts, one per worker.
std::vector<Part> splitIntoParts(std::string_view input, unsigned workers)
{
    const auto size = std::int64_t(input.size());
    std::vector<Part> parts;
    std::int64_t begin = 0;
    for (unsigned i = 1; i <= workers; ++i) {
        const std::int64_t end = i == workers ? size : lineStartAtOrAfter(input, size * i / workers);
        if (end > begin)
            parts.push_back({begin, end});
        begin = end;
    }
    return parts;
}

struct RecordChunk
{
    RecordArray records;
    std::size_t filled = 0;
};

// One part's records as keyed, before they take their places in the whole.
struct KeyedPart
{
    explicit KeyedPart(std::size_t groupCount) : groups(groupCount) {}

    std::vector<RecordChunk> chunks;
    std::vector<RecordGroup> groups;
    bool outOfMemory = false;
};

void keyPart(std::string_view input, const Part &part, Grouping grouping, KeyedPart &keyed)
{
    try {
        LineScanner scanner(input, part.begin, part.end);
        while (const auto line = scanner.next()) {
            if (keyed.chunks.empty() || keyed.chunks.back().filled == recordsPerChunk)
                keyed.chunks.push_back({RecordArray(recordsPerChunk, Filling::FrontToBack), 0});
            RecordChunk &chunk = keyed.chunks.back();
            const std::string_view text = input.substr(std::size_t(line->start), std::size_t(line->length));
            const KeyedRecord *record =
                std::construct_at(chunk.records.begin() + chunk.filled++, BuildRecordKey(text), line->start, line->length);
            RecordGroup &group = keyed.groups[grouping.of(*record)];
            ++group.records;
            group.lineBytes += line->length;
        }
    } catch (const std::bad_alloc &) {
        // Reported by the caller: an exception must not leave a thread.
        keyed.outOfMemory = true;
    }
}

// Moves one part's records to their places in the whole, `next` holding the
// next place in each group; each chunk is given back as soon as it is
// emptied, so the records are held about once throughout.
void placeRecords(KeyedPart &keyed, Grouping grouping, KeyedRecord *whole, std::vector<std::int64_t> &next)
{
    for (RecordChunk &chunk : keyed.chunks) {
        for (const KeyedRecord *record = chunk.records.begin(); record != chunk.records.begin() + chunk.filled; ++record)
            std::construct_at(whole + next[grouping.of(*record)]++, *record);
        chunk.records = RecordArray();
    }
}

} // namespace

// The parts are keyed on all cores; moving their records into one array then
// groups them by leading key bytes on the way, the first steps of ordering them.
KeyedInput keyRecords(std::string_view input)
{
    if (std::int64_t(input.size()) >= largestInput)
        throw std::bad_alloc();
    KeyedInput keyed;
    keyed.grouping = Grouping{std::int64_t(input.size()) >= twoByteGroupsFrom ? 2u : 1u};
    const std::size_t groupCount = keyed.grouping.count();
    const std::vector<Part> parts = splitIntoParts(input, workerCount(std::int64_t(input.size()), bytesPerWorker));
    std::vector<KeyedPart> keyedParts;
    keyedParts.reserve(parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i)
        keyedParts.emplace_back(groupCount);
    std::vector<std::function<void()>> keying;
    for (std::size_t i = 0; i < parts.size(); ++i)
        keying.push_back([&, i] { keyPart(input, parts[i], keyed.grouping, keyedParts[i]); });
    runInParallel(keying);

    keyed.groups.resize(groupCount);
    for (const KeyedPart &part : keyedParts) {
        if (part.outOfMemory)
            throw std::bad_alloc();
        for (std::size_t g = 0; g < groupCount; ++g) {
            keyed.groups[g].records += part.groups[g].records;
            keyed.groups[g].lineBytes += part.groups[g].lineBytes;
        }
    }
    // Within a group, each part's records follow the earlier parts'.
    std::vector<std::vector<std::int64_t>> nextPlaces(keyedParts.size(), std::vector<std::int64_t>(groupCount));
    std::int64_t total = 0;
    for (std::size_t g = 0; g < groupCount; ++g) {
        for (std::size_t i = 0; i < keyedParts.size(); ++i) {
            nextPlaces[i][g] = total;
            total += keyedParts[i].groups[g].records;
        }
    }
    keyed.records = RecordArray(std::size_t(total));
    std::vector<std::function<void()>> placing;
    for (std::size_t i = 0; i < keyedParts.size(); ++i)
        placing.push_back([&, i] { placeRecords(keyedParts[i], keyed.grouping, keyed.records.begin(), nextPlaces[i]); });
    runInParallel(placing);
    return keyed;
}

} // namespace ostrel
