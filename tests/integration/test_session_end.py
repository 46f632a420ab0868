"""The resume point survives the end of the session (shutdown, logoff,
restart) and sleep: the system ends the player without WM_DESTROY."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import DesktopTestCase, PlayerFolder, main, make_clips, seconds_since, wait_for, win_path

WM_ENDSESSION, WM_POWERBROADCAST, PBT_APMSUSPEND = 0x0016, 0x0218, 4


class SessionEndTest(DesktopTestCase):

    def setUp(self):
        self.player = PlayerFolder("session")
        self.clip = os.path.join(make_clips(os.path.join(self.player.path, "media"), ["a.avi"], seconds=40), "a.avi")

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    def start(self):
        """Starts the screensaver; gives the process, its main window and the
        time its video appeared."""
        proc = self.desktop.start_program(self.player.exe, ["/s"])
        main_window = self.desktop.wait_window("VelmoraClass", "Velmora")
        wait_for(lambda: [w for w in self.desktop.children(main_window["hwnd"]) if w["visible"]],
                 timeout=30, what="the video")
        return proc, main_window["hwnd"], time.monotonic()

    def stop_soon(self, proc, shown):
        """Ends about a second into play, short of the 3 seconds a resume steps
        back; gives the whole seconds the video was on the screen (on a busy
        machine more than the second meant)."""
        time.sleep(0.6)
        self.desktop.key("x")
        self.assertEqual(self.wait_exit(proc), 0)
        return seconds_since(shown)

    def ini_image(self):
        with open(self.player.ini, "rb") as f:
            return f.read()

    def assert_near(self, seconds, started, before):
        """seconds lies within 2 s of the time played between before and now."""
        self.assertTrue(before - 2 <= seconds <= time.monotonic() - started + 2, (seconds, before))

    def test_resume_point_survives_the_end_of_the_session(self):
        folder = win_path(os.path.dirname(self.clip))
        cases = [
            # settings, resume keys and the file they name, further keys that agree
            ({"DIRNAME": folder, "HISTORY_DIRNAME01": folder}, ("PLAYING", "a.avi", "STOP_POSITION"),
             ("HISTORY_FILENAME01", "HISTORY_STOPPOSITION01")),
            ({"PROGRAM_PLAY": "TRUE", "PROGRAM_FILENAME01": win_path(self.clip)},
             ("PROGRAM_PLAY_NO", "1", "PROGRAM_STOPPOSITION"), None),
        ]
        for settings, (file_key, file_value, position_key), history in cases:
            with self.subTest(file_key):
                self.player.write_ini(settings)
                proc, _, started = self.start()
                time.sleep(8)
                before = time.monotonic() - started
                subprocess.run(["wineboot", "--end-session", "--force"], env=self.desktop.env, check=True,
                               timeout=120, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                self.wait_exit(proc)
                ini = self.player.read_ini()
                self.assertEqual(ini.get(file_key), file_value)
                first = int(ini[position_key])
                self.assert_near(first, started, before)
                if history:
                    self.assertEqual((ini.get(history[0]), ini.get(history[1])), (file_value, str(first)))

                proc, _, shown = self.start()
                played = self.stop_soon(proc, shown)
                second = int(self.player.read_ini()[position_key])
                self.assertTrue(first - 3 <= second <= first - 3 + played, (first, second, played))

    def test_sleep_records_and_plays_on_and_a_cancelled_end_changes_nothing(self):
        self.player.write_ini({"DIRNAME": win_path(os.path.dirname(self.clip))})
        proc, window, started = self.start()
        positions = []
        for _ in range(2):
            time.sleep(4)
            before = time.monotonic() - started
            last = self.player.read_ini().get("STOP_POSITION")
            self.desktop.probe("post", window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0)
            # Written key by key: PLAYING, STOP_POSITION, then the folder's
            # history entry.
            ini = wait_for(lambda: (lambda v: v.get("STOP_POSITION") not in (None, last) and
                                    v.get("HISTORY_STOPPOSITION01") == v["STOP_POSITION"] and v)(self.player.read_ini()),
                           timeout=10, what="the position written on suspend")
            self.assertEqual((ini.get("PLAYING"), ini.get("HISTORY_FILENAME01")), ("a.avi", "a.avi"))
            positions.append(int(ini["STOP_POSITION"]))
            self.assert_near(positions[-1], started, before)

            # A cancelled end writes nothing and play goes on (the next
            # suspend records a later position).
            image = self.ini_image()
            self.desktop.probe("post", window, WM_ENDSESSION, 0, 0)
            time.sleep(1)
            self.assertEqual(self.ini_image(), image)
            self.assertIsNone(proc.poll(), "the screensaver ended")
        self.assertGreaterEqual(positions[1], positions[0] + 3)
        self.stop_soon(proc, started)
        self.assertGreater(int(self.player.read_ini()["STOP_POSITION"]), positions[1])


if __name__ == "__main__":
    main()
