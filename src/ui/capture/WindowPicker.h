#pragma once

#include "ui/capture/OverlayWindow.h"

#include <QCoreApplication>
#include <QList>
#include <QRect>
#include <QString>

#include <functional>
#include <optional>

// Window picking over the frozen screen: the window under the pointer is highlighted with its
// title; a click picks it, Escape cancels. Frames are in this window's own coordinates, top first.
class WindowPickerOverlay final : public OverlayWindow {
    Q_OBJECT

public:
    struct Candidate {
        QRect frame; // logical, relative to this overlay
        QString title;
        int index = -1; // into the caller's list
    };

    WindowPickerOverlay(QScreen* screen, const QImage& frozen, QList<Candidate> candidates,
                        std::function<void(std::optional<int>)> onFinish);

    // The candidate under `point` (overlay coordinates), top first.
    std::optional<int> candidateAt(QPointF point) const;
    std::optional<int> highlighted() const { return m_highlighted; }
    // The line at the top of every screen, so a picker with no window under the pointer does not
    // look broken.
    static QString hint() { return QCoreApplication::translate("Capture", "Click a window to capture it · Escape cancels"); }
    // Where that line is drawn, in this window's coordinates.
    QRectF hintBox() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void cancel() override;

private:
    void finish(std::optional<int> index);
    void drawHint(QPainter& painter);

    QList<Candidate> m_candidates;
    std::function<void(std::optional<int>)> m_onFinish;
    std::optional<int> m_highlighted; // position in m_candidates
};
