#pragma once

#include <QWidget>

class QPushButton;

namespace ostrel {

// The program's only window: one button that sorts the route file at its
// fixed place and shows the outcome.
class OstrelSort : public QWidget
{
    Q_OBJECT

public:
    explicit OstrelSort(QWidget *parent = nullptr);

private slots:
    void sortInputFile();

private:
    QPushButton *btnSort;
};

} // namespace ostrel
