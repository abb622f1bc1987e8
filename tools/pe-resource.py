#!/usr/bin/env python3
"""Prints one resource of a PE image: pe-resource.py FILE TYPE [NAME].

TYPE and NAME are numbers (24 is RT_MANIFEST, 16 RT_VERSION); without NAME
the first of the type. Exit 1 when the image has no such resource."""
import struct
import sys


def sections(data):
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        raise ValueError('not a PE image')
    count, opt_size = struct.unpack_from('<H', data, pe + 6)[0], struct.unpack_from('<H', data, pe + 20)[0]
    opt = pe + 24
    magic = struct.unpack_from('<H', data, opt)[0]
    dirs = opt + (112 if magic == 0x20B else 96)
    rsrc_rva = struct.unpack_from('<I', data, dirs + 2 * 8)[0]
    table = opt + opt_size
    out = []
    for i in range(count):
        name, vsize, va, rawsize, raw = struct.unpack_from('<8sIIII', data, table + 40 * i)
        out.append((va, max(vsize, rawsize), raw))
    return rsrc_rva, out


def offset(rva, secs):
    for va, size, raw in secs:
        if va <= rva < va + size:
            return raw + rva - va
    raise ValueError('address outside every section')


def entries(data, base, at):
    named, ids = struct.unpack_from('<HH', data, at + 12)
    for i in range(named + ids):
        ident, target = struct.unpack_from('<II', data, at + 16 + 8 * i)
        yield ident, target


def find(data, want_type, want_name):
    rsrc, secs = sections(data)
    if not rsrc:
        return None
    base = offset(rsrc, secs)
    for ident, target in entries(data, base, base):
        if ident != want_type or not target & 0x80000000:
            continue
        names = base + (target & 0x7FFFFFFF)
        for name, sub in entries(data, base, names):
            if want_name is not None and name != want_name or not sub & 0x80000000:
                continue
            for _lang, leaf in entries(data, base, base + (sub & 0x7FFFFFFF)):
                rva, size = struct.unpack_from('<II', data, base + leaf)
                start = offset(rva, secs)
                return data[start:start + size]
    return None


def main():
    data = open(sys.argv[1], 'rb').read()
    name = int(sys.argv[3]) if len(sys.argv) > 3 else None
    found = find(data, int(sys.argv[2]), name)
    if found is None:
        sys.exit(1)
    sys.stdout.buffer.write(found)


if __name__ == '__main__':
    main()
