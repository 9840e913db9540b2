// Times the window's sort run, from pressing the button to the message box,
// on a route file placed at the fixed input path under a scratch home folder.
#include "window/qt/ostrel_sort.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("OstrelSort"));
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: window-run ROUTE-FILE RUNS\n");
        return 2;
    }
    QDir(home.path()).mkpath(QStringLiteral("f/u/datafile"));
    QFile::link(QFileInfo(arguments[1]).absoluteFilePath(), home.filePath(QStringLiteral("f/u/datafile/taveld.txt")));

    ostrel::OstrelSort window;
    window.show();
    auto *button = window.findChild<QPushButton *>(QStringLiteral("btnSort"));
    std::vector<double> seconds;
    for (int run = 0; run < arguments[2].toInt(); ++run) {
        QElapsedTimer clock;
        QString shown;
        // The sort works on a thread of its own while the window's events go
        // on, so the box is looked for until it is up.
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seconds.push_back(double(clock.nsecsElapsed()) / 1e9);
                look.stop();
                shown = box->text();
                box->accept();
            }
        });
        look.start(0);
        clock.start();
        button->click();
        if (shown != QStringLiteral("Route Records were sorted.")) {
            std::fprintf(stderr, "the run did not sort: %s\n", qPrintable(shown));
            return 1;
        }
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%.3f\n", seconds[seconds.size() / 2]);
    return 0;
}
