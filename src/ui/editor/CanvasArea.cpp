#include "ui/editor/CanvasArea.h"

#include "editor/EditorModel.h"
#include "ui/editor/EditorColors.h"
#include "ui/editor/EditorView.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

namespace {

// Holds the canvas in the middle of at least the visible area and paints what lies around it.
class CanvasFrame : public QWidget {
public:
    CanvasFrame(EditorView* view, QWidget* parent) : QWidget(parent), m_view(view) {
        view->setParent(this);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void relayout(QSize viewport) {
        const QSize canvas = m_view->size();
        const QSize needed = canvas + QSize(2 * CanvasArea::kMargin, 2 * CanvasArea::kMargin);
        setMinimumSize(needed);
        const QSize frame = needed.expandedTo(viewport);
        resize(frame);
        m_view->move((frame.width() - canvas.width()) / 2, (frame.height() - canvas.height()) / 2);
        // Qt repaints what the canvas uncovers, not the shadow around it. The canvas has often
        // been resized already when this runs, so the old shadow is the one last laid out.
        if (m_view->geometry() != m_shadowed) {
            update(shadowRing(m_shadowed) + shadowRing(m_view->geometry()));
            m_shadowed = m_view->geometry();
        }
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), EditorColors::underPage(palette()));
        // A soft shadow: a few widening translucent rings, black at about 30 % in total.
        const QRect canvas = m_view->geometry();
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        for (int ring = kShadowRings; ring >= 1; --ring) {
            painter.setBrush(QColor(0, 0, 0, 10 - ring));
            painter.drawRoundedRect(QRectF(canvas).adjusted(-ring, -ring, ring, ring), ring, ring);
        }
    }

private:
    static constexpr int kShadowRings = 8;

    // Where the shadow of a canvas at `canvas` paints, antialiasing included.
    static QRegion shadowRing(const QRect& canvas) {
        const int reach = kShadowRings + 1;
        return QRegion(canvas.adjusted(-reach, -reach, reach, reach)) - QRegion(canvas);
    }

    EditorView* m_view;
    QRect m_shadowed; // the canvas rectangle whose shadow was last asked for
};

} // namespace

CanvasArea::CanvasArea(EditorView* view, QWidget* parent)
    : QScrollArea(parent), m_view(view), m_frame(new CanvasFrame(view, this)) {
    setWidget(m_frame);
    setWidgetResizable(false);
    setFrameShape(QFrame::NoFrame);
    connect(view, &EditorView::zoomChanged, this, [this] {
        // Keep the middle of what was visible in the middle after zooming.
        auto fraction = [](const QScrollBar* bar) {
            return bar->maximum() ? double(bar->value()) / bar->maximum() : 0.5;
        };
        const double fx = fraction(horizontalScrollBar()), fy = fraction(verticalScrollBar());
        relayout();
        if (m_zoomAnchor) {
            // The picture point under the pointer stays under it.
            const auto [at, picturePoint] = *m_zoomAnchor;
            const QPointF inView = picturePoint * m_view->scale();
            const QPoint viewInFrame = m_view->mapTo(m_frame, QPoint());
            horizontalScrollBar()->setValue(int(std::lround(viewInFrame.x() + inView.x() - at.x())));
            verticalScrollBar()->setValue(int(std::lround(viewInFrame.y() + inView.y() - at.y())));
        } else {
            horizontalScrollBar()->setValue(int(fx * horizontalScrollBar()->maximum()));
            verticalScrollBar()->setValue(int(fy * verticalScrollBar()->maximum()));
        }
        m_view->revealTextCaret();
    });
    // The text entry field lies over the viewport so that the picture's edges never clip it; it
    // follows its text when the canvas scrolls or moves.
    view->setTextFieldHost(viewport());
    connect(view, &EditorView::textCaretMoved, this, [this](QRect caret) {
        const QRect inFrame(m_view->mapTo(m_frame, caret.topLeft()), caret.size());
        ensureVisible(inFrame.center().x(), inFrame.center().y(), inFrame.width() / 2 + kMargin,
                      inFrame.height() / 2 + kMargin);
    });
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, view, &EditorView::placeTextField);
    // The canvas changes size with the image (crop, rotate, expand).
    view->installEventFilter(this);
    relayout();
}

void CanvasArea::relayout() {
    static_cast<CanvasFrame*>(m_frame)->relayout(viewport()->size());
    m_view->placeTextField();
}

void CanvasArea::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    relayout();
}

double CanvasArea::fittingZoom() const {
    const QSizeF picture = m_view->model().imageSize() / std::max(m_view->devicePixelRatioF(), 1.0);
    if (picture.isEmpty()) return 1;
    const QSize room = maximumViewportSize() - QSize(2 * kMargin, 2 * kMargin);
    const double zoom = std::min(room.width() / picture.width(), room.height() / picture.height());
    return std::clamp(zoom, EditorView::kMinZoom, EditorView::kMaxZoom);
}

void CanvasArea::mousePressEvent(QMouseEvent* event) {
    m_view->interaction().commitPendingText();
    QScrollArea::mousePressEvent(event);
}

void CanvasArea::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier) || event->angleDelta().y() == 0)
        return QScrollArea::wheelEvent(event);
    // Wheel events reach the area through its viewport, in the viewport's coordinates.
    const QPoint at = event->position().toPoint();
    const QPointF picturePoint = QPointF(m_view->mapFrom(viewport(), at)) / m_view->scale();
    m_zoomAnchor = std::pair{at, picturePoint};
    if (event->angleDelta().y() > 0)
        m_view->zoomIn();
    else
        m_view->zoomOut();
    m_zoomAnchor.reset();
    event->accept();
}

bool CanvasArea::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::Resize) relayout();
    return QScrollArea::eventFilter(watched, event);
}
