#pragma once

#include "model/Annotation.h"

#include <QList>
#include <QPainterPath>
#include <QPen>

#include <optional>

// Stateless geometry over annotations: outlines, stroke settings, bounds, anchors and hit tests.
// Everything is in image pixels, origin top left, y down. `scale` multiplies every coordinate and
// length a function produces (1 for export, the view scale on screen).
namespace AnnotationGeometry {

struct StrokeStyle {
    double lineWidth = 1.0;
    Qt::PenCapStyle lineCap = Qt::RoundCap;
    Qt::PenJoinStyle lineJoin = Qt::RoundJoin;
    double miterLimit = 10.0;
    QList<double> dash;
    double dashPhase = 0.0;
};

QPainterPath smoothPath(const QList<QPointF>& points);
// The unrotated shape of an annotation (the caller applies `rotation`).
QPainterPath path(const Annotation& a, double scale);
// The same shape for drawing: of points lying closer than `minSpacing` (in scaled units) to the
// last point kept, only the first and the last point of the annotation always stay. Bounds, hit
// tests and editing keep using every stored point.
QPainterPath drawingPath(const Annotation& a, double scale, double minSpacing);
// `points` without those closer than `minSpacing` to the last kept one; the last point replaces
// the one before it when they are too close, so both ends stay where they are.
QList<QPointF> thinned(const QList<QPointF>& points, double minSpacing);
QPainterPath arrowHead(const Annotation& a, double scale);
StrokeStyle strokeStyle(const Annotation& a, double scale);
// Outer radius of badges and stamps in image pixels (never scaled).
double badgeRadius(const Annotation& a);
// Drawn radius of a badge disc or stamp glyph: badgeRadius without the stamp factor.
double drawnBadgeRadius(const Annotation& a);

QRectF bounds(const Annotation& a);
QPointF toObjectSpace(QPointF p, const Annotation& a);
// Rotates an object-space point onto the canvas (the inverse of toObjectSpace).
QPointF fromObjectSpace(QPointF p, const Annotation& a);
QList<QPointF> rawAnchorPoints(const Annotation& a);
QList<QPointF> closedPoints(const Annotation& a);
double distance(QPointF from, const QList<QPointF>& polyline);
bool polygonContains(const QList<QPointF>& polygon, QPointF p);
bool hitTest(const Annotation& a, QPointF point, double tolerance);

struct SegmentPoint {
    int segmentIndex = 0;
    QPointF point;
    double distance = 0.0;
};
std::optional<SegmentPoint> nearestSegmentPoint(const Annotation& a, QPointF p);

// The font of a `text` annotation at the given scale.
QFont textFont(const Annotation& a, double scale = 1.0);

// Rectangle containment that keeps the maximum edges outside.
inline bool rectContains(const QRectF& r, QPointF p) {
    return p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom();
}

} // namespace AnnotationGeometry

enum class ResizeHandle { topLeft, top, topRight, right, bottomRight, bottom, bottomLeft, left };

template <> constexpr auto caseCount<ResizeHandle>() -> int {
    return 8;
}

namespace ResizeHandles {
// Moves the edges of `rect` that the handle drags by `offset`; the opposite edge never moves and a
// drag past it stops at `minSize` instead of flipping the rectangle.
QRectF resize(ResizeHandle handle, const QRectF& rect, QPointF offset, double minSize);
} // namespace ResizeHandles
