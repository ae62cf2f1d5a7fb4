// The editor model's operations on the whole image: crop, rotate, expand, and the blurred copy.
#include "editor/EditorModel.h"

#include "io/ProjectIO.h"
#include "render/EditorRenderer.h"

#include "model/AnnotationGeometry.h"
#include "graphics/DrawingSurface.h"
#include "graphics/GaussianBlur.h"

#include <QPainter>
#include <QTransform>

#include <cmath>

namespace {

constexpr double kNoRotationRadians = 0.0001;

} // namespace

void EditorModel::replaceBaseImage(const QImage& image) {
    pushUndo();
    m_baseImage = image;
    keepHistoryWithinBudget();
    emit documentChanged();
}

bool EditorModel::applyCrop(const QRectF& rect) {
    if (!std::isfinite(rect.x()) || !std::isfinite(rect.y()) || !std::isfinite(rect.width()) ||
        !std::isfinite(rect.height()))
        return false;
    const QRectF clipped = rect.normalized().intersected(QRectF(QPointF(0, 0), imageSize()));
    if (clipped.isEmpty()) return false;
    const int x0 = int(std::floor(clipped.left())), y0 = int(std::floor(clipped.top()));
    const int x1 = int(std::ceil(clipped.right())), y1 = int(std::ceil(clipped.bottom()));
    if (x1 - x0 < kMinCropSide || y1 - y0 < kMinCropSide) return false;
    QImage cut = m_baseImage.copy(x0, y0, x1 - x0, y1 - y0);
    if (cut.isNull()) return false;
    DrawingSurface::normalizeMetadata(cut);

    pushUndo();
    m_baseImage = cut;
    keepHistoryWithinBudget();
    for (Annotation& a : m_annotations)
        translate(a, QPointF(-x0, -y0));
    emit documentChanged();
    return true;
}

bool EditorModel::rotateCanvas(double degrees) {
    if (!std::isfinite(degrees)) return false;
    const double radians = degrees * M_PI / 180.0;
    if (std::abs(radians) <= kNoRotationRadians) return false;
    const double W = m_baseImage.width(), H = m_baseImage.height();
    const double s = std::sin(radians), c = std::cos(radians);
    const double newW = std::round(std::abs(W * c) + std::abs(H * s));
    const double newH = std::round(std::abs(W * s) + std::abs(H * c));
    if (newW < kMinImageSide || newH < kMinImageSide) return false;
    if (!admits(QSize(int(std::min(newW, 1e9)), int(std::min(newH, 1e9))), m_annotations,
                tr("Couldn't rotate the picture")))
        return false;

    QImage rotated;
    const double quarterTurns = degrees / 90.0;
    if (quarterTurns == std::round(quarterTurns)) {
        // Whole quarter turns move pixels without resampling.
        rotated = m_baseImage.transformed(QTransform().rotate(degrees));
        if (rotated.format() != QImage::Format_ARGB32_Premultiplied &&
            rotated.format() != QImage::Format_RGB32)
            rotated = rotated.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        DrawingSurface::normalizeMetadata(rotated);
    } else {
        rotated = DrawingSurface::createSurface(int(newW), int(newH));
        if (!rotated.isNull()) {
            QPainter painter(&rotated);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
            painter.setRenderHint(QPainter::Antialiasing, true);
            painter.translate(newW / 2, newH / 2);
            painter.rotate(degrees);
            painter.drawImage(QRectF(-W / 2, -H / 2, W, H), m_baseImage);
        }
    }
    if (rotated.isNull() || rotated.width() != int(newW) || rotated.height() != int(newH)) return false;

    pushUndo();
    m_baseImage = rotated;
    keepHistoryWithinBudget();
    const QPointF C(W / 2, H / 2), C2(newW / 2, newH / 2);
    auto turn = [s, c](QPointF v) { return QPointF(c * v.x() - s * v.y(), s * v.x() + c * v.y()); };
    // Each object's centre follows the picture; then the object turns about that centre.
    for (Annotation& a : m_annotations) {
        const QPointF m = AnnotationGeometry::bounds(a).center();
        translate(a, C2 + turn(m - C) - m);
        rotate(a, radians);
    }
    emit documentChanged();
    return true;
}

bool EditorModel::expandCanvas(double top, double left, double bottom, double right,
                               std::optional<QColor> background) {
    auto margin = [](double v) { return std::isfinite(v) ? std::max(std::round(v), 0.0) : 0.0; };
    const double t = margin(top), l = margin(left), b = margin(bottom), r = margin(right);
    if (!(t + l + b + r > 0)) return false;
    const double newW = m_baseImage.width() + l + r, newH = m_baseImage.height() + t + b;
    if (!admits(QSize(int(std::min(newW, 1e9)), int(std::min(newH, 1e9))), m_annotations,
                tr("Couldn't expand the canvas")))
        return false;

    QImage expanded = DrawingSurface::createSurface(int(newW), int(newH));
    if (expanded.isNull()) return false;
    {
        QPainter painter(&expanded);
        if (background && background->isValid()) painter.fillRect(expanded.rect(), *background);
        painter.drawImage(QPointF(l, t), m_baseImage);
    }

    pushUndo();
    m_baseImage = expanded;
    keepHistoryWithinBudget();
    for (Annotation& a : m_annotations)
        translate(a, QPointF(l, t));
    emit documentChanged();
    return true;
}

bool EditorModel::admits(QSize baseSize, const QList<Annotation>& annotations, const QString& action) {
    const QString problem = ProjectIO::reopenProblem(baseSize, annotations);
    if (problem.isEmpty()) return true;
    emit refused(QStringLiteral("%1: %2.").arg(action, problem));
    return false;
}

EditorRenderer::Scene EditorModel::scene(bool withAnnotations) const {
    EditorRenderer::Scene scene;
    scene.baseImage = m_baseImage;
    if (withAnnotations) scene.annotations = layeredAnnotations();
    scene.blurredImage = [this] { return blurredImage(); };
    return scene;
}

QImage EditorModel::blurredImage() const {
    if (m_baseImage.isNull()) return QImage();
    const qint64 key = m_baseImage.cacheKey();
    if (!m_blurCache.blurred.isNull() && m_blurCache.sourceKey == key) return m_blurCache.blurred;
    // Hand the previous result's buffer to the blur: same-sized recomputations then cost no fresh
    // memory. It is reused only when nobody else still holds that image.
    QImage previous = std::move(m_blurCache.blurred);
    m_blurCache = {};
    QImage result = GaussianBlur::blur(m_baseImage, GaussianBlur::regionSigma(m_baseImage.size()), &previous);
    if (result.isNull()) return QImage();
    m_blurCache = BlurCache{key, result};
    return result;
}
