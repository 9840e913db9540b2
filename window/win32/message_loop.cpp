#include "window/win32/message_loop.h"

#include <optional>

namespace ostrel {

namespace {

bool fromInput(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)
           || (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

} // namespace

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

void runMessagesUntil(const std::atomic<bool> &ended, const std::function<void()> &tick)
{
    std::optional<int> quitCode;
    while (!ended) {
        ::MsgWaitForMultipleObjectsEx(0, nullptr, 200, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                quitCode = int(message.wParam);
            else if (!fromInput(message.message))
                ::DispatchMessageW(&message);
        }
        tick();
    }
    // Left for the loop that waits for it.
    if (quitCode)
        ::PostQuitMessage(*quitCode);
}

} // namespace ostrel
