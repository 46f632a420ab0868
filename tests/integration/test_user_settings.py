"""A user who may not write the player's folder (both programs in the system
folder) keeps settings and resume points in a file of their own; the file
beside the player stays as it was."""
import os
import shutil
import sys
import time
from pathlib import Path

sys.path.insert(0, os.path.dirname(__file__))
from harness import DesktopTestCase, PlayerFolder, main, make_clips, read_ini, wait_for, win_path

USER = "vlmtester"


class UserSettingsTest(DesktopTestCase):
    user = USER

    def setUp(self):
        self.player = PlayerFolder("user-settings", base=self.desktop.outside)
        os.chmod(self.player.path, 0o755)  # root's, with 644 files, like the system folder
        self.media = make_clips(os.path.join(self.player.path, "media"), ["a.avi"], seconds=60, size="64x48")
        # The administrator's defaults and a remembered place, but no current folder.
        self.player.write_ini({"SEEKTIME1": "45", "HISTORY_DIRNAME01": win_path(self.media),
                               "HISTORY_FILENAME01": "a.avi", "HISTORY_STOPPOSITION01": "50"})
        self.beside = Path(self.player.ini).read_bytes()
        self.folder = os.path.join(self.desktop.prefix, "drive_c", "users", USER, "AppData", "Roaming", "Velmora")
        self.ini = os.path.join(self.folder, "Velmora.ini")
        shutil.rmtree(self.folder, ignore_errors=True)

    def tearDown(self):
        super().tearDown()
        beside = Path(self.player.ini).read_bytes()
        self.player.remove()
        self.assertEqual(beside, self.beside)

    def play_until_stopped(self, *args):
        """Plays a moment, asking nothing, and stops; gives the user's file."""
        proc = self.desktop.start_program(self.player.exe, ["/s"] + list(args))
        self.desktop.wait_window("VelmoraClass", "Velmora")
        time.sleep(2.0)  # past the start's key debounce, into playing
        self.assertEqual(self.desktop.windows("#32770"), [])
        self.desktop.key("x")
        self.wait_exit(proc)
        return read_ini(self.ini)

    def press_ok_in_the_sheet(self):
        proc = self.desktop.start_program(self.player.exe, ["/c"])
        sheet = self.desktop.wait_window("#32770", "Velmora Configuration")["hwnd"]
        page1 = self.desktop.send(sheet, 0x476)  # PSM_GETCURRENTPAGEHWND
        self.desktop.set_text(self.desktop.control(page1, 1201)["hwnd"], "avi|mkv")
        self.desktop.click(sheet, 1)
        return proc, sheet

    def test_screensaver_keeps_folder_history_and_resume_point_in_the_users_file(self):
        first = self.play_until_stopped(win_path(self.media))
        self.assertEqual(first["SEEKTIME1"], "45")  # started from the administrator's file
        self.assertEqual((first["DIRNAME"], first["HISTORY_DIRNAME01"]), (win_path(self.media),) * 2)
        stop = int(first["STOP_POSITION"])
        self.assertTrue(47 <= stop < 58, stop)  # resumed from the remembered 50 s
        self.assertEqual((first["PLAYING"], first["HISTORY_STOPPOSITION01"]), ("a.avi", str(stop)))
        # Only the user's file names a current folder: played from its resume point.
        self.assertGreaterEqual(int(self.play_until_stopped()["STOP_POSITION"]), stop - 3)

    def test_configuration_ok_writes_the_users_file(self):
        proc, _ = self.press_ok_in_the_sheet()
        self.assertEqual(self.wait_exit(proc, timeout=60), 0)
        self.assertEqual(read_ini(self.ini)["EXTENSIONS"], "avi|mkv")

    def test_a_file_that_cannot_be_written_is_reported(self):
        os.makedirs(self.folder)
        shutil.copy(self.player.ini, self.ini)
        shutil.chown(self.folder, USER)
        os.chmod(self.ini, 0o444)
        # The screensaver plays on and says it once, in the log beside the file.
        self.play_until_stopped(win_path(self.media))
        log = Path(self.folder, "VelmoraExp.log").read_bytes().decode("cp932")
        self.assertRegex(log, r"^1300 C:\\users\\%s\\AppData\\Roaming\\Velmora\\Velmora\.ini\(0x[0-9a-f]{8}\)\r\n$"
                         % USER)
        # The sheet's OK says so, with the file, and stays open.
        _, sheet = self.press_ok_in_the_sheet()
        box, texts = self.desktop.wait_message_box(caption="エラー")
        self.assertRegex(texts[-1], r"^設定を保存できませんでした。\(0x[0-9a-f]{8}\)\s+C:\\.*\\Velmora\\Velmora\.ini$")
        self.desktop.click(box["hwnd"], 1)
        wait_for(lambda: [w["hwnd"] for w in self.desktop.windows("#32770")] == [sheet], what="the sheet alone")


if __name__ == "__main__":
    main()
