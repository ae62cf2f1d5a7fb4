#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// What one screen looked like at the moment of a grab.
struct ScreenShot {
    QString screenName;     // QScreen::name()
    QRect geometry;         // the screen in Qt's global logical coordinates
    double devicePixelRatio = 1;
    QImage image;           // device pixels: geometry.size() * devicePixelRatio
    // Where the screen's top left lies among all screens' device pixels. Unset: at the geometry's
    // top left (X11 places screens in device pixels). A portal's picture of a layout in points
    // sets it, at the picture's scale.
    std::optional<QPoint> devicePosition = std::nullopt;
};

// A top-level window a person can pick, in X11 root coordinates (device pixels).
struct PickableWindow {
    quint32 id = 0;
    QString title;
    QRect frame; // the client area plus the window manager's frame
};

// How a grab ended: pictures; or cancelled by the person; or no pictures and an error to show.
struct CaptureOutcome {
    QList<ScreenShot> shots;
    QString error;     // set when the grab failed: a sentence for the person (also when refused)
    bool cancelled = false; // by the person, or refused in a system dialog (then with `error`)
};

// One way of getting pixels off the screen. The capture manager asks what a backend can do, never
// which session it runs in.
class CaptureBackend : public QObject {
    Q_OBJECT

public:
    struct Abilities {
        bool grabsScreens = true;        // every screen at once, without a dialog
        bool listsWindows = false;       // windows() gives the pickable windows
        bool windowDialog = false;       // pickWindow() lets the system ask the person
    };

    using Done = std::function<void(CaptureOutcome)>;

    virtual QString name() const = 0;
    virtual Abilities abilities() const = 0;
    // Grabs every screen, ordered as QGuiApplication::screens(). Calls `done` once, on the main
    // thread; callers must not rely on it coming later or at once.
    virtual void grabScreens(Done done) = 0;
    // The windows that can be picked, top first. Empty when the backend cannot list them.
    virtual QList<PickableWindow> windows() { return {}; }
    // Lets the system's own dialog pick a window and returns its picture as one shot.
    virtual void pickWindow(Done done) {
        done({{}, QStringLiteral("Picking a window is not available here."), false});
    }
};

namespace CaptureBackends {

// The backend for this session: the portal on Wayland, X11 otherwise; PICTAVO_CAPTURE_BACKEND=x11
// or portal forces one. Null with `error` set when none can work here.
std::unique_ptr<CaptureBackend> forSession(QString* error = nullptr);

} // namespace CaptureBackends
