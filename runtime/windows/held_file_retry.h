#pragma once

#include "runtime/held_file_wait.h"
#include "runtime/result.h"
#include "runtime/windows/system_reason.h"

#include <windows.h>

namespace ostrel {

// Whether to try a step again after its try number `tries` failed with
// `error`, having paused first; false once the wait is spent.
bool pausedBeforeRetry(const HeldFileWait &wait, DWORD error, int tries);

// Tries `step` (true on success, the reason in GetLastError otherwise) until
// it succeeds, fails for another reason, or the wait is spent; a failure
// gives the last try's reason.
template <typename Step>
Result<void> retryWhileHeld(const HeldFileWait &wait, Step step)
{
    for (int tries = 1;; ++tries) {
        if (step())
            return {};
        const DWORD error = ::GetLastError();
        if (!pausedBeforeRetry(wait, error, tries))
            return Failure{systemReason(error)};
    }
}

} // namespace ostrel
