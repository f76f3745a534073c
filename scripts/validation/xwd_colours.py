#!/usr/bin/env python3
"""Prints the width, height and number of distinct pixel values of an XWD window dump (xwd -out).
A window that shows only its background has one or two; a drawn editor has many.

Usage: xwd_colours.py DUMP.xwd
"""
import struct
import sys

with open(sys.argv[1], "rb") as f:
    data = f.read()

fields = struct.unpack(">25I", data[:100])
header_size, width, height = fields[0], fields[4], fields[5]
bits_per_pixel, bytes_per_line, ncolours = fields[11], fields[12], fields[19]
if bits_per_pixel != 32:
    sys.exit(f"expected 32 bits a pixel, found {bits_per_pixel}")

start = header_size + 12 * ncolours
pixels = set()
for y in range(height):
    row = data[start + y * bytes_per_line:start + y * bytes_per_line + 4 * width]
    pixels.update(row[i:i + 4] for i in range(0, len(row), 4))
print(width, height, len(pixels))
