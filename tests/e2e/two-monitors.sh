#!/usr/bin/env bash
# Captures on two real RandR monitors (Xorg with the dummy driver, 1920 x 1080 each, side by side):
# full screen is the primary one, --all both in one picture, each at its device pixels.
# Needs xserver-xorg-video-dummy (scripts/install-deps); skipped without it.
set -uo pipefail
pictavo="$1"; here="$(dirname "$0")"
[ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ] || { echo "SKIP: xserver-xorg-video-dummy is not installed"; exit 0; }
command -v Xorg >/dev/null || { echo "SKIP: Xorg is not installed"; exit 0; }
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" PICTAVO_CAPTURE_BACKEND=x11
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
  # Across the two: from the first screen into the message on the second.
  "$pictavo" capture region --output "$work/across.png" & client=$!
  xdotool search --sync --onlyvisible --name "^Select a region$" >/dev/null; sleep 0.5
  xdotool mousemove 1800 390 mousedown 1 mousemove 2000 420 mousemove 2350 450 mouseup 1
  wait $client
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
  # 550 x 60 from 1800,390: the first screen's bare root on the left, the message (from x 2300,
  # a light background) on the right; the same pixels as --all shows there.
  if [ "$(size "$work/across.png")" != "550x60" ]; then
    echo "FAIL: a region across the monitors is $(size "$work/across.png"), not 550x60"; failures=1
  else
    # all.png was taken before the message: the left is what it shows there; on the right, the
    # message's light background (inside its border and clear of its text).
    left="$(python3 "$here/png-check.py" "$work/across.png" --at 10,30)"
    want="$(python3 "$here/png-check.py" "$work/all.png" --at 1810,420)"
    right="$(python3 "$here/png-check.py" "$work/across.png" --at 540,50 549,59 | sort -u)"
    [ "$left" = "$want" ] || { echo "FAIL: across the monitors, the first screen's part is $left, not $want"; failures=1; }
    [ "$right" = "#ffffff" ] || { echo "FAIL: across the monitors, the second screen's part ($right) does not show the message"; failures=1; }
  fi
  [ "$(size "$work/window.png")" = "$(cat "$work/xmessage-size")" ] ||
    { echo "FAIL: a window on the second monitor is $(size "$work/window.png"), not $(cat "$work/xmessage-size")"; failures=1; }
fi
[ $failures -eq 0 ] && echo "two monitors: full screen is the primary, --all both side by side, a region and a window on the second"
exit $failures
