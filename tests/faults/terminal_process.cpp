#include "terminal_process.h"

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace faults {

namespace {
constexpr int silenceLimit = 120 * 1000;
} // namespace

TerminalRun runOnTerminal(const std::filesystem::path &program, const std::vector<std::string> &arguments,
                          const std::filesystem::path &folder)
{
    // Everything the child needs is made before forking: after it, the child
    // may only call what is safe in a copy of a threaded process.
    std::vector<std::string> texts{program.string()};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    const std::string workingFolder = folder.string();
    termios raw{};
    ::cfmakeraw(&raw);

    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, &raw, nullptr);
    if (child < 0)
        return {};
    if (child == 0) {
        if (::chdir(workingFolder.c_str()) == 0)
            ::execv(argv[0], argv.data());
        ::_exit(127);
    }

    TerminalRun run;
    for (;;) {
        pollfd ready{terminal, POLLIN, 0};
        if (::poll(&ready, 1, silenceLimit) <= 0)
            break;
        char buffer[4096];
        const ssize_t got = ::read(terminal, buffer, sizeof buffer);
        // EIO: the child has closed its side.
        if (got <= 0)
            break;
        run.shown.append(buffer, std::size_t(got));
    }
    ::close(terminal);
    int status = 0;
    if (::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

} // namespace faults
