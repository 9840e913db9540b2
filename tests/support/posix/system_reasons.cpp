#include "support/system_reasons.h"

#include <cerrno>
#include <cstring>

namespace support {

std::string reasonText(SystemFailure failure)
{
    switch (failure) {
    case SystemFailure::FileMissing:
    case SystemFailure::FolderMissing:
        return std::strerror(ENOENT);
    case SystemFailure::IsFolder:
        return std::strerror(EISDIR);
    case SystemFailure::AccessDenied:
        return std::strerror(EACCES);
    case SystemFailure::SharingViolation:
        return std::strerror(ETXTBSY);
    case SystemFailure::LinkLoop:
        return std::strerror(ELOOP);
    }
    return {};
}

} // namespace support
