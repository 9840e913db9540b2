#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

// A run's message as a message box shows it, in the UTF-16 that the wide
// Windows calls take; CR LF stays the line break. Record bytes are decoded as
// their line was read: UTF-8, or the ANSI code page. A message without record
// bytes has each line decoded as UTF-8 where it is valid UTF-8 and in the ANSI
// code page otherwise, so no byte is ever dropped. A NUL byte shows as U+2400
// SYMBOL FOR NULL, since a box's text would end at it.
std::wstring messageText(std::string_view message, std::optional<unsigned> recordCodePage = std::nullopt);

} // namespace ostrel
