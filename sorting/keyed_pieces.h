#pragma once

#include "runtime/held_file_wait.h"
#include "runtime/input_file.h"
#include "runtime/large_allocation.h"
#include "runtime/temporary_file.h"
#include "sorting/keyed_file.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {

// A piece of a route file, read and keyed: whole lines, in input order.
struct KeyedPiece
{
    KeyedFile file;
    // Where each line starts in the piece, in input order, and the number of the first.
    std::vector<std::int64_t> lineStarts;
    std::int64_t firstLineNumber = 1;
    std::int64_t bytes = 0; // of the file, marks included
};

// A route file read and keyed in pieces as large as the memory allows: the
// whole file at once, as the memory-mapped file it is, where it fits.
class KeyedPieces
{
public:
    // Opens the file, or standard input for "-". A pipe that gives more than
    // the memory holds is first copied to a temporary file in `folder`, as it
    // cannot be read twice.
    static Result<std::unique_ptr<KeyedPieces>> open(const std::filesystem::path &path, const ReadingChoice &chosen,
                                                     std::int64_t memory, const std::filesystem::path &folder,
                                                     const HeldFileWait &wait);

    // The whole file in memory, where it fits; then there are no pieces.
    std::optional<KeyedFile> &whole() { return wholeFile; }

    // The next piece, or empty after the last; the piece before must be
    // dropped first, as its bytes are read over.
    Result<std::optional<KeyedPiece>> next();
    std::optional<std::int64_t> size() const { return total; }

    // Once every piece is read: how the whole file reads, and whether its
    // pieces were keyed as it reads; where not, they are keyed again from the
    // start, now knowing how.
    TextReading reading() const { return tally.reading(chosenReading); }
    LineCounts lineCounts() const { return tally.counts(reading()); }
    bool keyedAsRead() const;
    void restart();

    std::string_view byteOrderMark() const { return mark; }
    Result<void> keptThroughout() const { return reader->keptThroughout(); }

private:
    KeyedPieces(std::unique_ptr<InputReader> input, const ReadingChoice &chosen, std::int64_t memory);
    Result<std::size_t> readAt(std::int64_t offset, std::span<char> into);
    Result<void> copyToSpool(const std::filesystem::path &folder, const HeldFileWait &wait, std::size_t read);

    std::unique_ptr<InputReader> reader;
    std::unique_ptr<TemporaryFile> spool; // a pipe's bytes, where they did not fit
    ReadingChoice chosenReading;
    std::int64_t budget;
    std::optional<std::int64_t> total;
    std::optional<KeyedFile> wholeFile;
    // Room for the next piece's bytes: at first for lines of about 200 bytes.
    std::size_t pieceRoom;
    LargeBuffer buffer;
    std::int64_t offset = 0;
    std::int64_t linesBefore = 0;
    std::string mark;
    std::optional<TextReading> guessed;
    LineTally tally;
};

} // namespace ostrel
