#!/usr/bin/env python3
"""Draws the rearrange-drag cursors of Vantrel into launcher/resources/cursors/.

drag-move.cur: an arrow with a button tile under it (a button being moved);
drag-copy.cur: the same with a plus sign (Ctrl held: a copy). 32 x 32,
32-bit with an AND mask, hot spot at the arrow's tip (0, 0).
Run it again after changing the drawing; the output is committed.
"""
import os
import struct
import sys

N = 32
BLACK = (0, 0, 0)
WHITE = (0xFF, 0xFF, 0xFF)
TILE = (0x2F, 0x6F, 0xD8)

# The arrow as a polygon (x, y), tip at the hot spot.
ARROW = [(1, 1), (1, 16), (5, 12), (8, 19), (10, 18), (7, 11), (12, 11)]


def inside(poly, x, y):
    """Even-odd test of the pixel centre (x + 0.5, y + 0.5)."""
    px, py = x + 0.5, y + 0.5
    hit = False
    for i in range(len(poly)):
        x0, y0 = poly[i]
        x1, y1 = poly[(i + 1) % len(poly)]
        if (y0 > py) != (y1 > py):
            xc = x0 + (py - y0) * (x1 - x0) / (y1 - y0)
            if px < xc:
                hit = not hit
    return hit


def draw(copy):
    """Rows top-down of (r, g, b) or None for transparent."""
    img = [[None] * N for _ in range(N)]
    # Button tile, lower right: dark frame, coloured face.
    for y in range(14, 28):
        for x in range(12, 28):
            edge = x in (12, 27) or y in (14, 27)
            img[y][x] = BLACK if edge else TILE
    if copy:
        # Plus sign on a white square at the tile's lower right.
        for y in range(20, 31):
            for x in range(20, 31):
                edge = x in (20, 30) or y in (20, 30)
                img[y][x] = BLACK if edge else WHITE
        for i in range(22, 29):
            img[25][i] = BLACK
            img[i][25] = BLACK
    # The arrow over everything: white inside, a black line round it.
    fill = [[inside(ARROW, x, y) for x in range(N)] for y in range(N)]
    for y in range(N):
        for x in range(N):
            if fill[y][x]:
                img[y][x] = WHITE
            elif any(0 <= x + dx < N and 0 <= y + dy < N and fill[y + dy][x + dx]
                     for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                img[y][x] = BLACK
    return img


def cur_bytes(img, hotspot):
    bih = struct.pack("<IiiHHIIiiII", 40, N, 2 * N, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b""
    for row in reversed(img):
        for c in row:
            pixels += bytes((0, 0, 0, 0)) if c is None else bytes((c[2], c[1], c[0], 0xFF))
    stride = ((N + 31) // 32) * 4
    mask = b""
    for row in reversed(img):
        bits = bytearray(stride)
        for x, c in enumerate(row):
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    blob = bih + pixels + mask
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", N, N, 0, 0, hotspot[0], hotspot[1], len(blob), 6 + 16)
    return header + entry + blob


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "launcher", "resources", "cursors")
    os.makedirs(out, exist_ok=True)
    for name, copy in (("drag-move.cur", False), ("drag-copy.cur", True)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(cur_bytes(draw(copy), (0, 0)))


if __name__ == "__main__":
    main()
