#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace faults {

struct TerminalRun
{
    int exitCode = -1;    // -1 when the process did not exit by itself
    QByteArray shown;     // standard output and error, as the terminal received them
};

// Runs program in folder with a pseudo-terminal as its standard streams. The
// terminal is raw, so the bytes arrive exactly as written.
TerminalRun runOnTerminal(const QString &program, const QStringList &arguments, const QString &folder);

} // namespace faults
