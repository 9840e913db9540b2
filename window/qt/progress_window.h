#pragma once

#include "runtime/progress.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>

class QLabel;
class QProgressBar;

namespace ostrel {

// A long run's step and how far it has come, in a window of its own that
// appears only once the run has lasted a while: a short run looks as if it
// were not there.
class ProgressWindow : public QDialog
{
public:
    ProgressWindow(const Progress &progress, QWidget *owner,
                   std::chrono::milliseconds shownAfter = std::chrono::seconds(2));

private:
    void refresh();

    const Progress &progress;
    const std::chrono::milliseconds shownAfter;
    QLabel *step;
    QProgressBar *bar;
    QTimer ticks;
    QElapsedTimer running;
};

} // namespace ostrel
