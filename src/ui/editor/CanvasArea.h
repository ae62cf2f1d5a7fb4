#pragma once

#include <QScrollArea>

#include <optional>
#include <utility>

class EditorView;

// The scrollable central area: the canvas centred with a 20-point margin on the under-page
// background, with a soft shadow painted around it (a graphics effect would repaint the whole
// 5K canvas for every small change).
class CanvasArea : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int kMargin = 20;

    explicit CanvasArea(EditorView* view, QWidget* parent = nullptr);
    EditorView* view() const { return m_view; }
    // The zoom at which the whole picture fits the area, margins included.
    double fittingZoom() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Ctrl+wheel zooms about the pointer.
    void wheelEvent(QWheelEvent* event) override;
    // A click beside the picture ends the typing of a text, as a click on it does.
    void mousePressEvent(QMouseEvent* event) override;

private:
    void relayout();

    EditorView* m_view;
    QWidget* m_frame;
    // While a wheel zoom runs: the viewport point and the picture point that stay together.
    std::optional<std::pair<QPoint, QPointF>> m_zoomAnchor;
};
