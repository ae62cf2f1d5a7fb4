#!/usr/bin/env bash
# capture-vs-flameshot.sh PICTAVO [RUNS=7] [WxH=5120x2880]
# Whole-process figures, in one run on one private Xvfb showing a screenshot-like picture:
#  - `pictavo capture screen --output x.png` (no instance running) against `flameshot full --path`;
#  - with the instance running, how long after `pictavo capture region` starts the overlay window
#    is mapped (map-watch.c), against `flameshot gui`.
# Prints the median, minimum and maximum of each. Flameshot is optional (apt-get install flameshot).
# WITH_TRAY=1 runs a tray (trayer) for the overlay figures: without one the launcher must first
# leave the screen.
set -uo pipefail
pictavo="$(realpath "$1")"; runs="${2:-7}"; size="${3:-5120x2880}"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"; export XDG_RUNTIME_DIR="$work/run"; mkdir -m 700 "$XDG_RUNTIME_DIR"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config"; mkdir -p "$HOME" "$XDG_CONFIG_HOME/Pictavo"
printf '[General]\nPictavoSaveFolder=%s\n' "$work/saves" > "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
for n in $(seq 90 120); do [ -e "/tmp/.X11-unix/X$n" ] || break; done
Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 & pids+=($!)
export DISPLAY=":$n"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
python3 "$here/screen-picture.py" "${size%x*}" "${size#*x}" "$work/screen.xwd"
xwud -noclick -in "$work/screen.xwd" >/dev/null 2>&1 & pids+=($!)
sleep 1
eval "$(dbus-launch --sh-syntax)"; pids+=("$DBUS_SESSION_BUS_PID")

stats() { python3 -c 'import sys,statistics as s; v=[float(x) for x in sys.argv[2:]]; print("%-34s median %7.0f ms  min %7.0f  max %7.0f  (%d runs)" % (sys.argv[1], s.median(v), min(v), max(v), len(v)))' "$@"; }
ms_of() { local t0 t1; t0=$(date +%s%N); "$@" >/dev/null 2>&1; t1=$(date +%s%N); echo $(( (t1 - t0) / 1000000 )); }

p=(); f=()
for i in $(seq "$runs"); do
  p+=("$(ms_of "$pictavo" capture screen --output "$work/p$i.png")")
  if command -v flameshot >/dev/null; then f+=("$(ms_of flameshot full --path "$work/f$i.png")"); fi
done
[ -s "$work/p1.png" ] || echo "pictavo wrote no picture"
stats "pictavo capture screen --output" "${p[@]}"
[ ${#f[@]} -gt 0 ] && stats "flameshot full --path" "${f[@]}"
echo "PNG sizes: pictavo $(stat -c %s "$work/p1.png" 2>/dev/null) bytes, flameshot $(stat -c %s "$work/f1.png" 2>/dev/null) bytes"

# The overlay: a new mapped window of the running instance named "Select a region".
if [ "${WITH_TRAY:-0}" = 1 ]; then
  trayer --edge top --align right --widthtype pixel --width 200 --height 24 >/dev/null 2>&1 & pids+=($!)
  sleep 0.5
fi
"$pictavo" >/dev/null 2>&1 & pids+=($!)
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/pictavo.socket" ] && break; sleep 0.05; done
sleep 1
# The overlay: ms from the command's start to the mapping of its window (MapNotify, see map-watch.c).
cc -O2 "$here/map-watch.c" -lxcb -o "$work/map-watch" || exit 1
overlay_ms() { # overlay_ms NAME CMD... ; then Escape
  local name="$1"; shift
  local ms
  ms="$("$work/map-watch" "$name" 10000 "$@")" || ms=10000
  sleep 0.3; xdotool key Escape; sleep 0.3
  pkill -f "flameshot gui" 2>/dev/null
  echo "$ms"
}
o=()
for i in $(seq "$runs"); do o+=("$(overlay_ms "Select a region" "$pictavo" capture region --output "$work/r$i.png")"); done
stats "pictavo capture region: overlay" "${o[@]}"
if command -v flameshot >/dev/null; then
  g=()
  for i in $(seq "$runs"); do g+=("$(overlay_ms "flameshot" flameshot gui)"); done
  stats "flameshot gui: overlay" "${g[@]}"
fi
