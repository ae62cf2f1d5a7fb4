#!/usr/bin/env bash
# gnome-session.sh COMMAND...
# Runs COMMAND inside a throw-away headless GNOME Shell 43 session (Wayland, one virtual monitor,
# software GL) with xdg-desktop-portal and its GNOME backend on a private session bus (and a
# private, empty system bus), then tears it all down; exits with COMMAND's status, or 125 when
# the session did not come up. Prints "SKIP: ..." and exits 0 where GNOME Shell is not installed
# (scripts/install-test-desktops installs it).
# COMMAND sees WAYLAND_DISPLAY, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS, QT_QPA_PLATFORM=wayland,
# XDG_CURRENT_DESKTOP=GNOME, a private HOME and XDG_{CONFIG,DATA,CACHE}_HOME, and the knobs:
#   GS_RES=1920x1080   size of the virtual monitor
#   GS_BG=#204a87      its solid background colour
#   GS_GRANT=1         grant "screenshot" to unsandboxed programs (app id "") in the permission
#                      store; 0 leaves it unset, so a non-interactive Screenshot request raises
#                      "Allow Applications to Take Screenshots?", which nobody answers here
#   GS_SETTLE=1        seconds to wait after leaving the start-up overview
#   GS_TIMEOUT=60      start-up limit, s
#   GS_KEEP=1          keep the session's folder and logs
set -uo pipefail
if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND..." >&2; exit 2
fi
needs=(/usr/bin/gnome-shell /usr/libexec/xdg-desktop-portal /usr/libexec/xdg-desktop-portal-gnome
       /usr/bin/dbus-daemon /usr/bin/gdbus /usr/bin/python3)
for tool in "${needs[@]}"; do
  if [ ! -x "$tool" ]; then
    echo "SKIP: $tool is missing (scripts/install-test-desktops installs GNOME Shell for these tests)"
    exit 0
  fi
done
if ! /usr/bin/python3 -c 'import gi; from gi.repository import Gio' 2>/dev/null; then
  echo "SKIP: python3-gi is missing (scripts/install-test-desktops installs it)"; exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: the GNOME session runs as root"; exit 0
fi

export GS_RES="${GS_RES:-1920x1080}" GS_BG="${GS_BG:-#204a87}" GS_GRANT="${GS_GRANT:-1}"
TMO=${GS_TIMEOUT:-60}
here="$(cd "$(dirname "$0")" && pwd)"

S="$(mktemp -d)" || exit 125
chmod 755 "$S"
mkdir -p "$S/run" "$S/home" "$S/data" "$S/config" "$S/cache" "$S/portals"
chmod 700 "$S/run"
PIDS=(); BUS_UP=0; GS_PID=

log() { echo "gnome-session: $*" >&2; }
. "$(cd "$(dirname "$0")" && pwd)/desktop-session-lib.sh"
teardown() {
  set +e
  # gnome-shell first, while its buses are still up. GNOME Shell 43 often crashes while exiting
  # (a segmentation fault in its log): teardown only, harmless.
  if [ -n "$GS_PID" ] && kill -TERM "$GS_PID" 2>/dev/null; then
    for i in $(seq 50); do kill -0 "$GS_PID" 2>/dev/null || break; sleep 0.1; done
  fi
  end_session "${GS_KEEP:-0}"
}
trap teardown EXIT
trap 'exit 130' INT TERM HUP

export XDG_RUNTIME_DIR="$S/run" HOME="$S/home" XDG_SESSION_TYPE=wayland \
       XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_DESKTOP=gnome DESKTOP_SESSION=gnome \
       XDG_DATA_HOME="$S/data" XDG_CONFIG_HOME="$S/config" XDG_STATE_HOME="$S/state" XDG_CACHE_HOME="$S/cache" \
       GSETTINGS_BACKEND=keyfile NO_AT_BRIDGE=1 GTK_A11Y=none LIBGL_ALWAYS_SOFTWARE=1
unset DISPLAY WAYLAND_DISPLAY XDG_SESSION_ID QT_QPA_PLATFORM
# GSettings from a private key file: the solid background, no notification banners (root gets
# a "Logged in as a privileged user" one that never times out without input), no animations.
mkdir -p "$S/config/glib-2.0/settings"
cat > "$S/config/glib-2.0/settings/keyfile" <<KF
[org/gnome/desktop/background]
picture-uri=''
picture-uri-dark=''
picture-options='none'
color-shading-type='solid'
primary-color='$GS_BG'

[org/gnome/desktop/notifications]
show-banners=false

[org/gnome/desktop/interface]
enable-animations=false
KF

# Only GNOME's own portal backends: xdg-desktop-portal falls back to any installed backend for
# an interface GNOME's lack, so otherwise what the session offers depends on what else is here.
for p in gnome gnome-shell gtk; do
  cp "/usr/share/xdg-desktop-portal/portals/$p.portal" "$S/portals/" || die "no $p.portal installed"
done
export XDG_DESKTOP_PORTAL_DIR="$S/portals"

# 1. A private session bus; the services it starts inherit this environment. gnome-shell also
#    needs a system bus (it builds logind proxies there and dies without one): a private, empty one.
dbus-daemon --session --nofork --nopidfile --address="unix:path=$S/run/system_bus" >"$S/sysbus.log" 2>&1 &
PIDS+=($!)
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$S/run/system_bus"
dbus-daemon --session --nofork --nopidfile --address="unix:path=$S/run/bus" >"$S/dbus.log" 2>&1 &
PIDS+=($!)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$S/run/bus"
wait_for "$TMO" gdbus call --system -t 2 --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
  --method org.freedesktop.DBus.GetId || die "the private system bus did not start"
wait_for "$TMO" gdbus call --session -t 2 --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
  --method org.freedesktop.DBus.GetId || die "the session bus did not start"
BUS_UP=1

# 2. gnome-shell as a headless Wayland compositor with one virtual monitor
gnome-shell --headless --wayland --no-x11 --virtual-monitor "$GS_RES" --wayland-display wayland-gs \
  >"$S/gnome-shell.log" 2>&1 &
GS_PID=$!; PIDS+=($GS_PID)
disown "$GS_PID"   # teardown still stops it; bash just does not report the crash on exit
wait_for "$TMO" test -S "$S/run/wayland-gs" || die "gnome-shell did not create its socket"
wait_for "$TMO" has_owner org.gnome.Shell.Screenshot || die "org.gnome.Shell.Screenshot is not on the bus"
export WAYLAND_DISPLAY=wayland-gs GDK_BACKEND=wayland
# The portal backends the bus starts from now on must see the compositor (gnome-shell would
# tell gnome-session, which does not run here).
timeout 10 gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
  --method org.freedesktop.DBus.UpdateActivationEnvironment \
  "{'WAYLAND_DISPLAY': 'wayland-gs', 'GDK_BACKEND': 'wayland'}" >/dev/null \
  || die "could not update the activation environment"

# 3. The portal frontend; it starts xdg-desktop-portal-gnome for Screenshot. (No PipeWire:
#    screenshots do not need it; the frontend logs once that it could not connect.)
/usr/libexec/xdg-desktop-portal -r -v >"$S/xdp.log" 2>&1 & PIDS+=($!)
wait_for "$TMO" has_owner org.freedesktop.portal.Desktop || die "xdg-desktop-portal is not on the bus"
wait_for "$TMO" sh -c 'timeout 10 gdbus introspect --session --dest org.freedesktop.portal.Desktop \
   --object-path /org/freedesktop/portal/desktop | grep -q "interface org.freedesktop.portal.Screenshot "' \
   || die "the Screenshot portal is not exported"
if [ "$GS_GRANT" = 1 ]; then
  timeout 10 gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore \
    --object-path /org/freedesktop/impl/portal/PermissionStore \
    --method org.freedesktop.impl.portal.PermissionStore.SetPermission \
    screenshot true screenshot '' "['yes']" >/dev/null || die "could not grant the screenshot permission"
fi
# 4. Leave the overview GNOME Shell opens at start-up (Escape through mutter's RemoteDesktop
#    interface). This leaves a "remote session" indicator in the top bar for 5 s: GS_SETTLE=5.5
#    waits for it to go.
timeout 20 /usr/bin/python3 "$here/gnome-input.py" key ff1b >/dev/null || die "could not leave the overview"
sleep "${GS_SETTLE:-1}"
log "ready after ${SECONDS}s"

# 5. The command
QT_QPA_PLATFORM=wayland "$@" &
PAYLOAD=$!; PIDS+=($PAYLOAD)
wait $PAYLOAD
exit $?
