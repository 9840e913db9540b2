#include "batch_process.h"
#include "reference/route_files.h"
#include "terminal_process.h"

#include <QTemporaryDir>
#include <QTest>

using reference::routeRecord;
using reference::writeFile;

// A crafted route file must not be able to drive the operator's terminal
// through the batch tool's messages, while scripts reading them get the bytes.
class TestTerminalOutput : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void message_data();
    void message();

private:
    std::unique_ptr<QTemporaryDir> folder;
};

void TestTerminalOutput::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    // Clears the screen from the name; bell and delete sit in the key.
    const QByteArray name = QByteArray("\x1b[2JWiped\tout").leftJustified(30);
    const QByteArray record = routeRecord(190, {{1, "\x07\x7f" "01"}, {18, name}});
    writeFile(folder->filePath("crafted.txt"), record + "\r\n" + record + "\r\n");
    writeFile(folder->filePath("plain.txt"), routeRecord(190, {{1, "AA01"}}) + "\r\n");
}

void TestTerminalOutput::message_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("onStandardError");
    QTest::addColumn<QByteArray>("onTerminal");
    QTest::addColumn<QByteArray>("redirected");

    QTest::newRow("control bytes in a repeated name and key")
        << QStringList{"crafted.txt", "out.txt"} << 1 << true
        << QByteArray("Failed Sort - duplicate keys, \n Line =  2\n Name = \\x1b[2JWiped\\x09out\n"
                      " Key = .................\\x1b[\\x07\\x7f01\n")
        << QByteArray("Failed Sort - duplicate keys, \n Line =  2\n Name = \x1b[2JWiped\tout\n"
                      " Key = .................\x1b[\x07\x7f" "01\n");
    QTest::newRow("control bytes in the input path")
        << QStringList{"set\x1b]0;title\x07.txt", "out.txt"} << 2 << true
        << QByteArray("Failed Sort - cannot read input file, \n File = %1/set\\x1b]0;title\\x07.txt\n"
                      " Reason = No such file or directory\n")
        << QByteArray("Failed Sort - cannot read input file, \n File = %1/set\x1b]0;title\x07.txt\n"
                      " Reason = No such file or directory\n");
    QTest::newRow("8-bit control in UTF-8, letters kept")
        << QStringList{QString::fromUtf8("set\xc2\x9b" "2J-\xc3\xa9\xc5\x9b.txt"), "out.txt"} << 2 << true
        << QByteArray("Failed Sort - cannot read input file, \n File = %1/set\\xc2\\x9b2J-\xc3\xa9\xc5\x9b.txt\n"
                      " Reason = No such file or directory\n")
        << QByteArray("Failed Sort - cannot read input file, \n File = %1/set\xc2\x9b" "2J-\xc3\xa9\xc5\x9b.txt\n"
                      " Reason = No such file or directory\n");
    QTest::newRow("success message unchanged") << QStringList{"plain.txt", "out.txt"} << 0 << false
                                               << QByteArray("Route Records were sorted.\n")
                                               << QByteArray("Route Records were sorted.\n");
}

void TestTerminalOutput::message()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(bool, onStandardError);
    QFETCH(QByteArray, onTerminal);
    QFETCH(QByteArray, redirected);
    const QByteArray folderPath = folder->path().toUtf8();

    const QString tool = QStringLiteral(TAVEL_SORT_PATH);
    const faults::TerminalRun shown = faults::runOnTerminal(tool, arguments, folder->path());
    QCOMPARE(shown.shown, onTerminal.replace("%1", folderPath));
    QCOMPARE(shown.exitCode, exitCode);

    const faults::BatchRun piped = faults::runBatch(tool, arguments, folder->path());
    QCOMPARE(onStandardError ? piped.standardError : piped.standardOutput, redirected.replace("%1", folderPath));
    QCOMPARE(piped.exitCode, exitCode);
}

QTEST_GUILESS_MAIN(TestTerminalOutput)
#include "tst_terminal_output.moc"
