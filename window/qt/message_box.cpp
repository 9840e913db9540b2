#include "window/qt/message_box.h"

#include "window/qt/message_text.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace ostrel {

std::unique_ptr<QMessageBox> messageBox(const SortOutcome &outcome, QWidget *parent)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QCoreApplication::applicationName(), QString(),
                                             QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(messageText(QByteArrayView(outcome.message.data(), qsizetype(outcome.message.size())),
                             outcome.recordCodePage));
    return box;
}

} // namespace ostrel
