#include "sorting/record_keying.h"

#include "runtime/line_scanner.h"
#include "runtime/parallel.h"
#include "sorting/radix_sort.h"

#include <cstring>
#include <functional>
#include <memory>
#include <new>

namespace ostrel {

namespace {

// The lines that start in one part of the text, keyed by one core into the
// places counted for them.
struct KeyedPart
{
    std::int64_t begin = 0; // line starts
    std::int64_t end = 0;
    std::int64_t firstPlace = 0;
    std::int64_t places = 0;
    std::int64_t keyed = 0;
    std::int64_t partialKeys = 0;
    RecordGroups groups{};
    LineTally tally;
    std::optional<std::int64_t> refusedLineStart;

    void count(const KeyedRecord &record, std::int64_t records)
    {
        RecordGroup &group = groups[record.key().sortByte(0)];
        group.records += records;
        group.lineBytes += records * record.lineLength();
        partialKeys += records * !record.key().isWhole();
    }
};

void keyPart(std::string_view input, const TextReading &chosen, KeyedRecord *records, KeyedPart &part)
{
    LineScanner scanner(input, part.begin, part.end);
    KeyedRecord *next = records + part.firstPlace;
    KeyedRecord *const end = next + part.places;
    // More lines than were counted: the text changed since, which the file's
    // watch reports; the places must not be overrun meanwhile.
    for (std::optional<LineSpan> line; next != end && (line = scanner.next()); ++next) {
        const std::string_view text = input.substr(std::size_t(line->start), std::size_t(line->length));
        const std::optional<LineForm> form = part.tally.read(text, chosen);
        if (!form) {
            part.refusedLineStart = line->start;
            break;
        }
        const RecordKey key = *form == LineForm::Ascii ? BuildRecordKey(text) : BuildRecordKey(text, *form, chosen);
        part.count(*std::construct_at(next, key, line->start, line->length), 1);
    }
    part.keyed = next - (records + part.firstPlace);
}

// Only the whole file tells which UTF-8 lines were padded by bytes: those
// keyed by characters meanwhile are keyed again.
void keyBytePaddedAgain(std::string_view input, const TextReading &reading, KeyedRecord *records, KeyedPart &part)
{
    KeyedRecord *const end = records + part.firstPlace + part.keyed;
    for (KeyedRecord *record = records + part.firstPlace; record != end; ++record) {
        const std::string_view text = record->line(input);
        if (record->lineLength() != reading.commonLength || lineForm(text, reading) != LineForm::Utf8Bytes)
            continue;
        part.count(*record, -1);
        std::construct_at(record, BuildRecordKey(text, LineForm::Utf8Bytes, reading), record->lineStart(),
                          record->lineLength());
        part.count(*record, 1);
    }
}

// Closes the gaps that parts with fewer lines than counted left, so that the
// array holds keyed records only.
std::int64_t closeGaps(std::vector<KeyedPart> &parts, KeyedRecord *records)
{
    std::int64_t filled = 0;
    for (const KeyedPart &part : parts) {
        if (part.firstPlace != filled)
            std::memmove(static_cast<void *>(records + filled), records + part.firstPlace,
                         std::size_t(part.keyed) * sizeof(KeyedRecord));
        filled += part.keyed;
    }
    return filled;
}

} // namespace

// Each part's lines are keyed on a core of their own, straight into their
// counted places, and then grouped there: the records are held once, in
// memory filled front to back.
Result<KeyedInput> keyRecords(std::string_view input, const std::vector<TextPart> &textParts, const TextReading &chosen)
{
    if (std::int64_t(input.size()) >= largestInput)
        throw std::bad_alloc();
    KeyedInput keyed;
    const std::vector<LineRange> ranges = linesByPart(input, textParts);
    std::vector<KeyedPart> parts;
    std::int64_t places = 0;
    for (std::size_t s = 0; s < textParts.size(); ++s) {
        parts.push_back({ranges[s].begin, ranges[s].end, places, textParts[s].lineCount, 0, 0, {}, {}, std::nullopt});
        places += textParts[s].lineCount;
    }
    keyed.records = RecordArray(std::size_t(places));
    std::vector<std::function<void()>> keying;
    for (KeyedPart &part : parts)
        keying.push_back([&] { keyPart(input, chosen, keyed.records.begin(), part); });
    runInParallel(keying);

    LineTally tally;
    for (const KeyedPart &part : parts) {
        // The parts follow each other, so the first refused is the earliest.
        if (part.refusedLineStart)
            return Failure{part.tally.refusal(countLines(input, 0, *part.refusedLineStart) + 1)};
        tally.add(part.tally);
    }
    keyed.reading = tally.reading(chosen);
    keyed.counts = tally.counts(keyed.reading);
    if (!chosen.columns && keyed.counts.utf8Bytes > 0) {
        std::vector<std::function<void()>> keyingAgain;
        for (KeyedPart &part : parts)
            keyingAgain.push_back([&] { keyBytePaddedAgain(input, keyed.reading, keyed.records.begin(), part); });
        runInParallel(keyingAgain);
    }

    keyed.records.keepFirst(std::size_t(closeGaps(parts, keyed.records.begin())));
    for (const KeyedPart &part : parts) {
        keyed.partialKeys += part.partialKeys;
        for (std::size_t g = 0; g < keyed.groups.size(); ++g) {
            keyed.groups[g].records += part.groups[g].records;
            keyed.groups[g].lineBytes += part.groups[g].lineBytes;
        }
    }
    partitionByKeyByte(keyed.records.begin(), recordCounts(keyed.groups), 0);
    return keyed;
}

} // namespace ostrel
