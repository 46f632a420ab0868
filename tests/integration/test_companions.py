"""The playlist and key help windows as the user sees them: sizes, the
playing file and the highlight bar, scrolling, Enter, and the key table."""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import DesktopTestCase, PlayerFolder, main, make_clips, wait_for, win_path

GREY, CYAN, BLUE = (192, 192, 192), (0, 255, 255), (0, 0, 255)


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
            self.assertEqual(self.shown("PlaylistWindowClass"), [rect] if rect else [])
        self.press("p")
        self.press("p")  # half the screen, on the left

        def look(name):
            """Rows of the panel's strip left of the text, and the panel."""
            path = self.desktop.screenshot(os.path.join(self.player.path, name))
            panel = region_colours(path, 0, 0, 512, 768)
            bar = [y for y in range(768) if panel[y][5] == GREY]
            return path, panel, (bar[0], bar[-1] + 1) if bar else None

        _, _, first = look("start.png")
        self.desktop.key("Down")
        path, panel, second = look("down.png")
        pitch = second[0] - first[0]
        self.assertEqual(first, (1, 1 + pitch))  # the playing file was highlighted
        # The playing file keeps cyan off the bar; the bar's text is black.
        self.assertIn(CYAN, set(panel[first[0] + pitch // 2][10:500]))
        self.assertIn((0, 0, 0), {c for row in panel[second[0]:second[1]] for c in row[10:500]})

        rows = 766 // pitch
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
        self.press("h")
        self.assertEqual(self.shown("KeyHelpWindowClass"), [(112, 84, 912, 684)])
        path = self.desktop.screenshot(os.path.join(self.player.path, "keyhelp.png"))
        inner = [c for row in region_colours(path, 120, 90, 780, 560) for c in row]
        self.assertGreater(inner.count((255, 255, 255)), len(inner) // 2)
        self.assertGreater(sum(1 for c in inner if max(c) < 80), 2000)  # rows of text
        self.press("f")  # hides the key help first, then shows the overlay
        self.assertEqual(self.shown("KeyHelpWindowClass"), [])
        self.assertEqual(len(self.shown("FrontWindowClass")), 1)
        self.end()


if __name__ == "__main__":
    main()
