"""Names outside code page 932: clips that play by their real names and are
remembered by their ANSI ones, and a command-line folder the code page cannot
name."""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import BIN, BUILD, DesktopTestCase, PlayerFolder, main, make_clips, wait_for, win_path

IDOK = 1
RECT_4_3 = (0, 0, 1024, 768)      # 320x240 on the 1024x768 screen
RECT_16_9 = (0, 96, 1024, 672)    # 320x180
CAFE = "caf\u00e9.avi"             # é: only a best fit in the code page
WAVE = "\u6ce2\u301c\u7dda.avi"    # 波〜線: the wave dash has none at all
# What the code page makes of them: Wine has no best fit for the wave dash,
# Windows takes the full-width tilde.
CAFE_ANSI = ("cafe.avi",)
WAVE_ANSI = ("\u6ce2?\u7dda.avi", "\u6ce2\uff5e\u7dda.avi")
UNUSABLE = "フォルダ名に使用できない文字が含まれています。"


class ForeignNamesTest(DesktopTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # In name order café comes first: different sizes tell them apart.
        cls.media = os.path.join(BUILD, "itest-tmp", "foreign-media")
        make_clips(cls.media, [CAFE], seconds=30, size="320x240")
        make_clips(cls.media, [WAVE], seconds=30, size="320x180")

    def setUp(self):
        self.player = PlayerFolder("foreign")

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    def start(self, **values):
        settings = {"DIRNAME": win_path(self.media), "EXCEPTION_BEEP": "FALSE"}
        settings.update(values)
        self.player.write_ini(settings)
        proc = self.desktop.start_program(self.player.exe, ["/s"])
        main_window = self.desktop.wait_window("VelmoraClass", "Velmora")
        return proc, main_window

    def video_rect(self, main_window):
        kids = [w for w in self.desktop.children(main_window["hwnd"]) if w["visible"]]
        return kids[0].rect if kids else None

    def first_rect(self, main_window):
        return wait_for(lambda: self.video_rect(main_window), timeout=20, interval=0.1, what="a video window")

    def wait_rect(self, main_window, rect):
        wait_for(lambda: self.video_rect(main_window) == rect, timeout=20, interval=0.1,
                 what="video at %r (now %r)" % (rect, self.video_rect(main_window)))

    def key_after_debounce(self, key):
        time.sleep(0.6)
        self.desktop.key(key)

    def end(self, proc):
        self.key_after_debounce("x")
        self.assertEqual(self.wait_exit(proc), 0)
        self.assertEqual(self.desktop.windows("#32770"), [], "a question was asked")
        return self.player.read_ini()

    def test_both_play_and_are_resumed_by_their_ansi_names(self):
        proc, main_window = self.start()
        self.assertEqual(self.first_rect(main_window), RECT_4_3)
        shot = self.desktop.screenshot(os.path.join(self.player.path, "cafe.png"))
        self.assertGreater(distinct_colours(shot), 8, "no picture on the screen")
        self.key_after_debounce("space")
        self.wait_rect(main_window, RECT_16_9)
        time.sleep(2)
        ini = self.end(proc)
        self.assertIn(ini["PLAYING"], WAVE_ANSI)
        self.assertGreaterEqual(int(ini["STOP_POSITION"]), 1)

        # Resumed: the wave-dash clip first, though café leads the name order.
        proc, main_window = self.start(PLAYING=ini["PLAYING"], STOP_POSITION=ini["STOP_POSITION"])
        self.assertEqual(self.first_rect(main_window), RECT_16_9)
        self.key_after_debounce("space")
        self.wait_rect(main_window, RECT_4_3)
        ini = self.end(proc)
        self.assertIn(ini["PLAYING"], CAFE_ANSI)

        # And café the same way, against a descending name order.
        proc, main_window = self.start(DESCENDING="TRUE", PLAYING=ini["PLAYING"],
                                       STOP_POSITION=ini["STOP_POSITION"])
        self.assertEqual(self.first_rect(main_window), RECT_4_3)
        self.end(proc)

    def test_command_line_folder_the_code_page_cannot_name_is_refused(self):
        for name in ("caf\u00e9", "\u6ce2\u301c\u7dda"):
            with self.subTest(name):
                folder = os.path.join(self.player.path, name)
                make_clips(folder, ["a.avi"], seconds=2)
                self.player.write_ini({"DIRNAME": win_path(self.media)})
                before = open(self.player.ini, "rb").read()
                proc = self.desktop.start_program(self.player.exe, ["/s", win_path(folder)])
                box, texts = self.desktop.wait_message_box(containing=UNUSABLE)
                self.assertEqual(self.desktop.windows("VelmoraClass"), [])
                self.desktop.click(box["hwnd"], IDOK)
                self.assertEqual(self.wait_exit(proc), 0)
                self.assertEqual(open(self.player.ini, "rb").read(), before)

    def test_screensaver_file_passes_such_a_folder_on_unchanged(self):
        # The stub's ANSI command line made this "cafe\\波?線", which opened
        # the configuration instead.
        shutil.copy2(os.path.join(BIN, "Velmora.scr"), os.path.join(self.player.path, "Velmora.scr"))
        folder = os.path.join(self.player.path, "caf\u00e9", "\u6ce2\u301c\u7dda")
        make_clips(folder, ["a.avi"], seconds=2)
        self.player.write_ini({"DIRNAME": win_path(self.media)})
        before = open(self.player.ini, "rb").read()
        self.desktop.start_program(os.path.join(self.player.path, "Velmora.scr"), ["/s", win_path(folder)])
        box, texts = self.desktop.wait_message_box(containing=UNUSABLE)
        self.assertEqual(self.desktop.windows("VelmoraClass"), [])
        self.desktop.click(box["hwnd"], IDOK)
        wait_for(lambda: self.desktop.windows("#32770") == [], what="the message box to close")
        self.assertEqual(open(self.player.ini, "rb").read(), before)


def distinct_colours(png):
    """Number of distinct colours in a screenshot (ImageMagick)."""
    out = subprocess.run(["identify", "-format", "%k", png], stdout=subprocess.PIPE, check=True, timeout=60)
    return int(out.stdout.decode().strip() or 0)


if __name__ == "__main__":
    main()
