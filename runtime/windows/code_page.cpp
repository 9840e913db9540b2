#include "runtime/code_page.h"

#include <windows.h>

namespace ostrel {

unsigned systemAnsiCodePage()
{
    const unsigned codePage = ::GetACP();
    // A system set to UTF-8 still gets files from programs that write 1252.
    return codePage == utf8CodePage || !isKnownCodePage(codePage) ? 1252 : codePage;
}

} // namespace ostrel
