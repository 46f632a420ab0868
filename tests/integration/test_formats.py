"""Every format of the default extension list plays, and a format the user
adds to EXTENSIONS plays too: each clip a solid colour, read off the screen."""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import SCREEN_H, SCREEN_W, DesktopTestCase, PlayerFolder, main, make_clips, wait_for, win_path

COLOURS = {"red": (255, 0, 0), "lime": (0, 255, 0), "blue": (0, 0, 255), "magenta": (255, 0, 255),
           "cyan": (0, 255, 255)}
MPEG2_PS = ["-c:v", "mpeg2video", "-c:a", "mp2", "-f", "vob"]


def nearest_colour(rgb):
    """Name of the colour of COLOURS within reach of rgb, else None (black
    between clips, or a decoder's garbage)."""
    name, ref = min(COLOURS.items(), key=lambda item: sum((a - b) ** 2 for a, b in zip(item[1], rgb)))
    return name if sum((a - b) ** 2 for a, b in zip(ref, rgb)) < 60 ** 2 else None


class FormatsTest(DesktopTestCase):

    def setUp(self):
        self.player = PlayerFolder("formats")
        self.media = os.path.join(self.player.path, "media")

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    def centre_colour(self):
        out = subprocess.run(["/usr/bin/import", "-window", "root", "-crop",
                              "1x1+%d+%d" % (SCREEN_W // 2, SCREEN_H // 2), "-depth", "8", "txt:-"],
                             env=self.desktop.env, stdout=subprocess.PIPE, check=True, timeout=60).stdout
        match = re.search(rb"\((\d+),(\d+),(\d+)", out.splitlines()[-1])
        return nearest_colour(tuple(int(v) for v in match.groups()))

    def colours_seen(self, proc, seconds, enough=None):
        """Distinct colours at the screen's centre in the order shown, for
        the given time or until enough have been seen."""
        seen = []
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline and proc.poll() is None and len(seen) < (enough or len(seen) + 1):
            colour = self.centre_colour()
            if colour and (not seen or seen[-1] != colour):
                seen.append(colour)
            self.assertEqual(self.desktop.windows("#32770"), [], "a failure question opened")
        return seen

    def play(self, seconds, enough=None, **settings):
        values = {"DIRNAME": win_path(self.media), "EXCEPTION_BEEP": "FALSE"}
        values.update(settings)
        self.player.write_ini(values)
        proc = self.desktop.start_program(self.player.exe, ["/s"])
        self.desktop.wait_window("VelmoraClass", "Velmora")
        seen = self.colours_seen(proc, seconds, enough)
        self.assertIsNone(proc.poll(), "the screensaver ended")
        time.sleep(0.6)
        self.desktop.key("x")
        self.assertEqual(self.wait_exit(proc), 0)
        return seen

    def test_every_default_extension_plays(self):
        # AVI (MJPEG), MPEG-1 in .mpeg, MPEG-2 program stream in .mpg, WMV.
        make_clips(self.media, ["a.avi"], seconds=3, picture="color=c=red")
        make_clips(self.media, ["b.mpeg"], seconds=3, picture="color=c=lime")
        make_clips(self.media, ["c.mpg"], seconds=3, picture="color=c=blue", codecs=MPEG2_PS)
        make_clips(self.media, ["d.wmv"], seconds=3, picture="color=c=magenta")
        # A busy machine plays slower than real time: look until all four
        # have shown.
        seen = self.play(60, enough=4)
        self.assertEqual(seen[:4], ["red", "lime", "blue", "magenta"], seen)

    def test_mp4_plays_when_extensions_names_it(self):
        make_clips(self.media, ["a.mp4"], seconds=3, picture="color=c=cyan")
        make_clips(self.media, ["b.avi"], seconds=3, picture="color=c=red")
        seen = self.play(8, EXTENSIONS="mp4")
        self.assertEqual(seen, ["cyan"])


if __name__ == "__main__":
    main()
