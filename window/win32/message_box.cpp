#include "window/win32/message_box.h"

#include "window/win32/message_text.h"

namespace ostrel {

void showMessage(HWND owner, std::string_view message)
{
    ::MessageBoxW(owner, messageText(message).c_str(), L"OstrelSort", MB_OK);
}

} // namespace ostrel
