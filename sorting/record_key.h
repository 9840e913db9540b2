#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace ostrel {

// A record's key, held in place: no heap, fixed size, cheap to compare.
class RecordKey
{
public:
    static constexpr std::size_t maximumLength = 25;

    std::string_view view() const { return {reinterpret_cast<const char *>(bytes.data()), length}; }

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
    friend bool operator==(const RecordKey &left, const RecordKey &right)
    {
        return std::memcmp(left.bytes.data(), right.bytes.data(), maximumLength) == 0 && left.length == right.length;
    }

    // The key as digits for sorting one byte at a time: byte 0 to 24, then
    // one more for the length, where a shorter key's padding sorts first.
    unsigned sortByte(std::size_t depth) const { return depth < maximumLength ? bytes[depth] : length; }

private:
    friend RecordKey BuildRecordKey(std::string_view line);
    void append(std::string_view piece)
    {
        // A range past the end of the line is an empty view without data, and
        // memcpy must never be handed a null pointer, even for zero bytes.
        if (piece.empty())
            return;
        std::memcpy(bytes.data() + length, piece.data(), piece.size());
        length = std::uint8_t(length + piece.size());
    }

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

RecordKey BuildRecordKey(std::string_view line);

// The name columns, trimmed, as the duplicate-key message shows them.
std::string_view recordName(std::string_view line);

} // namespace ostrel
