#!/usr/bin/python3
# png-check.py FILE WxH [#RRGGBB TOP]
# Checks that FILE is a PNG of W x H pixels and, with a colour, that every pixel from row TOP down
# has that colour (8-bit RGB or RGBA PNGs, as Pictavo writes them). Prints what it found; exit 0
# when all holds, 1 otherwise. No image library: the test machines have none for Python.
# png-check.py FILE --at X,Y ...   prints the colour of each pixel as #rrggbb, one per line.
# png-check.py FILE --areas WxH X,Y,W,H=#RRGGBB ...   checks the size and that every pixel of each
#   area is within 3 levels of its colour (alpha aside).
import struct, sys, zlib

def fail(msg):
    print("png-check: %s: %s" % (sys.argv[1], msg)); sys.exit(1)

def read(path):
    try:
        data = open(path, "rb").read()
    except OSError as e:
        fail(e.strerror)
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("not a PNG")
    pos, idat, ihdr = 8, [], None
    while pos + 8 <= len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR": ihdr = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT": idat.append(body)
        elif kind == b"IEND": break
        pos += 12 + n
    if ihdr is None: fail("no IHDR")
    return ihdr, zlib.decompress(b"".join(idat))

def rows(w, h, bpp, raw):
    stride = w * bpp
    prev = bytearray(stride)
    for y in range(h):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if f == 1:
            for i in range(bpp, stride): line[i] = (line[i] + line[i - bpp]) & 255
        elif f == 2:
            line = bytearray(prev) if not any(line) else bytearray((a + b) & 255 for a, b in zip(line, prev))
        elif f == 3:
            for i in range(stride):
                line[i] = (line[i] + ((line[i - bpp] if i >= bpp else 0) + prev[i]) // 2) & 255
        elif f == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0; b = prev[i]; c = prev[i - bpp] if i >= bpp else 0
                p = a + b - c; pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        elif f != 0:
            fail("unknown filter %d in row %d" % (f, y))
        yield line
        prev = line

(w, h, depth, ctype, _, _, interlace), raw = read(sys.argv[1])
if len(sys.argv) > 2 and sys.argv[2] == "--at":
    bpp = 3 if ctype == 2 else 4
    lines = list(rows(w, h, bpp, raw))
    for spot in sys.argv[3:]:
        x, y = (int(v) for v in spot.split(","))
        print("#" + bytes(lines[y][x * bpp:x * bpp + 3]).hex() if 0 <= x < w and 0 <= y < h else "outside")
    sys.exit(0)
if len(sys.argv) > 3 and sys.argv[2] == "--areas":
    if "%dx%d" % (w, h) != sys.argv[3]:
        print("png-check: %s: %dx%d, not %s" % (sys.argv[1], w, h, sys.argv[3])); sys.exit(1)
    bpp = 3 if ctype == 2 else 4
    lines = list(rows(w, h, bpp, raw))
    ok = True
    for area in sys.argv[4:]:
        box, colour = area.split("=")
        ax, ay, aw, ah = (int(v) for v in box.split(","))
        want = bytes.fromhex(colour.lstrip("#"))
        other, first = 0, None
        for y in range(ay, ay + ah):
            line = lines[y]
            for x in range(ax, ax + aw):
                got = line[x * bpp:x * bpp + 3]
                if any(abs(a - b) > 3 for a, b in zip(got, want)):
                    other += 1
                    if first is None: first = (x, y, bytes(got).hex())
        if other:
            print("png-check: %s: %d pixels of %s are not %s, the first at %d,%d: #%s" % (sys.argv[1], other, box, colour, *first))
            ok = False
    if ok: print("png-check: %s: %dx%d, each area its colour" % (sys.argv[1], w, h))
    sys.exit(0 if ok else 1)
ok = True
print("png-check: %s: %dx%d" % (sys.argv[1], w, h))
if len(sys.argv) > 2 and sys.argv[2] != "%dx%d" % (w, h):
    print("png-check: %s: %dx%d, not %s" % (sys.argv[1], w, h, sys.argv[2])); ok = False
if len(sys.argv) > 4:
    if depth != 8 or ctype not in (2, 6) or interlace:
        fail("only 8-bit RGB/RGBA without interlacing is read here (depth %d, colour type %d)" % (depth, ctype))
    bpp = 3 if ctype == 2 else 4
    want = bytes.fromhex(sys.argv[3].lstrip("#"))
    top = int(sys.argv[4])
    pixel = want + (b"\xff" if bpp == 4 else b"")
    whole = pixel * w
    other, first = 0, None
    for y, line in enumerate(rows(w, h, bpp, raw)):
        if y < top or line == whole: continue
        for x in range(w):
            if line[x * bpp:(x + 1) * bpp] != pixel:
                other += 1
                if first is None: first = (x, y, line[x * bpp:(x + 1) * bpp].hex())
    if other:
        print("png-check: %s: %d pixels from row %d down are not %s, the first at %d,%d: #%s" %
              (sys.argv[1], other, top, sys.argv[3], *first)); ok = False
    else:
        print("png-check: %s: every pixel from row %d down is %s" % (sys.argv[1], top, sys.argv[3]))
sys.exit(0 if ok else 1)
