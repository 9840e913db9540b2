#include "window/qt/progress_window.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace ostrel {

ProgressWindow::ProgressWindow(const Progress &watched, QWidget *owner, std::chrono::milliseconds after)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), progress(watched),
      shownAfter(after), step(new QLabel(this)), bar(new QProgressBar(this))
{
    setWindowTitle(QStringLiteral("OstrelSort"));
    setWindowModality(Qt::WindowModal);
    step->setMinimumWidth(280);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(step);
    layout->addWidget(bar);
    connect(&ticks, &QTimer::timeout, this, &ProgressWindow::refresh);
    ticks.start(200);
    running.start();
}

void ProgressWindow::refresh()
{
    if (!isVisible() && running.elapsed() < shownAfter.count())
        return;
    const Progress::Seen seen = progress.seen();
    step->setText(QString::fromUtf8(stepName(seen.step).data(), qsizetype(stepName(seen.step).size())) + "...");
    // A step that cannot tell how far it has come shows a busy bar.
    bar->setRange(0, seen.percent ? 100 : 0);
    bar->setValue(seen.percent.value_or(0));
    if (!isVisible())
        show();
}

} // namespace ostrel
