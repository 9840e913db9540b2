#pragma once

#include <QString>

namespace ostrel {

// The route files live at fixed places; there is no setting to move them.
QString inputFilePath();
QString outputFilePath();

// Maps a path written for drive "f:" onto this platform: unchanged on Windows,
// elsewhere the drive becomes the folder "f" in the home folder.
QString platformPath(const QString &windowsPath, const QString &homeFolder);

} // namespace ostrel
