#include "runtime/command_line.h"

#include "runtime/windows/system_reason.h"

#include <shellapi.h>

namespace ostrel {

// The narrow argv holds the arguments in the ANSI code page, which cannot
// hold every file name; the wide command line can.
std::vector<std::string> commandLineArguments(int, char *[])
{
    int count = 0;
    wchar_t **wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide && i < count; ++i)
        arguments.push_back(utf8Text(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

} // namespace ostrel
