"""The playlist and key help windows as the user sees them: sizes, the
playing file and the highlight bar, scrolling, Enter, and the key table; the
same at 150 % on an English system, with Japanese names."""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import BUILD, DesktopTestCase, PlayerFolder, main, make_clips, wait_for, win_path

GREY, CYAN, BLUE, WHITE = (192, 192, 192), (0, 255, 255), (0, 0, 255), (255, 255, 255)
SHOTS = os.path.join(BUILD, "itest-shots", "companions")


def region_colours(path, left, top, width, height):
    """Colour of every pixel of a screenshot region, row by row."""
    raw = subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (width, height, left, top), "+repage",
                          "-depth", "8", "rgb:-"], check=True, stdout=subprocess.PIPE, timeout=60).stdout
    pixels = [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]
    return [pixels[y * width:(y + 1) * width] for y in range(height)]


class PlayerCase(DesktopTestCase):
    """The screensaver on a folder of its own, driven by keys."""
    def setUp(self):
        self.player = PlayerFolder("companions")
        self.media = os.path.join(self.player.path, "media")

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    def start(self, **settings):
        values = {"DIRNAME": win_path(self.media), "CONTINUOUS_PLAY": "FALSE", "EXCEPTION_BEEP": "FALSE"}
        values.update({k: str(v) for k, v in settings.items()})
        self.player.write_ini(values)
        self.proc = self.desktop.start_program(self.player.exe, ["/s"])
        return self.desktop.wait_window("VelmoraClass", "Velmora")

    def video_shown(self, main_window):
        return any(w["visible"] for w in self.desktop.children(main_window["hwnd"]))

    def press(self, key):
        time.sleep(0.6)  # past the debounce of the last handled key
        self.desktop.key(key)
        time.sleep(0.4)

    def shown(self, cls):
        return [w.rect for w in self.desktop.windows(cls)]

    def press_until(self, key, cls, shown=True):
        """Presses key until windows of class cls show (or none does); their
        rectangles. A key pressed while the player is still starting can be
        lost."""
        for attempt in range(3):
            self.press(key)
            try:
                return wait_for(lambda: bool(self.shown(cls)) == shown and (self.shown(cls) or [None]),
                                timeout=5, what="class %s shown: %s" % (cls, shown))
            except AssertionError:
                if attempt == 2:
                    raise

    def px(self, *values):
        """Sizes of the 96-DPI screen at this class's DPI (its screen is as
        much larger)."""
        scaled = tuple(v * self.desktop.dpi // 96 if v is not None else None for v in values)
        return scaled[0] if len(scaled) == 1 else scaled

    def end(self):
        self.press("x")
        self.assertEqual(self.wait_exit(self.proc), 0)


class CompanionsTest(PlayerCase):

    def test_playlist_sizes_highlight_scroll_and_enter(self):
        make_clips(self.media, ["clip01.avi"], seconds=60, size="160x120", audio_streams=0)
        for n in range(2, 13):
            shutil.copy(os.path.join(self.media, "clip01.avi"), os.path.join(self.media, "clip%02d.avi" % n))
        main_window = self.start(PLAYLIST_LEFTSIDE="TRUE", PLAYLIST_FONTSIZE=100)
        wait_for(lambda: self.video_shown(main_window), what="first file playing")
        for rect in ((0, 0, 256, 768), (0, 0, 512, 768), (0, 0, 768, 768), (0, 0, 1024, 768), None):
            self.press("p")
            self.assertEqual(self.shown("PlaylistWindowClass"), [self.px(*rect)] if rect else [])
        self.press("p")
        self.press("p")  # half the screen, on the left

        def look(name):
            """Rows of the panel's strip left of the text, and the panel."""
            path = self.desktop.screenshot(os.path.join(self.player.path, name))
            width, height = self.px(512, 768)
            panel = region_colours(path, 0, 0, width, height)
            bar = [y for y in range(height) if panel[y][5] == GREY]
            return path, panel, (bar[0], bar[-1] + 1) if bar else None

        _, _, first = look("start.png")
        self.desktop.key("Down")
        path, panel, second = look("down.png")
        pitch = second[0] - first[0]
        self.assertEqual(first, (1, 1 + pitch))  # the playing file was highlighted
        # The playing file keeps cyan off the bar; the bar's text is black.
        self.assertIn(CYAN, set(panel[first[0] + pitch // 2][10:self.px(500)]))
        self.assertIn((0, 0, 0), {c for row in panel[second[0]:second[1]] for c in row[10:self.px(500)]})

        rows = (self.px(768) - 2) // pitch
        self.desktop.xdotool("key", "--delay", "100", *["Down"] * (rows - 2))
        _, _, last = look("last.png")
        self.assertEqual(last, (1 + (rows - 1) * pitch, 1 + rows * pitch))
        self.desktop.key("Down")  # on the last visible row: the list scrolls
        _, panel, scrolled = look("scrolled.png")
        self.assertEqual(scrolled, last)
        self.assertNotIn(CYAN, {c for row in panel for c in row})  # clip01 went off the top

        self.press("Return")  # plays the highlighted file, now blue on the bar
        wait_for(lambda: BLUE in {c for row in look("played.png")[1][last[0]:last[1]] for c in row},
                 timeout=10, what="playing file on the bar")
        self.end()
        self.assertEqual(self.player.read_ini().get("PLAYING"), "clip%02d.avi" % (rows + 1))

    def test_key_help_centred_and_hidden_by_f(self):
        make_clips(self.media, ["a.avi"], seconds=60, size="320x240", audio_streams=0)
        self.start()
        self.assertEqual(self.press_until("h", "KeyHelpWindowClass"), [self.px(112, 84, 912, 684)])
        path = self.desktop.screenshot(os.path.join(self.player.path, "keyhelp.png"))
        inner = [c for row in region_colours(path, *self.px(120, 90, 780, 560)) for c in row]
        self.assertGreater(inner.count((255, 255, 255)), len(inner) // 2)
        self.assertGreater(sum(1 for c in inner if max(c) < 80), 2000)  # rows of text
        self.press("f")  # hides the key help first, then shows the overlay
        self.assertEqual(self.shown("KeyHelpWindowClass"), [])
        self.assertEqual(len(self.shown("FrontWindowClass")), 1)
        self.end()


def runs(values):
    """(start, end) of each run of true values."""
    found, start = [], None
    for i, v in enumerate(list(values) + [False]):
        if v and start is None:
            start = i
        elif not v and start is not None:
            found.append((start, i))
            start = None
    return found


class ScaledEnglishCompanionsTest(CompanionsTest):
    """At 150 % on an English system the program still works in code page
    932, and on a screen 1.5 times as large it looks as at 100 %."""
    locale = "en_US.UTF-8"
    dpi = 144

    def setUp(self):
        super().setUp()
        os.makedirs(SHOTS, exist_ok=True)

    def sizes(self, tag):
        """Overlay bar height, key help panel size, its text's row pitch and
        tallest row of ink, playlist row pitch, measured on the screen (the
        three show one at a time)."""
        width, height = self.desktop.screen
        self.start(DISP_FILENAME="TRUE", PLAYLIST_LEFTSIDE="TRUE", PLAYLIST_FONTSIZE=20, DISP_FONTSIZE=20)

        def overlay():
            path = self.desktop.screenshot(os.path.join(SHOTS, tag + "_overlay.png"))
            bar = runs(row[0] == WHITE for row in region_colours(path, width - 3, 0, 1, 200))
            return bar[0] if bar and bar[0][0] == 0 else None
        bar = wait_for(overlay, what="the overlay")
        self.press_until("f", "FrontWindowClass", shown=False)
        (left, top, right, bottom), = self.press_until("h", "KeyHelpWindowClass")

        def key_help():
            path = self.desktop.screenshot(os.path.join(SHOTS, tag + "_keyhelp.png"))
            panel = region_colours(path, left + 3, top + 3, right - left - 6, bottom - top - 6)
            ink = runs(any(max(c) < 80 for c in row) for row in panel)
            return ink if len(ink) >= 10 else None
        ink = wait_for(key_help, what="the key help painted")
        steps = [b[0] - a[0] for a, b in zip(ink, ink[1:])]
        pitch = max(set(steps), key=steps.count)
        self.press_until("h", "KeyHelpWindowClass", shown=False)
        self.press_until("p", "PlaylistWindowClass")

        def highlight():
            path = self.desktop.screenshot(os.path.join(SHOTS, tag + "_playlist.png"))
            return runs(row[5] == GREY for row in region_colours(path, 0, 0, 10, 200))
        (row_top, row_bottom), = wait_for(highlight, what="the highlight bar")
        self.end()
        DesktopTestCase.tearDown(self)  # the next measurement starts afresh
        return {"bar": bar[1] - bar[0], "row": row_bottom - row_top, "panel": (right - left, bottom - top),
                "pitch": pitch, "ink": max(b - a for a, b in ink if b - a < pitch)}

    def test_sizes_are_one_and_a_half_times_those_at_96_dpi(self):
        make_clips(self.media, ["a.avi", "b.avi", "c.avi"], seconds=60, size="320x240", audio_streams=0,
                   picture="color=c=red")
        scaled = self.sizes("dpi144")
        self.addCleanup(self.desktop.set_dpi, self.desktop.dpi)
        self.desktop.set_dpi(96)
        normal = self.sizes("dpi96")
        for key in ("bar", "row", "pitch", "ink"):
            self.assertLessEqual(abs(scaled[key] - 1.5 * normal[key]), 2, "%s: %r" % (key, (normal, scaled)))
        self.assertEqual(scaled["panel"], (normal["panel"][0] * 3 // 2, normal["panel"][1] * 3 // 2))

    def test_japanese_names_play_and_show_as_on_a_japanese_system(self):
        self.media = os.path.join(self.player.path, "\u52d5\u753b")                     # 動画
        make_clips(self.media, ["\u6620\u50cf%d.avi" % n for n in (1, 2)], seconds=60,  # 映像1, 映像2
                   size="320x240", audio_streams=0, picture="color=c=red")
        width, height = self.desktop.screen

        def look(tag):
            main_window = self.start(DISP_FILENAME="TRUE", PLAYLIST_POSITION=1, PLAYLIST_FONTSIZE=40)
            wait_for(lambda: self.video_shown(main_window), what="the first file playing")

            def painted():
                path = self.desktop.screenshot(os.path.join(SHOTS, tag + ".png"))
                # Left of the playlist, right of the text.
                bar = runs(row[0] == WHITE for row in region_colours(path, width * 5 // 8, 0, 1, 200))
                if not bar or bar[0][0] != 0:
                    return None
                # Right of the play time, which goes on.
                name = region_colours(path, bar[0][1] * 3, 0, width // 2, bar[0][1])
                listed = region_colours(path, width * 3 // 4, bar[0][1], width // 4, height // 4)
                ink = sum(1 for row in name for c in row if max(c) < 80)
                return (name, listed) if ink > 50 and GREY in {c for row in listed for c in row} else None
            name, listed = wait_for(painted, what="the name on the bar and the playlist")
            self.end()
            return name, listed, self.player.read_ini().get("PLAYING")

        english = look("names_english")
        self.assertEqual(english[2], "\u6620\u50cf1.avi")
        env = dict(self.desktop.env)
        self.desktop.env.update({"LC_ALL": "ja_JP.UTF-8", "LANG": "ja_JP.UTF-8"})
        try:
            japanese = look("names_japanese")
        finally:
            self.desktop.env = env
        self.assertTrue(english[0] == japanese[0], "the name on the bar differs from a Japanese system's")
        self.assertTrue(english[1] == japanese[1], "the playlist differs from a Japanese system's")


if __name__ == "__main__":
    main()
