#include "window/win32/message_font.h"

namespace ostrel {

FontHandle messageFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi))
        return nullptr;
    return FontHandle(::CreateFontIndirectW(&metrics.lfMessageFont));
}

} // namespace ostrel
