#!/usr/bin/env bash
# Unsaved edits survive the instance's end: killed outright (kill -9) with two unsaved editors, one
# with text still being typed, the next start offers both back; SIGTERM ends it at once with exit 0
# and the next start offers them again. Needs a display (xvfb-run) and python3-pyatspi.
set -euo pipefail
binary="$1"; here="$(dirname "$0")"
[ -n "${DISPLAY:-}" ] || { echo "SKIP: needs a display"; exit 0; }
if ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
  echo "SKIP: python3-pyatspi is not installed"; exit 0
fi
work="$(mktemp -d)"
eval "$(dbus-launch --sh-syntax)"
trap 'kill $(jobs -p) 2>/dev/null || true; kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true; rm -rf "$work"' EXIT
# Nothing started here keeps the test's output open after it ends.
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
sleep 1
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset QT_QPA_PLATFORM
mkdir -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_CONFIG_HOME/Pictavo" "$work/saves"
printf '[General]\nPictavoSaveFolder=%s\n' "$work/saves" > "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
/usr/bin/python3 - "$work/gate.png" "$work/hall.png" <<'PY'
import sys, zlib, struct
def png(path, w, h, rgb):
    raw = b''.join(b'\x00' + bytes(rgb) * w for _ in range(h))
    def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    open(path, 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
                           + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))
png(sys.argv[1], 640, 400, (200, 210, 230))
png(sys.argv[2], 500, 300, (230, 200, 180))
PY
journal="$XDG_STATE_HOME/Pictavo/recovery"
# The tray program started alone, up before anything is handed to it.
start_tray() {
  "$binary" >>"$work/instance.log" 2>&1 & pid=$!
  for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/pictavo.socket" ] && return; sleep 0.1; done
  echo "the tray program did not start"; exit 1
}

start_tray
"$binary" "$work/gate.png" "$work/hall.png" >>"$work/instance.log" 2>&1
/usr/bin/python3 "$here/recovery.py" edit
/usr/bin/python3 "$here/recovery.py" wait-journal "$journal" 2 "Door 3" "$pid"
kill -9 "$pid"; wait "$pid" 2>/dev/null || true
/usr/bin/python3 "$here/recovery.py" journal "$journal" 2 "Door 3"
echo "recovery: killed with two unsaved editors, the journal holds both and the typed text"

start_tray
/usr/bin/python3 "$here/recovery.py" restore 2
# Restored unsaved: each editor writes its entry again, under the same name.
/usr/bin/python3 "$here/recovery.py" wait-journal "$journal" 2 "Door 3" "$pid"
echo "recovery: the restored editors are unsaved and carry their entries on"

# SIGTERM: the journal is brought up to date and the program ends cleanly at once.
start=$(date +%s%N)
kill -TERM "$pid"
code=0; wait "$pid" || code=$?
took=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$code" = 0 ] || { echo "SIGTERM ended Pictavo with exit code $code"; exit 1; }
[ "$took" -lt 10000 ] || { echo "SIGTERM took ${took} ms to end Pictavo"; exit 1; }
echo "recovery: SIGTERM ended Pictavo with exit 0 after ${took} ms"
/usr/bin/python3 "$here/recovery.py" journal "$journal" 2 "Door 3"

start_tray
/usr/bin/python3 "$here/recovery.py" discard 2
/usr/bin/python3 "$here/recovery.py" wait-journal "$journal" 0 ""
kill -TERM "$pid"; wait "$pid" || true
echo "recovery: the next start offered them again, and Discard emptied the journal"
