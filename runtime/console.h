#pragma once

#include <string_view>

namespace ostrel {

enum class StandardStream { Output, Error };

// Whether the stream goes to a terminal, where a person reads it, rather than
// to a file or a program.
bool isTerminal(StandardStream stream);

// Writes UTF-8 text as it is; a terminal that takes another encoding gets it
// converted.
void writeText(StandardStream stream, std::string_view text);

} // namespace ostrel
