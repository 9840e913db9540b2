#include "sorting/keyed_pieces.h"

#include "runtime/path_text.h"
#include "runtime/text_body.h"

#include <algorithm>
#include <new>

namespace ostrel {

namespace {

// Beside its bytes, a piece takes a record and a line start for each line.
constexpr std::int64_t perLine = sizeof(KeyedRecord) + sizeof(std::int64_t);
// What the rest of the run needs beside a piece: the buffers that write a
// run, the threads' stacks, the program itself.
constexpr std::int64_t keptBack = 16 << 20;
constexpr std::int64_t smallestPiece = 1 << 10;

// Where the last whole line of the bytes ends, or 0 where none does: a CR at
// the very end may yet be the first half of CR LF.
std::size_t lastLineEnd(std::string_view bytes)
{
    for (std::size_t i = bytes.size(); i-- > 0;) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] != '\n'))
            return i + 1;
    }
    return 0;
}

} // namespace

KeyedPieces::KeyedPieces(std::unique_ptr<InputReader> input, const ReadingChoice &chosen, std::int64_t memory)
    : reader(std::move(input)), chosenReading(chosen), budget(std::max(memory - std::min(keptBack, memory / 4), smallestPiece)),
      total(reader ? reader->size() : std::nullopt), pieceRoom(std::size_t(budget / 5 * 4))
{
}

Result<std::unique_ptr<KeyedPieces>> KeyedPieces::open(const std::filesystem::path &path, const ReadingChoice &chosen,
                                                       std::int64_t memory, const std::filesystem::path &folder,
                                                       const HeldFileWait &wait)
{
    if (!isStandardStream(path)) {
        std::error_code unknown;
        const std::uintmax_t size = std::filesystem::file_size(path, unknown);
        if (unknown || std::int64_t(size) <= memory) {
            try {
                Result<KeyedFile> whole = readKeyedFile(path, chosen, wait, memory);
                if (!whole)
                    return whole.failure();
                std::unique_ptr<KeyedPieces> pieces(new KeyedPieces(nullptr, chosen, memory));
                pieces->wholeFile.emplace(std::move(*whole));
                return pieces;
            } catch (const std::bad_alloc &) {
                // Read in pieces, then.
            }
        }
    }
    Result<std::unique_ptr<InputReader>> reader = InputReader::open(path, wait);
    if (!reader)
        return reader.failure();
    std::unique_ptr<KeyedPieces> pieces(new KeyedPieces(std::move(*reader), chosen, memory));
    if (pieces->total)
        return pieces;
    // A pipe: what the memory holds is read, and is all of it or the start of a spool.
    pieces->buffer.resize(std::size_t(pieces->budget));
    Result<std::size_t> read = pieces->reader->readAt(0, pieces->buffer.bytes());
    if (!read)
        return read.failure();
    if (*read < pieces->buffer.size()) {
        try {
            Result<KeyedFile> whole =
                keyFile(InputContents(nullptr, {pieces->buffer.data(), *read}), chosen, memory);
            if (!whole)
                return whole.failure();
            pieces->wholeFile.emplace(std::move(*whole));
            return pieces;
        } catch (const std::bad_alloc &) {
            // The lines' records do not fit beside them: pieces, then.
        }
    }
    if (Result<void> copied = pieces->copyToSpool(folder, wait, *read); !copied)
        return copied.failure();
    return pieces;
}

Result<void> KeyedPieces::copyToSpool(const std::filesystem::path &folder, const HeldFileWait &wait, std::size_t read)
{
    Result<std::unique_ptr<TemporaryFile>> file = TemporaryFile::create(folder, wait);
    if (!file)
        return file.failure();
    spool = std::move(*file);
    std::int64_t copied = 0;
    for (std::size_t got = read; got > 0;) {
        if (Result<void> appended = spool->writeAt(copied, {buffer.data(), got}); !appended)
            return appended;
        copied += std::int64_t(got);
        Result<std::size_t> more = reader->readAt(copied, buffer.bytes());
        if (!more)
            return more.failure();
        got = *more;
    }
    total = copied;
    return {};
}

Result<std::size_t> KeyedPieces::readAt(std::int64_t from, std::span<char> into)
{
    return spool ? spool->readAt(from, into) : reader->readAt(from, into);
}

Result<std::optional<KeyedPiece>> KeyedPieces::next()
{
    if (wholeFile)
        return std::optional<KeyedPiece>();
    if (offset >= *total) {
        // Given back before the merge, which needs the memory.
        buffer.resize(0);
        return std::optional<KeyedPiece>();
    }
    std::size_t capacity = pieceRoom;
    std::size_t cut = 0;
    bool last = false;
    for (;;) {
        buffer.resize(capacity);
        Result<std::size_t> read = readAt(offset, buffer.bytes());
        if (!read)
            return read.failure();
        last = offset + std::int64_t(*read) >= *total;
        // Shortened since it was opened.
        if (!last && *read < capacity)
            return Failure{std::string(inputChangedReason)};
        cut = last ? *read : lastLineEnd({buffer.data(), *read});
        if (cut > 0 || last)
            break;
        // A line longer than the room: it sorts if the memory holds it once.
        capacity *= 2;
    }
    // The buffer's whole room counts, as the system reserves it, and each
    // line's record beside it: where the lines are too many, the piece ends
    // sooner, and the next piece's room leaves their records more.
    PiecePlace place{offset == 0, last, linesBefore, guessed};
    const std::int64_t recordRoom = std::max<std::int64_t>(budget - std::int64_t(capacity), perLine);
    std::int64_t lines = 0;
    for (;;) {
        Result<TextBody> body = textBody({buffer.data(), cut}, place);
        if (!body)
            return body.failure();
        lines = std::max<std::int64_t>(recordCount(*body), 1);
        const std::size_t shorter =
            perLine * lines <= recordRoom
                ? 0
                : lastLineEnd({buffer.data(), std::size_t(double(cut) * double(recordRoom) / double(perLine * lines))});
        if (shorter == 0)
            break;
        cut = shorter;
        place.last = false;
    }
    const double lineLength = double(cut) / double(lines);
    pieceRoom = std::max<std::size_t>(std::size_t(double(budget) * lineLength / (lineLength + perLine)), smallestPiece);
    Result<KeyedFile> keyed = keyFile(InputContents(nullptr, {buffer.data(), cut}), chosenReading, largestInput, place);
    if (!keyed)
        return keyed.failure();
    KeyedPiece piece{std::move(*keyed), {}, linesBefore + 1, std::int64_t(cut)};
    piece.lineStarts.reserve(piece.file.records().size());
    for (const KeyedRecord &record : piece.file.records())
        piece.lineStarts.push_back(record.lineStart());
    if (offset == 0)
        mark = piece.file.byteOrderMark();
    if (!guessed)
        guessed = piece.file.reading();
    tally.add(piece.file.tally());
    offset += std::int64_t(cut);
    linesBefore += std::int64_t(piece.lineStarts.size());
    return std::optional<KeyedPiece>(std::move(piece));
}

bool KeyedPieces::keyedAsRead() const
{
    return !guessed || tally.readsAlike(guessed->commonLength, reading().commonLength);
}

void KeyedPieces::restart()
{
    guessed = reading();
    tally = LineTally();
    offset = 0;
    linesBefore = 0;
}

} // namespace ostrel
