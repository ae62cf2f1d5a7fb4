#include "ui/editor/EditorView.h"

#include "editor/EditorModel.h"
#include "graphics/DrawingSurface.h"
#include "model/AnnotationGeometry.h"
#include "model/Palette.h"
#include "render/EditorRenderer.h"
#include "ui/editor/EditorColors.h"
#include "ui/editor/TextEntryField.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextEdit>

#include <cmath>

namespace Geo = AnnotationGeometry;

namespace {

constexpr int kChecker = 8;
constexpr double kHandleSize = 8;
constexpr double kMarkerDiameter = 10;
constexpr double kKnobStemFrom = 3, kKnobStemTo = 19;
constexpr double kSnapDiameter = 14;

QColor accentColor() {
    return QApplication::palette().color(QPalette::Highlight);
}

// Dashes in view points; Qt counts dash lengths in pen widths.
QPen outlinePen(const QColor& color, double width, QList<double> dashes = {}, double phase = 0) {
    QPen pen(color, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    if (!dashes.isEmpty()) {
        QList<qreal> pattern;
        for (double d : dashes)
            pattern.append(d / width);
        pen.setDashPattern(pattern);
        pen.setDashOffset(phase / width);
    }
    return pen;
}

using EditorRenderer::scaled;

} // namespace

EditorView::EditorView(EditorModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_interaction(model) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    // Clicks on the canvas never take the keyboard from the text entry field.
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(tr("Canvas"));
    setAccessibleDescription(tr("The screenshot and its annotations"));
    m_interaction.setScale(scale());
    m_interaction.textEntryChanged = [this] {
        syncTextField();
        emit textEntryChanged();
    };
    connect(&m_model, &EditorModel::documentChanged, this, &EditorView::modelChanged);
    // The handles, the marquee, the draft and the snap indicator are drawn over the cached layers.
    for (auto signal :
         {&EditorModel::selectionChanged, &EditorModel::toolSettingsChanged, &EditorModel::draftChanged})
        connect(&m_model, signal, this, qOverload<>(&QWidget::update));
    connect(&m_model, &EditorModel::toolSettingsChanged, this, &EditorView::styleTextField);
    m_beyondBudget = EditorRenderer::beyondDrawingBudget(m_model.layeredAnnotations(), m_model.imageSize());
    updateGeometryForScale();
}

EditorView::~EditorView() {
    // The field may lie on another widget, which outlives the canvas.
    delete m_textField;
}

double EditorView::scale() const {
    return m_zoom / std::max(devicePixelRatioF(), 1.0);
}

void EditorView::setZoom(double zoom) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (zoom == m_zoom) return;
    m_zoom = zoom;
    updateGeometryForScale();
    emit zoomChanged(m_zoom);
}

QSize EditorView::sizeHint() const {
    const QSizeF size = m_model.imageSize() * scale();
    return QSize(int(std::ceil(size.width())), int(std::ceil(size.height())));
}

void EditorView::updateGeometryForScale() {
    m_interaction.setScale(scale());
    m_cache = {};
    setFixedSize(sizeHint());
    styleTextField();
    syncTextField();
    update();
}

void EditorView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ScreenChangeInternal) updateGeometryForScale();
    QWidget::changeEvent(event);
}

void EditorView::modelChanged() {
    if (!m_interaction.isDragging())
        m_beyondBudget =
            EditorRenderer::beyondDrawingBudget(m_model.layeredAnnotations(), m_model.imageSize());
    if (sizeHint() != size()) {
        updateGeometryForScale();
        return;
    }
    // Outside a drag anything may have changed; during one only the dragged object or the draft.
    if (!m_interaction.isDragging()) m_cache = {};
    update();
}

// ---- Events ------------------------------------------------------------------------------------

void EditorView::releaseFocusFromFields() {
    if (m_interaction.textPosition()) return;
    QWidget* focus = window() ? window()->focusWidget() : nullptr;
    if (focus && (qobject_cast<QLineEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus) ||
                  qobject_cast<QTextEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus)))
        focus->clearFocus();
}

void EditorView::beginPress(QPointF position, Qt::KeyboardModifiers modifiers) {
    // A click anywhere but in the text field ends the typing, keeping the text.
    m_interaction.commitPendingText();
    releaseFocusFromFields();
    m_pressed = true;
    m_pressPosition = position;
    m_interaction.dragChanged(position, position, modifiers & Qt::ShiftModifier);
    update();
}

void EditorView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    m_doubleClickPending = false;
    beginPress(event->position(), event->modifiers());
}

// Qt reports the second press of a double-click here instead of as a press: it still begins a drag.
void EditorView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
    m_doubleClickPending = true;
    m_doubleClickPosition = event->position();
    beginPress(event->position(), event->modifiers());
}

void EditorView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed) return QWidget::mouseMoveEvent(event);
    m_interaction.dragChanged(m_pressPosition, event->position(), event->modifiers() & Qt::ShiftModifier);
    update();
}

void EditorView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pressed) return QWidget::mouseReleaseEvent(event);
    m_pressed = false;
    m_interaction.dragEnded(event->position());
    // The double-click acts when its second click ends, after that click's own gesture.
    if (m_doubleClickPending) {
        m_doubleClickPending = false;
        m_interaction.handleDoubleClick(m_doubleClickPosition);
    }
    m_cache = {};
    update();
}

void EditorView::cancelDrag() {
    if (!m_pressed) return;
    m_pressed = false;
    m_doubleClickPending = false;
    m_interaction.cancelDrag();
    m_cache = {};
    update();
}

void EditorView::syncTextField() {
    const std::optional<QPointF>& position = m_interaction.textPosition();
    if (!position) {
        if (m_textField) {
            m_textField->clearFocus(); // withdrawn, not handed to the next widget
            m_textField->hide();
            m_textField->deleteLater();
            m_textField = nullptr;
        }
        return;
    }
    if (!m_textField) {
        m_textField = new TextEntryField(m_textFieldHost ? m_textFieldHost.data() : this);
        m_textField->setPlainText(m_interaction.textDraft());
        m_textField->moveCursor(QTextCursor::End);
        // After the field has fitted its height to the new text.
        connect(m_textField, &QPlainTextEdit::textChanged, this, [this] {
            m_interaction.setTextDraft(m_textField->toPlainText());
            placeTextField();
            emit textTyped();
        });
        connect(m_textField, &QPlainTextEdit::cursorPositionChanged, this, &EditorView::revealTextCaret);
        connect(m_textField, &TextEntryField::submitted, this, [this] { m_interaction.commitPendingText(); });
        styleTextField();
        m_textField->show();
        m_textField->raise();
        m_textField->setFocus(Qt::OtherFocusReason);
    } else if (m_textField->toPlainText() != m_interaction.textDraft()) {
        m_textField->setPlainText(m_interaction.textDraft());
        m_textField->setFocus(Qt::OtherFocusReason);
    }
    revealTextCaret();
}

void EditorView::styleTextField() {
    const std::optional<Annotation> label = m_interaction.pendingText();
    if (!m_textField || !label) return;
    // A badge's number in the size and weight it is drawn with.
    const bool badge = label->isNumberBadge();
    const double size =
        badge ? std::max(1.2 * AnnotationGeometry::drawnBadgeRadius(*label), 9.0) : label->fontSize;
    m_textField->setLabelLook(DrawingSurface::systemFont(size * scale(),
                                                         badge ? DrawingSurface::FontWeight::bold
                                                               : DrawingSurface::FontWeight::semibold,
                                                         m_textField->logicalDpiY()),
                              label->color);
    placeTextField();
}

QRectF EditorView::visibleImageRect() const {
    const QRect visible = visibleRegion().boundingRect();
    return QRectF(QPointF(visible.topLeft()) / scale(), QSizeF(visible.size()) / scale());
}

TextEntryField* EditorView::textField() const {
    return m_textField;
}

QPoint EditorView::textAnchor() const {
    const QPointF position = m_interaction.textPosition().value_or(QPointF());
    return QPoint(int(std::round(position.x() * scale())), int(std::round(position.y() * scale())));
}

void EditorView::revealTextCaret() {
    if (!m_textField) return;
    QRect caret = m_textField->cursorRect().translated(m_textField->viewport()->pos() + textAnchor());
    // A caret past the picture's edge (a long line near it) scrolls only as far as that edge.
    caret.moveTo(std::clamp(caret.x(), 0, std::max(0, width() - caret.width())),
                 std::clamp(caret.y(), 0, std::max(0, height() - caret.height())));
    emit textCaretMoved(caret);
    placeTextField();
}

void EditorView::setTextFieldHost(QWidget* host) {
    m_textFieldHost = host;
    if (m_textField) {
        m_textField->setParent(host ? host : this);
        m_textField->show();
        placeTextField();
    }
}

void EditorView::placeTextField() {
    if (!m_textField) return;
    QWidget* host = m_textField->parentWidget();
    // The typed text starts where the label will: the field's own frame and margins lie outside.
    const QPoint anchor = textAnchor() - m_textField->textOrigin();
    const QPoint wanted = host == this               ? anchor
                          : host->isAncestorOf(this) ? mapTo(host, anchor)
                                                     : host->mapFromGlobal(mapToGlobal(anchor));
    m_textField->setHintRoom(host->width() - wanted.x());
    m_textField->setMaximumTextWidth(host->width());
    // Shifted left and up only where the host's edge would cut it; a host smaller than the field
    // shows its top-left part.
    const QSize room = host->size() - m_textField->size();
    m_textField->move(std::max(0, std::min(wanted.x(), room.width())),
                      std::max(0, std::min(wanted.y(), room.height())));
}

// ---- Painting ----------------------------------------------------------------------------------

void EditorView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    paintCanvas(painter, event->rect());
}

std::optional<QUuid> EditorView::changingObject() const {
    if (const std::optional<int> i = m_interaction.draggedIndex(); i && *i < m_model.annotations().size())
        return m_model.annotations()[*i].id;
    return std::nullopt;
}

void EditorView::paintCanvas(QPainter& painter, const QRect& dirty) {
    const std::optional<QUuid> skip = changingObject();
    if (m_interaction.isDragging()) {
        // A drag repaints often: keep the rest of the scene as pictures.
        ensureLayerCache(visibleRegion().boundingRect().united(dirty).intersected(rect()), skip);
    }
    if (m_cache.valid() && m_cache.rect.contains(dirty) && m_cache.skip == skip && m_cache.scale == scale() &&
        m_cache.history == m_model.historyGeneration()) {
        const qreal dpr = m_cache.scene.devicePixelRatio();
        auto blit = [&](const QImage& layer, const QRect& area) {
            const QRectF source(QPointF(area.topLeft() - m_cache.rect.topLeft()) * dpr,
                                QSizeF(area.size()) * dpr);
            painter.drawImage(QRectF(area), layer, source);
        };
        // Everything but the changing object; where that object paints, what lies below it, the
        // object, and what lies above it drawn live (multiply needs the pixels under it).
        blit(m_cache.scene, dirty);
        if (skip) {
            const Annotation* changing = nullptr;
            for (const Annotation& a : m_model.annotations())
                if (a.id == *skip) changing = &a;
            if (changing) {
                const QRect reach = paintedReach(*changing).intersected(dirty);
                if (!reach.isEmpty()) {
                    blit(m_cache.below, reach);
                    painter.save();
                    painter.setClipRect(reach);
                    painter.setRenderHint(QPainter::Antialiasing, true);
                    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
                    EditorRenderer::draw(*changing, painter, m_model.scene(false), scale(), true);
                    painter.restore();
                    paintAnnotations(painter, reach, skip, Layers::aboveSkip);
                }
            }
        }
    } else {
        paintBackdrop(painter, dirty);
        paintAnnotations(painter, dirty, std::nullopt, Layers::all);
    }
    paintDraft(painter);
    paintSelectionOverlay(painter);
    paintMarquee(painter);
}

void EditorView::ensureLayerCache(const QRect& visible, const std::optional<QUuid>& skip) {
    if (visible.isEmpty()) return;
    const quint64 history = m_model.historyGeneration();
    if (m_cache.valid() && m_cache.rect.contains(visible) && m_cache.skip == skip &&
        m_cache.scale == scale() && m_cache.baseKey == m_model.baseImage().cacheKey() &&
        m_cache.history == history)
        return;
    const qreal dpr = devicePixelRatioF();
    LayerCache cache;
    cache.rect = visible;
    cache.scale = scale();
    cache.baseKey = m_model.baseImage().cacheKey();
    cache.history = history;
    cache.skip = skip;
    auto layer = [&](Layers which) {
        QImage image(visible.size() * dpr, QImage::Format_RGB32);
        image.setDevicePixelRatio(dpr);
        QPainter p(&image);
        p.translate(-visible.topLeft());
        paintBackdrop(p, visible);
        paintAnnotations(p, visible, skip, which);
        return image;
    };
    cache.scene = layer(Layers::all);
    if (skip) cache.below = layer(Layers::belowSkip);
    m_cache = std::move(cache);
}

QRect EditorView::paintedReach(const Annotation& a) const {
    return EditorRenderer::paintedReach(a, scale()).toAlignedRect();
}

const QImage& EditorView::displayedBase() {
    const QImage& base = m_model.baseImage();
    const double factor = scale() * devicePixelRatioF();
    if (factor >= 1) return base;
    // Bilinear reduction drops thin lines; keep an area-averaged copy for zoomed-out views.
    if (m_scaledBaseKey != base.cacheKey() || m_scaledBaseFactor != factor) {
        m_scaledBase = base.scaled(std::max(1, int(std::round(base.width() * factor))),
                                   std::max(1, int(std::round(base.height() * factor))),
                                   Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_scaledBaseKey = base.cacheKey();
        m_scaledBaseFactor = factor;
    }
    return m_scaledBase;
}

void EditorView::paintBackdrop(QPainter& painter, const QRect& dirty) {
    const QImage& base = m_model.baseImage();
    if (base.hasAlphaChannel()) {
        // The checkerboard only shows through transparent pixels, so opaque images skip it.
        painter.fillRect(dirty, EditorColors::underPage(palette()));
        painter.fillRect(dirty, QColor(255, 255, 255, 230));
        const QColor square(142, 142, 147, 64);
        const int y0 = dirty.top() / kChecker * kChecker;
        for (int y = y0; y <= dirty.bottom(); y += kChecker) {
            const int odd = (y / kChecker) % 2;
            for (int x = dirty.left() / (2 * kChecker) * 2 * kChecker + odd * kChecker; x <= dirty.right();
                 x += 2 * kChecker)
                painter.fillRect(QRect(x, y, kChecker, kChecker), square);
        }
    } else {
        painter.fillRect(dirty, Qt::white);
    }
    const QImage& shown = displayedBase();
    const double s = scale();
    // Source pixels of the dirty rectangle in the image actually drawn.
    const double perPoint = double(shown.width()) / (base.width() * s);
    const QRectF source(dirty.x() * perPoint, dirty.y() * perPoint, dirty.width() * perPoint,
                        dirty.height() * perPoint);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, s * devicePixelRatioF() < 1);
    painter.drawImage(QRectF(dirty), shown, source);
    painter.restore();
}

void EditorView::paintAnnotations(QPainter& painter, const QRect& dirty, const std::optional<QUuid>& skip,
                                  Layers which) {
    const EditorRenderer::Scene scene = m_model.scene(false);
    const double s = scale();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setClipRect(dirty);
    bool beforeSkip = true;
    for (const Annotation& a : m_model.layeredAnnotations()) {
        if (skip && a.id == *skip) {
            beforeSkip = false;
            continue;
        }
        if ((which == Layers::belowSkip && !beforeSkip) || (which == Layers::aboveSkip && beforeSkip))
            continue;
        if (!paintedReach(a).intersects(dirty)) continue;
        if (!m_beyondBudget.isEmpty() && m_beyondBudget.contains(a.id)) continue;
        EditorRenderer::draw(a, painter, scene, s, true);
    }
    painter.restore();
}

void EditorView::paintDraft(QPainter& painter) {
    const std::optional<Annotation>& draft = m_model.draft();
    if (!draft) return;
    const EditorRenderer::Scene scene = m_model.scene(false);
    const double s = scale();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (draft->tool == EditorTool::crop) {
        const QRectF r = scaled(draft->rect(), s);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(outlinePen(Qt::white, 1.5, {6, 4}));
        painter.drawRect(r);
        painter.setPen(outlinePen(Qt::black, 1.5, {6, 4}, 5));
        painter.drawRect(r);
    } else {
        EditorRenderer::draw(*draft, painter, scene, s, true);
        if (draft->tool == EditorTool::blur) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(outlinePen(Qt::white, 1.5, {6, 4}));
            painter.drawRect(scaled(draft->rect(), s));
        }
    }
    painter.restore();
}

void EditorView::paintSelectionOverlay(QPainter& painter) {
    const double s = scale();
    const QColor accent = accentColor();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    auto marker = [&](QPointF centre, double diameter) {
        painter.setPen(outlinePen(accent, 1.5));
        painter.setBrush(Qt::white);
        painter.drawEllipse(centre, diameter / 2, diameter / 2);
    };
    if (m_model.tool() == EditorTool::select) {
        const QList<Annotation>& list = m_model.annotations();
        if (m_model.selectedIDs().size() > 1) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(outlinePen(accent, 1.5, {4, 3}));
            for (const Annotation& a : list)
                if (m_model.selectedIDs().contains(a.id))
                    painter.drawRect(scaled(Geo::bounds(a), s).adjusted(-4, -4, 4, 4));
        } else if (const std::optional<int> index = m_model.selectedIndex()) {
            const Annotation& a = list[*index];
            const QRectF b = scaled(Geo::bounds(a), s);
            if (a.rotation != 0) {
                painter.translate(b.center());
                painter.rotate(a.rotation * 180 / M_PI);
                painter.translate(-b.center());
            }
            const QPointF top(b.center().x(), b.top());
            painter.setPen(outlinePen(accent, 1));
            painter.drawLine(top - QPointF(0, kKnobStemFrom), top - QPointF(0, kKnobStemTo));
            marker(top - QPointF(0, ObjectManipulation::kKnobDistance), kMarkerDiameter);
            if (EditorTools::isVertexEditable(a.tool)) {
                for (const QPointF& p : a.points)
                    marker(p * s, kMarkerDiameter);
            } else {
                if (a.tool == EditorTool::image) {
                    painter.setBrush(Qt::NoBrush);
                    painter.setPen(outlinePen(accent, 1.5, {6, 4}));
                    painter.drawPath(Geo::path(a, s));
                    for (const QPointF& p : a.points)
                        marker(p * s, kMarkerDiameter);
                }
                painter.setBrush(Qt::NoBrush);
                painter.setPen(outlinePen(accent, 1, {4, 3}));
                painter.drawRect(b.adjusted(-3, -3, 3, 3));
                painter.setPen(outlinePen(accent, 1));
                painter.setBrush(Qt::white);
                for (ResizeHandle h : ObjectManipulation::selectionHandles(a)) {
                    const QPointF c = ObjectManipulation::handlePosition(h, b);
                    painter.drawRect(
                        QRectF(c.x() - kHandleSize / 2, c.y() - kHandleSize / 2, kHandleSize, kHandleSize));
                }
            }
        }
    }
    painter.restore();
    if (const std::optional<QPointF>& snap = m_model.snapIndicator()) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(outlinePen(accent, 2));
        painter.drawEllipse(*snap * s, kSnapDiameter / 2, kSnapDiameter / 2);
        painter.restore();
    }
}

void EditorView::paintMarquee(QPainter& painter) {
    const std::optional<QRectF>& marquee = m_interaction.marqueeRect();
    if (!marquee) return;
    QColor fill = accentColor();
    fill.setAlphaF(0.12f);
    painter.save();
    const QRectF r = scaled(*marquee, scale());
    painter.fillRect(r, fill);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(outlinePen(accentColor(), 1, {5, 3}));
    painter.drawRect(r);
    painter.restore();
}
