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
    QTest::addColumn<QString>("expected");

    QTest::newRow("CR LF breaks become line breaks") << QByteArray("Failed,\r\n Line =  2\r\n Name = ")
                                                     << QString("Failed,\n Line =  2\n Name = ");
    QTest::newRow("markup characters stay text") << QByteArray("<b>X</b> &amp;") << QString("<b>X</b> &amp;");
    QTest::newRow("control bytes kept") << QByteArray("A\x1b[31m\tB") << QString("A\x1b[31m\tB");

    // Records carry no encoding of their own: UTF-8 when valid, Latin-1 otherwise.
    QTest::newRow("UTF-8 name") << QByteArray("Caf\xc3\xa9") << QString::fromUtf8("Café");
    QTest::newRow("Latin-1 name") << QByteArray("Caf\xe9") << QString::fromUtf8("Café");
    QTest::newRow("byte order mark kept") << QByteArray("\xef\xbb\xbfX") << QChar(0xFEFF) + QString("X");
    QTest::newRow("overlong slash is not UTF-8") << QByteArray("\xc0\xaf") << QString::fromUtf8("À¯");
    QTest::newRow("encoded surrogate is not UTF-8") << QByteArray("\xed\xa0\x80") << QString::fromUtf8("í\u00a0\u0080");
    QTest::newRow("character cut at the end is not UTF-8") << QByteArray("Z\xc3") << QString::fromUtf8("ZÃ");

    // A key column may cut a character that the name line still holds whole.
    QTest::newRow("each line decoded on its own") << QByteArray(" Name = N\xc3\xa9\r\n Key = N\xc3")
                                                  << QString::fromUtf8(" Name = Né\n Key = NÃ");
}

void TestMessageText::decodes()
{
    QFETCH(QByteArray, message);
    QFETCH(QString, expected);

    QCOMPARE(ostrel::messageText(message), expected);
}

QTEST_GUILESS_MAIN(TestMessageText)
#include "tst_message_text.moc"
