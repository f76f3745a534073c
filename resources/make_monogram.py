#!/usr/bin/env python3
"""Draws the maker's "FK" ribbon monogram (506 x 581, 8-bit RGBA, transparent background).

Plain Python (zlib only): each letter is a set of thick round-capped strokes, edges anti-aliased
from the distance to the stroke. Run from this folder to rewrite fennick-fk-monogram-ribbon-tight.png.
"""
import math
import struct
import zlib

WIDTH, HEIGHT = 506, 581
HALF_STROKE = 30.0        # px, half the ribbon width (chosen by eye)
OUTLINE = 5.0             # px, dark rim around the ribbon

# Strokes as (x0, y0, x1, y1): an F on the left, a K on the right sharing the F's top bar.
STROKES = [
    (120, 120, 120, 460),   # F stem
    (120, 120, 300, 120),   # F top bar, running into the K stem
    (120, 285, 245, 285),   # F middle bar
    (310, 120, 310, 460),   # K stem
    (320, 300, 420, 135),   # K upper leg
    (345, 285, 425, 460),   # K lower leg
]


def segment_distance(px, py, seg):
    x0, y0, x1, y1 = seg
    dx, dy = x1 - x0, y1 - y0
    t = ((px - x0) * dx + (py - y0) * dy) / float(dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (x0 + t * dx), py - (y0 + t * dy))


def coverage(distance, radius):
    return max(0.0, min(1.0, radius - distance + 0.5))


def ribbon_colour(y):
    # light blue at the top to deep blue at the bottom
    t = y / HEIGHT
    top, bottom = (150, 195, 255), (29, 78, 216)
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(top, bottom))


def pixel(x, y):
    px, py = x + 0.5, y + 0.5
    d = min(segment_distance(px, py, s) for s in STROKES)
    rim = coverage(d, HALF_STROKE + OUTLINE)
    if rim <= 0.0:
        return (0, 0, 0, 0)
    body = coverage(d, HALF_STROKE)
    r, g, b = ribbon_colour(py)
    # a soft highlight along the middle of the ribbon gives it a folded look
    shine = max(0.0, 1.0 - d / HALF_STROKE) ** 2 * 0.25
    r, g, b = (min(255, int(c + (255 - c) * shine)) for c in (r, g, b))
    rim_rgb = (8, 20, 48)
    out = tuple(int(round(rc + (c - rc) * body)) for rc, c in zip(rim_rgb, (r, g, b)))
    return out + (int(round(255 * rim)),)


def png_chunk(kind, data):
    chunk = kind + data
    return struct.pack(">I", len(data)) + chunk + struct.pack(">I", zlib.crc32(chunk) & 0xffffffff)


def main():
    rows = []
    for y in range(HEIGHT):
        row = bytearray([0])   # filter: none
        for x in range(WIDTH):
            row.extend(pixel(x, y))
        rows.append(bytes(row))
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 6, 0, 0, 0)   # 8-bit RGBA
    png = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
           + png_chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + png_chunk(b"IEND", b""))
    with open("fennick-fk-monogram-ribbon-tight.png", "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
