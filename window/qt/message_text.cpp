#include "window/qt/message_text.h"

#include <QStringDecoder>

namespace ostrel {

namespace {

QString lineText(QByteArrayView line)
{
    // A byte order mark inside a record is data, not a signature to strip.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString decoded = utf8(line);
    return utf8.hasError() ? QString::fromLatin1(line) : decoded;
}

} // namespace

QString messageText(QByteArrayView message)
{
    QString text;
    qsizetype start = 0;
    for (qsizetype end; (end = message.indexOf("\r\n", start)) >= 0; start = end + 2)
        text += lineText(message.sliced(start, end - start)) + QLatin1Char('\n');
    return text + lineText(message.sliced(start));
}

} // namespace ostrel
