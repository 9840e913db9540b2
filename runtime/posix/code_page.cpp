#include "runtime/code_page.h"

namespace ostrel {

unsigned systemAnsiCodePage()
{
    return 1252;
}

} // namespace ostrel
