#pragma once

#include <QString>

// The desktop session this process runs in.
namespace Session {

// Whether a window system answers: the Wayland compositor's socket or the X server at $DISPLAY.
// Qt aborts the process when it cannot reach the one it was told to use; asking first lets us say
// so in one line. The offscreen platform needs none.
bool displayReachable(QString* why = nullptr);

} // namespace Session
