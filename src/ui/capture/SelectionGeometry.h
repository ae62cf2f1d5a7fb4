#pragma once

#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QString>

// The arithmetic of the region overlay, free of windows: Qt's y-down coordinates throughout.
namespace SelectionGeometry {

constexpr double kMinSide = 4; // points: a click, a jitter of the hand or a sliver is no selection

QRectF normalized(QPointF a, QPointF b);
bool isLargeEnough(const QRectF& rect);
// "W × H" in device pixels, truncated.
QString sizeLabel(const QRectF& rect, double devicePixelRatio);
// The label's box for text of `text` size: right-aligned under the selection, inside it near the
// bottom of `bounds`, at the selection's left near the left edge.
QRectF labelBox(const QRectF& selection, QSizeF text, const QRectF& bounds);
// The selection (global logical points) as a rectangle of the screen's picture (device pixels),
// clipped to the picture.
QRect captureRect(const QRectF& selection, const QRect& screenGeometry, double devicePixelRatio);

// The edges a handle of an adjustable selection moves (a corner two, the middle of a side one).
enum Edge { left = 1, right = 2, top = 4, bottom = 8 };
inline constexpr double kHandle = 8; // points: the side of a handle, and how near a press must be
// The edges of the handle under `point`, 0 for none.
int handleAt(const QRectF& selection, QPointF point);
// The eight handles' boxes.
QList<QRectF> handles(const QRectF& selection);
// `selection` with the `edges` moved to `point`, normalised (a dragged edge may cross the other).
QRectF resized(const QRectF& selection, int edges, QPointF point);
// `selection` moved the least so it lies inside `bounds` (a larger one keeps its top left inside).
QRectF keptInside(const QRectF& selection, const QRectF& bounds);

} // namespace SelectionGeometry
