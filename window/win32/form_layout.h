#pragma once

#include <windows.h>

namespace ostrel {

// The form as designed, in twips (1/1440 inch), and its pixels at a DPI:
// a 4,680 x 3,195 client area holding the button at 1,320, 960, 1,575 x 855
// (312 x 213 and 88, 64, 105 x 57 at 96 DPI).
SIZE clientSize(UINT dpi);
RECT sortButtonBounds(UINT dpi);

} // namespace ostrel
