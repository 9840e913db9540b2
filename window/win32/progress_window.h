#pragma once

#include "runtime/progress.h"
#include "window/win32/message_font.h"

#include <windows.h>

namespace ostrel {

// A long run's step and how far it has come, in a window of its own captioned
// "OstrelSort" over its owner, which appears only once the run has lasted a
// while: a short run looks as if it were not there.
class ProgressWindow
{
public:
    ProgressWindow(HWND owner, const Progress &progress, ULONGLONG shownAfterMs = 2000);
    ProgressWindow(const ProgressWindow &) = delete;
    ProgressWindow &operator=(const ProgressWindow &) = delete;
    ~ProgressWindow();

    // Called a few times a second while the run works.
    void refresh();

private:
    bool open();

    HWND owner;
    const Progress &progress;
    const ULONGLONG shownAt;
    HWND window = nullptr;
    HWND step = nullptr;
    HWND bar = nullptr;
    FontHandle font;
    bool busy = false;
};

} // namespace ostrel
