#include "reference/route_files.h"
#include "runtime/message_service.h"
#include "sorting/sort_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using reference::readFile;
using reference::routeRecord;
using reference::writeFile;
using Result = ostrel::SortOutcome::Result;

class TestSortRun : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void sortsInput_data();
    void sortsInput();
    void duplicateKeepsEarlierOutput();
    void duplicateMessageName_data();
    void duplicateMessageName();
    void twoRunsGiveIdenticalOutput();
    void noLineLimit();
    void failures_data();
    void failures();
    void repeatedKeyOutranksWriteFailure_data();
    void repeatedKeyOutranksWriteFailure();
    void outputPermissions();
    void sortInputFileUsesFixedPaths();

private:
    QString path(const QString &name) const { return folder->filePath(name); }
    QStringList folderEntries() const { return QDir(folder->path()).entryList(QDir::Files | QDir::Hidden); }

    std::unique_ptr<QTemporaryDir> folder;
};

namespace {

// A full-width record whose key is the standard rule's: columns 1-4 first
// so that different test records are easy to order by eye.
QByteArray keyed(const QByteArray &front, const QByteArray &name = "Harbour Road")
{
    return routeRecord(190, {{1, front}, {18, name.leftJustified(30, ' ')}, {170, "0700"}});
}

class RecordedMessages : public ostrel::MessageService
{
public:
    void showMessage(QByteArrayView text, ostrel::MessageKind kind) override
    {
        texts.append(text.toByteArray());
        kinds.append(kind);
    }
    QList<QByteArray> texts;
    QList<ostrel::MessageKind> kinds;
};

} // namespace

void TestSortRun::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
}

void TestSortRun::sortsInput_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray a = keyed("AA01"), b = keyed("BB02"), c = keyed("CC03");
    QTest::newRow("empty input, empty output") << QByteArray() << QByteArray();
    QTest::newRow("one line gains CR LF") << a << a + "\r\n";
    QTest::newRow("last line with CR LF") << b + "\r\n" + a + "\r\n" << a + "\r\n" + b + "\r\n";
    QTest::newRow("last line without terminator") << b + "\r\n" + a << a + "\r\n" + b + "\r\n";
    QTest::newRow("LF line ends") << b + "\n" + a + "\n" << a + "\r\n" + b + "\r\n";
    QTest::newRow("CR line ends") << b + "\r" + a + "\r" << a + "\r\n" + b + "\r\n";
    QTest::newRow("unsorted") << c + "\r\n" + a + "\r\n" + b + "\r\n" << a + "\r\n" + b + "\r\n" + c + "\r\n";
    QTest::newRow("already sorted") << a + "\r\n" + b + "\r\n" + c + "\r\n" << a + "\r\n" + b + "\r\n" + c + "\r\n";
    QTest::newRow("one empty line sorts first") << b + "\r\n\r\n" + a + "\r\n" << "\r\n" + a + "\r\n" + b + "\r\n";
    QTest::newRow("keys differing in case are distinct") << keyed("aa01") + "\n" + keyed("AA01") + "\n"
                                                         << keyed("AA01") + "\r\n" + keyed("aa01") + "\r\n";
    // Records go out byte for byte, whatever their encoding.
    const QByteArray binary = keyed(QByteArray("\x01\0\xfe\xff", 4), "N\xc3\xa4me \x1b[31m");
    QTest::newRow("binary bytes kept") << binary + "\n" + a << a + "\r\n" + binary + "\r\n";
}

void TestSortRun::sortsInput()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);

    writeFile(path("in.txt"), input);
    const ostrel::SortOutcome outcome = ostrel::sortRecordFile(path("in.txt"), path("out.txt"));
    QCOMPARE(outcome.message, QByteArray("Route Records were sorted."));
    QCOMPARE(outcome.result, Result::Sorted);
    QCOMPARE(readFile(path("out.txt")), expected);
    QCOMPARE(folderEntries(), QStringList({"in.txt", "out.txt"}));
}

void TestSortRun::duplicateKeepsEarlierOutput()
{
    QByteArray input;
    const QList<QByteArray> fronts{"GG01", "BB01", "DD01", "AA01", "EE01", "FF01", "DD01", "CC01"};
    for (qsizetype i = 0; i < fronts.size(); ++i)
        input += keyed(fronts[i], i == 6 ? "  Quarry Lane" : "  Beacon Hill") + "\r\n";
    writeFile(path("in.txt"), input);
    const QByteArray earlier = "an earlier run's output\r\n";
    writeFile(path("out.txt"), earlier);

    const ostrel::SortOutcome outcome = ostrel::sortRecordFile(path("in.txt"), path("out.txt"));
    QCOMPARE(outcome.result, Result::DuplicateKey);
    QCOMPARE(outcome.message, "Failed Sort - duplicate keys, \r\n Line =  7\r\n Name = Quarry Lane\r\n"
                              " Key = 0700" + QByteArray(13, '.') + "  DD01");
    QCOMPARE(readFile(path("out.txt")), earlier);
    QCOMPARE(folderEntries(), QStringList({"in.txt", "out.txt"}));
}

void TestSortRun::duplicateMessageName_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("expectedTail");

    QTest::newRow("ends inside the name") << QByteArray("AB01CDEFGHIJKLM  Quarry") << QByteArray(
        " Name = Quarry\r\n Key = CDEFGHIJKLM  QuAB01");
    QTest::newRow("shorter than column 18") << QByteArray("AB01CDEFGHIJ") << QByteArray(
        " Name = \r\n Key = CDEFGHIJAB01");
    // The key is shown untrimmed: its trailing spaces are part of it.
    QTest::newRow("key with spaces") << QByteArray("AB01CD         ") << QByteArray(
        " Name = \r\n Key = CD         AB01");
}

void TestSortRun::duplicateMessageName()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, expectedTail);

    writeFile(path("in.txt"), line + "\r\n" + line + "\r\n");
    const ostrel::SortOutcome outcome = ostrel::sortRecordFile(path("in.txt"), path("out.txt"));
    QCOMPARE(outcome.message, "Failed Sort - duplicate keys, \r\n Line =  2\r\n" + expectedTail);
    QVERIFY(!QFile::exists(path("out.txt")));
}

void TestSortRun::twoRunsGiveIdenticalOutput()
{
    writeFile(path("in.txt"), readFile(QStringLiteral(EXAMPLES_FOLDER "/routes.txt")));
    QCOMPARE(ostrel::sortRecordFile(path("in.txt"), path("out.txt")).result, Result::Sorted);
    const QByteArray first = readFile(path("out.txt"));
    QCOMPARE(first.count("\r\n"), 60);
    QCOMPARE(ostrel::sortRecordFile(path("in.txt"), path("out.txt")).result, Result::Sorted);
    QCOMPARE(readFile(path("out.txt")), first);
}

void TestSortRun::noLineLimit()
{
    // Past the 32,767 lines a 16-bit counter could number, in reverse order.
    constexpr int count = 40000;
    QByteArray input;
    for (int i = count; i > 0; --i)
        input += "NO01" + QByteArray::number(i).rightJustified(15, '0') + "\n";
    writeFile(path("in.txt"), input);
    QCOMPARE(ostrel::sortRecordFile(path("in.txt"), path("out.txt")).result, Result::Sorted);
    const QList<QByteArray> lines = readFile(path("out.txt")).split('\n');
    QCOMPARE(lines.size(), count + 1);
    QCOMPARE(lines.first(), "NO01" + QByteArray(14, '0') + "1\r");
    QCOMPARE(lines[count - 1], "NO01" + QByteArray::number(count).rightJustified(15, '0') + '\r');

    writeFile(path("in.txt"), input + "NO01" + QByteArray::number(count).rightJustified(15, '0'));
    const ostrel::SortOutcome duplicate = ostrel::sortRecordFile(path("in.txt"), path("out.txt"));
    QVERIFY2(duplicate.message.contains("\r\n Line =  40001\r\n"), duplicate.message);
}

void TestSortRun::failures_data()
{
    QTest::addColumn<QString>("inputName");
    QTest::addColumn<QString>("outputName");
    QTest::addColumn<Result>("result");
    QTest::addColumn<QByteArray>("heading");
    QTest::addColumn<QString>("shownFile");
    QTest::addColumn<QByteArray>("reason");

    QTest::newRow("input missing") << "missing.txt" << "out.txt" << Result::ReadFailed
                                   << QByteArray("Failed Sort - cannot read input file, ") << "missing.txt"
                                   << QByteArray("No such file or directory");
    QTest::newRow("input is a folder") << "sub" << "out.txt" << Result::ReadFailed
                                       << QByteArray("Failed Sort - cannot read input file, ") << "sub"
                                       << QByteArray("Is a directory");
    QTest::newRow("output folder missing") << "in.txt" << "nowhere/out.txt" << Result::WriteFailed
                                           << QByteArray("Failed Sort - cannot write output file, ")
                                           << "nowhere/out.txt" << QByteArray("No such file or directory");
    QTest::newRow("output is a folder") << "in.txt" << "sub" << Result::WriteFailed
                                        << QByteArray("Failed Sort - cannot write output file, ") << "sub"
                                        << QByteArray("Is a directory");
    QTest::newRow("device is full") << "in.txt" << "/dev/full" << Result::WriteFailed
                                    << QByteArray("Failed Sort - cannot write output file, ") << "/dev/full"
                                    << QByteArray("No space left on device");
}

void TestSortRun::failures()
{
    QFETCH(QString, inputName);
    QFETCH(QString, outputName);
    QFETCH(Result, result);
    QFETCH(QByteArray, heading);
    QFETCH(QString, shownFile);
    QFETCH(QByteArray, reason);

    writeFile(path("in.txt"), keyed("BB01") + "\r\n" + keyed("AA01") + "\r\n");
    QVERIFY(QDir(folder->path()).mkdir("sub"));
    const QString inputPath = path(inputName);
    const QString outputPath = outputName.startsWith('/') ? outputName : path(outputName);
    const ostrel::SortOutcome outcome = ostrel::sortRecordFile(inputPath, outputPath);

    const QString file = QDir::toNativeSeparators(shownFile.startsWith('/') ? shownFile : path(shownFile));
    QCOMPARE(outcome.result, result);
    QCOMPARE(outcome.message, heading + "\r\n File = " + file.toUtf8() + "\r\n Reason = " + reason);
    QCOMPARE(folderEntries(), QStringList{"in.txt"});
}

// The output is written while the records are still being ordered; a repeat
// found later must still be what the run reports.
void TestSortRun::repeatedKeyOutranksWriteFailure_data()
{
    QTest::addColumn<QString>("outputName");

    QTest::newRow("output folder missing") << "nowhere/out.txt";
    QTest::newRow("output is a folder") << "sub";
    QTest::newRow("device is full") << "/dev/full";
}

void TestSortRun::repeatedKeyOutranksWriteFailure()
{
    QFETCH(QString, outputName);

    writeFile(path("in.txt"), keyed("BB01") + "\r\n" + keyed("AA01") + "\r\n" + keyed("BB01") + "\r\n");
    QVERIFY(QDir(folder->path()).mkdir("sub"));
    const QString outputPath = outputName.startsWith('/') ? outputName : path(outputName);
    const ostrel::SortOutcome outcome = ostrel::sortRecordFile(path("in.txt"), outputPath);

    QCOMPARE(outcome.result, Result::DuplicateKey);
    QVERIFY2(outcome.message.startsWith("Failed Sort - duplicate keys, \r\n Line =  3\r\n"), outcome.message);
    QCOMPARE(folderEntries(), QStringList{"in.txt"});
}

void TestSortRun::outputPermissions()
{
    writeFile(path("in.txt"), keyed("AA01"));
    const mode_t previousMask = ::umask(022);
    QCOMPARE(ostrel::sortRecordFile(path("in.txt"), path("new.txt")).result, Result::Sorted);
    ::umask(previousMask);
    QCOMPARE(QFile::permissions(path("new.txt")),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup
                 | QFile::ReadOther);

    writeFile(path("kept.txt"), "old");
    const auto restricted = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    QVERIFY(QFile::setPermissions(path("kept.txt"), restricted));
    QCOMPARE(ostrel::sortRecordFile(path("in.txt"), path("kept.txt")).result, Result::Sorted);
    QCOMPARE(QFile::permissions(path("kept.txt")), restricted);
}

void TestSortRun::sortInputFileUsesFixedPaths()
{
    qputenv("HOME", folder->path().toLocal8Bit());
    QVERIFY(QDir(folder->path()).mkpath("f/u/datafile"));
    writeFile(path("f/u/datafile/taveld.txt"), keyed("BB01") + "\r\n" + keyed("AA01") + "\r\n");

    RecordedMessages messages;
    QCOMPARE(ostrel::SortInputFile(messages).result, Result::Sorted);
    QCOMPARE(messages.texts, QList<QByteArray>{"Route Records were sorted."});
    QCOMPARE(messages.kinds, QList<ostrel::MessageKind>{ostrel::MessageKind::Information});
    QCOMPARE(readFile(path("f/u/datafile/tavelsrtd.txt")), keyed("AA01") + "\r\n" + keyed("BB01") + "\r\n");

    writeFile(path("f/u/datafile/taveld.txt"), keyed("AA01") + "\r\n" + keyed("AA01") + "\r\n");
    QCOMPARE(ostrel::SortInputFile(messages).result, Result::DuplicateKey);
    QCOMPARE(messages.kinds.last(), ostrel::MessageKind::Failure);
}

QTEST_GUILESS_MAIN(TestSortRun)
#include "tst_sort_run.moc"
