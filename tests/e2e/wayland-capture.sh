#!/usr/bin/env bash
# Run inside tests/e2e/portal-session.sh: Pictavo natively on Wayland. A full-screen capture through
# the portal, alone and through the instance, and the region overlay mapped over the output. (The
# headless session has no input devices, so the drag itself is tested on X.)
set -uo pipefail
pictavo="$1"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
size() { python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]))' "$1" 2>/dev/null; }
"$pictavo" capture screen --output "$XDG_RUNTIME_DIR/alone.png" || fail "capture screen --output exited $?"
got=$(size "$XDG_RUNTIME_DIR/alone.png")
[ "$got" = "1920x1080" ] || fail "the Wayland capture is $got, not 1920x1080"

# A save folder already chosen: no first-run welcome holding up start-up.
export XDG_CONFIG_HOME="$XDG_RUNTIME_DIR/config" XDG_STATE_HOME="$XDG_RUNTIME_DIR/state"
mkdir -p "$XDG_CONFIG_HOME/Pictavo"
printf '[General]\nPictavoSaveFolder=%s\n' "$XDG_RUNTIME_DIR/saves" > "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
# overlay_mapped: whether a region overlay shows on the output within 5 s.
overlay_mapped() {
  for _ in $(seq 50); do
    swaymsg -t get_tree 2>/dev/null | grep -q '"name": "Select a region"' && return 0
    sleep 0.1
  done
  return 1
}
"$pictavo" >/dev/null 2>&1 &
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/pictavo.socket" ] && break; sleep 0.1; done
"$pictavo" capture region --output "$XDG_RUNTIME_DIR/region.png" 2>/dev/null &
client=$!
overlay_mapped || fail "no region overlay was mapped on the Wayland output"
# The compositor closes the overlay: the capture ends at once, as cancelled, and the next one runs.
swaymsg '[title="^Select a region$"] kill' >/dev/null 2>&1
timeout 5 tail --pid=$client -f /dev/null || { fail "an overlay closed by the compositor left the capture running"; kill "$client"; }
wait "$client"; code=$?
[ $code -eq 1 ] || fail "a capture whose overlay the compositor closed exited $code"
"$pictavo" capture region --output "$XDG_RUNTIME_DIR/again.png" 2>"$XDG_RUNTIME_DIR/again.err" &
client=$!
overlay_mapped || fail "after the compositor closed an overlay, the next capture showed none ($(cat "$XDG_RUNTIME_DIR/again.err"))"
kill "$client" 2>/dev/null
kill "$(sed -n 1p "$XDG_RUNTIME_DIR/pictavo.socket.lock")" 2>/dev/null
[ $failures -eq 0 ] && echo "wayland: all checks passed"
exit $((failures > 0))
