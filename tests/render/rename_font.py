#!/usr/bin/env python3
"""Copies a TrueType font under another family name (Windows Unicode name
records only), so a test can use a face name outside the ANSI code page.
usage: rename_font.py source.ttf target.ttf "Family Name" PostScriptName"""
import struct
import sys


def name_table(family, postscript):
    records = [(1, family), (2, "Regular"), (3, family), (4, family), (6, postscript), (16, family)]
    strings = b""
    entries = b""
    for name_id, text in records:
        data = text.encode("utf-16-be")
        entries += struct.pack(">HHHHHH", 3, 1, 0x409, name_id, len(data), len(strings))
        strings += data
    header = struct.pack(">HHH", 0, len(records), 6 + 12 * len(records))
    return header + entries + strings


def checksum(data):
    data += b"\0" * (-len(data) % 4)
    return sum(struct.unpack(">%dI" % (len(data) // 4), data)) & 0xFFFFFFFF


def main():
    source, target, family, postscript = sys.argv[1:5]
    font = bytearray(open(source, "rb").read())
    count = struct.unpack(">H", font[4:6])[0]
    table = name_table(family, postscript)
    font += b"\0" * (-len(font) % 4)
    for i in range(count):
        at = 12 + 16 * i
        if bytes(font[at:at + 4]) == b"name":
            struct.pack_into(">III", font, at + 4, checksum(table), len(font), len(table))
            font += table
            break
    else:
        sys.exit("no name table in " + source)
    open(target, "wb").write(font)


main()
