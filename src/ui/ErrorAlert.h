#pragma once

#include "io/IoError.h"

class QWidget;

// The standard error alert: the error's own text (file errors name the file and the reason).
// Failures that come while one is still open join it, one line each, instead of stacking alerts
// on one spot.
namespace ErrorAlert {
enum class Severity { error, warning };
// Shown without blocking, on `window` when there is one.
void present(const IoError& error, QWidget* window = nullptr);
void present(const QString& message, QWidget* window = nullptr, Severity severity = Severity::error);
} // namespace ErrorAlert
