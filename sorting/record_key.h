#pragma once

#include <QByteArrayView>
#include <QtEndian>

#include <array>
#include <compare>
#include <cstring>

namespace ostrel {

// A record's key, held in place: no heap, fixed size, cheap to compare.
class RecordKey
{
public:
    static constexpr qsizetype maximumLength = 25;

    QByteArrayView view() const { return {bytes.data(), length}; }

    // The unused bytes stay zero, so comparing the padded bytes and then the
    // length gives plain byte order: a proper prefix sorts first. Comparing
    // eight bytes at a time is what makes sorting millions of keys cheap.
    friend std::strong_ordering operator<=>(const RecordKey &left, const RecordKey &right)
    {
        for (qsizetype offset = 0; offset < 24; offset += 8) {
            const quint64 a = left.word(offset);
            const quint64 b = right.word(offset);
            if (a != b)
                return a <=> b;
        }
        return left.tail() <=> right.tail();
    }
    friend bool operator==(const RecordKey &left, const RecordKey &right) { return (left <=> right) == 0; }

    // The key as digits for sorting one byte at a time: byte 0 to 24, then
    // one more for the length, where a shorter key's padding sorts first.
    unsigned sortByte(qsizetype depth) const
    {
        return depth < maximumLength ? bytes[size_t(depth)] : length;
    }

private:
    friend RecordKey BuildRecordKey(QByteArrayView line);
    void append(QByteArrayView piece)
    {
        // A range past the end of the line is an empty view without data, and
        // memcpy must never be handed a null pointer, even for zero bytes.
        if (piece.isEmpty())
            return;
        std::memcpy(bytes.data() + length, piece.data(), size_t(piece.size()));
        length = quint8(length + piece.size());
    }

    quint64 word(qsizetype offset) const
    {
        quint64 value;
        std::memcpy(&value, bytes.data() + offset, sizeof value);
        return qFromBigEndian(value);
    }
    quint32 tail() const { return quint32(bytes[24]) << 8 | length; }

    std::array<quint8, maximumLength> bytes{};
    quint8 length = 0;
};

RecordKey BuildRecordKey(QByteArrayView line);

// The name columns, trimmed, as the duplicate-key message shows them.
QByteArrayView recordName(QByteArrayView line);

} // namespace ostrel
