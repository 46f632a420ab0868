"""Play-time control, transport keys and the status overlay of the running
screensaver under Wine: what the user sees in the overlay, and where the
player stops (its stop position in Velmora.ini) after the keys."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import SCREEN_W, DesktopTestCase, PlayerFolder, main, make_clips, wait_for, win_path

# Colours of the state letter.
GREEN = (0, 255, 0)
RED = (255, 0, 0)
AUDIO_PINK = (255, 153, 255)
BLACK = (0, 0, 0)


class Picture:
    """An RGB region of a screenshot."""

    def __init__(self, path, left, top, width, height):
        raw = subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (width, height, left, top),
                              "+repage", "-depth", "8", "rgb:-"],
                             check=True, stdout=subprocess.PIPE, timeout=60).stdout
        self.width, self.height, self.raw = width, height, raw

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.raw[i:i + 3])

    def count(self, colour, x0=0, x1=None):
        x1 = self.width if x1 is None else x1
        return sum(1 for y in range(self.height) for x in range(x0, x1) if self.pixel(x, y) == colour)

    def ink_columns(self, colour=BLACK):
        """Columns holding at least one pixel of the colour."""
        return [x for x in range(self.width) if any(self.pixel(x, y) == colour for y in range(self.height))]


class ControlTest(DesktopTestCase):

    def setUp(self):
        self.player = PlayerFolder("control")
        self.media = os.path.join(self.player.path, "media")
        self.shots = 0

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    # ---- helpers
    def start(self, clips, seconds=60, audio_streams=1, **settings):
        make_clips(self.media, clips, seconds=seconds, audio_streams=audio_streams)
        values = {"DIRNAME": win_path(self.media), "CONTINUOUS_PLAY": "FALSE", "IGNOREMOUSE": "TRUE",
                  "DISP_FILENAME": "TRUE"}
        values.update({k: str(v) for k, v in settings.items()})
        self.player.write_ini(values)
        self.proc = self.desktop.start_program(self.player.exe, ["/s"])
        self.desktop.wait_window("VelmoraClass", "Velmora")
        # Playing: the overlay (when shown) carries the first time text.
        time.sleep(3)

    def press(self, key):
        self.desktop.key(key)
        # Keys within 500 ms of the last one are ignored by the player.
        time.sleep(0.8)

    def bar(self):
        """The status bar as it is on screen now."""
        overlay = self.desktop.wait_window("FrontWindowClass", "Velmora")
        self.shots += 1
        path = os.path.join(self.player.path, "shot%d.png" % self.shots)
        self.desktop.screenshot(path)
        left, top, right, bottom = overlay.rect
        return Picture(path, left, top, right - left, bottom - top)

    def quit(self):
        """Ends the screensaver with a key that has no function; gives the INI."""
        self.desktop.key("z")
        self.assertEqual(self.wait_exit(self.proc), 0)
        return self.player.read_ini()

    def stop_seconds(self):
        return int(self.quit()["STOP_POSITION"])

    # ---- overlay
    def test_f_shows_the_overlay_with_time_and_japanese_name(self):
        name = "動画テスト.avi"
        self.start([name], DISP_FILENAME="FALSE")
        self.assertEqual(self.desktop.windows("FrontWindowClass"), [])
        self.press("f")
        overlay = self.desktop.wait_window("FrontWindowClass", "Velmora")
        self.assertTrue(overlay["topmost"])
        self.assertEqual((overlay["left"], overlay["top"], overlay["right"]), (0, 0, SCREEN_W))
        height = overlay["bottom"] - overlay["top"]
        self.assertGreater(height, 10)

        first = self.bar()
        columns = first.ink_columns()
        self.assertTrue(columns, "nothing drawn in the bar")
        # Text starts at the left edge and runs well past the time texts:
        # "00:00 / 01:00 (1/1) " and five full-width characters and ".avi".
        self.assertLess(columns[0], 5)
        time_end = int(6.5 * height)
        self.assertGreater(columns[-1], time_end + 5 * height)
        # The name is full-width text: its five characters cover about five
        # cell heights in a row of dense glyphs.
        tail = [x for x in columns if x > columns[-1] - 7 * height]
        self.assertGreater(len(tail), 3 * height)

        # The current time moves on; the name stays.
        time.sleep(2.5)
        second = self.bar()
        left_first = [first.pixel(x, y) for y in range(height) for x in range(4 * height)]
        left_second = [second.pixel(x, y) for y in range(height) for x in range(4 * height)]
        self.assertNotEqual(left_first, left_second, "the time did not advance")
        right_first = [first.pixel(x, y) for y in range(height) for x in range(time_end, first.width)]
        right_second = [second.pixel(x, y) for y in range(height) for x in range(time_end, second.width)]
        self.assertEqual(right_first, right_second)

        self.press("f")
        wait_for(lambda: not self.desktop.windows("FrontWindowClass"), what="overlay hidden")
        self.quit()

    # ---- pause
    def test_s_pauses_and_s_or_a_click_resumes(self):
        self.start(["a.avi"])

        def time_moves():
            before = self.bar()
            time.sleep(2.2)
            after = self.bar()
            h = before.height
            # The current time "00:00" lies within the first four cell heights.
            return ([before.pixel(x, y) for y in range(h) for x in range(4 * h)] !=
                    [after.pixel(x, y) for y in range(h) for x in range(4 * h)])

        self.assertTrue(time_moves())
        self.press("s")
        self.assertGreater(self.bar().count(RED), 5, "no red S for the pause")
        self.assertFalse(time_moves(), "the position moved while paused")
        self.press("s")
        self.assertEqual(self.bar().count(RED), 0)
        self.assertTrue(time_moves(), "the position did not move after S")

        centre = (SCREEN_W // 2, 384)
        self.desktop.xdotool("mousemove", *centre)
        self.desktop.xdotool("click", "1")
        time.sleep(0.8)
        self.assertGreater(self.bar().count(RED), 5)
        self.assertFalse(time_moves(), "the position moved after a click")
        self.desktop.xdotool("click", "3")
        time.sleep(0.8)
        self.assertTrue(time_moves(), "the position did not move after a second click")
        self.quit()

    def picture(self):
        """The part of the video picture with the clip's running counter."""
        self.shots += 1
        path = os.path.join(self.player.path, "shot%d.png" % self.shots)
        self.desktop.screenshot(path)
        return Picture(path, 600, 250, 400, 280).raw

    # ---- seeking
    def test_seek_while_paused_shows_the_new_picture_and_stays_paused(self):
        self.start(["a.avi"], SEEKTIME1=20, DISP_FILENAME="FALSE")
        self.press("s")
        paused = self.picture()
        self.press("Right")
        time.sleep(1)
        moved = self.picture()
        self.assertNotEqual(paused, moved, "the picture did not follow the seek")
        time.sleep(2)
        self.assertEqual(moved, self.picture(), "playback went on after a seek while paused")
        self.quit()

    def test_right_seeks_forward_by_seektime1(self):
        self.start(["a.avi"], SEEKTIME1=20)
        self.press("Right")
        stop = self.stop_seconds()
        # About four seconds played plus the step; without it about four.
        self.assertGreaterEqual(stop, 20)
        self.assertLessEqual(stop, 32)

    def test_left_goes_back_to_the_beginning(self):
        self.start(["a.avi"], SEEKTIME1=20, SEEKTIME2=30)
        self.press("Right")
        time.sleep(1)
        self.desktop.key("shift+Left")
        time.sleep(0.8)
        self.assertLessEqual(self.stop_seconds(), 4)

    # ---- A-B loop and W
    def test_a_then_b_loops_and_w_writes_the_intro_range(self):
        self.start(["a.avi"], INTRO_START_POSITION=40, INTRO_END_POSITION=50)
        self.press("a")
        self.assertGreater(self.bar().count(GREEN), 5, "no green A")
        time.sleep(3)
        self.press("b")
        self.press("w")
        ini = self.player.read_ini()
        a = int(ini["INTRO_START_POSITION"])
        b = int(ini["INTRO_END_POSITION"])
        self.assertGreaterEqual(a, 2)
        self.assertGreaterEqual(b - a, 2)
        self.assertLessEqual(b - a, 8)
        # Intro play itself is untouched in the file.
        self.assertNotEqual(ini.get("INTRO_PLAY", "FALSE").upper(), "TRUE")

        # Several loops later the position is still between A and B.
        time.sleep(2 * (b - a) + 3)
        self.assertGreater(self.bar().count(GREEN), 5, "no green B")
        stop = self.stop_seconds()
        # B is found up to a tick (or a late tick) after it passed.
        self.assertGreaterEqual(stop, a)
        self.assertLessEqual(stop, b + 2)

    def test_w_in_program_play_writes_the_playing_entrys_range(self):
        make_clips(self.media, ["a.avi", "b.avi"], seconds=60)
        # Entry 01 ends after a second; entry 02 starts at 5 s.
        self.start([], PROGRAM_PLAY="TRUE",
                   PROGRAM_FILENAME01=win_path(os.path.join(self.media, "a.avi")),
                   PROGRAM_STA_POSITION01=0, PROGRAM_END_POSITION01=1,
                   PROGRAM_FILENAME02=win_path(os.path.join(self.media, "b.avi")),
                   PROGRAM_STA_POSITION02=5, PROGRAM_END_POSITION02=-1)
        time.sleep(2)
        self.press("a")
        time.sleep(3)
        self.press("b")
        self.press("w")
        ini = self.quit()
        a = int(ini["PROGRAM_STA_POSITION02"])
        b = int(ini["PROGRAM_END_POSITION02"])
        self.assertGreaterEqual(a, 5)
        self.assertGreaterEqual(b - a, 2)
        self.assertEqual(ini["PROGRAM_STA_POSITION01"], "0")
        self.assertEqual(ini["PROGRAM_END_POSITION01"], "1")
        self.assertNotIn("INTRO_START_POSITION", ini)
        self.assertEqual(ini["PROGRAM_PLAY_NO"], "2")

    def test_w_without_a_loop_writes_nothing(self):
        self.start(["a.avi"], INTRO_START_POSITION=40, INTRO_END_POSITION=50)
        self.press("a")
        self.press("w")
        ini = self.quit()
        self.assertEqual(ini["INTRO_START_POSITION"], "40")
        self.assertEqual(ini["INTRO_END_POSITION"], "50")

    # ---- intro play
    def test_intro_play_ends_each_clip_after_intro_end(self):
        clips = ["%s.avi" % c for c in "abcdef"]
        self.start(clips, seconds=30, INTRO_PLAY="TRUE", INTRO_START_POSITION=0, INTRO_END_POSITION=2)
        self.assertGreater(self.bar().count((0, 255, 255)), 5, "no cyan I")
        time.sleep(5)
        ini = self.quit()
        # Each clip lasts about two seconds and a tick: several have gone by,
        # and none ran far past the intro end (ticks can come late under load).
        self.assertIn(ini["PLAYING"], clips[1:])
        self.assertLessEqual(int(ini["STOP_POSITION"]), 5)

    # ---- play-mode toggles
    def test_toggle_keys_show_their_letters(self):
        self.start(["a.avi"])
        steps = [("l", (0, 0, 255)), ("l", None), ("k", (175, 238, 238)), ("k", (176, 196, 222)),
                 ("k", None), ("q", (153, 0, 255)), ("i", (0, 255, 255))]
        letters = [(0, 0, 255), (175, 238, 238), (176, 196, 222), (153, 0, 255), (0, 255, 255)]
        for key, colour in steps:
            self.press(key)
            bar = self.bar()
            shown = [c for c in letters if bar.count(c) > 5]
            self.assertEqual(shown, [colour] if colour else [], "after %s" % key)
        # The toggles live in memory only: the keys, absent at the start,
        # stay absent (L and K have come back to their start values, so a
        # written value could not be told from none by its text).
        ini = self.quit()
        for name in ("FILELOOP", "SKIP_PLAY_MODE", "MUTE", "INTRO_PLAY"):
            self.assertNotIn(name, ini)

    # ---- audio streams
    def test_digits_on_a_file_with_two_audio_streams(self):
        self.start(["two.avi"], audio_streams=2, AUDIO_DISP_PRIORITY="TRUE")
        # A digit is a key of the player: it never ends the screensaver.
        self.press("3")
        self.assertIsNone(self.proc.poll())
        first = self.bar()
        if first.count(AUDIO_PINK) == 0:
            self.quit()
            self.skipTest("the media components of this system offer no audio stream selector")
        self.press("2")
        second = self.bar()
        self.assertGreater(second.count(AUDIO_PINK), 5)
        self.assertNotEqual(first.raw, second.raw, "the audio digit did not change to 2")
        self.quit()


if __name__ == "__main__":
    main()
