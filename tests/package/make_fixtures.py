#!/usr/bin/env python3
"""Archives for the package suite, made when the suite runs: source files,
archives of them by Info-ZIP zip and 7-Zip, and Deflate64 streams written bit
by bit whose verdict comes from Info-ZIP unzip -t."""
import heapq
import os
import random
import shutil
import struct
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import importlib
packager = importlib.import_module("make-package")

out = os.path.abspath(sys.argv[1])
src = os.path.join(out, "src")
PASSWORD = "Tr0ub4dor&3"


def run(cmd, cwd, **kw):
    subprocess.run(cmd, cwd=cwd, check=True, stdout=subprocess.DEVNULL, **kw)


def shell(cmd, cwd):
    subprocess.run(["sh", "-c", cmd], cwd=cwd, check=True, stdout=subprocess.DEVNULL)


def make_sources():
    rng = random.Random(28)
    words = [b"launcher", b"page", b"button", b"skin", b"zip", b"entry", b"window", b"deflate", b"x"]
    text = b" ".join(rng.choice(words) for _ in range(40000))
    block = rng.randbytes(20000)
    files = {
        "text.txt": text,
        "random.bin": rng.randbytes(100000),
        "empty.txt": b"",
        # A block seen again 50 KB later (beyond a 32 KB window) and a long run.
        "far.bin": block + rng.randbytes(30000) + block + bytes(200000) + block,
        "sub/nested.txt": b"nested\r\n" * 100,
        "sub/na\u00efve \u00fcn\u00efcode.txt".encode().decode(): "unicode name\n".encode(),
    }
    for name, data in files.items():
        path = os.path.join(src, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def infozip():
    env = dict(os.environ, LC_ALL="C.UTF-8")
    z = lambda args: run(["zip", "-q", "-X"] + args, src, env=env)
    members = ["text.txt", "random.bin", "empty.txt", "sub"]
    z(["-r", f"{out}/iz_deflate.zip"] + members)
    z(["-0", "-r", f"{out}/iz_store.zip"] + members)
    z(["-P", PASSWORD, "-r", f"{out}/iz_crypt.zip"] + members)
    z(["-fz", "-r", f"{out}/iz_zip64.zip"] + members)
    # Written to a pipe: data descriptors, and the encryption check byte from the time.
    shell(f"zip -q -X - text.txt random.bin empty.txt | cat > {out}/iz_stream.zip", src)
    shell(f"zip -q -X -P '{PASSWORD}' - text.txt random.bin empty.txt | cat > {out}/iz_crypt_stream.zip", src)
    # Read from a pipe too: a member "-" of unknown size (Zip64 sizes behind the data).
    shell(f"cat text.txt | zip -q -X - - | cat > {out}/iz_stdin.zip", src)
    # Put behind other bytes without adjusting the offsets, like a package image;
    # the bytes in front hold a stray local signature.
    rng = random.Random(5)
    stub = rng.randbytes(3000) + b"PK\x03\x04" + rng.randbytes(2000)
    with open(f"{out}/iz_deflate.zip", "rb") as f:
        zipped = f.read()
    with open(f"{out}/iz_appended.zip", "wb") as f:
        f.write(stub + zipped)


def sevenzip():
    s = lambda name, args, members: run(["7zz", "a", "-tzip", "-bd", "-y", f"{out}/{name}"] + args + members, src)
    s("7z_deflate64.zip", ["-mm=Deflate64", "-mx=9"], ["far.bin", "text.txt", "empty.txt"])
    s("7z_store.zip", ["-mm=Copy"], ["far.bin", "text.txt", "empty.txt"])
    s("7z_zipcrypto.zip", ["-mm=Deflate", f"-p{PASSWORD}", "-mem=ZipCrypto"], ["far.bin", "text.txt", "empty.txt"])
    for bits in (128, 192, 256):
        for method in ("Copy", "Deflate", "Deflate64"):
            s(f"7z_aes{bits}_{method.lower()}.zip", [f"-mm={method}", f"-p{PASSWORD}", f"-mem=AES{bits}"],
              ["far.bin", "text.txt", "empty.txt"])


# --- Deflate64 streams written bit by bit ------------------------------------------

class Bits:
    def __init__(self):
        self.out, self.acc, self.n = bytearray(), 0, 0

    def put(self, value, n):
        self.acc |= value << self.n
        self.n += n
        while self.n >= 8:
            self.out.append(self.acc & 255)
            self.acc >>= 8
            self.n -= 8

    def code(self, code, n):  # Huffman codes go most significant bit first
        self.put(int(format(code, f"0{n}b")[::-1], 2) if n else 0, n)

    def align(self):
        if self.n:
            self.put(0, 8 - self.n)

    def done(self):
        self.align()
        return bytes(self.out)


def canonical(lengths):
    codes, code = {}, 0
    for n in range(1, 16):
        for sym, length in enumerate(lengths):
            if length == n:
                codes[sym] = (code, n)
                code += 1
        code <<= 1
    return codes


def complete_lengths(symbols):
    """Lengths of a complete code over the given symbols (equal weights)."""
    if len(symbols) == 1:
        return {symbols[0]: 1}
    heap = [(1, i, [s]) for i, s in enumerate(symbols)]
    depth = {s: 0 for s in symbols}
    tick = len(heap)
    while len(heap) > 1:
        a, b = heapq.heappop(heap), heapq.heappop(heap)
        for s in a[2] + b[2]:
            depth[s] += 1
        heapq.heappush(heap, (a[0] + b[0], tick, a[2] + b[2]))
        tick += 1
    return depth


FIXED_LIT = [8] * 144 + [9] * 112 + [7] * 24 + [8] * 8
FIXED_DIST = [5] * 32
ORDER = [16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15]


def dynamic_header(bits, lit, dist, last=1):
    bits.put(last, 1)
    bits.put(2, 2)
    bits.put(len(lit) - 257, 5)
    bits.put(len(dist) - 1, 5)
    seq = lit + dist
    cl = complete_lengths(sorted(set(seq)))
    cl_lengths = [cl.get(i, 0) for i in range(19)]
    nb = max(4, max(i for i, s in enumerate(ORDER) if cl_lengths[s]) + 1)
    bits.put(nb - 4, 4)
    for s in ORDER[:nb]:
        bits.put(cl_lengths[s], 3)
    cc = canonical(cl_lengths)
    for length in seq:
        bits.code(*cc[length])


def put_symbols(bits, lit, dist, symbols):
    lc, dc = canonical(lit), canonical(dist)
    for item in symbols:
        if isinstance(item, int):
            bits.code(*lc[item])
        else:  # (length symbol, extra bits, extra value, distance symbol, extra bits, extra value)
            ls, le, lv, ds, de, dv = item
            bits.code(*lc[ls])
            bits.put(lv, le)
            bits.code(*dc[ds])
            bits.put(dv, de)
    bits.code(*lc[256])


def stored_block(bits, data, last):
    bits.put(last, 1)
    bits.put(0, 2)
    bits.align()
    bits.put(len(data), 16)
    bits.put(len(data) ^ 0xFFFF, 16)
    for b in data:
        bits.put(b, 8)


def deflate64_cases():
    rng = random.Random(9)
    cases = []  # name, stream, expected output (None: broken)

    # Length code 285 with all 16 extra bits: 65538 bytes from one match.
    b = Bits()
    b.put(1, 1)
    b.put(1, 2)
    put_symbols(b, FIXED_LIT, FIXED_DIST, [ord("a"), (285, 16, 0xFFFF, 0, 0, 0)])
    cases.append(("d64_len285", b.done(), b"a" * 65539))

    # Distance 65536 (code 31, all extra bits), with the window wrapped once.
    head = rng.randbytes(70000)
    b = Bits()
    stored_block(b, head[:65535], 0)
    stored_block(b, head[65535:], 0)
    b.put(1, 1)
    b.put(1, 2)
    put_symbols(b, FIXED_LIT, FIXED_DIST, [(285, 16, 3000 - 3, 31, 14, 16383)])
    body = bytearray(head)
    for _ in range(3000):
        body.append(body[-65536])
    cases.append(("d64_dist65536", b.done(), bytes(body)))

    # A dynamic block with HLIT 31 and HDIST 31 (288 and 32 codes), and distance code 30.
    lit = [8] * 224 + [9] * 64
    dist = [5] * 32
    data = rng.randbytes(33000)
    b = Bits()
    dynamic_header(b, lit, dist)
    put_symbols(b, lit, dist, list(data) + [(257, 0, 0, 30, 14, 0), (284, 5, 31, 29, 13, 8191)])
    expected = bytearray(data)
    for _ in range(3):
        expected.append(expected[-32769])
    for _ in range(258):
        expected.append(expected[-32768])
    cases.append(("d64_dynamic_full", b.done(), bytes(expected)))

    # Only one distance code (an incomplete code of one bit).
    lit = [0] * 257 + [0] * 3
    for s in b"xyz":
        lit[s] = 2
    lit[256] = 3
    lit[258] = 3
    dist = [0, 0, 1]
    b = Bits()
    dynamic_header(b, lit, dist)
    put_symbols(b, lit, dist, [ord("x"), ord("y"), ord("z"), (258, 0, 0, 2, 0, 0)])
    cases.append(("d64_one_distance", b.done(), b"xyzxyzx"))

    # Broken streams.
    b = Bits()
    stored_block(b, b"hello", 1)
    s = bytearray(b.done())
    s[3] ^= 0x01  # NLEN no longer the complement of LEN
    cases.append(("d64_bad_stored", bytes(s), None))
    b = Bits()
    b.put(1, 1)
    b.put(3, 2)
    b.put(0, 13)
    cases.append(("d64_type3", b.done(), None))
    lit = [1] * 3 + [0] * 253 + [1] + [0] * 31  # three codes of one bit
    b = Bits()
    dynamic_header(b, lit, [1, 1])
    b.put(0, 16)
    cases.append(("d64_oversubscribed", b.done(), None))
    good = cases[2][1]
    cases.append(("d64_truncated", good[: len(good) // 2], None))
    b = Bits()
    b.put(1, 1)
    b.put(1, 2)
    put_symbols(b, FIXED_LIT, FIXED_DIST, [(260, 0, 0, 3, 0, 0), ord("a")])
    cases.append(("d64_before_start", b.done(), None))
    return cases


def zip_with(name, stream, data, crc, size):
    """One entry of method 9 named name.bin, with a central directory."""
    fname = (name + ".bin").encode()
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 21, 0, 9, 0, 0x21, crc, len(stream), size, len(fname), 0)
    central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 21, 21, 0, 9, 0, 0x21, crc, len(stream), size,
                          len(fname), 0, 0, 0, 0, 0x20, 0)
    body = local + fname + stream
    cd = central + fname
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, len(cd), len(body), 0)
    return body + cd + end


def crafted():
    for name, stream, expected in deflate64_cases():
        data = expected if expected is not None else b""
        crc = zlib.crc32(data)
        size = len(data) if expected is not None else 1000
        path = f"{out}/{name}.zip"
        with open(path, "wb") as f:
            f.write(zip_with(name, stream, data, crc, size))
        verdict = subprocess.run(["unzip", "-tqq", path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if (verdict.returncode == 0) != (expected is not None):
            sys.exit(f"unzip -t does not agree on {name}: exit {verdict.returncode}")
        if expected is not None:
            with open(f"{out}/{name}.expected", "wb") as f:
                f.write(expected)


shutil.rmtree(out, ignore_errors=True)
os.makedirs(src)
make_sources()
infozip()
sevenzip()
crafted()


def package_header():
    """A header packed by the build's packer, every field set, for the suite to
    read and to pack again byte for byte."""
    values = {"kind": "6", "charset": "U", "destination": "%temp%\\Vantrel \u00fc",
              "command": "setup.exe /q", "overwrite": 1, "open_folder": 0, "delete": 1,
              "skip_confirmation": 1, "crc": 0xDEADBEEF, "caption": "Caption", "question": "Go on?"}
    header = packager.pack_header(values)
    if packager.read_header(header) != dict(values, magic="MOBRAL"):
        sys.exit("the packer cannot read its own header")
    with open(f"{out}/header.bin", "wb") as f:
        f.write(header)


package_header()
