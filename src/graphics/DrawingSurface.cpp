#include "graphics/DrawingSurface.h"

#include "graphics/ImagePool.h"

#include <QCache>
#include <QColorSpace>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMutex>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace DrawingSurface {

namespace {

// Qt lays text out in 26.6 fixed point: keep the "unbounded" box well inside its range.
constexpr double kUnbounded = 4.0e6;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop;

// Fonts from files can carry any size; keep the rasteriser within sane limits.
double saneFontSize(double px) {
    if (!std::isfinite(px)) return 12.0;
    return std::clamp(px, 0.1, double(kMaxSide));
}

// Every measurement happens against a 96-dpi image so that measuring and drawing agree.
const QImage& measuringDevice() {
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        normalizeMetadata(image);
        return image;
    }();
    return device;
}

struct MeasureKey {
    QString text;
    QString font;
    bool multiLine;
    bool operator==(const MeasureKey&) const = default;
};
size_t qHash(const MeasureKey& key, size_t seed = 0) {
    return qHashMulti(seed, key.text, key.font, key.multiLine);
}

// Hit testing measures text on every pointer move: cache the sizes.
QSizeF cachedMeasure(const QString& text, const QFont& font, bool multiLine) {
    static QMutex mutex;
    static QCache<MeasureKey, QSizeF> cache(2048);
    MeasureKey key{text, font.key(), multiLine};
    {
        QMutexLocker lock(&mutex);
        if (const QSizeF* hit = cache.object(key)) return *hit;
    }
    const QFontMetricsF metrics(font, const_cast<QImage*>(&measuringDevice()));
    QSizeF size;
    if (multiLine)
        size = metrics.boundingRect(QRectF(0, 0, kUnbounded, kUnbounded), kTextFlags, text).size();
    else
        size = QSizeF(metrics.horizontalAdvance(text), metrics.height());
    QMutexLocker lock(&mutex);
    cache.insert(key, new QSizeF(size));
    return size;
}

} // namespace

void normalizeMetadata(QImage& image) {
    if (image.isNull()) return;
    image.setDotsPerMeterX(kDotsPerMeter);
    image.setDotsPerMeterY(kDotsPerMeter);
    image.setColorSpace(QColorSpace(QColorSpace::SRgb));
}

QImage createSurface(int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return QImage();
    QImage image = ImagePool::acquire(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    image.fill(Qt::transparent);
    normalizeMetadata(image);
    return image;
}

QImage createSurface(QSize size) {
    return createSurface(size.width(), size.height());
}

QImage toDrawingFormat(const QImage& image) {
    if (image.isNull()) return image;
    QImage result;
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
        result = image;
        break;
    default:
        result = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                               : QImage::Format_RGB32);
        break;
    }
    if (!result.isNull()) normalizeMetadata(result);
    return result;
}

QFont systemFont(double pixelSize, FontWeight weight, double dpi) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(saneFontSize(pixelSize) * 72.0 / (dpi > 0 ? dpi : 96.0));
    switch (weight) {
    case FontWeight::regular:
        font.setWeight(QFont::Normal);
        break;
    case FontWeight::medium:
        font.setWeight(QFont::Medium);
        break;
    case FontWeight::semibold:
        font.setWeight(QFont::DemiBold);
        break;
    case FontWeight::bold:
        font.setWeight(QFont::Bold);
        break;
    }
    // Unhinted outlines scale linearly, so a box measured at one zoom fits the text at any other.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

QSizeF measureLine(const QString& text, const QFont& font) {
    return cachedMeasure(text, font, false);
}

QSizeF measureText(const QString& text, const QFont& font) {
    return cachedMeasure(text, font, true);
}

void drawLine(QPainter& painter, const QPointF& topLeft, const QString& text, const QFont& font,
              const QColor& color) {
    if (text.isEmpty()) return;
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    const QFontMetricsF metrics(font, painter.device());
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), text);
    painter.restore();
}

void drawText(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
              const QColor& color) {
    if (text.isEmpty()) return;
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    // Same flags as measureText, and no clipping: the rect was measured for exactly this text.
    painter.drawText(QRectF(rect.topLeft(), QSizeF(kUnbounded, kUnbounded)), kTextFlags, text);
    painter.restore();
}

void drawImage(QPainter& painter, const QImage& image, const QRectF& target) {
    if (image.isNull() || target.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, image, QRectF(image.rect()));
    painter.restore();
}

namespace {

// A shape's edge this close to a pixel's side leaves that pixel out: rotations and scales put
// exact edges a rounding error beyond them.
constexpr double kCoverTolerance = 1e-6;

// The x extent of the convex polygon `p` within the strip y0 <= y <= y1: the extremes of its
// outline's pieces there. Empty (first > second) when it misses the strip.
std::pair<double, double> stripExtent(const QPolygonF& p, double y0, double y1) {
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    const qsizetype n = p.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF a = p[i], b = p[(i + 1) % n];
        double from = 0, to = 1;
        if (a.y() == b.y()) {
            if (a.y() < y0 || a.y() > y1) continue;
        } else {
            double t0 = (y0 - a.y()) / (b.y() - a.y()), t1 = (y1 - a.y()) / (b.y() - a.y());
            if (t0 > t1) std::swap(t0, t1);
            from = std::max(from, t0), to = std::min(to, t1);
            if (from > to) continue;
        }
        const double xa = a.x() + from * (b.x() - a.x()), xb = a.x() + to * (b.x() - a.x());
        lo = std::min({lo, xa, xb}), hi = std::max({hi, xa, xb});
    }
    return {lo, hi};
}

} // namespace

QList<QRect> coveredPixels(const QPolygonF& corners, const QRect& device) {
    QList<QRect> out;
    if (corners.size() < 3 || device.isEmpty()) return out;
    const QRectF box = corners.boundingRect();
    for (const QPointF& c : corners)
        if (!std::isfinite(c.x()) || !std::isfinite(c.y())) return out;
    // Rows the shape enters by more than the tolerance, within the device.
    const double firstRow = std::max(std::floor(box.top() + kCoverTolerance), double(device.top()));
    const double endRow = std::min(std::ceil(box.bottom() - kCoverTolerance), double(device.bottom() + 1));
    for (int y = int(firstRow); y < int(endRow); ++y) {
        const auto [lo, hi] = stripExtent(corners, y, y + 1);
        const double first = std::max(std::floor(lo + kCoverTolerance), double(device.left()));
        const double end = std::min(std::ceil(hi - kCoverTolerance), double(device.right() + 1));
        if (!(first < end)) continue;
        const QRect row(int(first), y, int(end - first), 1);
        // An upright box is one rectangle: rows of the same extent join the one above.
        if (!out.isEmpty() && out.last().left() == row.left() && out.last().right() == row.right() &&
            out.last().bottom() == y - 1)
            out.last().setBottom(y);
        else
            out.append(row);
    }
    return out;
}

void fillCovered(QPainter& painter, const QPolygonF& corners, const QColor& color) {
    const QPaintDevice* device = painter.device();
    if (!device) return;
    // In the device's own pixels. Not through deviceTransform(): for a widget painted into its
    // window that holds the widget's place in the window, which the painter adds again below.
    const qreal dpr = device->devicePixelRatioF();
    const QRect pixels(QPoint(), QSize(device->width(), device->height()) * dpr);
    const QTransform toPixels = painter.combinedTransform() * QTransform::fromScale(dpr, dpr);
    const QList<QRect> spans = coveredPixels(toPixels.map(corners), pixels);
    if (spans.isEmpty()) return;
    QColor opaque = color.isValid() ? color : QColor(Qt::black);
    opaque.setAlpha(255);
    painter.save();
    painter.resetTransform();
    painter.scale(1 / dpr, 1 / dpr);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setOpacity(1);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& span : spans)
        painter.fillRect(span, opaque);
    painter.restore();
}

} // namespace DrawingSurface
