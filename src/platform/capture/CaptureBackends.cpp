#include "platform/capture/CaptureBackend.h"

#include "platform/capture/PortalCapture.h"
#include "platform/capture/X11Capture.h"

namespace CaptureBackends {

std::unique_ptr<CaptureBackend> forSession(QString* error) {
    QString forced = qEnvironmentVariable("PICTAVO_CAPTURE_BACKEND").trimmed().toLower();
    // On Wayland, X11 grabs see only XWayland's windows (black elsewhere): the portal it is,
    // whichever platform plugin Qt runs on.
    const bool wayland = qEnvironmentVariable("XDG_SESSION_TYPE").compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0 ||
                         !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (forced.isEmpty()) forced = wayland ? QStringLiteral("portal") : QStringLiteral("x11");
    if (forced == QLatin1String("portal")) return std::make_unique<PortalCapture>();
    if (forced == QLatin1String("x11")) {
        QString why;
        if (std::unique_ptr<X11Capture> x11 = X11Capture::open(&why)) return x11;
        if (error) *error = why;
        return nullptr;
    }
    if (error) *error = QStringLiteral("PICTAVO_CAPTURE_BACKEND must be x11 or portal, not “%1”.").arg(forced);
    return nullptr;
}

} // namespace CaptureBackends
