#!/usr/bin/env bash
# The manual page names every option and command `pictavo --help` prints, and bash completes
# commands, capture modes and options; the zsh and fish files parse where those shells exist.
# Usage: man-and-completion-test.sh PICTAVO SOURCE_DIR
set -uo pipefail
pictavo="$(realpath "$1")"; source_dir="$(realpath "$2")"
page="$source_dir/data/man/pictavo.1.in"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

help="$("$pictavo" --help)" || fail "pictavo --help failed"
for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
  grep -qF -- "${option//-/\\-}" "$page" || fail "option $option of --help is not in the manual page"
done
for command in capture export text screen window region last-region; do
  grep -q -- "^  pictavo.*\b$command\b" <<<"$help" || fail "--help no longer names $command (update this test)"
  grep -qF -- "${command//-/\\-}" "$page" || fail "$command is not in the manual page"
done
rendered="$(sed 's/@PICTAVO_VERSION@/0/' "$page" | groff -man -ww -z 2>&1)"
[ -z "$rendered" ] || fail "groff warns about the manual page: $rendered"

# bash: what completing the words gives.
complete_words() { # WORDS... (the last one is being completed)
  bash -c '
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(( $# - 1 ))
    COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _pictavo
    printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$source_dir/data/completions/pictavo.bash" "$@"
}
expect() { # EXPECTED WORDS...
  local expected="$1"; shift
  local got; got="$(complete_words "$@" | tr '\n' ' ' | sed 's/ $//')"
  [ "$got" = "$expected" ] || fail "completing '$*' gave '$got', not '$expected'"
}
cd "$(mktemp -d)" || exit 1
expect "region" pictavo capture r
expect "last-region region screen window" pictavo capture ""
expect "capture" pictavo cap
expect "--scale" pictavo export a.png --sc
expect "100 25 50 75" pictavo export a.png --scale ""
expect "-- --all --clipboard --delay --history --output" pictavo capture screen --
expect "--text" pictavo capture region --t
expect "--lang" pictavo capture region --l
expect "deu+eng" pictavo text a.png --lang deu+en
touch shot.png notes.txt door.pictproj plan.pdf
expect "door.pictproj plan.pdf shot.png" pictavo text ""
expect "--version" pictavo --v

if command -v zsh >/dev/null; then
  zsh -n "$source_dir/data/completions/_pictavo" || fail "zsh cannot parse _pictavo"
else
  echo "skipped: zsh not installed"
fi
if command -v fish >/dev/null; then
  fish --no-execute "$source_dir/data/completions/pictavo.fish" || fail "fish cannot parse pictavo.fish"
else
  echo "skipped: fish not installed"
fi
[ "$failures" -eq 0 ] && echo "manual page and completion: all checks passed"
[ "$failures" -eq 0 ]
