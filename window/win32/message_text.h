#pragma once

#include <string>
#include <string_view>

namespace ostrel {

// A run's message as a message box shows it, in the UTF-16 that the wide
// Windows calls take: CR LF stays the line break, and each line is UTF-8 where
// it is valid UTF-8 and Windows-1252 otherwise, the ANSI code page that the
// programs writing route files use on Windows; so no record byte is dropped.
// Line by line, because a key column can cut a multi-byte character that the
// name line holds whole. A NUL byte shows as U+2400 SYMBOL FOR NULL, since a
// box's text would end at it.
std::wstring messageText(std::string_view message);

} // namespace ostrel
