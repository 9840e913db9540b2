#pragma once

#include <string>
#include <vector>

namespace ostrel {

// The program's arguments as UTF-8, without the program's own name. Paths
// among them become paths again with pathFromText.
std::vector<std::string> commandLineArguments(int argc, char *argv[]);

} // namespace ostrel
