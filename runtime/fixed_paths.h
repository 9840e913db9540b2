#pragma once

#include <filesystem>
#include <string_view>

namespace ostrel {

// The route files live at fixed places; there is no setting to move them.
std::filesystem::path inputFilePath();
std::filesystem::path outputFilePath();

// A path written for drive "f:" as this platform holds it: unchanged on
// Windows, elsewhere under the home folder.
std::filesystem::path platformPath(std::string_view windowsPath);

// Without drive letters, the drive becomes a folder of the home folder:
// f:\u\x.txt is HOME/f/u/x.txt.
std::filesystem::path homeMappedPath(std::string_view windowsPath, const std::filesystem::path &homeFolder);

} // namespace ostrel
