#include "platform/Session.h"

#include <QDir>
#include <QFile>

#include <xcb/xcb.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace Session {

namespace {

bool waylandAnswers(const QString& display) {
    const QString path = QDir::isAbsolutePath(display)
                             ? display
                             : QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(display);
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    if (native.isEmpty() || size_t(native.size()) >= sizeof(address.sun_path)) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    return ok;
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
