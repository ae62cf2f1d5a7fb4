#!/usr/bin/env bash
# gnome-capture.sh PICTAVO -- run inside tests/e2e/gnome-session.sh with the permission granted.
# A full-screen capture through GNOME's portal, alone and through the running instance: each is
# a PNG of the monitor's size showing the session's solid background below the top bar (the
# instance's launcher window steps off the screen while it captures).
set -uo pipefail
pictavo="$1"
here="$(cd "$(dirname "$0")" && pwd)"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# GNOME Shell's top bar: the rows above this one are not the background.
top=32
out="$XDG_RUNTIME_DIR/shots"; mkdir -p "$out"

"$pictavo" capture screen --output "$out/alone.png"; code=$?
[ $code -eq 0 ] || fail "capture screen --output (alone) exited $code"
/usr/bin/python3 "$here/png-check.py" "$out/alone.png" "$GS_RES" "$GS_BG" $top || fail "the capture taken alone is not the session's screen"

# A save folder already chosen: no first-run question holding up start-up.
mkdir -p "$XDG_CONFIG_HOME/Pictavo"
printf '[General]\nPictavoSaveFolder=%s\n' "$out/saves" > "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
"$pictavo" >"$out/instance.log" 2>&1 &
instance=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/pictavo.socket" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/pictavo.socket" ] || fail "the running Pictavo opened no socket"
# The launcher well on the screen (GNOME has no tray), so the capture has to put it aside.
sleep 1
"$pictavo" capture screen --output "$out/instance.png"; code=$?
[ $code -eq 0 ] || fail "capture screen --output through the instance exited $code"
/usr/bin/python3 "$here/png-check.py" "$out/instance.png" "$GS_RES" "$GS_BG" $top || fail "the capture through the instance is not the session's screen"
kill "$(sed -n 1p "$XDG_RUNTIME_DIR/pictavo.socket.lock" 2>/dev/null)" "$instance" 2>/dev/null; wait "$instance" 2>/dev/null

[ $failures -eq 0 ] && echo "gnome: all checks passed"
exit $((failures > 0))
