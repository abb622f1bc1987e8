"""A program folder's Skins for the skin selection tests: one tiny skin as a
folder and as zips by Info-ZIP zip (deflated and -0, skin.xml at the root
and one folder deep), broken skins (cut archive, image names and skin names
that leave their folder, an oversized image, cut XML, a member that inflates
past its declared size), and a decoy skin outside Skins that only a name
escaping the folder could reach. Images are small BMP and PNG files."""
import os
import shutil
import struct
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from pngfile import png_bytes  # noqa: E402

out = sys.argv[1]
shutil.rmtree(out, ignore_errors=True)
skins = os.path.join(out, "Skins")
os.makedirs(skins)


def bmp(w, h, colour):
    """24-bit bottom-up BMP of one colour (r, g, b)."""
    row = bytes(colour[::-1]) * w
    row += b"\0" * ((4 - len(row) % 4) % 4)
    pixels = row * h
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + pixels


def png(w, h, rows):
    """RGB PNG whose row y has the colour rows(y)."""
    return png_bytes(w, h, [bytes(rows(y)) * w for y in range(h)], False, level=6)


def banded(w, h, *colours):
    """Rows of equal height, one colour each (the states of tabs and buttons)."""
    return png(w, h, lambda y: colours[y * len(colours) // h])


IMAGES = {
    "frame.bmp": bmp(16, 16, (0x20, 0x40, 0x80)),
    "back.bmp": bmp(16, 16, (0xE8, 0xEC, 0xF4)),
    "close.bmp": bmp(16, 14, (0xC0, 0x30, 0x30)),
    "tab.png": banded(40, 60, (0x90, 0xA8, 0xD0), (0xB0, 0xC8, 0xF0), (0xF8, 0xF8, 0xFF)),
    "button.png": banded(48, 144, (0xF0, 0xF4, 0xFA), (0xC8, 0xDC, 0xF8), (0xA0, 0xC0, 0xF0)),
    "menu.bmp": bmp(16, 16, (0xF4, 0xF4, 0xF4)),
    "item.png": banded(30, 30, (0xF4, 0xF4, 0xF4), (0xC8, 0xDC, 0xF8), (0xA0, 0xC0, 0xF0)),
}

SKIN = """<?xml version="1.0" encoding="UTF-16"?>
<skin title="Tiny" author="Vantrel tests" version="1">
  <comment>Two<br/>lines</comment>
  <general tabPosition="top" clippingColor="#FF00FF" sizeArea="4, 4, 4, 4" shadowArea="0, 0, 0, 0"/>
  <background image="back.bmp" border="2, 2, 2, 2">
    <arrangement offset="0, 0, 0, 0"/>
  </background>
  <frame>
    <left image="frame.bmp"><arrangement width="5"/></left>
    <top image="frame.bmp"><arrangement height="26"/></top>
    <right image="frame.bmp"><arrangement width="5"/></right>
    <bottom image="frame.bmp"><arrangement height="7"/></bottom>
  </frame>
  <closebutton>
    <normal image="close.bmp"/><hover image="close.bmp"/><down image="close.bmp"/>
    <arrangement>
      <left base="TopFrame" side="right" offset="-22"/>
      <top base="TopFrame" side="top" offset="6"/>
      <right width="ImageSize"/>
      <bottom height="ImageSize"/>
    </arrangement>
  </closebutton>
  <caption>
    <arrangement>
      <left base="TopFrame" side="left" offset="8"/>
      <top base="TopFrame" side="top" offset="4"/>
      <right base="CloseButton" side="left" width="Variable" offset="-4"/>
      <bottom base="TopFrame" side="bottom" height="Variable" offset="-4"/>
    </arrangement>
    <text face="Tahoma" size="10" style="bold">
      <decoration color="#FFFFFF" shadowColor="#000000"/>
    </text>
  </caption>
  <tabarea>
    <arrangement offset="1, 1, -1, 0" margin="2, 2, 2, 0"/>
    <tab image="tab.png" designs="1">
      <arrangement pitch="2, 0"/>
      <text>
        <font><active face="Tahoma" size="9" style="bold"/><inactive face="Tahoma" size="9"/></font>
        <decoration><normal color="#202040"/><hover color="#0030C0"/><active color="#000000"/></decoration>
      </text>
    </tab>
  </tabarea>
  <buttonarea>
    <arrangement offset="1, 1, -1, -1" margin="4, 4, 4, 4"/>
    <button image="button.png" designs="1">
      <arrangement pitch="2, 2" shiftHover="0, 0" shiftDown="1, 1"/>
      <text>
        <font face="Tahoma" size="8"/>
        <decoration><normal color="#112233"/><hover color="#0030C0"/><down color="#000000"/></decoration>
      </text>
    </button>
  </buttonarea>
  <submenu image="menu.bmp">
    <item>
      <normal image="item.png" left="0" top="1/3" width="1/1" height="1/3"/>
      <selected image="item.png" left="0" top="2/3" width="1/1" height="1/3"/>
      <multisel image="item.png" left="0" top="3/3" width="1/1" height="1/3"/>
      <arrangement margin="3, 2, 3, 2" interval="4"/>
      <text><font face="Tahoma" size="9"/></text>
    </item>
  </submenu>
  <recommended>
    <mode1><tab size="600, 30"/></mode1>
  </recommended>
</skin>
"""


def utf16(text):
    return "\ufeff".encode("utf-16-le") + text.replace("\n", "\r\n").encode("utf-16-le")


def put_skin(folder, text=SKIN, images=IMAGES):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "skin.xml"), "wb") as f:
        f.write(text)
    for name, data in images.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def zip_dir(source, target, *options):
    target = os.path.abspath(target)
    subprocess.run(["zip", "-q", "-X", "-r", *options, target, "."], cwd=source, check=True)


def read(path):
    with open(path, "rb") as f:
        return bytearray(f.read())


def member_offset(data, member):
    """Offset of the local header of member, walking from the front."""
    at = 0
    while struct.unpack_from("<I", data, at)[0] == 0x04034B50:
        cs, _, n, m = struct.unpack_from("<IIHH", data, at + 18)
        if bytes(data[at + 30:at + 30 + n]) == member:
            return at
        at += 30 + n + m + cs
    sys.exit("no member %r" % member)


text = utf16(SKIN)
work = os.path.join(out, "work")
put_skin(os.path.join(skins, "Tiny"), text)
put_skin(os.path.join(work, "root"), text)
put_skin(os.path.join(work, "nested", "inner"), text)
zip_dir(os.path.join(work, "root"), os.path.join(skins, "Tiny.zip"))
zip_dir(os.path.join(work, "root"), os.path.join(skins, "Stored.zip"), "-0")
zip_dir(os.path.join(work, "nested"), os.path.join(skins, "Nested.zip"))
zip_dir(os.path.join(work, "nested"), os.path.join(skins, "NestedStored.zip"), "-0")
# Found only by appending ".zip" to its name.
shutil.copy(os.path.join(skins, "Tiny.zip"), os.path.join(skins, "Plain.zip"))

tiny = read(os.path.join(skins, "Tiny.zip"))
with open(os.path.join(skins, "Truncated.zip"), "wb") as f:
    f.write(tiny[:member_offset(tiny, b"skin.xml") + 30 + 8 + 40])
past = bytearray(tiny)
struct.pack_into("<I", past, member_offset(past, b"skin.xml") + 22, len(text) - 16)
with open(os.path.join(skins, "InflatesPast.zip"), "wb") as f:
    f.write(past)

# The decoy: a whole skin beside the program, outside Skins.
put_skin(os.path.join(out, "Outside"), text)
# Image names that climb to the decoy's or a sibling's files.
put_skin(os.path.join(skins, "EscapeImage"), utf16(SKIN.replace('image="tab.png"', 'image="..\\Tiny\\tab.png"')),
         {k: v for k, v in IMAGES.items() if k != "tab.png"})
escape = os.path.join(skins, "EscapeImage.zip")
with zipfile.ZipFile(escape, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("inner/skin.xml", utf16(SKIN.replace('image="tab.png"', 'image="../tab.png"')))
    for name, data in IMAGES.items():
        z.writestr("inner/" + name, data)
    z.writestr("inner/../tab.png", IMAGES["tab.png"])
# An image far beyond the size cap, and XML that ends before its required parts.
put_skin(os.path.join(skins, "Oversized"), text, dict(IMAGES, **{"tab.png": png(9000, 1, lambda y: (1, 2, 3))}))
put_skin(os.path.join(skins, "CutXml"), text[:text.index("<tabarea".encode("utf-16-le"))])
# An odd last byte (no character) behind an otherwise whole skin.xml.
put_skin(os.path.join(skins, "OddBytes"), text + b"\x41")
shutil.rmtree(work)
