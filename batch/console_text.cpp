#include "batch/console_text.h"

namespace ostrel {

namespace {

std::string hex(unsigned char code)
{
    constexpr char digits[] = "0123456789abcdef";
    return {'\\', 'x', digits[code >> 4], digits[code & 15]};
}

} // namespace

std::string consoleText(std::string_view message, bool toTerminal)
{
    std::string text;
    text.reserve(message.size() + 1);
    for (std::size_t i = 0; i < message.size(); ++i) {
        const auto code = static_cast<unsigned char>(message[i]);
        const auto following = static_cast<unsigned char>(i + 1 < message.size() ? message[i + 1] : '\0');
        if (code == '\r' && following == '\n')
            continue;
        if (!toTerminal || code == '\n') {
            text += char(code);
        } else if (code < 0x20 || code == 0x7f) {
            text += hex(code);
        } else if (code == 0xc2 && following >= 0x80 && following <= 0x9f) {
            // U+0080 to U+009F in UTF-8: the 8-bit controls, CSI among them.
            text += hex(code) + hex(following);
            ++i;
        } else {
            text += char(code);
        }
    }
    return text + '\n';
}

} // namespace ostrel
