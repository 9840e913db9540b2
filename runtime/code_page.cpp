#include "runtime/code_page.h"

#include <algorithm>
#include <array>

namespace ostrel {

namespace {

constexpr std::array<unsigned, 18> codePages = {437,  850,  852,  866,  874,  932,  936,  949,  950,
                                                1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

} // namespace

std::span<const unsigned> knownCodePages()
{
    return codePages;
}

bool isKnownCodePage(unsigned codePage)
{
    return std::find(codePages.begin(), codePages.end(), codePage) != codePages.end();
}

bool isDoubleByteCodePage(unsigned codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

bool isLeadByte(unsigned codePage, unsigned char byte)
{
    switch (codePage) {
    case 932: // Shift JIS leaves 0xA1-0xDF to single-byte katakana
        return (byte >= 0x81 && byte <= 0x9f) || (byte >= 0xe0 && byte <= 0xfc);
    case 936:
    case 949:
    case 950:
        return byte >= 0x81 && byte <= 0xfe;
    default:
        return false;
    }
}

} // namespace ostrel
