#!/usr/bin/env python3
"""Writes the INI engine's expected files: UTF-16LE with BOM, CR LF, a blank
line before every section. Usage: ini_fixtures.py <output folder>"""
import os
import sys


def section(name):
    return "\r\n[" + name + "]\r\n"


def key(name, value):
    return name + "=" + value + "\r\n"


def write(folder, name, text):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    sample = (
        section("General")
        + key("Version", "04020200")
        + key("LastPage", "-5")
        + key("Min", "-2147483648")
        + key("Code", "abcd")
        + key("Option1", "ffffffff")
        + key("Caption", "a[\\b] [\\[\\c")
        + key("Empty", "")
        + key("Tip", "one  two three four")
        + section("Page007")
        + key("Name", "\u00dcn\u00efc\u00f8d\u00e9 \u2713 \u65e5\u672c")
        + key("ViewMode1", "3,-12")
        + key("File", "0a1b2c")
        + key("Item004Delay", "250")
        + section("SubMenu")
        + key("CountLimit", "7")
        + key("Code", "0041")
        + key("LastSubMenu", "deadbeef")
        + key("LastOptionS", "x[\\y")
        + key("LastFolder", "0400abcd0000")
        + key("Blank", "")
    )
    write(out, "ini_writer_sample.ini", sample)
    # A file with nothing but the header and one section, as an empty writer leaves it.
    write(out, "ini_writer_minimal.ini", section("Pages"))


if __name__ == "__main__":
    main()
