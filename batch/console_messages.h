#pragma once

#include "runtime/message_service.h"

#include <QByteArray>

namespace ostrel {

// Prints outcomes as lines: information on standard output, failures on
// standard error.
class ConsoleMessages : public MessageService
{
public:
    void showMessage(QByteArrayView text, MessageKind kind) override;
};

// The text for a console: LF line breaks, and, for a terminal, control bytes
// written as \xHH so record data cannot drive the terminal.
QByteArray consoleText(QByteArrayView message, bool toTerminal);

} // namespace ostrel
