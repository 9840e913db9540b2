#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace faults {

struct TerminalRun
{
    int exitCode = -1; // -1 when the process did not exit by itself
    std::string shown; // standard output and error, as the terminal received them
};

// Runs program in folder with a pseudo-terminal as its standard streams. The
// terminal is raw, so the bytes arrive exactly as written.
TerminalRun runOnTerminal(const std::filesystem::path &program, const std::vector<std::string> &arguments,
                          const std::filesystem::path &folder);

} // namespace faults
