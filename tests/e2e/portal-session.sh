#!/usr/bin/env bash
# portal-session.sh COMMAND...
# Runs COMMAND inside a headless sway session that answers the desktop portal's Screenshot
# requests: one 1920 x 1080 output painted #336699, a private session bus, xdg-desktop-portal and
# its wlroots backend. COMMAND sees WAYLAND_DISPLAY, XDG_SESSION_TYPE=wayland,
# DBUS_SESSION_BUS_ADDRESS, SWAYSOCK, QT_QPA_PLATFORM=wayland and PICTAVO_PORTAL_SESSION=1; the
# script exits with its status. Prints "SKIP: ..." and exits 0 where the session cannot be had.
# PS_OUTPUTS=2 adds a second output right of the first: HEADLESS-2, 2560 x 1440 device pixels at
# scale 2 (1280 x 720 logical, at 1920,0), painted #cc6633; COMMAND then also sees PS_OUTPUTS=2.
set -uo pipefail
if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND..." >&2; exit 2
fi

needs=(/usr/bin/sway /usr/bin/swaybg /usr/bin/grim /usr/bin/pipewire /usr/bin/dbus-daemon /usr/bin/setpriv
       /usr/bin/gdbus /usr/libexec/xdg-desktop-portal /usr/libexec/xdg-desktop-portal-wlr
       /usr/libexec/xdg-desktop-portal-gtk)
for tool in "${needs[@]}"; do
  if [ ! -x "$tool" ]; then
    echo "SKIP: $tool is missing (install sway swaybg grim pipewire xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk)"
    exit 0
  fi
done

# The wlroots backend writes every screenshot to /tmp/out.png: one session at a time.
exec 9>/tmp/pictavo-portal.lock
if ! flock -w 90 9; then
  echo "portal-session: another portal session held /tmp/pictavo-portal.lock for 90 s" >&2; exit 1
fi

work="$(mktemp -d)"              # ours (root): bus socket, runtime folder, logs
runtime="$work/runtime"; mkdir -m 700 "$runtime"
swaydir="$(mktemp -d)"           # sway's own: it runs as nobody, so the folder is nobody's
chown 65534:65534 "$swaydir"; chmod 700 "$swaydir"
bus="unix:path=$work/bus"
pids=()

log() { echo "portal-session: $*" >&2; }

teardown() {
  set +e
  if [ -S "$work/bus" ]; then
    # dbus-daemon hands the services it starts to init: stop them by the bus's own list of clients.
    local names name pid
    names="$(DBUS_SESSION_BUS_ADDRESS="$bus" timeout 3 gdbus call --session --dest org.freedesktop.DBus \
             --object-path /org/freedesktop/DBus --method org.freedesktop.DBus.ListNames 2>/dev/null |
             grep -o "':[0-9.]*'" | tr -d "'")"
    for name in $names; do
      pid="$(DBUS_SESSION_BUS_ADDRESS="$bus" timeout 3 gdbus call --session --dest org.freedesktop.DBus \
             --object-path /org/freedesktop/DBus --method org.freedesktop.DBus.GetConnectionUnixProcessID "$name" \
             2>/dev/null | sed -n 's/^(uint32 \([0-9]*\),)$/\1/p')"
      [ -n "$pid" ] && [ "$pid" -gt 1 ] && [ "$pid" != "$$" ] && pids=("$pid" "${pids[@]}")
    done
  fi
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  # Zombies of services handed to init count as gone.
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null && [ "$(ps -o stat= -p "$pid" 2>/dev/null | cut -c1)" != Z ] || break
      sleep 0.05
    done
    kill -9 "$pid" 2>/dev/null
  done
  # The document portal mounts a FUSE file system in the runtime folder.
  if mountpoint -q "$runtime/doc" 2>/dev/null; then
    fusermount3 -u -z "$runtime/doc" 2>/dev/null || fusermount -u -z "$runtime/doc" 2>/dev/null || umount -l "$runtime/doc"
  fi
  if [ -n "${KEEP_PORTAL_LOGS:-}" ]; then log "logs kept in $work"; else rm -rf "$work"; fi
  rm -rf "$swaydir"
}
trap teardown EXIT
trap 'exit 130' INT TERM

# 1. sway, alone under an unused uid (it refuses to run as root), headless and without input.
cat >"$swaydir/config" <<'EOF'
output HEADLESS-1 resolution 1920x1080 position 0 0
default_border none
EOF
chown 65534:65534 "$swaydir/config"
env -i PATH=/usr/bin:/bin HOME="$swaydir" XDG_RUNTIME_DIR="$swaydir" \
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    setpriv --reuid=65534 --regid=65534 --clear-groups sway --config "$swaydir/config" \
    >"$work/sway.log" 2>&1 9>&- &
pids+=($!)
socket=""
for _ in $(seq 100); do
  socket="$(find "$swaydir" -maxdepth 1 -type s -name 'wayland-*' 2>/dev/null | head -n1)"
  [ -n "$socket" ] && break
  kill -0 "${pids[0]}" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$socket" ]; then
  echo "SKIP: sway could not start a headless session: $(tail -n 3 "$work/sway.log" | tr '\n' ' ')"
  exit 0
fi

# Everything else runs as root, on the absolute socket path and a runtime folder of its own.
export WAYLAND_DISPLAY="$socket" XDG_RUNTIME_DIR="$runtime" XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
# Only the wlroots and GTK backends: the frontend falls back to any installed backend for an
# interface these lack, so GNOME's or KDE's (installed for their own tests) would change what
# this session offers.
mkdir "$work/portals"
cp /usr/share/xdg-desktop-portal/portals/wlr.portal /usr/share/xdg-desktop-portal/portals/gtk.portal "$work/portals/" || {
  log "no wlr.portal or gtk.portal in /usr/share/xdg-desktop-portal/portals"; exit 1; }
export XDG_DESKTOP_PORTAL_DIR="$work/portals"
# sway's IPC, for commands that move and press its cursor (the session has no input devices).
ipc="$(find "$swaydir" -maxdepth 1 -type s -name 'sway-ipc.*' 2>/dev/null | head -n1)"
[ -n "$ipc" ] && export SWAYSOCK="$ipc"
unset DISPLAY
case "${PS_OUTPUTS:-1}" in
  1) swaybg -c '#336699' >"$work/swaybg.log" 2>&1 9>&- & ;;
  2)
    for _ in $(seq 50); do
      [ -n "$ipc" ] && break
      sleep 0.1; ipc="$(find "$swaydir" -maxdepth 1 -type s -name 'sway-ipc.*' 2>/dev/null | head -n1)"
    done
    [ -n "$ipc" ] || { log "sway's IPC socket did not appear"; exit 1; }
    export SWAYSOCK="$ipc"
    # Headless outputs are made through IPC; the new one gets the next name, HEADLESS-2.
    swaymsg create_output >"$work/swaymsg.log" 2>&1 &&
      swaymsg output HEADLESS-2 resolution 2560x1440 position 1920 0 scale 2 >>"$work/swaymsg.log" 2>&1 || {
      log "sway could not make the second output: $(tail -n 2 "$work/swaymsg.log" | tr '\n' ' ')"; exit 1; }
    layout=""
    for _ in $(seq 50); do
      layout="$(swaymsg -t get_outputs -r 2>/dev/null | python3 -c 'import json,sys
print(" ".join("%s:%gx%g+%g+%g@%g" % (o["name"], o["rect"]["width"], o["rect"]["height"], o["rect"]["x"], o["rect"]["y"], o["scale"]) for o in json.load(sys.stdin)))' 2>/dev/null)"
      [ "$layout" = "HEADLESS-1:1920x1080+0+0@1 HEADLESS-2:1280x720+1920+0@2" ] && break
      sleep 0.1
    done
    [ "$layout" = "HEADLESS-1:1920x1080+0+0@1 HEADLESS-2:1280x720+1920+0@2" ] ||
      { log "the outputs are $layout, not the two asked for"; exit 1; }
    swaybg -o HEADLESS-1 -c '#336699' -o HEADLESS-2 -c '#cc6633' >"$work/swaybg.log" 2>&1 9>&- & ;;
  *) log "PS_OUTPUTS is 1 or 2, not $PS_OUTPUTS"; exit 2 ;;
esac
pids+=($!)

# 2. A private session bus; the services it starts inherit this environment.
dbus-daemon --session --nofork --nopidfile --address="$bus" >"$work/dbus.log" 2>&1 9>&- &
pids+=($!)
for _ in $(seq 100); do [ -S "$work/bus" ] && break; sleep 0.05; done
export DBUS_SESSION_BUS_ADDRESS="$bus"

# 3. PipeWire for the ScreenCast half of the wlroots backend, kept off the bus (its real-time
#    module would start a second portal frontend there).
env -u DBUS_SESSION_BUS_ADDRESS pipewire >"$work/pipewire.log" 2>&1 9>&- &
pids+=($!)
for _ in $(seq 40); do [ -S "$runtime/pipewire-0" ] && break; sleep 0.05; done

# 4. The wlroots backend, then the frontend.
/usr/libexec/xdg-desktop-portal-wlr >"$work/portal-wlr.log" 2>&1 9>&- &
pids+=($!)
/usr/libexec/xdg-desktop-portal >"$work/portal.log" 2>&1 9>&- &
pids+=($!)
ready=""
# Ask only once the frontend owns its name: an earlier question would make the bus start a
# second frontend.
for _ in $(seq 75); do
  if timeout 2 gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
       --method org.freedesktop.DBus.NameHasOwner org.freedesktop.portal.Desktop 2>/dev/null | grep -q true &&
     timeout 2 gdbus introspect --session --dest org.freedesktop.portal.Desktop \
       --object-path /org/freedesktop/portal/desktop 2>/dev/null | grep -q 'interface org.freedesktop.portal.Screenshot '; then
    ready=1; break
  fi
  sleep 0.2
done
if [ -z "$ready" ]; then
  log "org.freedesktop.portal.Screenshot did not appear within 15 s"
  tail -n 5 "$work/portal.log" "$work/portal-wlr.log" >&2
  exit 1
fi

# 5. The command, with the portal session's environment.
PICTAVO_PORTAL_SESSION=1 QT_QPA_PLATFORM=wayland "$@" 9>&-
status=$?
exit "$status"
