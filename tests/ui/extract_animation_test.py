"""The Extract dialog's animation: the AVI that make_art.py writes is read back with a
strict RLE8 decoder of its own and must give the generator's frames, pixel for pixel.

    extract_animation_test.py MAKE_ART WORKDIR
"""
import os
import shutil
import struct
import subprocess
import sys

make_art_path, work = sys.argv[1], sys.argv[2]
sys.dont_write_bytecode = True  # nothing left behind in the source tree
sys.path.insert(0, os.path.dirname(make_art_path))
import make_art  # noqa: E402

failures = []


class Bad(Exception):
    pass


def chunks(data, start, end):
    """(fourcc, payload start, payload size, list type) of the chunks in data[start:end]."""
    found = []
    while start < end:
        if start + 8 > end:
            raise Bad("chunk header cut at %d" % start)
        fourcc = data[start:start + 4]
        size = struct.unpack_from("<I", data, start + 4)[0]
        if start + 8 + size > end:
            raise Bad("%r at %d runs past its parent" % (fourcc, start))
        kind = data[start + 8:start + 12] if fourcc in (b"LIST", b"RIFF") else None
        found.append((fourcc, start + 8, size, kind))
        start += 8 + size + size % 2
    return found


def one(found, fourcc, kind=None):
    hits = [c for c in found if c[0] == fourcc and c[3] == kind]
    if len(hits) != 1:
        raise Bad("expected one %r %r, found %d" % (fourcc, kind, len(hits)))
    return hits[0]


def decode_rle8(code, width, height, canvas):
    """Draws one BI_RLE8 frame (lines from the bottom) onto canvas (rows top-down).
    Refuses anything a careful decoder would: runs past a line or the frame, skips
    that land beyond a line's end, missing padding, bytes after the end mark."""
    x = y = 0
    i = 0

    def put(value):
        nonlocal x
        if x >= width or y >= height:
            raise Bad("pixel written outside the frame at (%d, %d)" % (x, y))
        canvas[height - 1 - y][x] = value
        x += 1

    while True:
        if i + 2 > len(code):
            raise Bad("no end-of-frame mark")
        first, second = code[i], code[i + 1]
        i += 2
        if first:
            for _ in range(first):
                put(second)
        elif second == 0:
            x, y = 0, y + 1
        elif second == 1:
            if i != len(code):
                raise Bad("%d bytes after the end-of-frame mark" % (len(code) - i))
            return
        elif second == 2:
            if i + 2 > len(code):
                raise Bad("skip cut short")
            x, y = x + code[i], y + code[i + 1]
            i += 2
            # Decoders differ for a skip to a line's end; never rely on one.
            if x >= width or y >= height:
                raise Bad("skip to (%d, %d) outside the frame" % (x, y))
        else:
            if i + second + second % 2 > len(code):
                raise Bad("absolute stretch cut short")
            for value in code[i:i + second]:
                put(value)
            i += second + second % 2


def read_avi(data, width, height, palette):
    """The frames the animation control would show, in order, after checking the
    headers it relies on."""
    (riff, start, size, kind), = chunks(data, 0, len(data))
    if riff != b"RIFF" or kind != b"AVI " or start + size != len(data):
        raise Bad("not a whole RIFF AVI")
    top = chunks(data, start + 4, start + size)
    hdrl = one(top, b"LIST", b"hdrl")
    movi = one(top, b"LIST", b"movi")
    idx1 = one(top, b"idx1")
    header = chunks(data, hdrl[1] + 4, hdrl[1] + hdrl[2])
    avih = one(header, b"avih")
    (_, _, _, flags, total, _, streams, avih_buffer,
     avih_width, avih_height) = struct.unpack_from("<10I", data, avih[1])
    _, strl_start, strl_size, _ = one(header, b"LIST", b"strl")
    strl = chunks(data, strl_start + 4, strl_start + strl_size)
    strh, strf = one(strl, b"strh"), one(strl, b"strf")
    kind, handler = data[strh[1]:strh[1] + 4], data[strh[1] + 4:strh[1] + 8]
    length, buffer = struct.unpack_from("<II", data, strh[1] + 32)
    (bi_size, bi_width, bi_height, planes, bits, compression, size_image, _, _, used,
     _) = struct.unpack_from("<IiiHHIIiiII", data, strf[1])
    colours = [tuple(data[strf[1] + bi_size + 4 * k + c] for c in (2, 1, 0)) for k in range(used)]
    expect = [
        ("index flag", flags & 0x10, 0x10), ("streams", streams, 1),
        ("size", (avih_width, avih_height, bi_width, bi_height), (width, height) * 2),
        ("stream", (kind, handler), (b"vids", b"mrle")),
        ("format", (planes, bits, compression), (1, 8, 1)),
        ("format size", strf[2], bi_size + 4 * used),
        ("palette", colours, list(palette)),
        ("frame counts", length, total),
    ]
    for name, got, wanted in expect:
        if got != wanted:
            raise Bad("%s: %r, expected %r" % (name, got, wanted))

    frames = chunks(data, movi[1] + 4, movi[1] + movi[2])
    entries = [struct.unpack_from("<4sIII", data, idx1[1] + 16 * k) for k in range(idx1[2] // 16)]
    if len(frames) != total or len(entries) != total or idx1[2] % 16:
        raise Bad("%d chunks, %d index entries, %d frames" % (len(frames), len(entries), total))
    largest = max(size for _, _, size, _ in frames)
    if min(buffer, avih_buffer, size_image) < largest:
        raise Bad("buffer sizes %r below the largest frame %d" % ((buffer, avih_buffer, size_image),
                                                                   largest))
    shown, canvas = [], None
    for n, ((fourcc, at, size, _), (ckid, key, offset, length)) in enumerate(zip(frames, entries)):
        if (fourcc, ckid) != (b"00dc", b"00dc") or movi[1] + offset != at - 8 or length != size:
            raise Bad("frame %d: chunk %r at %d, index %r %d %d" % (n, fourcc, at, ckid, offset, length))
        if key not in (0, 0x10) or (n == 0 and not key):
            raise Bad("frame %d: flags %#x" % (n, key))
        if key:
            canvas = [[None] * width for _ in range(height)]
        decode_rle8(data[at:at + size], width, height, canvas)
        if key and any(None in row for row in canvas):
            raise Bad("key frame %d leaves pixels undrawn" % n)
        if any(value >= used for row in canvas for value in row):
            raise Bad("frame %d uses colours beyond the palette" % n)
        shown.append([list(row) for row in canvas])
    return shown


def check(name, width, height, palette, frames):
    try:
        shown = read_avi(make_art.avi_bytes(width, height, 10, palette, frames), width, height, palette)
    except Bad as error:
        failures.append("%s: %s" % (name, error))
        return
    for n, (got, wanted) in enumerate(zip(shown, frames)):
        if got != wanted:
            y = next(y for y in range(height) if got[y] != wanted[y])
            failures.append("%s: frame %d differs first in row %d" % (name, n, y))
            return


# The animation as built: run the generator as the build does and read its file.
shutil.rmtree(work, ignore_errors=True)
subprocess.run([sys.executable, make_art_path, work], check=True)
with open(os.path.join(work, "extract.avi"), "rb") as f:
    built = f.read()
expected = make_art.animation_frames()
width, height = make_art.AVI_WIDTH, make_art.AVI_HEIGHT
try:
    shown = read_avi(built, width, height, make_art.VGA)
    for n, frame in enumerate(shown):
        if frame != expected[n]:
            failures.append("built: frame %d differs from the drawing" % n)
    if len(built) * 4 > width * height * len(expected):
        failures.append("built: %d bytes, hardly compressed" % len(built))
except Bad as error:
    failures.append("built: %s" % error)


# Frames that reach what the drawing does not: runs and stretches past 255 pixels,
# odd and short absolute stretches, tall and one-pixel-wide frames, repeated frames.
def pattern(width, height, f):
    return [[f(x, y) for x in range(width)] for y in range(height)]


wide = pattern(600, 3, lambda x, y: 3 if x < 300 else (x * 7 + y) % 16)
moved = [list(row) for row in wide]
moved[0][5], moved[0][590], moved[2][3], moved[1][299] = 9, 9, 9, 9
tall = pattern(5, 300, lambda x, y: (x + y // 100) % 2)
tall_moved = [list(row) for row in tall]
tall_moved[0][4] = tall_moved[299][1] = 7
cases = [
    ("long runs and stretches", 600, 3, [wide, moved, wide]),
    ("many lines", 5, 300, [tall, tall_moved, tall]),
    ("short stretches", 7, 2, [pattern(7, 2, lambda x, y: [1, 2, 1, 1, 2, 3, 4][x]),
                               pattern(7, 2, lambda x, y: [1, 5, 1, 6, 2, 3, 4][x] + y)]),
    ("one pixel wide", 1, 3, [pattern(1, 3, lambda x, y: y), pattern(1, 3, lambda x, y: 2)]),
    ("nothing changes", 8, 4, [pattern(8, 4, lambda x, y: x)] * 3),
    ("everything changes", 8, 4, [pattern(8, 4, lambda x, y: x), pattern(8, 4, lambda x, y: 15 - x)]),
]
for name, w, h, frames in cases:
    check(name, w, h, make_art.VGA, frames)

for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
