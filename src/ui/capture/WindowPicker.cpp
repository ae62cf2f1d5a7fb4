#include "ui/capture/WindowPicker.h"

#include "graphics/DrawingSurface.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

WindowPickerOverlay::WindowPickerOverlay(QScreen* screen, const QImage& frozen, QList<Candidate> candidates,
                                         std::function<void(std::optional<int>)> onFinish)
    : OverlayWindow(screen, frozen), m_candidates(std::move(candidates)), m_onFinish(std::move(onFinish)) {
    setWindowTitle(QCoreApplication::translate("Capture", "Pick a window"));
    setAccessibleName(QCoreApplication::translate("Capture", "Click a window to capture it; Escape cancels"));
    setCursor(Qt::PointingHandCursor);
}

void WindowPickerOverlay::showEvent(QShowEvent* event) {
    OverlayWindow::showEvent(event);
    // The window under the pointer is lit at once, before the pointer moves.
    m_highlighted = candidateAt(mapFromGlobal(QCursor::pos()));
    update();
}

std::optional<int> WindowPickerOverlay::candidateAt(QPointF point) const {
    for (int i = 0; i < m_candidates.size(); ++i)
        if (QRectF(m_candidates[i].frame).contains(point)) return i;
    return std::nullopt;
}

void WindowPickerOverlay::mouseMoveEvent(QMouseEvent* event) {
    const std::optional<int> under = candidateAt(event->position());
    if (under == m_highlighted) return;
    m_highlighted = under;
    update();
}

void WindowPickerOverlay::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const std::optional<int> under = candidateAt(event->position());
    // A click on the bare desktop picks nothing and keeps the picker open.
    if (under) finish(m_candidates[*under].index);
}

void WindowPickerOverlay::cancel() {
    finish(std::nullopt);
}

void WindowPickerOverlay::finish(std::optional<int> index) {
    if (!m_onFinish) return;
    std::exchange(m_onFinish, nullptr)(index);
}

void WindowPickerOverlay::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    paintFrozen(painter, event->rect());
    if (!m_highlighted) {
        painter.fillRect(event->rect(), QColor(0, 0, 0, int(0.12 * 255)));
        drawHint(painter);
        return;
    }
    const Candidate& c = m_candidates[*m_highlighted];
    // Everything but the window under the pointer is dimmed; the window gets a blue outline.
    QRegion dim(rect());
    dim -= c.frame;
    painter.save();
    painter.setClipRegion(dim);
    painter.fillRect(rect(), QColor(0, 0, 0, int(0.3 * 255)));
    painter.restore();
    painter.setPen(QPen(QColor(0, 122, 255), 3));
    painter.setBrush(QColor(0, 122, 255, 40));
    painter.drawRect(QRectF(c.frame).adjusted(1.5, 1.5, -1.5, -1.5));
    if (!c.title.isEmpty()) {
        const QFont font = DrawingSurface::systemFont(13, DrawingSurface::FontWeight::medium, logicalDpiY());
        painter.setFont(font);
        const QFontMetricsF metrics(font, this);
        const QString title = metrics.elidedText(c.title, Qt::ElideRight, std::max(40, c.frame.width() - 40));
        const QSizeF size = metrics.size(Qt::TextSingleLine, title);
        QRectF box(QPointF(0, 0), size + QSizeF(20, 10));
        box.moveCenter(QRectF(c.frame).intersected(QRectF(rect())).center());
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, int(0.7 * 255)));
        painter.drawRoundedRect(box, 6, 6);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, title);
    }
    drawHint(painter);
}

namespace {

QFont hintFont(const QWidget* widget) {
    return DrawingSurface::systemFont(13, DrawingSurface::FontWeight::regular, widget->logicalDpiY());
}

} // namespace

QRectF WindowPickerOverlay::hintBox() const {
    const QSizeF text = QFontMetricsF(hintFont(this), this).size(Qt::TextSingleLine, hint());
    QRectF box(QPointF(0, 0), text + QSizeF(28, 14));
    box.moveCenter(QPointF(width() / 2.0, 0));
    box.moveTop(24);
    return box;
}

void WindowPickerOverlay::drawHint(QPainter& painter) {
    const QRectF box = hintBox();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, int(0.75 * 255)));
    painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
    painter.setFont(hintFont(this));
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, hint());
    painter.restore();
}
