#include "platform/Session.h"

#include "platform/InstanceChannel.h"

#include <QDir>
#include <QGuiApplication>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>
#include <QFile>
#include <QThread>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>


namespace Session {

namespace {

bool waylandAnswers(const QString& display) {
    return InstanceChannel::isListening(QDir::isAbsolutePath(display)
                                            ? display
                                            : QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(display));
}

bool xAnswers() {
    // An X server flooded with new connections (twenty launches at once) turns some away for a
    // moment: a display is "not answering" only when it refuses a few times in a row.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) QThread::msleep(100);
        xcb_connection_t* c = xcb_connect(nullptr, nullptr);
        const bool ok = c && !xcb_connection_has_error(c);
        if (c) xcb_disconnect(c);
        if (ok) return true;
    }
    return false;
}

} // namespace

bool displayReachable(QString* why) {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return true;
    const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
    const QString x = qEnvironmentVariable("DISPLAY");
    if (!wayland.isEmpty() && waylandAnswers(wayland)) return true;
    if (!x.isEmpty() && xAnswers()) return true;
    if (why) {
        if (wayland.isEmpty() && x.isEmpty())
            *why = QStringLiteral("there is no display to run on (DISPLAY and WAYLAND_DISPLAY are unset)");
        else
            *why = QStringLiteral("the display %1 does not answer").arg(!wayland.isEmpty() ? wayland : x);
    }
    return false;
}

} // namespace Session

namespace Session {

namespace {

QByteArray& waitingStartupId() {
    static QByteArray id;
    return id;
}

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

void setStartupId(const QByteArray& id) {
    if (!onX11() || id.isEmpty()) return;
    waitingStartupId() = id;
    // Qt's own startup notification: the "remove" message once the next window is shown.
    using SetStartupId = void (*)(const char*);
    if (QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface())
        if (auto set = reinterpret_cast<SetStartupId>(
                reinterpret_cast<QFunctionPointer>(native->nativeResourceFunctionForIntegration("setstartupid"))))
            set(id.constData());
}

bool hasStartupId() {
    return !waitingStartupId().isEmpty();
}

namespace {

xcb_atom_t intern(xcb_connection_t* c, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr), &free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_connection_t* x11Connection() {
    if (!onX11()) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

} // namespace

bool composited() {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return true;
    xcb_connection_t* c = x11Connection();
    if (!c) return false;
    // Screen 0: RandR and Xinerama desktops are one X screen, however many monitors.
    const xcb_atom_t selection = intern(c, "_NET_WM_CM_S0");
    if (selection == XCB_ATOM_NONE) return false;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr), &free);
    return owner && owner->owner != XCB_NONE;
}

void markWindow(QWindow* window) {
    const QByteArray id = std::exchange(waitingStartupId(), {});
    if (id.isEmpty() || !window) return;
    xcb_connection_t* c = x11Connection();
    if (!c) return;
    const auto intern = [c](const char* name) { return ::Session::intern(c, name); };
    const xcb_atom_t property = intern("_NET_STARTUP_ID"), utf8 = intern("UTF8_STRING");
    if (property == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE) return;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), property, utf8, 8,
                        uint32_t(id.size()), id.constData());
    xcb_flush(c);
}

} // namespace Session
