#!/usr/bin/env python3
"""Draws the program and tray icons of Vantrel into launcher/resources/icons/.

The icons are a 2 x 2 grid of rounded tiles; the tile colours tell the
state (normal, hooks released, keep-awake) and the animation frames move a
highlight round the grid. Writes 32-bit ICO files with sizes 16, 32 and 48.
Run it again after changing the drawing; the output is committed.
"""
import os
import struct
import sys

SIZES = (16, 32, 48)

NORMAL = ((0x2F, 0x6F, 0xD8), (0x4C, 0x9A, 0xF0))
RELEASED = ((0x70, 0x70, 0x70), (0x9C, 0x9C, 0x9C))
AWAKE = ((0xD8, 0x7A, 0x1F), (0xF2, 0xA6, 0x3C))
HIGHLIGHT = (0xF5, 0xF8, 0xFF)


def tile_mask(n, x, y, x0, y0, x1, y1, r):
    """Coverage (0..1) of a rounded rectangle at pixel (x, y), 4x4 samples."""
    hits = 0
    for sy in range(4):
        for sx in range(4):
            px = x + (sx + 0.5) / 4
            py = y + (sy + 0.5) / 4
            if px < x0 or px > x1 or py < y0 or py > y1:
                continue
            cx = min(max(px, x0 + r), x1 - r)
            cy = min(max(py, y0 + r), y1 - r)
            if (px - cx) ** 2 + (py - cy) ** 2 <= r * r:
                hits += 1
    return hits / 16.0


def draw(n, colours, lit):
    """BGRA rows top-down; lit is the tile (0..3) drawn in the highlight."""
    gap = max(1.0, n / 16.0)
    pad = max(1.0, n / 16.0)
    half = (n - 2 * pad - gap) / 2
    radius = max(1.0, n / 10.0)
    tiles = []
    for i in range(4):
        tx = pad + (i % 2) * (half + gap)
        ty = pad + (i // 2) * (half + gap)
        tiles.append((tx, ty, tx + half, ty + half))
    rows = []
    for y in range(n):
        row = bytearray()
        for x in range(n):
            px = (0, 0, 0, 0)
            for i, (x0, y0, x1, y1) in enumerate(tiles):
                a = tile_mask(n, x, y, x0, y0, x1, y1, radius)
                if a <= 0:
                    continue
                if i == lit:
                    c = HIGHLIGHT
                else:
                    # top tiles lighter, as if lit from above
                    c = colours[1] if i < 2 else colours[0]
                px = (c[2], c[1], c[0], int(round(a * 255)))
                break
            row += bytes(px)
        rows.append(bytes(row))
    return rows


def ico_bytes(images):
    """images: list of (size, rows) with rows top-down BGRA."""
    header = struct.pack("<HHH", 0, 1, len(images))
    entries = b""
    blobs = b""
    offset = 6 + 16 * len(images)
    for n, rows in images:
        bih = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
        pixels = b"".join(reversed(rows))
        mask_stride = ((n + 31) // 32) * 4
        mask = bytes(mask_stride * n)
        blob = bih + pixels + mask
        entries += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return header + entries + blobs


def write(path, colours, lit):
    data = ico_bytes([(n, draw(n, colours, lit)) for n in SIZES])
    with open(path, "wb") as f:
        f.write(data)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "launcher", "resources", "icons")
    os.makedirs(out, exist_ok=True)
    write(os.path.join(out, "program.ico"), NORMAL, -1)
    write(os.path.join(out, "tray-normal.ico"), NORMAL, -1)
    write(os.path.join(out, "tray-released.ico"), RELEASED, -1)
    write(os.path.join(out, "tray-awake.ico"), AWAKE, -1)
    # animation: the highlight walks round the grid clockwise
    for frame, lit in enumerate((0, 1, 3)):
        write(os.path.join(out, "tray-busy%d.ico" % (frame + 1)), NORMAL, lit)


if __name__ == "__main__":
    main()
