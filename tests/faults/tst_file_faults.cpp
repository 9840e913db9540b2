#include "batch_process.h"
#include "folder_snapshot.h"
#include "reference/route_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using reference::routeRecord;
using reference::writeFile;

// Files that cannot be read or written, met by the batch tool. Every run is
// made by an unprivileged user, as operators are; CI runs the tests as root,
// for whom no permission would ever be denied.
class TestFileFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void refusedFile_data();
    void refusedFile();

private:
    QString path(const QString &name) const { return folder->filePath(name); }

    QTemporaryDir toolFolder;
    QString tool;
    std::unique_ptr<QTemporaryDir> folder;
};

namespace {

constexpr auto anyUserMayEnter = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                 | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
constexpr auto anyUserMayRead = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;

const QByteArray readHeading = "Failed Sort - cannot read input file, ";
const QByteArray writeHeading = "Failed Sort - cannot write output file, ";

} // namespace

void TestFileFaults::initTestCase()
{
    QVERIFY(toolFolder.isValid());
    QVERIFY(QFile::setPermissions(toolFolder.path(), anyUserMayEnter));
    tool = faults::copyForAnyUser(QStringLiteral(TAVEL_SORT_PATH), toolFolder.path());
    QVERIFY(!tool.isEmpty());
}

void TestFileFaults::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    QVERIFY(QFile::setPermissions(folder->path(), anyUserMayEnter));
    const QDir root(folder->path());

    const QByteArray record = routeRecord(190, {{1, "AA01"}, {18, "Harbour Road"}});
    writeFile(path("in.txt"), record + "\r\n");
    QVERIFY(QFile::setPermissions(path("in.txt"), anyUserMayRead));
    writeFile(path("unreadable.txt"), record + "\r\n");
    QVERIFY(QFile::setPermissions(path("unreadable.txt"), {}));
    QVERIFY(root.mkdir("sealed"));
    writeFile(path("sealed/in.txt"), record + "\r\n");
    QVERIFY(QFile::setPermissions(path("sealed"), {}));
    QVERIFY(root.mkdir("afolder"));

    // Anyone may write here, so each row fails only for the reason it names.
    QVERIFY(root.mkdir("out"));
    QVERIFY(QFile::setPermissions(path("out"), anyUserMayEnter | QFile::WriteGroup | QFile::WriteOther));
    writeFile(path("out/sorted.txt"), "earlier output");
    writeFile(path("out/readonly.txt"), "earlier output");
    QVERIFY(QFile::setPermissions(path("out/readonly.txt"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(root.mkdir("locked"));
    writeFile(path("locked/sorted.txt"), "earlier output");
    QVERIFY(QFile::setPermissions(path("locked/sorted.txt"), anyUserMayRead));
    QVERIFY(QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                      | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
}

void TestFileFaults::refusedFile_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QByteArray>("heading");
    QTest::addColumn<QString>("failingPath");
    QTest::addColumn<QByteArray>("reason");

    QTest::newRow("input missing") << "missing.txt" << "out/sorted.txt" << readHeading << "missing.txt"
                                   << QByteArray("No such file or directory");
    QTest::newRow("input is a folder") << "afolder" << "out/sorted.txt" << readHeading << "afolder"
                                       << QByteArray("Is a directory");
    QTest::newRow("input unreadable") << "unreadable.txt" << "out/sorted.txt" << readHeading << "unreadable.txt"
                                      << QByteArray("Permission denied");
    QTest::newRow("input in a folder that cannot be entered") << "sealed/in.txt" << "out/sorted.txt" << readHeading
                                                              << "sealed/in.txt" << QByteArray("Permission denied");

    QTest::newRow("output folder missing") << "in.txt" << "nowhere/sorted.txt" << writeHeading
                                           << "nowhere/sorted.txt" << QByteArray("No such file or directory");
    QTest::newRow("output path is a folder") << "in.txt" << "out" << writeHeading << "out"
                                             << QByteArray("Is a directory");
    QTest::newRow("output folder not writable") << "in.txt" << "locked/new.txt" << writeHeading
                                                << "locked/new.txt" << QByteArray("Permission denied");
    QTest::newRow("earlier output not writable, folder not writable")
        << "in.txt" << "locked/sorted.txt" << writeHeading << "locked/sorted.txt" << QByteArray("Permission denied");
    // The folder would allow replacing it, but the operator may not write the file.
    QTest::newRow("earlier output not writable, folder writable")
        << "in.txt" << "out/readonly.txt" << writeHeading << "out/readonly.txt" << QByteArray("Permission denied");
    QTest::newRow("output folder is a file") << "in.txt" << "in.txt/sorted.txt" << writeHeading
                                             << "in.txt/sorted.txt" << QByteArray("Not a directory");
}

void TestFileFaults::refusedFile()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QByteArray, heading);
    QFETCH(QString, failingPath);
    QFETCH(QByteArray, reason);

    const QStringList before = faults::snapshotFolder(folder->path());
    const faults::BatchRun run = faults::runBatch(tool, {input, output}, folder->path(), faults::dropPrivileges);
    QCOMPARE(run.standardError, heading + "\n File = " + path(failingPath).toUtf8() + "\n Reason = " + reason + '\n');
    QCOMPARE(run.standardOutput, QByteArray());
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(faults::snapshotFolder(folder->path()), before);
}

QTEST_GUILESS_MAIN(TestFileFaults)
#include "tst_file_faults.moc"
