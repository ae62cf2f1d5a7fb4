#include "render/EditorRenderer.h"

#include "model/AnnotationGeometry.h"
#include "graphics/DrawingSurface.h"
#include "graphics/ImagePool.h"
#include "render/StampGlyphs.h"

#include <QPaintDevice>
#include <QPainter>
#include <QTransform>

#include <cmath>
#include <cstring>

namespace EditorRenderer {

namespace {

using DrawingSurface::FontWeight;
namespace Geo = AnnotationGeometry;

constexpr double kGap = 3.0;

QPointF firstPoint(const Annotation& a) {
    return a.points.isEmpty() ? QPointF() : a.points.first();
}

// Fonts sized in pixels of the device being painted (96 dpi for images, the screen's own for views).
QFont fontFor(const QPainter& painter, double px, FontWeight weight) {
    const QPaintDevice* device = painter.device();
    return DrawingSurface::systemFont(px, weight, device ? device->logicalDpiY() : 96.0);
}

// A one-line label with its top-left corner at `topLeft`; measured on the 96-dpi device.
void drawLabel(QPainter& painter, const QString& text, double px, FontWeight weight, const QColor& color,
               QPointF center, bool centerVertically, double top = 0) {
    const QSizeF size = DrawingSurface::measureLine(text, DrawingSurface::systemFont(px, weight));
    const QPointF topLeft(center.x() - size.width() / 2,
                          centerVertically ? center.y() - size.height() / 2 : top);
    DrawingSurface::drawLine(painter, topLeft, text, fontFor(painter, px, weight), color);
}

// Qt's antialiasing rasteriser keeps each row's cells in a list, so an outline whose rows cross
// many edges costs the square of them (a filled 300-point zigzag across a 5K picture took 12 s;
// the same without antialiasing 14 ms). Such outlines are filled through a coverage mask drawn
// without antialiasing at twice the resolution and averaged down: the same look at the edges
// within a few levels, and linear work. Ordinary shapes cross a row two or four times.
constexpr double kComplexRowCrossings = 12;

// How many edges an average row of the outline's box crosses, in device space.
double rowCrossings(const QPainterPath& devicePath) {
    double rows = 0;
    QPointF start, previous;
    for (int i = 0; i < devicePath.elementCount(); ++i) {
        const QPainterPath::Element e = devicePath.elementAt(i);
        if (e.isMoveTo()) {
            rows += std::abs(previous.y() - start.y()); // the closing edge of the last subpath
            start = previous = e;
            continue;
        }
        rows += std::abs(e.y - previous.y());
        previous = e;
    }
    rows += std::abs(previous.y() - start.y());
    const double height = devicePath.controlPointRect().height();
    return height > 0 ? rows / height : 0;
}

// The device pixels a device-space outline may touch: its box within the device and the clip.
QRect deviceArea(const QPainter& painter, const QPainterPath& devicePath) {
    const QPaintDevice* device = painter.device();
    const qreal dpr = device->devicePixelRatioF();
    QRect area = devicePath.controlPointRect().toAlignedRect().intersected(
        QRect(QPoint(), QSize(device->width(), device->height()) * dpr));
    if (painter.hasClipping())
        area &= painter.deviceTransform().mapRect(painter.clipBoundingRect()).toAlignedRect().adjusted(-1, -1, 1, 1);
    return area;
}

// Premultiplied white whose alpha is the outline's coverage of each pixel of `area`.
QImage coverage(const QPainterPath& devicePath, const QRect& area) {
    QImage fine(area.size() * 2, QImage::Format_Alpha8);
    QImage out(area.size(), QImage::Format_ARGB32_Premultiplied);
    if (fine.isNull() || out.isNull()) return QImage();
    fine.fill(0);
    {
        QPainter p(&fine);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.scale(2, 2);
        p.translate(-area.topLeft());
        QPainterPath winding = devicePath;
        winding.setFillRule(Qt::WindingFill);
        p.fillPath(winding, QColor(0, 0, 0, 255));
    }
    for (int y = 0; y < out.height(); ++y) {
        const uchar* a = fine.constScanLine(2 * y);
        const uchar* b = fine.constScanLine(2 * y + 1);
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const uint v = (uint(a[2 * x]) + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + 2) / 4;
            row[x] = qRgba(v, v, v, v);
        }
    }
    return out;
}

// Draws `tile` (device pixels of `area`) with the painter's composition and clip, untransformed.
void drawDeviceTile(QPainter& painter, const QRect& area, const QImage& tile) {
    painter.save();
    painter.resetTransform();
    const qreal dpr = painter.device()->devicePixelRatioF();
    painter.scale(1 / dpr, 1 / dpr);
    painter.drawImage(area.topLeft(), tile);
    painter.restore();
}

// True when the outline was filled through a mask (it crosses its rows too often for Qt).
bool fillComplex(QPainter& painter, const QPainterPath& path, const QColor& color) {
    const QPainterPath device = painter.deviceTransform().map(path);
    if (rowCrossings(device) <= kComplexRowCrossings) return false;
    const QRect area = deviceArea(painter, device);
    if (area.isEmpty()) return true;
    QImage tile = coverage(device, area);
    if (tile.isNull()) return true;
    {
        QPainter p(&tile);
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(tile.rect(), color);
    }
    drawDeviceTile(painter, area, tile);
    return true;
}

void fillPath(QPainter& painter, QPainterPath path, const QColor& color) {
    path.setFillRule(Qt::WindingFill);
    if (fillComplex(painter, path, color)) return;
    painter.fillPath(path, color);
}

// Segments stroked in one go once a path has more than kWholeSegments. The rasteriser keeps the
// outline's cells of each row in a list, so an outline that crosses itself thousands of times
// costs the square of its crossings (20000 wide segments took tens of seconds). Ordinary strokes
// stay whole: where runs meet, antialiased edges are laid twice.
constexpr int kPieceSegments = 200;
constexpr int kWholeSegments = 3000;

// `path` cut into runs of kPieceSegments segments; each run repeats the last segment of the one
// before it, so the joint is stroked with its join, as in the whole path.
QList<QPainterPath> pieces(const QPainterPath& path) {
    QList<QPainterPath> out;
    QPainterPath piece;
    int count = 0;
    QPointF start, current;    // the last segment's start, and where the path is
    QPointF last[3];           // the last segment: its end, or its two controls and end
    bool lastIsCurve = false, haveLast = false;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            piece.moveTo(e);
            current = e;
            haveLast = false;
            continue;
        }
        if (count == kPieceSegments) {
            out.append(piece);
            piece = QPainterPath();
            count = 0;
            if (haveLast) {
                piece.moveTo(start);
                if (lastIsCurve)
                    piece.cubicTo(last[0], last[1], last[2]);
                else
                    piece.lineTo(last[0]);
                ++count;
            } else {
                piece.moveTo(current);
            }
        }
        start = current;
        if (e.isCurveTo() && i + 2 < path.elementCount()) {
            last[0] = e;
            last[1] = path.elementAt(i + 1);
            last[2] = path.elementAt(i + 2);
            piece.cubicTo(last[0], last[1], last[2]);
            current = last[2];
            lastIsCurve = true;
            i += 2;
        } else {
            last[0] = e;
            piece.lineTo(e);
            current = e;
            lastIsCurve = false;
        }
        haveLast = true;
        ++count;
    }
    if (!piece.isEmpty()) out.append(piece);
    return out;
}

void strokePath(QPainter& painter, const QPainterPath& path, const QColor& color, double width,
                Qt::PenCapStyle cap) {
    if (!(width >= 0) || !std::isfinite(width)) return;
    QPen pen(color, width, Qt::SolidLine, cap, Qt::RoundJoin);
    if (path.elementCount() <= 3 * kWholeSegments) {
        painter.strokePath(path, pen);
        return;
    }
    const QList<QPainterPath> runs = pieces(path);
    if (color.alpha() == 255 && painter.compositionMode() == QPainter::CompositionMode_SourceOver) {
        // Opaque ink over opaque ink of the same colour: where runs overlap nothing changes.
        for (const QPainterPath& run : runs)
            painter.strokePath(run, pen);
        return;
    }
    // Translucent or blended ink: the runs in an opaque layer, laid on once as the whole path.
    const QPaintDevice* device = painter.device();
    const qreal dpr = device->devicePixelRatioF();
    QImage layer(QSize(device->width(), device->height()) * dpr, QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull()) return;
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHints(painter.renderHints());
        p.setTransform(painter.deviceTransform());
        QColor opaque = color;
        opaque.setAlpha(255);
        pen.setColor(opaque);
        for (const QPainterPath& run : runs)
            p.strokePath(run, pen);
    }
    layer.setDevicePixelRatio(dpr);
    painter.save();
    painter.resetTransform();
    painter.setOpacity(painter.opacity() * color.alphaF());
    painter.drawImage(QPointF(0, 0), layer);
    painter.restore();
}

// Points closer than this many device pixels add nothing visible but cost stroking time.
constexpr double kPointSpacing = 0.25;

// The spacing, in the painter's user units, below which points of a path are left out.
double pointSpacing(const QPainter& painter) {
    const QTransform& t = painter.deviceTransform();
    // The largest stretch of the linear part: a rotation keeps it, a zoom or device ratio sets it.
    const double sum = t.m11() * t.m11() + t.m12() * t.m12() + t.m21() * t.m21() + t.m22() * t.m22();
    const double det = t.m11() * t.m22() - t.m12() * t.m21();
    const double stretch = std::sqrt((sum + std::sqrt(std::max(sum * sum - 4 * det * det, 0.0))) / 2);
    if (!(stretch > 0) || !std::isfinite(stretch)) return 0;
    return kPointSpacing / stretch;
}

void drawStroked(const Annotation& a, QPainter& painter, double s) {
    const bool highlighter = a.tool == EditorTool::highlighter;
    QColor color = a.color;
    if (highlighter) color.setAlphaF(0.5f);
    if (EditorTools::traits(a.tool).family == ToolFamily::stroke && !a.points.isEmpty() &&
        std::all_of(a.points.cbegin(), a.points.cend(), [&](QPointF p) { return p == a.points.first(); })) {
        // A click with the pen leaves a round dot of the stroke's width, as paint programs do (a
        // path of no length would draw nothing).
        const double radius = Geo::strokeStyle(a, s).lineWidth / 2;
        painter.save();
        if (highlighter) painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawEllipse(a.points.first() * s, radius, radius);
        painter.restore();
        return;
    }
    const QPainterPath path = Geo::drawingPath(a, s, pointSpacing(painter));
    if (a.filled && EditorTools::isFillable(a.tool)) {
        fillPath(painter, path, color);
        return;
    }
    const Geo::StrokeStyle style = Geo::strokeStyle(a, s);
    painter.save();
    // Overlapping highlighter strokes darken like ink on paper.
    if (highlighter) painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    strokePath(painter, path, color, style.lineWidth, style.lineCap);
    painter.restore();
    if (a.tool == EditorTool::arrow) fillPath(painter, Geo::arrowHead(a, s), color);
}

void drawBlur(const Annotation& a, QPainter& painter, const Scene& scene, double s, bool onScreen) {
    const QRectF r = a.rect();
    if (r.width() < 1 || r.height() < 1) return;
    const QImage blurred = scene.blurred();
    if (blurred.isNull()) return;
    const QSizeF size = QSizeF(scene.baseImage.size());
    if (onScreen && a.rotation == 0) {
        const QRect piece = r.toAlignedRect().intersected(QRect(QPoint(), size.toSize()));
        if (piece.isEmpty()) return;
        const QRectF target(piece.x() * s, piece.y() * s, piece.width() * s, piece.height() * s);
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(target, blurred, QRectF(piece));
        painter.restore();
        return;
    }
    painter.save();
    const QRectF clip(r.x() * s, r.y() * s, r.width() * s, r.height() * s);
    painter.setClipRect(clip, Qt::IntersectClip);
    // Only the covered piece, in whole source pixels: drawing the whole copy through a clip costs a
    // full-image pass for every region.
    const QRect source = QRectF(r.x(), r.y(), r.width(), r.height())
                             .intersected(QRectF(QPointF(), size))
                             .toAlignedRect()
                             .intersected(QRect(QPoint(), size.toSize()));
    if (source.isEmpty()) {
        painter.restore();
        return;
    }
    const QRectF target(source.x() * s, source.y() * s, source.width() * s, source.height() * s);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, a.rotation != 0 || s != 1);
    painter.drawImage(target, blurred, QRectF(source));
    painter.restore();
}

// Every device pixel the box touches, in one opaque colour, also where the box is turned: the
// saved picture hides all of what the box covers and nothing beside it.
void drawRedaction(const Annotation& a, QPainter& painter, double s) {
    const QRectF r = a.rect();
    if (!(r.width() > 0) || !(r.height() > 0)) return;
    DrawingSurface::fillCovered(painter, QPolygonF(scaled(r, s)), a.color);
}

void drawPicture(const Annotation& a, QPainter& painter, double s) {
    if (a.image.isNull() || a.points.size() <= 2) return;
    QPainterPath clip = Geo::drawingPath(a, s, pointSpacing(painter));
    clip.setFillRule(Qt::WindingFill);
    const QRectF f = a.imageFrame;
    const QRectF target(f.x() * s, f.y() * s, f.width() * s, f.height() * s);
    const QPainterPath device = painter.deviceTransform().map(clip);
    if (rowCrossings(device) > kComplexRowCrossings) {
        // An outline too tangled for the antialiasing clip: the picture through its mask.
        const QRect area = deviceArea(painter, device);
        if (area.isEmpty()) return;
        const QImage mask = coverage(device, area);
        QImage tile(area.size(), QImage::Format_ARGB32_Premultiplied);
        if (mask.isNull() || tile.isNull()) return;
        tile.fill(Qt::transparent);
        {
            QPainter p(&tile);
            p.setRenderHints(painter.renderHints());
            p.translate(-area.topLeft());
            p.setTransform(painter.deviceTransform(), true);
            DrawingSurface::drawImage(p, a.image, target);
            p.resetTransform();
            p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            p.drawImage(0, 0, mask);
        }
        drawDeviceTile(painter, area, tile);
        return;
    }
    painter.save();
    painter.setClipPath(clip, Qt::IntersectClip);
    DrawingSurface::drawImage(painter, a.image, target);
    painter.restore();
}

// Copies an image's pixels into a surface of the same size without a fill pass.
bool copyInto(const QImage& from, QImage& to) {
    const bool sameLayout =
        (from.format() == QImage::Format_RGB32 || from.format() == QImage::Format_ARGB32_Premultiplied) &&
        (to.format() == QImage::Format_RGB32 || to.format() == QImage::Format_ARGB32_Premultiplied) &&
        (from.format() == to.format() || from.format() == QImage::Format_RGB32);
    if (!sameLayout) return false;
    const size_t rowBytes = size_t(from.width()) * 4;
    for (int y = 0; y < from.height(); ++y)
        std::memcpy(to.scanLine(y), from.constScanLine(y), rowBytes);
    return true;
}

} // namespace

QImage compose(const Scene& scene, int* leftOut) {
    if (leftOut) *leftOut = 0;
    const QImage& base = scene.baseImage;
    if (base.isNull() || base.width() <= 0 || base.height() <= 0) return QImage();
    // Whatever is drawn over an opaque picture leaves it opaque; opaque images encode faster.
    const QImage::Format format =
        base.format() == QImage::Format_RGB32 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    QImage out = ImagePool::acquire(base.width(), base.height(), format);
    if (out.isNull()) return out;
    DrawingSurface::normalizeMetadata(out);
    if (!copyInto(base, out)) {
        out.fill(Qt::transparent);
        QPainter painter(&out);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPointF(0, 0), base);
    }
    if (scene.annotations.isEmpty()) return out;
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const QSet<QUuid> skipped = beyondDrawingBudget(scene.annotations, QSizeF(base.size()));
    for (const Annotation& a : scene.annotations)
        if (skipped.isEmpty() || !skipped.contains(a.id)) draw(a, painter, scene, 1.0);
    if (leftOut) *leftOut = int(skipped.size());
    return out;
}

void draw(const Annotation& a, QPainter& painter, const Scene& scene, double s, bool onScreen) {
    painter.save();
    if (a.rotation != 0 && std::isfinite(a.rotation)) {
        const QPointF c = Geo::bounds(a).center() * s;
        painter.translate(c);
        painter.rotate(a.rotation * 180.0 / M_PI);
        painter.translate(-c);
    }
    switch (a.tool) {
    case EditorTool::pen:
    case EditorTool::highlighter:
    case EditorTool::line:
    case EditorTool::arrow:
    case EditorTool::rect:
    case EditorTool::ellipse:
    case EditorTool::polygon:
        drawStroked(a, painter, s);
        break;
    case EditorTool::dot:
    case EditorTool::check:
        drawDot(a, painter, s);
        break;
    case EditorTool::stamp:
        if (a.stamp == StampType::numberCircle)
            drawDot(a, painter, s);
        else
            drawStampGlyph(a, painter, s);
        drawStampCaption(a, painter, s);
        break;
    case EditorTool::text:
        drawText(a, painter, s);
        break;
    case EditorTool::blur:
        drawBlur(a, painter, scene, s, onScreen);
        break;
    case EditorTool::redact:
        drawRedaction(a, painter, s);
        break;
    case EditorTool::image:
        drawPicture(a, painter, s);
        break;
    case EditorTool::select:
    case EditorTool::crop:
        break;
    }
    painter.restore();
}

void drawDot(const Annotation& a, QPainter& painter, double s) {
    if (a.text.isEmpty()) return;
    const QPointF c = firstPoint(a) * s;
    const double r = Geo::drawnBadgeRadius(a) * s;
    const double labelSize = a.labelOutside ? std::max(1.2 * r, 9.0) : std::max(1.1 * r, 8.0);
    const QColor labelColor = (a.labelOutside || a.hollow) ? a.color : QColor(Qt::white);
    const QRectF disc(c.x() - r, c.y() - r, 2 * r, 2 * r);
    QPainterPath circle;
    circle.addEllipse(disc);
    if (a.hollow)
        strokePath(painter, circle, a.color, std::max(0.18 * r, 1.5), Qt::RoundCap);
    else
        fillPath(painter, circle, a.color);
    if (a.labelOutside) {
        const QSizeF size =
            DrawingSurface::measureLine(a.text, DrawingSurface::systemFont(labelSize, FontWeight::bold));
        drawLabel(painter, a.text, labelSize, FontWeight::bold, labelColor, c, false,
                  c.y() - r - kGap - size.height());
    } else {
        drawLabel(painter, a.text, labelSize, FontWeight::bold, labelColor, c, true);
    }
}

double fittedLabelSize(const StampGlyph& g) {
    if (!g.label || g.label->isEmpty() || !g.labelFrame) return g.labelSize;
    // The room inside the stroke with a gap of a quarter stroke, symmetric about the label's centre.
    const double inset = 0.75 * g.lineWidth;
    const QRectF inner = g.labelFrame->adjusted(inset, inset, -inset, -inset);
    const QPointF c = g.labelCenter;
    const double roomW = 2 * std::min(c.x() - inner.left(), inner.right() - c.x());
    const double roomH = 2 * std::min(c.y() - inner.top(), inner.bottom() - c.y());
    const QSizeF text = DrawingSurface::measureLine(*g.label, DrawingSurface::systemFont(g.labelSize, FontWeight::bold));
    if (text.width() <= 0 || text.height() <= 0 || roomW <= 0 || roomH <= 0) return g.labelSize;
    // Labels are capitals: their ink is about 0.63 of the line height (no descenders, no leading).
    const double factor = std::min({1.0, roomW / text.width(), roomH / (0.63 * text.height())});
    return g.labelSize * factor;
}

void drawStampGlyph(const Annotation& a, QPainter& painter, double s) {
    const StampGlyph g = StampGlyphs::glyph(a.stamp, firstPoint(a) * s, Geo::drawnBadgeRadius(a) * s);
    for (const QPainterPath& p : g.fill)
        fillPath(painter, p, a.color);
    for (const QPainterPath& p : g.stroke)
        strokePath(painter, p, a.color, g.lineWidth, Qt::RoundCap);
    if (g.label && !g.label->isEmpty())
        drawLabel(painter, *g.label, fittedLabelSize(g), FontWeight::bold, a.color, g.labelCenter, true);
}

void drawStampCaption(const Annotation& a, QPainter& painter, double s) {
    if (!a.showName) return;
    const QPointF c = firstPoint(a) * s;
    const double outer = Geo::badgeRadius(a) * s;
    const double size = std::max(0.42 * Geo::drawnBadgeRadius(a) * s, 8.0);
    drawLabel(painter, StampTypes::title(a.stamp), size, FontWeight::medium, a.color, c, false,
              c.y() + outer + kGap);
}

void drawText(const Annotation& a, QPainter& painter, double s) {
    if (a.text.isEmpty()) return;
    const QPointF origin = firstPoint(a) * s;
    const QSizeF size = DrawingSurface::measureText(a.text, Geo::textFont(a, s));
    const QRectF box(origin, QSizeF(std::ceil(size.width()) + 2, std::ceil(size.height())));
    DrawingSurface::drawText(painter, box, a.text, fontFor(painter, a.fontSize * s, FontWeight::semibold),
                             a.color);
}

namespace {

// The rows of a picture `height` high that an outline through `points` crosses, summed over
// its edges (closed when `closed`); rows off the picture are not rasterised.
double edgeRows(const QList<QPointF>& points, bool closed, double height) {
    auto rows = [height](QPointF a, QPointF b) {
        const double top = std::max(std::min(a.y(), b.y()), 0.0), bottom = std::min(std::max(a.y(), b.y()), height);
        return std::max(bottom - top, 0.0);
    };
    double sum = 0;
    for (qsizetype i = 1; i < points.size(); ++i)
        sum += rows(points[i - 1], points[i]);
    if (closed && points.size() > 2) sum += rows(points.last(), points.first());
    return sum;
}

} // namespace

double drawingCost(const Annotation& a, QSizeF canvas) {
    // Units of about 20 ns here, measured per kind. Per pixel: plain fills, badges and stamps
    // (their glyphs are wide strokes), glyphs of text, upright copies of image pieces, pictures
    // turned through a clip. Per row an edge of a fill or clip crosses (a tangled outline is
    // filled through a mask, whose rasteriser still visits every edge of every row). And what an
    // object costs whatever its size.
    constexpr double kFill = 0.04, kBadge = 0.15, kGlyph = 0.9, kCopy = 0.03, kTurnedCopy = 0.3;
    constexpr double kEdgeRow = 45, kPerObject = 2000, kPerPoint = 100;
    const QRectF picture(QPointF(), canvas);
    auto covered = [&](const QRectF& r) {
        const QRectF in = r.intersected(picture);
        return in.isValid() ? in.width() * in.height() : 0.0;
    };
    // The reach of a rotated object is turned too, so it covers what the object may draw on.
    const QRectF reach = paintedReach(a, 1.0);
    const double H = canvas.height();
    double cost = kPerObject;
    switch (EditorTools::traits(a.tool).cost) {
    case DrawingCostClass::none:
        break;
    case DrawingCostClass::stroked: {
        const bool box = EditorTools::traits(a.tool).family == ToolFamily::box;
        const bool filled = a.filled && EditorTools::isFillable(a.tool);
        const QRectF b = a.rect();
        if (filled) {
            const double rows = box ? 2 * std::max(std::min(b.bottom(), H) - std::max(b.top(), 0.0), 0.0)
                                    : edgeRows(a.points, true, H);
            cost += kFill * covered(reach) + kEdgeRow * rows;
            break;
        }
        const double w = std::max(a.width, 0.0) + 2;
        if (box) {
            // The band along the outline; an ellipse's curve costs the rasteriser as slants do.
            const double bw = std::min(b.width(), canvas.width()), bh = std::min(b.height(), H);
            cost += (bw + bh) * w + w * w + (a.tool == EditorTool::ellipse ? bw * bh / 24 : 0);
            break;
        }
        // Half a unit per pixel of the band; for long slanted segments what the antialiasing
        // rasteriser spends on them (a 5K diagonal costs 20 ms here at any width, a level line
        // almost nothing); and per join a share of its disc when joins pile up: a scribble over
        // itself makes the rasteriser revisit its rows (20000 wide joins in a small area took
        // 3 s, 15000 along six paths 40 ms). Points closer than a quarter pixel are left out of
        // the drawing and cost nothing.
        const double Wc = canvas.width() + w, Hc = H + w;
        QPointF last = a.points.isEmpty() ? QPointF() : a.points.first();
        double band = 0, slant = 0;
        int joins = 0;
        double left = last.x(), right = last.x(), top = last.y(), bottom = last.y();
        for (const QPointF& p : a.points) {
            const double dx = std::min(std::abs(p.x() - last.x()), Wc), dy = std::min(std::abs(p.y() - last.y()), Hc);
            const double d = std::hypot(dx, dy);
            if (d < 0.25) continue;
            band += d * w;
            slant += dx * dy / 12;
            ++joins;
            left = std::min(left, p.x()), right = std::max(right, p.x());
            top = std::min(top, p.y()), bottom = std::max(bottom, p.y());
            last = p;
        }
        // The band is filled as one outline, so its pixels are those of its box at most; the
        // joins cost when their discs pile up (how many cover each pixel of the box). Each drawn
        // point also costs the stroker its join and outline whatever the width: 1.6 to 3 us here
        // (a one-million-point stroke took 3 s to draw and was estimated at 66 ms).
        const double box2 = (std::min(right - left, canvas.width()) + w) * (std::min(bottom - top, H) + w);
        const double pileUp = joins * w * w / std::max(box2, 1.0);
        const double joinShare = std::min(1.0, (pileUp / 400) * (pileUp / 400));
        double strokeCost = w * w + std::min(band, 2 * box2) / 2 + slant + joins * w * w / 4 * joinShare;
        if (a.tool == EditorTool::highlighter) strokeCost *= 2; // drawn through a multiply
        strokeCost += kPerPoint * joins;
        if (a.tool == EditorTool::arrow) {
            const double head = std::min((3 * a.width + 8) * std::abs(a.headScale), std::hypot(canvas.width(), H));
            strokeCost += kBadge * head * head;
        }
        cost += strokeCost;
        break;
    }
    case DrawingCostClass::text: {
        // Every glyph is set up and rasterised, even where it lies off the picture; huge ones
        // are filled outlines, bounded by what they can cover.
        const double glyph = 0.6 * a.fontSize * a.fontSize;
        cost += 100.0 * a.text.size() + kGlyph * std::min(glyph * a.text.size(), 4 * covered(reach));
        break;
    }
    case DrawingCostClass::blur:
        cost += (a.rotation != 0 ? kTurnedCopy : kCopy) * covered(reach);
        break;
    case DrawingCostClass::picture:
        cost += (a.rotation != 0 ? kTurnedCopy : kCopy) * covered(reach) + kEdgeRow * edgeRows(a.points, true, H);
        break;
    case DrawingCostClass::badge:
        cost += kBadge * covered(reach);
        break;
    case DrawingCostClass::fill: {
        // One rectangle upright; turned, one per row, counted as a fill's edges are.
        const QRectF b = reach.intersected(picture);
        cost += kFill * covered(reach) + (a.rotation != 0 ? kEdgeRow * std::max(b.height(), 0.0) : 0);
        break;
    }
    }
    return cost;
}

QSet<QUuid> beyondDrawingBudget(const QList<Annotation>& annotations, QSizeF canvas) {
    QSet<QUuid> out;
    double spent = 0;
    for (const Annotation& a : annotations) {
        const double cost = drawingCost(a, canvas);
        // A redaction left out would show what it hides: always drawn (a plain fill), and paid for.
        if (a.tool == EditorTool::redact) {
            spent += cost;
            continue;
        }
        if (spent + cost > kDrawingBudget)
            out.insert(a.id);
        else
            spent += cost;
    }
    return out;
}

QRectF paintedReach(const Annotation& a, double s) {
    const QRectF b = scaled(Geo::bounds(a), s);
    QRectF r = b;
    double m = 2; // antialiasing
    switch (a.tool) {
    case EditorTool::highlighter:
        m += 2 * a.width * s;
        break;
    case EditorTool::arrow:
        m += (a.width / 2 + (3 * a.width + 8) * std::abs(a.headScale)) * s;
        break;
    case EditorTool::dot:
    case EditorTool::check:
    case EditorTool::stamp: {
        using DrawingSurface::FontWeight;
        const double rs = Geo::drawnBadgeRadius(a) * s;
        const QSizeF label = DrawingSurface::measureLine(
            a.text, DrawingSurface::systemFont(std::max(1.2 * rs, 9.0), FontWeight::bold));
        m += std::max(0.18 * rs, 1.5);
        r.adjust(-label.width() / 2, -(label.height() + 3), label.width() / 2, 0);
        if (a.tool == EditorTool::stamp && a.showName) {
            const QSizeF caption = DrawingSurface::measureLine(
                StampTypes::title(a.stamp),
                DrawingSurface::systemFont(std::max(0.42 * rs, 8.0), FontWeight::medium));
            r |= QRectF(b.center().x() - caption.width() / 2, b.bottom() + 3, caption.width(),
                        caption.height());
        }
        break;
    }
    case EditorTool::image:
        r |= scaled(a.imageFrame, s);
        break;
    case EditorTool::redact:
        break; // no stroke: the pixels its edges touch, within the margin

    case EditorTool::pen:
    case EditorTool::line:
    case EditorTool::rect:
    case EditorTool::ellipse:
    case EditorTool::polygon:
    case EditorTool::blur:
    case EditorTool::text:
    case EditorTool::select:
    case EditorTool::crop:
        m += a.width / 2 * s;
        break;
    }
    r.adjust(-m, -m, m, m);
    if (a.rotation == 0 || !std::isfinite(a.rotation)) return r;
    QTransform t;
    t.translate(b.center().x(), b.center().y());
    t.rotateRadians(a.rotation);
    t.translate(-b.center().x(), -b.center().y());
    return t.mapRect(r);
}

} // namespace EditorRenderer
