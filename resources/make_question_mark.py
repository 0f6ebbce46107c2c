#!/usr/bin/env python3
"""Writes resources/question_mark.ico: the icon a program shows when neither the program nor the
installer has one. A black question mark on a transparent background at 16 and 32 pixels, as
32-bit images with an alpha channel (the .ico format every Windows since XP and Qt's reader load).

Run it from anywhere; it writes beside itself. The output is committed, so that the build does
not need Python. With --preview DIR it also writes each size eight times enlarged as PNG."""

import math
import pathlib
import struct
import sys
import zlib

# The drawing in a 32 by 32 grid, y downwards: the hook is an arc round HOOK_CENTRE from its
# upper left to its lower right, then the line down to the stem; the dot sits below.
HOOK_CENTRE = (16.0, 11.0)
HOOK_RADIUS = 6.5
HOOK_FROM, HOOK_TO = math.radians(160), math.radians(-40)
STEM = [(16.0, 18.0), (16.0, 20.5)]
DOT_CENTRE = (16.0, 26.5)

# Stroke width and dot radius in pixels of the size drawn: thin strokes vanish at 16 pixels.
STYLES = {32: (3.6, 2.4), 16: (2.2, 1.5)}
SUBSAMPLES = 8


def arc_end():
    return (HOOK_CENTRE[0] + HOOK_RADIUS * math.cos(HOOK_TO),
            HOOK_CENTRE[1] - HOOK_RADIUS * math.sin(HOOK_TO))


def distance_to_segment(p, a, b):
    ax, ay = a
    dx, dy = b[0] - ax, b[1] - ay
    t = max(0.0, min(1.0, ((p[0] - ax) * dx + (p[1] - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(p[0] - ax - t * dx, p[1] - ay - t * dy)


def distance_to_hook(p):
    dx, dy = p[0] - HOOK_CENTRE[0], HOOK_CENTRE[1] - p[1]
    angle = math.atan2(dy, dx)
    # The arc runs clockwise from HOOK_FROM through the top to HOOK_TO.
    if angle < HOOK_TO - math.pi / 2:
        angle += 2 * math.pi
    if HOOK_TO <= angle <= HOOK_FROM:
        arc = abs(math.hypot(dx, dy) - HOOK_RADIUS)
    else:
        ends = [(HOOK_CENTRE[0] + HOOK_RADIUS * math.cos(a), HOOK_CENTRE[1] - HOOK_RADIUS * math.sin(a))
                for a in (HOOK_FROM, HOOK_TO)]
        arc = min(math.hypot(p[0] - x, p[1] - y) for x, y in ends)
    line = min(distance_to_segment(p, a, b) for a, b in zip([arc_end()] + STEM, STEM))
    return min(arc, line)


def coverage(size, x, y):
    stroke, dot = STYLES[size]
    scale = 32.0 / size
    inside = 0
    for sy in range(SUBSAMPLES):
        for sx in range(SUBSAMPLES):
            p = ((x + (sx + 0.5) / SUBSAMPLES) * scale, (y + (sy + 0.5) / SUBSAMPLES) * scale)
            if (distance_to_hook(p) <= stroke * scale / 2
                    or math.hypot(p[0] - DOT_CENTRE[0], p[1] - DOT_CENTRE[1]) <= dot * scale):
                inside += 1
    return inside / (SUBSAMPLES * SUBSAMPLES)


def alpha_rows(size):
    return [[round(255 * coverage(size, x, y)) for x in range(size)] for y in range(size)]


def icon_image(size, rows):
    """A BITMAPINFOHEADER of twice the height, the BGRA pixels bottom-up, then the AND mask."""
    mask_stride = (size + 31) // 32 * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0,
                         size * size * 4 + size * mask_stride, 0, 0, 0, 0)
    pixels = b"".join(bytes((0, 0, 0, a)) for row in reversed(rows) for a in row)
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, a in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def png(rows, zoom):
    """Black on white, enlarged, for looking at the drawing."""
    raw = b""
    for row in rows:
        line = b"".join(bytes([255 - a] * 3) * zoom for a in row)
        raw += (b"\0" + line) * zoom
    width = len(rows[0]) * zoom

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, width, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def main():
    here = pathlib.Path(__file__).resolve().parent
    drawn = {size: alpha_rows(size) for size in (16, 32)}
    (here / "question_mark.ico").write_bytes(
        ico([(size, icon_image(size, drawn[size])) for size in (16, 32)]))
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        for size, rows in drawn.items():
            pathlib.Path(sys.argv[2], f"question_mark_{size}.png").write_bytes(png(rows, 8))


if __name__ == "__main__":
    main()
