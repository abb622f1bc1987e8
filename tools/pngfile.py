"""PNG files for the skin scripts and the test fixtures: 8-bit RGB or RGBA,
no filtering, one IDAT chunk."""
import struct
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_bytes(width, height, rows, alpha, level=9):
    """rows: height byte strings of width pixels each (RGBA when alpha, else RGB)."""
    raw = b"".join(b"\0" + bytes(row) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) + _chunk(b"IDAT", zlib.compress(raw, level))
            + _chunk(b"IEND", b""))
