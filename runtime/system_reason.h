#pragma once

#include <QString>

#include <cstring>

namespace ostrel {

// The operating system's own words for an error number, as messages show them.
inline QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace ostrel
