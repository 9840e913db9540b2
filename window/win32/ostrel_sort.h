#pragma once

#include "window/win32/message_font.h"

#include <windows.h>

namespace ostrel {

// The program's only window: one button that sorts the route file at its
// fixed place and shows the outcome. Laid out at the DPI of the monitor it is
// on, and again when it moves to another.
class OstrelSort
{
public:
    OstrelSort() = default;
    OstrelSort(const OstrelSort &) = delete;
    OstrelSort &operator=(const OstrelSort &) = delete;

    // Creates the window at the system's default place and shows it; false
    // when Windows would not create it.
    bool open(HINSTANCE instance, int showCommand);
    HWND handle() const { return window; }

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool onCreate();
    void onCommand(WPARAM wParam);
    void onDpiChanged(UINT dpi, const RECT &suggested);
    bool onSetCursor();

    void layOut(UINT dpi);
    void sortInputFile();

    HWND window = nullptr;
    HWND btnSort = nullptr;
    FontHandle font;
    bool sortRunning = false;
};

} // namespace ostrel
