#pragma once

#include <windows.h>

namespace ostrel {

// Delivers the thread's messages until the program is told to quit, and
// returns its exit code. Keys go through the window's dialog handling, which
// gives a plain window a dialog's keyboard: Space and Enter press the button.
int runMessageLoop(HWND window);

} // namespace ostrel
