#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace support {

struct ProcessSetup
{
    std::filesystem::path workingFolder;
    // Set on top of this process's environment.
    std::vector<std::pair<std::string, std::string>> environment;
    std::string standardInput;
    // Runs in the child just before the program starts (POSIX only).
    std::function<void()> inChild;
};

struct ProcessRun
{
    int exitCode = -1; // -1 when the process did not exit by itself
    std::string standardOutput;
    std::string standardError;
};

// A program started and not yet waited for.
class ChildProcess
{
public:
    ChildProcess(const std::filesystem::path &program, const std::vector<std::string> &arguments,
                 const ProcessSetup &setup);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    long id() const;
    bool running();
    void kill();
    // Kills the program the moment `seen` holds, looking again every
    // millisecond; false when it ended first.
    bool killOnceSeen(const std::function<bool()> &seen);
    // Waits for the end, gathering what the program wrote; a program still
    // running after the limit is killed. The limit is for a program that
    // hangs: far beyond what any run takes on a loaded machine.
    ProcessRun finish(int secondsAllowed = 300);

    struct Handles;

private:
    std::unique_ptr<Handles> handles;
};

// Runs a program to its end.
ProcessRun runProcess(const std::filesystem::path &program, const std::vector<std::string> &arguments,
                      const ProcessSetup &setup = {});

} // namespace support
