#include "app/ActivationPolicy.h"

#include "platform/Session.h"

#include <QTimer>

ActivationPolicy::ActivationPolicy(std::unique_ptr<Desktop> desktop, QObject* parent)
    : QObject(parent), m_desktop(desktop ? std::move(desktop) : std::make_unique<Desktop>()) {}

ActivationPolicy::~ActivationPolicy() = default;

ActivationPolicy& ActivationPolicy::shared() {
    static ActivationPolicy policy;
    return policy;
}

void ActivationPolicy::windowOpened(QWidget* window) {
    ++m_openWindows;
    const Presence before = m_presence;
    setPresence(Presence::foreground);
    if (!window) return;
    // A launch's startup id goes on the window before it maps.
    if (Session::hasStartupId()) {
        window->winId();
        Session::markWindow(window->windowHandle());
    }

    m_desktop->bringToFront(window);
    // The window may be gone by the time a retry runs.
    const QPointer<QWidget> guarded(window);
    QTimer::singleShot(0, this, [this, guarded] { retry(guarded); });
    if (before != Presence::foreground)
        QTimer::singleShot(kSettleMs, this, [this, guarded] { retry(guarded); });
}

void ActivationPolicy::windowClosed() {
    if (m_openWindows > 0) --m_openWindows;
    if (m_openWindows == 0) setPresence(Presence::trayOnly);
}

void ActivationPolicy::setPresence(Presence presence) {
    if (presence == m_presence) return;
    m_presence = presence;
    emit presenceChanged(presence);
}

void ActivationPolicy::retry(const QPointer<QWidget>& window) {
    if (window && !m_desktop->isActive(window)) m_desktop->bringToFront(window);
}
