#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace ostrel {

struct FontDeleter
{
    void operator()(HFONT font) const { ::DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The system's message font at a DPI, the one its own dialogs use; empty
// when the system has none to give, and controls then keep their default.
FontHandle messageFont(UINT dpi);

} // namespace ostrel
