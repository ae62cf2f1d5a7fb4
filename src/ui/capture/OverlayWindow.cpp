#include "ui/capture/OverlayWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

OverlayWindow::OverlayWindow(QScreen* screen, const QImage& frozen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint),
      m_screen(screen), m_frozen(frozen) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    m_frozen.setDevicePixelRatio(screen ? screen->devicePixelRatio() : 1.0);
    if (screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
    }
}

void OverlayWindow::present(bool takeKeyboard) {
    m_takeKeyboard = takeKeyboard;
    // The window manager is bypassed on X11, so the window covers panels too; elsewhere the
    // compositor is asked for the whole screen.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        show();
    else
        showFullScreen();
    raise();
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void OverlayWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (QWindow* window = windowHandle(); window && !m_watching) {
        window->installEventFilter(this);
        m_watching = true;
    }
    // Override-redirect windows get no focus from a window manager: take the keyboard outright,
    // once the window is mapped.
    QTimer::singleShot(0, this, [this] {
        if (!isVisible() || !m_takeKeyboard) return;
        QWidget* target = focusProxy() ? focusProxy() : this;
        target->grabKeyboard();
    });
}

// Another X client may unmap or destroy the window under Qt's feet (xdotool windowclose, a window
// manager's kill of override-redirect windows): Qt then only sees it stop being exposed. An
// overlay once on the screen and no longer there ends its capture.
bool OverlayWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && watched == windowHandle()) {
        if (windowHandle()->isExposed())
            m_wasExposed = true;
        else if (m_wasExposed && isVisible())
            QTimer::singleShot(0, this, [this] { cancel(); });
    }
    return QWidget::eventFilter(watched, event);
}

void OverlayWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    cancel();
}

void OverlayWindow::paintFrozen(QPainter& painter, const QRectF& area) const {
    if (m_frozen.isNull()) {
        painter.fillRect(area, Qt::black);
        return;
    }
    const double s = m_frozen.devicePixelRatio();
    painter.drawImage(area, m_frozen, QRectF(area.topLeft() * s, area.size() * s));
}

void OverlayWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}
