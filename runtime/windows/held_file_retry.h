#pragma once

#include <windows.h>

namespace ostrel {

// Virus scanners, indexers, backup agents and sync clients open a file for a
// moment just after a program writes or renames it; while one holds it,
// Windows refuses the file as it refuses one held for good. A run waits such
// holders out for about 2 seconds in all, then gives the last reason, so that
// a file held for good (a spreadsheet showing it) is still refused soon.

// Each run begins by opening its input, which starts its waiting time afresh.
void startRunWaitingTime();

// Whether to try a step again after its try number `tries` failed with
// `error`, having paused first; false once the run's waiting time is spent.
bool pausedBeforeRetry(DWORD error, int tries);

// Tries `step` (true on success, the reason in GetLastError otherwise) until
// it succeeds, fails for another reason, or the run's waiting time is spent.
// ERROR_SUCCESS, or the last try's reason.
template <typename Step>
DWORD retryWhileHeld(Step step)
{
    for (int tries = 1;; ++tries) {
        if (step())
            return ERROR_SUCCESS;
        const DWORD error = ::GetLastError();
        if (!pausedBeforeRetry(error, tries))
            return error;
    }
}

} // namespace ostrel
