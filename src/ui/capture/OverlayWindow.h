#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <QScreen>

// A borderless window over one whole screen that shows the screen as it was grabbed. Without a
// compositor a translucent window is black, not see-through, so overlays paint the frozen picture
// and the region is cut from that same picture. It takes the keyboard and the pointer while shown.
class OverlayWindow : public QWidget {
    Q_OBJECT

public:
    OverlayWindow(QScreen* screen, const QImage& frozen);

    QScreen* targetScreen() const { return m_screen; }
    const QImage& frozen() const { return m_frozen; }
    // Shows the window over its screen, above everything. One overlay of a capture takes the
    // keyboard (for Escape); the pointer stays free, so each screen's overlay gets its own events.
    void present(bool takeKeyboard = true);
    // The grabbed picture under `area` (window coordinates); black when there is none.
    void paintFrozen(QPainter& painter, const QRectF& area) const;

protected:
    void showEvent(QShowEvent* event) override;
    // However the window goes (a compositor's close, Alt+F4, another client unmapping it), the
    // capture hears of it.
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape and losing the session's keyboard grab cancel.
    void keyPressEvent(QKeyEvent* event) override;
    // Reports "nothing selected" unless the overlay has reported already.
    virtual void cancel() = 0;

private:
    QPointer<QScreen> m_screen;
    bool m_takeKeyboard = true;
    bool m_watching = false;
    bool m_wasExposed = false;
    QImage m_frozen;
};
