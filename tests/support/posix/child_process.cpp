#include "support/child_process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <map>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace support {

struct ChildProcess::Handles
{
    pid_t pid = -1;
    int input = -1;
    int output = -1;
    int error = -1;
    std::string pendingInput;
    std::optional<int> status;
};

namespace {

void closeHandle(int &descriptor)
{
    if (descriptor >= 0)
        ::close(descriptor);
    descriptor = -1;
}

std::vector<std::string> mergedEnvironment(const std::vector<std::pair<std::string, std::string>> &changes)
{
    std::map<std::string, std::string> variables;
    for (char **entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto &[name, value] : changes)
        variables[name] = value;
    std::vector<std::string> merged;
    for (const auto &[name, value] : variables)
        merged.push_back(name + '=' + value);
    return merged;
}

std::vector<char *> pointers(std::vector<std::string> &texts)
{
    std::vector<char *> list;
    for (std::string &text : texts)
        list.push_back(text.data());
    list.push_back(nullptr);
    return list;
}

// A child that exits before it has read all its input closes the pipe under
// the write, which must then fail with EPIPE rather than kill the test with
// SIGPIPE. Ignored once, for the whole process; what it was before is given
// back to each child before its program starts.
const struct sigaction &ignorePipeSignal()
{
    static const struct sigaction before = [] {
        struct sigaction ignore{};
        ignore.sa_handler = SIG_IGN;
        struct sigaction previous{};
        ::sigaction(SIGPIPE, &ignore, &previous);
        return previous;
    }();
    return before;
}

} // namespace

ChildProcess::ChildProcess(const std::filesystem::path &program, const std::vector<std::string> &arguments,
                           const ProcessSetup &setup)
    : handles(std::make_unique<Handles>())
{
    // Everything the child needs is made before forking: after it, the child
    // may only call what is safe in a copy of a threaded process.
    std::vector<std::string> argumentTexts{program.string()};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv = pointers(argumentTexts);
    std::vector<std::string> environmentTexts = mergedEnvironment(setup.environment);
    std::vector<char *> envp = pointers(environmentTexts);
    const std::string folder = setup.workingFolder.string();
    const struct sigaction &pipeSignal = ignorePipeSignal();

    int input[2], output[2], error[2];
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(error, O_CLOEXEC) != 0)
        return;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::sigaction(SIGPIPE, &pipeSignal, nullptr);
        ::dup2(input[0], STDIN_FILENO);
        ::dup2(output[1], STDOUT_FILENO);
        ::dup2(error[1], STDERR_FILENO);
        if (!folder.empty() && ::chdir(folder.c_str()) != 0)
            ::_exit(126);
        if (setup.inChild)
            setup.inChild();
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    ::close(error[1]);
    handles->pid = pid;
    handles->input = input[1];
    handles->output = output[0];
    handles->error = error[0];
    handles->pendingInput = setup.standardInput;
    ::fcntl(handles->input, F_SETFL, O_NONBLOCK);
    if (handles->pendingInput.empty())
        closeHandle(handles->input);
}

ChildProcess::~ChildProcess()
{
    if (running()) {
        kill();
        finish();
    }
    closeHandle(handles->input);
    closeHandle(handles->output);
    closeHandle(handles->error);
}

long ChildProcess::id() const
{
    return handles->pid;
}

bool ChildProcess::running()
{
    if (handles->pid < 0 || handles->status)
        return false;
    int status = 0;
    if (::waitpid(handles->pid, &status, WNOHANG) == handles->pid)
        handles->status = status;
    return !handles->status;
}

void ChildProcess::kill()
{
    if (handles->pid > 0 && !handles->status)
        ::kill(handles->pid, SIGKILL);
}

ProcessRun ChildProcess::finish(int secondsAllowed)
{
    ProcessRun run;
    if (handles->pid < 0)
        return run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(secondsAllowed);
    while (handles->output >= 0 || handles->error >= 0) {
        std::vector<pollfd> watched;
        for (const int descriptor : {handles->output, handles->error})
            if (descriptor >= 0)
                watched.push_back({descriptor, POLLIN, 0});
        if (handles->input >= 0)
            watched.push_back({handles->input, POLLOUT, 0});
        if (std::chrono::steady_clock::now() > deadline) {
            kill();
            run.standardError += "did not finish";
            break;
        }
        if (::poll(watched.data(), watched.size(), 100) < 0 && errno != EINTR)
            break;
        for (const pollfd &ready : watched) {
            if (ready.revents == 0)
                continue;
            if (ready.fd == handles->input) {
                const ssize_t written = ::write(handles->input, handles->pendingInput.data(), handles->pendingInput.size());
                if (written < 0 && (errno == EAGAIN || errno == EINTR))
                    continue;
                // EPIPE: the child stopped reading; what it wrote and its exit still count.
                if (written < 0 && errno != EPIPE)
                    run.standardError += std::string("(standard input not written: ") + std::strerror(errno) + ")";
                if (written > 0)
                    handles->pendingInput.erase(0, std::size_t(written));
                if (written < 0 || handles->pendingInput.empty())
                    closeHandle(handles->input);
                continue;
            }
            char buffer[65536];
            const ssize_t got = ::read(ready.fd, buffer, sizeof buffer);
            std::string &into = ready.fd == handles->output ? run.standardOutput : run.standardError;
            if (got > 0) {
                into.append(buffer, std::size_t(got));
            } else if (got == 0 || errno != EINTR) {
                closeHandle(ready.fd == handles->output ? handles->output : handles->error);
            }
        }
    }
    closeHandle(handles->input);
    if (!handles->status) {
        int status = 0;
        while (::waitpid(handles->pid, &status, 0) < 0 && errno == EINTR) {
        }
        handles->status = status;
    }
    run.exitCode = WIFEXITED(*handles->status) ? WEXITSTATUS(*handles->status) : -1;
    return run;
}

} // namespace support
