#include "ui/capture/SelectionOverlay.h"

#include "graphics/DrawingSurface.h"
#include "ui/capture/SelectionGeometry.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>

SelectionOverlayWindow::SelectionOverlayWindow(QScreen* screen, const QImage& frozen,
                                               std::function<void(std::optional<Result>)> onFinish)
    : OverlayWindow(screen, frozen), m_onFinish(std::move(onFinish)), m_view(new SelectionOverlayView(this)) {
    setWindowTitle(QStringLiteral("Select a region"));
    setAccessibleName(QStringLiteral("Select a region"));
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
    setAccessibleName(QStringLiteral("Drag to select a region; Escape cancels"));
}

void SelectionOverlayView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    m_dragStart = m_dragCurrent = event->position();
    update();
}

// The pointer stops on the last pixel of the screen: a drag to the edge takes the edge's pixels.
QPointF SelectionOverlayView::reaching(QPointF p) const {
    if (p.x() >= width() - 1) p.setX(width());
    if (p.y() >= height() - 1) p.setY(height());
    return p;
}

void SelectionOverlayView::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragStart)
        m_dragCurrent = reaching(event->position());
    else
        m_cursorLocation = event->position();
    update();
}

void SelectionOverlayView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    std::optional<QRectF> rect;
    if (m_dragStart && m_dragCurrent) rect = SelectionGeometry::normalized(*m_dragStart, *m_dragCurrent);
    m_dragStart.reset();
    m_dragCurrent.reset();
    update();
    if (!rect || !SelectionGeometry::isLargeEnough(*rect)) {
        if (onFinish) onFinish(std::nullopt);
        return;
    }
    if (onFinish) onFinish(*rect);
}

void SelectionOverlayView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRectF area = event->rect();
    const QPointF offset = mapTo(m_window, QPointF(0, 0));
    painter.translate(-offset);
    m_window->paintFrozen(painter, area.translated(offset));
    painter.translate(offset);
    painter.fillRect(area, QColor(0, 0, 0, int(0.12 * 255)));
    if (m_dragStart && m_dragCurrent) {
        const QRectF r = SelectionGeometry::normalized(*m_dragStart, *m_dragCurrent);
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
    } else if (m_cursorLocation) {
        painter.setPen(QPen(QColor(255, 255, 255, int(0.7 * 255)), 1));
        painter.drawLine(QPointF(m_cursorLocation->x(), 0), QPointF(m_cursorLocation->x(), height()));
        painter.drawLine(QPointF(0, m_cursorLocation->y()), QPointF(width(), m_cursorLocation->y()));
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
