"""The settings file of the real player under Wine: creation, the command-line
folder joining the history, and damaged files that must not stop the player."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import DesktopTestCase, PlayerFolder, main, make_clips, wait_for, win_path

IDOK, IDCANCEL = 1, 2
EXTENSION_MESSAGE = "拡張子列に不正文字が混入しています。"


def raw_values(path):
    """Section VELMORA as raw bytes per key (upper-case key names)."""
    values, inside = {}, False
    with open(path, "rb") as f:
        data = f.read()
    for line in data.split(b"\n"):
        line = line.rstrip(b"\r")
        if line.startswith(b"["):
            inside = line.strip().upper() == b"[VELMORA]"
        elif inside and b"=" in line:
            key, value = line.split(b"=", 1)
            values[key.strip().decode("ascii", "replace").upper()] = value
    return values


def whole_characters(data):
    """No code page 932 lead byte without its trail byte."""
    i = 0
    while i < len(data):
        if 0x81 <= data[i] <= 0x9F or 0xE0 <= data[i] <= 0xFC:
            if i + 1 >= len(data):
                return False
            i += 2
        else:
            i += 1
    return True


class SettingsFileTest(DesktopTestCase):

    def setUp(self):
        self.player = PlayerFolder("settings")

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    def folder(self, name):
        path = os.path.join(self.player.path, name)
        os.makedirs(path, exist_ok=True)
        return path

    def write_raw_ini(self, data):
        with open(self.player.ini, "wb") as f:
            f.write(data)

    def assert_player_runs(self, proc):
        """The main window appears and the process is still there a moment later."""
        self.desktop.wait_window("VelmoraClass", "Velmora")
        time.sleep(1.0)
        self.assertIsNone(proc.poll(), "the player ended")
        self.assertTrue(self.desktop.windows("VelmoraClass"))

    def test_missing_file_is_created_with_every_key(self):
        proc = self.desktop.start_program(self.player.exe, ["/s"])
        self.desktop.wait_window("VelmoraClass", "Velmora")
        values = wait_for(lambda: (lambda v: v if "PROGRAM_STOPPOSITION" in v else None)(self.player.read_ini()),
                          what="the new settings file")
        self.assertEqual(values["EXTENSIONS"], "avi|mpg|mpeg|wmv")
        self.assertEqual(values["EXCEPTION_BEEP"], "TRUE")
        self.assertEqual(values["CONTINUOUS_PLAY"], "TRUE")
        self.assertNotIn("EXCEPTION_LOG", values)
        self.assertEqual(values["HISTORY_FIXFLAG48"], "FALSE")
        self.assertNotIn("HISTORY_DIRNAME49", values)
        self.assertEqual(values["PROGRAM_END_POSITION100"], "-1")
        self.assertEqual(values["PROGRAM_PLAY_NO"], "1")
        self.assertEqual(values["PLAY_MONITOR"], "0")
        self.assertEqual(len(values), 49 + 48 * 4 + 100 * 3 + 2)
        self.assertIsNone(proc.poll())

    def check_new_folder_joins_after_pinned(self, name):
        pinned = self.folder("pinned")
        old = self.folder("old")
        new = self.folder(name)
        self.player.write_ini({
            "DIRNAME": win_path(old), "PLAYING": "old.avi", "STOP_POSITION": "40",
            "HISTORY_DIRNAME01": win_path(old), "HISTORY_FILENAME01": "old.avi", "HISTORY_STOPPOSITION01": "40",
            "HISTORY_FIXFLAG01": "FALSE",
            "HISTORY_DIRNAME02": win_path(pinned), "HISTORY_FILENAME02": "p.avi", "HISTORY_STOPPOSITION02": "7",
            "HISTORY_FIXFLAG02": "TRUE",
        })
        proc = self.desktop.start_program(self.player.exe, ["/s", win_path(new)])
        self.desktop.wait_window("VelmoraClass", "Velmora")
        values = wait_for(lambda: (lambda v: v if v.get("HISTORY_DIRNAME02") == win_path(new) else None)(
            self.player.read_ini()), what="the new folder in the history")
        self.assertEqual(values["DIRNAME"], win_path(new))
        self.assertEqual(values["PLAYING"], "")
        self.assertEqual(values["STOP_POSITION"], "0")
        self.assertEqual(values["PROGRAM_PLAY"], "FALSE")
        self.assertEqual(values["HISTORY_DIRNAME01"], win_path(pinned))
        self.assertEqual(values["HISTORY_FIXFLAG01"], "TRUE")
        self.assertEqual(values["HISTORY_FILENAME01"], "p.avi")
        self.assertEqual(values["HISTORY_FILENAME02"], "")
        self.assertEqual(values["HISTORY_FIXFLAG02"], "FALSE")
        self.assertEqual(values["HISTORY_DIRNAME03"], win_path(old))
        self.assertEqual(values["HISTORY_FILENAME03"], "old.avi")
        self.assertEqual(values["HISTORY_STOPPOSITION03"], "40")
        self.assertEqual(values["HISTORY_DIRNAME04"], "")
        self.assertIsNone(proc.poll())

    def test_command_line_folder_joins_the_history_after_the_pinned_folders(self):
        self.check_new_folder_joins_after_pinned("new")

    def test_japanese_command_line_folder_is_stored_unchanged(self):
        self.check_new_folder_joins_after_pinned("動画ソフト表示")

    def test_command_line_folder_in_another_form_resumes_its_history_entry(self):
        # A minute of video: the resume point 50 s lies well inside it.
        media = make_clips(os.path.join(self.player.path, "media"), ["a.avi"], seconds=60, size="64x48")
        forms = {
            "trailing backslashes": (win_path(media) + "\\\\", None),
            "relative": ("media\\", self.player.path),
        }
        for form, (argument, cwd) in forms.items():
            with self.subTest(form):
                try:
                    self.check_history_entry_resumes(media, argument, cwd)
                finally:
                    self.end_programs()

    def check_history_entry_resumes(self, media, argument, cwd):
        self.player.write_ini({
            "HISTORY_DIRNAME01": win_path(media), "HISTORY_FILENAME01": "a.avi", "HISTORY_STOPPOSITION01": "50",
            "HISTORY_FIXFLAG01": "FALSE",
        })
        proc = self.desktop.start_program(self.player.exe, ["/s", argument], cwd=cwd)
        self.desktop.wait_window("VelmoraClass", "Velmora")
        # The folder has become the current one: it was written at the start.
        wait_for(lambda: self.player.read_ini().get("DIRNAME"), what="DIRNAME written")
        time.sleep(1.5)  # past the start's key debounce, into playing
        self.desktop.key("x")
        self.wait_exit(proc)
        values = self.player.read_ini()
        self.assertEqual(values["DIRNAME"], win_path(media))
        self.assertEqual(values["PLAYING"], "a.avi")
        # Resumed 3 s before the stop at 50 s, then played a moment.
        self.assertGreaterEqual(int(values["STOP_POSITION"]), 47)
        self.assertLess(int(values["STOP_POSITION"]), 58)
        self.assertEqual(values["HISTORY_DIRNAME01"], win_path(media))
        self.assertEqual(values["HISTORY_STOPPOSITION01"], values["STOP_POSITION"])
        self.assertEqual(values.get("HISTORY_DIRNAME02", ""), "")

    def test_damaged_files_never_stop_the_player(self):
        half_character = "表".encode("cp932")[:1]
        cases = {
            "junk lines": b"garbage\r\n=\r\n[VELMORA\r\n[OTHER]\r\nDIRNAME=x\r\n[VELMORA]\r\nno equals sign\r\n"
                          b"SIZE_PERCENT==5\r\nDIRNAME=C:\\junk\\\r\n\r\n",
            "binary bytes": b"[VELMORA]\r\nDIRNAME=" + bytes(b for b in range(1, 256) if b not in (10, 13)) +
                            b"\r\nPLAYING=\x00\x81\xff\r\nHISTORY_DIRNAME01=\x81\r\n\x00\x00\xfe\xff",
            "huge values": b"[VELMORA]\r\nDIRNAME=C:\\" + b"x" * 10000 + b"\r\nPLAYING=" + "表".encode("cp932") * 5000 +
                           b"\r\nHISTORY_DIRNAME01=" + b"y" * 10000 + b"\r\n",
            "missing section": b"[OTHER]\r\nDIRNAME=C:\\\r\n",
            "half character at the end": b"[VELMORA]\r\nDIRNAME=C:\\" + b"a" * 255 + "表".encode("cp932") * 3 +
                                         b"\r\nHISTORY_DIRNAME01=" + half_character + b"\r\n",
        }
        for name, data in cases.items():
            with self.subTest(name):
                try:
                    self.check_damaged_file(name, data)
                finally:
                    self.end_programs()

    def check_damaged_file(self, name, data):
        self.write_raw_ini(data)
        proc = self.desktop.start_program(self.player.exe, ["/s"])
        self.assert_player_runs(proc)
        # Each case but the missing section names a folder new to the
        # history, so the start writes it back: never longer than a
        # path, and never with half a character.
        raw = raw_values(self.player.ini)
        if name != "missing section":
            self.assertIn("DIRNAME", raw)
        for key, value in raw.items():
            if key in ("DIRNAME", "PLAYING") or key.startswith("HISTORY_"):
                self.assertLessEqual(len(value), 259, key)
                self.assertTrue(whole_characters(value), key)

    def test_value_cut_at_259_characters_is_written_back_whole(self):
        folder = "C:\\" + "a" * 255 + "表表表"  # the first 表 would straddle the 259th byte
        self.write_raw_ini(b"[VELMORA]\r\nDIRNAME=" + folder.encode("cp932") + b"\r\n")
        proc = self.desktop.start_program(self.player.exe, ["/s"])
        self.assert_player_runs(proc)
        # The folder is new to the history, so the start wrote it back.
        values = wait_for(lambda: (lambda v: v if v.get("HISTORY_DIRNAME01") else None)(self.player.read_ini()),
                          what="the history rewrite")
        expected = "C:\\" + "a" * 255
        self.assertEqual(len(expected.encode("cp932")), 258)
        self.assertEqual(values["DIRNAME"], expected)
        self.assertEqual(values["HISTORY_DIRNAME01"], expected)

    def test_unreadable_settings_file_does_not_stop_the_player(self):
        os.makedirs(self.player.ini)  # a folder where the file should be
        proc = self.desktop.start_program(self.player.exe, ["/s"])
        self.assert_player_runs(proc)
        self.assertTrue(os.path.isdir(self.player.ini))

    def test_forbidden_extension_character_stops_the_run_mode_with_its_message(self):
        self.player.write_ini({"EXTENSIONS": "avi|*", "DIRNAME": win_path(self.folder("media"))})
        before = open(self.player.ini, "rb").read()
        proc = self.desktop.start_program(self.player.exe, ["/s"])
        box, texts = self.desktop.wait_message_box()
        self.assertIn(EXTENSION_MESSAGE, texts)
        self.assertEqual(self.desktop.windows("VelmoraClass"), [])
        self.desktop.click(box["hwnd"], IDOK)
        self.wait_exit(proc)
        self.assertEqual(open(self.player.ini, "rb").read(), before)

    def test_forbidden_extension_character_is_accepted_in_configuration_mode(self):
        self.player.write_ini({"EXTENSIONS": "avi|*", "DIRNAME": win_path(self.folder("media"))})
        proc = self.desktop.start_program(self.player.exe, ["/c"])
        # The sheet opens, and no error message with it.
        sheet = self.desktop.wait_window("#32770", "Velmora Configuration")
        self.assertEqual([w["title"] for w in self.desktop.windows("#32770")], ["Velmora Configuration"])
        self.desktop.click(sheet["hwnd"], IDCANCEL)
        self.assertEqual(self.wait_exit(proc, timeout=60), 0)
        self.assertEqual(self.player.read_ini()["EXTENSIONS"], "avi|*")

    def end_programs(self):
        for proc in self.desktop.processes:
            if proc.poll() is None:
                proc.kill()
        self.desktop.processes = []
        DesktopTestCase.tearDown(self)


if __name__ == "__main__":
    main()
