"""A user who may not write the player's folder (both programs in the system
folder) keeps settings and resume points in a file of their own, and the
administrator's file beside the player stays as it was."""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import DesktopTestCase, PlayerFolder, main, make_clips, read_ini, wait_for, win_path

USER = "vlmtester"
IDOK, IDCANCEL = 1, 2
PSM_GETCURRENTPAGEHWND = 0x476


class UserSettingsTest(DesktopTestCase):
    user = USER

    def setUp(self):
        self.player = PlayerFolder("user-settings")
        self.media = make_clips(os.path.join(self.player.path, "media"), ["a.avi"], seconds=60, size="64x48")
        # The administrator's defaults and a remembered place, but no current folder.
        self.player.write_ini({"SEEKTIME1": "45", "HISTORY_DIRNAME01": win_path(self.media),
                               "HISTORY_FILENAME01": "a.avi", "HISTORY_STOPPOSITION01": "50"})
        os.chmod(self.player.path, 0o755)  # root's, 644 files, like the system folder
        with open(self.player.ini, "rb") as f:
            self.beside = f.read()
        self.folder = os.path.join(self.desktop.prefix, "drive_c", "users", USER, "AppData", "Roaming", "Velmora")
        shutil.rmtree(self.folder, ignore_errors=True)
        self.ini = os.path.join(self.folder, "Velmora.ini")

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    def assert_beside_untouched(self):
        with open(self.player.ini, "rb") as f:
            self.assertEqual(f.read(), self.beside)

    def play_until_stopped(self, *args):
        """Plays a moment, asking nothing, and stops; gives the user's file."""
        proc = self.desktop.start_program(self.player.exe, ["/s"] + list(args))
        self.desktop.wait_window("VelmoraClass", "Velmora")
        time.sleep(2.0)  # past the start's key debounce, into playing
        self.assertEqual(self.desktop.windows("#32770"), [])
        self.desktop.key("x")
        self.wait_exit(proc)
        return read_ini(self.ini)

    def open_sheet(self):
        self.proc = self.desktop.start_program(self.player.exe, ["/c"])
        sheet = self.desktop.wait_window("#32770", "Velmora Configuration")["hwnd"]
        return sheet, self.desktop.send(sheet, PSM_GETCURRENTPAGEHWND)

    def test_screensaver_keeps_folder_history_and_resume_point_in_the_users_file(self):
        first = self.play_until_stopped(win_path(self.media))
        self.assertEqual(first["SEEKTIME1"], "45")  # started from the administrator's file
        self.assertEqual((first["DIRNAME"], first["HISTORY_DIRNAME01"]), (win_path(self.media),) * 2)
        self.assertEqual(first["PLAYING"], "a.avi")
        stop = int(first["STOP_POSITION"])
        self.assertTrue(47 <= stop < 58, stop)  # resumed from the remembered 50 s
        self.assertEqual(first["HISTORY_STOPPOSITION01"], str(stop))
        # Only the user's file names a current folder: played from its resume point.
        self.assertGreaterEqual(int(self.play_until_stopped()["STOP_POSITION"]), stop - 3)
        self.assert_beside_untouched()

    def test_configuration_ok_writes_the_users_file(self):
        sheet, page1 = self.open_sheet()
        self.desktop.set_text(self.desktop.control(page1, 1201)["hwnd"], "avi|mkv")
        self.desktop.click(sheet, IDOK)
        self.assertEqual(self.wait_exit(self.proc, timeout=60), 0)
        self.assertEqual(read_ini(self.ini)["EXTENSIONS"], "avi|mkv")
        self.assert_beside_untouched()

    def test_a_file_that_cannot_be_written_is_reported(self):
        os.makedirs(self.folder)
        shutil.copy(self.player.ini, self.ini)
        for path in (self.folder, self.ini):
            shutil.chown(path, USER)
        os.chmod(self.ini, 0o444)
        # The screensaver plays on and says it once, in the log beside the file.
        self.play_until_stopped(win_path(self.media))
        with open(os.path.join(self.folder, "VelmoraExp.log"), "rb") as f:
            lines = f.read().decode("cp932").splitlines()
        self.assertEqual(len(lines), 1)
        self.assertRegex(lines[0], r"^1300 C:\\users\\%s\\AppData\\Roaming\\Velmora\\Velmora\.ini\(0x" % USER)
        # The sheet's OK says so, with the file, and stays open.
        sheet, _ = self.open_sheet()
        self.desktop.click(sheet, IDOK)
        box, texts = self.desktop.wait_message_box(caption="エラー")
        self.assertTrue(texts[-1].startswith("設定を保存できませんでした。"), texts)
        self.assertTrue(texts[-1].endswith("\\Velmora\\Velmora.ini"), texts)
        self.desktop.click(box["hwnd"], IDOK)
        wait_for(lambda: [w["hwnd"] for w in self.desktop.windows("#32770")] == [sheet], what="the sheet alone")
        self.desktop.click(sheet, IDCANCEL)
        self.assertEqual(self.wait_exit(self.proc, timeout=60), 0)


if __name__ == "__main__":
    main()
