#!/usr/bin/env python3
"""Writes the release package Velmora-<version>-win64.zip: both programs,
stripped, and the install guides in Japanese (code page 932) and English,
each with Windows line ends. Run by `make dist` (the CMake target dist)."""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
import zlib

PROGRAMS = ["Velmora.scr", "Quorlin.exe"]
# Guide in the repository (UTF-8) -> its encoding in the package.
GUIDES = {"はじめにお読みください.txt": "cp932", "README.txt": "ascii"}


def guide_bytes(path, encoding, version):
    with open(path, encoding="utf-8") as f:
        text = f.read().replace("@VERSION@", version)
    lines = text.replace("\r\n", "\n").split("\n")
    # Strict encoding: a character the code page lacks stops the build here
    # rather than reaching the user as a question mark.
    return "\r\n".join(lines).encode(encoding)


class PackageEntry(zipfile.ZipInfo):
    """An entry named in code page 932, as Explorer on a Japanese system
    reads names, with the UTF-8 name in the Info-ZIP Unicode Path field for
    archivers that read that."""

    def __init__(self, name):
        super().__init__(name, date_time=time.localtime()[:6])
        self.create_system = 0  # made for Windows: no Unix modes
        self.compress_type = zipfile.ZIP_DEFLATED
        stored = name.encode("cp932")
        if stored != name.encode("utf-8"):
            unicode_name = name.encode("utf-8")
            self.extra = struct.pack("<HHBI", 0x7075, 5 + len(unicode_name), 1, zlib.crc32(stored)) + unicode_name

    def _encodeFilenameFlags(self):
        return self.filename.encode("cp932"), self.flag_bits


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--version", required=True)
    parser.add_argument("--strip", required=True, help="the strip of the cross toolchain")
    parser.add_argument("--bin", required=True, help="folder of the built programs")
    parser.add_argument("--guides", required=True, help="folder of the install guides")
    parser.add_argument("--out", required=True, help="folder of the package")
    args = parser.parse_args()

    os.makedirs(args.out, exist_ok=True)
    package = os.path.join(args.out, "Velmora-%s-win64.zip" % args.version)
    with tempfile.TemporaryDirectory(dir=args.out) as staging:
        entries = []
        for name in PROGRAMS:
            copy = os.path.join(staging, name)
            shutil.copyfile(os.path.join(args.bin, name), copy)
            subprocess.run([args.strip, "--strip-all", copy], check=True)
            with open(copy, "rb") as f:
                entries.append((name, f.read()))
        for name, encoding in GUIDES.items():
            entries.append((name, guide_bytes(os.path.join(args.guides, name), encoding, args.version)))

        # Written beside and renamed, so a failed run never leaves half a zip.
        partial = package + ".part"
        with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as z:
            for name, data in entries:
                z.writestr(PackageEntry(name), data)
        os.replace(partial, package)
    print("dist: %s" % package)
    return 0


if __name__ == "__main__":
    sys.exit(main())
