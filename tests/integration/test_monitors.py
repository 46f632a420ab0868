"""The screensaver on a desk of two monitors: every monitor covered (the
uncovered desktop would show magenta), the video on the monitor the
setting names, mouse travel and clicks on either monitor, the questions and
dialogs on the playing monitor, and a monitor left of the main one."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import main, make_clips, seconds_since, wait_for, win_path
from test_companions import PlayerCase

IDOK, IDCANCEL, WM_CLOSE, WM_DISPLAYCHANGE = 1, 2, 0x10, 0x7E
PSM_SETCURSEL = 0x0400 + 101
BLACK, MAGENTA, RED = (0, 0, 0), (255, 0, 255), (255, 0, 0)
# Screenshots stay here to be looked at.
SHOTS = os.path.join(os.environ.get("VLM_BUILD") or os.path.join(os.path.dirname(__file__), "..", "..", "build"),
                     "itest-shots")


def greenish(rgb):
    """The video's lime after compression."""
    return rgb[1] > 200 and rgb[0] < 80 and rgb[2] < 80


def colour_counts(path, left, top, width, height):
    """How many pixels of each colour a region of a screenshot holds."""
    out = subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (width, height, left, top), "+repage",
                          "-depth", "8", "-format", "%c", "histogram:info:-"], check=True,
                         stdout=subprocess.PIPE, timeout=60).stdout.decode()
    counts = {}
    for line in out.splitlines():
        count, _, rest = line.strip().partition(":")
        rgb = rest[rest.index("(") + 1:rest.index(")")].split(",")[:3]
        counts[tuple(int(float(v)) for v in rgb)] = int(count)
    return counts


class MonitorCase(PlayerCase):
    """X screen regions by monitor: (x, y, width, height) in X coordinates."""
    regions = {}

    def start_clip(self, **settings):
        # 16:9 on 4:3 monitors: the video's own black bars lie on the playing monitor.
        make_clips(self.media, ["a.avi"], seconds=60, size="320x180", audio_streams=0, picture="color=c=lime")
        main_window = self.start(**settings)
        wait_for(lambda: self.video_shown(main_window), what="video playing")
        return main_window

    def look(self, name, playing):
        """Screenshot once the screen has settled: the playing monitor shows
        the lime video, every other one is black, and no magenta desktop
        shows anywhere. Gives the path of the screenshot."""
        os.makedirs(SHOTS, exist_ok=True)
        path = os.path.join(SHOTS, name)
        seen = []

        def settled():
            self.desktop.screenshot(path)
            for monitor, region in self.regions.items():
                counts = colour_counts(path, *region)
                lime = sum(n for rgb, n in counts.items() if greenish(rgb))
                wrong = MAGENTA in counts or (lime < 10000 if monitor == playing else
                                              counts != {BLACK: region[2] * region[3]})
                if wrong:
                    seen[:] = [monitor, sorted(counts.items(), key=lambda c: -c[1])[:4]]
                    return False
            return True
        try:
            wait_for(settled, timeout=20, interval=0.5, what="settled screen")
        except AssertionError:
            self.fail("%s: last seen %r" % (name, seen))
        return path


class TwoMonitorsTest(MonitorCase):
    monitors = (2048, 768, [("MonA", 1024, 768, 0, 0), ("MonB", 1024, 768, 1024, 0)])
    regions = {"main": (0, 0, 1024, 768), "second": (1024, 0, 1024, 768)}

    def test_video_on_main_monitor_second_covered_and_mouse_there_ends(self):
        self.start_clip()
        self.assertEqual(self.shown("VelmoraClass"), [(0, 0, 1024, 768)])
        covers = self.desktop.windows("CoverWindowClass")
        self.assertEqual([(w.rect, w["topmost"]) for w in covers], [((1024, 0, 2048, 768), True)])
        self.look("main.png", "main")
        self.desktop.mouse_move(1500, 400)
        self.assertEqual(self.wait_exit(self.proc), 0)

    def test_end_gives_both_monitors_back_at_once_and_records_the_resume_point(self):
        self.desktop.unmanaged_windows(True)
        try:
            self.start_clip(PLAY_MONITOR=2)
        finally:
            self.desktop.unmanaged_windows(False)
        shown = time.monotonic()
        time.sleep(3)
        self.desktop.key("x")
        pressed = time.monotonic()
        shot = os.path.join(SHOTS, "end.png")

        def desktop_on_both():
            self.desktop.screenshot(shot)
            return all(colour_counts(shot, x + 500, 380, 8, 8) == {MAGENTA: 64} for x in (0, 1024))
        wait_for(desktop_on_both, timeout=10, interval=0.02, what="desktop on both monitors")
        self.assertLess(time.monotonic() - pressed, 1.0)
        self.assertEqual(self.wait_exit(self.proc), 0)
        ini = self.player.read_ini()
        self.assertEqual(ini.get("PLAYING"), "a.avi")
        self.assertTrue(2 <= int(ini["STOP_POSITION"]) <= seconds_since(shown), ini.get("STOP_POSITION"))

    def test_video_on_monitor_2_with_its_windows_and_dialog(self):
        self.start_clip(PLAY_MONITOR=2)
        self.assertEqual(self.shown("VelmoraClass"), [(1024, 0, 2048, 768)])
        self.assertEqual(self.shown("CoverWindowClass"), [(0, 0, 1024, 768)])
        self.look("second.png", "second")
        self.press("h")
        self.assertEqual(self.shown("KeyHelpWindowClass"), [(1024 + 112, 84, 1024 + 912, 684)])
        self.press("h")
        # The folder dialog sits in the middle of the playing monitor.
        self.press("Escape")
        box, _ = self.desktop.wait_message_box("フォルダ選択")
        self.assertLess(abs((box["left"] + box["right"]) // 2 - 1536), 8, box.rect)
        self.desktop.click(box["hwnd"], IDCANCEL)
        self.assertEqual(self.wait_exit(self.proc), 0)

    def test_failure_question_on_monitor_2(self):
        os.makedirs(self.media)
        with open(os.path.join(self.media, "broken.avi"), "wb") as f:
            f.write(b"RIFF" + b"\x5a" * 4096)
        self.start(PLAY_MONITOR=2)
        box, texts = self.desktop.wait_message_box()
        self.assertIn("broken.avi の再生に失敗しました。", " ".join(texts))
        self.assertLess(abs((box["left"] + box["right"]) // 2 - 1536), 8, box.rect)
        self.assertEqual(self.shown("CoverWindowClass"), [(0, 0, 1024, 768)])
        self.desktop.click(box["hwnd"], IDCANCEL)
        self.assertEqual(self.wait_exit(self.proc), 0)

    def test_message_at_the_end_on_monitor_2(self):
        make_clips(self.media, ["a.avi"], seconds=60, size="320x180", audio_streams=0)
        self.player.write_ini({"DIRNAME": win_path(self.media), "PLAY_MONITOR": "2", "CHANGE_RESOLUTION": "TRUE",
                               "FIXED_VGA": "TRUE"})
        # The screen goes as soon as it came: no window to wait for.
        self.proc = self.desktop.start_program(self.player.exe, ["/s"])
        box, texts = self.desktop.wait_message_box()
        self.assertIn("解像度変更：VGAサイズ(640x480)が使用できません。", texts)
        self.assertLess(abs((box["left"] + box["right"]) // 2 - 1536), 8, box.rect)
        self.desktop.click(box["hwnd"], IDOK)
        self.assertEqual(self.wait_exit(self.proc), 0)

    def test_display_change_covers_again(self):
        main_window = self.start_clip()
        cover = self.desktop.wait_window("CoverWindowClass")
        self.desktop.send(cover["hwnd"], WM_CLOSE)  # a monitor left uncovered
        wait_for(lambda: not self.desktop.windows("CoverWindowClass"), what="cover gone")
        self.desktop.probe("post", main_window["hwnd"], WM_DISPLAYCHANGE, 32, 768 << 16 | 1024)
        wait_for(lambda: self.shown("CoverWindowClass") == [(1024, 0, 2048, 768)], what="covered again")
        self.look("display-change.png", "main")
        self.assertIsNone(self.proc.poll())
        self.end()

    def test_mouse_travel_on_main_monitor_ends_play_on_monitor_2(self):
        self.start_clip(PLAY_MONITOR=2)
        self.desktop.mouse_move(500, 400)
        self.assertEqual(self.wait_exit(self.proc), 0)

    def test_click_on_the_cover_pauses(self):
        main_window = self.start_clip(IGNOREMOUSE="TRUE", DISP_FILENAME="TRUE")
        self.desktop.mouse_move(1500, 400)
        time.sleep(0.6)
        self.desktop.xdotool("click", 1)
        # The paused state's red letter in the bar on the main monitor.
        wait_for(lambda: colour_counts(self.desktop.screenshot(os.path.join(self.player.path, "paused.png")),
                                       0, 0, 1024, 40).get(RED, 0) > 20, what="pause letter")
        self.assertIsNone(self.proc.poll())
        self.end()

    def test_settings_page_lists_the_monitors(self):
        self.player.write_ini({"PLAY_MONITOR": "2"})
        self.proc = self.desktop.start_program(self.player.exe, ["/c"])
        sheet = self.desktop.wait_window("#32770", "Velmora Configuration")
        self.desktop.send(sheet["hwnd"], PSM_SETCURSEL, 2)
        combo = wait_for(lambda: self.combo(sheet), what="monitor list of page 3")
        self.assertEqual(combo["title"], "モニター 2 (1024x768)")
        self.desktop.send(sheet["hwnd"], WM_CLOSE)
        self.assertEqual(self.wait_exit(self.proc), 0)

    def combo(self, sheet):
        for page in self.desktop.children(sheet["hwnd"]):
            if page["cls"] == "#32770":
                found = self.desktop.control(page["hwnd"], 1800)
                if found:
                    return found
        return None


class LeftMonitorTest(MonitorCase):
    """The second monitor left of the main one: Wine puts it at (-800, 0);
    X's bottom left corner below it belongs to no monitor."""
    monitors = (1824, 768, [("MonR", 1024, 768, 800, 0), ("MonL", 800, 600, 0, 0)])
    regions = {"main": (800, 0, 1024, 768), "left": (0, 0, 800, 600)}

    def test_video_on_the_left_monitor_at_negative_coordinates(self):
        self.start_clip(PLAY_MONITOR=2)
        self.assertEqual(self.shown("VelmoraClass"), [(-800, 0, 0, 600)])
        self.assertEqual(self.shown("CoverWindowClass"), [(0, 0, 1024, 768)])
        # Hidden, the playlist waits in its quarter on the right of its monitor.
        playlist = self.desktop.windows("PlaylistWindowClass", visible_only=False)
        self.assertEqual([w.rect for w in playlist], [(-200, 0, 0, 600)])
        self.press("h")  # the 800x600 class fills the monitor
        self.assertEqual(self.shown("KeyHelpWindowClass"), [(-800, 0, 0, 600)])
        self.press("h")
        self.look("left.png", "left")
        self.press("Escape")
        box, _ = self.desktop.wait_message_box("フォルダ選択")
        self.assertLess(abs((box["left"] + box["right"]) // 2 + 400), 8, box.rect)
        self.desktop.click(box["hwnd"], IDCANCEL)
        self.assertEqual(self.wait_exit(self.proc), 0)

    def test_mouse_travel_on_the_left_monitor_ends_play_on_the_main_one(self):
        self.start_clip()
        self.assertEqual(self.shown("CoverWindowClass"), [(-800, 0, 0, 600)])
        self.look("left-main.png", "main")
        self.desktop.mouse_move(300, 300)
        self.assertEqual(self.wait_exit(self.proc), 0)


if __name__ == "__main__":
    main()
