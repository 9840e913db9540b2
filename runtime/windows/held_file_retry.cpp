#include "runtime/windows/held_file_retry.h"

#include <algorithm>
#include <chrono>

namespace ostrel {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds waitingTime{2000};
// Most holders let go within tens of milliseconds; the pause grows from there.
constexpr milliseconds firstPause{10};
constexpr milliseconds longestPause{200};

// Per thread: each run happens on one thread.
thread_local Clock::time_point waitingEnds = Clock::now() + waitingTime;

bool mayBeHeldForAMoment(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION
           || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

} // namespace

void startRunWaitingTime()
{
    waitingEnds = Clock::now() + waitingTime;
}

bool pausedBeforeRetry(DWORD error, int tries)
{
    const auto left = std::chrono::duration_cast<milliseconds>(waitingEnds - Clock::now());
    if (!mayBeHeldForAMoment(error) || left <= milliseconds::zero())
        return false;
    const milliseconds grown = tries < 6 ? firstPause * (1 << (tries - 1)) : longestPause;
    ::Sleep(DWORD(std::min({grown, longestPause, left}).count()));
    return true;
}

} // namespace ostrel
