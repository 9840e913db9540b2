#pragma once

#include <filesystem>

namespace faults {

// For a child: become the unprivileged user "nobody" when running as root, as
// CI does, so permissions apply. Ends the child when that fails.
void dropPrivileges();

// A copy of the batch tool that "nobody" can run even when the build tree lies
// in a folder only root may enter.
std::filesystem::path copyForAnyUser(const std::filesystem::path &program, const std::filesystem::path &folder);

} // namespace faults
