#!/usr/bin/env bash
# kde-session.sh COMMAND...
# Runs COMMAND inside a throw-away headless KWin 5.27 session (Wayland, virtual backend, no
# Plasma shell: the desktop is black) with xdg-desktop-portal and its KDE backend on a private
# session bus (and a private, empty system bus), then tears it all down; exits with COMMAND's
# status, or 125 when the session did not come up. Prints "SKIP: ..." and exits 0 where KWin
# or the QML modules of KDE's screenshot dialog are not installed (scripts/install-test-desktops).
# COMMAND sees WAYLAND_DISPLAY, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS, QT_QPA_PLATFORM=wayland,
# XDG_CURRENT_DESKTOP=KDE, a private HOME (with an empty Pictures folder, where KDE's portal
# saves its screenshots) and XDG_{CONFIG,DATA,CACHE}_HOME, and the knobs:
#   KS_WIDTH=1920 KS_HEIGHT=1080   size of the virtual output
#   KS_TIMEOUT=60                  start-up limit, s
#   KS_KEEP=1                      keep the session's folder and logs
#   KS_QML=/var/lib/pictavo-tests/kde-qml   where install-test-desktops put the QML modules
set -uo pipefail
if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND..." >&2; exit 2
fi
QML="${KS_QML:-/var/lib/pictavo-tests/kde-qml}"
backend="$(ls /usr/lib/*/libexec/xdg-desktop-portal-kde 2>/dev/null | head -n1)"
needs=(/usr/bin/kwin_wayland /usr/libexec/xdg-desktop-portal "${backend:-/usr/lib/libexec/xdg-desktop-portal-kde}"
       /usr/bin/dbus-daemon /usr/bin/gdbus)
for tool in "${needs[@]}"; do
  if [ ! -x "$tool" ]; then
    echo "SKIP: $tool is missing (scripts/install-test-desktops installs KWin for these tests)"
    exit 0
  fi
done
if [ ! -f "$QML/org/kde/plasma/workspace/dialogs/qmldir" ] || [ ! -f "$QML/org/kde/plasma/lookandfeel/qmldir" ]; then
  echo "SKIP: no QML modules for KDE's screenshot dialog in $QML (scripts/install-test-desktops puts them there)"
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: the KDE session runs as root"; exit 0
fi

export KS_WIDTH="${KS_WIDTH:-1920}" KS_HEIGHT="${KS_HEIGHT:-1080}"
TMO=${KS_TIMEOUT:-60}

S="$(mktemp -d)" || exit 125
chmod 755 "$S"
mkdir -p "$S/run" "$S/home/Pictures" "$S/data" "$S/config" "$S/cache" "$S/bin" "$S/portals"
chmod 700 "$S/run"
PIDS=(); BUS_UP=0

log() { echo "kde-session: $*" >&2; }
. "$(cd "$(dirname "$0")" && pwd)/desktop-session-lib.sh"
teardown() {
  set +e
  end_session "${KS_KEEP:-0}"
}
trap teardown EXIT
trap 'exit 130' INT TERM HUP

export XDG_RUNTIME_DIR="$S/run" HOME="$S/home" XDG_SESSION_TYPE=wayland \
       XDG_CURRENT_DESKTOP=KDE XDG_SESSION_DESKTOP=KDE DESKTOP_SESSION=plasmawayland \
       KDE_FULL_SESSION=true KDE_SESSION_VERSION=5 \
       XDG_DATA_HOME="$S/data" XDG_CONFIG_HOME="$S/config" XDG_STATE_HOME="$S/state" XDG_CACHE_HOME="$S/cache" \
       NO_AT_BRIDGE=1 LIBGL_ALWAYS_SOFTWARE=1
unset DISPLAY WAYLAND_DISPLAY XDG_SESSION_ID QT_QPA_PLATFORM

# Only KDE's portal backend: xdg-desktop-portal falls back to any installed backend for an
# interface KDE's lacks, so otherwise what the session offers depends on what else is here.
cp /usr/share/xdg-desktop-portal/portals/kde.portal "$S/portals/" || die "no kde.portal installed"
export XDG_DESKTOP_PORTAL_DIR="$S/portals"

# 1. A private session bus (only the services it starts, i.e. xdg-desktop-portal-kde, get the
#    extra QML modules), and a private, empty system bus.
dbus-daemon --session --nofork --nopidfile --address="unix:path=$S/run/system_bus" >"$S/sysbus.log" 2>&1 &
PIDS+=($!)
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$S/run/system_bus"
QML2_IMPORT_PATH="$QML" QT_PLUGIN_PATH="$QML/plugins" \
  dbus-daemon --session --nofork --nopidfile --address="unix:path=$S/run/bus" >"$S/dbus.log" 2>&1 &
PIDS+=($!)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$S/run/bus"
wait_for "$TMO" gdbus call --system -t 2 --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
  --method org.freedesktop.DBus.GetId || die "the private system bus did not start"
wait_for "$TMO" gdbus call --session -t 2 --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
  --method org.freedesktop.DBus.GetId || die "the session bus did not start"
BUS_UP=1

# 2. KWin on its virtual backend. /usr/bin/kwin_wayland carries a file capability
#    (cap_sys_resource) that a container's bounding set may lack, and exec then fails: run a
#    copy without it, still named kwin_wayland (its QPA plugin checks the name).
cp /usr/bin/kwin_wayland "$S/bin/kwin_wayland" || die "could not copy kwin_wayland"
"$S/bin/kwin_wayland" --virtual --width "$KS_WIDTH" --height "$KS_HEIGHT" --socket wayland-kw \
  --no-lockscreen --no-kactivities >"$S/kwin.log" 2>&1 &
PIDS+=($!)
wait_for "$TMO" test -S "$S/run/wayland-kw" || die "kwin_wayland did not create its socket"
wait_for "$TMO" has_owner org.kde.KWin || die "org.kde.KWin is not on the bus"
export WAYLAND_DISPLAY=wayland-kw QT_QPA_PLATFORM=wayland
timeout 10 gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
  --method org.freedesktop.DBus.UpdateActivationEnvironment \
  "{'WAYLAND_DISPLAY': 'wayland-kw', 'QT_QPA_PLATFORM': 'wayland'}" >/dev/null \
  || die "could not update the activation environment"

# 3. The portal frontend; it starts xdg-desktop-portal-kde. (No PipeWire: screenshots do not
#    need it; the frontend logs once that it could not connect.) KDE 5.27 asks no permission.
/usr/libexec/xdg-desktop-portal -r -v >"$S/xdp.log" 2>&1 & PIDS+=($!)
wait_for "$TMO" has_owner org.freedesktop.portal.Desktop || die "xdg-desktop-portal is not on the bus"
wait_for "$TMO" sh -c 'timeout 10 gdbus introspect --session --dest org.freedesktop.portal.Desktop \
   --object-path /org/freedesktop/portal/desktop | grep -q "interface org.freedesktop.portal.Screenshot "' \
   || die "the Screenshot portal is not exported"
log "ready after ${SECONDS}s"

# 4. The command
"$@" &
PAYLOAD=$!; PIDS+=($PAYLOAD)
wait $PAYLOAD
exit $?
