"""The resume point survives the end of the session (shutdown, logoff,
restart) and sleep: the system ends the player without WM_DESTROY."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import DesktopTestCase, PlayerFolder, main, make_clips, wait_for, win_path

WM_ENDSESSION = 0x0016
WM_POWERBROADCAST = 0x0218
PBT_APMSUSPEND = 4

RECT_4_3 = (0, 0, 1024, 768)      # 320x240 fitted to the screen
RECT_16_9 = (0, 96, 1024, 672)    # 320x180


class SessionEndTest(DesktopTestCase):

    def setUp(self):
        self.player = PlayerFolder("session")
        self.media = os.path.join(self.player.path, "media")
        make_clips(self.media, ["a.avi"], seconds=40, size="320x240")
        make_clips(self.media, ["b.avi"], seconds=40, size="320x180")

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    # ---- helpers
    def settings(self, **values):
        base = {"EXCEPTION_BEEP": "FALSE"}
        base.update({k: str(v) for k, v in values.items()})
        self.player.write_ini(base)

    def start(self, rect):
        """Starts the screensaver; gives the process, its main window and the
        time its video appeared at rect."""
        proc = self.desktop.start_program(self.player.exe, ["/s"])
        main_window = self.desktop.wait_window("VelmoraClass", "Velmora")
        self.wait_video(main_window, rect)
        return proc, main_window, time.monotonic()

    def video_rect(self, main_window):
        kids = [w for w in self.desktop.children(main_window["hwnd"]) if w["visible"]]
        return kids[0].rect if kids else None

    def wait_video(self, main_window, rect):
        wait_for(lambda: self.video_rect(main_window) == rect, timeout=30, interval=0.1,
                 what="video at %r (now %r)" % (rect, self.video_rect(main_window)))

    def end_session(self, proc, started):
        """Ends the Wine session; gives the played seconds before and after."""
        before = time.monotonic() - started
        subprocess.run(["wineboot", "--end-session", "--force"], env=self.desktop.env, check=True,
                       timeout=120, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        after = time.monotonic() - started
        self.wait_exit(proc, timeout=30)
        return before, after

    def assert_recorded_at(self, seconds, played):
        before, after = played
        self.assertTrue(before - 2 <= seconds <= after + 2, (seconds, played))

    def stop_soon(self, proc):
        """Ends the screensaver about a second into play: well short of the 3
        seconds that a resume steps back."""
        time.sleep(0.6)
        self.desktop.key("x")
        self.assertEqual(self.wait_exit(proc), 0)

    def suspend(self, main_window):
        self.desktop.probe("post", main_window["hwnd"], WM_POWERBROADCAST, PBT_APMSUSPEND, 0)

    # ---- cases
    def test_folder_resume_point_survives_the_end_of_the_session(self):
        media = win_path(self.media)
        self.settings(DIRNAME=media, HISTORY_DIRNAME01=media)
        proc, main_window, started = self.start(RECT_4_3)
        time.sleep(8)
        played = self.end_session(proc, started)
        ini = self.player.read_ini()
        self.assertEqual(ini.get("PLAYING"), "a.avi")
        first = int(ini["STOP_POSITION"])
        self.assert_recorded_at(first, played)
        self.assertEqual((ini.get("HISTORY_FILENAME01"), ini.get("HISTORY_STOPPOSITION01")),
                         ("a.avi", str(first)))

        proc, main_window, _ = self.start(RECT_4_3)
        self.stop_soon(proc)
        second = int(self.player.read_ini()["STOP_POSITION"])
        self.assertTrue(first - 3 <= second <= first - 1, (first, second))

    def test_program_resume_point_survives_the_end_of_the_session(self):
        self.settings(PROGRAM_PLAY="TRUE", PROGRAM_FILENAME01=win_path(os.path.join(self.media, "a.avi")),
                      PROGRAM_FILENAME02=win_path(os.path.join(self.media, "b.avi")))
        proc, main_window, _ = self.start(RECT_4_3)
        time.sleep(0.6)
        self.desktop.key("space")
        self.wait_video(main_window, RECT_16_9)
        started = time.monotonic()
        time.sleep(6)
        played = self.end_session(proc, started)
        ini = self.player.read_ini()
        self.assertEqual(ini.get("PROGRAM_PLAY_NO"), "2")
        first = int(ini["PROGRAM_STOPPOSITION"])
        self.assert_recorded_at(first, played)
        self.assertEqual(ini.get("PLAYING", ""), "")

        proc, main_window, _ = self.start(RECT_16_9)
        self.stop_soon(proc)
        ini = self.player.read_ini()
        self.assertEqual(ini.get("PROGRAM_PLAY_NO"), "2")
        second = int(ini["PROGRAM_STOPPOSITION"])
        self.assertTrue(first - 3 <= second <= first - 1, (first, second))

    def test_sleep_records_and_plays_on_and_a_cancelled_end_changes_nothing(self):
        self.settings(DIRNAME=win_path(self.media))
        proc, main_window, started = self.start(RECT_4_3)
        time.sleep(4)
        before = time.monotonic() - started
        self.suspend(main_window)
        recorded = wait_for(lambda: self.player.read_ini().get("PLAYING") == "a.avi" and self.player.read_ini(),
                            timeout=10, what="the position written on suspend")
        first = int(recorded["STOP_POSITION"])
        self.assert_recorded_at(first, (before, time.monotonic() - started))

        # The end was cancelled: nothing is written and play goes on.
        with open(self.player.ini, "rb") as f:
            image = f.read()
        self.desktop.probe("post", main_window["hwnd"], WM_ENDSESSION, 0, 0)
        time.sleep(3)
        with open(self.player.ini, "rb") as f:
            self.assertEqual(f.read(), image)
        self.assertIsNone(proc.poll(), "the screensaver ended")
        self.assertEqual(self.video_rect(main_window), RECT_4_3)

        # Still playing: the next suspend records a later position.
        self.suspend(main_window)
        later = wait_for(lambda: int(self.player.read_ini()["STOP_POSITION"]) > first
                         and int(self.player.read_ini()["STOP_POSITION"]),
                         timeout=10, what="a later position on the second suspend")
        self.assertGreaterEqual(later, first + 2)
        self.stop_soon(proc)


if __name__ == "__main__":
    main()
