#!/usr/bin/env python3
"""Draws the program's pictures, icons and animation into a folder.

    make_art.py OUTDIR

Everything is drawn here from geometric shapes; the build runs this script and
the resource script picks the files up from OUTDIR. Python standard library only.
The pictures (.pic) are bitmaps packed with raw Deflate, which the program
unpacks with its own decoder (ui/picture.h).

    wizard.pic      the picture beside the wizard pages, 139x270, 16 colours
    checks.pic      tree state images: empty, box, ticked box, grey ticked box
    components.pic  58 component images of 16x16 in one strip
    setup.ico typical.ico compact.ico custom.ico
    extract.avi     the animation of the Extract dialog, RLE8-compressed
"""

import math
import os
import struct
import sys
import zlib

# The strips are drawn on this colour, which the image lists treat as transparent.
KEY = (0, 128, 128)

VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
assert len(VGA) == 16

# Colour names used by the small images; "a"/"b" are the accent of a variant.
NAMED = {
    "k": 0, "r": 1, "G": 2, "o": 3, "n": 4, "p": 5, "t": 6, "g": 7,
    "d": 8, "R": 9, "L": 10, "y": 11, "B": 12, "m": 13, "c": 14, "w": 15,
}

# (light, dark) accents that vary the component images. Teal is the key, so no
# variant uses it.
ACCENTS = [(12, 4), (9, 1), (10, 2), (11, 3), (13, 5), (14, 4)]


# ----------------------------------------------------------------------------
# File formats


def bmp_bytes(width, height, bits, palette, pixels):
    """A Windows bitmap file of palette indices (rows top-down in pixels)."""
    stride = ((width * bits + 31) // 32) * 4
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            index = pixels[y][x]
            if bits == 4:
                row[x // 2] |= index << (4 if x % 2 == 0 else 0)
            else:
                row[x] = index
        data += row
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    colours += b"\0" * (4 * (1 << bits) - len(colours))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(colours)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + colours + data


# The program's decoder reads only 30 more bytes after these four (its marker rule).
DECODER_MARKER = bytes([0xF8, 0xF5, 0x23, 0x7C])


def picture_bytes(width, height, bits, palette, pixels):
    """A packed bitmap (the file without its 14-byte file header) in raw Deflate,
    after its unpacked size."""
    packed = bmp_bytes(width, height, bits, palette, pixels)[14:]
    encoder = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
    stream = encoder.compress(packed) + encoder.flush()
    if DECODER_MARKER in stream:
        raise SystemExit("make_art.py: a picture's stream holds the decoder's marker")
    return struct.pack("<I", len(packed)) + stream


def ico_bytes(images):
    """An icon file from (size, pixels) pairs; pixels hold VGA indices or None."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for size, pixels in images:
        stride = ((size * 4 + 31) // 32) * 4
        mask_stride = ((size + 31) // 32) * 4
        colour, mask = bytearray(), bytearray()
        for y in range(size - 1, -1, -1):
            row, mrow = bytearray(stride), bytearray(mask_stride)
            for x in range(size):
                index = pixels[y][x]
                if index is None:
                    mrow[x // 8] |= 0x80 >> (x % 8)
                else:
                    row[x // 2] |= index << (4 if x % 2 == 0 else 0)
            colour += row
            mask += mrow
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA)
        info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, len(colour) + len(mask),
                           0, 0, 16, 0)
        blob = info + palette + bytes(colour) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


def chunk(fourcc, payload):
    data = fourcc + struct.pack("<I", len(payload)) + payload
    return data + (b"\0" if len(payload) % 2 else b"")


def rle8_pixels(values):
    """Codes pixels of one row: repeats as (count, index) pairs, other stretches in
    absolute mode, which holds 3 to 255 pixels padded to an even length."""
    out = bytearray()
    literal = []

    def flush():
        for start in range(0, len(literal), 255):
            part = literal[start:start + 255]
            if len(part) >= 3:
                out.extend([0, len(part)] + part + [0] * (len(part) % 2))
            else:
                for value in part:
                    out.extend([1, value])
        del literal[:]

    i = 0
    while i < len(values):
        run = 1
        while i + run < len(values) and values[i + run] == values[i] and run < 255:
            run += 1
        # A pair costs as much inside an absolute stretch as on its own, and
        # ending the stretch for it would cost more.
        if run >= 3 or (run == 2 and not literal):
            flush()
            out.extend([run, values[i]])
        else:
            literal.extend(values[i:i + run])
        i += run
    flush()
    return bytes(out)


def rle8_frame(pixels):
    """One whole frame in BI_RLE8 (pixels top-down; coded bottom-up)."""
    height = len(pixels)
    out = bytearray()
    for line in range(height):
        out += rle8_pixels(pixels[height - 1 - line])
        if line < height - 1:
            out += b"\0\0"
    return bytes(out + b"\0\1")


def rle8_changes(previous, pixels, gap):
    """The pixels of a frame that differ from the one before, in BI_RLE8: the
    unchanged ones are skipped over (delta codes), so a frame costs only what moves.
    Changes closer than gap pixels on a line are coded as one stretch. Every skip
    lands inside the frame, where all decoders agree on it."""
    height = len(pixels)
    out = bytearray()
    x = y = 0  # where the decoder's cursor is; y counts lines from the bottom

    def move(to_x, to_y):
        nonlocal x, y
        if to_x < x:  # skips only go right: begin the next line
            out.extend([0, 0])
            x, y = 0, y + 1
        while (x, y) != (to_x, to_y):
            dx, dy = min(255, to_x - x), min(255, to_y - y)
            out.extend([0, 2, dx, dy])
            x, y = x + dx, y + dy

    for line in range(height):
        old, new = previous[height - 1 - line], pixels[height - 1 - line]
        changed = [i for i in range(len(new)) if new[i] != old[i]]
        spans = []
        for i in changed:
            if spans and i - spans[-1][1] <= gap:
                spans[-1][1] = i + 1
            else:
                spans.append([i, i + 1])
        for start, end in spans:
            move(start, line)
            out += rle8_pixels(new[start:end])
            x = end
    return bytes(out + b"\0\1")


def rle8_delta(previous, pixels):
    """The smallest coding of the changes over a few ways of joining nearby ones."""
    return min((rle8_changes(previous, pixels, gap) for gap in range(1, 13)), key=len)


def avi_bytes(width, height, fps, palette, frames):
    """An RLE8-compressed 8-bit AVI that the animation control can play. The first
    frame is whole (a key frame); each later one holds only what changed since the
    frame before, which is how the control plays them: in order, from frame 0, over
    the picture it last drew. Starting again at frame 0 redraws everything."""
    blobs = [rle8_frame(frames[0])]
    blobs += [rle8_delta(frames[n - 1], frames[n]) for n in range(1, len(frames))]
    largest = max(len(blob) for blob in blobs)
    count = len(frames)
    avih = struct.pack("<14I", 1000000 // fps, largest * fps, 0, 0x10, count, 0, 1,
                       largest, width, height, 0, 0, 0, 0)
    strh = (b"vids" + b"mrle" +
            struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, fps, 0, count, largest,
                        0xFFFFFFFF, 0, 0, 0, width, height))
    # Only the colours the frames use; the header says how many.
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    strf = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, largest, 0, 0,
                       len(palette), 0) + colours
    strl_body = b"strl" + chunk(b"strh", strh) + chunk(b"strf", strf)
    strl = b"LIST" + struct.pack("<I", len(strl_body)) + strl_body
    hdrl_body = b"hdrl" + chunk(b"avih", avih) + strl
    hdrl = b"LIST" + struct.pack("<I", len(hdrl_body)) + hdrl_body
    movi_body = b"movi"
    index = b""
    for n, blob in enumerate(blobs):
        key = 0x10 if n == 0 else 0  # AVIIF_KEYFRAME
        index += b"00dc" + struct.pack("<III", key, len(movi_body), len(blob))
        movi_body += chunk(b"00dc", blob)
    movi = b"LIST" + struct.pack("<I", len(movi_body)) + movi_body
    body = b"AVI " + hdrl + movi + chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", len(body)) + body


# ----------------------------------------------------------------------------
# Drawing on grids of palette indices


def grid(width, height, value):
    return [[value] * width for _ in range(height)]


def fill(pixels, inside, index, ox=0.0, oy=0.0, scale=1.0):
    """Sets every pixel whose centre satisfies inside(u, v); u, v are the centre's
    coordinates after moving by (ox, oy) and dividing by scale."""
    for y in range(len(pixels)):
        for x in range(len(pixels[0])):
            u = (x + 0.5 - ox) / scale
            v = (y + 0.5 - oy) / scale
            if inside(u, v):
                pixels[y][x] = index


def rect(x0, y0, x1, y1):
    return lambda u, v: x0 <= u < x1 and y0 <= v < y1


def ellipse(cx, cy, rx, ry):
    return lambda u, v: ((u - cx) / rx) ** 2 + ((v - cy) / ry) ** 2 <= 1.0


def polygon(points):
    def inside(u, v):
        hit = False
        j = len(points) - 1
        for i in range(len(points)):
            (xi, yi), (xj, yj) = points[i], points[j]
            if (yi > v) != (yj > v) and u < (xj - xi) * (v - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def thick_line(x0, y0, x1, y1, width):
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy)
    nx, ny = -dy / length * width / 2, dx / length * width / 2
    return polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)])


def outline(pixels, background, index):
    """Draws index on background pixels that touch a drawn pixel (8 neighbours)."""
    height, width = len(pixels), len(pixels[0])
    marks = []
    for y in range(height):
        for x in range(width):
            if pixels[y][x] != background:
                continue
            for dy in (-1, 0, 1):
                for dx in (-1, 0, 1):
                    xx, yy = x + dx, y + dy
                    if 0 <= xx < width and 0 <= yy < height and pixels[yy][xx] not in (background, index):
                        marks.append((x, y))
                        break
                else:
                    continue
                break
    for x, y in marks:
        pixels[y][x] = index


def paste(target, source, left, top, transparent):
    for y, row in enumerate(source):
        for x, value in enumerate(row):
            if value != transparent:
                target[top + y][left + x] = value


# ----------------------------------------------------------------------------
# Shapes in a 16-unit square, drawn at any size. Each takes the grid, the accent
# pair and the scale, and fills the shape's inside; the caller adds the outline.

K, BLACK, WHITE, SILVER, GREY = 6, 0, 15, 7, 8
YELLOW, OLIVE, NAVY, BLUE, AQUA, LIME, GREEN, RED = 11, 3, 4, 12, 14, 10, 2, 9


def shape_document(p, a, s, ox=0, oy=0):
    f = lambda shape, i: fill(p, shape, i, ox, oy, s)
    f(polygon([(3, 1), (10, 1), (13, 4), (13, 15), (3, 15)]), WHITE)
    f(polygon([(10, 1), (13, 4), (10, 4)]), SILVER)
    for line_y in (6, 8, 10, 12):
        f(rect(5, line_y, 11 if line_y != 12 else 9, line_y + 1), a[0])


def shape_folder(p, a, s, ox=0, oy=0):
    f = lambda shape, i: fill(p, shape, i, ox, oy, s)
    f(rect(1, 3, 7, 5), a[0])
    f(rect(1, 5, 15, 14), a[0])
    f(rect(2, 6, 14, 7), WHITE)
    f(rect(1, 13, 15, 14), a[1])


def shape_gear(p, a, s, ox=0, oy=0):
    def tooth(u, v):
        r = math.hypot(u - 8, v - 8)
        angle = math.atan2(v - 8, u - 8)
        return r < 6.8 and (r < 5.0 or math.cos(8 * angle) > 0.25) and r >= 1.9
    fill(p, tooth, a[0], ox, oy, s)
    fill(p, lambda u, v: tooth(u, v) and u + v > 17.5, a[1], ox, oy, s)


def shape_globe(p, a, s, ox=0, oy=0):
    f = lambda shape, i: fill(p, shape, i, ox, oy, s)
    f(ellipse(8, 8, 6.6, 6.6), a[0])
    f(lambda u, v: ellipse(8, 8, 6.6, 6.6)(u, v) and (abs(v - 8) < 0.5 or abs(v - 4.5) < 0.45
                                                    or abs(v - 11.5) < 0.45), a[1])
    f(lambda u, v: ellipse(8, 8, 6.6, 6.6)(u, v) and abs(((u - 8) / 3.0) ** 2 + ((v - 8) / 6.6) ** 2 - 1) < 0.2,
      a[1])
    f(ellipse(5.5, 5.0, 1.2, 1.0), WHITE)


def shape_disk(p, a, s, ox=0, oy=0):
    f = lambda shape, i: fill(p, shape, i, ox, oy, s)
    f(polygon([(1, 1), (13, 1), (15, 3), (15, 15), (1, 15)]), a[0])
    f(rect(4, 1, 11, 6), SILVER)
    f(rect(8, 2, 10, 5), GREY)
    f(rect(3, 8, 13, 15), WHITE)
    f(rect(4, 10, 12, 11), a[1])
    f(rect(4, 12, 10, 13), a[1])


def shape_monitor(p, a, s, ox=0, oy=0):
    f = lambda shape, i: fill(p, shape, i, ox, oy, s)
    f(rect(1, 1, 15, 11), SILVER)
    f(rect(3, 3, 13, 9), a[0])
    f(rect(4, 4, 6, 5), WHITE)
    f(rect(6, 11, 10, 13), GREY)
    f(rect(3, 13, 13, 15), SILVER)


def shape_book(p, a, s, ox=0, oy=0):
    f = lambda shape, i: fill(p, shape, i, ox, oy, s)
    f(rect(3, 1, 13, 13), a[0])
    f(rect(3, 1, 5, 13), a[1])
    f(rect(3, 13, 13, 15), WHITE)
    f(rect(7, 4, 11, 5), WHITE)
    f(rect(7, 6, 10, 7), WHITE)


def shape_note(p, a, s, ox=0, oy=0):
    f = lambda shape, i: fill(p, shape, i, ox, oy, s)
    f(ellipse(4.5, 12.2, 2.6, 1.9), a[0])
    f(ellipse(11.5, 11.2, 2.6, 1.9), a[0])
    f(rect(6, 3, 7.6, 12), a[1])
    f(rect(13, 2, 14.6, 11), a[1])
    f(polygon([(6, 3), (14.6, 1), (14.6, 3.6), (6, 5.6)]), a[1])


def shape_key(p, a, s, ox=0, oy=0):
    f = lambda shape, i: fill(p, shape, i, ox, oy, s)
    ring = lambda u, v: ellipse(5, 5, 4, 4)(u, v) and not ellipse(4.5, 4.5, 1.5, 1.5)(u, v)
    f(ring, a[0])
    f(thick_line(7.5, 7.5, 14, 14, 2.4), a[0])
    f(thick_line(11.2, 11.2, 13.2, 9.2, 2.0), a[0])
    f(thick_line(9, 9, 10.8, 7.2, 1.8), a[0])


def shape_package(p, a, s, ox=0, oy=0):
    f = lambda shape, i: fill(p, shape, i, ox, oy, s)
    f(polygon([(1, 5), (8, 8), (8, 15), (1, 12)]), a[0])
    f(polygon([(8, 8), (15, 5), (15, 12), (8, 15)]), a[1])
    f(polygon([(1, 5), (8, 2), (15, 5), (8, 8)]), WHITE)
    f(polygon([(4, 3.8), (11, 6.8), (11, 8.2), (4, 5.2)]), SILVER)


def shape_picture(p, a, s, ox=0, oy=0):
    f = lambda shape, i: fill(p, shape, i, ox, oy, s)
    f(rect(1, 2, 15, 14), WHITE)
    f(rect(2, 3, 14, 13), a[0])
    f(ellipse(11, 6, 1.6, 1.6), YELLOW)
    f(lambda u, v: rect(2, 3, 14, 13)(u, v) and v > 13 - 4 * (1 - abs(u - 6) / 5), GREEN)


def shape_bubble(p, a, s, ox=0, oy=0):
    f = lambda shape, i: fill(p, shape, i, ox, oy, s)
    f(ellipse(8, 7, 7, 5.6), WHITE)
    f(polygon([(4, 10), (7, 11.5), (2.5, 15)]), WHITE)
    f(lambda u, v: ellipse(8, 5.6, 2.4, 2.2)(u, v) and not ellipse(8, 5.8, 1.0, 1.0)(u, v)
      and not (u < 8 and v > 5.8), a[0])
    f(rect(7.2, 7.4, 8.8, 9.2), a[0])
    f(rect(7.2, 10, 8.8, 11.4), a[0])


SHAPES = [shape_document, shape_folder, shape_gear, shape_globe, shape_disk, shape_monitor,
          shape_book, shape_note, shape_key, shape_package, shape_picture, shape_bubble]


def small_image(shape, accent, size=16):
    pixels = grid(size, size, K)
    shape(pixels, accent, size / 16.0)
    outline(pixels, K, BLACK)
    return pixels


# ----------------------------------------------------------------------------
# The images


def component_strip(count=58):
    strip = grid(16 * count, 16, K)
    for i in range(count):
        shape = SHAPES[i % len(SHAPES)]
        accent = ACCENTS[(i // len(SHAPES)) % len(ACCENTS)]
        paste(strip, small_image(shape, accent), 16 * i, 0, K)
    return strip


def check_strip():
    strip = grid(64, 16, K)
    for state in (1, 2, 3):
        left = 16 * state
        inner = SILVER if state == 3 else WHITE
        tick = GREY if state == 3 else BLACK
        fill(strip, rect(left + 2, 2, left + 15, 15), GREY)
        fill(strip, rect(left + 3, 3, left + 15, 15), SILVER)
        fill(strip, rect(left + 3, 3, left + 14, 14), BLACK)
        fill(strip, rect(left + 4, 4, left + 14, 14), inner)
        if state >= 2:
            for x, y in ((5, 8), (6, 9), (7, 10), (8, 9), (9, 8), (10, 7), (11, 6), (12, 5)):
                for dy in (0, 1, 2):
                    if 4 <= y + dy < 14 and x < 14:
                        strip[y + dy][left + x] = tick
    return strip


def icon(draw, size):
    pixels = grid(size, size, K)
    draw(pixels, size / 32.0)
    outline(pixels, K, BLACK)
    return [[None if v == K else v for v in row] for row in pixels]


def draw_box(pixels, s, x0, y0, box_scale, accent=(YELLOW, OLIVE)):
    shape_package(pixels, accent, s * box_scale, ox=x0 * s, oy=y0 * s)


def icon_setup(p, s):
    draw_box(p, s, 2, 8, 1.45)
    arrow = polygon([(20, 1), (26, 1), (26, 9), (30, 9), (23, 17), (16, 9), (20, 9)])
    fill(p, arrow, BLUE, 0, 0, s)


def icon_typical(p, s):
    draw_box(p, s, 2, 2, 1.75)


def icon_compact(p, s):
    draw_box(p, s, 8, 8, 1.0)


def icon_custom(p, s):
    draw_box(p, s, 1, 1, 1.5)
    shape_gear(p, (SILVER, GREY), s * 1.0, ox=15 * s, oy=15 * s)


# The wizard picture: a night sky over an open box from which things rise.
WIZARD_PALETTE = [
    (0, 0, 0), (14, 22, 64), (22, 38, 96), (30, 60, 130), (46, 92, 164), (70, 132, 190),
    (110, 172, 214), (170, 212, 236), (255, 255, 255), (236, 190, 104), (204, 146, 64),
    (146, 96, 40), (255, 226, 110), (196, 196, 204), (96, 98, 116), (84, 52, 24),
]
assert len(WIZARD_PALETTE) == 16
BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def wizard_picture(width=139, height=270):
    pixels = grid(width, height, 0)
    sky = [1, 2, 3, 4, 5, 6, 7]
    cx = width / 2.0
    for y in range(height):
        for x in range(width):
            level = 0.4 + 4.6 * (y / height) ** 1.3
            # A soft glow rising from the open box.
            spread = 14 + (226 - y) * 0.28
            if y < 226:
                level += max(0.0, 1.5 - abs(x - cx) / spread * 1.5) * (0.35 + 0.65 * y / 226)
            level += (BAYER[y % 4][x % 4] + 0.5) / 16.0 - 0.5
            pixels[y][x] = sky[max(0, min(len(sky) - 1, int(round(level))))]
    # Stars.
    seed = 20240611
    for _ in range(26):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        x = 4 + seed % (width - 8)
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        y = 4 + seed % 96
        pixels[y][x] = 8 if seed % 3 else 7
        if seed % 5 == 0:
            for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
                pixels[y + dy][x + dx] = 7
    f = lambda shape, i: fill(pixels, shape, i)
    # Ground.
    f(lambda u, v: v > 246 + 3 * math.sin(u / 23.0), 1)
    f(ellipse(cx, 250, 54, 7), 0)
    # The open box.
    f(polygon([(22, 214), (70, 230), (70, 262), (22, 246)]), 10)
    f(polygon([(70, 230), (118, 214), (118, 246), (70, 262)]), 11)
    f(polygon([(22, 214), (70, 198), (118, 214), (70, 230)]), 15)
    f(polygon([(22, 214), (4, 198), (50, 184), (70, 198)]), 9)
    f(polygon([(118, 214), (135, 197), (90, 183), (70, 198)]), 10)
    f(polygon([(22, 214), (70, 230), (52, 240), (6, 224)]), 9)
    f(polygon([(118, 214), (70, 230), (88, 240), (134, 224)]), 11)
    f(thick_line(46, 222, 46, 254, 3), 11)
    # A sheet of paper.
    sheet = polygon([(46, 128), (78, 118), (92, 158), (60, 168)])
    f(sheet, 8)
    for k in range(4):
        t = 0.28 + 0.14 * k
        x0, y0 = 46 + (60 - 46) * t + 4, 128 + (168 - 128) * t - 1
        f(thick_line(x0, y0, x0 + 22, y0 - 7, 1.6), 13)
    # A disc.
    f(ellipse(96, 82, 20, 20), 13)
    f(lambda u, v: ellipse(96, 82, 20, 20)(u, v) and (u - 96) * 0.6 + (v - 82) > 9, 14)
    f(lambda u, v: ellipse(96, 82, 17, 17)(u, v) and abs(math.atan2(v - 82, u - 96) + 2.2) < 0.35, 8)
    f(ellipse(96, 82, 6, 6), 6)
    f(ellipse(96, 82, 3, 3), 2)
    # A gear.
    def gear(u, v):
        r = math.hypot(u - 40, v - 48)
        angle = math.atan2(v - 48, u - 40)
        return r < 19 and (r < 14 or math.cos(10 * angle) > 0.2) and r >= 5.5
    f(gear, 12)
    f(lambda u, v: gear(u, v) and (u - 40) + (v - 48) > 10, 9)
    # Sparkles along the path the things rise.
    for x, y in ((70, 186), (60, 104), (112, 126), (24, 92), (74, 30)):
        for d in range(-3, 4):
            pixels[y][x + d] = 8 if abs(d) < 2 else 7
            pixels[y + d][x] = 8 if abs(d) < 2 else 7
    return pixels


# The animation: a sheet flies in an arc from a box into a disk drive.
AVI_WIDTH, AVI_HEIGHT, AVI_FRAMES = 176, 44, 16


def animation_frames():
    frames = []
    for n in range(AVI_FRAMES):
        p = grid(AVI_WIDTH, AVI_HEIGHT, K)
        f = lambda shape, i: fill(p, shape, i)
        # The box on the left.
        f(polygon([(6, 20), (26, 26), (26, 42), (6, 36)]), YELLOW)
        f(polygon([(26, 26), (46, 20), (46, 36), (26, 42)]), OLIVE)
        f(polygon([(6, 20), (26, 14), (46, 20), (26, 26)]), GREY)
        f(polygon([(6, 20), (0, 12), (18, 7), (26, 14)]), YELLOW)
        f(polygon([(46, 20), (52, 12), (34, 7), (26, 14)]), OLIVE)
        # The drive on the right.
        f(rect(128, 18, 172, 40), SILVER)
        f(rect(128, 38, 172, 40), GREY)
        f(rect(134, 24, 160, 27), BLACK)
        f(rect(164, 31, 168, 34), LIME if n % 4 < 2 else GREEN)
        # The flying sheet.
        t = n / float(AVI_FRAMES)
        x = 26 + (150 - 26) * t
        y = 20 + 6 * t - 48 * t * (1 - t)
        angle = -0.9 + 1.8 * t
        ca, sa = math.cos(angle), math.sin(angle)
        corners = [(-7, -9), (7, -9), (7, 9), (-7, 9)]
        pts = [(x + cx * ca - cy * sa, y + cx * sa + cy * ca) for cx, cy in corners]
        f(polygon(pts), WHITE)
        for k in (-4, 0, 4):
            a = (x + (-4) * ca - k * sa, y + (-4) * sa + k * ca)
            b = (x + 4 * ca - k * sa, y + 4 * sa + k * ca)
            f(thick_line(a[0], a[1], b[0], b[1], 1.2), BLUE)
        outline(p, K, BLACK)
        frames.append(p)
    return frames


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)

    def write(name, data):
        with open(os.path.join(out, name), "wb") as handle:
            handle.write(data)

    write("wizard.pic", picture_bytes(139, 270, 4, WIZARD_PALETTE, wizard_picture()))
    write("checks.pic", picture_bytes(64, 16, 4, VGA, check_strip()))
    write("components.pic", picture_bytes(16 * 58, 16, 4, VGA, component_strip()))
    # The program's own icon also appears small (caption, task bar); the setup type
    # icons are only ever loaded at the large size, so they carry no small image.
    for name, draw, sizes in (("setup.ico", icon_setup, (32, 16)),
                              ("typical.ico", icon_typical, (32,)),
                              ("compact.ico", icon_compact, (32,)),
                              ("custom.ico", icon_custom, (32,))):
        write(name, ico_bytes([(size, icon(draw, size)) for size in sizes]))
    write("extract.avi", avi_bytes(AVI_WIDTH, AVI_HEIGHT, 10, VGA, animation_frames()))


if __name__ == "__main__":
    main()
