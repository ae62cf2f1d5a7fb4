#pragma once

#include <functional>

class QMessageBox;

// The one-time offer to bind the Print key to "Capture Selection": a question that is not modal
// (captures and the menu keep working while it waits), deleted once answered.
namespace PrintKeyDialog {

// Shows the question; `answered(true)` for "Bind Print", `answered(false)` for "Not now" or
// when it is closed otherwise (Escape, the window's close button). Called once.
QMessageBox* show(std::function<void(bool bind)> answered);

} // namespace PrintKeyDialog
