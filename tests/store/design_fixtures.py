#!/usr/bin/env python3
"""Writes design files by hand (UTF-16LE, BOM, CRLF) for the design file tests,
independently of the program's writer, and a corpus of damaged files.

usage: design_fixtures.py <output folder>
"""
import os
import random
import sys

BOM = b"\xff\xfe"


def section(name):
    return "\r\n[" + name + "]\r\n"


def key(name, value):
    return name + "=" + value + "\r\n"


def esc(text):
    return text.replace("[", "[\\")


def x8(v):
    return "%08x" % (v & 0xFFFFFFFF)


def d(v):
    return "%d" % v


VIEW_KEYS = ["CaptionHeight", "FrameWidth", "TabSizeX", "TabSizeY", "ButtonSizeX", "ButtonSizeY",
             "IconSizeGet", "IconSizeDisp", "ButtonNumX", "ButtonNumY", "SearchWindowX",
             "SearchWindowY", "SearchWindowW"]
MARGINS = ["Caption", "TabText", "ButtonIcon", "ButtonText"]
FONTS = ["Caption", "TabA", "TabB", "Button", "SubMenu"]
OLD_FONTS = ["Caption", "Tab", "TabB", "Button", "FolderMenu"]
SETS = ["TabN", "TabH", "TabS", "ButtonN", "ButtonH", "ButtonD"]
OLD_SETS = ["TabB", "TabBH", "Tab", "Button"]


def colors(c):
    """c: (flag, bg1, bg2, frame1, frame2, text1, text2, alpha, width, pattern)"""
    names = ["Flag", "BG1", "BG2", "Frame1", "Frame2", "TextClr1", "TextClr2"]
    out = "".join(key(n, x8(v)) for n, v in zip(names, c[:7]))
    return out + key("ShadowAlpha", d(c[7])) + key("ShadowWidth", d(c[8])) + key("Pattern", d(c[9]))


def view_mode(header, v, margin_names=MARGINS, font_names=FONTS):
    out = section(header) + key("Flag", x8(v["Flag"]))
    out += "".join(key(k, d(v[k])) for k in VIEW_KEYS)
    out += section("Margin")
    for name, m in zip(margin_names, v["Margins"]):
        out += section(name) + "".join(key(k, d(x)) for k, x in zip(["Left", "Top", "Right", "Bottom"], m))
    out += section("Font")
    for name, (size, flag, face) in zip(font_names, v["Fonts"]):
        out += section(name) + key("Size", d(size)) + key("Flag", x8(flag)) + key("Face", esc(face))
    return out


def page_design(sets, names=SETS):
    return "".join(section(n) + colors(c) for n, c in zip(names, sets))


def design_text(model):
    out = section("Skin") + key("Name", esc(model["skin"]))
    out += view_mode("ViewMode1", model["modes"][0])
    out += view_mode("ViewMode2", model["modes"][1])
    out += section("Window") + colors(model["window"])
    out += section("PageDefault") + page_design(model["default"])
    for i, sets in enumerate(model["pages"]):
        out += section("Page%03d" % i) + page_design(sets)
    return out


def encode(text):
    return BOM + text.encode("utf-16-le")


def mode(seed, num_x, num_y, search, face):
    """A view mode with every value in range and distinct per field."""
    return {
        "Flag": 0x10 | seed,
        "CaptionHeight": 20 + seed, "FrameWidth": 4 + seed, "TabSizeX": 60 + seed, "TabSizeY": 18 + seed,
        "ButtonSizeX": 50 + seed, "ButtonSizeY": 52 + seed, "IconSizeGet": 24 + seed,
        "IconSizeDisp": 20 + seed, "ButtonNumX": num_x, "ButtonNumY": num_y,
        "SearchWindowX": search[0], "SearchWindowY": search[1], "SearchWindowW": search[2],
        "Margins": [(3 + seed, 1, -2, 0), (6, 0, 6 + seed, 1), (1, 7, 0, 3 + seed), (-1000, 1000, 2, 2)],
        "Fonts": [(12 + seed, 0x100, face), (10, 0x300, face), (9 + seed, 0, face), (8, 0x400, face),
                  (72, 0x700, face)],
    }


def page_sets(seed):
    return [(0x11 + i, 0x010203 * (seed + i + 1) & 0xFFFFFF, 0xA0A0A0 ^ seed, 0xFFFFFF - i, seed,
             0x202020 + i, 0x00FF00 >> (i % 3), 255 - seed - i, 1 + i, i % 3) for i in range(6)]


def shared(model):
    """View mode 2 as the program keeps it when the modes share one design."""
    m2 = dict(model["modes"][0])
    for k in ("ButtonNumX", "ButtonNumY", "SearchWindowX", "SearchWindowY", "SearchWindowW"):
        m2[k] = model["modes"][1][k]
    model["modes"][1] = m2
    return model


FIXTURES = {
    # Shared view modes, three pages: Design.ini of the data folder.
    "Design.ini": shared({
        "skin": "Blue.zip",
        "modes": [mode(1, 8, 4, (-30, 200, 320), "Tahoma"), mode(1, 9, 7, (40, 50, 0), "Tahoma")],
        "window": (0x200, 0xFFFFFE, 0xA0A0A1, 0xFFFFFD, 0x000001, 0x202021, 0xFFFFFC, 200, 2, 1),
        "default": page_sets(2),
        "pages": [page_sets(3), page_sets(4), page_sets(5)],
    }),
    # Separate view modes (the test turns them on), two pages.
    "Blue.vsd": {
        "skin": "Blue.zip",
        "modes": [mode(2, 7, 3, (0, 0, 0), "Segoe UI"), mode(5, 6, 6, (10, 10, 400), "Arial")],
        "window": (0x240, 0x123456, 0x654321, 0xFFFFFF, 0, 0x202020, 0xFFFFFF, 0, 100, 0),
        "default": page_sets(6),
        "pages": [page_sets(7), page_sets(8)],
    },
    # A folder skin whose name and face hold "[" and characters beyond ASCII.
    "[FOLDER]_Glass.vsd": shared({
        "skin": "\\Glass [v2]",
        "modes": [mode(3, 10, 2, (5, 6, 7), "\u30e1\u30a4\u30ea\u30aa [x]"), mode(3, 1, 1, (8, 9, 10), "x")],
        "window": (0x200, 1, 2, 3, 4, 5, 6, 7, 8, 9),
        "default": page_sets(9),
        "pages": [page_sets(10)],
    }),
    # The classic look: empty skin name, no pages.
    "Classic.vsd": shared({
        "skin": "",
        "modes": [mode(0, 7, 3, (0, 0, 0), "Segoe UI"), mode(0, 7, 6, (0, 0, 0), "Segoe UI")],
        "window": (0x200, 0xFFFFFF, 0xA0A0A0, 0xFFFFFF, 0, 0x202020, 0xFFFFFF, 255, 1, 0),
        "default": page_sets(0),
        "pages": [],
    }),
}


def legacy_text():
    """Old section names throughout, no hover or pressed button set."""
    m = mode(4, 5, 2, (1, 2, 3), "Verdana")
    out = section("Skin") + key("Name", "Old")
    out += view_mode("DispMode1", m, font_names=OLD_FONTS)
    out += view_mode("DispMode2", m, font_names=OLD_FONTS)
    out += section("Window") + colors((0x200, 1, 2, 3, 4, 5, 6, 7, 8, 9))
    sets = page_sets(11)
    out += section("PageDefault") + page_design(sets[:4], OLD_SETS)
    out += section("Page000") + page_design(sets[:4], OLD_SETS)
    return out


def settings_with_design():
    """A settings file whose design sections follow its own (a backup)."""
    out = section("General") + key("Version", x8(0x04020200)) + key("Status", x8(0))
    out += section("Pages") + key("Count", "2")
    for i in range(2):
        out += section("Page%03d" % i) + key("Name", "P%d" % i) + key("Flag", x8(0)) + key("Count", "1")
        out += section("ScrollStat") + key("ViewMode1", "0,0") + key("ViewMode2", "0,0")
        out += section("Btn000") + key("Type", x8(1)) + key("Name", "Caption")
    out += section("SubMenus") + key("Count", "0")
    return out + design_text(FIXTURES["Design.ini"])


def damaged(base):
    """Damaged and hostile inputs; every one must read without harm."""
    rng = random.Random(20240607)
    raw = encode(base)
    out = {}
    for n in (0, 1, 2, 3, 101, len(raw) // 2, len(raw) // 2 + 1, len(raw) - 1):
        out["trunc_%05d.ini" % n] = raw[:n]
    cut = raw.index("[Window".encode("utf-16-le")) + 14  # inside the [Window] header
    out["trunc_window_header.ini"] = raw[:cut]
    for i in range(6):
        body = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 4096)))
        out["random_%d.ini" % i] = (BOM if i % 2 else b"") + body
    # Random text made of the characters that steer the parser.
    alphabet = "[]\\=\r\n0xFfSkinWindowPageFontMargin%d-"
    for i in range(4):
        text = "".join(rng.choice(alphabet) for _ in range(rng.randrange(100, 3000)))
        out["noise_%d.ini" % i] = encode(text + "\r\n[Window]\r\n" + text)
    # Every key present without a value.
    lines = []
    for line in base.split("\r\n"):
        lines.append(line.split("=", 1)[0] + "=" if "=" in line else line)
    out["no_values.ini"] = encode("\r\n".join(lines))
    # Every value 10 000 characters long.
    lines = []
    for i, line in enumerate(base.split("\r\n")):
        if "=" in line:
            k = line.split("=", 1)[0]
            lines.append(k + "=" + ("9" if i % 2 else "f") * 10000)
        else:
            lines.append(line)
    out["long_values.ini"] = encode("\r\n".join(lines))
    # Hex keys with invalid digits, numbers past 32 bits, stray signs.
    bad = ["zzzzzzzz", "0xZZ", "-1", "ffffffffffffffff", "0x", "--5", "+", " ", "1e9", "\u00ff\u00fe"]
    lines = []
    n = 0
    for line in base.split("\r\n"):
        if "=" in line:
            lines.append(line.split("=", 1)[0] + "=" + bad[n % len(bad)])
            n += 1
        else:
            lines.append(line)
    out["bad_hex.ini"] = encode("\r\n".join(lines))
    # Sections without their closing bracket, and a lone escape at the end.
    out["open_headers.ini"] = encode(base.replace("]\r\n", "\r\n") + "[\\")
    # An ANSI file with a [Window] section and high bytes.
    out["ansi.ini"] = ("\r\n[Window]\r\nFlag=00000200\r\nBG1=00ffffff\r\n\xe9\xff[Skin]\r\nName=\xe9t\xe9"
                       ).encode("latin-1")
    return out


def main():
    folder = sys.argv[1]
    os.makedirs(os.path.join(folder, "bad"), exist_ok=True)
    files = {name: encode(design_text(model)) for name, model in FIXTURES.items()}
    files["legacy.ini"] = encode(legacy_text())
    files["Vantrel.ini"] = encode(settings_with_design())
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    for name, data in damaged(design_text(FIXTURES["Design.ini"])).items():
        with open(os.path.join(folder, "bad", name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
