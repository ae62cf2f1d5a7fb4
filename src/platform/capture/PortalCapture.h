#pragma once

#include "platform/capture/CaptureBackend.h"

#include <QDBusConnection>

// Grabs through the desktop portal's Screenshot request (xdg-desktop-portal over the session bus),
// the one way a Wayland session lets a program see the screen. Every call is asynchronous: the
// request is answered by a Response signal, watched with a timeout, never waited for in a nested
// event loop. Requests run one at a time, the next sent only once the answered file is read and
// deleted: KDE names its files to the second, so two requests in flight could share one picture.
// Destroying the backend drops the requests still running or waiting without calling their `done`.
class PortalCapture final : public CaptureBackend {
    Q_OBJECT

public:
    // On the session bus.
    explicit PortalCapture(QObject* parent = nullptr);
    // On another bus (tests start private ones).
    explicit PortalCapture(const QDBusConnection& bus, QObject* parent = nullptr);
    ~PortalCapture() override;

    QString name() const override { return QStringLiteral("portal"); }
    Abilities abilities() const override { return {true, false, true}; }
    // A non-interactive screenshot of the whole desktop, split into one shot per screen.
    void grabScreens(Done done) override;
    // The portal's interactive dialog: the whole picture it answers, as one shot.
    void pickWindow(Done done) override;

    // A screen as Qt reports it: name, logical geometry, and its own scale (0: not known).
    struct DesktopScreen {
        QString name;
        QRect geometry;
        double devicePixelRatio = 0;
    };
    // The part of `desktop` under each screen. The picture covers the union of the screens'
    // logical geometries at one scale, the largest of theirs where they differ (as grim, behind the
    // wlroots portal, makes it). A screen of a smaller scale gets its part brought down to its own
    // device pixels; a screen of an unknown or larger scale keeps the picture's scale.
    static QList<ScreenShot> splitDesktop(const QImage& desktop, const QList<DesktopScreen>& screens);

    // The file the portal answered last (already deleted once loaded); empty before any answer.
    QString lastPictureFile() const { return m_lastPictureFile; }

    // Which desktop's portal answers: its failures are explained in its own terms.
    enum class Desktop { other, gnome, kde };
    static Desktop currentDesktop();
    // The terminal commands that grant and reset GNOME's screenshot permission for programs
    // outside a sandbox (shown in the alerts, so that no settings file needs editing by hand).
    static QString gnomeGrantCommand();
    static QString gnomeResetCommand();

    // How long a request may wait for the portal's answer (PICTAVO_PORTAL_TIMEOUT_MS sets both,
    // for tests).
    static constexpr int kTimeoutMs = 10'000;
    static constexpr int kInteractiveTimeoutMs = 120'000;

private:
    friend class PortalRequest;
    void request(bool interactive, Done done);
    void startNext();

    QDBusConnection m_bus;
    struct Waiting {
        bool interactive;
        Done done;
    };
    QList<Waiting> m_waiting;
    bool m_running = false;
    int m_timeoutMs = kTimeoutMs;
    int m_interactiveTimeoutMs = kInteractiveTimeoutMs; // also GNOME's permission question
    quint32 m_counter = 0;
    QString m_lastPictureFile;
};
