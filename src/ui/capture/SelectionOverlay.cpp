#include "ui/capture/SelectionOverlay.h"

#include "graphics/DrawingSurface.h"
#include "ui/capture/SelectionGeometry.h"

#include <QCoreApplication>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

SelectionOverlayWindow::SelectionOverlayWindow(QScreen* screen, const QImage& frozen,
                                               std::function<void(std::optional<Result>)> onFinish, bool adjustable)
    : OverlayWindow(screen, frozen), m_onFinish(std::move(onFinish)), m_view(new SelectionOverlayView(this)) {
    m_view->setAdjustable(adjustable);
    setWindowTitle(QCoreApplication::translate("Capture", "Select a region"));
    setAccessibleName(QCoreApplication::translate("Capture", "Select a region"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    setFocusProxy(m_view);
    m_view->onFinish = [this](std::optional<QRectF> rect) { finishView(rect); };
}

void SelectionOverlayWindow::finishView(std::optional<QRectF> rect) {
    if (!m_onFinish) return;
    const auto onFinish = std::exchange(m_onFinish, nullptr);
    if (!rect) return onFinish(std::nullopt);
    onFinish(Result{targetScreen(), rect->translated(m_view->mapToGlobal(QPointF(0, 0)))});
}

void SelectionOverlayWindow::cancel() {
    finishView(std::nullopt);
}

SelectionOverlayView::SelectionOverlayView(SelectionOverlayWindow* window) : QWidget(window), m_window(window) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QCoreApplication::translate("Capture", "Drag to select a region; Escape cancels"));
}

void SelectionOverlayView::setGroup(SelectionGroup* group) {
    if (m_group) disconnect(m_group, nullptr, this, nullptr);
    m_group = group;
    if (group) connect(group, &SelectionGroup::changed, this, &SelectionOverlayView::groupChanged);
}

QPointF SelectionOverlayView::origin() const {
    return mapToGlobal(QPointF(0, 0));
}

QRectF SelectionOverlayView::bounds() const {
    return m_group ? m_group->bounds().translated(-origin()) : QRectF(rect());
}

void SelectionOverlayView::publish() {
    if (!m_group) return;
    const bool drawing = m_dragStart && m_dragCurrent;
    const std::optional<QRectF> shown =
        drawing ? std::optional(SelectionGeometry::normalized(*m_dragStart, *m_dragCurrent)) : m_selection;
    m_group->set(shown ? std::optional(shown->translated(origin())) : std::nullopt, !drawing, this);
}

void SelectionOverlayView::groupChanged(const QObject* from) {
    if (from == this) return;
    // Another screen's overlay draws or adjusts: this one shows its part and can take it over.
    m_dragStart.reset();
    m_dragCurrent.reset();
    m_drag = Drag::none;
    const std::optional<QRectF> local =
        m_group->rect() ? std::optional(m_group->rect()->translated(-origin())) : std::nullopt;
    m_selection = m_group->kept() ? local : std::nullopt;
    m_drawnElsewhere = m_group->kept() ? std::nullopt : local;
    update();
}

void SelectionOverlayView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF p = event->position();
    m_last = p;
    if (m_selection) {
        if ((m_edges = SelectionGeometry::handleAt(*m_selection, p))) {
            m_drag = Drag::resizing;
            return;
        }
        if (m_selection->contains(p)) {
            m_drag = Drag::moving;
            return;
        }
        m_selection.reset(); // a press outside starts a new selection
    }
    m_drag = Drag::drawing;
    m_dragStart = m_dragCurrent = p;
    publish();
    update();
}

// The pointer stops on the last pixel of the screens: a drag to the edge takes the edge's pixels.
// Past this screen's edge it goes on over the group's other screens.
QPointF SelectionOverlayView::reaching(QPointF p) const {
    const QRectF area = bounds();
    p.setX(std::clamp(p.x(), area.left(), area.right()));
    p.setY(std::clamp(p.y(), area.top(), area.bottom()));
    if (p.x() >= area.right() - 1) p.setX(area.right());
    if (p.y() >= area.bottom() - 1) p.setY(area.bottom());
    return p;
}

void SelectionOverlayView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    const QPointF delta = p - m_last;
    m_last = p;
    m_cursorLocation = p;
    switch (m_drag) {
    case Drag::drawing:
        if (m_spaceHeld && m_dragStart && m_dragCurrent) {
            // Space held: the rectangle as drawn so far moves with the pointer.
            const QRectF moved = SelectionGeometry::keptInside(
                SelectionGeometry::normalized(*m_dragStart, *m_dragCurrent).translated(delta), bounds());
            const QPointF shift = moved.topLeft() - SelectionGeometry::normalized(*m_dragStart, *m_dragCurrent).topLeft();
            *m_dragStart += shift;
            *m_dragCurrent += shift;
        } else
            m_dragCurrent = reaching(p);
        break;
    case Drag::moving:
        m_selection = SelectionGeometry::keptInside(m_selection->translated(delta), bounds());
        break;
    case Drag::resizing:
        // Space held moves the whole selection here too.
        m_selection = m_spaceHeld ? SelectionGeometry::keptInside(m_selection->translated(delta), bounds())
                                  : SelectionGeometry::resized(*m_selection, m_edges, reaching(p));
        break;
    case Drag::none:
        break;
    }
    if (m_drag != Drag::none) publish();
    update();
}

void SelectionOverlayView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const Drag drag = std::exchange(m_drag, Drag::none);
    if (drag != Drag::drawing) return update();
    std::optional<QRectF> rect;
    if (m_dragStart && m_dragCurrent) rect = SelectionGeometry::normalized(*m_dragStart, *m_dragCurrent);
    m_dragStart.reset();
    m_dragCurrent.reset();
    update();
    if (!rect || !SelectionGeometry::isLargeEnough(*rect)) return finish(std::nullopt);
    if (m_adjustable) {
        m_selection = rect;
        publish();
        return;
    }
    finish(*rect);
}

void SelectionOverlayView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_selection && m_selection->contains(event->position())) {
        // A sliver squeezed by a handle is no selection, as a drag that small is not.
        if (SelectionGeometry::isLargeEnough(*m_selection)) finish(*m_selection);
        return;
    }
    QWidget::mouseDoubleClickEvent(event);
}

void SelectionOverlayView::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Space:
        m_spaceHeld = true;
        return;
    case Qt::Key_C:
        if (m_cursorLocation && event->modifiers() == Qt::NoModifier) {
            QGuiApplication::clipboard()->setText(colorHexAt(*m_cursorLocation));
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_selection) {
            if (SelectionGeometry::isLargeEnough(*m_selection)) finish(*m_selection);
            return;
        }
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (m_selection) {
            const double step = shift ? 10 : 1;
            const QPointF d = event->key() == Qt::Key_Left    ? QPointF(-step, 0)
                              : event->key() == Qt::Key_Right ? QPointF(step, 0)
                              : event->key() == Qt::Key_Up    ? QPointF(0, -step)
                                                              : QPointF(0, step);
            m_selection = SelectionGeometry::keptInside(m_selection->translated(d), bounds());
            publish();
            update();
            return;
        }
        break;
    default:
        break;
    }
    event->ignore(); // Escape and the rest go to the window
}

void SelectionOverlayView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) m_spaceHeld = false;
    event->ignore();
}

void SelectionOverlayView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The pointer may sit still over the screen: the crosshair, magnifier and C work at once.
    const QPointF here = mapFromGlobal(QCursor::pos());
    if (QRectF(rect()).contains(here)) {
        m_cursorLocation = here;
        m_pointerHere = true;
    }
}

void SelectionOverlayView::enterEvent(QEnterEvent* event) {
    m_pointerHere = true;
    update();
    QWidget::enterEvent(event);
}

void SelectionOverlayView::leaveEvent(QEvent* event) {
    m_pointerHere = false;
    update();
    QWidget::leaveEvent(event);
}

void SelectionOverlayView::finish(std::optional<QRectF> rect) {
    if (onFinish) onFinish(rect);
}

QString SelectionOverlayView::hint() const {
    return m_adjustable ? QCoreApplication::translate("Capture", "Drag to select · Return to capture · Escape to cancel")
                        : QCoreApplication::translate("Capture", "Drag to select · Escape to cancel");
}

QPoint SelectionOverlayView::devicePixelAt(QPointF point) const {
    const QImage& frozen = m_window->frozen();
    const double s = frozen.isNull() ? 1.0 : frozen.devicePixelRatio();
    const QPoint device((point * s).toPoint());
    if (frozen.isNull()) return device;
    return QPoint(std::clamp(device.x(), 0, frozen.width() - 1), std::clamp(device.y(), 0, frozen.height() - 1));
}

QString SelectionOverlayView::colorHexAt(QPointF point) const {
    const QImage& frozen = m_window->frozen();
    if (frozen.isNull()) return QStringLiteral("000000");
    const QColor c = frozen.pixelColor(devicePixelAt(point));
    return QStringLiteral("%1%2%3")
        .arg(c.red(), 2, 16, QLatin1Char('0'))
        .arg(c.green(), 2, 16, QLatin1Char('0'))
        .arg(c.blue(), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QRectF SelectionOverlayView::magnifierBox(QPointF p) const {
    const double side = kMagnified * kZoom / std::max(devicePixelRatioF(), 1.0);
    const double gap = 24;
    // Below right of the pointer, flipped where the screen ends: never over the pointer, which
    // is the corner being dragged.
    QRectF box(p + QPointF(gap, gap), QSizeF(side, side + 22));
    if (box.right() > width()) box.moveRight(p.x() - gap);
    if (box.bottom() > height()) box.moveBottom(p.y() - gap);
    return box;
}

void SelectionOverlayView::drawMagnifier(QPainter& painter, QPointF p) {
    const QImage& frozen = m_window->frozen();
    if (frozen.isNull()) return;
    const QPoint centre = devicePixelAt(p);
    const QRect source(centre - QPoint(kMagnified / 2, kMagnified / 2), QSize(kMagnified, kMagnified));
    QImage pixels(kMagnified, kMagnified, QImage::Format_RGB32);
    pixels.fill(Qt::black);
    {
        QPainter copy(&pixels);
        const QRect inside = source.intersected(frozen.rect());
        copy.drawImage(inside.topLeft() - source.topLeft(), frozen, inside);
    }
    const QRectF box = magnifierBox(p);
    const QRectF zoomed(box.topLeft(), QSizeF(box.width(), box.width()));
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(zoomed, pixels);
    // The pixel under the pointer, outlined.
    const double cell = zoomed.width() / kMagnified;
    const QRectF middle(zoomed.topLeft() + QPointF(kMagnified / 2 * cell, kMagnified / 2 * cell), QSizeF(cell, cell));
    painter.setPen(QPen(QColor(255, 255, 255, 200), 1));
    painter.drawLine(QPointF(zoomed.left(), middle.center().y()), QPointF(middle.left(), middle.center().y()));
    painter.drawLine(QPointF(middle.right(), middle.center().y()), QPointF(zoomed.right(), middle.center().y()));
    painter.drawLine(QPointF(middle.center().x(), zoomed.top()), QPointF(middle.center().x(), middle.top()));
    painter.drawLine(QPointF(middle.center().x(), middle.bottom()), QPointF(middle.center().x(), zoomed.bottom()));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(middle);
    painter.setPen(QPen(QColor(0, 0, 0, 200), 1));
    painter.drawRect(zoomed.adjusted(-0.5, -0.5, 0.5, 0.5));
    // Where, in device pixels, and what colour.
    const QRectF label(zoomed.bottomLeft(), QSizeF(zoomed.width(), box.height() - zoomed.height()));
    painter.fillRect(label, QColor(0, 0, 0, 190));
    painter.setFont(DrawingSurface::systemFont(11, DrawingSurface::FontWeight::medium, logicalDpiY()));
    painter.setPen(Qt::white);
    painter.drawText(label, Qt::AlignCenter,
                     QStringLiteral("%1, %2  %3").arg(centre.x()).arg(centre.y()).arg(colorHexAt(p)));
    painter.restore();
}

void SelectionOverlayView::drawHint(QPainter& painter) {
    const QFont font = DrawingSurface::systemFont(13, DrawingSurface::FontWeight::regular, logicalDpiY());
    const QString text = hint();
    const QSizeF size = QFontMetricsF(font, this).size(Qt::TextSingleLine, text);
    QRectF box(QPointF(0, 0), size + QSizeF(28, 14));
    box.moveCenter(QPointF(width() / 2.0, 0));
    box.moveTop(24);
    const QRectF selection = m_selection ? *m_selection
                             : m_dragStart && m_dragCurrent ? SelectionGeometry::normalized(*m_dragStart, *m_dragCurrent)
                                                            : QRectF();
    // Out of the way of what is being selected.
    if (box.intersects(selection)) box.moveBottom(height() - 24);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, int(0.75 * 255)));
    painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, text);
    painter.restore();
}

void SelectionOverlayView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRectF area = event->rect();
    const QPointF offset = mapTo(m_window, QPointF(0, 0));
    painter.translate(-offset);
    m_window->paintFrozen(painter, area.translated(offset));
    painter.translate(offset);
    painter.fillRect(area, QColor(0, 0, 0, int(0.12 * 255)));
    const std::optional<QRectF> shown =
        m_dragStart && m_dragCurrent ? std::optional(SelectionGeometry::normalized(*m_dragStart, *m_dragCurrent))
        : m_selection                ? m_selection
                                     : m_drawnElsewhere;
    if (shown) {
        const QRectF r = *shown;
        // Undimmed: the picture itself inside the selection.
        painter.save();
        painter.setClipRect(r);
        painter.translate(-offset);
        m_window->paintFrozen(painter, r.translated(offset));
        painter.restore();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(0, 0, 0, int(0.8 * 255)), 1));
        painter.drawRect(r.adjusted(-1.5, -1.5, 1.5, 1.5));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(r.adjusted(-0.5, -0.5, 0.5, 0.5));
        drawSizeLabel(painter, r);
        if (m_selection && !(m_dragStart && m_dragCurrent)) {
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(QPen(QColor(0, 0, 0, int(0.8 * 255)), 1));
            painter.setBrush(Qt::white);
            for (const QRectF& handle : SelectionGeometry::handles(r))
                painter.drawRect(handle.adjusted(0.5, 0.5, -0.5, -0.5));
        }
    } else if (m_cursorLocation && m_pointerHere) {
        // Only on the screen under the pointer: the one it left keeps no stale lines.
        painter.setPen(QPen(QColor(255, 255, 255, int(0.7 * 255)), 1));
        painter.drawLine(QPointF(m_cursorLocation->x(), 0), QPointF(m_cursorLocation->x(), height()));
        painter.drawLine(QPointF(0, m_cursorLocation->y()), QPointF(width(), m_cursorLocation->y()));
    }
    // What to do, on the screen under the pointer, and what lies under it.
    if (m_pointerHere) {
        drawHint(painter);
        if (m_cursorLocation && m_drag != Drag::moving) drawMagnifier(painter, *m_cursorLocation);
    }
}

void SelectionOverlayView::drawSizeLabel(QPainter& painter, const QRectF& r) {
    const QFont font = DrawingSurface::systemFont(11, DrawingSurface::FontWeight::medium, logicalDpiY());
    painter.setFont(font);
    const QString text = SelectionGeometry::sizeLabel(r, devicePixelRatioF());
    const QSizeF size = QFontMetricsF(font, this).size(Qt::TextSingleLine, text);
    const QRectF box = SelectionGeometry::labelBox(r, size, QRectF(rect()));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, int(0.65 * 255)));
    painter.drawRoundedRect(box, 4, 4);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(box.topLeft() + QPointF(6, 3), size), Qt::AlignLeft | Qt::AlignTop, text);
}
