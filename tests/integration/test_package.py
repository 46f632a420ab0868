"""The release package as a Windows user gets it: the zip of `make dist`,
unpacked into a fresh folder, runs, and both programs carry the version."""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
from harness import BUILD, ROOT, DesktopTestCase, main, make_clips, wait_for, win_path

GUIDE_JA = "はじめにお読みください.txt"
PROGRAMS = ("Velmora.scr", "Quorlin.exe")


def project_version():
    """The version as CMakeLists.txt states it: the one place it is set."""
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        return re.search(r"project\(Velmora VERSION (\d+\.\d+\.\d+)", f.read()).group(1)


def symbol_table(data):
    """PointerToSymbolTable and NumberOfSymbols of a PE file's COFF header."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return struct.unpack_from("<II", data, pe + 4 + 8)


class PackageTest(DesktopTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        subprocess.run(["cmake", "--build", BUILD, "--target", "dist"], check=True, timeout=600,
                       stdout=subprocess.DEVNULL)
        cls.version = project_version()
        cls.package = os.path.join(BUILD, "dist", "Velmora-%s-win64.zip" % cls.version)
        # Names are stored in code page 932, as Explorer reads them on a
        # Japanese system.
        cls.zip = zipfile.ZipFile(cls.package, metadata_encoding="cp932")

    @classmethod
    def tearDownClass(cls):
        cls.zip.close()
        super().tearDownClass()

    def setUp(self):
        base = os.path.join(BUILD, "itest-tmp")
        os.makedirs(base, exist_ok=True)
        self.folder = tempfile.mkdtemp(prefix="package-", dir=base)

    def tearDown(self):
        super().tearDown()
        shutil.rmtree(self.folder, ignore_errors=True)

    def test_package_holds_the_stripped_programs_and_both_guides(self):
        self.assertEqual(sorted(self.zip.namelist()), sorted(PROGRAMS + (GUIDE_JA, "README.txt")))
        for name in PROGRAMS:
            self.assertEqual(symbol_table(self.zip.read(name)), (0, 0), name)
            # The build's own programs do have one: the package's are stripped.
            with open(os.path.join(BUILD, "bin", name), "rb") as f:
                self.assertNotEqual(symbol_table(f.read()), (0, 0), name)

        for name, encoding in ((GUIDE_JA, "cp932"), ("README.txt", "ascii")):
            data = self.zip.read(name)
            self.assertEqual(data.count(b"\n"), data.count(b"\r\n"), "%s has bare line ends" % name)
            text = data.decode(encoding)
            self.assertIn("Velmora %s" % self.version, text)
            for words in ("Velmora.scr", "Quorlin.exe", "Velmora.ini"):
                self.assertIn(words, text)
        self.assertIn("インストール", self.zip.read(GUIDE_JA).decode("cp932"))
        self.assertIn("アンインストール", self.zip.read(GUIDE_JA).decode("cp932"))

    def test_unpacked_screensaver_plays_and_both_programs_carry_the_version(self):
        self.zip.extractall(self.folder)
        clips = make_clips(os.path.join(self.folder, "clips"), ["a.avi"], seconds=30)
        with open(os.path.join(self.folder, "Velmora.ini"), "wb") as f:
            f.write(("[VELMORA]\r\nDIRNAME=%s\r\n" % win_path(clips)).encode("cp932"))

        # The system starts the stub; the stub starts the player beside it.
        self.desktop.start_program(os.path.join(self.folder, "Velmora.scr"), ["/s"], cwd=self.folder)
        main_window = self.desktop.wait_window("VelmoraClass", "Velmora")
        wait_for(lambda: [w for w in self.desktop.children(main_window["hwnd"]) if w["visible"]],
                 timeout=30, what="the video window")
        time.sleep(0.6)  # past the debounce of the start
        self.desktop.key("x")
        wait_for(lambda: not self.desktop.windows("VelmoraClass"), timeout=30, what="the end of the player")

        descriptions = set()
        for name in PROGRAMS:
            out = self.desktop.probe("version", win_path(os.path.join(self.folder, name)))
            values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
            self.assertEqual(values.get("Fixed"), self.version + ".0", name)
            self.assertEqual(values.get("ProductVersion"), self.version, name)
            self.assertEqual(values.get("FileVersion"), self.version, name)
            self.assertEqual(values.get("ProductName"), "Velmora", name)
            self.assertEqual(values.get("OriginalFilename"), name)
            self.assertNotIn("CompanyName", values)
            self.assertTrue(values.get("FileDescription", "").startswith("Velmora "), values)
            descriptions.add(values["FileDescription"])
        self.assertEqual(len(descriptions), 2)


if __name__ == "__main__":
    main()
