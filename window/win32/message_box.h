#pragma once

#include "sorting/sort_outcome.h"

#include <windows.h>

namespace ostrel {

// Shows a run's outcome in a box owned by the window, and returns when it is
// dismissed: the application's name as caption, one OK button, no icon.
// Success and failure look alike on purpose.
void showMessage(HWND owner, const SortOutcome &outcome);

} // namespace ostrel
