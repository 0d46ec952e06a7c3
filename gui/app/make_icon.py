#!/usr/bin/env python3
"""Writes quavel.ico: a yellow eighth note on a blue rounded square, 32x32 and 16x16, 32 bits per pixel."""
import struct

BLUE, YELLOW, CLEAR = (0xA0, 0x50, 0x20, 0xFF), (0x30, 0xD0, 0xF8, 0xFF), (0, 0, 0, 0)  # BGRA


def pixel(x, y):
    """Colour at (x, y) of a 32x32 picture, y downwards."""
    corner = 5
    cx, cy = min(max(x, corner), 31 - corner), min(max(y, corner), 31 - corner)
    if (x - cx) ** 2 + (y - cy) ** 2 > corner * corner:
        return CLEAR
    head = ((x - 12) / 5.5) ** 2 + ((y - 22) / 4.0) ** 2 <= 1
    stem = 16 <= x <= 17 and 6 <= y <= 22
    flag = 17 <= x <= 23 and 6 <= y <= 13 and (x - 17) >= (y - 6) - 1 and (x - 17) <= (y - 6) + 2
    return YELLOW if head or stem or flag else BLUE


def image(size):
    step = 32 // size
    rows = [b"".join(bytes(pixel(x * step, y * step)) for x in range(size)) for y in reversed(range(size))]
    mask_row = ((size + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"\0" * (mask_row * size)


images = [image(32), image(16)]
offset = 6 + 16 * len(images)
out = struct.pack("<HHH", 0, 1, len(images))
for size, data in zip((32, 16), images):
    out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
    offset += len(data)
with open("quavel.ico", "wb") as f:
    f.write(out + b"".join(images))
