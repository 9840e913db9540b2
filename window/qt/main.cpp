#include "window/qt/ostrel_sort.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OstrelSort"));
    QApplication::setApplicationVersion(QStringLiteral(OSTREL_DISPLAY_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(OSTREL_APP_ID));

    ostrel::OstrelSort form;
    form.show();
    return application.exec();
}
