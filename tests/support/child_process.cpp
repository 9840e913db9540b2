#include "support/child_process.h"

#include <chrono>
#include <thread>

namespace support {

bool ChildProcess::killOnceSeen(const std::function<bool()> &seen)
{
    while (running()) {
        if (seen()) {
            kill();
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

ProcessRun runProcess(const std::filesystem::path &program, const std::vector<std::string> &arguments,
                      const ProcessSetup &setup)
{
    return ChildProcess(program, arguments, setup).finish();
}

} // namespace support
