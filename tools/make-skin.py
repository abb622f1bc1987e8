#!/usr/bin/env python3
"""Draws Basalt, the skin that ships with Vantrel, into
launcher/resources/skins/Basalt/ (or the folder given): its PNG images and
its skin.xml (UTF-16LE with BOM, CR LF).

Basalt is dark slate with soft rounded corners and a drop shadow in the
images' own alpha channel; tabs and buttons come in four accent colours
(the design columns). The window pieces are cut from one drawing of a small
window, so frames, background and corners always meet. PNGs hold straight
(not premultiplied) alpha: the launcher premultiplies when it decodes.
Run it again after changing the drawing; the output is committed.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pngfile import png_bytes  # noqa: E402

NAME = "Basalt"

# Shadow margins of every window (left, top, right, bottom): the shadow
# falls a little down.
SHADOW = (10, 8, 10, 12)
SHADOW_SIGMA = 3.2
SHADOW_PEAK = 0.55
SHADOW_DROP = 2

RADIUS = 8             # corners of the launcher window
MENU_RADIUS = 6        # corners of sub-menus and the search window
TITLE = 28             # title bar rows, outline included
SIDE_BODY = 3          # body columns inside the side frames
SYS_W, SYS_H = 22, 20  # a system button
SYS_GAP = 2

OUTLINE = (0x0E, 0x11, 0x14)
TITLE_TOP = (0x3B, 0x43, 0x4D)
TITLE_BOTTOM = (0x32, 0x39, 0x42)
SEPARATOR = (0x1A, 0x1E, 0x23)
BODY_TOP = (0x2B, 0x31, 0x39)
BODY_BOTTOM = (0x24, 0x29, 0x30)
MENU_BODY = (0x2C, 0x32, 0x3A)
GLYPH = (0xA9, 0xB3, 0xBE)
GLYPH_LIT = (0xF2, 0xF5, 0xF8)
WHITE = (0xFF, 0xFF, 0xFF)
BLACK = (0x00, 0x00, 0x00)
CLOSE_HOVER = (0xD9, 0x48, 0x4A)
CLOSE_DOWN = (0xA9, 0x35, 0x37)

# Design columns of tabs and buttons: blue, teal, amber, rose.
ACCENTS = ((0x4C, 0x8D, 0xF6), (0x2B, 0xB3, 0xA3), (0xE0, 0xA0, 0x30), (0xE0, 0x60, 0x7A))
MENU_ACCENT = ACCENTS[0]

# Almost invisible, but not transparent: the launcher hit-tests the alpha of
# faces and buttons, so a face must not be empty where it can be clicked.
HIT_ALPHA = 3 / 255

FONT = "Segoe UI"


# ---- canvas -------------------------------------------------------------------

class Canvas:
    """Premultiplied RGBA floats (0..1), rows top-down."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]

    def paint(self, coverage, colour, alpha=1.0, box=None):
        """Composites colour (RGB 0..255 or a function of x, y) over the
        canvas where coverage(x, y) of the pixel centre is above 0."""
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                cx, cy = x + 0.5, y + 0.5
                a = coverage(cx, cy) * alpha
                if a <= 0:
                    continue
                c = colour(cx, cy) if callable(colour) else colour
                p = self.px[y * self.w + x]
                k = 1.0 - a
                p[0] = c[0] / 255 * a + p[0] * k
                p[1] = c[1] / 255 * a + p[1] * k
                p[2] = c[2] / 255 * a + p[2] * k
                p[3] = a + p[3] * k

    def crop(self, x0, y0, x1, y1):
        out = Canvas(x1 - x0, y1 - y0)
        for y in range(y0, y1):
            for x in range(x0, x1):
                out.px[(y - y0) * out.w + (x - x0)] = list(self.px[y * self.w + x])
        return out

    def png(self):
        rows = []
        for y in range(self.h):
            row = bytearray()
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                a8 = int(round(min(1.0, a) * 255))
                if a8 == 0:
                    row += b"\0\0\0\0"
                    continue
                # Straight alpha: the premultiplied colour divided out again.
                row += bytes(min(255, int(round(c / a * 255))) for c in (r, g, b)) + bytes((a8,))
            rows.append(row)
        return png_bytes(self.w, self.h, rows, True)


# ---- shapes (signed distances: negative inside) -------------------------------

def fill_of(d):
    """Coverage of a pixel centre at signed distance d from an edge."""
    return min(1.0, max(0.0, 0.5 - d))


def round_rect(x0, y0, x1, y1, r):
    """Rounded rectangle over [x0, x1] x [y0, y1]; r is one radius or
    (top-left, top-right, bottom-right, bottom-left)."""
    radii = r if isinstance(r, tuple) else (r, r, r, r)
    cx, cy, hw, hh = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2

    def sd(x, y):
        rr = radii[(0 if x < cx else 1) if y < cy else (3 if x < cx else 2)]
        qx = abs(x - cx) - hw + rr
        qy = abs(y - cy) - hh + rr
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - rr
    return sd


def segment(ax, ay, bx, by, width):
    def sd(x, y):
        vx, vy, px, py = bx - ax, by - ay, x - ax, y - ay
        t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - vx * t, py - vy * t) - width / 2
    return sd


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def rotated(shape, cx, cy, degrees):
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
    return lambda x, y: shape(cx + (x - cx) * c + (y - cy) * s, cy - (x - cx) * s + (y - cy) * c)


def moved(shape, dx, dy):
    return lambda x, y: shape(x - dx, y - dy)


def inside(shape):
    return lambda x, y: fill_of(shape(x, y))


def edge_band(shape, rows):
    """The band just inside the upper edge of a shape (rows > 0) or its
    lower edge (rows < 0): where light or shade falls."""
    return lambda x, y: max(0.0, fill_of(shape(x, y)) - fill_of(shape(x, y - rows)))


def outline(shape, width=1.0):
    """The band of the given width just inside the shape's edge."""
    return lambda x, y: max(0.0, fill_of(shape(x, y)) - fill_of(shape(x, y) + width))


def shadow_of(shape):
    """A shape blurred by a Gaussian (the distance field's falloff)."""
    k = SHADOW_SIGMA * math.sqrt(2)
    return lambda x, y: SHADOW_PEAK * 0.5 * math.erfc(shape(x, y) / k)


def mix(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def vertical(top, bottom, y0, y1):
    return lambda x, y: mix(top, bottom, (y - y0) / max(1e-6, y1 - y0))


def lighter(c, t):
    return mix(c, WHITE, t)


def darker(c, t):
    return mix(c, BLACK, t)


# ---- the launcher window --------------------------------------------------------

def shadowed_body(radius, middle, top_h, inner_rows, bottom_h):
    """A small window of the given rows: its shadow and outline, and the
    shape inside the outline that the caller fills."""
    sl, st, sr, sb = SHADOW
    w = sl + 2 * radius + middle + sr
    h = top_h + inner_rows + bottom_h
    c = Canvas(w, h)
    body = round_rect(sl, st, w - sr, h - sb, radius)
    c.paint(shadow_of(moved(body, 0, SHADOW_DROP)), BLACK)
    c.paint(inside(body), OUTLINE)
    return c, round_rect(sl + 1, st + 1, w - sr - 1, h - sb - 1, radius - 1)


def cut_frame(out, c, prefix, back, top_h, bottom_h, side):
    """The four frame pieces and the background of a small window; the
    middle is uniform across, so a narrow strip of it stretches to any width."""
    inner_bottom = c.h - bottom_h
    out[prefix + "-top.png"] = c.crop(0, 0, c.w, top_h)
    out[prefix + "-bottom.png"] = c.crop(0, inner_bottom, c.w, c.h)
    out[prefix + "-left.png"] = c.crop(0, top_h, side, inner_bottom)
    out[prefix + "-right.png"] = c.crop(c.w - side, top_h, c.w, inner_bottom)
    out[back] = c.crop(c.w // 2 - 4, top_h, c.w // 2 + 4, inner_bottom)


def window_pieces(out):
    """The launcher window: shadow, outline, title bar, separator and body."""
    sl, st, sr, sb = SHADOW
    top_h, inner_rows = st + TITLE, 32
    c, fill = shadowed_body(RADIUS, 28, top_h, inner_rows, sb + RADIUS)

    def colour(x, y):
        if y < top_h:
            return mix(TITLE_TOP, TITLE_BOTTOM, (y - st) / TITLE)
        # The gradient runs over the rows between the top and bottom frames
        # only, which the launcher stretches: the side frames and the
        # background stay in step at any height.
        return mix(BODY_TOP, BODY_BOTTOM, (y - top_h) / inner_rows)
    c.paint(inside(fill), colour)
    c.paint(edge_band(fill, 1), WHITE, 0.09)
    c.paint(inside(fill), SEPARATOR, 1.0, (0, top_h - 1, c.w, top_h))
    side = sl + 1 + SIDE_BODY
    cut_frame(out, c, "window", "background.png", top_h, sb + RADIUS, side)
    return {"cap": sl + RADIUS + 4}


def caption_plate():
    """A faint recess behind the caption text."""
    c = Canvas(24, 22)
    plate = round_rect(0, 1, 24, 21, 5)
    c.paint(inside(plate), BLACK, 0.13)
    c.paint(edge_band(plate, -1), WHITE, 0.05)
    return c


# ---- system buttons -----------------------------------------------------------

def glyph_close():
    cx, cy, k = SYS_W / 2, SYS_H / 2, 3.6
    return union(segment(cx - k, cy - k, cx + k, cy + k, 1.6), segment(cx + k, cy - k, cx - k, cy + k, 1.6))


def glyph_pin(pinned):
    cx, cy = SYS_W / 2, SYS_H / 2
    pin = union(round_rect(cx - 2.8, cy - 6.5, cx + 2.8, cy - 4.6, 0.8),
                round_rect(cx - 1.7, cy - 4.8, cx + 1.7, cy + 0.6, 0.5),
                round_rect(cx - 4.2, cy + 0.4, cx + 4.2, cy + 2.0, 0.8),
                segment(cx, cy + 2.0, cx, cy + 6.6, 1.2))
    return pin if pinned else rotated(pin, cx, cy, 40)


def glyph_mode():
    cx, cy, s, g = SYS_W / 2, SYS_H / 2, 3.4, 1.4
    cells = [round_rect(cx + dx, cy + dy, cx + dx + s, cy + dy + s, 0.9)
             for dx in (-s - g / 2, g / 2) for dy in (-s - g / 2, g / 2)]
    return union(*cells)


def glyph_search():
    cx, cy = SYS_W / 2 - 1, SYS_H / 2 - 1
    return union(ring(cx, cy, 3.8, 1.6), segment(cx + 2.9, cy + 2.9, cx + 6.2, cy + 6.2, 1.9))


def system_button(glyph, states):
    """One image of state rows; each state is (plate colour, plate alpha,
    glyph colour, glyph drop)."""
    c = Canvas(SYS_W, SYS_H * len(states))
    for i, (plate_colour, plate_alpha, glyph_colour, drop) in enumerate(states):
        top = i * SYS_H
        plate = round_rect(1, top + 1, SYS_W - 1, top + SYS_H - 1, 5)
        box = (0, top, SYS_W, top + SYS_H)
        c.paint(inside(plate), plate_colour, max(HIT_ALPHA, plate_alpha), box)
        g = moved(glyph(i), 0, top + drop)
        c.paint(inside(moved(g, 0, 1)), BLACK, 0.35, box)
        c.paint(inside(g), glyph_colour, 1.0, box)
    return c


def system_buttons(out):
    accent = ACCENTS[0]
    # normal, hover, down: the close button.
    out["close.png"] = system_button(lambda i: glyph_close(), [
        (WHITE, 0, GLYPH, 0), (CLOSE_HOVER, 1.0, WHITE, 0), (CLOSE_DOWN, 1.0, WHITE, 1)])
    # normal, hover, down (on: pinned, second view mode, search open), down and hover.
    toggles = [(WHITE, 0, GLYPH, 0), (WHITE, 0.12, GLYPH_LIT, 0),
               (accent, 0.30, lighter(accent, 0.55), 0), (accent, 0.45, WHITE, 0)]
    out["pin.png"] = system_button(lambda i: glyph_pin(i >= 2), toggles)
    out["mode.png"] = system_button(lambda i: glyph_mode(), toggles)
    out["search.png"] = system_button(lambda i: glyph_search(), toggles)


# ---- tabs and buttons ---------------------------------------------------------

TAB_W, TAB_H = 40, 26
BUTTON = 48


def tab_faces():
    """Design columns by state rows: normal, hover, active."""
    c = Canvas(TAB_W * len(ACCENTS), TAB_H * 3)
    for col, accent in enumerate(ACCENTS):
        x0 = col * TAB_W
        for row in range(3):
            y0 = row * TAB_H
            box = (x0, y0, x0 + TAB_W, y0 + TAB_H)
            face = round_rect(x0 + 1, y0 + 1, x0 + TAB_W - 1, y0 + TAB_H, (5, 5, 0, 0))
            bar = round_rect(x0 + 3, y0 + TAB_H - 2, x0 + TAB_W - 3, y0 + TAB_H, 0.8)
            if row == 0:
                c.paint(inside(face), WHITE, HIT_ALPHA, box)
            elif row == 1:
                c.paint(inside(face), WHITE, 0.06, box)
                c.paint(inside(bar), accent, 0.55, box)
            else:
                c.paint(inside(face), vertical(lighter(BODY_TOP, 0.10), BODY_TOP, y0, y0 + TAB_H), 0.95, box)
                c.paint(edge_band(face, 1), WHITE, 0.10, box)
                c.paint(inside(bar), accent, 1.0, box)
    return c


def button_faces(locked):
    """Design columns by state rows: normal, hover, down."""
    c = Canvas(BUTTON * len(ACCENTS), BUTTON * 3)
    for col, accent in enumerate(ACCENTS):
        x0 = col * BUTTON
        for row in range(3):
            y0 = row * BUTTON
            box = (x0, y0, x0 + BUTTON, y0 + BUTTON)
            face = round_rect(x0 + 1, y0 + 1, x0 + BUTTON - 1, y0 + BUTTON - 1, 6)
            if row == 0:
                if locked:
                    c.paint(inside(face), accent, 0.09, box)
                    c.paint(outline(face), accent, 0.32, box)
                else:
                    c.paint(inside(face), WHITE, 0.035, box)
                    c.paint(outline(face), WHITE, 0.05, box)
            elif row == 1:
                c.paint(inside(face), accent, 0.22, box)
                c.paint(edge_band(face, 1), WHITE, 0.10, box)
                c.paint(outline(face), accent, 0.80, box)
            else:
                c.paint(inside(face), darker(accent, 0.25), 0.38, box)
                # Pressed in: the upper edge lies in shade.
                c.paint(edge_band(face, 2.5), BLACK, 0.25, box)
                c.paint(outline(face), accent, 0.95, box)
    return c


def lock_marker():
    """A padlock kept in the top right corner of the button (a nine-grid
    corner, so it never scales with the button)."""
    c = Canvas(24, 24)
    body = round_rect(14.5, 9.0, 21.0, 14.5, 1.2)
    shackle = minus(ring(17.75, 8.6, 2.1, 1.3), lambda x, y: 8.6 - y)
    lock = union(body, shackle)
    c.paint(inside(moved(lock, 0.6, 0.8)), BLACK, 0.55)
    c.paint(inside(lock), (0xD7, 0xDE, 0xE6), 0.92)
    c.paint(inside(round_rect(17.1, 11.0, 18.4, 13.0, 0.5)), OUTLINE, 0.8)
    return c


def tab_area():
    """A hairline under the tabs; the active tab's bar covers it."""
    c = Canvas(8, 8)
    c.paint(lambda x, y: 1.0, BLACK, 0.30, (0, 7, 8, 8))
    return c


def button_area():
    """A shallow well that holds the buttons."""
    c = Canvas(24, 24)
    well = round_rect(0, 0, 24, 24, 6)
    c.paint(inside(well), BLACK, 0.16)
    c.paint(outline(well), BLACK, 0.18)
    c.paint(edge_band(well, -1), WHITE, 0.05)
    c.paint(edge_band(well, 2), BLACK, 0.14)
    return c


# ---- sub-menus and the search window ------------------------------------------

ITEM_W, ITEM_H = 32, 24
SCROLL = 16
ARROW = 9


def menu_pieces(out):
    """Sub-menu frame and background; the search window uses the same pieces."""
    sl, st, sr, sb = SHADOW
    c, fill = shadowed_body(MENU_RADIUS, 16, st + MENU_RADIUS, 32, sb + MENU_RADIUS)
    c.paint(inside(fill), MENU_BODY)
    c.paint(edge_band(fill, 1), WHITE, 0.07)
    cut_frame(out, c, "menu", "menu-back.png", st + MENU_RADIUS, sb + MENU_RADIUS, sl + 2)
    return {"cap": sl + MENU_RADIUS + 4}


def menu_items():
    """Rows normal (bare), selected, multi-selected."""
    c = Canvas(ITEM_W, ITEM_H * 3)
    sel = round_rect(2, ITEM_H + 1, ITEM_W - 2, 2 * ITEM_H - 1, 4)
    c.paint(inside(sel), vertical(lighter(MENU_ACCENT, 0.08), darker(MENU_ACCENT, 0.10), ITEM_H, 2 * ITEM_H))
    c.paint(edge_band(sel, 1), WHITE, 0.18)
    multi = round_rect(2, 2 * ITEM_H + 1, ITEM_W - 2, 3 * ITEM_H - 1, 4)
    c.paint(inside(multi), MENU_ACCENT, 0.26)
    c.paint(outline(multi), MENU_ACCENT, 0.85)
    return c


def scroll_buttons():
    """Rows normal, hover, down, disabled."""
    c = Canvas(SCROLL, SCROLL * 4)
    for row, (colour, alpha) in enumerate(((WHITE, 0.05), (WHITE, 0.12), (BLACK, 0.22), (WHITE, 0.02))):
        top = row * SCROLL
        c.paint(inside(round_rect(1, top + 1, SCROLL - 1, top + SCROLL - 1, 3)), colour, alpha,
                (0, top, SCROLL, top + SCROLL))
    return c


def arrows():
    """Columns up, down, left, right by rows normal, hover, down, disabled."""
    c = Canvas(ARROW * 4, ARROW * 4)
    colours = (GLYPH, GLYPH_LIT, GLYPH_LIT, (0x5A, 0x64, 0x70))
    m, k = ARROW / 2, 2.2
    chevrons = (((m - k - 0.3, m + 1.1), (m, m - 1.3), (m + k + 0.3, m + 1.1)),
                ((m - k - 0.3, m - 1.1), (m, m + 1.3), (m + k + 0.3, m - 1.1)),
                ((m + 1.1, m - k - 0.3), (m - 1.3, m), (m + 1.1, m + k + 0.3)),
                ((m - 1.1, m - k - 0.3), (m + 1.3, m), (m - 1.1, m + k + 0.3)))
    for col, (a, b, e) in enumerate(chevrons):
        for row, colour in enumerate(colours):
            dx, dy = col * ARROW, row * ARROW
            shape = union(segment(a[0] + dx, a[1] + dy, b[0] + dx, b[1] + dy, 1.5),
                          segment(b[0] + dx, b[1] + dy, e[0] + dx, e[1] + dy, 1.5))
            c.paint(inside(shape), colour, 1.0, (dx, dy, dx + ARROW, dy + ARROW))
    return c


# ---- skin.xml -----------------------------------------------------------------

def hexc(c):
    return "#%02X%02X%02X" % tuple(int(round(v)) for v in c)


def image(name, img, x=0, y=0, w=None, h=None, border=None):
    """The image attributes of an element: a cell of the image, or all of it."""
    w = img.w if w is None else w
    h = img.h if h is None else h
    text = 'image="%s" left="%d" top="%d" width="%d" height="%d"' % (name, x, y, w, h)
    if border:
        text += ' border="%d, %d, %d, %d"' % border
    return text


def skin_xml(imgs, win, menu):
    sl, st, sr, sb = SHADOW
    shadow = "%d, %d, %d, %d" % SHADOW
    sys_top = st + (TITLE - SYS_H) // 2
    # The close button keeps the gap to the visible right edge that the
    # pin button keeps to the left one.
    edge_gap = 5
    close_left = -(sr + edge_gap + SYS_W)
    pin_left = sl + 1 + edge_gap
    accent = ACCENTS[0]
    text_shadow = 'shadow="lower" shadowColor="#000000" shadowAlpha="110" shadowWidth="1"'

    def states(file, names, rows):
        img = imgs[file]
        return "\n".join('    <%s %s/>' % (n, image(file, img, 0, i * rows, img.w, img.h // len(names)))
                         for i, n in enumerate(names))

    def system(element, file, base, base_side, offset, names):
        return """  <%s>
%s
    <arrangement>
      <left base="%s" side="%s" offset="%d"/>
      <top base="TopFrame" side="top" offset="%d"/>
      <right width="ImageSize"/>
      <bottom height="ImageSize"/>
    </arrangement>
  </%s>""" % (element, states(file, names, SYS_H), base, base_side, offset, sys_top, element)

    four = ("normal", "hover", "down", "downhover")

    def frame(prefix, f, indent):
        pad = " " * indent
        corner = (f["cap"], 0, f["cap"], 0)
        rows = []
        for side, size in (("left", "width"), ("top", "height"), ("right", "width"), ("bottom", "height")):
            name = "%s-%s.png" % (prefix, side)
            border = corner if side in ("top", "bottom") else None
            rows.append('%s  <%s %s><arrangement %s="ImageSize"/></%s>'
                        % (pad, side, image(name, imgs[name], border=border), size, side))
        return "%s<frame>\n%s\n%s</frame>" % (pad, "\n".join(rows), pad)

    def arrow(element, col):
        img = imgs["arrows.png"]
        cells = "\n".join('        <%s %s/>' % (n, image("arrows.png", img, col * ARROW, row * ARROW, ARROW, ARROW))
                          for row, n in enumerate(("normal", "hover", "down", "disabled")))
        return "      <%s>\n%s\n      </%s>" % (element, cells, element)

    item = imgs["item.png"]
    item_border = (6, 6, 6, 6)
    tab = imgs["tab.png"]
    button = imgs["button.png"]
    locked = imgs["locked.png"]
    marker = imgs["lockmarker.png"]
    scroll = imgs["scroll.png"]

    return """<?xml version="1.0" encoding="UTF-16"?>
<!-- Drawn by tools/make-skin.py: change the script and run it again. -->
<skin title="{name}" author="Vantrel" version="1.0">
  <comment>Dark slate with soft corners and a drop shadow.<br/>Tabs and buttons come in four accent colours: blue, teal, amber and rose.</comment>
  <general tabPosition="top" alphaChannel="true" sizeArea="6, 4, 6, 6" shadowArea="{shadow}"/>
  <background {background}>
    <arrangement offset="1, 1, -1, -1"/>
  </background>
{frame}
{close}
{pin}
{mode}
{search}
  <caption {caption}>
    <arrangement>
      <left base="PinButton" side="right" offset="6"/>
      <top base="TopFrame" side="top" offset="{cap_top}"/>
      <right base="SearchButton" side="left" offset="-6" width="Variable"/>
      <bottom base="TopFrame" side="bottom" offset="-2" height="Variable"/>
    </arrangement>
    <text>
      <font face="{font}" size="10" style="bold" antiAlias="true"/>
      <decoration color="#DCE2E9" {text_shadow}/>
    </text>
  </caption>
  <tabarea {tabarea}>
    <arrangement offset="4, 4, -4, 0" margin="6, 4, 6, 0"/>
    <tab {tab} designs="{designs}">
      <arrangement pitch="2, 0"/>
      <text>
        <font>
          <active face="{font}" size="9" style="bold" antiAlias="true"/>
          <inactive face="{font}" size="9" antiAlias="true"/>
        </font>
        <decoration>
          <normal color="#9AA5B1" {text_shadow}/>
          <hover color="#E6EBF0" {text_shadow}/>
          <active color="#FFFFFF" {text_shadow}/>
        </decoration>
      </text>
    </tab>
  </tabarea>
  <buttonarea {buttonarea}>
    <arrangement offset="4, 6, -4, -1" margin="4, 4, 4, 4"/>
    <button {button} designs="{designs}">
      <arrangement pitch="2, 2" shiftHover="0, -1" shiftDown="0, 1"/>
      <text>
        <font face="{font}" size="9" antiAlias="true"/>
        <decoration>
          <normal color="#D5DBE2" {text_shadow}/>
          <hover color="#FFFFFF" {text_shadow}/>
          <down color="#FFFFFF" {text_shadow}/>
        </decoration>
      </text>
    </button>
    <lockedbutton {locked} designs="{designs}"/>
    <lockmarker {marker}>
      <arrangement offset="0, 0, 0, 0" zOrder="top"/>
    </lockmarker>
  </buttonarea>
  <submenu {menu_back}>
    <arrangement shadowArea="{shadow}"/>
{menu_frame}
    <item>
      <normal {item_normal}/>
      <selected {item_selected}/>
      <multisel {item_multi}/>
      <arrangement margin="6, 3, 8, 3" interval="6"/>
      <text>
        <font face="{font}" size="10" antiAlias="true"/>
        <decoration>
          <normal color="#D5DBE2"/>
          <selected color="#FFFFFF" {text_shadow}/>
          <disabled color="#6C7682"/>
        </decoration>
      </text>
    </item>
    <scrollbutton>
      <normal {scroll_normal}/>
      <hover {scroll_hover}/>
      <down {scroll_down}/>
      <disabled {scroll_disabled}/>
      <arrangement interval="1" width="{scroll_size}" height="{scroll_size}"/>
{arrows}
    </scrollbutton>
  </submenu>
  <searchwindow {menu_back}>
    <arrangement sizeArea="6, 0, 6, 0" shadowArea="{shadow}"/>
{search_frame}
    <item>
      <normal {item_normal}/>
      <selected {item_selected}/>
      <text>
        <decoration>
          <normal color="#D5DBE2"/>
          <selected color="#FFFFFF" {text_shadow}/>
        </decoration>
      </text>
    </item>
  </searchwindow>
  <recommended>
    <mode1>
      <caption textMargin="4, 0, 4, 0" centerText="false" multiLine="false"/>
      <tab size="0, 26" textMargin="10, 0, 10, 2" fixedWidth="false" multiLine="false" leftText="false"/>
      <button size="64, 64" count="7, 3" iconSize="32" iconMargin="0, 8, 0, 4" textMargin="3, 0, 3, 4" leftIcon="false" text="true" singleLine="true" leftText="false"/>
    </mode1>
    <mode2>
      <caption textMargin="4, 0, 4, 0" centerText="false" multiLine="false"/>
      <tab size="0, 26" textMargin="10, 0, 10, 2" fixedWidth="false" multiLine="false" leftText="false"/>
      <button size="48, 48" count="9, 5" iconSize="32" iconMargin="0, 8, 0, 8" textMargin="3, 0, 3, 4" leftIcon="false" text="false" singleLine="true" leftText="false"/>
    </mode2>
  </recommended>
</skin>
""".format(
        name=NAME, shadow=shadow, font=FONT, text_shadow=text_shadow, designs=len(ACCENTS),
        background=image("background.png", imgs["background.png"]),
        frame=frame("window", win, 2),
        close=system("closebutton", "close.png", "TopFrame", "right", close_left, four[:3]),
        pin=system("pinbutton", "pin.png", "TopFrame", "left", pin_left, four),
        search=system("searchbutton", "search.png", "ModeButton", "left", -(SYS_W + SYS_GAP), four),
        mode=system("modebutton", "mode.png", "CloseButton", "left", -(SYS_W + SYS_GAP), four),
        caption=image("caption.png", imgs["caption.png"], border=(6, 6, 6, 6)),
        cap_top=st + 2,
        tabarea=image("tabarea.png", imgs["tabarea.png"], border=(2, 2, 2, 2)),
        tab=image("tab.png", tab, border=(6, 6, 6, 4)),
        buttonarea=image("buttonarea.png", imgs["buttonarea.png"], border=(8, 8, 8, 8)),
        button=image("button.png", button, border=(8, 8, 8, 8)),
        locked=image("locked.png", locked, border=(8, 8, 8, 8)),
        marker=image("lockmarker.png", marker, border=(0, 16, 16, 0)),
        menu_back=image("menu-back.png", imgs["menu-back.png"]),
        menu_frame=frame("menu", menu, 4),
        search_frame=frame("menu", menu, 4),
        item_normal=image("item.png", item, 0, 0, ITEM_W, ITEM_H, item_border),
        item_selected=image("item.png", item, 0, ITEM_H, ITEM_W, ITEM_H, item_border),
        item_multi=image("item.png", item, 0, 2 * ITEM_H, ITEM_W, ITEM_H, item_border),
        scroll_normal=image("scroll.png", scroll, 0, 0, SCROLL, SCROLL, (4, 4, 4, 4)),
        scroll_hover=image("scroll.png", scroll, 0, SCROLL, SCROLL, SCROLL, (4, 4, 4, 4)),
        scroll_down=image("scroll.png", scroll, 0, 2 * SCROLL, SCROLL, SCROLL, (4, 4, 4, 4)),
        scroll_disabled=image("scroll.png", scroll, 0, 3 * SCROLL, SCROLL, SCROLL, (4, 4, 4, 4)),
        scroll_size=SCROLL,
        arrows="\n".join(arrow(e, i) for i, e in enumerate(("uparrow", "downarrow", "leftarrow", "rightarrow"))),
    )


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "launcher", "resources", "skins", NAME)
    os.makedirs(out, exist_ok=True)
    imgs = {}
    win = window_pieces(imgs)
    menu = menu_pieces(imgs)
    system_buttons(imgs)
    imgs["caption.png"] = caption_plate()
    imgs["tabarea.png"] = tab_area()
    imgs["tab.png"] = tab_faces()
    imgs["buttonarea.png"] = button_area()
    imgs["button.png"] = button_faces(False)
    imgs["locked.png"] = button_faces(True)
    imgs["lockmarker.png"] = lock_marker()
    imgs["item.png"] = menu_items()
    imgs["scroll.png"] = scroll_buttons()
    imgs["arrows.png"] = arrows()
    # Files of an earlier drawing that this one no longer makes.
    for old in os.listdir(out):
        if old.endswith(".png") and old not in imgs:
            os.remove(os.path.join(out, old))
    for name, img in sorted(imgs.items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(img.png())
    text = skin_xml(imgs, win, menu).replace("\n", "\r\n")
    with open(os.path.join(out, "skin.xml"), "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))


if __name__ == "__main__":
    main()
