#!/usr/bin/env bash
# gnome-permission.sh PICTAVO -- run inside tests/e2e/gnome-session.sh with GS_GRANT=0.
# GNOME asks before a program takes screenshots without a dialog, and headless nobody answers:
# a capture without the permission fails (exit 1, no file) naming it, with a terminal command
# that grants it; after that command the capture works. With the permission set to "no" the
# capture fails at once, with a command that resets it. First, a person answers the question:
# "Allow" gives a picture without the question in it, "Deny" fails at once.
set -uo pipefail
pictavo="$1"
here="$(cd "$(dirname "$0")" && pwd)"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
out="$XDG_RUNTIME_DIR/shots"; mkdir -p "$out"
store() { # store METHOD ARGS...: a call to the portal's permission store
  local method="$1"; shift
  timeout 10 gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore \
    --object-path /org/freedesktop/impl/portal/PermissionStore \
    --method "org.freedesktop.impl.portal.PermissionStore.$method" "$@"
}
# capture NAME: a full-screen capture into $out/NAME.png; sets $code and $err, prints its time.
# (timeout only so that a hanging capture ends the test; 124 then says it hung)
capture() {
  local start=$(date +%s%N)
  timeout 30 "$pictavo" capture screen --output "$out/$1.png" 2>"$out/$1.err"; code=$?
  err="$(cat "$out/$1.err")"
  echo "capture $1: exit $code after $(( ($(date +%s%N) - start) / 1000000 )) ms"
  [ -n "$err" ] && printf '%s\n' "$err" | sed 's/^/  stderr: /'
}
# The terminal command an error ends with.
commands_in() { printf '%s\n' "$1" | sed -n 's/^.*\(gdbus call .*\)$/\1/p'; }

# 0. A person at the screen answers GNOME's question, 3 s after the capture asked: Tab and Return
#    is "Allow", Return alone "Deny" (the focused button).
answered() { # answered NAME KEYSYM...
  local name="$1"; shift
  ( sleep 3; /usr/bin/python3 "$here/gnome-input.py" key "$@" >/dev/null ) &
  capture "$name"
  wait
}
answered allowed ff09 ff0d
[ $code -eq 0 ] || fail "a capture the person allowed exited $code"
/usr/bin/python3 "$here/png-check.py" "$out/allowed.png" "$GS_RES" "${GS_BG:-#204a87}" 32 ||
  fail "the capture the person allowed is not the bare screen (the question in it?)"
case "$(store Lookup screenshot screenshot 2>&1)" in
  *"'': ['yes']"*) ;;
  *) fail "after Allow the store does not hold the permission" ;;
esac
store DeletePermission screenshot screenshot '' >/dev/null
answered denied ff0d
[ $code -eq 1 ] || fail "a capture the person denied exited $code, not 1"
case "$err" in
  *"refused Pictavo the screenshot permission"*) ;;
  *) fail "after Deny the error does not say the permission was refused" ;;
esac
store DeletePermission screenshot screenshot '' >/dev/null

# From here nobody answers: GNOME's question would wait two minutes for a person.
export PICTAVO_PORTAL_TIMEOUT_MS=8000

# 1. No permission yet: the capture fails and says how to grant it.
capture ungranted
[ $code -eq 1 ] || fail "without the permission the capture exited $code, not 1"
[ ! -e "$out/ungranted.png" ] || fail "without the permission the capture still wrote a file"
case "$err" in
  *"lacks the screenshot permission"*) ;;
  *) fail "without the permission the error does not say Pictavo lacks the screenshot permission" ;;
esac
grant="$(commands_in "$err" | head -n1)"
if [ -z "$grant" ]; then
  fail "without the permission the error ends with no 'gdbus call' command that grants it"
else
  echo "running: $grant"
  bash -c "$grant" || fail "the granting command exited $?"
  echo "permission store: $(store Lookup screenshot screenshot 2>&1)"
  capture granted
  [ $code -eq 0 ] || fail "after the granting command the capture exited $code"
  /usr/bin/python3 "$here/png-check.py" "$out/granted.png" "$GS_RES" || fail "after the granting command the capture is not the screen"
fi

# 2. Permission refused: fails at once, and says how to reset it.
store SetPermission screenshot true screenshot '' "['no']" >/dev/null || fail "could not set the permission to no"
capture refused
[ $code -eq 1 ] || fail "with the permission refused the capture exited $code, not 1"
[ ! -e "$out/refused.png" ] || fail "with the permission refused the capture still wrote a file"
case "$err" in
  *"refused Pictavo the screenshot permission"*) ;;
  *) fail "with the permission refused the error does not say the permission was refused" ;;
esac
reset="$(commands_in "$err" | head -n1)"
if [ -z "$reset" ]; then
  fail "with the permission refused the error ends with no 'gdbus call' command that resets it"
else
  echo "running: $reset"
  bash -c "$reset" || fail "the resetting command exited $?"
  entry="$(store Lookup screenshot screenshot 2>&1)"
  echo "permission store: $entry"
  case "$entry" in
    *"'': ["*) fail "after the resetting command the store still holds Pictavo's entry: $entry" ;;
  esac
fi

[ $failures -eq 0 ] && echo "gnome permission: all checks passed"
exit $((failures > 0))
