#include "runtime/command_line.h"

#include <algorithm>

namespace ostrel {

// File names are bytes here, passed on as they are.
std::vector<std::string> commandLineArguments(int argc, char *argv[])
{
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

} // namespace ostrel
