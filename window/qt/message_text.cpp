#include "window/qt/message_text.h"

#include "runtime/code_page.h"
#include "runtime/line_reading.h"

#include <QStringDecoder>

#include <array>

namespace ostrel {

namespace {

// Windows-1252 from 0x80 to 0x9F; elsewhere a byte is the code point of the
// same value. The five bytes the code page leaves undefined decode to the C1
// controls of the same value, as Windows itself decodes them.
constexpr std::array<char16_t, 32> windows1252C1 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString windows1252Text(QByteArrayView line)
{
    QString text;
    text.reserve(line.size());
    for (const char byte : line) {
        const auto code = static_cast<unsigned char>(byte);
        text += QChar(code >= 0x80 && code <= 0x9F ? windows1252C1[code - 0x80] : char16_t(code));
    }
    return text;
}

QString lineText(QByteArrayView line, std::optional<unsigned> codePage)
{
    const std::string_view bytes(line.data(), std::size_t(line.size()));
    if (codePage ? *codePage != utf8CodePage : !isUtf8(bytes))
        return windows1252Text(line);
    // A byte order mark inside a record is data, not a signature to strip.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8(line);
}

} // namespace

QString messageText(QByteArrayView message, std::optional<unsigned> recordCodePage)
{
    QString text;
    qsizetype start = 0;
    for (qsizetype end; (end = message.indexOf("\r\n", start)) >= 0; start = end + 2)
        text += lineText(message.sliced(start, end - start), recordCodePage) + QLatin1Char('\n');
    return text + lineText(message.sliced(start), recordCodePage);
}

} // namespace ostrel
