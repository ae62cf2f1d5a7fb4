#!/usr/bin/env bash
# Installs into a scratch prefix and checks what a desktop reads: the menu entry, the AppStream
# data, the project file type (by name and by its magic bytes) and the icon.
set -uo pipefail
build="$1"; prefix="$(mktemp -d)"; trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
share="$prefix/share"
for f in "$prefix/bin/pictavo" "$share/applications/org.pictavo.Pictavo.desktop" \
         "$share/metainfo/org.pictavo.Pictavo.metainfo.xml" "$share/mime/packages/org.pictavo.Pictavo.xml" \
         "$share/icons/hicolor/scalable/apps/org.pictavo.Pictavo.svg"; do
  [ -e "$f" ] || fail "not installed: ${f#$prefix/}"
done
desktop-file-validate "$share/applications/org.pictavo.Pictavo.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$share/metainfo/org.pictavo.Pictavo.metainfo.xml" >/dev/null ||
  fail "appstreamcli validate: $(appstreamcli validate --no-net "$share/metainfo/org.pictavo.Pictavo.metainfo.xml")"
update-mime-database "$share/mime" 2>/dev/null || fail "update-mime-database refused the type"
[ -e "$share/mime/application/x-pictavo-project.xml" ] || fail "the project type is not registered"
grep -q "pictproj" "$share/mime/globs2" 2>/dev/null || fail "*.pictproj is not a glob of the type"
grep -q "application/x-pictavo-project" "$share/applications/org.pictavo.Pictavo.desktop" ||
  fail "the menu entry does not open projects"
"$prefix/bin/pictavo" --version | grep -q "^Pictavo " || fail "the installed binary does not run"
[ $failures -eq 0 ] && echo "desktop integration: all checks passed"
exit $((failures > 0))
