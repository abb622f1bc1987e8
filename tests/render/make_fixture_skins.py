"""Two small skins for the skinned drawing tests, in <out>/Skins: "FixtureKey"
(clipping colour #FF00FF) and "FixtureAlpha" (per-pixel alpha), each as a
folder and as the same files zipped with Info-ZIP zip. Every piece is a flat
colour, so a test can tell by one pixel which piece, state and design column
was drawn; transparent corners and a 4-pixel shadow round the window show
the skin's transparency. The colours are listed in tests/render/skin_scene.h.
"""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from pngfile import png_bytes  # noqa: E402

out = sys.argv[1]

CLEAR = None          # transparent: the clipping colour, or alpha 0
SHADOW = "shadow"     # black at alpha 64, or the clipping colour
KEY = (0xFF, 0x00, 0xFF)

FRAME = (0x3C, 0x5A, 0x78)
FRAME_LIGHT = (0x5A, 0x78, 0x96)
CAPTION = (0x1E, 0x3C, 0x5A)
BACKGROUND = (0x20, 0x30, 0x3F)
TABAREA = (0x2A, 0x3D, 0x52)
BUTTONAREA = (0x24, 0x34, 0x47)
WHITE = (0xFF, 0xFF, 0xFF)
CLOSE = [(0xC0, 0x40, 0x40), (0xE0, 0x60, 0x60), (0x80, 0x20, 0x20)]
PIN = [(0x4A, 0x6A, 0x8A), (0x6A, 0x8A, 0xAA), (0x2A, 0x8A, 0x4A), (0x3A, 0xAA, 0x5A)]
MODE = [(0x6A, 0x5A, 0x8A), (0x8A, 0x7A, 0xAA), (0x4A, 0x3A, 0x6A), (0x5A, 0x4A, 0x7A)]
TAB = [[(0x3A, 0x55, 0x70), (0x4F, 0x6E, 0x8E), (0x6F, 0x90, 0xB0)],
       [(0x70, 0x55, 0x3A), (0x8E, 0x6E, 0x4F), (0xB0, 0x90, 0x6F)]]
BUTTON = [[(0x34, 0x50, 0x6C), (0x4A, 0x72, 0xA0), (0x22, 0x38, 0x4E)],
          [(0x6C, 0x34, 0x50), (0xA0, 0x4A, 0x72), (0x4E, 0x22, 0x38)]]
LOCKED = [(0x6C, 0x6C, 0x34), (0x8A, 0x8A, 0x44), (0x4E, 0x4E, 0x22)]
MARKER = (0xF0, 0xC0, 0x20)
MENU = (0x28, 0x38, 0x48)
ITEM = [(0x30, 0x40, 0x50), (0x50, 0x70, 0x90), (0x40, 0x60, 0x40)]


def image(w, h, fill):
    return [[fill] * w for _ in range(h)]


def box(img, x0, y0, x1, y1, value):
    """Paints the inclusive rectangle."""
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = value


def png(img, alpha):
    rows = []
    for row in img:
        line = bytearray()
        for p in row:
            if alpha:
                line += bytes((0, 0, 0, 0) if p is CLEAR else (0, 0, 0, 64) if p == SHADOW else (*p, 255))
            else:
                line += bytes(KEY if p is CLEAR or p == SHADOW else p)
        rows.append(line)
    return png_bytes(len(img[0]), len(img), rows, alpha)


def rows_of(colours, w, h, corner):
    """One state (or design cell) a row; each cell loses its top-left corner
    of corner x corner pixels."""
    img = []
    for c in colours:
        cell = image(w, h, c)
        box(cell, 0, 0, corner - 1, corner - 1, CLEAR)
        img += cell
    return img


def columns_of(grid, w, h, corner):
    """Design columns side by side, each a column of state cells."""
    parts = [rows_of(column, w, h, corner) for column in grid]
    return [sum((p[y] for p in parts), []) for y in range(len(parts[0]))]


def cross(img, top, colour):
    for i in range(8):
        img[top + 3 + i][4 + i] = colour
        img[top + 3 + i][11 - i] = colour


def horizontal_frame(height, top_side):
    """The top or bottom frame, 40 wide: shadow along its outer side and
    both ends, its two outer corners rounded off."""
    img = image(40, height, FRAME)
    outer = 0 if top_side else height - 4
    box(img, 0, outer, 39, outer + 3, SHADOW)
    box(img, 0, 0, 3, height - 1, SHADOW)
    box(img, 36, 0, 39, height - 1, SHADOW)
    for x, d in ((0, 0), (1, 0), (0, 1), (2, 0), (0, 2), (1, 1)):
        y = d if top_side else height - 1 - d
        img[y][x] = CLEAR
        img[y][39 - x] = CLEAR
    return img


def images():
    left = image(10, 8, FRAME)
    box(left, 0, 0, 3, 7, SHADOW)
    box(left, 4, 0, 4, 7, FRAME_LIGHT)
    right = image(10, 8, FRAME)
    box(right, 6, 0, 9, 7, SHADOW)
    top = horizontal_frame(34, True)
    box(top, 4, 4, 35, 4, FRAME_LIGHT)
    top[4][4] = top[4][35] = SHADOW
    bottom = horizontal_frame(10, False)
    close = rows_of(CLOSE, 16, 14, 2)
    for k in range(3):
        cross(close, 14 * k, WHITE)
    pin = rows_of(PIN, 16, 14, 2)
    mode = rows_of(MODE, 16, 14, 2)
    for k in range(4):
        box(pin, 6, 14 * k + 5, 9, 14 * k + 8, WHITE)
        box(mode, 4, 14 * k + 5, 11, 14 * k + 6, WHITE)
        box(mode, 4, 14 * k + 9, 11, 14 * k + 10, WHITE)
    # Two clear columns on the left show the background behind the tab area.
    tabarea = image(8, 8, TABAREA)
    box(tabarea, 0, 0, 1, 7, CLEAR)
    marker = image(58, 58, CLEAR)
    for y in range(58):
        for x in range(58):
            if x + y <= 30:
                marker[y][x] = MARKER
    return {
        "frame_left.png": left, "frame_right.png": right, "frame_top.png": top, "frame_bottom.png": bottom,
        "background.png": image(8, 8, BACKGROUND), "caption.png": image(8, 8, CAPTION),
        "tabarea.png": tabarea, "buttonarea.png": image(8, 8, BUTTONAREA),
        "close.png": close, "pin.png": pin, "mode.png": mode,
        "tab.png": columns_of(TAB, 20, 20, 2), "button.png": columns_of(BUTTON, 16, 16, 3),
        "locked.png": rows_of(LOCKED, 16, 16, 3), "lock.png": marker,
        "menu.png": image(8, 8, MENU), "item.png": rows_of(ITEM, 8, 8, 1),
    }


def system_button(element, image, states, base, side, offset, cells=False):
    """A system button of 16 x 14 state rows (the view-mode button names
    them as cells of its image), 9 pixels below the top frame's top."""
    rows = ""
    for k, state in enumerate(states):
        if cells:
            where = f'left="1/1" top="{k + 1}/{len(states)}" width="1/1" height="1/{len(states)}"'
        else:
            where = f'left="0" top="{14 * k}" width="16" height="14"'
        rows += f'    <{state} image="{image}" {where}/>\n'
    return f"""  <{element}>
{rows}    <arrangement>
      <left base="{base}" side="{side}" offset="{offset}"/>
      <top base="TopFrame" side="top" offset="9"/>
      <right width="ImageSize"/>
      <bottom height="ImageSize"/>
    </arrangement>
  </{element}>
"""


def skin_xml(title, alpha):
    general = 'alphaChannel="true"' if alpha else 'alphaChannel="false" clippingColor="#FF00FF"'
    four = ("normal", "hover", "down", "downhover")
    buttons = (system_button("closebutton", "close.png", four[:3], "TopFrame", "right", -25)
               + system_button("pinbutton", "pin.png", four, "TopFrame", "left", 10)
               + system_button("modebutton", "mode.png", four, "CloseButton", "left", -18, cells=True))
    text = f"""<?xml version="1.0" encoding="UTF-16"?>
<skin title="{title}" author="Vantrel tests" version="1">
  <comment>Flat pieces for pixel checks.</comment>
  <general tabPosition="top" {general} sizeArea="5, 5, 5, 5" shadowArea="4, 4, 4, 4"/>
  <background image="background.png" left="0" top="0" width="8" height="8">
    <arrangement offset="1, 1, -1, -1"/>
  </background>
  <frame>
    <left image="frame_left.png" left="0" top="0" width="10" height="8"><arrangement width="ImageSize"/></left>
    <top image="frame_top.png" left="0" top="0" width="40" height="34" border="10, 0, 10, 0">
      <arrangement height="ImageSize"/>
    </top>
    <right image="frame_right.png" left="0" top="0" width="10" height="8"><arrangement width="ImageSize"/></right>
    <bottom image="frame_bottom.png" left="0" top="0" width="40" height="10" border="10, 0, 10, 0">
      <arrangement height="ImageSize"/>
    </bottom>
  </frame>
{buttons}  <caption image="caption.png" left="0" top="0" width="8" height="8">
    <arrangement>
      <left base="PinButton" side="right" offset="4"/>
      <top base="TopFrame" side="top" offset="6"/>
      <right base="ModeButton" side="left" width="Variable" offset="-4"/>
      <bottom base="TopFrame" side="bottom" height="Variable" offset="-4"/>
    </arrangement>
    <text face="Tahoma" size="9" style="bold"><decoration color="#FFFFFF"/></text>
  </caption>
  <tabarea image="tabarea.png" left="0" top="0" width="8" height="8" border="2, 0, 0, 0">
    <arrangement offset="1, 1, -1, 0" margin="4, 4, 4, 0"/>
    <tab image="tab.png" designs="2" border="4, 4, 4, 4">
      <arrangement pitch="2, 0"/>
      <text>
        <font><active face="Tahoma" size="8" style="bold"/><inactive face="Tahoma" size="8"/></font>
        <decoration><normal color="#C8D8E8"/><hover color="#FFFFFF"/><active color="#10202F"/></decoration>
      </text>
    </tab>
  </tabarea>
  <buttonarea image="buttonarea.png" left="0" top="0" width="8" height="8">
    <arrangement offset="1, 1, -1, -1" margin="4, 4, 4, 4"/>
    <button image="button.png" designs="2" border="4, 4, 4, 4">
      <arrangement pitch="2, 2" shiftHover="0, -1" shiftDown="1, 1"/>
      <text>
        <font face="Tahoma" size="8"/>
        <decoration><normal color="#E8EEF4"/><hover color="#FFFFFF"/><down color="#C0D0E0"/></decoration>
      </text>
    </button>
    <lockedbutton image="locked.png" designs="1" border="4, 4, 4, 4"/>
    <lockmarker image="lock.png" left="0" top="0" width="58" height="58">
      <arrangement offset="0, 0, 0, 0" zOrder="top"/>
    </lockmarker>
  </buttonarea>
  <submenu image="menu.png" left="0" top="0" width="8" height="8">
    <arrangement shadowArea="0, 0, 0, 0"/>
    <item>
      <normal image="item.png" left="0" top="1/3" width="1/1" height="1/3"/>
      <selected image="item.png" left="0" top="2/3" width="1/1" height="1/3"/>
      <multisel image="item.png" left="0" top="3/3" width="1/1" height="1/3"/>
      <arrangement margin="2, 2, 2, 2" interval="2"/>
      <text><font face="Tahoma" size="8"/><decoration><normal color="#FFFFFF"/><selected color="#FFFF00"/>
        <disabled color="#808080"/></decoration></text>
    </item>
  </submenu>
</skin>
"""
    return ("\ufeff" + text.replace("\n", "\r\n")).encode("utf-16-le")


skins = os.path.join(out, "Skins")
shutil.rmtree(skins, ignore_errors=True)
os.makedirs(skins)
pictures = images()
for name, alpha in (("FixtureKey", False), ("FixtureAlpha", True)):
    folder = os.path.join(skins, name)
    os.makedirs(folder)
    with open(os.path.join(folder, "skin.xml"), "wb") as f:
        f.write(skin_xml(name, alpha))
    for file, img in pictures.items():
        with open(os.path.join(folder, file), "wb") as f:
            f.write(png(img, alpha))
    members = ["skin.xml"] + sorted(pictures)
    subprocess.run(["zip", "-q", "-X", os.path.join(skins, name + ".zip"), *members], cwd=folder, check=True)
