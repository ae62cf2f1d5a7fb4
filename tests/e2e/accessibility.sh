#!/usr/bin/env bash
# Starts a session bus and the accessibility bus, opens a picture in Pictavo and reads its window
# over AT-SPI. Needs a display (run under xvfb-run) and Debian's python3-pyatspi.
set -euo pipefail
binary="$1"; here="$(dirname "$0")"
[ -n "${DISPLAY:-}" ] || { echo "SKIP: needs a display"; exit 0; }
if ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
  echo "SKIP: python3-pyatspi is not installed"; exit 0
fi
work="$(mktemp -d)"; trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
eval "$(dbus-launch --sh-syntax)"
trap 'kill $(jobs -p) "$DBUS_SESSION_BUS_PID" 2>/dev/null || true; rm -rf "$work"' EXIT
/usr/libexec/at-spi-bus-launcher --launch-immediately &
sleep 1
/usr/bin/python3 - "$work/shot.png" <<'PY'
import sys, zlib, struct
w, h = 640, 400
raw = b''.join(b'\x00' + bytes((200, 210, 230)) * w for _ in range(h))
def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
open(sys.argv[1], 'wb').write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))
PY
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The launches hand their files to an instance they start; it is stopped at the end.
# Each scenario starts afresh: edits left unsaved by the last one would be offered back at the next
# start (the recovery journal), so they are dropped once the instance has ended.
stop_instance() {
  pid="$(sed -n 1p "$XDG_RUNTIME_DIR/pictavo.socket.lock" 2>/dev/null)"
  if [ -n "$pid" ] && kill "$pid" 2>/dev/null; then
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -rf "$XDG_STATE_HOME/Pictavo/recovery"
}
trap 'stop_instance; kill $(jobs -p) "$DBUS_SESSION_BUS_PID" 2>/dev/null || true; rm -rf "$work"' EXIT
unset QT_QPA_PLATFORM
"$binary" "$work/shot.png"
/usr/bin/python3 "${A11Y_SCRIPT:-$here/accessibility.py}"
stop_instance; sleep 0.5
"$binary" --preview "$work/shot.png"
/usr/bin/python3 "$here/accessibility.py" preview
stop_instance; sleep 0.5
"$binary" --preview "$work/shot.png"
/usr/bin/python3 "$here/accessibility.py" preview-copy
stop_instance; sleep 0.5
# Plain start on a desktop without a tray, the save folder already chosen.
mkdir -p "$XDG_CONFIG_HOME/Pictavo"
printf '[General]\nPictavoSaveFolder=%s\n' "$work/saves" > "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
"$binary" &
/usr/bin/python3 "$here/accessibility.py" launcher
cp "$work/shot.png" "$work/second.png"
"$binary" "$work/shot.png" "$work/second.png"
/usr/bin/python3 "$here/accessibility.py" quit
stop_instance; sleep 0.5
mkdir -p "$work/saves"
"$binary" "$work/shot.png"
/usr/bin/python3 "$here/accessibility.py" save "$work/saves"
# The user's language from LANG: German texts with de_DE, the English ones with C.
for lang in de:de_DE.UTF-8 en:C; do
  stop_instance; sleep 0.5
  env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG="${lang#*:}" "$binary" &
  env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG="${lang#*:}" "$binary" "$work/shot.png"
  /usr/bin/python3 "$here/accessibility.py" language "${lang%%:*}"
done
