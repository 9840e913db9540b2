#include "window/win32/progress_window.h"

#include <commctrl.h>

#include <string>

namespace ostrel {

namespace {

constexpr wchar_t className[] = L"OstrelSortProgress";
constexpr DWORD style = WS_POPUP | WS_CAPTION;
constexpr DWORD extendedStyle = WS_EX_DLGMODALFRAME;

bool registerClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_WAIT);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = className;
    return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

ProgressWindow::ProgressWindow(HWND ownerWindow, const Progress &watched, ULONGLONG shownAfterMs)
    : owner(ownerWindow), progress(watched), shownAt(::GetTickCount64() + shownAfterMs)
{
}

ProgressWindow::~ProgressWindow()
{
    if (window)
        ::DestroyWindow(window);
}

// 320 x 96 pixels at 96 DPI, centred over the owner.
bool ProgressWindow::open()
{
    const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    if (!registerClass(instance))
        return false;
    const UINT dpi = ::GetDpiForWindow(owner);
    const auto scaled = [dpi](int pixels) { return ::MulDiv(pixels, int(dpi), 96); };
    RECT frame{0, 0, scaled(320), scaled(96)};
    ::AdjustWindowRectExForDpi(&frame, style, FALSE, extendedStyle, dpi);
    RECT over{};
    ::GetWindowRect(owner, &over);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    window = ::CreateWindowExW(extendedStyle, className, L"OstrelSort", style, (over.left + over.right - width) / 2,
                               (over.top + over.bottom - height) / 2, width, height, owner, nullptr, instance, nullptr);
    if (!window)
        return false;
    step = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, scaled(16), scaled(16), scaled(288),
                             scaled(24), window, nullptr, instance, nullptr);
    bar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, scaled(16), scaled(48), scaled(288),
                            scaled(24), window, nullptr, instance, nullptr);
    font = messageFont(dpi);
    ::SendMessageW(step, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    ::SendMessageW(bar, PBM_SETRANGE32, 0, 100);
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    return true;
}

void ProgressWindow::refresh()
{
    if (!window && (::GetTickCount64() < shownAt || !open()))
        return;
    const Progress::Seen seen = progress.seen();
    const std::string_view name = stepName(seen.step);
    ::SetWindowTextW(step, (std::wstring(name.begin(), name.end()) + L"...").c_str());
    // A step that cannot tell how far it has come shows a busy bar.
    if (busy != !seen.percent) {
        busy = !seen.percent;
        ::SetWindowLongPtrW(bar, GWL_STYLE, ::GetWindowLongPtrW(bar, GWL_STYLE) ^ PBS_MARQUEE);
        ::SendMessageW(bar, PBM_SETMARQUEE, busy, 0);
    }
    if (seen.percent)
        ::SendMessageW(bar, PBM_SETPOS, WPARAM(*seen.percent), 0);
}

} // namespace ostrel
