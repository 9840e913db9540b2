#include "window/qt/ostrel_sort.h"

#include "sorting/sort_run.h"
#include "window/qt/message_box.h"

#include <QMessageBox>
#include <QPushButton>

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

// The run holds the window until its message box is dismissed; the box is
// application-modal, so the window takes no clicks meanwhile.
void OstrelSort::sortInputFile()
{
    setCursor(Qt::WaitCursor);
    const SortOutcome outcome = SortInputFile();
    messageBox(outcome, this)->exec();
    unsetCursor();
}

} // namespace ostrel
