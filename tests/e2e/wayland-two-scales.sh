#!/usr/bin/env bash
# Run inside PS_OUTPUTS=2 tests/e2e/portal-session.sh: HEADLESS-1 (1920 x 1080 at scale 1,
# #336699) and right of it HEADLESS-2 (2560 x 1440 device pixels at scale 2, #cc6633). The portal
# answers the whole layout at scale 2. Full screen is HEADLESS-1's own 1920 x 1080; --all is the
# layout at scale 2 (6400 x 2160: HEADLESS-1 enlarged, nothing under HEADLESS-2); alone and through
# the instance. The region overlay maps on both outputs, each showing its own output, and goes with
# the command that asked for it. (No input devices here: the drag itself is tested on X.)
set -uo pipefail
pictavo="$1"; here="$(dirname "$0")"; out="$XDG_RUNTIME_DIR"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
blue='#336699'; orange='#cc6633'
main_areas=("0,0,1920,1080=$blue")
all_areas=("0,0,3840,2160=$blue" "3840,0,2560,1440=$orange" "3840,1440,2560,720=#000000")
check() { # what FILE WxH AREA...
  local what="$1"; shift
  [ -s "$1" ] || { fail "$what: no picture"; return; }
  python3 "$here/png-check.py" "$1" --areas "${@:2}" >"$out/check.txt" || fail "$what: $(cat "$out/check.txt")"
}

"$pictavo" capture screen --output "$out/alone-main.png" || fail "capture screen --output exited $?"
check "full screen, alone" "$out/alone-main.png" 1920x1080 "${main_areas[@]}"
"$pictavo" capture screen --all --output "$out/alone-all.png" || fail "capture screen --all --output exited $?"
check "--all, alone" "$out/alone-all.png" 6400x2160 "${all_areas[@]}"

# A save folder already chosen: no first-run welcome holding up start-up.
export XDG_CONFIG_HOME="$out/config" XDG_STATE_HOME="$out/state"
mkdir -p "$XDG_CONFIG_HOME/Pictavo"
printf '[General]\nPictavoSaveFolder=%s\n' "$out/saves" > "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
"$pictavo" >/dev/null 2>&1 &
for _ in $(seq 50); do [ -S "$out/pictavo.socket" ] && break; sleep 0.1; done
[ -S "$out/pictavo.socket" ] || fail "no instance listened"

# The instance's launcher window (no tray here) is on HEADLESS-1 and in its pictures: the areas
# of that output's colour, at SCALE, leave out its rectangle (with room for its frame).
# Prints X,Y,W,H=COLOUR areas, one a line.
around_launcher() { # SCALE COLOUR
  swaymsg -t get_tree -r 2>/dev/null | python3 -c '
import json, sys
scale, colour = int(sys.argv[1]), sys.argv[2]
def find(node):
    if node.get("name") == "Pictavo" and not node.get("nodes"): return node["rect"]
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        r = find(child)
        if r: return r
W, H = 1920, 1080
r = find(json.load(sys.stdin))
if r is None:
    boxes = [(0, 0, W, H)]
else:
    m = 48
    x0, y0 = max(r["x"] - m, 0), max(r["y"] - m, 0)
    x1, y1 = min(r["x"] + r["width"] + m, W), min(r["y"] + r["height"] + m, H)
    boxes = [(0, 0, W, y0), (0, y1, W, H - y1), (0, y0, x0, y1 - y0), (x1, y0, W - x1, y1 - y0)]
for x, y, w, h in boxes:
    if w > 0 and h > 0: print("%d,%d,%d,%d=%s" % (x * scale, y * scale, w * scale, h * scale, colour))' "$@"
}
for _ in $(seq 50); do
  mapfile -t main_areas < <(around_launcher 1 "$blue"); [ "${#main_areas[@]}" -gt 1 ] && break; sleep 0.1
done
mapfile -t all_areas < <(around_launcher 2 "$blue")
all_areas+=("3840,0,2560,1440=$orange" "3840,1440,2560,720=#000000")
[ "${#main_areas[@]}" -gt 1 ] || fail "the instance's launcher window is not in sway's tree (areas: ${main_areas[*]})"
"$pictavo" capture screen --output "$out/instance-main.png" || fail "capture screen through the instance exited $?"
check "full screen, through the instance" "$out/instance-main.png" 1920x1080 "${main_areas[@]}"
"$pictavo" capture screen --all --output "$out/instance-all.png" || fail "capture screen --all through the instance exited $?"
check "--all, through the instance" "$out/instance-all.png" 6400x2160 "${all_areas[@]}"

# The outputs that hold a window named "Select a region", sorted, one line.
overlays() {
  swaymsg -t get_tree -r 2>/dev/null | python3 -c '
import json, sys
def walk(node, output):
    if node.get("type") == "output": output = node.get("name")
    if node.get("name") == "Select a region": yield output
    for child in node.get("nodes", []) + node.get("floating_nodes", []): yield from walk(child, output)
print(" ".join(sorted(o for o in walk(json.load(sys.stdin), None) if o)))' 2>/dev/null
}
"$pictavo" capture region --output "$out/region.png" 2>/dev/null &
client=$!
seen=""
for _ in $(seq 300); do
  seen="$(overlays)"; [ "$seen" = "HEADLESS-1 HEADLESS-2" ] && break; sleep 0.1
done
if [ "$seen" != "HEADLESS-1 HEADLESS-2" ]; then
  fail "the region overlays are on '${seen}', not on HEADLESS-1 and HEADLESS-2"
else
  sleep 0.5 # their first frames
  # Each shows its own output's frozen picture under a light veil (12 % black); on HEADLESS-1
  # clear of the loupe at the pointer, the hint and the launcher window.
  grim -o HEADLESS-1 "$out/overlay-1.png" && grim -o HEADLESS-2 "$out/overlay-2.png"
  check "the overlay on HEADLESS-1" "$out/overlay-1.png" 1920x1080 "200,300,400,600=#2d5a87"
  check "the overlay on HEADLESS-2" "$out/overlay-2.png" 2560x1440 "0,0,2560,1440=#b45a2d"
fi
# A command stopped takes its selection with it: both overlays go, no picture is written.
kill "$client" 2>/dev/null; wait "$client" 2>/dev/null
for _ in $(seq 50); do seen="$(overlays)"; [ -z "$seen" ] && break; sleep 0.1; done
[ -z "$seen" ] || fail "the region overlays stayed on '$seen' after the command was stopped"
[ ! -e "$out/region.png" ] || fail "a cancelled region selection wrote a picture"
# And the instance takes the next selection.
"$pictavo" capture region --output "$out/region.png" 2>/dev/null &
client=$!
for _ in $(seq 300); do seen="$(overlays)"; [ "$seen" = "HEADLESS-1 HEADLESS-2" ] && break; sleep 0.1; done
[ "$seen" = "HEADLESS-1 HEADLESS-2" ] || fail "after a cancel, the next region overlays are on '${seen}'"
kill "$client" 2>/dev/null; wait "$client" 2>/dev/null

kill "$(sed -n 1p "$out/pictavo.socket.lock")" 2>/dev/null
[ $failures -eq 0 ] && echo "wayland two scales: all checks passed"
exit $((failures > 0))
