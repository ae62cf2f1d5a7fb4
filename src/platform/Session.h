#pragma once

#include <QByteArray>
#include <QString>

class QWindow;

// The desktop session this process runs in.
namespace Session {

// Whether a window system answers: the Wayland compositor's socket or the X server at $DISPLAY.
// Qt aborts the process when it cannot reach the one it was told to use; asking first lets us say
// so in one line. The offscreen platform needs none.
bool displayReachable(QString* why = nullptr);

// X11 startup notification: the launch's id (DESKTOP_STARTUP_ID) for the next window Pictavo
// shows. Qt sends the launcher its "remove" message when that window appears; markWindow puts the
// id on the window as _NET_STARTUP_ID, so a window manager that prevents focus stealing lets the
// window come forward. Elsewhere (Wayland, offscreen) both do nothing.
void setStartupId(const QByteArray& id);
bool hasStartupId();
// Puts the waiting id on `window` (created, not yet mapped) and forgets it.
void markWindow(QWindow* window);

// Whether a compositor draws the screen, and may fade a hidden window out: always on Wayland; on
// X11 when a compositing manager holds _NET_WM_CM_S<screen>. Without one a window hidden is gone
// from the screen as soon as the windows under it have drawn again.
bool composited();

} // namespace Session
