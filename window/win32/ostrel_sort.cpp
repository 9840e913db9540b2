#include "window/win32/ostrel_sort.h"

#include "sorting/sort_run.h"
#include "window/win32/form_layout.h"
#include "window/win32/message_box.h"
#include "window/win32/message_loop.h"
#include "window/win32/progress_window.h"
#include "window/win32/resource_ids.h"

#include <atomic>
#include <thread>

namespace ostrel {

namespace {

constexpr wchar_t className[] = L"OstrelSort";
constexpr DWORD style = WS_OVERLAPPEDWINDOW;
constexpr DWORD extendedStyle = 0;
constexpr int btnSortId = 100;

bool registerClass(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(OSTREL_ICON));
    windowClass.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(OSTREL_ICON), IMAGE_ICON,
                                                          ::GetSystemMetrics(SM_CXSMICON),
                                                          ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = className;
    return ::RegisterClassExW(&windowClass) != 0;
}

} // namespace

bool OstrelSort::open(HINSTANCE instance, int showCommand)
{
    if (!registerClass(instance, &OstrelSort::windowProcedure))
        return false;
    // The size follows in onCreate, once the window knows its monitor's DPI.
    if (!::CreateWindowExW(extendedStyle, className, L"Ostrel - Tavel Sort", style, CW_USEDEFAULT, CW_USEDEFAULT,
                           CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this))
        return false;
    ::ShowWindow(window, showCommand);
    ::UpdateWindow(window);
    return true;
}

LRESULT CALLBACK OstrelSort::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto *form = static_cast<OstrelSort *>(reinterpret_cast<CREATESTRUCTW *>(lParam)->lpCreateParams);
        form->window = window;
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto *form = reinterpret_cast<OstrelSort *>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form)
        return ::DefWindowProcW(window, message, wParam, lParam);
    return form->handleMessage(message, wParam, lParam);
}

LRESULT OstrelSort::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return onCreate() ? 0 : -1;
    case WM_COMMAND:
        onCommand(wParam);
        return 0;
    // The dialog handling of the message loop asks which button Enter presses.
    case DM_GETDEFID:
        return MAKELRESULT(btnSortId, DC_HASDEFID);
    // Whenever the window gains the focus, on opening and after each message
    // box, the button takes it: a plain window does not hand it on itself.
    case WM_SETFOCUS:
        ::SetFocus(btnSort);
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT *>(lParam));
        return 0;
    case WM_SETCURSOR:
        if (onSetCursor())
            return TRUE;
        break;
    // Closed from the taskbar while a run works: the run's box comes first.
    case WM_CLOSE:
        if (sortRunning)
            return 0;
        break;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool OstrelSort::onCreate()
{
    btnSort = ::CreateWindowExW(0, L"BUTTON", L"Sort Input File", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                0, 0, 0, 0, window, reinterpret_cast<HMENU>(INT_PTR(btnSortId)),
                                reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window, GWLP_HINSTANCE)), nullptr);
    if (!btnSort)
        return false;
    const UINT dpi = ::GetDpiForWindow(window);
    const SIZE client = clientSize(dpi);
    RECT frame{0, 0, client.cx, client.cy};
    ::AdjustWindowRectExForDpi(&frame, style, FALSE, extendedStyle, dpi);
    ::SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    layOut(dpi);
    return true;
}

void OstrelSort::onCommand(WPARAM wParam)
{
    // A click that was queued while a run held the window, or one made while
    // its box is open, is not another run.
    if (LOWORD(wParam) == btnSortId && HIWORD(wParam) == BN_CLICKED && !sortRunning)
        sortInputFile();
}

void OstrelSort::onDpiChanged(UINT dpi, const RECT &suggested)
{
    ::SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    layOut(dpi);
}

// The wait cursor stays over the window until the run's box is dismissed.
bool OstrelSort::onSetCursor()
{
    if (!sortRunning)
        return false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

void OstrelSort::layOut(UINT dpi)
{
    FontHandle newFont = messageFont(dpi);
    ::SendMessageW(btnSort, WM_SETFONT, reinterpret_cast<WPARAM>(newFont.get()), TRUE);
    font = std::move(newFont);
    const RECT bounds = sortButtonBounds(dpi);
    ::SetWindowPos(btnSort, nullptr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

// The run holds the window until its message box is dismissed. It works on a
// thread of its own, so the window paints meanwhile and Windows never calls
// it "Not Responding"; clicks and keys reach nothing until the box is gone.
void OstrelSort::sortInputFile()
{
    sortRunning = true;
    const HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    Progress progress;
    SortOutcome outcome;
    {
        ProgressWindow shown(window, progress);
        std::atomic<bool> ended = false;
        std::thread worker([&] {
            outcome = SortInputFile(&progress);
            ended = true;
            ::PostMessageW(window, WM_NULL, 0, 0);
        });
        runMessagesUntil(ended, [&] { shown.refresh(); });
        worker.join();
    }
    showMessage(window, outcome);
    sortRunning = false;
    ::SetCursor(previous);
}

} // namespace ostrel
