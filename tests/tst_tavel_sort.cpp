#include "reference/route_files.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

using reference::readFile;
using reference::routeRecord;
using reference::writeFile;

// The batch tool as operators and scripts run it.
class TestTavelSort : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void outcomes_data();
    void outcomes();
    void standardStreams();
    void fixedPathsByDefault();
    void notEnoughMemory();
    void version();

private:
    struct Run
    {
        int exitCode;
        QByteArray standardOutput;
        QByteArray standardError;
    };
    Run run(const QStringList &arguments, const QByteArray &standardInput = {},
            const std::function<void()> &inChild = {});
    QString path(const QString &name) const { return folder->filePath(name); }

    std::unique_ptr<QTemporaryDir> folder;
};

namespace {
const QByteArray recordA = routeRecord(190, {{1, "AA01"}, {18, QByteArray("Harbour Road").leftJustified(30)}});
const QByteArray recordB = routeRecord(190, {{1, "BB01"}, {18, QByteArray("Quarry Lane").leftJustified(30)}});
} // namespace

TestTavelSort::Run TestTavelSort::run(const QStringList &arguments, const QByteArray &standardInput,
                                      const std::function<void()> &inChild)
{
    QProcess process;
    process.setWorkingDirectory(folder->path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), folder->path());
    process.setProcessEnvironment(environment);
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.start(QStringLiteral(TAVEL_SORT_PATH), arguments);
    process.write(standardInput);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return {-1, {}, "did not finish"};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

void TestTavelSort::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    writeFile(path("in.txt"), recordB + "\r\n" + recordA + "\r\n");
    writeFile(path("twice.txt"), recordA + "\r\n" + recordB + "\r\n" + recordA + "\r\n");
}

void TestTavelSort::outcomes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("standardOutput");
    QTest::addColumn<QByteArray>("standardError");

    QTest::newRow("sorted") << QStringList{"in.txt", "out.txt"} << 0 << QByteArray("Route Records were sorted.\n")
                            << QByteArray();
    QTest::newRow("duplicate key") << QStringList{"twice.txt", "out.txt"} << 1 << QByteArray()
                                   << QByteArray("Failed Sort - duplicate keys, \n Line =  3\n Name = Harbour Road\n"
                                                 " Key = ................." "HaAA01\n");
    QTest::newRow("unreadable input") << QStringList{"missing.txt", "out.txt"} << 2 << QByteArray()
                                      << QByteArray("Failed Sort - cannot read input file, \n File = %1/missing.txt\n"
                                                    " Reason = No such file or directory\n");
    QTest::newRow("unwritable output") << QStringList{"in.txt", "no/out.txt"} << 2 << QByteArray()
                                       << QByteArray("Failed Sort - cannot write output file, \n File = %1/no/out.txt\n"
                                                     " Reason = No such file or directory\n");
    QTest::newRow("too many arguments") << QStringList{"a", "b", "c"} << 2 << QByteArray()
                                        << QByteArray("Too many arguments: c\nTry 'tavel-sort --help'.\n");
    QTest::newRow("unknown option") << QStringList{"--fast", "in.txt"} << 2 << QByteArray()
                                    << QByteArray("Unknown option 'fast'.\nTry 'tavel-sort --help'.\n");
}

void TestTavelSort::outcomes()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, standardOutput);
    QFETCH(QByteArray, standardError);

    writeFile(path("out.txt"), "earlier");
    const Run result = run(arguments);
    QCOMPARE(result.standardError, standardError.replace("%1", folder->path().toUtf8()));
    QCOMPARE(result.standardOutput, standardOutput);
    QCOMPARE(result.exitCode, exitCode);
    QCOMPARE(readFile(path("out.txt")), exitCode == 0 ? recordA + "\r\n" + recordB + "\r\n" : QByteArray("earlier"));
}

void TestTavelSort::standardStreams()
{
    const Run toStandardOutput = run({"-", "-"}, recordB + "\n" + recordA);
    QCOMPARE(toStandardOutput.exitCode, 0);
    QCOMPARE(toStandardOutput.standardOutput, recordA + "\r\n" + recordB + "\r\nRoute Records were sorted.\n");

    const Run fromFile = run({"in.txt", "-"});
    QCOMPARE(fromFile.standardOutput, recordA + "\r\n" + recordB + "\r\nRoute Records were sorted.\n");

    const Run refused = run({"-", "-"}, recordA + "\n" + recordA);
    QCOMPARE(refused.exitCode, 1);
    QCOMPARE(refused.standardOutput, QByteArray());
    QVERIFY(refused.standardError.startsWith("Failed Sort - duplicate keys, \n Line =  2\n"));
}

void TestTavelSort::fixedPathsByDefault()
{
    QVERIFY(QDir(folder->path()).mkpath("f/u/datafile"));
    writeFile(path("f/u/datafile/taveld.txt"), recordB + "\r\n" + recordA);
    const Run result = run({});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(readFile(path("f/u/datafile/tavelsrtd.txt")), recordA + "\r\n" + recordB + "\r\n");

    const Run onlyInput = run({"twice.txt"});
    QCOMPARE(onlyInput.exitCode, 1);
    QCOMPARE(readFile(path("f/u/datafile/tavelsrtd.txt")), recordA + "\r\n" + recordB + "\r\n");
}

void TestTavelSort::notEnoughMemory()
{
#ifdef __SANITIZE_ADDRESS__
    QSKIP("AddressSanitizer reserves more address space than any memory limit leaves");
#endif
    // Short lines cost far more memory to order than to hold: a few MB of
    // empty lines need well over the limit set below.
    writeFile(path("many.txt"), QByteArray(16 * 1024 * 1024, '\n'));
    writeFile(path("out.txt"), "earlier");
    const Run result = run({"many.txt", "out.txt"}, {}, [] {
        const rlimit limit{384 * 1024 * 1024, 384 * 1024 * 1024};
        ::setrlimit(RLIMIT_AS, &limit);
    });
    QCOMPARE(result.standardError, "Failed Sort - not enough memory, \n File = " + path("many.txt").toUtf8() + '\n');
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(readFile(path("out.txt")), QByteArray("earlier"));
}

void TestTavelSort::version()
{
    const Run result = run({"--version"});
    QCOMPARE(result.exitCode, 0);
    QCOMPARE(result.standardOutput, QByteArray("tavel-sort 1.00\n"));
}

QTEST_GUILESS_MAIN(TestTavelSort)
#include "tst_tavel_sort.moc"
