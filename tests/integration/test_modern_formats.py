"""mp4, m4v, mov and mkv where DirectShow cannot open them, as on a stock
Windows: the player reads them through Media Foundation, and they play,
seek, resume and fail like any other file. Pictures are solid colours read
off the screen's centre."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
import harness
from harness import (BUILD, NULL_SOUND_CONFIG, SCREEN_H, SCREEN_W, DesktopTestCase, PlayerFolder, main,
                     seconds_since, wait_for, win_path)
from test_formats import nearest_colour

# A prefix of this file's own, where Wine's file source hands these
# extensions a media type no parser takes, so RenderFile fails on them.
harness.PREFIX = os.path.join(BUILD, "wineprefix-modern")
UNKNOWN_TYPE = "{564C4D52-0000-4E4F-8000-0000444E5452}"
BLOCKED = (".mp4", ".m4v", ".mov", ".mkv", ".m4a")
IDYES = 6
H264_AAC = ["-c:v", "libx264", "-pix_fmt", "yuv420p", "-g", "25", "-c:a", "aac"]


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y"] + list(args), check=True, timeout=120)


def colour_clip(path, colour, seconds):
    ffmpeg("-f", "lavfi", "-i", "color=c=%s:size=320x240:rate=25:duration=%d" % (colour, seconds),
           "-f", "lavfi", "-i", "sine=frequency=440:duration=%d" % seconds, *H264_AAC, path)


def banded_clip(path):
    """Red for 10 s, lime to 20 s, blue to 60 s: the colour tells the time."""
    bands = [("red", 10), ("lime", 10), ("blue", 40)]
    args = []
    for colour, seconds in bands:
        args += ["-f", "lavfi", "-i", "color=c=%s:size=320x240:rate=25:duration=%d" % (colour, seconds)]
    args += ["-f", "lavfi", "-i", "sine=frequency=440:duration=60", "-filter_complex",
             "[0:v][1:v][2:v]concat=n=3:v=1:a=0[v]", "-map", "[v]", "-map", "3:a"]
    ffmpeg(*(args + H264_AAC + [path]))


class ModernFormatsTest(DesktopTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.desktop.env["ALSA_CONFIG_PATH"] = NULL_SOUND_CONFIG
        for ext in BLOCKED:
            subprocess.run(["wine", "reg", "add", "HKCR\\Media Type\\Extensions\\" + ext, "/v", "Media Type",
                            "/t", "REG_SZ", "/d", UNKNOWN_TYPE, "/f"], env=cls.desktop.env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        os.makedirs(os.path.join(BUILD, "itest-tmp"), exist_ok=True)
        cls.media = tempfile.mkdtemp(prefix="modern-media-", dir=os.path.join(BUILD, "itest-tmp"))
        folder = lambda name: os.makedirs(os.path.join(cls.media, name)) or os.path.join(cls.media, name)
        turn = folder("turn")
        for name, colour in (("a.mp4", "red"), ("b.m4v", "lime"), ("c.mov", "blue"), ("d.mkv", "magenta")):
            colour_clip(os.path.join(turn, name), colour, 3)
        banded_clip(os.path.join(folder("banded"), "banded.mp4"))
        cls.cyan = os.path.join(cls.media, "cyan.mp4")
        colour_clip(cls.cyan, "cyan", 30)
        sound = folder("sound")
        ffmpeg("-f", "lavfi", "-i", "sine=frequency=440:duration=2", "-c:a", "aac", os.path.join(sound, "a.m4a"))
        shutil.copy(cls.cyan, os.path.join(sound, "b.mp4"))
        broken = folder("broken")
        with open(cls.cyan, "rb") as f:
            data = f.read()
        # The index of an mp4 comes last: half a file has none.
        with open(os.path.join(broken, "a_broken.mp4"), "wb") as f:
            f.write(data[:len(data) // 2])
        shutil.copy(cls.cyan, os.path.join(broken, "b.mp4"))

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        shutil.rmtree(cls.media, ignore_errors=True)

    def setUp(self):
        self.player = PlayerFolder("modern")

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    # ---- helpers
    def start(self, folder=None, **values):
        """Starts the screensaver on folder, or again with the settings as the
        last run left them."""
        if folder:
            settings = {"DIRNAME": win_path(os.path.join(self.media, folder)), "EXCEPTION_BEEP": "FALSE",
                        "EXTENSIONS": "mp4|m4v|mov|mkv|m4a"}
            settings.update({k: str(v) for k, v in values.items()})
            self.player.write_ini(settings)
        proc = self.desktop.start_program(self.player.exe, ["/s"])
        self.desktop.wait_window("VelmoraClass", "Velmora")
        return proc

    def centre_colour(self):
        out = subprocess.run(["/usr/bin/import", "-window", "root", "-crop",
                              "1x1+%d+%d" % (SCREEN_W // 2, SCREEN_H // 2), "-depth", "8", "txt:-"],
                             env=self.desktop.env, stdout=subprocess.PIPE, check=True, timeout=60).stdout
        values = out.splitlines()[-1].split(b"(", 1)[1].split(b")", 1)[0].split(b",")[:3]
        return nearest_colour(tuple(int(float(v)) for v in values))

    def colours_seen(self, proc, seconds, enough):
        """Distinct colours at the centre in the order shown, until enough
        have been seen; no question may open meanwhile."""
        seen = []
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline and proc.poll() is None and len(seen) < enough:
            colour = self.centre_colour()
            if colour and (not seen or seen[-1] != colour):
                seen.append(colour)
            self.assertEqual(self.desktop.windows("#32770"), [], "a failure question opened")
        self.assertIsNone(proc.poll(), "the screensaver ended")
        return seen

    def wait_colour(self, colour, timeout=20):
        wait_for(lambda: self.centre_colour() == colour, timeout=timeout, interval=0.1, what=colour)
        return time.monotonic()

    def quit(self, proc):
        time.sleep(0.6)  # past the key debounce
        self.desktop.key("x")
        self.assertEqual(self.wait_exit(proc), 0)
        return self.player.read_ini()

    # ---- cases
    def test_each_container_plays_its_picture_in_turn(self):
        proc = self.start("turn")
        self.assertEqual(self.colours_seen(proc, 60, 4), ["red", "lime", "blue", "magenta"])
        self.quit(proc)

    def test_arrow_seeks_and_next_start_resumes_three_seconds_before_the_stop(self):
        proc = self.start("banded", SEEKTIME1=15)
        shown = self.wait_colour("red")
        time.sleep(0.6)
        self.desktop.key("Right")
        self.wait_colour("lime", timeout=10)
        ini = self.quit(proc)
        stop = int(ini["STOP_POSITION"])
        self.assertTrue(15 <= stop <= 15 + seconds_since(shown), stop)

        proc = self.start()
        # Back in the lime band, never from the red start.
        self.assertEqual(self.colours_seen(proc, 20, 1), ["lime"], stop)
        shown = time.monotonic()
        ini = self.quit(proc)
        second = int(ini["STOP_POSITION"])
        self.assertTrue(stop - 3 <= second <= stop - 3 + seconds_since(shown), (stop, second))

    def test_program_entry_plays_its_stretch_of_an_mp4(self):
        banded = os.path.join(self.media, "banded", "banded.mp4")
        proc = self.start("banded", PROGRAM_PLAY="TRUE", DIRNAME="",
                          PROGRAM_FILENAME01=win_path(banded), PROGRAM_STA_POSITION01=11,
                          PROGRAM_END_POSITION01=14, PROGRAM_FILENAME02=win_path(self.cyan))
        # Lime from 11 s, and at 14 s the next entry: no red, no blue.
        self.assertEqual(self.colours_seen(proc, 30, 2), ["lime", "cyan"])
        self.quit(proc)

    def test_sound_only_m4a_plays_to_its_end(self):
        proc = self.start("sound")
        # Two seconds of sound on a black screen, then the next file.
        self.assertEqual(self.centre_colour(), None)
        self.assertEqual(self.colours_seen(proc, 30, 1), ["cyan"])
        self.quit(proc)

    def test_truncated_mp4_asks_and_the_next_file_plays(self):
        proc = self.start("broken")
        box, texts = self.desktop.wait_message_box(timeout=30)
        self.assertIn("a_broken.mp4 の再生に失敗しました。", " ".join(texts))
        self.desktop.click(box["hwnd"], IDYES)
        self.wait_colour("cyan")
        self.quit(proc)


if __name__ == "__main__":
    main()
