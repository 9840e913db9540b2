#pragma once

#include "runtime/held_file_wait.h"
#include "runtime/input_file.h"
#include "runtime/result.h"
#include "sorting/record_keying.h"

#include <filesystem>
#include <string_view>

namespace ostrel {

// A route file read and every line keyed: what a sort puts in key order.
class KeyedFile
{
public:
    KeyedFile(InputContents contents, std::string_view byteOrderMark, std::string_view text, KeyedText keyed)
        : held(std::move(contents)), mark(byteOrderMark), lines(text), keyedText(std::move(keyed))
    {
    }

    // The byte order mark before the lines, which the sorted file keeps.
    std::string_view byteOrderMark() const { return mark; }
    // The lines' bytes, into which the records point.
    std::string_view text() const { return lines; }
    std::string_view line(const KeyedRecord &record) const { return record.line(lines); }

    // In input order once keyed; sorting moves them in place.
    RecordArray &records() { return keyedText.records; }
    const RecordArray &records() const { return keyedText.records; }
    // Whether any key is longer than a RecordKey holds.
    bool hasPartialKeys() const { return keyedText.partialKeys > 0; }
    // Whether two records have one key, also where it is longer than held.
    bool sameKey(const KeyedRecord &left, const KeyedRecord &right) const;

    // How the lines were read, and how many were read each way other than as ASCII.
    const TextReading &reading() const { return keyedText.reading; }
    const LineCounts &lineCounts() const { return keyedText.counts; }
    const LineTally &tally() const { return keyedText.tally; }

    // Asked once the records have been used, before anything is made of them:
    // fails where the file did not hold them throughout.
    Result<void> keptThroughout() const { return held.keptThroughout(); }

private:
    InputContents held;
    std::string_view mark;
    std::string_view lines;
    KeyedText keyedText;
};

// Reads the route file, or standard input for "-", and keys its lines, read
// as chosen. Where a line cannot be read, a file that changed meanwhile is
// the failure given: the change explains the line. Throws std::bad_alloc
// where the bytes and their records would take more than `memory`.
Result<KeyedFile> readKeyedFile(const std::filesystem::path &path, const ReadingChoice &chosen,
                                const HeldFileWait &wait, std::int64_t memory = largestInput);

// The same for bytes already read; a piece of a file is keyed as its place says.
Result<KeyedFile> keyFile(InputContents contents, const ReadingChoice &chosen, std::int64_t memory = largestInput,
                          const PiecePlace &place = {});

} // namespace ostrel
