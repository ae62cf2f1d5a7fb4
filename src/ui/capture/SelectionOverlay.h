#pragma once

#include "ui/capture/OverlayWindow.h"

#include <QPointer>

#include <functional>
#include <optional>

class SelectionOverlayView;

// The selection shared by the overlays of one capture, in global logical coordinates: a drag may go
// on across screens, each screen shows its part, and a kept selection is moved or resized from any
// of them.
class SelectionGroup final : public QObject {
    Q_OBJECT

public:
    // `bounds`: every screen of the capture together.
    explicit SelectionGroup(const QRectF& bounds, QObject* parent = nullptr) : QObject(parent), m_bounds(bounds) {}
    const QRectF& bounds() const { return m_bounds; }
    const std::optional<QRectF>& rect() const { return m_rect; }
    // A selection kept (with handles) rather than one being drawn.
    bool kept() const { return m_kept; }
    void set(std::optional<QRectF> rect, bool kept, const QObject* from) {
        m_rect = rect;
        m_kept = kept;
        emit changed(from);
    }

signals:
    void changed(const QObject* from);

private:
    QRectF m_bounds;
    std::optional<QRectF> m_rect;
    bool m_kept = false;
};

// The region overlay over one screen: a drag selects a rectangle; Escape, a click or a sliver
// selects nothing. Adjustable, the selection stays after the drag, to be moved, resized and nudged
// until Return or a double-click inside it. Reports once.
class SelectionOverlayWindow final : public OverlayWindow {
    Q_OBJECT

public:
    struct Result {
        QScreen* screen = nullptr;
        QRectF rect; // global logical coordinates
    };

    SelectionOverlayWindow(QScreen* screen, const QImage& frozen,
                           std::function<void(std::optional<Result>)> onFinish, bool adjustable = false);
    SelectionOverlayView* view() const { return m_view; }

protected:
    void cancel() override;

private:
    void finishView(std::optional<QRectF> rect);

    std::function<void(std::optional<Result>)> m_onFinish;
    SelectionOverlayView* m_view;
};

// What the overlay shows: the dimmed screen, the selection undimmed with its outline and size, or
// the crosshair before a drag.
class SelectionOverlayView final : public QWidget {
    Q_OBJECT

public:
    explicit SelectionOverlayView(SelectionOverlayWindow* window);

    std::function<void(std::optional<QRectF>)> onFinish; // view coordinates

    const std::optional<QPointF>& dragStart() const { return m_dragStart; }
    const std::optional<QPointF>& cursorLocation() const { return m_cursorLocation; }
    void setAdjustable(bool adjustable) { m_adjustable = adjustable; }
    bool isAdjustable() const { return m_adjustable; }
    // The selection kept after a drag, in adjustable mode.
    const std::optional<QRectF>& selection() const { return m_selection; }
    // Shares the selection with the other screens' overlays.
    void setGroup(SelectionGroup* group);
    // Where a selection may go, in view coordinates: this screen, or every screen of the group.
    QRectF bounds() const;
    // The line at the top of the screen under the pointer.
    QString hint() const;
    // The frozen screen's pixel under a point of this view, in device pixels, and its colour as
    // six hex digits ("3A6EA5"); C copies that text.
    QPoint devicePixelAt(QPointF point) const;
    QString colorHexAt(QPointF point) const;
    // The magnifier's box for the pointer at `point`: beside it, away from the screen's edges.
    QRectF magnifierBox(QPointF point) const;
    static constexpr int kMagnified = 15; // device pixels across
    static constexpr int kZoom = 8;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void drawSizeLabel(QPainter& painter, const QRectF& rect);
    void drawHint(QPainter& painter);
    void drawMagnifier(QPainter& painter, QPointF point);
    QPointF reaching(QPointF point) const;
    void finish(std::optional<QRectF> rect);
    QPointF origin() const; // this view's top left in global coordinates
    // Tells the group what this view shows now.
    void publish();
    void groupChanged(const QObject* from);
    // What a drag with the button down does.
    enum class Drag { none, drawing, moving, resizing };

    SelectionOverlayWindow* m_window;
    std::optional<QPointF> m_dragStart;
    std::optional<QPointF> m_dragCurrent;
    std::optional<QPointF> m_cursorLocation;
    bool m_adjustable = false;
    std::optional<QRectF> m_selection;
    Drag m_drag = Drag::none;
    int m_edges = 0;
    QPointF m_last;
    bool m_spaceHeld = false; // moves the selection being drawn instead of resizing it
    bool m_pointerHere = false;
    QPointer<SelectionGroup> m_group;
    std::optional<QRectF> m_drawnElsewhere; // a drag another screen's overlay is making
};
