#include "window/win32/message_loop.h"
#include "window/win32/ostrel_sort.h"

#include <windows.h>

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    // Common controls 6, as the manifest asks, draw the button and the progress
    // bar in the visual style.
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);

    ostrel::OstrelSort form;
    if (!form.open(instance, showCommand))
        return 1;
    return ostrel::runMessageLoop(form.handle());
}
