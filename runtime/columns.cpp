#include "runtime/columns.h"

namespace ostrel {

std::string_view trimSpaces(std::string_view text)
{
    const std::size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos)
        return text.substr(text.size());
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

std::string numberText(std::int64_t number)
{
    std::string digits = std::to_string(number);
    return number < 0 ? digits : ' ' + digits;
}

} // namespace ostrel
