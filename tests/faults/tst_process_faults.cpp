#include "batch_process.h"
#include "folder_snapshot.h"
#include "reference/route_files.h"
#include "route_input.h"
#include "sanitizer_build.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstddef>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

using reference::readFile;
using reference::writeFile;

// Faults of the process and the system while the batch tool writes: limits,
// a full device, a kill, a second run on the same output.
class TestProcessFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void resourceLimit_data();
    void resourceLimit();
    void fullDevice();
    void killedWhileWriting();
    void killedBeforeRename();
    void twoRunsOnOneOutput();
    void namedPipeOutput();

private:
    QString path(const QString &name) const { return folder->filePath(name); }
    faults::BatchRun run(const QStringList &arguments, const std::function<void()> &inChild = {})
    {
        return faults::runBatch(QStringLiteral(TAVEL_SORT_PATH), arguments, folder->path(), inChild);
    }

    std::unique_ptr<QTemporaryDir> folder;
};

namespace {

// Records of 200 bytes; the output is the same size as the input.
constexpr qsizetype recordLength = 198;

void setLimit(int resource, rlim_t bytes)
{
    const rlimit limit{bytes, bytes};
    if (::setrlimit(resource, &limit) != 0)
        ::_exit(124);
}

// Lets the test process keep up with the child it watches.
void lowestPriority()
{
    ::setpriority(PRIO_PROCESS, 0, 19);
}

// Ends the process, as uncatchably as SIGKILL, the moment it first asks for
// its data to reach the disk: every record written, nothing renamed yet.
void dieAtFlushToDisk()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fdatasync, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fsync, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
    };
    const sock_fprog program{sizeof filter / sizeof filter[0], filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        ::_exit(123);
}

// Whether the process holds a file in folder open: its output, written.
bool writesUnder(qint64 pid, const QString &folder)
{
    const QString descriptors = QStringLiteral("/proc/%1/fd").arg(pid);
    const QByteArray prefix = QFile::encodeName(folder) + '/';
    for (const QString &name : QDir(descriptors).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[4096];
        const QByteArray link = QFile::encodeName(descriptors + '/' + name);
        const ssize_t length = ::readlink(link.constData(), target, sizeof target);
        if (length > 0 && QByteArrayView(target, length).startsWith(prefix))
            return true;
    }
    return false;
}

} // namespace

void TestProcessFaults::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    QVERIFY(QDir(folder->path()).mkdir("out"));
    writeFile(path("out/sorted.txt"), "earlier output");
}

void TestProcessFaults::resourceLimit_data()
{
    QTest::addColumn<int>("resource");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expectedError");

    // The limit holds for root too; a crossing fails the write instead of
    // killing the process with SIGXFSZ.
    QTest::newRow("file size limit below the output")
        << int(RLIMIT_FSIZE) << qint64(64 * 1024) << faults::distinctRouteFile(5000, recordLength, "AA01")
        << QByteArray("Failed Sort - cannot write output file, \n File = %1/out/sorted.txt\n"
                      " Reason = File too large\n");
    if (!faults::addressSanitized) {
        // Short lines cost far more to order than to hold.
        QTest::newRow("address space below what the input needs")
            << int(RLIMIT_AS) << qint64(384 * 1024 * 1024) << QByteArray(16 * 1024 * 1024, '\n')
            << QByteArray("Failed Sort - not enough memory, \n File = %1/in.txt\n");
    }
}

void TestProcessFaults::resourceLimit()
{
    QFETCH(int, resource);
    QFETCH(qint64, limit);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expectedError);

    writeFile(path("in.txt"), input);
    const QStringList before = faults::snapshotFolder(path("out"));
    const faults::BatchRun result = run({"in.txt", "out/sorted.txt"}, [=] { setLimit(resource, rlim_t(limit)); });
    QCOMPARE(result.standardError, expectedError.replace("%1", folder->path().toUtf8()));
    QCOMPARE(result.exitCode, 2);
    QCOMPARE(faults::snapshotFolder(path("out")), before);
}

void TestProcessFaults::fullDevice()
{
    const QString device = QStringLiteral("/dev/full");
    if (!QFileInfo::exists(device))
        QSKIP("this system has no /dev/full");
    writeFile(path("in.txt"), faults::distinctRouteFile(100, recordLength, "AA01"));

    const faults::BatchRun result = run({"in.txt", device});
    QCOMPARE(result.standardError,
             QByteArray("Failed Sort - cannot write output file, \n File = /dev/full\n"
                        " Reason = No space left on device\n"));
    QCOMPARE(result.exitCode, 2);
    // Written to directly: a rename over it would have replaced the device by a file.
    const QFileInfo after(device);
    QVERIFY(!after.isFile());
    QVERIFY(after.exists());
}

void TestProcessFaults::killedWhileWriting()
{
    // Large enough that writing and flushing it to disk takes far longer than
    // one look at the child's open files.
    writeFile(path("in.txt"), faults::distinctRouteFile(750'000, recordLength, "AA01"));
    const QStringList before = faults::snapshotFolder(path("out"));

    QProcess process;
    faults::startBatch(process, QStringLiteral(TAVEL_SORT_PATH), {"in.txt", "out/sorted.txt"}, folder->path(),
                       lowestPriority);
    QVERIFY(process.waitForStarted());
    bool killed = false;
    while (!killed && process.state() == QProcess::Running) {
        if (writesUnder(process.processId(), path("out")))
            killed = ::kill(pid_t(process.processId()), SIGKILL) == 0;
        else
            process.waitForFinished(1);
    }
    QVERIFY2(killed, "the run ended before it was seen writing");
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QCOMPARE(faults::snapshotFolder(path("out")), before);
}

void TestProcessFaults::killedBeforeRename()
{
    writeFile(path("in.txt"), faults::distinctRouteFile(1000, recordLength, "AA01"));
    const QStringList before = faults::snapshotFolder(path("out"));

    QProcess process;
    faults::startBatch(process, QStringLiteral(TAVEL_SORT_PATH), {"in.txt", "out/sorted.txt"}, folder->path(),
                       dieAtFlushToDisk);
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitStatus(), QProcess::CrashExit);
    QCOMPARE(faults::snapshotFolder(path("out")), before);
}

void TestProcessFaults::twoRunsOnOneOutput()
{
    const qsizetype records = 100'000;
    writeFile(path("a.txt"), faults::distinctRouteFile(records, recordLength, "AA01"));
    writeFile(path("b.txt"), faults::distinctRouteFile(records, recordLength, "BB01"));
    QCOMPARE(run({"a.txt", "sorted-a.txt"}).exitCode, 0);
    QCOMPARE(run({"b.txt", "sorted-b.txt"}).exitCode, 0);
    const QByteArray sortedA = readFile(path("sorted-a.txt"));
    const QByteArray sortedB = readFile(path("sorted-b.txt"));
    QVERIFY(sortedA != sortedB);

    for (int round = 0; round < 5; ++round) {
        QProcess first;
        QProcess second;
        faults::startBatch(first, QStringLiteral(TAVEL_SORT_PATH), {"a.txt", "out/sorted.txt"}, folder->path());
        faults::startBatch(second, QStringLiteral(TAVEL_SORT_PATH), {"b.txt", "out/sorted.txt"}, folder->path());
        QVERIFY(first.waitForFinished(120'000));
        QVERIFY(second.waitForFinished(120'000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.exitCode(), 0);

        const QByteArray output = readFile(path("out/sorted.txt"));
        QVERIFY2(output == sortedA || output == sortedB, "the output is not one run's complete output");
        QCOMPARE(QDir(path("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{"sorted.txt"});
    }
}

void TestProcessFaults::namedPipeOutput()
{
    const QByteArray input = faults::distinctRouteFile(20'000, recordLength, "AA01");
    writeFile(path("in.txt"), input);
    QCOMPARE(::mkfifo(QFile::encodeName(path("out/pipe")).constData(), 0600), 0);

    QProcess process;
    faults::startBatch(process, QStringLiteral(TAVEL_SORT_PATH), {"in.txt", "out/pipe"}, folder->path());
    QFile pipe(path("out/pipe"));
    QVERIFY(pipe.open(QIODevice::ReadOnly));
    const QByteArray received = pipe.readAll();
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(run({"in.txt", "sorted.txt"}).exitCode, 0);
    QCOMPARE(received, readFile(path("sorted.txt")));
    // Written into, not replaced by a file.
    QVERIFY(QFileInfo(path("out/pipe")).exists() && !QFileInfo(path("out/pipe")).isFile());
}

QTEST_GUILESS_MAIN(TestProcessFaults)
#include "tst_process_faults.moc"
