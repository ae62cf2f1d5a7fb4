#include "editor/ObjectManipulation.h"

#include "editor/EditorModel.h"

#include <cmath>

namespace ObjectManipulation {

namespace Geo = AnnotationGeometry;

namespace {

double distance(QPointF a, QPointF b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

// A canvas offset turned into the annotation's unrotated frame.
QPointF toObjectOffset(QPointF d, double radians) {
    if (radians == 0) return d;
    return QPointF(d.x() * std::cos(radians) + d.y() * std::sin(radians),
                   -d.x() * std::sin(radians) + d.y() * std::cos(radians));
}

std::optional<int> vertexNear(const Annotation& a, QPointF q, double tol) {
    for (qsizetype k = 0; k < a.points.size(); ++k)
        if (distance(a.points[k], q) <= tol) return int(k);
    return std::nullopt;
}

bool isCorner(ResizeHandle h) {
    return h == ResizeHandle::topLeft || h == ResizeHandle::topRight || h == ResizeHandle::bottomRight ||
           h == ResizeHandle::bottomLeft;
}

} // namespace

QList<ResizeHandle> selectionHandles(const Annotation& a) {
    using H = ResizeHandle;
    const ToolFamily family = EditorTools::traits(a.tool).family;
    if (family == ToolFamily::badge || family == ToolFamily::text)
        return {H::topLeft, H::topRight, H::bottomRight, H::bottomLeft};
    return {H::topLeft, H::top, H::topRight, H::right, H::bottomRight, H::bottom, H::bottomLeft, H::left};
}

QPointF handlePosition(ResizeHandle handle, const QRectF& b) {
    switch (handle) {
    case ResizeHandle::topLeft:
        return b.topLeft();
    case ResizeHandle::top:
        return QPointF(b.center().x(), b.top());
    case ResizeHandle::topRight:
        return b.topRight();
    case ResizeHandle::right:
        return QPointF(b.right(), b.center().y());
    case ResizeHandle::bottomRight:
        return b.bottomRight();
    case ResizeHandle::bottom:
        return QPointF(b.center().x(), b.bottom());
    case ResizeHandle::bottomLeft:
        return b.bottomLeft();
    case ResizeHandle::left:
        return QPointF(b.left(), b.center().y());
    }
    return b.topLeft();
}

QPointF knobPosition(const Annotation& a, double scale) {
    const QRectF b = Geo::bounds(a);
    return QPointF(b.center().x(), b.top() - kKnobDistance / scale);
}

std::optional<int> hitIndex(const EditorModel& model, QPointF point, double scale) {
    const QList<Annotation> layered = model.layeredAnnotations();
    for (qsizetype i = layered.size() - 1; i >= 0; --i) {
        if (!Geo::hitTest(layered[i], point, kPickTolerance / scale)) continue;
        const QList<Annotation>& list = model.annotations();
        for (qsizetype k = 0; k < list.size(); ++k)
            if (list[k].id == layered[i].id) return int(k);
        return std::nullopt;
    }
    return std::nullopt;
}

DragMode handleMode(const Annotation& a, int index, QPointF point, double scale) {
    const double tol = kGrabRadius / scale;
    const QPointF q = Geo::toObjectSpace(point, a);
    if (distance(q, knobPosition(a, scale)) <= tol) return DragMode::rotate(index);
    if (EditorTools::isVertexEditable(a.tool)) {
        if (auto k = vertexNear(a, q, tol)) return DragMode::vertexOf(index, *k);
        return {};
    }
    const QRectF b = Geo::bounds(a);
    for (ResizeHandle h : selectionHandles(a))
        if (distance(q, handlePosition(h, b)) <= tol) return DragMode::resize(index, h);
    if (a.tool == EditorTool::image)
        if (auto k = vertexNear(a, q, tol)) return DragMode::vertexOf(index, *k);
    return {};
}

DragMode dragModeAt(EditorModel& model, QPointF point, double scale, bool shift, bool* marqueeEligible) {
    if (shift) {
        const std::optional<int> hit = hitIndex(model, point, scale);
        if (hit) model.toggleSelection(model.annotations()[*hit].id);
        *marqueeEligible = !hit;
        return {};
    }
    *marqueeEligible = false;
    if (const std::optional<int> s = model.selectedIndex()) {
        const DragMode m = handleMode(model.annotations()[*s], *s, point, scale);
        if (!m.isNone()) return m;
    }
    const std::optional<int> hit = hitIndex(model, point, scale);
    if (!hit) {
        model.setSelectedID(std::nullopt);
        *marqueeEligible = true;
        return {};
    }
    const Annotation& a = model.annotations()[*hit];
    model.setSelectedID(a.id);
    if (EditorTools::isVertexEditable(a.tool) || a.tool == EditorTool::image)
        if (auto k = vertexNear(a, Geo::toObjectSpace(point, a), kGrabRadius / scale))
            return DragMode::vertexOf(*hit, *k);
    return DragMode::move(*hit);
}

Annotation transformed(EditorModel& model, const Annotation& a, const DragMode& mode, QPointF start,
                       QPointF current, double scale) {
    Annotation r = a;
    const QPointF d = current - start;
    switch (mode.kind) {
    case DragMode::Kind::none:
        break;
    case DragMode::Kind::move:
        EditorModel::translate(r, d);
        break;
    case DragMode::Kind::vertex: {
        const int k = mode.vertex;
        if (k < 0 || k >= a.points.size()) break;
        QPointF p = a.points[k] + toObjectOffset(d, a.rotation);
        const bool lineEnd = (a.tool == EditorTool::line || a.tool == EditorTool::arrow) &&
                             (k == 0 || k == a.points.size() - 1);
        if (a.rotation == 0 && (lineEnd || a.tool == EditorTool::polygon)) {
            const std::optional<QPointF> snapped = model.snapPoint(p, a.id, kSnapRadius / scale);
            model.setSnapIndicator(snapped);
            if (snapped) p = *snapped;
        }
        r.points[k] = p;
        break;
    }
    case DragMode::Kind::resize: {
        const QRectF b = Geo::bounds(a);
        if (b.width() <= 0 || b.height() <= 0) break;
        const QRectF n = ResizeHandles::resize(mode.handle, b, toObjectOffset(d, a.rotation), kMinResize);
        const ToolFamily family = EditorTools::traits(a.tool).family;
        if (family == ToolFamily::badge) {
            r.width = std::max(std::min(n.width(), n.height()) * kBadgeSizeFactor, 1.0);
            r.points = {n.center()};
        } else if (family == ToolFamily::text) {
            r.points = {n.topLeft()};
            r.fontSize = std::max(a.fontSize * n.height() / b.height(), kMinFontSize);
        } else {
            const double sx = n.width() / b.width(), sy = n.height() / b.height();
            auto map = [&](QPointF p) {
                return QPointF(n.left() + sx * (p.x() - b.left()), n.top() + sy * (p.y() - b.top()));
            };
            for (QPointF& p : r.points)
                p = map(p);
            // Corners scale the picture; edges only move its clip outline, cropping it.
            if (a.tool == EditorTool::image && isCorner(mode.handle)) {
                const QRectF& f = a.imageFrame;
                r.imageFrame = QRectF(map(f.topLeft()), QSizeF(sx * f.width(), sy * f.height()));
            }
        }
        break;
    }
    case DragMode::Kind::rotate: {
        const QPointF c = Geo::bounds(a).center();
        const double delta = std::atan2(current.y() - c.y(), current.x() - c.x()) -
                             std::atan2(start.y() - c.y(), start.x() - c.x());
        EditorModel::rotate(r, delta);
        break;
    }
    }
    return r;
}

double rotationDegrees(const EditorModel& model, int index) {
    if (index < 0 || index >= model.annotations().size()) return 0;
    double deg = std::fmod(model.annotations()[index].rotation * 180.0 / M_PI, 360.0);
    if (deg > 180) deg -= 360;
    if (deg < -180) deg += 360;
    return std::round(deg * 10) / 10;
}

} // namespace ObjectManipulation
