#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

class QScreen;

// Sizes and titles of the editor and preview windows, computed from the screen and the picture
// alone so they can be checked without a display.
namespace WindowGeometry {

// What a window is sized against: the screen's available area in device-independent pixels and
// its device pixel ratio.
struct ScreenMetrics {
    QSize available;
    double devicePixelRatio = 1.0;
};

// Used when there is no screen at all (offscreen, a display that went away).
inline constexpr ScreenMetrics kNoScreen{QSize(1440, 900), 2.0};

// The metrics of `screen`, or kNoScreen without one.
ScreenMetrics metricsOf(const QScreen* screen);

// The editor's initial content size for a picture of `imagePixels`: the picture at its physical
// size plus room for the toolbar and margins, at least 680 wide, at most 80 % of the screen high
// (and wide, unless that is below the minimum).
QSize editorContentSize(const ScreenMetrics& screen, QSize imagePixels);

// The size the preview shows a capture of `imagePixels` at: never enlarged, shrunk to fit
// 640 x 400 keeping its proportions, never smaller than 120 x 80.
QSize previewDisplaySize(QSize imagePixels);

// Where a window of `size` opens: centred in `available`, moved down and right by 28 pixels for each
// window already opened there, so a new one never hides exactly behind another; back to the centre
// when the next step would leave the screen.
QPoint cascadedPosition(QRect available, QSize size, const QList<QPoint>& taken);

// "Edit Screenshot", then " — " and the file's name once the picture has one, then Qt's
// unsaved-changes mark "[*]" (shown as "*" while the window is modified).
QString editorTitle(const QString& filePath = {});

} // namespace WindowGeometry
