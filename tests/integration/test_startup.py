"""Start-up and modes of the real programs under Wine."""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import (BIN, BUILD, SCREEN_H, SCREEN_W, DesktopTestCase, PlayerFolder, main, make_clips,
                     read_ini, seconds_since, wait_for, win_path)

IDOK, IDCANCEL = 1, 2


class StartupTest(DesktopTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.clips = make_clips(os.path.join(BUILD, "itest-tmp", "startup-clips"), ["a.avi"], seconds=20)

    def setUp(self):
        self.player = PlayerFolder("startup")
        # A folder to play, so that the run starts without asking for one.
        self.player.write_ini({"DIRNAME": win_path(self.clips)})

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    def test_code_page_is_932(self):
        self.assertEqual(self.desktop.probe("acp").strip(), "932")

    def test_password_switch_shows_sorry(self):
        proc = self.desktop.start_program(self.player.exe, ["/a", "1234"])
        box, texts = self.desktop.wait_message_box("SORRY !!!", containing="残念ながらパスワード対応していません。")
        self.desktop.click(box["hwnd"], IDOK)
        self.assertEqual(self.wait_exit(proc), 0)
        # Password mode never reads the settings file, let alone writes it.
        self.assertEqual(self.player.read_ini(), {"DIRNAME": win_path(self.clips)})

    def test_run_opens_topmost_full_screen_window_and_refuses_second_instance(self):
        first = self.desktop.start_program(self.player.exe, ["/s"])
        main_window = self.desktop.wait_window("VelmoraClass", "Velmora")
        self.assertTrue(main_window["topmost"])
        self.assertEqual(main_window.rect, (0, 0, SCREEN_W, SCREEN_H))

        second = self.desktop.start_program(self.player.exe, ["/s"])
        box, texts = self.desktop.wait_message_box(containing="多重起動エラーです。(0x000000b7)")
        self.desktop.click(box["hwnd"], IDOK)
        self.assertEqual(self.wait_exit(second), 0)
        # The first instance is untouched by the refused one.
        self.assertIsNone(first.poll())
        self.assertEqual(len(self.desktop.windows("VelmoraClass")), 1)

        # A key without a function ends the screensaver.
        self.desktop.key("x")
        self.assertEqual(self.wait_exit(first), 0)

    def test_configuration_mode_holds_the_instance_guard(self):
        # A second configuration start is refused like a second screensaver.
        first = self.desktop.start_program(self.player.exe, ["/s"])
        self.desktop.wait_window("VelmoraClass")
        second = self.desktop.start_program(self.player.exe, ["/c"])
        box, texts = self.desktop.wait_message_box(containing="多重起動エラーです。(0x000000b7)")
        self.desktop.click(box["hwnd"], IDOK)
        self.wait_exit(second)
        self.desktop.key("x")
        self.wait_exit(first)

    def test_missing_path_goes_to_configuration_not_run(self):
        missing = win_path(os.path.join(self.player.path, "no such folder"))
        proc = self.desktop.start_program(self.player.exe, ["/s", missing])
        sheet = self.desktop.wait_window("#32770", "Velmora Configuration")
        self.assertEqual(self.desktop.windows("VelmoraClass"), [])
        self.desktop.click(sheet["hwnd"], IDCANCEL)
        self.assertEqual(self.wait_exit(proc), 0)

    def test_preview_draws_in_parent_and_ends_with_it(self):
        stop_file = os.path.join(self.player.path, "stop-host")
        host = self.desktop.start_program(os.path.join(BIN, "winprobe.exe"), ["host", win_path(stop_file)])
        host_window = self.desktop.wait_window("ProbeHostClass")
        preview = self.desktop.start_program(self.player.exe, ["/p", str(host_window["hwnd"])])

        def preview_child():
            return [w for w in self.desktop.children(host_window["hwnd"]) if w["cls"] == "VelmoraClass"]

        child = wait_for(preview_child, what="preview child window")[0]
        self.assertEqual(child["title"], "Velmora")
        # Placed at the parent's client origin with the parent's window size.
        self.assertEqual(child["right"] - child["left"], host_window["right"] - host_window["left"])
        self.assertEqual(child["bottom"] - child["top"], host_window["bottom"] - host_window["top"])
        self.assertGreaterEqual(child["left"], host_window["left"])
        self.assertGreaterEqual(child["top"], host_window["top"])
        # Preview leaves the settings file alone.
        self.assertEqual(self.player.read_ini(), {"DIRNAME": win_path(self.clips)})

        open(stop_file, "w").close()
        self.assertEqual(self.wait_exit(host), 0)
        self.assertEqual(self.wait_exit(preview), 0)

    def test_unquoted_program_path_in_a_japanese_folder(self):
        # CreateProcess allows an unquoted program path without spaces; the
        # run-time's own argument text cut it after the first byte of "ビ".
        folder = os.path.join(self.player.path, "ビデオ")
        os.makedirs(folder)
        exe = os.path.join(folder, "Quorlin.exe")
        shutil.copy2(self.player.exe, exe)
        spawn = self.desktop.start_program(os.path.join(BIN, "winprobe.exe"),
                                           ["spawn", "%s /s %s" % (win_path(exe), win_path(self.clips))], cwd=BUILD)
        self.desktop.wait_window("VelmoraClass", "Velmora")
        values = wait_for(lambda: (lambda v: v if v.get("DIRNAME") else None)(
            read_ini(os.path.join(folder, "Velmora.ini"))), what="the settings file of the copy")
        self.assertEqual(values["DIRNAME"], win_path(self.clips))
        time.sleep(1.0)  # past the start's key debounce
        self.desktop.key("x")
        self.assertEqual(self.wait_exit(spawn), 0)

    def test_folder_in_another_letter_case_resumes_its_history_entry(self):
        clips = make_clips(os.path.join(self.player.path, "clips"), ["a.avi", "b.avi"], seconds=20)
        self.player.write_ini({"DIRNAME": win_path(self.clips), "HISTORY_DIRNAME01": win_path(clips),
                               "HISTORY_FILENAME01": "b.avi", "HISTORY_STOPPOSITION01": "12"})
        typed = win_path(clips)[:-len("clips")] + "CLIPS"
        proc = self.desktop.start_program(self.player.exe, ["/s", typed])
        main_window = self.desktop.wait_window("VelmoraClass", "Velmora")
        wait_for(lambda: any(w["visible"] for w in self.desktop.children(main_window["hwnd"])),
                 what="a video window")
        shown = time.monotonic()
        time.sleep(1.0)  # past the start's key debounce
        self.desktop.key("x")
        self.assertEqual(self.wait_exit(proc), 0)
        values = self.player.read_ini()
        # b.avi from 3 seconds before its stop, and the folder as the file
        # system names it: one history entry, not two.
        self.assertEqual((values["DIRNAME"], values["PLAYING"]), (win_path(clips), "b.avi"))
        self.assertTrue(9 <= int(values["STOP_POSITION"]) <= 9 + seconds_since(shown), values["STOP_POSITION"])
        self.assertEqual(values["HISTORY_DIRNAME01"], win_path(clips))
        self.assertEqual(values["HISTORY_DIRNAME02"], win_path(self.clips))
        self.assertEqual(values["HISTORY_DIRNAME03"], "")

    def test_program_folder_too_deep_for_settings_file(self):
        # Folder + "Velmora.ini" reaches 260 characters on the Wine side.
        base = os.path.join(BUILD, "itest-tmp")
        prefix_len = len(win_path(base)) + 1
        need = 260 - len("Velmora.ini") - prefix_len  # characters of folder names + separators
        parts, left = [], need
        while left > 0:
            take = min(100, left)
            parts.append("d" * max(take - 1, 1))
            left -= len(parts[-1]) + 1
        deep = os.path.join(base, *parts)
        os.makedirs(deep, exist_ok=True)
        try:
            self.assertGreaterEqual(len(win_path(deep)) + 1 + len("Velmora.ini"), 260)
            exe = os.path.join(deep, "Quorlin.exe")
            shutil.copy2(self.player.exe, exe)
            proc = self.desktop.start_program(exe, ["/s"])
            box, texts = self.desktop.wait_message_box(containing="実行パスが深すぎます。")
            self.desktop.click(box["hwnd"], IDOK)
            self.assertEqual(self.wait_exit(proc), 0)
            self.assertEqual(self.desktop.windows("VelmoraClass"), [])
        finally:
            shutil.rmtree(os.path.join(base, parts[0]), ignore_errors=True)


class LauncherTest(DesktopTestCase):
    """Velmora.scr starts "Quorlin.exe" beside it with its own arguments."""

    def setUp(self):
        self.folder = PlayerFolder("launcher")
        shutil.copy2(os.path.join(BIN, "Velmora.scr"), os.path.join(self.folder.path, "Velmora.scr"))
        # The recorder stands in for the player and writes its command line.
        shutil.copy2(os.path.join(BUILD, "tests", "recorder", "Quorlin.exe"), self.folder.exe)
        self.record = os.path.join(self.folder.path, "recorder.txt")

    def tearDown(self):
        super().tearDown()
        self.folder.remove()

    def run_stub(self, command_tail, folder=None, quoted=True):
        if os.path.exists(self.record):
            os.remove(self.record)
        scr = win_path(os.path.join(folder or self.folder.path, "Velmora.scr"))
        if quoted:
            scr = '"%s"' % scr
        # Start it from another folder, as the system does.
        proc = self.desktop.start_program(os.path.join(BIN, "winprobe.exe"),
                                          ["spawn", scr + command_tail], cwd=BUILD)
        self.assertEqual(self.wait_exit(proc), 0)
        return self.recorded()

    def recorded(self):
        return wait_for(lambda: os.path.exists(self.record) and open(self.record, "rb").read(),
                        what="recorder output").decode("utf-16-le")

    def test_name_outside_the_code_page_arrives_unchanged(self):
        # Started by Wine itself: the probe's spawn passes ANSI text, which
        # best-fits the name before the stub sees it.
        folder = "Z:\\tmp\\caf\u00e9\\\u6ce2\u301c\u7dda"
        proc = self.desktop.start_program(os.path.join(self.folder.path, "Velmora.scr"), ["/s", folder])
        self.assertEqual(self.wait_exit(proc), 0)
        self.assertEqual(self.recorded(), "[Quorlin.exe /s %s]\n" % folder)

    def test_unquoted_path_in_a_japanese_folder(self):
        # The system may start the stub by an unquoted path as well.
        folder = os.path.join(self.folder.path, "ビデオ表示")
        os.makedirs(folder)
        for name in ("Velmora.scr", "Quorlin.exe"):
            shutil.move(os.path.join(self.folder.path, name), os.path.join(folder, name))
        self.record = os.path.join(folder, "recorder.txt")
        for tail in (" /s", "\t/c 1234", " /p 5678"):
            with self.subTest(tail=tail):
                self.assertEqual(self.run_stub(tail, folder=folder, quoted=False), "[Quorlin.exe %s]\n" % tail.strip())

    def test_command_text(self):
        cases = [
            ("", "[Quorlin.exe]\n"),
            (" /s", "[Quorlin.exe /s]\n"),
            (" /p 1234", "[Quorlin.exe /p 1234]\n"),
            (" /c:5678", "[Quorlin.exe /c:5678]\n"),
            (' "Z:\\a folder\\clip one.avi"', '[Quorlin.exe "Z:\\a folder\\clip one.avi"]\n'),
        ]
        for tail, expected in cases:
            with self.subTest(tail=tail):
                self.assertEqual(self.run_stub(tail), expected)


if __name__ == "__main__":
    main()
