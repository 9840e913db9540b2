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
        QByteArray escaped;
        escaped.reserve(text.size());
        for (const char byte : std::as_const(text)) {
            const auto code = static_cast<unsigned char>(byte);
            if ((code < 0x20 && byte != '\n') || code == 0x7f)
                escaped += "\\x" + QByteArray::number(code, 16).rightJustified(2, '0');
            else
                escaped += byte;
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
