#include "window/qt/message_box.h"

#include "window/qt/message_text.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace ostrel {

std::unique_ptr<QMessageBox> messageBox(std::string_view message, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QCoreApplication::applicationName(), QString(),
                                             QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(messageText(QByteArrayView(message.data(), qsizetype(message.size()))));
    return box;
}

} // namespace ostrel
