#pragma once

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

} // namespace SelectionGeometry
