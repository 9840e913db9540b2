#include "runtime/command_line.h"

#include "runtime/windows/system_reason.h"

// The C runtime's own parser of the wide command line, the one that wmain's
// arguments come from. The shell's parser would do too, but loading the shell
// costs a short run more than all of its sorting under some systems.
extern "C" int __wgetmainargs(int *argc, wchar_t ***argv, wchar_t ***environment, int expandWildcards,
                              int *startInfo);

namespace ostrel {

// The narrow argv holds the arguments in the ANSI code page, which cannot
// hold every file name; the wide command line can.
std::vector<std::string> commandLineArguments(int, char *[])
{
    int count = 0;
    wchar_t **wide = nullptr;
    wchar_t **environment = nullptr;
    int newHandlerMode = 0;
    std::vector<std::string> arguments;
    if (__wgetmainargs(&count, &wide, &environment, 0, &newHandlerMode) < 0 || !wide)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(utf8Text(wide[i]));
    return arguments;
}

} // namespace ostrel
