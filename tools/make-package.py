#!/usr/bin/env python3
"""Packs a self-extracting package: the package program, the 996-byte payload
header, then the zip. The header's CRC covers every byte behind it.

  make-package.py PROGRAM ZIP OUT [--destination T] [--command C] [--overwrite]
                  [--open-folder] [--delete] [--skip-confirmation]
                  [--caption S] [--question S] [--kind 3|6]
  make-package.py --check PACKAGE   (header at the payload offset, CRC)
"""
import argparse
import struct
import sys
import zlib

HEADER_BYTES = 996
# offset, size, field: the header as the package program reads it.
FIELDS = [
    (0, 6, "magic"),
    (6, 1, "kind"),
    (7, 1, "charset"),
    (8, 520, "destination"),
    (528, 256, "command"),
    (784, 4, "overwrite"),
    (788, 4, "open_folder"),
    (792, 4, "delete"),
    (796, 4, "skip_confirmation"),
    (800, 4, "crc"),
    (804, 64, "caption"),
    (868, 128, "question"),
]
TEXTS = {"destination", "command", "caption", "question"}


def pack_header(values):
    out = bytearray(HEADER_BYTES)
    for offset, size, name in FIELDS:
        v = values.get(name, 0 if name not in TEXTS else "")
        if name == "magic":
            raw = b"MOBRAL"
        elif name in ("kind", "charset"):
            raw = v.encode("ascii")
        elif name in TEXTS:
            raw = v.encode("utf-16-le")
            if len(raw) + 2 > size:
                raise ValueError(f"{name} is longer than {size // 2 - 1} characters")
            raw += bytes(size - len(raw))
        else:
            raw = struct.pack("<I" if name == "crc" else "<i", v)
        assert len(raw) == size, name
        out[offset:offset + size] = raw
    return bytes(out)


def read_header(data):
    """The fields of a header as a dict; texts end at their first NUL."""
    if len(data) < HEADER_BYTES or data[0:6] != b"MOBRAL" or data[7:8] != b"U":
        return None
    values = {}
    for offset, size, name in FIELDS:
        raw = data[offset:offset + size]
        if name in TEXTS:
            text = raw.decode("utf-16-le")
            values[name] = text.split("\0", 1)[0]
        elif name in ("magic", "kind", "charset"):
            values[name] = raw.decode("ascii")
        else:
            values[name] = struct.unpack("<I" if name == "crc" else "<i", raw)[0]
    return values


def payload_offset(image):
    """End of the last section's raw data: where the header must start."""
    pe = struct.unpack_from("<I", image, 60)[0]
    if image[:2] != b"MZ" or image[pe:pe + 4] != b"PE\0\0":
        return 0
    sections, = struct.unpack_from("<H", image, pe + 6)
    optional, = struct.unpack_from("<H", image, pe + 20)
    last = pe + 24 + optional + 40 * (sections - 1)
    size, pointer = struct.unpack_from("<II", image, last + 16)
    return pointer + size


def check(path):
    data = open(path, "rb").read()
    offset = payload_offset(data)
    values = read_header(data[offset:offset + HEADER_BYTES]) if offset else None
    if not values:
        sys.exit(f"make-package: {path}: no header at the payload offset {offset}")
    crc = zlib.crc32(data[offset + HEADER_BYTES:])
    if values["crc"] != crc:
        sys.exit(f"make-package: {path}: payload CRC {crc:08x}, header says {values['crc']:08x}")
    print(f"{path}: payload at {offset}, zip of {len(data) - offset - HEADER_BYTES} bytes, CRC {crc:08x}, "
          f"destination {values['destination']!r}, command {values['command']!r}, delete {values['delete']}, "
          f"skip confirmation {values['skip_confirmation']}, overwrite {values['overwrite']}")


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--check":
        check(sys.argv[2])
        return
    p = argparse.ArgumentParser()
    p.add_argument("program")
    p.add_argument("zip")
    p.add_argument("out")
    p.add_argument("--destination", default="")
    p.add_argument("--command", default="")
    p.add_argument("--overwrite", action="store_true")
    p.add_argument("--open-folder", action="store_true")
    p.add_argument("--delete", action="store_true")
    p.add_argument("--skip-confirmation", action="store_true")
    p.add_argument("--caption", default="")
    p.add_argument("--question", default="")
    p.add_argument("--kind", default="3", choices=["3", "6"])
    a = p.parse_args()
    program = open(a.program, "rb").read()
    archive = open(a.zip, "rb").read()
    header = pack_header({
        "kind": a.kind, "charset": "U", "destination": a.destination, "command": a.command,
        "overwrite": int(a.overwrite), "open_folder": int(a.open_folder), "delete": int(a.delete),
        "skip_confirmation": int(a.skip_confirmation), "crc": zlib.crc32(archive),
        "caption": a.caption, "question": a.question,
    })
    with open(a.out, "wb") as f:
        f.write(program + header + archive)


if __name__ == "__main__":
    try:
        main()
    except (OSError, ValueError) as e:
        sys.exit(f"make-package: {e}")
