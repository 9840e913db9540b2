#pragma once

#include <QByteArrayView>

#include <array>
#include <compare>

namespace ostrel {

// A record's key, held in place: no heap, fixed size, cheap to compare.
class RecordKey
{
public:
    static constexpr qsizetype maximumLength = 25;

    QByteArrayView view() const { return {bytes.data(), length}; }

    // The unused bytes stay zero, so comparing the padded bytes and then the
    // length gives plain byte order: a proper prefix sorts first.
    friend auto operator<=>(const RecordKey &, const RecordKey &) = default;

private:
    friend RecordKey BuildRecordKey(QByteArrayView line);
    void append(QByteArrayView piece);

    std::array<quint8, maximumLength> bytes{};
    quint8 length = 0;
};

RecordKey BuildRecordKey(QByteArrayView line);

// The name columns, trimmed, as the duplicate-key message shows them.
QByteArrayView recordName(QByteArrayView line);

} // namespace ostrel
