#pragma once

#include <windows.h>

#include <string_view>

namespace ostrel {

// Shows a run's message in a box owned by the window, and returns when it is
// dismissed: the application's name as caption, one OK button, no icon.
// Success and failure look alike on purpose.
void showMessage(HWND owner, std::string_view message);

} // namespace ostrel
