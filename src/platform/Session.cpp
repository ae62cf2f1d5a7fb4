#include "platform/Session.h"

#include "platform/InstanceChannel.h"

#include <QDir>
#include <QFile>

#include <xcb/xcb.h>


namespace Session {

namespace {

bool waylandAnswers(const QString& display) {
    return InstanceChannel::isListening(QDir::isAbsolutePath(display)
                                            ? display
                                            : QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(display));
}

bool xAnswers() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool ok = c && !xcb_connection_has_error(c);
    if (c) xcb_disconnect(c);
    return ok;
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
