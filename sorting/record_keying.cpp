#include "sorting/record_keying.h"

#include "runtime/line_scanner.h"
#include "runtime/parallel.h"

#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <optional>

namespace ostrel {

namespace {

// What one core's keying of a part found: its records go into the places
// counted for them, from firstPlace on.
struct PartKeying
{
    std::int64_t firstPlace = 0;
    std::int64_t places = 0;
    std::int64_t keyed = 0;
    std::int64_t partialKeys = 0;
    LineTally tally;
    std::optional<std::int64_t> refusedLineStart;
};

void keyPart(std::string_view text, const TextPart &part, const ReadingChoice &chosen, const PiecePlace &place,
             KeyedRecord *records, PartKeying &keying)
{
    LineScanner scanner(text, part.begin, part.end);
    KeyedRecord *next = records + keying.firstPlace;
    KeyedRecord *const end = next + keying.places;
    // Only the whole file tells the common length, so no line is keyed by
    // bytes yet, unless the place tells it.
    const TextReading reading = place.reading.value_or(TextReading{chosen, -1});
    // More lines than were counted: the text changed since, which the file's
    // watch reports; the places must not be overrun meanwhile.
    for (std::optional<LineSpan> line; next != end && (line = scanner.next()); ++next) {
        const std::string_view lineText = text.substr(std::size_t(line->start), std::size_t(line->length));
        std::optional<LineForm> form = keying.tally.read(lineText, chosen);
        if (!form) {
            keying.refusedLineStart = line->start;
            break;
        }
        if (*form == LineForm::Utf8Characters && std::int64_t(line->length) == reading.commonLength)
            form = LineForm::Utf8Bytes;
        const RecordKey key = BuildRecordKey(lineText, *form, reading);
        keying.partialKeys += !key.isWhole();
        std::construct_at(next, key, line->start, line->length);
    }
    keying.keyed = next - (records + keying.firstPlace);
}

// Only the whole file tells which UTF-8 lines were padded by bytes: those
// keyed by characters meanwhile are keyed again.
void keyBytePaddedAgain(std::string_view text, const TextReading &reading, KeyedRecord *records, PartKeying &keying)
{
    KeyedRecord *const end = records + keying.firstPlace + keying.keyed;
    for (KeyedRecord *record = records + keying.firstPlace; record != end; ++record) {
        const std::string_view line = record->line(text);
        if (record->lineLength() != reading.commonLength || lineForm(line, reading) != LineForm::Utf8Bytes)
            continue;
        keying.partialKeys -= !record->key().isWhole();
        std::construct_at(record, BuildRecordKey(line, LineForm::Utf8Bytes, reading), record->lineStart(),
                          record->lineLength());
        keying.partialKeys += !record->key().isWhole();
    }
}

// Closes the gaps that parts with fewer lines than counted left, so that the
// array holds keyed records only.
std::int64_t closeGaps(const std::vector<PartKeying> &keyings, KeyedRecord *records)
{
    std::int64_t filled = 0;
    for (const PartKeying &keying : keyings) {
        if (keying.firstPlace != filled)
            std::memmove(static_cast<void *>(records + filled), records + keying.firstPlace,
                         std::size_t(keying.keyed) * sizeof(KeyedRecord));
        filled += keying.keyed;
    }
    return filled;
}

} // namespace

// Each part's lines are keyed on a core of their own, straight into their
// counted places: the records are held once, in memory filled front to back.
Result<KeyedText> keyRecords(std::string_view text, const std::vector<TextPart> &parts, const ReadingChoice &chosen,
                             const PiecePlace &place)
{
    if (std::int64_t(text.size()) >= largestInput)
        throw std::bad_alloc();
    std::vector<PartKeying> keyings;
    std::int64_t places = 0;
    for (const TextPart &part : parts) {
        keyings.push_back({places, part.lineCount, 0, 0, {}, std::nullopt});
        places += part.lineCount;
    }
    KeyedText keyed;
    keyed.records = RecordArray(std::size_t(places));
    std::vector<std::function<void()>> keying;
    for (std::size_t p = 0; p < parts.size(); ++p)
        keying.push_back([&, p] { keyPart(text, parts[p], chosen, place, keyed.records.begin(), keyings[p]); });
    runInParallel(keying);

    LineTally &tally = keyed.tally;
    for (const PartKeying &part : keyings) {
        // The parts follow each other, so the first refused is the earliest.
        if (part.refusedLineStart)
            return Failure{part.tally.refusal(place.linesBefore + countLines(text, 0, *part.refusedLineStart) + 1)};
        tally.add(part.tally);
    }
    keyed.reading = place.reading.value_or(tally.reading(chosen));
    keyed.counts = tally.counts(keyed.reading);
    if (!place.reading && !chosen.columns && keyed.counts.utf8Bytes > 0) {
        std::vector<std::function<void()>> keyingAgain;
        for (PartKeying &part : keyings)
            keyingAgain.push_back([&] { keyBytePaddedAgain(text, keyed.reading, keyed.records.begin(), part); });
        runInParallel(keyingAgain);
    }
    keyed.records.keepFirst(std::size_t(closeGaps(keyings, keyed.records.begin())));
    for (const PartKeying &part : keyings)
        keyed.partialKeys += part.partialKeys;
    return keyed;
}

} // namespace ostrel
