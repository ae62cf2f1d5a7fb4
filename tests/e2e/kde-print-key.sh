#!/usr/bin/env bash
# kde-print-key.sh PICTAVO -- run inside tests/e2e/kde-session.sh.
# With Print bound before ("bound" in the settings), the running Pictavo makes its GlobalShortcuts
# session again: KDE's kglobalaccel then holds a "capture-selection" shortcut, and invoking it
# (as a Print press would) makes Pictavo ask the Screenshot portal for the selection's grab.
set -uo pipefail
pictavo="$1"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
kga() { gdbus call --session -t 5 --dest org.kde.kglobalaccel "$@" 2>/dev/null; }
out="$XDG_RUNTIME_DIR/print-key"; mkdir -p "$out"
mkdir -p "$XDG_CONFIG_HOME/Pictavo"
printf '[General]\nPictavoSaveFolder=%s\nPictavoPrintShortcutOffer=bound\n' "$out/saves" > "$XDG_CONFIG_HOME/Pictavo/Pictavo.conf"
"$pictavo" >"$out/instance.log" 2>&1 &
instance=$!
component=""
for _ in $(seq 100); do
  for c in $(kga --object-path /kglobalaccel --method org.kde.KGlobalAccel.allComponents | grep -o "'/component/[^']*'" | tr -d "'"); do
    kga --object-path "$c" --method org.kde.kglobalaccel.Component.shortcutNames | grep -q "'capture-selection'" && component="$c"
  done
  [ -n "$component" ] && break
  sleep 0.1
done
[ -n "$component" ] || fail "no kglobalaccel component holds capture-selection after Pictavo's start"
if [ -n "$component" ]; then
  echo "capture-selection is held by $component"
  # The same group at every start, so a key chosen in System Settings stays.
  [ "$component" = /component/pictavo ] || fail "the shortcut's group is $component, not /component/pictavo"
  dbus-monitor --session "type='method_call',interface='org.freedesktop.portal.Screenshot',member='Screenshot'" >"$out/monitor.log" 2>&1 &
  monitor=$!
  sleep 0.5
  kga --object-path "$component" --method org.kde.kglobalaccel.Component.invokeShortcut capture-selection >/dev/null \
    || fail "kglobalaccel did not invoke capture-selection"
  for _ in $(seq 100); do grep -q "member=Screenshot" "$out/monitor.log" && break; sleep 0.1; done
  grep -q "member=Screenshot" "$out/monitor.log" || fail "invoking capture-selection started no capture (no Screenshot request)"
  kill "$monitor" 2>/dev/null; wait "$monitor" 2>/dev/null
fi
kill "$(sed -n 1p "$XDG_RUNTIME_DIR/pictavo.socket.lock" 2>/dev/null)" "$instance" 2>/dev/null; wait "$instance" 2>/dev/null
[ $failures -eq 0 ] || { echo "instance log:"; cat "$out/instance.log"; }
[ $failures -eq 0 ] && echo "kde print key: all checks passed"
exit $((failures > 0))
