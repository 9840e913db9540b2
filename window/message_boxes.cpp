#include "window/message_boxes.h"

#include "window/message_text.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace ostrel {

MessageBoxes::MessageBoxes(QWidget *parentWindow)
    : window(parentWindow)
{
}

// Success and failure look alike on purpose: neither box carries an icon.
void MessageBoxes::showMessage(QByteArrayView text, MessageKind)
{
    messageBox(text, window)->exec();
}

std::unique_ptr<QMessageBox> messageBox(QByteArrayView text, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                                             QString(), QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(messageText(text));
    return box;
}

} // namespace ostrel
