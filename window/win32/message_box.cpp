#include "window/win32/message_box.h"

#include "window/win32/message_text.h"

namespace ostrel {

void showMessage(HWND owner, const SortOutcome &outcome)
{
    ::MessageBoxW(owner, messageText(outcome.message, outcome.recordCodePage).c_str(), L"OstrelSort", MB_OK);
}

} // namespace ostrel
