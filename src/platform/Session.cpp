#include "platform/Session.h"

#include "platform/InstanceChannel.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <xcb/xcb.h>


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
