#!/usr/bin/env python3
"""Writes the settings-file fixtures of the store tests into the folder given.

Every file is built here from the file format itself (UTF-16LE with FF FE, CR LF,
a blank line before each section, "[" in values written as "[\\"), not by the
program, so a test that compares the program's output with these files checks
the program against the format.

  roundtrip/Vantrel.ini     current version, every section and key, values in range
  newer/Vantrel.ini         the same written by 4.3.0.0; newer/expected.ini after reading
  ansi/Vantrel.ini          an old ANSI (code page) file
  firstrun/expected.ini     what a first run writes, with @PLACEHOLDERS@
  upgrade250/, upgrade320/  Vantrel.ini and Design.ini of those versions, expected.ini
  bad/*.ini                 broken files: truncated, random, huge counts, ...
"""
import os
import random
import sys

OWN_VERSION = 0x04020200


def esc(s):
    return s.replace("[", "[\\")


class Ini:
    def __init__(self):
        self.parts = []

    def section(self, name):
        self.parts.append("\r\n[%s]\r\n" % name)

    def raw(self, key, value):
        self.parts.append("%s=%s\r\n" % (key, value))

    # A text in place of a number is a placeholder the test fills in.
    def d(self, key, v):
        self.raw(key, v if isinstance(v, str) else str(v))

    def x8(self, key, v):
        self.raw(key, v if isinstance(v, str) else "%08x" % (v & 0xFFFFFFFF))

    def x4(self, key, v):
        self.raw(key, v if isinstance(v, str) else "%04x" % (v & 0xFFFF))

    def s(self, key, v):
        self.raw(key, esc(v or ""))

    def l(self, key, a, b):
        self.raw(key, "%d,%d" % (a, b))

    def text(self):
        return "".join(self.parts)


def utf16(text):
    return b"\xff\xfe" + text.encode("utf-16-le")


def put(root, rel, data):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


# ---- the canonical writer ----------------------------------------------------------

GENERAL = [  # key, format, first-run value
    ("Version", "x8", 0), ("LastPage", "d", 0), ("LastPosX", "d", 0), ("LastPosY", "d", 0),
    ("Status", "x8", 0), ("Option1", "x8", 0xB4E021), ("KeyboardOption", "x8", 1),
    ("DispOption", "x8", 0x8B5), ("DispPosition", "x8", 0), ("ShowPosX", "d", 0), ("ShowPosY", "d", 0),
    ("StandbyPosition", "x8", 0), ("StandbyPosX", "d", 0), ("StandbyPosY", "d", 0), ("TipsWidth", "d", 0),
    ("Restraint", "x8", 0xC9), ("DragOption", "x8", 0x10000000), ("Priority", "x8", 0x20), ("Alpha", "d", 255),
    ("FolderDefault", "x8", 1), ("BackupCycle", "d", 3), ("LastBackup", "x8", 0), ("BackupFile", "s", ""),
    ("PressHoldG", "d", 800), ("PressHoldB", "d", 1000), ("ShowDelay", "d", 0), ("HideDelay", "d", 300),
    ("EdgeBootDelay", "d", 0), ("PageDelay", "d", 200), ("HotkeyTimeout", "d", 500), ("TipsDelay", "d", 500),
    ("AutoMenuDelay", "d", 400), ("DragMenuDelay", "d", 1500), ("Caption", "s", ""), ("TrayIconFile", "s", ""),
    ("FilerPath", "s", ""), ("FilerParam", "s", ""), ("Language", "s", ""),
]

SUBMENU = [
    ("CountLimit", "d", 0), ("ItemWidth", "d", 0), ("Rows", "d", 0), ("Columns", "d", 1), ("ScrollLines", "d", 3),
    ("IconSize", "d", 16), ("ScrollWait", "d", 300), ("ScrollInterval", "d", 80), ("KeySelTimeout", "d", 1000),
    ("LastMenuType", "d", 0), ("LastSubMenu", "x8", 0), ("LastOptionS", "s", ""), ("LastFolder", "h", None),
    ("LastOptionF", "s", ""),
]


def key_names():
    return (["Page%03d" % i for i in range(14)] + ["Button%03d" % i for i in range(24)] +
            ["General%03d" % i for i in range(10)] + ["Menu%03d" % i for i in range(32)])


# Launcher keys of a first run, slot by slot.
DEFAULT_KEYS = [
    0x221, 0x222, 0x224, 0x223, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x30,
    0x25, 0x26, 0x27, 0x28, 0x24, 0x23, 0x226, 0x228, 0x225, 0x227, 0x0D, 0x24C, 0x20, 0, 0, 0x20D, 0x10D,
    0x2D, 0x2E, 0x250, 0x08, 0x108, 0x40D, 0x242,
    0x1B, 0x220, 0x251, 0x246, 0x09, 0, 0x24F, 0x70, 0x24D, 0x473,
    0x26, 0x28, 0x25, 0x27, 0x24, 0x23, 0x20, 0x120, 0x241, 0x244, 0x226, 0x228, 0x225, 0x227, 0x21, 0x22, 0,
    0x1B, 0x0D, 0x258, 0x243, 0x343, 0x256, 0x2E, 0x250, 0x71, 0x24E, 0x20D, 0x08, 0x254, 0x40D, 0x24D,
]
assert len(DEFAULT_KEYS) == 80

# Click actions of a first run: code -> (Button, Caption, TrayIcon, Menu).
DEFAULT_CLICKS = {
    0: (36, 43, 41, 74), 1: (31, 40, 45, 65), 2: (3, 3, 0, 63), 3: (4, 4, 0, 64), 4: (1, 1, 0, 59),
    5: (2, 2, 0, 60), 6: (21, 21, 0, 63), 7: (22, 22, 0, 64), 8: (23, 23, 0, 0), 9: (24, 24, 0, 0),
    10: (3, 3, 0, 53), 11: (4, 4, 0, 54), 13: (0, 0, 0, 56), 14: (27, 0, 0, 55), 15: (35, 0, 0, 0),
    16: (30, 0, 0, 76), 17: (37, 0, 0, 80), 18: (26, 0, 0, 0), 19: (34, 45, 0, 73),
}


def rows_from(table):
    rows = [[0] * 25 for _ in range(4)]
    for code, vals in table.items():
        for r in range(4):
            rows[r][code] = vals[r]
    return rows


def rows_from_dicts(dicts):
    rows = [[0] * 25 for _ in range(4)]
    for r, d in enumerate(dicts):
        for code, v in d.items():
            rows[r][code] = v
    return rows


def model():
    """Settings as a first run has them before anything is set."""
    return {
        "general": {k: v for k, _, v in GENERAL},
        "history": {"MaxMemories": 10, "Flag": 0, "items": [], "excluded": []},
        "search": {"LastWord": "", "DPI": 0},
        "unhook": {"Flag": 0, "DelayTime": 100},
        "targets": [],
        "submenu": {k: v for k, _, v in SUBMENU},
        "keys": [0] * 80,
        "hotkeys": [(0, 0, 0)],
        "mouse": rows_from({}),
        "emptytrash": 0, "forceshutdown": 0,
        "edges": [0] * 16,
        "margins": [(0, 0)] * 8,
        "actions": {},
        "circles": [(0, 7, 500, 5, 0, 0), (0, 7, 500, 5, 0, 0)],
        "autoboot": [[], [], [], []],
        "plugins": [],
        "pages": [],
        "submenus": [],
    }


def button(type_, name="", file="", **kw):
    b = {"Type": type_, "Name": name, "File": file, "Parameter": "", "Directory": "", "WindowStat": 0, "Flag": 0,
         "Tip": "", "Keyboard": 0, "pos": ((0, 0), (0, 0))}
    b.update(kw)
    return b


def write_button(ini, n, b, on_page, separate):
    ini.section("Btn%03d" % n)
    t = b["Type"] & 0xFFFF
    ini.x8("Type", b["Type"])
    ini.s("Name", b["Name"])
    if t == 6:
        ini.raw("File", b["File"])  # hex data of the item-ID list, not escaped
    else:
        ini.s("File", b["File"])
    ini.s("Parameter", b["Parameter"])
    ini.s("Directory", b["Directory"])
    ini.d("WindowStat", b["WindowStat"])
    ini.x8("Flag", b["Flag"])
    ini.s("Tip", b["Tip"])
    ini.x4("Keyboard", b["Keyboard"])
    if on_page:
        # Positions are (column, row); the list holds the row first.
        (c1, r1), (c2, r2) = b["pos"]
        if not separate:
            c2, r2 = c1, r1
        ini.l("ViewMode1Pos", r1, c1)
        ini.l("ViewMode2Pos", r2, c2)
    if t == 16:
        ini.d("SubMenuIdx", b.get("SubMenuIdx", 0))
    if b.get("RehookTrigger"):
        ini.s("RehookTrigger", b["RehookTrigger"])
    if b.get("IconFile"):
        ini.s("IconFile", b["IconFile"])
        ini.d("IconIndex", b.get("IconIndex", 0))
    if b.get("OverlayIcon"):
        ini.s("OverlayIcon", b["OverlayIcon"])
        ini.d("OverlayIdx", b.get("OverlayIdx", 0))
        for o, vals in enumerate(b.get("Overlays", ((0, 0, 0, 0), (0, 0, 0, 0)))):
            for name, v in zip(("Size", "BasePos", "OffsetX", "OffsetY"), vals):
                ini.d("Overlay%d%s" % (o + 1, name), v)
    chains = b.get("Chains", [])
    if chains:
        ini.d("ChainBoot", len(chains))
        for i, (lst, idx, delay) in enumerate(chains):
            ini.x8("Chain%03d" % i, (lst << 16) | idx)
            ini.d("Chain%03dDelay" % i, delay)
    if b.get("TargetProgram"):
        ini.s("TargetProgram", b["TargetProgram"])
    windows = b.get("TargetWindows", [])
    if windows:
        ini.d("TargetWindowCount", len(windows))
        for i, (title, cls) in enumerate(windows):
            ini.s("TargetWindowTitle%03d" % i, title)
            ini.s("TargetWindowClass%03d" % i, cls)
    if t == 5:
        for i, v in enumerate(b.get("PluginInts", [])):
            ini.d("PluginInt%02d" % (i + 1), v)
        for i, v in enumerate(b.get("PluginStrs", [])):
            ini.s("PluginStr%02d" % (i + 1), v)


def settings_text(m):
    ini = Ini()
    ini.section("General")
    for key, fmt, _ in GENERAL:
        getattr(ini, fmt)(key, m["general"][key])
    h = m["history"]
    ini.section("History")
    ini.d("MaxMemories", h["MaxMemories"])
    ini.x8("Flag", h["Flag"])
    for i, (ref, opt) in enumerate(h["items"]):
        ini.x8("Item%02d" % (i + 1), ref)
        ini.x8("Option%02d" % (i + 1), opt)
    for i, ref in enumerate(h["excluded"]):
        ini.x8("Excluded%03d" % (i + 1), ref)
    ini.section("Search")
    ini.s("LastWord", m["search"]["LastWord"])
    ini.d("DPI", m["search"]["DPI"])
    ini.section("Unhook")
    ini.x8("Flag", m["unhook"]["Flag"])
    ini.d("DelayTime", m["unhook"]["DelayTime"])
    ini.section("Suppression")
    ini.d("Count", len(m["targets"]))
    for i, (flags, exe, cls, cap) in enumerate(m["targets"]):
        ini.section("Target%03d" % i)
        ini.x8("Flags", flags)
        ini.s("Exe", exe)
        ini.s("Class", cls)
        ini.s("Caption", cap)
    ini.section("SubMenu")
    for key, fmt, _ in SUBMENU:
        v = m["submenu"][key]
        if fmt == "h":
            if v:
                ini.raw(key, v)
        else:
            getattr(ini, fmt)(key, v)
    ini.section("Keyboard")
    for name, v in zip(key_names(), m["keys"]):
        ini.x4(name, v)
    ini.section("HotKey")
    ini.d("Count", len(m["hotkeys"]) - 1)
    for i, (code, page, btn) in enumerate(m["hotkeys"]):
        ini.section("HotKey%03d" % i)
        ini.x4("Code", code)
        ini.d("Page", page)
        ini.d("Button", btn)
    ini.section("Mouse")
    for name, row in zip(("Button", "Caption", "TrayIcon", "Menu"), m["mouse"]):
        for c, v in enumerate(row):
            ini.d("%s%03d" % (name, c), v)
    ini.d("EmptyTrash", m["emptytrash"])
    ini.d("ForceShutdown", m["forceshutdown"])
    ini.section("Edge")
    for e, v in enumerate(m["edges"]):
        ini.x8("Edge%03d" % e, v)
    for t, (cx, cy) in enumerate(m["margins"]):
        ini.d("Range%02d" % (t * 10 + 1), cx)
        ini.d("Range%02d" % (t * 10 + 2), cy)
    ini.section("Action")
    ini.d("Count", len(m["actions"]))
    for a in sorted(m["actions"]):
        mask, places = m["actions"][a]
        ini.section("Action%03d" % a)
        ini.x8("Flag", mask)
        for p in range(12):
            if mask & (1 << p):
                ini.section("Range%03d" % p)
                page, btn = places.get(p, (0, 0))
                ini.d("Page", page)
                ini.d("Button", btn)
    for c, vals in enumerate(m["circles"]):
        ini.section("Circle%d" % c)
        for name, v in zip(("Flag", "Number", "Maximum", "Minimum", "Page", "Button"), vals):
            ini.d(name, v)
    for l, entries in enumerate(m["autoboot"]):
        ini.section("AutoBoot%03d" % l)
        ini.d("Count", len(entries))
        for i, (lst, idx, delay) in enumerate(entries):
            ini.x8("Item%03d" % i, (lst << 16) | idx)
            ini.d("Item%03dDelay" % i, delay)
    ini.section("Plugins")
    ini.d("Count", len(m["plugins"]))
    for i, name in enumerate(m["plugins"]):
        ini.s("Plugin%03d" % i, name)
    separate = bool(m["general"]["DispOption"] & 0x2000)
    ini.section("Pages")
    ini.d("Count", len(m["pages"]))
    for p, page in enumerate(m["pages"]):
        ini.section("Page%03d" % p)
        ini.s("Name", page["Name"])
        ini.x8("Flag", page.get("Flag", 0))
        ini.d("Count", len(page["buttons"]))
        ini.section("ScrollStat")
        # Per view mode: row offset, column offset.
        (r1, c1), (r2, c2) = page.get("scroll", ((0, 0), (0, 0)))
        ini.l("ViewMode1", r1, c1)
        ini.l("ViewMode2", r2, c2)
        for i, b in enumerate(page["buttons"]):
            write_button(ini, i, b, True, separate)
    ini.section("SubMenus")
    ini.d("Count", len(m["submenus"]))
    for n, menu in enumerate(m["submenus"]):
        ini.section("SubMenu%03d" % n)
        ini.x4("Page", menu["Page"])
        ini.d("Button", menu["Button"])
        ini.d("Count", len(menu["buttons"]))
        for i, b in enumerate(menu["buttons"]):
            write_button(ini, i, b, False, separate)
    return ini.text()


# ---- the files ---------------------------------------------------------------------

def roundtrip_model(version=OWN_VERSION):
    m = model()
    g = m["general"]
    g.update({
        "Version": version, "LastPage": 1, "LastPosX": 120, "LastPosY": -40, "Status": 0x9,
        "Option1": 0xB4E021, "KeyboardOption": 0x5, "DispOption": 0x28B5, "DispPosition": 0x100,
        "ShowPosX": -300, "ShowPosY": 200, "StandbyPosition": 2, "StandbyPosX": 10, "StandbyPosY": -10,
        "TipsWidth": 400, "Restraint": 0xC9, "DragOption": 0x10000000, "Priority": 0x4000, "Alpha": 230,
        "FolderDefault": 0x80001, "BackupCycle": 7, "LastBackup": 0x25800,
        "BackupFile": "%APPDATA%\\Vantrel\\[old]\\backup.ini", "PressHoldG": 700, "PressHoldB": 900,
        "ShowDelay": 50, "HideDelay": 250, "EdgeBootDelay": 20, "PageDelay": 150, "HotkeyTimeout": 450,
        "TipsDelay": 600, "AutoMenuDelay": 350, "DragMenuDelay": 1200, "Caption": "Vantrel \u2014 Tools \u00fc",
        "TrayIconFile": "C:\\Icons\\tray.ico", "FilerPath": "C:\\Tools\\filer.exe", "FilerParam": '/e,"%1"',
        "Language": "Japanese",
    })
    m["history"] = {"MaxMemories": 10, "Flag": 3, "items": [(0x10002, 0), (0x80010001, 1), (0x20000, 0)],
                    "excluded": [0x10003, 0x30000]}
    m["search"] = {"LastWord": "note[pad]", "DPI": 96}
    m["unhook"] = {"Flag": 1, "DelayTime": 250}
    m["targets"] = [(0x12, "game.exe", "", "Full"), (0x2, "C:\\Apps\\paint.exe", "MSPaintApp", "")]
    m["submenu"] = {"CountLimit": 500, "ItemWidth": 200, "Rows": 20, "Columns": 2, "ScrollLines": 4,
                    "IconSize": 24, "ScrollWait": 250, "ScrollInterval": 60, "KeySelTimeout": 900,
                    "LastMenuType": 2, "LastSubMenu": 2, "LastOptionS": "sort=name",
                    "LastFolder": "0600aabbccdd0000", "LastOptionF": ""}
    m["keys"] = [((i * 0x137) & 0x0F00) | (0x30 + i % 40) for i in range(80)]
    m["hotkeys"] = [(0x0A41, 65535, 0), (0x0242, 0, 1), (0x1243, 0x8000, 0)]
    m["mouse"] = [[(r * 25 + c) % 81 for c in range(25)] for r in range(4)]
    m["emptytrash"], m["forceshutdown"] = 2, 3
    m["edges"] = [0, 0x10004, 0, 0xFFFFFFFF, 0xFFFF0002, 0, 0, 0, 0x20001, 0, 0, 0, 0, 0, 0, 0x80010000]
    m["margins"] = [(1, 1), (2, 3), (4, 5), (6, 7), (0, 0), (10, 0), (0, 10), (3, 3)]
    m["actions"] = {0: (0x1, {0: (65535, 2)}), 25: (0x400, {10: (65535, 65535)}),
                    87: (0x6, {1: (0, 0), 2: (1, 3)})}
    m["circles"] = [(1, 8, 400, 6, 65535, 1), (0, 7, 500, 5, 0, 2)]
    m["autoboot"] = [[(0, 0, 0), (0x8000, 1, 1500)], [], [(1, 3, -200)], []]
    m["plugins"] = ["Wendrasol.dll", "Clock.dll"]
    m["pages"] = [
        {"Name": "Main [1]", "Flag": 1, "scroll": ((0, 0), (1, 0)), "buttons": [
            button(1, "Notepad", "C:\\Windows\\notepad.exe", Directory="C:\\Windows", WindowStat=1, Flag=0x20,
                   Tip="Edit [text]", Keyboard=0x241, pos=((0, 0), (1, 0)), IconFile="shell32.dll", IconIndex=12,
                   Chains=[(0, 1, 500), (0x8000, 0, -100)], TargetProgram="notepad.exe",
                   TargetWindows=[("Untitled", "Notepad")]),
            button(6, "Shell thing", "0400abcd0000", pos=((3, 0), (0, 2))),
            button(16, "Tools", "", Directory="sort=name", pos=((4, 1), (4, 1)), SubMenuIdx=0,
                   RehookTrigger="x.exe"),
            button(0x80000005, "Windows", "Wendrasol.dll", pos=((6, 2), (6, 5)), OverlayIcon="ov.ico",
                   OverlayIdx=1, Overlays=((16, 3, -2, 4), (32, 1, 0, 0)), PluginInts=[3, -7],
                   PluginStrs=["a[b", ""]),
        ]},
        {"Name": "Second", "Flag": 0, "buttons": [
            button(4, "Web", "https://example.org/?q=[x]", pos=((2, 2), (0, 0))),
        ]},
        {"Name": "Empty", "Flag": 0, "buttons": []},
    ]
    m["submenus"] = [
        {"Page": 0, "Button": 2, "buttons": [
            button(2, "Readme", "C:\\readme.txt", Tip="in menu"),
            button(16, "Deeper", "", SubMenuIdx=1),
        ]},
        {"Page": 0x8000, "Button": 1, "buttons": [button(0x11001, "Restart", "")]},
    ]
    return m


def firstrun_expected():
    m = model()
    g = m["general"]
    g.update({"Version": "@VERSION@", "LastBackup": "@TODAY@", "BackupFile": "@BACKUPFILE@",
              "Caption": "Vantrel", "Language": "@LANGUAGE@"})
    m["keys"] = list(DEFAULT_KEYS)
    m["mouse"] = rows_from(DEFAULT_CLICKS)
    m["emptytrash"], m["forceshutdown"] = 1, 1
    m["edges"][1] = 0x00010004
    m["edges"][3] = 0xFFFFFFFF
    # Corners reachable from the start, as a file read back gives them.
    m["margins"] = [(1, 1)] * 4 + [(0, 0)] * 4
    m["actions"] = {25: (0x400, {10: (65535, 65535)})}
    m["circles"] = [(0, 7, 500, 5, 65535, 65535), (0, 7, 500, 5, 65535, 65535)]
    m["pages"] = [
        {"Name": "Page 1", "buttons": [
            button(0x82011, "@NAME_DRIVES@", pos=((0, 0), (0, 0))),
            button(0x82003, "@NAME_CONTROLS@", pos=((1, 0), (1, 0))),
            button(0x82005, "@NAME_PERSONAL@", pos=((2, 0), (2, 0))),
            button(0x200A, "@NAME_BITBUCKET@", pos=((6, 2), (6, 2))),
            button(0x14065, "Suspend Screen Saver", pos=((6, 5), (6, 5))),
        ]},
        {"Name": "Page 2", "buttons": []},
        {"Name": "Page 3", "buttons": []},
    ]
    return settings_text(m)


class Old:
    """An older file: only the sections and keys given, in file order."""

    def __init__(self):
        self.ini = Ini()

    def section(self, name, *pairs):
        self.ini.section(name)
        for k, v in pairs:
            self.ini.raw(k, v)
        return self


def upgrade250():
    o = Old()
    o.section("General", ("Version", "02050000"), ("Option1", "12421081"), ("KeyboardOption", "00000003"),
              ("DispOption", "000008b4"), ("FolderDefault", "00010001"), ("Alpha", "200"),
              ("BackupCycle", "5"), ("Caption", esc("Old [one]")), ("Language", "Japanese"))
    o.section("Search", ("PosX", "100"), ("PosY", "200"), ("Width", "300"))
    o.section("FolderMenu", ("Columns", "2"), ("IconSize", "32"))
    old_keys = {0: 0x221, 1: 0x222, 2: 0x24, 3: 0x23, 10: 0x1241, 18: 0x0D, 20: 0x2E, 26: 0x50, 30: 0x20,
                34: 0xF0, 36: 0x71, 38: 0x1B, 46: 0x70, 50: 0x26, 60: 0x28, 70: 0x2D, 79: 0x2F}
    names = key_names()
    o.section("Keyboard", *[(names[i], "%04x" % old_keys.get(i, 0)) for i in range(80)])
    o.section("HotKey", ("Count", "1"))
    o.section("HotKey000", ("Code", "1241"), ("Page", "65535"), ("Button", "0"))
    o.section("HotKey001", ("Code", "0242"), ("Page", "0"), ("Button", "0"))
    clicks = [{0: 36, 1: 31, 2: 3, 6: 21, 7: 22, 10: 27, 12: 40, 14: 58, 16: 69},
              {0: 43, 1: 20, 5: 2, 8: 19, 9: 24}, {0: 41, 1: 45, 3: 60}]
    pairs = []
    for name, row in zip(("Button", "Caption", "TrayIcon"), clicks):
        pairs += [("%s%03d" % (name, c), str(row.get(c, 0))) for c in range(25)]
    o.section("Mouse", *pairs)
    o.section("Edge", ("Edge000", "00030001"), ("Edge001", "00020005"))
    o.section("Action", ("Count", "1"))
    o.section("Action003", ("Flag", "00000003"))
    o.section("Range000", ("Page", "1"), ("Button", "2"))
    o.section("Range001", ("Page", "3"), ("Button", "4"))
    o.section("Pages", ("Count", "2"))
    o.section("Page000", ("Name", "One"), ("Flag", "00000000"), ("Count", "6"))
    o.section("Btn000", ("Type", "00200001"), ("Name", "Editor"), ("File", "C:\\ed.exe"), ("Keyboard", "1243"),
              ("Position", "0"))
    o.section("Btn001", ("Type", "00000006"), ("Name", "Panel"), ("File", "0400abcd0000"), ("Position", "6"))
    o.section("Btn002", ("Type", "00000005"), ("Name", "Windows"), ("File", "VnWndCtl.dll"),
              ("Parameter", "param"), ("Directory", "first/second"), ("WindowStat", "3"), ("Flag", "00000005"),
              ("Position", "12"))
    o.section("Btn003", ("Type", "00820002"), ("Name", "Doc"), ("File", "C:\\doc.txt"), ("Position", "3"))
    o.section("Btn004", ("Type", "00101000"), ("Name", "Off"))
    o.section("Btn005", ("Type", "00000010"), ("Name", "Menu"), ("SubMenuIdx", "0"), ("Position", "1"))
    o.section("Page001", ("Name", "P2"), ("Count", "1"))
    o.section("Btn000", ("Type", "00000004"), ("Name", "Web"), ("File", "http://x/"), ("Position", "20"))
    o.section("SubMenus", ("Count", "1"))
    o.section("SubMenu000", ("Page", "0000"), ("Button", "5"), ("Count", "1"))
    o.section("Btn000", ("Type", "00000005"), ("Name", "Other"), ("File", "Other.dll"), ("Parameter", "x"),
              ("Directory", "a/b"))
    old = o.ini.text()

    design = Old()
    design.section("Window", ("Flag", "00000200"))
    design.section("DispMode1", ("ButtonNumX", "5"))
    design.section("DispMode2", ("ButtonNumX", "0"))

    # After every step, hand-traced: see the step table of the upgrade.
    m = model()
    g = m["general"]
    for k in g:
        g[k] = 0 if isinstance(g[k], int) else ""
    g.update({"Version": OWN_VERSION, "Option1": 0x129, "KeyboardOption": 0x20, "DispOption": 0x28B5,
              "FolderDefault": 0x40001, "Alpha": 200, "BackupCycle": 5, "Caption": "Old [one]",
              "Language": "Japanese"})
    m["unhook"] = {"Flag": 0, "DelayTime": 100}
    m["submenu"] = {"CountLimit": 0, "ItemWidth": 0, "Rows": 0, "Columns": 2, "ScrollLines": 0, "IconSize": 32,
                    "ScrollWait": 0, "ScrollInterval": 0, "KeySelTimeout": 0, "LastMenuType": 0,
                    "LastSubMenu": 0, "LastOptionS": "", "LastFolder": None, "LastOptionF": ""}
    keys = {0: 0x221, 1: 0x222, 2: 0x224, 3: 0x223, 10: 0xA41, 18: 0x24, 19: 0x23, 20: 0x226, 21: 0x228,
            22: 0x225, 23: 0x227, 24: 0x0D, 29: 0x20D, 30: 0x2E, 37: 0x50, 39: 0x1B, 47: 0x70, 50: 0x25,
            51: 0x27, 60: 0x225, 61: 0x227, 69: 0x2D, 77: 0x2F}
    m["keys"] = [keys.get(i, 0) for i in range(80)]
    m["hotkeys"] = [(0x0A41, 65535, 0), (0x0242, 0, 0)]
    m["mouse"] = rows_from_dicts([
        {0: 49, 1: 43, 2: 3, 6: 21, 7: 22, 8: 23, 9: 24, 13: 31, 14: 27, 16: 30, 18: 38, 22: 53, 24: 72},
        {0: 56, 1: 26, 5: 2, 6: 21, 7: 22, 8: 23, 9: 24, 13: 25, 14: 34},
        {0: 54, 1: 58, 3: 74}, {}])
    m["edges"][0] = 0xFFFF0003
    m["margins"] = [(1, 1)] * 4 + [(0, 0)] * 4
    m["actions"] = {3: (0x21, {0: (1, 2), 5: (3, 4)})}
    m["pages"] = [
        {"Name": "One", "buttons": [
            button(0x50001, "Editor", "C:\\ed.exe", Keyboard=0xA43, pos=((0, 0), (0, 0))),
            button(0x2003, "Panel", "", pos=((1, 1), (6, 0))),
            button(5, "Windows", "Wendrasol.dll", pos=((2, 2), (5, 1)), PluginInts=[3, 5],
                   PluginStrs=["param", "second", "first"]),
            button(0x280002, "Doc", "C:\\doc.txt", pos=((3, 0), (3, 0))),
            button(0x40001000, "Off", ""),
            button(0x10, "Menu", "", pos=((1, 0), (1, 0)), SubMenuIdx=0),
        ]},
        {"Name": "P2", "buttons": [button(4, "Web", "http://x/", pos=((0, 4), (6, 2)))]},
    ]
    m["submenus"] = [{"Page": 0, "Button": 5, "buttons": [
        button(5, "Other", "Other.dll", PluginStrs=["x", "a/b"])]}]
    return old, design.ini.text(), settings_text(m)


def upgrade320():
    o = Old()
    o.section("General", ("Version", "03020000"), ("Option1", "20003081"), ("KeyboardOption", "00000001"),
              ("DispOption", "000008b5"), ("FolderDefault", "00010001"), ("Language", "Japanese"))
    old_keys = {0: 0x221, 2: 0x24, 3: 0x23, 20: 0x2E, 22: 0x20, 29: 0xF0, 30: 0x209, 36: 0x71, 38: 0x1B,
                46: 0x70, 48: 0x26, 58: 0x43, 60: 0x25, 64: 0x4F, 70: 0x2D, 79: 0x30}
    names = key_names()
    o.section("Keyboard", *[(names[i], "%04x" % old_keys.get(i, 0)) for i in range(80)])
    o.section("HotKey", ("Count", "0"))
    o.section("HotKey000", ("Code", "0000"), ("Page", "0"), ("Button", "0"))
    clicks = [{0: 36, 1: 31, 6: 21, 8: 23, 12: 26, 14: 57, 16: 69}, {0: 43, 1: 40, 7: 22, 19: 45},
              {0: 41, 1: 45}, {0: 74, 1: 65, 2: 63, 10: 58, 11: 54, 13: 56}]
    pairs = []
    for name, row in zip(("Button", "Caption", "TrayIcon", "Menu"), clicks):
        pairs += [("%s%03d" % (name, c), str(row.get(c, 0))) for c in range(25)]
    o.section("Mouse", *pairs, ("EmptyTrash", "1"), ("ForceShutdown", "1"))
    o.section("Edge", ("Edge002", "00010003"), ("Range01", "5"), ("Range02", "5"))
    o.section("Action", ("Count", "1"))
    o.section("Action030", ("Flag", "00000081"))
    o.section("Range000", ("Page", "65535"), ("Button", "1"))
    o.section("Range007", ("Page", "0"), ("Button", "2"))
    o.section("Pages", ("Count", "1"))
    o.section("Page000", ("Name", "Tools"), ("Flag", "00000000"), ("Count", "8"))
    types = ["00010001", "01000002", "00301001", "00404065", "00204066", "00800001"]
    for i, t in enumerate(types):
        o.section("Btn%03d" % i, ("Type", t), ("Name", "B%d" % i), ("Position", str(i if i else 8)))
    o.section("Btn006", ("Type", "00000005"), ("Name", "Win"), ("File", "vnwndctl.DLL"), ("Directory", "nowords"),
              ("Position", "6"))
    o.section("Btn007", ("Type", "00000005"), ("Name", "Clock"), ("File", "Wendrasol.dll"), ("Parameter", "p"),
              ("Directory", "x/y"), ("WindowStat", "2"), ("Position", "7"))
    o.section("SubMenus", ("Count", "0"))
    old = o.ini.text()

    design = Old()
    design.section("Window", ("Flag", "00000200"))
    design.section("DispMode1", ("ButtonNumX", "4"))

    m = model()
    g = m["general"]
    for k in g:
        g[k] = 0 if isinstance(g[k], int) else ""
    g.update({"Version": OWN_VERSION, "Option1": 0x27, "KeyboardOption": 0x11, "DispOption": 0x28B5,
              "FolderDefault": 0x10001, "Language": "Japanese"})
    m["history"] = {"MaxMemories": 10, "Flag": 0, "items": [], "excluded": []}
    m["search"] = {"LastWord": "", "DPI": 0}
    keys = {0: 0x221, 2: 0x224, 3: 0x223, 18: 0x24, 19: 0x23, 20: 0x226, 21: 0x228, 22: 0x225, 23: 0x227,
            29: 0x20D, 30: 0x2E, 32: 0x20, 39: 0x1B, 47: 0x70, 48: 0x26, 51: 0x27, 58: 0x343, 59: 0x43,
            60: 0x225, 61: 0x227, 63: 0x25, 66: 0x24F, 67: 0x4F, 73: 0x2D}
    m["keys"] = [keys.get(i, 0) for i in range(80)]
    m["hotkeys"] = [(0, 0, 0)]
    m["mouse"] = rows_from_dicts([
        {0: 48, 1: 41, 6: 21, 7: 22, 8: 23, 9: 24, 10: 31, 13: 33, 14: 27, 16: 30, 18: 36, 22: 71, 24: 83},
        {0: 55, 1: 52, 6: 21, 7: 22, 8: 23, 9: 24, 11: 32},
        {0: 53, 1: 57},
        {0: 88, 1: 79, 2: 77, 6: 63, 7: 64, 15: 72, 16: 76, 17: 67, 19: 70}])
    m["emptytrash"], m["forceshutdown"] = 1, 1
    m["edges"][2] = 0x00010003
    m["margins"] = [(5, 5), (1, 1), (1, 1), (1, 1)] + [(0, 0)] * 4
    m["actions"] = {30: (0x801, {0: (65535, 1), 11: (0, 2)})}
    # Columns 4 (view mode 1) and 7 (view mode 2, missing from Design.ini).
    m["pages"] = [{"Name": "Tools", "buttons": [
        button(0x50001, "B0", pos=((0, 2), (1, 1))),
        button(0x400002, "B1", pos=((1, 0), (1, 0))),
        button(0x31001, "B2", pos=((2, 0), (2, 0))),
        button(0x14065, "B3", pos=((3, 0), (3, 0))),
        button(0x14066, "B4", pos=((0, 1), (4, 0))),
        button(0x200001, "B5", pos=((1, 1), (5, 0))),
        button(5, "Win", "Wendrasol.dll", pos=((2, 1), (6, 0)), PluginStrs=["", "nowords"]),
        button(5, "Clock", "Wendrasol.dll", pos=((3, 1), (0, 1)), PluginInts=[2], PluginStrs=["p", "x/y"]),
    ]}]
    return old, design.ini.text(), settings_text(m)


def ansi_file():
    text = ("\r\n[General]\r\nVersion=04020200\r\nOption1=00b4e021\r\nAlpha=200\r\nCaption=Caf\xe9 \xfcber\r\n"
            "Language=Japanese\r\n\r\n[Pages]\r\nCount=1\r\n\r\n[Page000]\r\nName=Seite \xe4\r\nCount=0\r\n"
            "\r\n[SubMenus]\r\nCount=0\r\n")
    return text.encode("cp1252")


def bad_files(good):
    """Broken files, each a clear refusal or a clear default for the reader."""
    out = {}
    data = utf16(good)
    for cut in (1, 2, 3, 101, len(data) // 2 + 1, len(data) // 2, len(data) - 1, len(data) - 3):
        out["truncated_%d.ini" % cut] = data[:cut]
    rnd = random.Random(20240611)
    for size in (1, 17, 4096, 65537):
        out["random_%d.ini" % size] = bytes(rnd.getrandbits(8) for _ in range(size))
    out["random_utf16.ini"] = utf16("".join(chr(rnd.randrange(0x20, 0xD7FF)) for _ in range(5000)))

    huge = Ini()
    huge.section("General")
    huge.x8("Version", OWN_VERSION)
    huge.s("Language", "Japanese")
    huge.section("Suppression")
    huge.d("Count", 2147483647)
    huge.section("Target000")
    huge.x8("Flags", 2)
    huge.s("Exe", "a.exe")
    huge.section("HotKey")
    huge.d("Count", 999999999)
    huge.section("HotKey000")
    huge.x4("Code", 0x241)
    huge.section("HotKey001")
    huge.x4("Code", 0x242)
    huge.section("Action")
    huge.d("Count", 99999)
    huge.section("Action001")
    huge.x8("Flag", 1)
    huge.section("Range000")
    huge.d("Page", 65535)
    huge.d("Button", 0)
    huge.section("AutoBoot000")
    huge.d("Count", 100000000)
    huge.x8("Item000", 0x10000)
    huge.d("Item000Delay", 0)
    huge.x8("Item001", 0x10001)
    huge.section("Plugins")
    huge.d("Count", 2000000000)
    huge.s("Plugin000", "One.dll")
    huge.section("Pages")
    huge.d("Count", 100)
    huge.section("Page000")
    huge.s("Name", "Big")
    huge.d("Count", 2147483647)
    huge.section("Btn000")
    huge.x8("Type", 1)
    huge.d("ChainBoot", 1000000000)
    huge.x8("Chain000", 0x1)
    huge.d("TargetWindowCount", 99999999)
    huge.s("TargetWindowTitle000", "T")
    huge.section("Btn001")
    huge.x8("Type", 5)
    huge.d("PluginInt01", 1)
    huge.d("PluginInt02", 2)
    huge.section("SubMenus")
    huge.d("Count", 2000000)
    out["huge_counts.ini"] = utf16(huge.text())

    out["no_values.ini"] = utf16(
        "\r\n[General]\r\nVersion\r\nAlpha=\r\nStatus=\r\nCaption\r\n=\r\n==\r\nLanguage=Japanese\r\n"
        "\r\n[HotKey]\r\nCount=\r\n\r\n[Pages]\r\nCount=\r\n")

    long_text = "L" * 10000
    lv = Ini()
    lv.section("General")
    lv.x8("Version", OWN_VERSION)
    lv.s("BackupFile", "C:\\" + long_text)
    lv.s("Caption", long_text)
    lv.s("FilerParam", long_text)
    lv.s("Language", long_text)
    lv.section("Search")
    lv.s("LastWord", long_text)
    lv.section("Suppression")
    lv.d("Count", 1)
    lv.section("Target000")
    lv.s("Exe", long_text)
    lv.s("Class", long_text)
    lv.s("Caption", long_text)
    lv.section("Plugins")
    lv.d("Count", 1)
    lv.s("Plugin000", long_text)
    lv.section("Pages")
    lv.d("Count", 1)
    lv.section("Page000")
    lv.s("Name", long_text)
    lv.d("Count", 1)
    lv.section("Btn000")
    lv.x8("Type", 5)
    lv.s("Name", long_text)
    lv.s("File", long_text)
    lv.s("IconFile", long_text)
    lv.d("TargetWindowCount", 1)
    lv.s("TargetWindowTitle000", long_text)
    lv.s("TargetWindowClass000", long_text)
    lv.s("PluginStr01", long_text)
    lv.section("SubMenus")
    lv.d("Count", 0)
    out["long_values.ini"] = utf16(lv.text())

    out["bad_hex.ini"] = utf16(
        "\r\n[General]\r\nVersion=04020200\r\nStatus=0xg1\r\nOption1=-5\r\nLanguage=Japanese\r\n"
        "\r\n[SubMenu]\r\nLastFolder=abc\r\n\r\n[Keyboard]\r\nPage000=zzzz\r\nPage001=0x0241\r\n"
        "\r\n[Pages]\r\nCount=1\r\n\r\n[Page000]\r\nName=H\r\nFlag=xyz\r\nCount=2\r\n"
        "\r\n[Btn000]\r\nType=00000006\r\nName=Odd\r\nFile=0400abc\r\n"
        "\r\n[Btn001]\r\nType=00000006\r\nName=Bad\r\nFile=zzzzzzzzzzzz\r\n\r\n[SubMenus]\r\nCount=0\r\n")

    def pages_case(pages):
        return utf16("\r\n[General]\r\nVersion=%08x\r\nAlpha=111\r\nCaption=Kept\r\nLanguage=Japanese\r\n%s"
                     % (OWN_VERSION, pages))
    out["pages_zero.ini"] = pages_case("\r\n[Pages]\r\nCount=0\r\n")
    out["pages_negative.ini"] = pages_case("\r\n[Pages]\r\nCount=-5\r\n")
    out["pages_101.ini"] = pages_case("\r\n[Pages]\r\nCount=101\r\n")
    out["pages_missing.ini"] = pages_case("")
    # An unescaped bracket in a value starts a section of its own.
    out["bracket_value.ini"] = utf16(
        "\r\n[General]\r\nCaption=[Pages]\r\nLanguage=Japanese\r\n\r\n[Pages]\r\nCount=1\r\n\r\n[Page000]\r\n"
        "Name=X\r\nCount=0\r\n")
    # Page sections missing and buttons missing: lists end where the file does.
    out["gaps.ini"] = utf16(
        "\r\n[General]\r\nVersion=%08x\r\nLanguage=Japanese\r\n\r\n[Pages]\r\nCount=3\r\n\r\n[Page001]\r\n"
        "Name=Second\r\nCount=5\r\n\r\n[Btn000]\r\nType=00000001\r\nName=A\r\n\r\n[Page002]\r\nName=Third\r\n"
        "Count=1\r\n\r\n[Btn000]\r\nType=00000001\r\nName=B\r\n\r\n[Btn001]\r\nType=00000001\r\nName=C\r\n"
        "\r\n[SubMenus]\r\nCount=0\r\n" % OWN_VERSION)
    return out


def main():
    root = sys.argv[1]
    good = settings_text(roundtrip_model())
    put(root, "roundtrip/Vantrel.ini", utf16(good))
    put(root, "newer/Vantrel.ini", utf16(settings_text(roundtrip_model(0x04030000))))
    put(root, "newer/expected.ini", utf16(good))
    put(root, "ansi/Vantrel.ini", ansi_file())
    put(root, "firstrun/expected.ini", utf16(firstrun_expected()))
    for name, make in (("upgrade250", upgrade250), ("upgrade320", upgrade320)):
        old, design, expected = make()
        put(root, name + "/Vantrel.ini", utf16(old))
        put(root, name + "/Design.ini", utf16(design))
        put(root, name + "/expected.ini", utf16(expected))
    for name, data in bad_files(good).items():
        put(root, "bad/" + name, data)


if __name__ == "__main__":
    main()
