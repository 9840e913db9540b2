#include "runtime/line_splitter.h"

#include <QTest>

class TestLineSplitter : public QObject
{
    Q_OBJECT

private slots:
    void splitLines_data();
    void splitLines();
};

void TestLineSplitter::splitLines_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<QByteArray>>("expected");

    using Lines = QList<QByteArray>;
    QTest::newRow("empty input") << QByteArray() << Lines{};
    QTest::newRow("one line, no terminator") << QByteArray("abc") << Lines{"abc"};
    QTest::newRow("one line, CR LF") << QByteArray("abc\r\n") << Lines{"abc"};
    QTest::newRow("one line, LF") << QByteArray("abc\n") << Lines{"abc"};
    QTest::newRow("one line, CR") << QByteArray("abc\r") << Lines{"abc"};
    QTest::newRow("CR LF lines") << QByteArray("a\r\nb\r\nc") << Lines{"a", "b", "c"};
    QTest::newRow("LF lines") << QByteArray("a\nb\nc\n") << Lines{"a", "b", "c"};
    QTest::newRow("CR lines") << QByteArray("a\rb\rc\r") << Lines{"a", "b", "c"};
    QTest::newRow("mixed terminators") << QByteArray("a\r\nb\nc\rd") << Lines{"a", "b", "c", "d"};
    // LF CR is two terminators, not one: the CR ends an empty line.
    QTest::newRow("LF CR is two lines") << QByteArray("a\n\rb") << Lines{"a", "", "b"};
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << Lines{"a", "", "b"};
    QTest::newRow("terminator only") << QByteArray("\r\n") << Lines{""};
    QTest::newRow("empty lines between") << QByteArray("a\n\n\nb") << Lines{"a", "", "", "b"};
    QTest::newRow("NUL bytes are data") << QByteArray("a\0b\nc", 5) << Lines{QByteArray("a\0b", 3), "c"};
}

void TestLineSplitter::splitLines()
{
    QFETCH(QByteArray, data);
    QFETCH(QList<QByteArray>, expected);

    QList<QByteArray> lines;
    for (const ostrel::LineSpan &span : ostrel::splitLines(data))
        lines.append(data.mid(span.start, span.length));
    QCOMPARE(lines, expected);
    QCOMPARE(ostrel::countLines(data, 0, data.size()), expected.size());
    // Work is split at line starts: counting the two sides must add up.
    qsizetype index = 0;
    for (const ostrel::LineSpan &span : ostrel::splitLines(data)) {
        QCOMPARE(ostrel::lineStartAtOrAfter(data, span.start), span.start);
        QCOMPARE(ostrel::countLines(data, 0, span.start), index);
        QCOMPARE(ostrel::countLines(data, span.start, data.size()), expected.size() - index);
        ++index;
    }
}

QTEST_GUILESS_MAIN(TestLineSplitter)
#include "tst_line_splitter.moc"
