#include "window/qt/message_text.h"

#include <QTest>

class TestMessageText : public QObject
{
    Q_OBJECT

private slots:
    void decodes_data();
    void decodes();
};

void TestMessageText::decodes_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<unsigned>("recordCodePage"); // 0: the message holds no record bytes
    QTest::addColumn<QString>("expected");

    QTest::newRow("CR LF breaks become line breaks") << QByteArray("Failed,\r\n Line =  2\r\n Name = ") << 0u
                                                     << QString("Failed,\n Line =  2\n Name = ");
    QTest::newRow("markup characters stay text") << QByteArray("<b>X</b> &amp;") << 0u << QString("<b>X</b> &amp;");
    QTest::newRow("control bytes kept") << QByteArray("A\x1b[31m\tB") << 0u << QString("A\x1b[31m\tB");

    // Without a record's own reading: UTF-8 when valid, Windows-1252 otherwise.
    QTest::newRow("UTF-8 name") << QByteArray("Caf\xc3\xa9") << 0u << QString::fromUtf8("Café");
    QTest::newRow("1252 name") << QByteArray("Caf\xe9 \x80") << 0u << QString::fromUtf8("Café €");
    QTest::newRow("byte order mark kept") << QByteArray("\xef\xbb\xbfX") << 0u << QChar(0xFEFF) + QString("X");
    QTest::newRow("overlong slash is not UTF-8") << QByteArray("\xc0\xaf") << 0u << QString::fromUtf8("À¯");
    QTest::newRow("encoded surrogate is not UTF-8") << QByteArray("\xed\xa0\x80") << 0u << QString::fromUtf8("í\u00a0€");
    QTest::newRow("undefined 1252 bytes are C1 controls") << QByteArray("\x81\x9d") << 0u << QString::fromUtf8("\u0081\u009d");
    QTest::newRow("each line decoded on its own") << QByteArray(" Name = N\xc3\xa9\r\n Key = N\xc3") << 0u
                                                  << QString::fromUtf8(" Name = Né\n Key = NÃ");

    // With it, every line as the record was read, also where a piece alone
    // would pass for the other encoding.
    QTest::newRow("UTF-8 record, key cut inside a character")
        << QByteArray(" Name = S\xc3\x83O PAULO\r\n Key = 0100S\xc3") << 65001u
        << QString::fromUtf8(" Name = SÃO PAULO\n Key = 0100S\ufffd");
    QTest::newRow("1252 record whose name looks like UTF-8")
        << QByteArray(" Name = S\xc3\xa9\r\n Key = 0100S\xc3") << 1252u << QString::fromUtf8(" Name = SÃ©\n Key = 0100SÃ");
}

void TestMessageText::decodes()
{
    QFETCH(QByteArray, message);
    QFETCH(unsigned, recordCodePage);
    QFETCH(QString, expected);

    const std::optional<unsigned> codePage = recordCodePage == 0 ? std::nullopt : std::optional(recordCodePage);
    QCOMPARE(ostrel::messageText(message, codePage), expected);
}

QTEST_GUILESS_MAIN(TestMessageText)
#include "tst_message_text.moc"
