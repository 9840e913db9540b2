#include "window/qt/ostrel_sort.h"

#include "sorting/sort_run.h"
#include "window/qt/message_box.h"
#include "window/qt/progress_window.h"

#include <QMessageBox>
#include <QEventLoop>
#include <QPushButton>

#include <thread>

namespace ostrel {

OstrelSort::OstrelSort(QWidget *parent)
    : QWidget(parent), btnSort(new QPushButton(tr("Sort Input File"), this))
{
    setWindowTitle(tr("Ostrel - Tavel Sort"));
    resize(312, 213);

    btnSort->setObjectName(QStringLiteral("btnSort"));
    btnSort->setGeometry(88, 64, 105, 57);
    // Outside a dialog a button ignores Return and Enter unless told to answer them.
    btnSort->setAutoDefault(true);
    connect(btnSort, &QPushButton::clicked, this, &OstrelSort::sortInputFile);
}

// The run holds the window until its message box is dismissed. It works on a
// thread of its own, so the window paints meanwhile; clicks and keys wait
// until the box is open, which is application-modal, so they reach nothing.
void OstrelSort::sortInputFile()
{
    setCursor(Qt::WaitCursor);
    Progress progress;
    SortOutcome outcome;
    {
        const ProgressWindow shown(progress, this);
        QEventLoop running;
        std::thread worker([&] {
            outcome = SortInputFile(&progress);
            QMetaObject::invokeMethod(&running, &QEventLoop::quit, Qt::QueuedConnection);
        });
        running.exec(QEventLoop::ExcludeUserInputEvents);
        worker.join();
    }
    messageBox(outcome, this)->exec();
    unsetCursor();
}

} // namespace ostrel
