#include "batch/console_messages.h"

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

namespace ostrel {

QByteArray consoleText(QByteArrayView message, bool toTerminal)
{
    QByteArray text = message.toByteArray();
    text.replace("\r\n", "\n");
    if (toTerminal) {
        const auto hex = [](unsigned char code) { return "\\x" + QByteArray::number(code, 16).rightJustified(2, '0'); };
        QByteArray escaped;
        escaped.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const auto code = static_cast<unsigned char>(text[i]);
            const unsigned char following = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
            if ((code < 0x20 && code != '\n') || code == 0x7f) {
                escaped += hex(code);
            } else if (code == 0xc2 && following >= 0x80 && following <= 0x9f) {
                // U+0080 to U+009F in UTF-8: the 8-bit controls, CSI among them.
                escaped += hex(code) + hex(following);
                ++i;
            } else {
                escaped += char(code);
            }
        }
        text = escaped;
    }
    return text + '\n';
}

void ConsoleMessages::showMessage(QByteArrayView text, MessageKind kind)
{
    FILE *stream = kind == MessageKind::Information ? stdout : stderr;
    const QByteArray line = consoleText(text, isatty(fileno(stream)));
    std::fwrite(line.constData(), 1, size_t(line.size()), stream);
    std::fflush(stream);
}

} // namespace ostrel
