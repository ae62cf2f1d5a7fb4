#!/usr/bin/env bash
# kde-capture.sh PICTAVO -- run inside tests/e2e/kde-session.sh.
# Full-screen captures through KDE's portal, which saves each screenshot as
# ~/Pictures/Screenshot_<date>_<time>.png, named to the second: alone and through the running
# instance each give a PNG of the output's size; two captures started together both succeed;
# none of KDE's files is left in ~/Pictures; and a missing ~/Pictures does not stop a capture.
set -uo pipefail
pictavo="$1"
here="$(cd "$(dirname "$0")" && pwd)"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
size="${KS_WIDTH}x${KS_HEIGHT}"
out="$XDG_RUNTIME_DIR/shots"; mkdir -p "$out"
check() { # check NAME WHAT: $out/NAME.png is a picture of the output
  /usr/bin/python3 "$here/png-check.py" "$out/$1.png" "$size" || fail "$2 did not give a $size PNG"
}
leftovers() { # leftovers WHEN: no screenshot of KDE's portal stays in ~/Pictures
  local left
  left="$(find "$HOME/Pictures" -maxdepth 1 -name 'Screenshot_*' 2>/dev/null)"
  [ -z "$left" ] || fail "after $1, KDE's screenshots are left in ~/Pictures: $(echo $left)"
}
pair() { # pair NAME: two captures started together
  local a b
  "$pictavo" capture screen --output "$out/$1-a.png" & a=$!
  "$pictavo" capture screen --output "$out/$1-b.png" & b=$!
  wait $a || fail "the first of two captures started together ($1) exited $?"
  wait $b || fail "the second of two captures started together ($1) exited $?"
  check "$1-a" "the first of two captures started together ($1)"
  check "$1-b" "the second of two captures started together ($1)"
}

"$pictavo" capture screen --output "$out/alone.png" || fail "capture screen --output (alone) exited $?"
check alone "capture screen --output (alone)"
leftovers "a capture alone"
pair alone
leftovers "two captures together, alone"

# A save folder already chosen: no first-run question holding up start-up.
mkdir -p "$XDG_CONFIG_HOME/Pictavo"
printf '[General]\nPictavoSaveFolder=%s\n' "$out/saves" > "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
"$pictavo" >"$out/instance.log" 2>&1 &
instance=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/pictavo.socket" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/pictavo.socket" ] || fail "the running Pictavo opened no socket"
"$pictavo" capture screen --output "$out/instance.png" || fail "capture screen --output through the instance exited $?"
check instance "capture screen --output through the instance"
pair instance
leftovers "captures through the instance"
kill "$(sed -n 1p "$XDG_RUNTIME_DIR/pictavo.socket.lock" 2>/dev/null)" "$instance" 2>/dev/null; wait "$instance" 2>/dev/null

# KDE's portal answers "failed" when ~/Pictures does not exist.
rm -rf "$HOME/Pictures"
"$pictavo" capture screen --output "$out/no-pictures.png" || fail "capture screen --output without ~/Pictures exited $?"
check no-pictures "capture screen --output without ~/Pictures"
leftovers "a capture without ~/Pictures"

[ $failures -eq 0 ] && echo "kde: all checks passed"
exit $((failures > 0))
