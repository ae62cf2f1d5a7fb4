#!/bin/sh
# Tesseract is loaded by the text child alone: the program does not link it, reads through its
# module, and without the module says so (exit 1, one line) instead of failing some other way.
set -u
program="$1"; module="$2"
fail() { echo "FAIL: $*"; exit 1; }
readelf -d "$program" | grep -q 'NEEDED.*libtesseract' && fail "the program links libtesseract itself"
readelf -d "$module" | grep -q 'NEEDED.*libtesseract' || fail "the module does not link libtesseract"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
picture="$work/blank.png"
python3 -c '
import struct, sys, zlib
def chunk(kind, data): return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
rows = b"".join(b"\0" + b"\xff" * 64 * 3 for _ in range(48))
sys.stdout.buffer.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 64, 48, 8, 2, 0, 0, 0))
                        + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))' > "$picture"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" text "$picture" 2>&1) || fail "text with the module: $out"
echo "$out" | grep -q "^Pictavo: no text found" || fail "a blank picture read as: $out"
cp "$program" "$work/pictavo"
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$work/pictavo" text "$picture" 2>&1); code=$?
[ $code -eq 1 ] || fail "without the module: exit $code ($out)"
[ "$(echo "$out" | wc -l)" -eq 1 ] && echo "$out" | grep -q "^Pictavo: .*text recognition is not installed" ||
  fail "without the module: $out"
echo "text module: linked by the child alone, missing said plainly"
