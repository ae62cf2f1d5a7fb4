#!/usr/bin/env bash
# Editors opened one after another under a window manager that places windows itself (openbox):
# each steps aside from the last, so none hides exactly behind another.
set -uo pipefail
pictavo="$1"
for tool in openbox xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
done
[ -n "${DISPLAY:-}" ] || { echo "SKIP: needs a display"; exit 0; }
work="$(mktemp -d)"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state"
mkdir -m 700 "$XDG_RUNTIME_DIR"; mkdir -p "$XDG_CONFIG_HOME/Pictavo"
printf '[General]\nPictavoSaveFolder=%s\n' "$work/saves" > "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
instance_pid() { sed -n 1p "$XDG_RUNTIME_DIR/pictavo.socket.lock" 2>/dev/null; }
trap 'pid="$(instance_pid)"; [ -n "$pid" ] && kill "$pid" 2>/dev/null; kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
. "$(dirname "$0")/window-manager.sh"
python3 - "$work" <<'PY'
import sys, zlib, struct
w, h = 800, 500
raw = b''.join(b'\x00' + bytes((240, 240, 240)) * w for _ in range(h))
def chunk(t, d): return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b'')
for name in ('one', 'two', 'three'):
    open('%s/%s.png' % (sys.argv[1], name), 'wb').write(png)
PY
# Two at once, then one more.
"$pictavo" "$work/one.png" "$work/two.png" || { echo "FAIL: opening two pictures exited $?"; exit 1; }
"$pictavo" "$work/three.png" || { echo "FAIL: opening a third exited $?"; exit 1; }
sleep 1
positions=""
for w in $(xdotool search --onlyvisible --name '^Edit Screenshot'); do
  positions+="$(xdotool getwindowgeometry "$w" | sed -n 's/.*Position: \([0-9]*,[0-9]*\).*/\1/p')"$'\n'
done
count="$(grep -c . <<<"$positions")"
distinct="$(grep . <<<"$positions" | sort -u | grep -c .)"
echo "cascade: editor positions: $(tr '\n' ' ' <<<"$positions")"
[ "$count" -eq 3 ] || { echo "FAIL: expected three editor windows, found $count"; exit 1; }
[ "$distinct" -eq 3 ] || { echo "FAIL: editors opened one after another cover each other exactly"; exit 1; }
echo "cascade: three editors, three places"
