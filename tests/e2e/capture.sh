#!/usr/bin/env bash
# Captures on a real X display through the binary: alone with --output, then through the running
# instance (clipboard, a dragged region, Escape, a picked window, an opened file, a second launch,
# garbage on the socket). Needs xvfb-run (or a display), openbox, xdotool, xclip and xmessage.
set -uo pipefail
pictavo="$1"
for tool in openbox xdotool xclip xmessage xwininfo xprop xev; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
done
[ -n "${DISPLAY:-}" ] || { echo "SKIP: needs a display"; exit 0; }
work="$(mktemp -d)"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" PICTAVO_CAPTURE_BACKEND=x11
mkdir -m 700 "$XDG_RUNTIME_DIR"
# A save folder already chosen: no first-run welcome in the way.
mkdir -p "$XDG_CONFIG_HOME/Pictavo"
printf '[General]\nPictavoSaveFolder=%s\n' "$work/saves" > "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# A window of that name once it is on screen (the instance keeps its overlays made and hidden, so
# one found unmapped is not there yet), retried past the X errors of windows that come and go.
visible() {
  for _ in $(seq 150); do
    found="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)"
    [ -n "$found" ] && { echo "$found"; return 0; }
    sleep 0.1
  done
  fail "no window named $1 showed within 15 s"; return 1
}
# The end of a command, at most 30 s away: a step that went wrong fails instead of hanging.
finished() {
  timeout 30 tail --pid="$1" -f /dev/null || { fail "a command did not end within 30 s"; kill "$1" 2>/dev/null; }
  wait "$1"
}
size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$1" 2>/dev/null; }
instance_pid() { sed -n 1p "$XDG_RUNTIME_DIR/pictavo.socket.lock" 2>/dev/null; }
cleanup() {
  pid="$(instance_pid)"; [ -n "$pid" ] && kill "$pid" 2>/dev/null
  kill $(jobs -p) 2>/dev/null; rm -rf "$work"
}
trap cleanup EXIT

# A window manager of this display (pgrep would also see one on another display).
. "$(dirname "$0")/window-manager.sh"
xmessage -geometry +300+200 "Door 14 reader wiring" >/dev/null 2>&1 &
xdotool search --sync --name '^xmessage$' >/dev/null
sleep 0.3

# 1. Alone: written in its own process, no instance left behind, and no session bus started
# where there was none (a cron job, a bare X session).
buses_before="$(pgrep -x dbus-daemon | sort)"
env -u DBUS_SESSION_BUS_ADDRESS "$pictavo" capture screen --output "$work/screen.png" || fail "capture screen --output exited $?"
[ "$(size "$work/screen.png")" = "1920x1080" ] || fail "screen.png is $(size "$work/screen.png"), not 1920x1080"
[ -z "$(instance_pid)" ] || fail "a capture with --output left an instance behind"
sleep 0.3
new_buses="$(comm -13 <(echo "$buses_before") <(pgrep -x dbus-daemon | sort))"
[ -z "$new_buses" ] || { fail "a capture to a file started a session bus"; kill $new_buses 2>/dev/null; }

# Twenty started at once with no instance: each waits its turn on the capture lock; all are written.
cold=()
for i in $(seq 20); do
  "$pictavo" capture screen --output "$work/cold-$i.png" 2>"$work/cold-$i.err" & cold+=($!)
done
written=0
for i in $(seq 20); do
  wait "${cold[$((i - 1))]}" || echo "cold capture $i exited $?: $(cat "$work/cold-$i.err")"
  [ "$(size "$work/cold-$i.png")" = "1920x1080" ] && written=$((written + 1))
done
[ $written -eq 20 ] || fail "$written of 20 captures started at once were written"

# A display that does not answer, with no instance to hand over to: one line, exit 1, no abort.
# A display number nothing serves (another test or session may hold any fixed one).
none=77
while [ -e "/tmp/.X11-unix/X$none" ] || [ -e "/tmp/.X$none-lock" ]; do none=$((none + 1)); done
DISPLAY=:$none "$pictavo" capture screen --output "$work/none.png" 2>"$work/none.err"; code=$?
{ [ $code -eq 1 ] && [ "$(wc -l < "$work/none.err")" -eq 1 ] && grep -q "^Pictavo: " "$work/none.err"; } ||
  fail "an unreachable display gave exit $code and: $(cat "$work/none.err")"

# 2. The instance, and the clipboard it keeps.
"$pictavo" >/dev/null 2>&1 &
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/pictavo.socket" ] && break; sleep 0.1; done
start=$(date +%s%N)
"$pictavo" capture screen --clipboard || fail "capture screen --clipboard exited $?"
echo "capture: hand-over round trip of a full-screen copy $(( ($(date +%s%N) - start) / 1000000 )) ms"
xclip -selection clipboard -t image/png -o > "$work/clip.png" 2>/dev/null
[ "$(size "$work/clip.png")" = "1920x1080" ] || fail "the clipboard holds $(size "$work/clip.png"), not a 1920x1080 picture"

# 3. A dragged region.
"$pictavo" capture region --output "$work/region.png" 2>"$work/region.err" &
client=$!
visible '^Select a region$' >/dev/null; sleep 0.3
xdotool mousemove 400 300 mousedown 1 mousemove 480 340 mousemove 600 400 mouseup 1
finished $client || fail "capture region exited $? ($(cat "$work/region.err"))"
[ "$(size "$work/region.png")" = "200x100" ] || fail "region.png is $(size "$work/region.png"), not 200x100"

# The last region again, without selecting: the same rectangle, the same pixels while the screen is
# unchanged; kept in the capture history because --history asks for it (the captures above were not).
"$pictavo" capture last-region --output "$work/again.png" --history 2>"$work/again.err" ||
  fail "capture last-region exited $? ($(cat "$work/again.err"))"
cmp -s "$work/region.png" "$work/again.png" ||
  fail "the last region captured again ($(size "$work/again.png")) is not the region's picture"
kept=""
for _ in $(seq 30); do
  kept="$(find "$XDG_STATE_HOME/Pictavo/history" -name '*.png' ! -name '*.thumb.png' 2>/dev/null | wc -l)"
  [ "$kept" = 1 ] && break; sleep 0.1
done
[ "$kept" = 1 ] || fail "the capture history holds $kept pictures, not the one captured with --history"

# The text of a dragged region, printed by the command once the instance has read it.
eval "$(xwininfo -name xmessage | awk '/Absolute upper-left X/{print "wx="$4} /Absolute upper-left Y/{print "wy="$4} /Width:/{print "ww="$2} /Height:/{print "wh="$2}')"
"$pictavo" capture region --text >"$work/text.out" 2>"$work/text.err" &
client=$!
visible '^Select a region$' >/dev/null; sleep 0.3
xdotool mousemove $((wx - 4)) $((wy - 4)) mousedown 1 mousemove $((wx + ww / 2)) $((wy + wh / 2)) \
  mousemove $((wx + ww + 4)) $((wy + wh + 4)) mouseup 1
finished $client || fail "capture region --text exited $? ($(cat "$work/text.err"))"
grep -q "Door 14 reader wiring" "$work/text.out" || fail "capture region --text printed: $(cat "$work/text.out")"

# A jitter of the hand (2 x 3 points) is a click: nothing is captured.
"$pictavo" capture region --output "$work/jitter.png" 2>"$work/jitter.err" &
client=$!
visible '^Select a region$' >/dev/null; sleep 0.3
xdotool mousemove 400 300 mousedown 1 mousemove 401 302 mousemove 402 303 mouseup 1
finished $client; code=$?
{ [ $code -eq 1 ] && [ ! -e "$work/jitter.png" ]; } || fail "a 2 x 3 jitter gave exit $code and $(size "$work/jitter.png")"

# With "Adjust Selection Before Capturing" on: the selection stays after the drag, an arrow key
# moves it by a pixel, and Return writes exactly the moved rectangle.
printf 'PictavoAdjustSelection=true\n' >> "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
"$pictavo" capture region --output "$work/adjusted.png" 2>"$work/adjusted.err" &
client=$!
visible '^Select a region$' >/dev/null; sleep 0.3
xdotool mousemove 400 300 mousedown 1 mousemove 480 340 mousemove 600 400 mouseup 1
sleep 0.5
[ -e "$work/adjusted.png" ] && fail "the adjustable selection captured on release"
xdotool key Right sleep 0.2 key Return
finished $client || fail "the adjusted capture exited $? ($(cat "$work/adjusted.err"))"
[ "$(size "$work/adjusted.png")" = "200x100" ] || fail "adjusted.png is $(size "$work/adjusted.png"), not 200x100"
sed -i '/PictavoAdjustSelection/d' "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"

# 4. Escape cancels, says so and fails the command.
"$pictavo" capture region --output "$work/cancel.png" 2>"$work/cancel.err" &
client=$!
visible '^Select a region$' >/dev/null; sleep 0.3
xdotool key Escape
finished $client; code=$?
[ $code -eq 1 ] || fail "a cancelled capture exited $code"
grep -qx "Pictavo: the capture was cancelled" "$work/cancel.err" || fail "cancel said: $(cat "$work/cancel.err")"
[ ! -e "$work/cancel.png" ] || fail "a cancelled capture wrote a file"

# Another client taking the overlay off the screen ends the capture too, and the next one works.
"$pictavo" capture region --output "$work/closed.png" 2>"$work/closed.err" &
client=$!
overlay="$(visible '^Select a region$')"; sleep 0.3
xdotool windowunmap "$overlay"
timeout 5 tail --pid=$client -f /dev/null || { fail "an overlay unmapped by another client left the capture running"; kill $client; }
finished $client; code=$?
[ $code -eq 1 ] || fail "a capture whose overlay another client unmapped exited $code"
"$pictavo" capture region --output "$work/after.png" 2>"$work/after.err" &
client=$!
visible '^Select a region$' >/dev/null; sleep 0.3
xdotool key Escape
finished $client
grep -qx "Pictavo: the capture was cancelled" "$work/after.err" || fail "after an unmapped overlay the next capture said: $(cat "$work/after.err")"

# A command stopped while its selection is on screen takes the selection with it.
"$pictavo" capture region --output "$work/stopped.png" 2>/dev/null &
client=$!
visible '^Select a region$' >/dev/null; sleep 0.3
kill $client; wait $client 2>/dev/null
for _ in $(seq 30); do xdotool search --onlyvisible --name '^Select a region$' >/dev/null || break; sleep 0.1; done
xdotool search --onlyvisible --name '^Select a region$' >/dev/null && fail "a stopped command left its selection on screen"

# 5. A picked window, cut at its frame.
"$pictavo" capture window --output "$work/window.png" 2>"$work/window.err" &
client=$!
visible '^Pick a window$' >/dev/null; sleep 0.3
xdotool mousemove 340 240 click 1
finished $client || fail "capture window exited $? ($(cat "$work/window.err"))"
# The client area plus the frame the window manager says it drew (left, right, top, bottom).
id=$(xdotool search --name '^xmessage$' | head -1)
read -r cw ch < <(xwininfo -id "$id" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w, h}')
read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
expected="$((cw + l + r))x$((ch + t + b))"
got=$(size "$work/window.png")
[ "$got" = "$expected" ] || fail "window.png is $got, the framed window $expected"

# 6. A file opens in an editor of the instance; a second plain launch wakes it.
python3 - "$work/wiring.png" <<'PY'
import sys, zlib, struct
w, h = 320, 200
raw = b''.join(b'\x00' + bytes((30, 120, 160)) * w for _ in range(h))
def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
open(sys.argv[1], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))
PY
# The launch's startup id goes with it: the editor carries it, so a window manager that prevents
# focus stealing lets it come forward.
xev -root > "$work/root-events.txt" 2>&1 & watcher=$!
sleep 0.3
DESKTOP_STARTUP_ID=pictavo-e2e-42_TIME0 "$pictavo" "$work/wiring.png" || fail "pictavo FILE exited $?"
wiring=$(timeout 5 xdotool search --sync --name 'wiring.png' | head -1)
[ -n "$wiring" ] || fail "no editor window for wiring.png"
[ -z "$wiring" ] || xprop -id "$wiring" _NET_STARTUP_ID | grep -q '"pictavo-e2e-42_TIME0"' ||
  fail "the editor does not carry the launch's startup id: $(xprop -id "$wiring" _NET_STARTUP_ID)"
sleep 0.5; kill $watcher 2>/dev/null
# The launcher hears the startup is over (its busy cursor goes).
grep -q "_NET_STARTUP_INFO_BEGIN" "$work/root-events.txt" || fail "no startup \"remove\" message was sent"
"$pictavo" "$work/missing.png" 2>"$work/missing.err"; code=$?
[ $code -eq 1 ] && grep -q "^Pictavo: " "$work/missing.err" || fail "a missing file gave exit $code: $(cat "$work/missing.err")"
"$pictavo" >/dev/null || fail "a second plain launch exited $?"

# Pictavo's own editor can be picked: it is a window people want to show too; the alert about
# missing.png, still open, takes no clicks from the picker.
cp "$work/screen.png" "$work/door.png"
"$pictavo" "$work/door.png" || fail "pictavo door.png exited $?"
editor=$(timeout 5 xdotool search --sync --onlyvisible --name 'door.png' | head -1)
if [ -z "$editor" ]; then fail "no editor for door.png"; else
  xdotool windowraise "$editor"; sleep 0.3
  read -r ex ey ew eh < <(xwininfo -id "$editor" | awk '/Absolute upper-left X:/{x=$4} /Absolute upper-left Y:/{y=$4} /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}')
  "$pictavo" capture window --output "$work/own.png" 2>"$work/own.err" &
  client=$!
  visible '^Pick a window$' >/dev/null; sleep 0.3
  # Near its bottom-left corner: an alert may cover its middle.
  xdotool mousemove $((ex + 30)) $((ey + eh - 10)) sleep 0.2 click 1
  timeout 10 tail --pid=$client -f /dev/null || { fail "the picker did not take Pictavo's editor"; xdotool key Escape; }
  finished $client || fail "picking Pictavo's editor exited $? ($(cat "$work/own.err"))"
  read -r l r t b < <(xprop -id "$editor" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  expected="$((ew + l + r))x$((eh + t + b))"
  [ "$(size "$work/own.png")" = "$expected" ] || fail "the picked editor is $(size "$work/own.png"), not $expected"
fi
xdotool search --name 'door.png' windowclose 2>/dev/null; sleep 0.3



# PDFs: one page opens at once; of several the person picks one in "Choose a Page".
if command -v gs >/dev/null; then
  printf '%%!PS\n/Helvetica findfont 30 scalefont setfont 72 700 moveto (Riser) show showpage\n' > "$work/one.ps"
  printf '%%!PS\n72 700 moveto showpage\n<< /PageSize [300 200] >> setpagedevice showpage\n' > "$work/two.ps"
  gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -sOutputFile="$work/riser.PDF" "$work/one.ps"
  gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite -sOutputFile="$work/plans.pdf" "$work/two.ps"
  "$pictavo" "$work/riser.PDF" || fail "a one-page PDF did not open"
  timeout 5 xdotool search --sync --name 'riser.PDF' >/dev/null || fail "no editor for riser.PDF"
  "$pictavo" "$work/plans.pdf" & client=$!
  timeout 5 xdotool search --sync --name '^Choose a Page$' >/dev/null || fail "no page picker for a two-page PDF"
  sleep 0.3; xdotool key Return
  finished $client || fail "opening a picked page exited $?"
  timeout 5 xdotool search --sync --name 'plans page 1.pdf' >/dev/null || fail "no editor for the picked page"
fi

# 7. Garbage on the socket is dropped; the instance still answers.
python3 -c 'import socket,sys; s=socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); s.sendall(b"\xff\xff\xff\xffjunk"); s.recv(1)' \
  "$XDG_RUNTIME_DIR/pictavo.socket" 2>/dev/null
"$pictavo" capture screen --output "$work/after.png" || fail "the instance stopped answering after garbage"
[ "$(size "$work/after.png")" = "1920x1080" ] || fail "after.png is $(size "$work/after.png")"

[ $failures -eq 0 ] && echo "capture: all checks passed"
exit $((failures > 0))
