#include "window/win32/message_loop.h"

namespace ostrel {

int runMessageLoop(HWND window)
{
    MSG message;
    BOOL received;
    while ((received = ::GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (!::IsDialogMessageW(window, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return received < 0 ? 1 : int(message.wParam);
}

} // namespace ostrel
