#pragma once

#include <QString>
#include <QStringList>

namespace faults {

// Every entry under a folder, hidden ones too, as "path size checksum" lines:
// two equal snapshots mean no file changed and no file was left behind.
QStringList snapshotFolder(const QString &path);

} // namespace faults
