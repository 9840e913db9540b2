// Reports what a person would see of the running OstrelSort windows, for the
// end-to-end test to check: it reads them from outside, as another program.
// Usage: window_probe form | box | press
//   form: the window's caption, client size, DPI, and each control with its
//         class, text, place in the client area, and whether it has the focus
//   box:  the visible box captioned "OstrelSort": its owner, whether the owner
//         takes input, its icons, buttons and text, a line each
//   press: presses the window's button as another program can, with BM_CLICK
// Prints UTF-8, one fact a line; exits 1 when the window is not there.
#include "runtime/windows/system_reason.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

namespace {

using ostrel::utf8Text;

void print(const std::string &name, const std::string &value)
{
    const std::string line = name + "=" + value + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
}

std::wstring text(HWND window)
{
    std::wstring buffer(std::size_t(::GetWindowTextLengthW(window)) + 1, L'\0');
    buffer.resize(std::size_t(::GetWindowTextW(window, buffer.data(), int(buffer.size()))));
    return buffer;
}

std::wstring className(HWND window)
{
    wchar_t name[256];
    return std::wstring(name, std::size_t(::GetClassNameW(window, name, 256)));
}

std::vector<HWND> children(HWND parent)
{
    std::vector<HWND> found;
    ::EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND> *>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND visibleTopLevel(const std::wstring &caption, const wchar_t *windowClass)
{
    struct Search
    {
        const std::wstring &caption;
        const wchar_t *windowClass;
        HWND found;
    } search{caption, windowClass, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM state) {
            auto &wanted = *reinterpret_cast<Search *>(state);
            if (::IsWindowVisible(window) && text(window) == wanted.caption
                && (!wanted.windowClass || className(window) == wanted.windowClass)) {
                wanted.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND focusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

int reportForm()
{
    const HWND form = visibleTopLevel(L"Ostrel - Tavel Sort", nullptr);
    if (!form)
        return 1;
    RECT client;
    ::GetClientRect(form, &client);
    print("caption", utf8Text(text(form)));
    print("client", std::to_string(client.right) + "x" + std::to_string(client.bottom));
    print("dpi", std::to_string(::GetDpiForWindow(form)));
    const HWND focus = focusOf(form);
    for (const HWND control : children(form)) {
        RECT bounds;
        ::GetWindowRect(control, &bounds);
        ::MapWindowPoints(HWND_DESKTOP, form, reinterpret_cast<POINT *>(&bounds), 2);
        const auto style = ::GetWindowLongW(control, GWL_STYLE);
        print("control", utf8Text(className(control)) + "|" + utf8Text(text(control)) + "|" + std::to_string(bounds.left)
                             + "," + std::to_string(bounds.top) + "," + std::to_string(bounds.right - bounds.left)
                             + "x" + std::to_string(bounds.bottom - bounds.top)
                             + ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON ? "|default" : "")
                             + (control == focus ? "|focused" : ""));
    }
    return 0;
}

int reportBox()
{
    const HWND box = visibleTopLevel(L"OstrelSort", L"#32770");
    if (!box)
        return 1;
    const HWND owner = ::GetWindow(box, GW_OWNER);
    print("caption", utf8Text(text(box)));
    print("owner", owner ? utf8Text(text(owner)) : "");
    print("owner-takes-input", owner && ::IsWindowEnabled(owner) ? "yes" : "no");
    int icons = 0;
    for (const HWND control : children(box)) {
        if (!::IsWindowVisible(control))
            continue;
        const std::wstring kind = className(control);
        const auto style = ::GetWindowLongW(control, GWL_STYLE);
        if (_wcsicmp(kind.c_str(), L"Button") == 0) {
            print("button", utf8Text(text(control)));
        } else if (_wcsicmp(kind.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
            if (::SendMessageW(control, STM_GETICON, 0, 0))
                ++icons;
        } else if (_wcsicmp(kind.c_str(), L"Static") == 0) {
            const std::wstring message = text(control);
            std::size_t start = 0;
            for (std::size_t end; (end = message.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
                print("text", utf8Text(message.substr(start, end - start)));
            print("text", utf8Text(message.substr(start)));
        }
    }
    print("icons", std::to_string(icons));
    return 0;
}

int pressButton()
{
    const HWND form = visibleTopLevel(L"Ostrel - Tavel Sort", nullptr);
    const std::vector<HWND> controls = form ? children(form) : std::vector<HWND>{};
    if (controls.empty())
        return 1;
    // Posted: the window may be busy with a box of its own.
    return ::PostMessageW(controls.front(), BM_CLICK, 0, 0) ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t *argv[])
{
    // The bytes as they are: no CR before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    const std::wstring what = argc == 2 ? argv[1] : L"";
    if (what == L"form")
        return reportForm();
    if (what == L"box")
        return reportBox();
    if (what == L"press")
        return pressButton();
    std::fputs("usage: window_probe form | box | press\n", stderr);
    return 2;
}
