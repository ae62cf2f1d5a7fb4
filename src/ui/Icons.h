#pragma once

#include "model/Annotation.h"

#include <QColor>
#include <QIcon>
#include <QList>
#include <QPalette>

// Pictavo's own icons, drawn with QPainter: no icon theme, so they look the same on every desktop.
// Each icon holds pixmaps for 16, 20 and 24 logical pixels at device pixel ratios 1 and 2, with
// strokes put on whole device pixels. They are drawn in the palette's ButtonText colour (Normal and
// Disabled) and in HighlightedText (Selected), so they read on light and dark themes alike; the
// overloads without a palette use the application palette at the time of the call.
namespace Icons {

enum class Action {
    strokeWidth,
    arrowHead,
    shapeOutlined,
    shapeFilled,
    badgeSolid,
    badgeHollow,
    pasteImage,
    expandCanvas,
    rotateImage,
    rotateLeft,
    rotateRight,
    zoomOut,
    zoomIn,
    undo,
    redo,
    copyObjects,
    findSensitive,
    fineRotate,
    trash,
    flatten,
    copy,
    save,
    // The tray menu and the launcher.
    captureSelection,
    captureWindow,
    captureScreen,
    captureText,
    openImage,
    recent,
    folder
};
inline constexpr int kActionCount = int(Action::folder) + 1;

// The logical sizes every icon carries.
inline constexpr int kSizes[] = {16, 20, 24};

QIcon tool(EditorTool tool);
QIcon tool(EditorTool tool, const QPalette& palette);
QIcon action(Action action);
QIcon action(Action action, const QPalette& palette);

QList<Action> allActions();

// The stamp's own glyph, drawn by the renderer in `color` (and in `selected` for the Selected mode
// of list entries, when given).
QIcon stamp(StampType type, const QColor& color);
QIcon stamp(StampType type, const QColor& color, const QColor& selected);

} // namespace Icons
