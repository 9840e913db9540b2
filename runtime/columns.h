#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

// Columns count bytes from 1. A range that runs past the end of the line
// yields only the bytes that exist, so short records never fail. Inline, as
// it runs several times for each of millions of records.
inline std::string_view columnText(std::string_view line, std::size_t firstColumn, std::size_t length)
{
    if (firstColumn == 0 || firstColumn > line.size())
        return {};
    return line.substr(firstColumn - 1, length);
}

// Only the space character is trimmed: tabs and other bytes are record data.
std::string_view trimSpaces(std::string_view text);

// Decimal text with the sign position kept: " 12" for 12, "-3" for -3.
std::string numberText(std::int64_t number);

} // namespace ostrel
