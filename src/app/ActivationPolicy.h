#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

// Counts the open editor and preview windows and switches between the program's two presences:
// tray-only while none is open, an ordinary application with focusable windows while any is.
// A newly opened window is raised and activated at once, again on the next turn of the event
// loop if it still is not active, and once more after a short settling time when the program
// was tray-only (window managers may refuse focus to a program that had no window a moment
// ago). Retries are timers, never a nested event loop. Main thread only.
class ActivationPolicy : public QObject {
    Q_OBJECT

public:
    enum class Presence { trayOnly, foreground };
    Q_ENUM(Presence)

    // How long a program that was tray-only waits before its last activation attempt.
    static constexpr int kSettleMs = 200;

    // What the policy asks of the desktop; tests substitute their own.
    class Desktop {
    public:
        virtual ~Desktop() = default;
        virtual bool isActive(QWidget* window) const { return window->isActiveWindow(); }
        virtual void bringToFront(QWidget* window) {
            window->raise();
            window->activateWindow();
        }
    };

    explicit ActivationPolicy(std::unique_ptr<Desktop> desktop = std::make_unique<Desktop>(),
                              QObject* parent = nullptr);
    ~ActivationPolicy() override;

    // The one the program's windows report to.
    static ActivationPolicy& shared();

    // Call just before an editor or preview window is shown; `window` may be null.
    void windowOpened(QWidget* window);
    // The matching call from the window's close handling.
    void windowClosed();

    int openWindows() const { return m_openWindows; }
    Presence presence() const { return m_presence; }

signals:
    void presenceChanged(ActivationPolicy::Presence presence);

private:
    void setPresence(Presence presence);
    void retry(const QPointer<QWidget>& window);

    std::unique_ptr<Desktop> m_desktop;
    int m_openWindows = 0;
    Presence m_presence = Presence::trayOnly;
};
