#pragma once

#include <string>

namespace support {

// Failures the tests provoke, each worded by the system itself: POSIX and
// Windows name them differently, and Wine words them differently again.
enum class SystemFailure { FileMissing, FolderMissing, IsFolder, AccessDenied, SharingViolation, LinkLoop };

std::string reasonText(SystemFailure failure);

} // namespace support
