#!/usr/bin/env python3
"""Packages for the package end-to-end tests, packed by the build's packer:
make_packages.py STUB MARKER RECORDER OUT_FOLDER."""
import importlib
import os
import random
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
packager = importlib.import_module("make-package")

stub, marker, recorder, out = sys.argv[1:5]
os.makedirs(out, exist_ok=True)
tree = os.path.join(out, "tree")
rng = random.Random(29)
files = {
    "readme.txt": b"package tree\r\n" * 50,
    "data/random.bin": rng.randbytes(70000),
    "data/deeper/zeros.bin": bytes(100000),
    "data/empty.txt": b"",
}
for name, data in files.items():
    path = os.path.join(tree, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def archive(name, program, extra=()):
    path = os.path.join(out, name)
    with zipfile.ZipFile(path, "w") as z:
        z.write(program, os.path.basename(program), zipfile.ZIP_DEFLATED)
        for member in files:
            z.write(os.path.join(tree, member), member, zipfile.ZIP_STORED if member.endswith(".txt")
                    else zipfile.ZIP_DEFLATED)
        for member, data in extra:
            z.writestr(zipfile.ZipInfo(member), data)
    return path


def pack(name, zip_path, **options):
    args = [sys.executable, os.path.join(os.path.dirname(packager.__file__), "make-package.py"), stub, zip_path,
            os.path.join(out, name)]
    for key, value in options.items():
        flag = "--" + key.replace("_", "-")
        args += [flag] if value is True else [flag, value]
    subprocess.run(args, check=True)


record = "Z:" + os.path.join(out, "marker-record.txt").replace("/", "\\")
shipped = dict(destination="%temp%", delete=True, skip_confirmation=True, overwrite=True)
# Deleted after the run: the marker notes its start outside the folder.
pack("deleting.exe", archive("deleting.zip", marker), command=f"marker.exe packaged {record}", **shipped)
# Kept: the recorder notes its command line and folder beside itself.
pack("keeping.exe", archive("keeping.zip", recorder), destination="%temp%\\vnsfx-keep", command="vnrecorder.exe",
     skip_confirmation=True, overwrite=True)
# Names climbing out of the destination stay inside it.
pack("climbing.exe", archive("climbing.zip", recorder, [("../../escaped.txt", b"escaped"),
                                                       ("..\\..\\back.txt", b"back")]),
     destination="%temp%\\vnsfx-climb", command="vnrecorder.exe", skip_confirmation=True, overwrite=True)
# An entry whose data no longer matches its CRC, in a payload whose own CRC
# is right: the tree is incomplete, so its command must not run.
broken = archive("broken.zip", marker)
with open(broken, "rb") as f:
    zipped = bytearray(f.read())
at = zipped.find(files["readme.txt"])
zipped[at + 3] ^= 0x01
with open(broken, "wb") as f:
    f.write(zipped)
pack("broken.exe", broken, command=f"marker.exe broken {record}", **shipped)
# A setup information file as the command: setupapi writes its value.
inf = os.path.join(out, "install.inf")
with open(inf, "w", newline="\r\n") as f:
    f.write('[Version]\nSignature="$Windows NT$"\n\n[DefaultInstall]\nAddReg=Marks\n\n'
            '[Marks]\nHKCU,"Software\\VantrelPackageTest","Installed",,"from the package"\n')
with zipfile.ZipFile(os.path.join(out, "inf.zip"), "w") as z:
    z.write(inf, "INSTALL.INF")
pack("inf.exe", os.path.join(out, "inf.zip"), destination="%temp%\\vnsfx-inf", command="INSTALL.INF",
     skip_confirmation=True, overwrite=True)
# A start question: answered No, nothing is extracted.
pack("asking.exe", archive("asking.zip", recorder), destination="%temp%\\vnsfx-ask", command="vnrecorder.exe",
     skip_confirmation=True, overwrite=True, caption="Vantrel", question="Install now?")
# One flipped byte in the zip: nothing extracted, nothing run.
with open(os.path.join(out, "deleting.exe"), "rb") as f:
    data = bytearray(f.read())
payload = os.path.getsize(stub) + packager.HEADER_BYTES
data[payload + (len(data) - payload) // 2] ^= 0x01
with open(os.path.join(out, "flipped.exe"), "wb") as f:
    f.write(data)
