#!/usr/bin/env bash
# Captures on two real RandR monitors (Xorg with the dummy driver, 1920 x 1080 each, side by side):
# full screen is the primary one, --all both in one picture, each at its device pixels.
# Needs xserver-xorg-video-dummy (scripts/install-deps); skipped without it.
set -uo pipefail
pictavo="$1"; here="$(dirname "$0")"
[ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ] || { echo "SKIP: xserver-xorg-video-dummy is not installed"; exit 0; }
command -v Xorg >/dev/null || { echo "SKIP: Xorg is not installed"; exit 0; }
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" PICTAVO_CAPTURE_BACKEND=x11
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$1" 2>/dev/null; }
mkdir -p "$XDG_CONFIG_HOME/Pictavo"
printf '[General]\nPictavoSaveFolder=%s\n' "$work/saves" > "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
# On the second monitor: a region dragged there, and a window picked there, each its own pixels.
XM_MONITORS="1920x1080+0+0 1920x1080+1920+0" "$here/xorg-monitors.sh" bash -c '
  pictavo="$0"; work="$1"
  "$pictavo" capture screen --output "$work/main.png" && "$pictavo" capture screen --all --output "$work/all.png" || exit 1
  command -v xdotool >/dev/null && command -v xmessage >/dev/null || exit 0
  "$pictavo" >/dev/null 2>&1 &
  for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/pictavo.socket" ] && break; sleep 0.1; done
  "$pictavo" capture region --output "$work/region.png" & client=$!
  xdotool search --sync --onlyvisible --name "^Select a region$" >/dev/null; sleep 0.5
  xdotool mousemove 2000 100 mousedown 1 mousemove 2100 150 mousemove 2200 200 mouseup 1
  wait $client
  xmessage -geometry +2300+400 "Second screen" >/dev/null 2>&1 & sleep 1
  "$pictavo" capture window --output "$work/window.png" & client=$!
  xdotool search --sync --onlyvisible --name "^Pick a window$" >/dev/null; sleep 0.5
  xdotool mousemove 2320 420 sleep 0.3 click 1
  timeout 10 tail --pid=$client -f /dev/null || xdotool key Escape
  wait $client
  xwininfo -name xmessage | awk "/Width:/{w=\$2} /Height:/{h=\$2} END{print w \"x\" h}" > "$work/xmessage-size"
  pid="$(sed -n 1p "$XDG_RUNTIME_DIR/pictavo.socket.lock" 2>/dev/null)"; [ -n "$pid" ] && kill "$pid"
  kill %1 2>/dev/null; true' "$pictavo" "$work"
code=$?
[ $code -eq 125 ] && { echo "SKIP: the dummy X server did not start"; exit 0; }
failures=0
[ "$(size "$work/main.png")" = "1920x1080" ] || { echo "FAIL: full screen is $(size "$work/main.png"), not the primary 1920x1080"; failures=1; }
[ "$(size "$work/all.png")" = "3840x1080" ] || { echo "FAIL: --all is $(size "$work/all.png"), not 3840x1080"; failures=1; }
if command -v xdotool >/dev/null && command -v xmessage >/dev/null && [ ! -e "$work/xmessage-size" ]; then
  echo "FAIL: the captures on the second monitor did not run"; failures=1
elif [ -e "$work/xmessage-size" ]; then
  [ "$(size "$work/region.png")" = "200x100" ] || { echo "FAIL: a region on the second monitor is $(size "$work/region.png"), not 200x100"; failures=1; }
  [ "$(size "$work/window.png")" = "$(cat "$work/xmessage-size")" ] ||
    { echo "FAIL: a window on the second monitor is $(size "$work/window.png"), not $(cat "$work/xmessage-size")"; failures=1; }
fi
[ $failures -eq 0 ] && echo "two monitors: full screen is the primary, --all both side by side, a region and a window on the second"
exit $failures
