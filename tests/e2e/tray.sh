#!/usr/bin/env bash
# The tray on a real X display: without a tray host the "Pictavo" launcher shows; when trayer
# starts, the icon goes into it and the launcher hides; a second plain launch only wakes the first.
set -uo pipefail
pictavo="$1"
for tool in openbox trayer xdotool xwininfo xprop; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
done
[ -n "${DISPLAY:-}" ] || { echo "SKIP: needs a display"; exit 0; }
work="$(mktemp -d)"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
mkdir -m 700 "$XDG_RUNTIME_DIR"; mkdir -p "$XDG_CONFIG_HOME/Pictavo"
printf '[General]\nPictavoSaveFolder=%s\n' "$work/saves" > "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
instance_pid() { sed -n 1p "$XDG_RUNTIME_DIR/pictavo.socket.lock" 2>/dev/null; }
trap 'pid="$(instance_pid)"; [ -n "$pid" ] && kill "$pid" 2>/dev/null; kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
. "$(dirname "$0")/window-manager.sh"
# The tray icon: a window of ours placed inside the tray host.
in_tray() {
  local tree; tree="$(xwininfo -root -tree 2>/dev/null)"
  grep -q '"Pictavo": ("pictavo" "Pictavo")  [0-9]*x[0-9]*+[0-9]*+[0-9]*  +[1-9]' <<<"$tree"
}

"$pictavo" >/dev/null 2>&1 &
timeout 5 xdotool search --sync --onlyvisible --name '^Pictavo$' >/dev/null || fail "no launcher without a tray"
"$pictavo" || fail "a second plain launch exited $?"
[ "$(pgrep -c -f "^$pictavo\$")" -le 1 ] || fail "a second instance is running"
# Minimised, the launcher comes back when Pictavo is started again (from the menu entry).
# (The tray icon's own window is called "Pictavo" too: the launcher is the one with a window
# manager's frame.)
launcher=""
for w in $(xdotool search --onlyvisible --name '^Pictavo$'); do
  xprop -id "$w" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '=' && launcher="$w" && break
done
[ -n "$launcher" ] || fail "no launcher window with a frame"
if [ -n "$launcher" ]; then
  xdotool windowminimize --sync "$launcher" 2>/dev/null
  xprop -id "$launcher" WM_STATE | grep -q Iconic || fail "the launcher did not minimise"
  "$pictavo" || fail "a plain launch to wake it exited $?"
  for _ in $(seq 20); do xprop -id "$launcher" WM_STATE | grep -q Normal && break; sleep 0.1; done
  xprop -id "$launcher" WM_STATE | grep -q Normal || fail "a minimised launcher stayed minimised"
  # A command line's capture through the instance: the launcher is not in it (no compositor here,
  # so only a short wait), and it comes back afterwards.
  xsetroot -solid '#2a7f3c'
  eval "$(xdotool getwindowgeometry --shell "$launcher")"
  screen="$(xwininfo -root | sed -n 's/.*-geometry \([0-9]*x[0-9]*\).*/\1/p')"
  "$pictavo" capture screen --output "$work/shot.png" || fail "capture screen through the instance exited $?"
  /usr/bin/python3 "$(dirname "$0")/png-check.py" "$work/shot.png" --areas "$screen" "$X,$Y,$WIDTH,$HEIGHT=#2a7f3c" ||
    fail "the launcher is in the command line's capture"
  for _ in $(seq 20); do xprop -id "$launcher" WM_STATE | grep -q Normal && break; sleep 0.1; done
  xdotool search --onlyvisible --name '^Pictavo$' >/dev/null || fail "the launcher did not come back after the capture"
fi

trayer --edge bottom --widthtype pixel --width 200 --height 30 >/dev/null 2>&1 &
for _ in $(seq 40); do in_tray && ! xdotool search --onlyvisible --name '^Pictavo$' >/dev/null && break; sleep 0.1; done
in_tray || fail "the icon did not go into the tray that started late"
xdotool search --onlyvisible --name '^Pictavo$' >/dev/null && fail "the launcher stayed beside the tray icon"

# Start to icon in a running tray.
kill "$(instance_pid)"; sleep 0.7
start=$(date +%s%N)
"$pictavo" >/dev/null 2>&1 &
for _ in $(seq 400); do in_tray && break; sleep 0.005; done
in_tray && echo "tray: start to icon in the tray $(( ($(date +%s%N) - start) / 1000000 )) ms" || fail "no icon in a running tray"

[ $failures -eq 0 ] && echo "tray: all checks passed"
exit $((failures > 0))
