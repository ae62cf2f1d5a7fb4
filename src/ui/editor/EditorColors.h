#pragma once

#include <QColor>
#include <QPalette>

// Colours the editor's widgets share, derived from the desktop's palette.
namespace EditorColors {

// The background around the canvas, also under transparent parts of the picture.
inline QColor underPage(const QPalette& palette) {
    return palette.color(QPalette::Window).darker(108);
}

} // namespace EditorColors
