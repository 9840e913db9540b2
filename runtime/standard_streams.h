#pragma once

#include <QString>

namespace ostrel {

// "-" names standard input or output, as command-line tools do.
inline const QString standardStreamPath = QStringLiteral("-");

// The path as the operator should see it in a message: absolute, with the
// platform's separators, or the stream's name.
QString displayInputPath(const QString &path);
QString displayOutputPath(const QString &path);

} // namespace ostrel
