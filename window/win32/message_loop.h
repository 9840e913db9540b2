#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

namespace ostrel {

// Delivers the thread's messages until the program is told to quit, and
// returns its exit code. Keys go through the window's dialog handling, which
// gives a plain window a dialog's keyboard: Space and Enter press the button.
int runMessageLoop(HWND window);

// Delivers the thread's messages, so its windows keep painting, but drops the
// mouse's and the keyboard's, until `ended` is set; a message sent to the
// thread then wakes it at once. Calls `tick` a few times a second meanwhile.
void runMessagesUntil(const std::atomic<bool> &ended, const std::function<void()> &tick);

} // namespace ostrel
