"""Writes a raw deflate stream (no zlib header) and its expected crc32 and length."""
import random
import sys
import zlib

out = sys.argv[1]
rng = random.Random(4202)
words = [b"launcher", b"page", b"button", b"skin", b"menu", b"\x00\xff", b"Vantrel"]
data = b"".join(rng.choice(words) + bytes([rng.randrange(256)]) for _ in range(20000))
packer = zlib.compressobj(9, zlib.DEFLATED, -15)
stream = packer.compress(data) + packer.flush()
with open(out + "/sample.deflate", "wb") as f:
    f.write(stream)
with open(out + "/sample.expect", "w") as f:
    f.write("%08x %d\n" % (zlib.crc32(data), len(data)))
