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
XM_MONITORS="1920x1080+0+0 1920x1080+1920+0" "$here/xorg-monitors.sh" bash -c '
  "$0" capture screen --output "$1/main.png" && "$0" capture screen --all --output "$1/all.png"' "$pictavo" "$work"
code=$?
[ $code -eq 125 ] && { echo "SKIP: the dummy X server did not start"; exit 0; }
failures=0
[ "$(size "$work/main.png")" = "1920x1080" ] || { echo "FAIL: full screen is $(size "$work/main.png"), not the primary 1920x1080"; failures=1; }
[ "$(size "$work/all.png")" = "3840x1080" ] || { echo "FAIL: --all is $(size "$work/all.png"), not 3840x1080"; failures=1; }
[ $failures -eq 0 ] && echo "two monitors: full screen is the primary, --all both side by side"
exit $failures
