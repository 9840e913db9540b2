#include "reference/route_files.h"
#include "runtime/input_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestInputFile : public QObject
{
    Q_OBJECT

private slots:
    void readsWholeFile_data();
    void readsWholeFile();
    void survivesTruncationWhileMapped();
    void secondInputWhileOneIsMapped();
};

void TestInputFile::readsWholeFile_data()
{
    QTest::addColumn<QByteArray>("contents");

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte") << QByteArray("x");
    QTest::newRow("binary") << QByteArray("\0\r\n\xff", 4);
    QTest::newRow("several pages") << QByteArray(3 * 4096 + 17, 'r');
}

void TestInputFile::readsWholeFile()
{
    QFETCH(QByteArray, contents);
    QTemporaryDir folder;
    reference::writeFile(folder.filePath("in"), contents);
    const ostrel::InputFile input = ostrel::readInputFile(folder.filePath("in"));
    QCOMPARE(input.failureReason, std::nullopt);
    QCOMPARE(input.contents.bytes().toByteArray(), contents);
    QCOMPARE(input.contents.truncatedWhileRead(), false);
}

// Another program may shorten the file while it is mapped: the run must
// notice, not be killed by a bus error.
void TestInputFile::survivesTruncationWhileMapped()
{
    QTemporaryDir folder;
    const QByteArray contents(64 * 4096, 'r');
    reference::writeFile(folder.filePath("in"), contents);
    const ostrel::InputFile input = ostrel::readInputFile(folder.filePath("in"));
    QCOMPARE(input.contents.bytes().size(), contents.size());

    QVERIFY(QFile::resize(folder.filePath("in"), 4096));
    qint64 letters = 0;
    for (const char byte : input.contents.bytes())
        letters += byte == 'r';
    QCOMPARE(input.contents.truncatedWhileRead(), true);
    QCOMPARE(letters, 4096);
}

void TestInputFile::secondInputWhileOneIsMapped()
{
    QTemporaryDir folder;
    reference::writeFile(folder.filePath("a"), "first");
    reference::writeFile(folder.filePath("b"), "second");
    const ostrel::InputFile first = ostrel::readInputFile(folder.filePath("a"));
    const ostrel::InputFile second = ostrel::readInputFile(folder.filePath("b"));
    QCOMPARE(first.contents.bytes().toByteArray(), QByteArray("first"));
    QCOMPARE(second.contents.bytes().toByteArray(), QByteArray("second"));
}

QTEST_GUILESS_MAIN(TestInputFile)
#include "tst_input_file.moc"
