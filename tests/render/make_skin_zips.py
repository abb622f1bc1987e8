"""Zipped skins for the skin zip tests: archives written by Info-ZIP zip
(deflate and -0, skin.xml at the root and two folders deep, encrypted, bzip2,
streamed with a data descriptor, Zip64 sizes), and broken ones patched from
them or written member by member (bad CRC, sizes that disagree with the data,
cut-off archives, names that leave the archive, names of 260 bytes)."""
import os
import shutil
import struct
import subprocess
import sys
import zipfile

out, png = sys.argv[1], sys.argv[2]
work = os.path.join(out, "src")
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)

# UTF-16 text that compresses well, as a skin.xml does.
SKIN_XML = ("\ufeff<skin title=\"Zipped\">\r\n" + "  <general tabPosition=\"top\"/>\r\n" * 40
            + "</skin>\r\n").encode("utf-16-le")
BIG = b"".join(b"line %d of the member\r\n" % i for i in range(3000))


def put(rel, data):
    path = os.path.join(work, rel)
    os.makedirs(os.path.dirname(path) or work, exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def zip_of(name, members, *options):
    target = os.path.join(out, name)
    if os.path.exists(target):
        os.remove(target)
    subprocess.run(["zip", "-q", "-X", *options, target, *members], cwd=work, check=True)
    return target


def read(name):
    with open(os.path.join(out, name), "rb") as f:
        return bytearray(f.read())


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(bytes(data))


def local_headers(data):
    """(offset, name, compressed size) of each local header from the front."""
    at, found = 0, []
    while struct.unpack_from("<I", data, at)[0] == 0x04034B50:
        cs, us, n, m = struct.unpack_from("<IIHH", data, at + 18)
        found.append((at, bytes(data[at + 30:at + 30 + n]), cs))
        at += 30 + n + m + cs
    return found


def patch(source, target, member, offset, fmt, value):
    data = read(source)
    for at, name, _ in local_headers(data):
        if name == member:
            struct.pack_into(fmt, data, at + offset, value)
    write(target, data)


put("skin.xml", SKIN_XML)
with open(png, "rb") as f:
    put("Images/Tab.PNG", f.read())
put("notes.txt", BIG)
put("theme/inner/skin.xml", SKIN_XML)
with open(png, "rb") as f:
    put("theme/inner/tab.png", f.read())
put("tab.png", b"not the image the nested skin names")

zip_of("deflate.zip", ["notes.txt", "skin.xml", "Images/Tab.PNG"])
zip_of("stored.zip", ["notes.txt", "skin.xml", "Images/Tab.PNG"], "-0")
zip_of("nested.zip", ["tab.png", "theme/inner/skin.xml", "theme/inner/tab.png"])
zip_of("encrypted.zip", ["notes.txt", "skin.xml"], "-P", "secret")
zip_of("bzip2.zip", ["notes.txt", "skin.xml"], "-Z", "bzip2")
zip_of("zip64.zip", ["skin.xml"], "-fz")
# zip writing to a pipe cannot seek back: sizes go into a data descriptor.
with open(os.path.join(out, "descriptor.zip"), "wb") as f:
    zip_pipe = subprocess.Popen(["zip", "-q", "-X", "-", "notes.txt", "skin.xml"], cwd=work, stdout=subprocess.PIPE)
    f.write(zip_pipe.stdout.read())
    if zip_pipe.wait() != 0:
        sys.exit("zip to a pipe failed")

# Broken copies of deflate.zip (local header offsets: 14 CRC, 18 compressed
# size, 22 uncompressed size).
size = {name: cs for _, name, cs in local_headers(read("deflate.zip"))}
us = {n: len(d) for n, d in ((b"notes.txt", BIG), (b"skin.xml", SKIN_XML))}
patch("deflate.zip", "badcrc.zip", b"skin.xml", 14, "<I", 0x12345678)
patch("deflate.zip", "inflates-past.zip", b"skin.xml", 22, "<I", us[b"skin.xml"] - 16)
patch("deflate.zip", "inflates-short.zip", b"skin.xml", 22, "<I", us[b"skin.xml"] + 16)
patch("deflate.zip", "claims-gigabytes.zip", b"skin.xml", 22, "<I", 0xFFFFFF00)
patch("stored.zip", "stored-badcrc.zip", b"skin.xml", 14, "<I", 0x12345678)
patch("stored.zip", "stored-sizes.zip", b"skin.xml", 22, "<I", us[b"skin.xml"] - 1)
data = read("deflate.zip")
cut = [at for at, name, _ in local_headers(data) if name == b"skin.xml"][0]
write("cut-in-data.zip", data[:cut + 30 + len(b"skin.xml") + size[b"skin.xml"] // 2])
write("cut-in-name.zip", data[:cut + 33])


def members(name, entries):
    with zipfile.ZipFile(os.path.join(out, name), "w", zipfile.ZIP_DEFLATED) as z:
        for member, body in entries:
            z.writestr(zipfile.ZipInfo(member), body)


members("traversal.zip", [("../skin.xml", b"outside"), ("/rooted/skin.xml", b"rooted"),
                          ("C:/skin.xml", b"drive"), ("a/../../skin.xml", b"up"),
                          ("good/./skin.xml", b"dot"), ("good/skin.xml", SKIN_XML)])
members("traversal-only.zip", [("../skin.xml", b"outside"), ("..\\..\\skin.xml", b"outside")])
members("long-name.zip", [("d" * 251 + "/skin.xml", b"long"), ("ok/skin.xml", SKIN_XML)])
members("name-259.zip", [("d" * 250 + "/skin.xml", SKIN_XML)])
shutil.rmtree(work)
