#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

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

// What surrounds the canvas in an editor window: a fixed part (margins around the picture, frames,
// the rule, the status bar) and a toolbar whose height depends on the window's width, as it wraps
// into rows.
struct EditorChrome {
    QSize fixed;
    std::function<int(int windowWidth)> toolbarHeight;
};

// How an editor opens a picture: the window's size and the zoom (1 shows each pixel of the picture
// on one pixel of the screen).
struct EditorFit {
    QSize window;
    double zoom = 1;
};

// A picture that fits in 0.8 of the screen's available area opens at 100 %, in a window sized to it
// and its chrome (at least 680 wide, at most the available area: the canvas scrolls when the
// chrome leaves too little room); a larger one is zoomed to fit a window of 0.8 of the screen.
EditorFit editorFit(const ScreenMetrics& screen, QSize imagePixels, const EditorChrome& chrome);

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
