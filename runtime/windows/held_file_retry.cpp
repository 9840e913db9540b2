#include "runtime/windows/held_file_retry.h"

#include <algorithm>
#include <chrono>

namespace ostrel {

namespace {

using std::chrono::milliseconds;

// Most holders let go within tens of milliseconds; the pause grows from there.
constexpr milliseconds firstPause{10};
constexpr milliseconds longestPause{200};

bool mayBeHeldForAMoment(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION
           || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

} // namespace

bool pausedBeforeRetry(const HeldFileWait &wait, DWORD error, int tries)
{
    const milliseconds left = wait.left();
    if (!mayBeHeldForAMoment(error) || left <= milliseconds::zero())
        return false;
    const milliseconds grown = tries < 6 ? firstPause * (1 << (tries - 1)) : longestPause;
    ::Sleep(DWORD(std::min({grown, longestPause, left}).count()));
    return true;
}

} // namespace ostrel
