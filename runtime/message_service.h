#pragma once

#include <QByteArrayView>

namespace ostrel {

enum class MessageKind { Information, Failure };

// How a run tells the operator its outcome: a message box in the window,
// standard output or error in the batch tool. The text keeps CR LF breaks and
// raw record bytes; each shell decides how to present them.
class MessageService
{
public:
    virtual ~MessageService() = default;
    virtual void showMessage(QByteArrayView text, MessageKind kind) = 0;
};

} // namespace ostrel
