#include "runtime/columns.h"

#include <QTest>

class TestColumns : public QObject
{
    Q_OBJECT

private slots:
    void columnText_data();
    void columnText();
    void trimSpaces_data();
    void trimSpaces();
    void numberText_data();
    void numberText();
};

void TestColumns::columnText_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<qsizetype>("first");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("inside the line") << QByteArray("ABCDEFG") << qsizetype(3) << qsizetype(2) << QByteArray("CD");
    QTest::newRow("from column 1") << QByteArray("ABCDEFG") << qsizetype(1) << qsizetype(2) << QByteArray("AB");
    // Short records yield what they have instead of failing.
    QTest::newRow("runs past the end") << QByteArray("ABCDEFG") << qsizetype(6) << qsizetype(4) << QByteArray("FG");
    QTest::newRow("starts on the last byte") << QByteArray("ABC") << qsizetype(3) << qsizetype(5) << QByteArray("C");
    QTest::newRow("starts just past the end") << QByteArray("ABC") << qsizetype(4) << qsizetype(2) << QByteArray();
    QTest::newRow("starts far past the end") << QByteArray("ABC") << qsizetype(170) << qsizetype(4) << QByteArray();
    QTest::newRow("empty line") << QByteArray() << qsizetype(1) << qsizetype(2) << QByteArray();
    QTest::newRow("bytes kept as they are") << QByteArray("a\0\xff\x1b", 4) << qsizetype(2) << qsizetype(3)
                                            << QByteArray("\0\xff\x1b", 3);
}

void TestColumns::columnText()
{
    QFETCH(QByteArray, line);
    QFETCH(qsizetype, first);
    QFETCH(qsizetype, length);
    QFETCH(QByteArray, expected);
    QCOMPARE(ostrel::columnText(line, first, length).toByteArray(), expected);
}

void TestColumns::trimSpaces_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("both ends") << QByteArray("  Quarry Lane   ") << QByteArray("Quarry Lane");
    QTest::newRow("inner spaces kept") << QByteArray("St.  Anne") << QByteArray("St.  Anne");
    QTest::newRow("only spaces") << QByteArray("     ") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
    // Tabs and other blanks are record data, not padding.
    QTest::newRow("tabs kept") << QByteArray("\tName\t ") << QByteArray("\tName\t");
    QTest::newRow("no-break byte kept") << QByteArray("\xa0Name ") << QByteArray("\xa0Name");
}

void TestColumns::trimSpaces()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(ostrel::trimSpaces(text).toByteArray(), expected);
}

void TestColumns::numberText_data()
{
    QTest::addColumn<qint64>("number");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("sign position blank") << qint64(12) << QByteArray(" 12");
    QTest::newRow("zero") << qint64(0) << QByteArray(" 0");
    QTest::newRow("negative") << qint64(-3) << QByteArray("-3");
    QTest::newRow("past 16 bits") << qint64(32768) << QByteArray(" 32768");
    QTest::newRow("past 32 bits") << qint64(5000000000) << QByteArray(" 5000000000");
}

void TestColumns::numberText()
{
    QFETCH(qint64, number);
    QFETCH(QByteArray, expected);
    QCOMPARE(ostrel::numberText(number), expected);
}

QTEST_GUILESS_MAIN(TestColumns)
#include "tst_columns.moc"
