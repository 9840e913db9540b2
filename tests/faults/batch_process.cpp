#include "batch_process.h"

#include <QFile>

#include <grp.h>
#include <unistd.h>

namespace faults {

namespace {
constexpr uid_t nobody = 65534;
constexpr int finishWithin = 120 * 1000;
} // namespace

void startBatch(QProcess &process, const QString &program, const QStringList &arguments, const QString &folder,
                const std::function<void()> &inChild)
{
    process.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), folder);
    process.setProcessEnvironment(environment);
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.start(program, arguments);
    process.closeWriteChannel();
}

BatchRun runBatch(const QString &program, const QStringList &arguments, const QString &folder,
                  const std::function<void()> &inChild)
{
    QProcess process;
    startBatch(process, program, arguments, folder, inChild);
    if (!process.waitForFinished(finishWithin))
        return {-1, {}, "did not finish: " + process.errorString().toUtf8()};
    const bool exited = process.exitStatus() == QProcess::NormalExit;
    return {exited ? process.exitCode() : -1, process.readAllStandardOutput(), process.readAllStandardError()};
}

void dropPrivileges()
{
    if (::geteuid() != 0)
        return;
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
        ::_exit(125);
}

QString copyForAnyUser(const QString &program, const QString &folder)
{
    const QString copy = folder + QStringLiteral("/tavel-sort");
    if (!QFile::copy(program, copy))
        return {};
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                    | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    return copy;
}

} // namespace faults
