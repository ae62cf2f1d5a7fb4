#include "model/AnnotationGeometry.h"

#include "graphics/DrawingSurface.h"

#include <cmath>
#include <limits>

namespace AnnotationGeometry {

namespace {

QPointF firstPointOrOrigin(const Annotation& a) {
    return a.points.isEmpty() ? QPointF() : a.points.first();
}

double length(QPointF v) {
    return std::hypot(v.x(), v.y());
}

double segmentDistance(QPointF p, QPointF a, QPointF b, QPointF* foot = nullptr) {
    const QPointF v = b - a;
    const double vv = QPointF::dotProduct(v, v);
    double t = vv == 0 ? 0.0 : QPointF::dotProduct(p - a, v) / vv;
    t = std::clamp(t, 0.0, 1.0);
    const QPointF f = a + t * v;
    if (foot) *foot = f;
    return length(p - f);
}

QRectF pointsBounds(const QList<QPointF>& points) {
    if (points.isEmpty()) return QRectF();
    double minX = points.first().x(), maxX = minX, minY = points.first().y(), maxY = minY;
    for (const QPointF& p : points) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    return QRectF(minX, minY, maxX - minX, maxY - minY);
}

QList<QPointF> scaled(const QList<QPointF>& points, double s) {
    QList<QPointF> out;
    out.reserve(points.size());
    for (const QPointF& p : points)
        out.append(p * s);
    return out;
}

double headLength(const Annotation& a, double s) {
    return s * (3.0 * a.width + 8.0) * a.headScale;
}

} // namespace

QPainterPath smoothPath(const QList<QPointF>& p) {
    QPainterPath path;
    const qsizetype n = p.size();
    if (n == 0) return path;
    path.moveTo(p[0]);
    if (n == 2) {
        path.lineTo(p[1]);
        return path;
    }
    if (n == 1) {
        // QPainterPath drops a zero-length line; a thousandth of a pixel keeps the round cap's dot.
        path.lineTo(p[0] + QPointF(1e-3, 0));
        return path;
    }
    for (qsizetype k = 1; k < n; ++k)
        path.quadTo(p[k - 1], (p[k - 1] + p[k]) / 2.0);
    path.lineTo(p[n - 1]);
    return path;
}

QList<QPointF> thinned(const QList<QPointF>& points, double minSpacing) {
    if (!(minSpacing > 0) || points.size() <= 2) return points;
    const double limit = minSpacing * minSpacing;
    auto close = [limit](QPointF a, QPointF b) {
        const QPointF d = a - b;
        return QPointF::dotProduct(d, d) < limit;
    };
    QList<QPointF> out;
    out.append(points.first());
    const qsizetype n = points.size();
    for (qsizetype i = 1; i + 1 < n; ++i)
        if (!close(points[i], out.last())) out.append(points[i]);
    if (out.size() > 1 && close(points[n - 1], out.last()))
        out.last() = points[n - 1];
    else
        out.append(points[n - 1]);
    return out;
}

QPainterPath path(const Annotation& a, double s) {
    return drawingPath(a, s, 0);
}

QPainterPath drawingPath(const Annotation& a, double s, double minSpacing) {
    QPainterPath path;
    switch (a.tool) {
    case EditorTool::pen:
    case EditorTool::highlighter:
        return smoothPath(thinned(scaled(a.points, s), minSpacing));
    case EditorTool::line: {
        if (a.points.size() < 2) return path;
        const QList<QPointF> p = thinned(scaled(a.points, s), minSpacing);
        path.moveTo(p[0]);
        for (qsizetype i = 1; i < p.size(); ++i)
            path.lineTo(p[i]);
        return path;
    }
    case EditorTool::arrow: {
        const qsizetype n = a.points.size();
        if (n < 2) return path;
        const QPointF tip = a.points[n - 1] * s;
        const QPointF d = tip - a.points[n - 2] * s;
        const double len = length(d);
        if (!(len > 0.5)) return path;
        const double inset = std::min(0.75 * headLength(a, s), 0.6 * len);
        // The last segment sets the head: only the vertices before it are thinned.
        const QList<QPointF> p = thinned(scaled(a.points.first(n - 1), s), minSpacing);
        path.moveTo(p[0]);
        for (qsizetype i = 1; i < p.size(); ++i)
            path.lineTo(p[i]);
        path.lineTo(tip - inset * d / len);
        return path;
    }
    case EditorTool::rect: {
        const QRectF r = a.rect();
        path.addRect(QRectF(r.x() * s, r.y() * s, r.width() * s, r.height() * s));
        return path;
    }
    case EditorTool::ellipse: {
        const QRectF r = a.rect();
        path.addEllipse(QRectF(r.x() * s, r.y() * s, r.width() * s, r.height() * s));
        return path;
    }
    case EditorTool::polygon:
    case EditorTool::image: {
        if (a.points.isEmpty()) return path;
        const QList<QPointF> p = thinned(scaled(a.points, s), minSpacing);
        path.moveTo(p[0]);
        for (qsizetype i = 1; i < p.size(); ++i)
            path.lineTo(p[i]);
        path.closeSubpath();
        return path;
    }
    case EditorTool::select:
    case EditorTool::stamp:
    case EditorTool::dot:
    case EditorTool::check:
    case EditorTool::blur:
    case EditorTool::redact:
    case EditorTool::text:
    case EditorTool::crop:
        return path;
    }
    return path;
}

QPainterPath arrowHead(const Annotation& a, double s) {
    QPainterPath path;
    const qsizetype n = a.points.size();
    if (n < 2) return path;
    const QPointF tip = a.points[n - 1] * s;
    const QPointF prev = a.points[n - 2] * s;
    if (tip == prev) return path;
    const double headingRadians = std::atan2(tip.y() - prev.y(), tip.x() - prev.x());
    const double L = headLength(a, s);
    const QPointF c1 = tip - L * QPointF(std::cos(headingRadians - M_PI / 6), std::sin(headingRadians - M_PI / 6));
    const QPointF c2 = tip - L * QPointF(std::cos(headingRadians + M_PI / 6), std::sin(headingRadians + M_PI / 6));
    path.moveTo(tip);
    path.lineTo(c1);
    path.lineTo(c2);
    path.closeSubpath();
    return path;
}

StrokeStyle strokeStyle(const Annotation& a, double s) {
    StrokeStyle style;
    const bool highlighter = a.tool == EditorTool::highlighter;
    style.lineWidth = s * (highlighter ? 4.0 * a.width : a.width);
    style.lineCap = highlighter ? Qt::FlatCap : Qt::RoundCap;
    style.lineJoin = Qt::RoundJoin;
    return style;
}

double drawnBadgeRadius(const Annotation& a) {
    return std::max(4.0 * a.width, 6.0);
}

double badgeRadius(const Annotation& a) {
    const double r = drawnBadgeRadius(a);
    if (a.tool == EditorTool::stamp && a.stamp != StampType::numberCircle) return 1.3 * r;
    return r;
}

QFont textFont(const Annotation& a, double scale) {
    return DrawingSurface::systemFont(a.fontSize * scale, DrawingSurface::FontWeight::semibold);
}

QRectF bounds(const Annotation& a) {
    switch (a.tool) {
    case EditorTool::pen:
    case EditorTool::highlighter:
    case EditorTool::line:
    case EditorTool::arrow:
    case EditorTool::polygon:
    case EditorTool::image:
        return pointsBounds(a.points);
    case EditorTool::stamp:
    case EditorTool::dot:
    case EditorTool::check: {
        const QPointF c = firstPointOrOrigin(a);
        const double r = badgeRadius(a);
        return QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r);
    }
    case EditorTool::text: {
        const QSizeF size = DrawingSurface::measureText(a.text, textFont(a));
        return QRectF(firstPointOrOrigin(a), QSizeF(std::ceil(size.width()) + 2, std::ceil(size.height())));
    }
    case EditorTool::select:
    case EditorTool::rect:
    case EditorTool::ellipse:
    case EditorTool::blur:
    case EditorTool::redact:
    case EditorTool::crop:
        return a.rect();
    }
    return a.rect();
}

QPointF toObjectSpace(QPointF p, const Annotation& a) {
    const double t = a.rotation;
    if (t == 0) return p;
    const QPointF c = bounds(a).center();
    const QPointF d = p - c;
    return QPointF(c.x() + std::cos(t) * d.x() + std::sin(t) * d.y(),
                   c.y() - std::sin(t) * d.x() + std::cos(t) * d.y());
}

QPointF fromObjectSpace(QPointF p, const Annotation& a) {
    const double t = a.rotation;
    if (t == 0) return p;
    const QPointF c = bounds(a).center();
    const QPointF d = p - c;
    return QPointF(c.x() + std::cos(t) * d.x() - std::sin(t) * d.y(),
                   c.y() + std::sin(t) * d.x() + std::cos(t) * d.y());
}

QList<QPointF> rawAnchorPoints(const Annotation& a) {
    auto corners = [](const QRectF& r) {
        return QList<QPointF>{r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
    };
    auto midpoints = [](const QRectF& r) {
        return QList<QPointF>{QPointF(r.center().x(), r.top()), QPointF(r.right(), r.center().y()),
                              QPointF(r.center().x(), r.bottom()), QPointF(r.left(), r.center().y())};
    };
    switch (a.tool) {
    case EditorTool::pen:
    case EditorTool::highlighter:
    case EditorTool::line:
    case EditorTool::arrow:
        if (a.points.isEmpty()) return {};
        return {a.points.first(), a.points.last()};
    case EditorTool::rect:
    case EditorTool::blur:
    case EditorTool::redact: {
        const QRectF r = a.rect();
        return corners(r) + midpoints(r) + QList<QPointF>{r.center()};
    }
    case EditorTool::ellipse: {
        const QRectF r = a.rect();
        return midpoints(r) + QList<QPointF>{r.center()};
    }
    case EditorTool::stamp:
    case EditorTool::dot:
    case EditorTool::check: {
        const QPointF c = firstPointOrOrigin(a);
        const double r = badgeRadius(a);
        return {c, QPointF(c.x(), c.y() - r), QPointF(c.x() + r, c.y()), QPointF(c.x(), c.y() + r),
                QPointF(c.x() - r, c.y())};
    }
    case EditorTool::text: {
        const QRectF r = bounds(a);
        return corners(r) + midpoints(r);
    }
    case EditorTool::polygon:
    case EditorTool::image:
        return a.points + QList<QPointF>{bounds(a).center()};
    case EditorTool::select:
    case EditorTool::crop:
        return {};
    }
    return {};
}

QList<QPointF> closedPoints(const Annotation& a) {
    if (a.points.isEmpty()) return {};
    QList<QPointF> out = a.points;
    out.append(a.points.first());
    return out;
}

double distance(QPointF from, const QList<QPointF>& q) {
    if (q.isEmpty()) return std::numeric_limits<double>::infinity();
    if (q.size() == 1) return length(from - q[0]);
    double best = std::numeric_limits<double>::infinity();
    for (qsizetype k = 0; k + 1 < q.size(); ++k)
        best = std::min(best, segmentDistance(from, q[k], q[k + 1]));
    return best;
}

bool polygonContains(const QList<QPointF>& q, QPointF p) {
    const qsizetype n = q.size();
    if (n < 3) return false;
    bool inside = false;
    for (qsizetype i = 0, j = n - 1; i < n; j = i++) {
        if ((p.y() < q[i].y()) != (p.y() < q[j].y()) &&
            p.x() < q[i].x() + (p.y() - q[i].y()) * (q[j].x() - q[i].x()) / (q[j].y() - q[i].y()))
            inside = !inside;
    }
    return inside;
}

bool hitTest(const Annotation& a, QPointF p, double t) {
    if (a.rotation != 0) p = toObjectSpace(p, a);
    const double w = a.width;
    switch (a.tool) {
    case EditorTool::select:
    case EditorTool::crop:
        return false;
    case EditorTool::pen:
    case EditorTool::line:
    case EditorTool::arrow:
        return distance(p, a.points) <= t + w / 2;
    case EditorTool::highlighter:
        return distance(p, a.points) <= t + 2 * w;
    case EditorTool::stamp:
    case EditorTool::dot:
    case EditorTool::check:
        return length(p - firstPointOrOrigin(a)) <= t + badgeRadius(a);
    case EditorTool::rect: {
        const QRectF r = a.rect();
        if (a.filled && rectContains(r.adjusted(-t, -t, t, t), p)) return true;
        const QList<QPointF> outline{r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft(), r.topLeft()};
        return distance(p, outline) <= t + w / 2;
    }
    case EditorTool::ellipse: {
        const QRectF r = a.rect();
        if (r.width() <= 1 || r.height() <= 1) return false;
        const double ex = (p.x() - r.center().x()) / (r.width() / 2);
        const double ey = (p.y() - r.center().y()) / (r.height() / 2);
        const double e = std::sqrt(ex * ex + ey * ey);
        if (a.filled && e <= 1) return true;
        return std::abs(e - 1) <= (t + w / 2) / (std::min(r.width(), r.height()) / 2);
    }
    case EditorTool::polygon:
        if (a.filled && polygonContains(a.points, p)) return true;
        return distance(p, closedPoints(a)) <= t + w / 2;
    case EditorTool::image:
        return polygonContains(a.points, p) || distance(p, closedPoints(a)) <= t;
    case EditorTool::blur:
    case EditorTool::redact:
        return rectContains(a.rect().adjusted(-t, -t, t, t), p);
    case EditorTool::text:
        return rectContains(bounds(a).adjusted(-t, -t, t, t), p);
    }
    return false;
}

std::optional<SegmentPoint> nearestSegmentPoint(const Annotation& a, QPointF p) {
    const QList<QPointF> q =
        (a.tool == EditorTool::polygon || a.tool == EditorTool::image) ? closedPoints(a) : a.points;
    if (q.size() < 2) return std::nullopt;
    std::optional<SegmentPoint> best;
    for (qsizetype k = 0; k + 1 < q.size(); ++k) {
        QPointF foot;
        const double d = segmentDistance(p, q[k], q[k + 1], &foot);
        if (!best || d < best->distance) best = SegmentPoint{int(k), foot, d};
    }
    return best;
}

} // namespace AnnotationGeometry

QRectF ResizeHandles::resize(ResizeHandle h, const QRectF& r, QPointF offset, double m) {
    using H = ResizeHandle;
    double minX = r.left(), minY = r.top(), maxX = r.right(), maxY = r.bottom();
    const double dx = offset.x(), dy = offset.y();
    if (h == H::topLeft || h == H::top || h == H::topRight) minY += dy;
    if (h == H::bottomRight || h == H::bottom || h == H::bottomLeft) maxY += dy;
    if (h == H::topLeft || h == H::bottomLeft || h == H::left) minX += dx;
    if (h == H::topRight || h == H::right || h == H::bottomRight) maxX += dx;
    if (maxX - minX < m) {
        if (h == H::topLeft || h == H::bottomLeft || h == H::left)
            minX = maxX - m;
        else
            maxX = minX + m;
    }
    if (maxY - minY < m) {
        if (h == H::topLeft || h == H::top || h == H::topRight)
            minY = maxY - m;
        else
            maxY = minY + m;
    }
    return QRectF(minX, minY, maxX - minX, maxY - minY);
}
