#pragma once

#include "sorting/sort_outcome.h"

#include <memory>

class QMessageBox;
class QWidget;

namespace ostrel {

// The box for a run's outcome: the application's name as caption, no icon,
// one OK button, and plain text, so record bytes such as "<b>" are never read
// as markup. Success and failure look alike on purpose.
std::unique_ptr<QMessageBox> messageBox(const SortOutcome &outcome, QWidget *parent);

} // namespace ostrel
