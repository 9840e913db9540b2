#pragma once

#include "runtime/message_service.h"

#include <memory>

class QMessageBox;
class QWidget;

namespace ostrel {

// Shows each outcome of a run in a modal box over the window and returns when
// the operator dismisses it.
class MessageBoxes : public MessageService
{
public:
    explicit MessageBoxes(QWidget *window);

    void showMessage(QByteArrayView text, MessageKind kind) override;

private:
    QWidget *window;
};

// The box for one message: the application's name as caption, no icon, one OK
// button, and plain text, so record bytes such as "<b>" are never read as markup.
std::unique_ptr<QMessageBox> messageBox(QByteArrayView text, QWidget *parent);

} // namespace ostrel
