#pragma once

#include "runtime/line_reading.h"

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace ostrel {

// The key rule: hands the pieces of a line's key, in order, to `append`;
// `column(first, length)` gives the text of a line's columns.
template <class Columns, class Append>
void keyPieces(const Columns &column, Append &&append)
{
    append(column(170, 4));
    if (column(7, 3) == "375") {
        // Special routes are keyed by their route number, not columns 5-19.
        append("0000375");
        append(column(56, 2));
        append("        ");
    } else {
        append(column(5, 15));
    }
    append(column(1, 2));
    append(column(3, 2));
}

// A record's key, held in place: no heap, fixed size, cheap to compare. A key
// of more bytes than it holds (characters of several bytes) keeps its first
// bytes and its whole length: such keys order right among all others, but
// two that share the bytes held are told apart by their whole keys.
class RecordKey
{
public:
    static constexpr std::size_t maximumLength = 25;

    // Whether the key holds all its bytes; only then is view() the whole key.
    bool isWhole() const { return length <= maximumLength; }
    std::string_view view() const
    {
        return {reinterpret_cast<const char *>(bytes.data()), std::min<std::size_t>(length, maximumLength)};
    }
    bool sharesHeldBytes(const RecordKey &other) const
    {
        return std::memcmp(bytes.data(), other.bytes.data(), maximumLength) == 0;
    }

    // The unused bytes stay zero, so comparing the padded bytes and then the
    // length gives plain byte order: a proper prefix sorts first. Comparing
    // eight bytes at a time is what makes sorting millions of keys cheap.
    friend std::strong_ordering operator<=>(const RecordKey &left, const RecordKey &right)
    {
        for (std::size_t offset = 0; offset < 24; offset += 8) {
            const std::uint64_t a = left.word(offset);
            const std::uint64_t b = right.word(offset);
            if (a != b)
                return a <=> b;
        }
        return left.tail() <=> right.tail();
    }
    // For keys that are not whole, only that they may be equal.
    friend bool operator==(const RecordKey &left, const RecordKey &right)
    {
        return left.sharesHeldBytes(right) && left.length == right.length;
    }

    // The key as digits for sorting one byte at a time: byte 0 to 24, then
    // one more for the length, where a shorter key's padding sorts first.
    unsigned sortByte(std::size_t depth) const { return depth < maximumLength ? bytes[depth] : length; }

    void append(std::string_view piece)
    {
        // A range past the end of the line is an empty view without data, and
        // memcpy must never be handed a null pointer, even for zero bytes.
        if (piece.empty())
            return;
        if (length < maximumLength)
            std::memcpy(bytes.data() + length, piece.data(), std::min(piece.size(), maximumLength - length));
        length = std::uint8_t(length + piece.size());
    }

private:
    // Big-endian, so that comparing words compares bytes in order.
    std::uint64_t word(std::size_t offset) const
    {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < 8; ++i)
            value = value << 8 | bytes[offset + i];
        return value;
    }
    std::uint32_t tail() const { return std::uint32_t(bytes[24]) << 8 | length; }

    std::array<std::uint8_t, maximumLength> bytes{};
    std::uint8_t length = 0;
};

// The key of a line read in the form given.
RecordKey BuildRecordKey(std::string_view line, LineForm form, const TextReading &reading);
// The key of a line whose columns are bytes: any line of a file of ASCII.
RecordKey BuildRecordKey(std::string_view line);
// The whole key, also where it is longer than a RecordKey holds.
std::string recordKeyText(std::string_view line, const TextReading &reading);

// The name columns, trimmed, as the duplicate-key message shows them.
std::string_view recordName(std::string_view line, const TextReading &reading);

} // namespace ostrel
