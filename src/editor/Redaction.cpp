#include "editor/Redaction.h"
#include "editor/SensitiveText.h"

#include "graphics/DrawingSurface.h"
#include "graphics/GaussianBlur.h"
#include "model/AnnotationGeometry.h"

#include <QHash>
#include <QPolygonF>

#include <QPainter>
#include <QSet>
#include <QTransform>
#include <algorithm>

#include <memory>
#include <optional>

namespace Redaction {

namespace {

// The redactions the flat picture draws, in drawing order.
QList<Annotation> drawnRedactions(const EditorRenderer::Scene& scene, const QSet<QUuid>& skipped) {
    QList<Annotation> out;
    for (const Annotation& a : scene.annotations)
        if (a.tool == EditorTool::redact && !skipped.contains(a.id)) out.append(a);
    return out;
}

// A redaction's box as it lies on the document, turned with it.
QPolygonF documentCorners(const Annotation& redaction) {
    const QRectF r = redaction.rect();
    return QPolygonF{AnnotationGeometry::fromObjectSpace(r.topLeft(), redaction),
                     AnnotationGeometry::fromObjectSpace(r.topRight(), redaction),
                     AnnotationGeometry::fromObjectSpace(r.bottomRight(), redaction),
                     AnnotationGeometry::fromObjectSpace(r.bottomLeft(), redaction)};
}

// Where a pasted picture's pixels land on the document: its frame, turned with it.
std::optional<QTransform> pictureToDocument(const Annotation& picture) {
    const QRectF f = picture.imageFrame;
    const QSize size = picture.image.size();
    if (size.isEmpty() || !(f.width() > 0) || !(f.height() > 0)) return std::nullopt;
    QTransform frame;
    frame.translate(f.x(), f.y());
    frame.scale(f.width() / size.width(), f.height() / size.height());
    if (picture.rotation == 0 || !std::isfinite(picture.rotation)) return frame;
    const QPointF c = AnnotationGeometry::bounds(picture).center();
    QTransform turn;
    turn.translate(c.x(), c.y());
    turn.rotateRadians(picture.rotation);
    turn.translate(-c.x(), -c.y());
    return frame * turn;
}

// The picture with every redaction that covers part of it burnt into its pixels; the same
// picture when none does.
QImage burntPicture(const Annotation& picture, const QList<Annotation>& above) {
    const std::optional<QTransform> toDocument = pictureToDocument(picture);
    bool invertible = false;
    const QTransform toPicture = toDocument ? toDocument->inverted(&invertible) : QTransform();
    if (!invertible) return picture.image;
    QImage out;
    for (const Annotation& r : above) {
        const QPolygonF corners = documentCorners(r);
        if (DrawingSurface::coveredPixels(toPicture.map(corners), picture.image.rect()).isEmpty()) continue;
        if (out.isNull()) {
            const QImage::Format format = picture.image.format() == QImage::Format_RGB32
                                              ? QImage::Format_RGB32
                                              : QImage::Format_ARGB32_Premultiplied;
            // Shared with the editor's picture until the painter below detaches it.
            out = picture.image.convertToFormat(format);
            if (out.isNull()) return QImage();
        }
        QPainter painter(&out);
        painter.setTransform(toPicture);
        DrawingSurface::fillCovered(painter, corners, r.color);
    }
    return out.isNull() ? picture.image : out;
}

} // namespace

EditorRenderer::Scene hiding(EditorRenderer::Scene scene) {
    const QSet<QUuid> skipped =
        EditorRenderer::beyondDrawingBudget(scene.annotations, QSizeF(scene.baseImage.size()));
    const QList<Annotation> redactions = drawnRedactions(scene, skipped);
    const bool blurs = std::any_of(scene.annotations.cbegin(), scene.annotations.cend(),
                                   [](const Annotation& a) { return a.tool == EditorTool::blur; });
    if (redactions.isEmpty() || !blurs) return scene;
    const QImage base = scene.baseImage;
    auto blurred = std::make_shared<std::optional<QImage>>();
    scene.blurredImage = [base, redactions, blurred] {
        if (!*blurred) {
            const QImage redacted = EditorRenderer::compose(EditorRenderer::Scene{base, redactions, {}});
            *blurred = redacted.isNull()
                           ? QImage()
                           : GaussianBlur::blur(redacted, GaussianBlur::regionSigma(base.size()));
        }
        return **blurred;
    };
    return scene;
}

Stored stored(const EditorRenderer::Scene& scene, const QList<Annotation>& annotations, bool withBlur) {
    Stored out{scene.baseImage, annotations};
    const QSet<QUuid> skipped =
        EditorRenderer::beyondDrawingBudget(scene.annotations, QSizeF(scene.baseImage.size()));
    QList<Annotation> burnt;
    for (const Annotation& a : scene.annotations)
        if (!skipped.contains(a.id) &&
            (a.tool == EditorTool::redact || (withBlur && a.tool == EditorTool::blur)))
            burnt.append(a);
    if (burnt.isEmpty()) return out;
    // Drawn as the flat picture draws them: the same pixels, in the same order.
    out.baseImage =
        EditorRenderer::compose(EditorRenderer::Scene{scene.baseImage, burnt, scene.blurredImage});
    if (out.baseImage.isNull()) return out;

    // Pictures lie below redactions: each keeps none of what a redaction drawn after it covers.
    QHash<QUuid, qsizetype> drawnAt;
    for (qsizetype i = 0; i < scene.annotations.size(); ++i)
        drawnAt.insert(scene.annotations[i].id, i);
    const QList<Annotation> redactions = drawnRedactions(scene, skipped);
    for (Annotation& a : out.annotations) {
        if (a.tool != EditorTool::image || a.image.isNull()) continue;
        const qsizetype at = drawnAt.value(a.id, -1);
        QList<Annotation> above;
        for (const Annotation& r : redactions)
            if (drawnAt.value(r.id) > at) above.append(r);
        if (above.isEmpty()) continue;
        const QImage burntImage = burntPicture(a, above);
        if (burntImage.isNull()) return Stored{};
        a.image = burntImage;
    }
    return out;
}

RecognizedText uncovered(const RecognizedText& text, const QList<Annotation>& annotations, QPointF offset) {
    QList<const Annotation*> redactions;
    for (const Annotation& a : annotations)
        if (a.tool == EditorTool::redact) redactions.append(&a);
    if (redactions.isEmpty()) return text;
    RecognizedText kept;
    for (const RecognizedWord& word : text.words) {
        const QPointF middle = QRectF(word.box).center() + offset;
        const bool covered =
            std::any_of(redactions.cbegin(), redactions.cend(), [&middle](const Annotation* a) {
                return a->rect().normalized().contains(AnnotationGeometry::toObjectSpace(middle, *a));
            });
        if (!covered) kept.words.append(word);
    }
    return kept;
}

RecognizedText withRedactionsAsWords(const RecognizedText& text, const QList<Annotation>& annotations) {
    RecognizedText out = uncovered(text, annotations);
    int own = 1 << 24; // lines and blocks of their own, apart from those the recogniser numbered
    for (const Annotation& a : annotations) {
        if (a.tool != EditorTool::redact) continue;
        const QRectF r = a.rect().normalized();
        QPolygonF corners;
        for (const QPointF& p : {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()})
            corners << AnnotationGeometry::fromObjectSpace(p, a);
        out.words.append({SensitiveText::kCovered, corners.boundingRect().toAlignedRect(), 100, own, own});
        ++own;
    }
    return out;
}

namespace {

// The commonest colour on the outline of `r` (object space of `a`) in `image`: the ground the box
// lies on, whatever letters the outline crosses. White when the outline is off the picture.
QRgb groundAround(const QImage& image, const Annotation& a, const QRectF& r, QPointF offset) {
    QHash<QRgb, int> counts;
    const QRect inside = image.rect();
    const auto sample = [&](QPointF objectPoint) {
        const QPoint p = (AnnotationGeometry::fromObjectSpace(objectPoint, a) - offset).toPoint();
        if (inside.contains(p)) ++counts[image.pixel(p) | 0xff000000u];
    };
    const double w = r.width(), h = r.height();
    const int across = std::clamp(int(w / 2), 1, 2000), down = std::clamp(int(h / 2), 1, 2000);
    for (int i = 0; i <= across; ++i) {
        sample(QPointF(r.left() + w * i / across, r.top()));
        sample(QPointF(r.left() + w * i / across, r.bottom()));
    }
    for (int i = 0; i <= down; ++i) {
        sample(QPointF(r.left(), r.top() + h * i / down));
        sample(QPointF(r.right(), r.top() + h * i / down));
    }
    QRgb best = 0xffffffffu;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most || (it.value() == most && it.key() < best)) best = it.key(), most = it.value();
    return best;
}

} // namespace

QImage forReading(QImage flat, const QList<Annotation>& annotations, QPointF offset) {
    if (flat.isNull()) return flat;
    if (flat.format() != QImage::Format_RGB32 && flat.format() != QImage::Format_ARGB32_Premultiplied)
        flat = flat.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&flat);
    painter.setPen(Qt::NoPen);
    for (const Annotation& a : annotations) {
        if (a.tool != EditorTool::redact) continue;
        const QRectF r = a.rect().normalized();
        if (!(r.width() > 0) || !(r.height() > 0)) continue;
        // The outline sampled a little outside the box, and the fill reaching over its smoothed edge.
        const QColor ground = QColor::fromRgb(groundAround(flat, a, r.adjusted(-3, -3, 3, 3), offset));
        const QRectF covered = r.adjusted(-1.5, -1.5, 1.5, 1.5);
        QPolygonF shape;
        for (QPointF corner :
             {covered.topLeft(), covered.topRight(), covered.bottomRight(), covered.bottomLeft()})
            shape << AnnotationGeometry::fromObjectSpace(corner, a) - offset;
        painter.setBrush(ground);
        painter.drawPolygon(shape);
    }
    painter.end();
    return flat;
}

} // namespace Redaction
