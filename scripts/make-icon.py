#!/usr/bin/env python3
"""Draws the launcher's own icon, setup/setup.ico: a white arrow going down into a tray on a
blue rounded square, at 16, 32 and 48 pixels.

Each size is a 256-colour bitmap with a 1-bit transparency mask, the icon format every Windows
version from XP on draws, and small enough to leave the size budget of setup.exe almost
untouched (about 7 KB against 15 KB for 32-bit colour). The shapes are sampled 8 x 8 times per
pixel; the rounded square's edge is cut by the mask, the shapes inside it are blended.

    scripts/make-icon.py [output.ico]     (default: setup/setup.ico)

The output depends on nothing but this file, so the committed icon can be made again.
"""

import os
import struct
import sys

BLUE = (0x1F, 0x5F, 0xA8)
WHITE = (0xFF, 0xFF, 0xFF)
PALE = (0xA8, 0xD0, 0xF4)
SIZES = (16, 32, 48)
SAMPLES = 8


def in_rounded_square(x, y, low=0.04, high=0.96, radius=0.2):
    if not (low <= x <= high and low <= y <= high):
        return False
    cx = min(max(x, low + radius), high - radius)
    cy = min(max(y, low + radius), high - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    return (d1 >= 0 and d2 >= 0 and d3 >= 0) or (d1 <= 0 and d2 <= 0 and d3 <= 0)


def colour_at(x, y):
    """The colour of a point inside the square (y grows downwards)."""
    if 0.42 <= x <= 0.58 and 0.14 <= y <= 0.46:  # the arrow's shaft
        return WHITE
    if in_triangle(x, y, (0.24, 0.42), (0.76, 0.42), (0.5, 0.68)):  # its head
        return WHITE
    tray = ((0.18 <= x <= 0.82 and 0.76 <= y <= 0.85)
            or (0.18 <= x <= 0.27 and 0.58 <= y <= 0.85)
            or (0.73 <= x <= 0.82 and 0.58 <= y <= 0.85))
    return PALE if tray else BLUE


def render(size):
    """Rows top-down of (colour or None for transparent)."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            inside, total = 0, [0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    if in_rounded_square(x, y):
                        inside += 1
                        c = colour_at(x, y)
                        for k in range(3):
                            total[k] += c[k]
            if inside * 2 < SAMPLES * SAMPLES:
                row.append(None)
            else:
                row.append(tuple((t + inside // 2) // inside for t in total))
        rows.append(row)
    return rows


def bitmap(size):
    """The icon image: BITMAPINFOHEADER, 256-entry palette, colour rows and mask rows, both
    bottom-up and padded to four bytes."""
    rows = render(size)
    colours = sorted({c for row in rows for c in row if c is not None})
    if len(colours) > 255:
        raise SystemExit("%d px: %d colours do not fit a palette" % (size, len(colours)))
    palette = [(0, 0, 0)] + colours  # entry 0 under the transparent pixels
    index = {c: i for i, c in enumerate(palette)}
    colour_stride = (size + 3) & ~3
    mask_stride = ((size + 31) // 32) * 4
    pixels, mask = bytearray(), bytearray()
    for row in reversed(rows):
        pixels += bytes(0 if c is None else index[c] for c in row)
        pixels += bytes(colour_stride - size)
        bits = bytearray(mask_stride)
        for x, c in enumerate(row):
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 8, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    table += bytes(4 * (256 - len(palette)))
    return header + table + bytes(pixels) + bytes(mask)


def icon():
    images = [bitmap(size) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "setup", "setup.ico")
    with open(path, "wb") as f:
        f.write(icon())


if __name__ == "__main__":
    main()
