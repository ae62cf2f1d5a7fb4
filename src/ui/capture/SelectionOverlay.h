#pragma once

#include "ui/capture/OverlayWindow.h"

#include <functional>
#include <optional>

class SelectionOverlayView;

// The region overlay over one screen: a drag selects a rectangle; Escape, a click or a sliver
// selects nothing. Reports once.
class SelectionOverlayWindow final : public OverlayWindow {
    Q_OBJECT

public:
    struct Result {
        QScreen* screen = nullptr;
        QRectF rect; // global logical coordinates
    };

    SelectionOverlayWindow(QScreen* screen, const QImage& frozen,
                           std::function<void(std::optional<Result>)> onFinish);
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

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void drawSizeLabel(QPainter& painter, const QRectF& rect);
    QPointF reaching(QPointF point) const;

    SelectionOverlayWindow* m_window;
    std::optional<QPointF> m_dragStart;
    std::optional<QPointF> m_dragCurrent;
    std::optional<QPointF> m_cursorLocation;
};
