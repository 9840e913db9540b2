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
        // Fires once the box's own event loop runs, that is once the box is up.
        QTimer::singleShot(0, [&] {
            seconds.push_back(double(clock.nsecsElapsed()) / 1e9);
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->accept();
            }
        });
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
