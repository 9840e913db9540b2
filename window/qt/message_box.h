#pragma once

#include <memory>
#include <string_view>

class QMessageBox;
class QWidget;

namespace ostrel {

// The box for a run's message: the application's name as caption, no icon,
// one OK button, and plain text, so record bytes such as "<b>" are never read
// as markup. Success and failure look alike on purpose.
std::unique_ptr<QMessageBox> messageBox(std::string_view message, QWidget *parent);

} // namespace ostrel
