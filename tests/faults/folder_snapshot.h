#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace faults {

// Every entry under a folder, hidden ones too, as "path size checksum" lines:
// two equal snapshots mean no file changed and no file was left behind.
std::vector<std::string> snapshotFolder(const std::filesystem::path &folder);

} // namespace faults
