#include "window/win32/form_layout.h"

namespace ostrel {

namespace {

constexpr int twipsPerInch = 1440;

int pixels(int twips, UINT dpi)
{
    return ::MulDiv(twips, int(dpi), twipsPerInch);
}

} // namespace

SIZE clientSize(UINT dpi)
{
    return {pixels(4680, dpi), pixels(3195, dpi)};
}

RECT sortButtonBounds(UINT dpi)
{
    const int left = pixels(1320, dpi);
    const int top = pixels(960, dpi);
    return {left, top, left + pixels(1575, dpi), top + pixels(855, dpi)};
}

} // namespace ostrel
