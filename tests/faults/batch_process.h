#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

namespace faults {

struct BatchRun
{
    int exitCode = -1;             // -1 when the process did not exit by itself
    QByteArray standardOutput;
    QByteArray standardError;
};

// Runs the batch tool in folder; inChild runs in the child just before exec.
BatchRun runBatch(const QString &program, const QStringList &arguments, const QString &folder,
                  const std::function<void()> &inChild = {});

// Prepares a process for the batch tool, started but not yet waited for.
void startBatch(QProcess &process, const QString &program, const QStringList &arguments, const QString &folder,
                const std::function<void()> &inChild = {});

// For a child: become the unprivileged user "nobody" when running as root, as
// CI does, so permissions apply. Ends the child when that fails.
void dropPrivileges();

// A copy of the batch tool that "nobody" can run even when the build tree lies
// in a folder only root may enter.
QString copyForAnyUser(const QString &program, const QString &folder);

} // namespace faults
