#pragma once

#include <string>
#include <string_view>

namespace ostrel {

// A message as a console line: LF line breaks and, for a terminal, control
// bytes written as \xHH, so that record data cannot drive the terminal.
std::string consoleText(std::string_view message, bool toTerminal);

} // namespace ostrel
