#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace support {

// Where the fixed route files are for a test that sets `home` as the home
// folder. On Windows they are on drive f:, which the test prefix maps to a
// scratch folder of the build, shared by the tests that use it.
#ifdef _WIN32
inline std::filesystem::path fixedDataFolder(const std::filesystem::path &)
{
    return "f:\\u\\datafile";
}
inline void useHomeFolder(const std::filesystem::path &) {}
// Drive n:, which the test prefix declares a network drive, as an office's
// shared drive is.
inline std::optional<std::filesystem::path> networkDriveFolder()
{
    return "n:\\";
}
#else
inline std::filesystem::path fixedDataFolder(const std::filesystem::path &home)
{
    return home / "f/u/datafile";
}
inline void useHomeFolder(const std::filesystem::path &home)
{
    ::setenv("HOME", home.c_str(), 1);
}
inline std::optional<std::filesystem::path> networkDriveFolder()
{
    return std::nullopt;
}
#endif

} // namespace support
