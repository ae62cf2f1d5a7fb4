#!/usr/bin/env python3
# screen-picture.py W H OUT.xwd -- a screenshot-like picture (panels, coloured boxes, lines of
# "text") as an XWD file for xwud, so that whole-process capture figures are taken of a screen
# that compresses like a real one, not of a flat background.
import random, struct, sys

w, h, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
rng = random.Random(7)
stride = w * 4
pix = bytearray(b"\xec\xec\xec\x00" * w * h)

def fill(x, y, cw, ch, bgrx):
    x, y = max(0, x), max(0, y)
    cw, ch = min(cw, w - x), min(ch, h - y)
    if cw <= 0 or ch <= 0: return
    row = bgrx * cw
    for yy in range(y, y + ch):
        o = yy * stride + x * 4
        pix[o:o + cw * 4] = row

for _ in range(400):
    c = bytes([rng.randrange(256), rng.randrange(256), rng.randrange(256), 0])
    fill(rng.randrange(w), rng.randrange(h), 40 + rng.randrange(w // 8), 20 + rng.randrange(h // 10), c)
# Lines of text: glyph-like runs of dark pixels, 10 rows high, every 22 rows.
glyphs = [b"".join(b"\x20\x20\x20\x00" if rng.random() < 0.35 else b"\xec\xec\xec\x00" for _ in range(8))
          for _ in range(64)]
for y in range(20, h - 12, 22):
    x0 = 40 + (y % 300)
    n = min((w - x0) // 8 - 1, 60 + rng.randrange(200))
    for r in range(10):
        line = b"".join(rng.choice(glyphs) if rng.random() < 0.8 else b"\xec\xec\xec\x00" * 8 for _ in range(n))
        o = (y + r) * stride + x0 * 4
        pix[o:o + len(line)] = line

name = b"screen\x00"
header_size = 100 + len(name)
fields = [header_size, 7, 2, 24, w, h, 0, 0, 32, 0, 32, 32, stride, 4, 0xff0000, 0xff00, 0xff, 8, 0, 0,
          w, h, 0, 0, 0]
with open(out, "wb") as f:
    f.write(struct.pack(">25I", *fields))
    f.write(name)
    f.write(pix)
