#pragma once

#include <cstring>
#include <string>

namespace ostrel {

// The operating system's own words for an error number, as messages show them.
inline std::string systemReason(int error)
{
    return std::strerror(error);
}

} // namespace ostrel
