#pragma once

#include <span>

namespace ostrel {

// Windows' own number for UTF-8 among its code pages.
inline constexpr unsigned utf8CodePage = 65001;

// The code page in which lines that are not UTF-8 are read: the system's ANSI
// code page on Windows, or 1252 where that is UTF-8; 1252 elsewhere, as the
// Windows programs that write route files mostly have it.
unsigned systemAnsiCodePage();

// The ANSI code pages a file may be read in: single-byte ones, and the four
// whose characters are a lead byte and its trail byte or a single byte.
std::span<const unsigned> knownCodePages();
bool isKnownCodePage(unsigned codePage);
bool isDoubleByteCodePage(unsigned codePage);

// Whether the byte begins a two-byte character in the code page.
bool isLeadByte(unsigned codePage, unsigned char byte);

} // namespace ostrel
