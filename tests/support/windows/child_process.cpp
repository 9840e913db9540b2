#include "support/child_process.h"

#include "runtime/windows/system_reason.h"

#include <cwchar>
#include <map>
#include <string_view>
#include <thread>
#include <utility>

#include <windows.h>

namespace support {

struct ChildProcess::Handles
{
    HANDLE process = nullptr;
    DWORD id = 0;
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    HANDLE error = nullptr;
    std::string standardInput;
    bool killed = false;
    std::string startFailure;
};

namespace {

// Quoted so that the program's CommandLineToArgvW gives back the argument.
std::wstring quoted(const std::wstring &argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(backslashes * 2, L'\\');
    return text + L"\"";
}

std::wstring environmentBlock(const std::vector<std::pair<std::string, std::string>> &changes)
{
    std::map<std::wstring, std::wstring> variables;
    wchar_t *current = ::GetEnvironmentStringsW();
    for (const wchar_t *entry = current; *entry; entry += std::wcslen(entry) + 1) {
        const std::wstring text = entry;
        const std::size_t equals = text.find(L'=', 1);
        if (equals != std::wstring::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    ::FreeEnvironmentStringsW(current);
    for (const auto &[name, value] : changes)
        variables[ostrel::wideText(name)] = ostrel::wideText(value);
    std::wstring block;
    for (const auto &[name, value] : variables)
        block += name + L'=' + value + L'\0';
    return block + L'\0';
}

// Reads a pipe to its end on a thread of its own, so that neither pipe fills
// while the other is waited on.
std::thread drain(HANDLE pipe, std::string &into)
{
    return std::thread([pipe, &into] {
        char buffer[65536];
        DWORD got = 0;
        while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
            into.append(buffer, got);
        ::CloseHandle(pipe);
    });
}

// Writes the program's input on a thread of its own, so that a program that
// reads none of it is still bound by the time allowed. A program that ends
// before it has read everything breaks the pipe: the write fails, and what the
// program wrote and its exit still count; any other failure is reported.
std::thread feed(HANDLE pipe, std::string_view input, std::string &failure)
{
    return std::thread([pipe, input, &failure] {
        std::string_view pending = input;
        while (!pending.empty()) {
            DWORD written = 0;
            if (!::WriteFile(pipe, pending.data(), DWORD(pending.size()), &written, nullptr)) {
                const DWORD error = ::GetLastError();
                if (error != ERROR_BROKEN_PIPE && error != ERROR_NO_DATA)
                    failure = "(standard input not written: " + ostrel::systemReason(error) + ")";
                break;
            }
            pending.remove_prefix(written);
        }
        ::CloseHandle(pipe);
    });
}

} // namespace

ChildProcess::ChildProcess(const std::filesystem::path &program, const std::vector<std::string> &arguments,
                           const ProcessSetup &setup)
    : handles(std::make_unique<Handles>())
{
    std::wstring commandLine = quoted(program.wstring());
    for (const std::string &argument : arguments)
        commandLine += L' ' + quoted(ostrel::wideText(argument));
    std::wstring environment = environmentBlock(setup.environment);

    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput, childOutput, childError;
    ::CreatePipe(&childInput, &handles->input, &inherited, 0);
    ::CreatePipe(&handles->output, &childOutput, &inherited, 0);
    ::CreatePipe(&handles->error, &childError, &inherited, 0);
    for (HANDLE ours : {handles->input, handles->output, handles->error})
        ::SetHandleInformation(ours, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childError;
    PROCESS_INFORMATION started{};
    const std::wstring folder = setup.workingFolder.wstring();
    // Under Wine on a loaded machine a start may fail before the
    // program runs at all; that says nothing of the program, so try again.
    constexpr int attempts = 3;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                             CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, environment.data(),
                             folder.empty() ? nullptr : folder.c_str(), &startup, &started)) {
            ::CloseHandle(started.hThread);
            handles->process = started.hProcess;
            handles->id = started.dwProcessId;
            break;
        }
        handles->startFailure = ostrel::systemReason(::GetLastError());
        if (attempt < attempts)
            ::Sleep(100 * attempt);
    }
    ::CloseHandle(childInput);
    ::CloseHandle(childOutput);
    ::CloseHandle(childError);
    handles->standardInput = setup.standardInput;
}

ChildProcess::~ChildProcess()
{
    if (running()) {
        kill();
        finish();
    }
    for (HANDLE handle : {handles->process, handles->input, handles->output, handles->error}) {
        if (handle)
            ::CloseHandle(handle);
    }
}

long ChildProcess::id() const
{
    return long(handles->id);
}

bool ChildProcess::running()
{
    return handles->process && ::WaitForSingleObject(handles->process, 0) == WAIT_TIMEOUT;
}

void ChildProcess::kill()
{
    if (running()) {
        handles->killed = true;
        ::TerminateProcess(handles->process, 255);
    }
}

ProcessRun ChildProcess::finish(int secondsAllowed)
{
    ProcessRun run;
    if (!handles->process) {
        run.standardError = "(the program could not be started: " + handles->startFailure + ")";
        return run;
    }
    std::thread output = drain(std::exchange(handles->output, nullptr), run.standardOutput);
    std::thread error = drain(std::exchange(handles->error, nullptr), run.standardError);
    std::string inputFailure;
    std::thread input = feed(std::exchange(handles->input, nullptr), handles->standardInput, inputFailure);
    const bool finished = ::WaitForSingleObject(handles->process, DWORD(secondsAllowed) * 1000) != WAIT_TIMEOUT;
    if (!finished) {
        kill();
        ::WaitForSingleObject(handles->process, INFINITE);
    }
    input.join();
    output.join();
    error.join();
    run.standardError += inputFailure;
    if (!finished)
        run.standardError += "did not finish";
    DWORD code = 0;
    ::GetExitCodeProcess(handles->process, &code);
    run.exitCode = handles->killed ? -1 : int(code);
    return run;
}

} // namespace support
