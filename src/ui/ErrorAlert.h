#pragma once

#include "io/IoError.h"

class QWidget;

// The standard error alert: the error's own text (file errors name the file and the reason).
namespace ErrorAlert {
// Shown without blocking, on `window` when there is one.
void present(const IoError& error, QWidget* window = nullptr);
void present(const QString& message, QWidget* window = nullptr);
} // namespace ErrorAlert
