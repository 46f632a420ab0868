"""The folder selection dialog over the running screensaver: the history rows
with their key labels, Esc, function keys, Alt+F4, Home, the program check
box, OK without a choice, the folder browser, Cancel, and the tooltips."""
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import BUILD, DesktopTestCase, PlayerFolder, main, make_clips, wait_for, win_path

IDOK, IDCANCEL = 1, 2
IDC_FOLDER_BROWSE, IDC_PROGRAM_CHOOSE, IDC_HISTORY_LIST = 1111, 1421, 1601
BM_GETCHECK, TTM_GETTOOLCOUNT = 0x00F0, 0x040D
TITLE = "フォルダ選択"
RECT_4_3, RECT_TALL = (0, 0, 1024, 768), (224, 0, 800, 768)


class FolderDialogTest(DesktopTestCase):

    @classmethod
    def setUpClass(cls):
        os.makedirs(os.path.join(BUILD, "itest-tmp"), exist_ok=True)
        cls.media = tempfile.mkdtemp(prefix="folder-media-", dir=os.path.join(BUILD, "itest-tmp"))
        # One folder per history entry; the third pinned one and the program
        # clip are tall, so switching to them shows.
        for name in ("p1", "p2", "main", "other"):
            make_clips(os.path.join(cls.media, name), ["a.avi"], seconds=30)
        make_clips(os.path.join(cls.media, "p3"), ["t.avi"], seconds=30, size="240x320")
        cls.tall = os.path.join(cls.media, "p3", "t.avi")
        super().setUpClass()

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        shutil.rmtree(cls.media, ignore_errors=True)

    def setUp(self):
        self.player = PlayerFolder("folder")

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    # ---- helpers
    def folder(self, name):
        return win_path(os.path.join(self.media, name))

    def start(self, history, dirname="main", **settings):
        """history: (folder name, pinned) pairs in file order."""
        values = {"DIRNAME": self.folder(dirname) if dirname else "", "EXCEPTION_BEEP": "FALSE"}
        for n, (name, pinned) in enumerate(history, 1):
            values["HISTORY_DIRNAME%02d" % n] = self.folder(name)
            values["HISTORY_FIXFLAG%02d" % n] = "TRUE" if pinned else "FALSE"
        values.update(settings)
        self.player.write_ini(values)
        self.proc = self.desktop.start_program(self.player.exe, ["/s"])
        self.main_window = self.desktop.wait_window("VelmoraClass", "Velmora")

    def open_at_start(self, history, **settings):
        self.start(history, FOLDER_SELECT_START="TRUE", **settings)
        return self.desktop.wait_window("#32770", TITLE)["hwnd"]

    def rows(self, dialog):
        rows = self.desktop.listview_rows(self.desktop.control(dialog, IDC_HISTORY_LIST)["hwnd"])
        return [(r["columns"][0], r["image"], r["columns"][1], r["selected"]) for r in rows]

    def video_rect(self):
        kids = [w for w in self.desktop.children(self.main_window["hwnd"]) if w["visible"]]
        return kids[0].rect if kids else None

    def ini_bytes(self):
        with open(self.player.ini, "rb") as f:
            return f.read()

    def assert_dialog_stays(self, dialog, seconds=1.0):
        time.sleep(seconds)
        self.assertIn(dialog, [w["hwnd"] for w in self.desktop.windows("#32770", TITLE)])

    def click_control(self, dialog, control_id):
        """A real mouse click in the middle of a control."""
        c = self.desktop.control(dialog, control_id)
        self.desktop.mouse_move((c["left"] + c["right"]) // 2, (c["top"] + c["bottom"]) // 2)
        self.desktop.xdotool("click", "1")

    def close_box(self, text):
        box, texts = self.desktop.wait_message_box(containing=text)
        self.desktop.click(box["hwnd"], IDOK)
        wait_for(lambda: box not in self.desktop.windows("#32770"), what="message box closed")

    # ---- cases
    def test_escape_opens_the_history_and_cancel_writes_nothing(self):
        self.start([("p1", True), ("p2", True), ("main", False), ("other", False)])
        wait_for(lambda: self.video_rect() == RECT_4_3, what="first clip playing")
        time.sleep(0.6)
        self.desktop.key("Escape")
        window = self.desktop.wait_window("#32770", TITLE)
        dialog, pid = window["hwnd"], window["pid"]
        self.assertEqual(self.rows(dialog), [
            (self.folder("p1"), 1, "F1", False), (self.folder("p2"), 1, "F2", False),
            (self.folder("main"), 0, "", True), (self.folder("other"), 0, "", False)])
        before = self.ini_bytes()
        self.desktop.key("Escape")
        self.assert_dialog_stays(dialog)

        # The buttons' tips, one shown under the pointer for the picture.
        tips = [w for w in self.desktop.windows("tooltips_class32", visible_only=False) if w["pid"] == pid]
        self.assertIn(4, [self.desktop.send(w["hwnd"], TTM_GETTOOLCOUNT) for w in tips])
        browse = self.desktop.control(dialog, IDC_FOLDER_BROWSE)
        self.desktop.mouse_move(browse["left"] + 5, browse["top"] + 5)
        self.desktop.mouse_move(browse["left"] + 8, browse["top"] + 6)
        wait_for(lambda: [w for w in self.desktop.windows("tooltips_class32") if w["pid"] == pid],
                 what="tooltip shown")
        self.desktop.screenshot(os.path.join(BUILD, "folder-dialog.png"))

        self.desktop.click(dialog, IDCANCEL)
        self.assertEqual(self.wait_exit(self.proc), 0)
        self.assertEqual(self.ini_bytes(), before)

    def test_function_keys_pick_the_pinned_folders(self):
        dialog = self.open_at_start([("p1", True), ("p2", True), ("p3", True), ("main", False)])
        self.assertEqual([r[2] for r in self.rows(dialog)], ["F1", "F2", "F3", ""])
        self.desktop.key("F4")
        self.desktop.key("shift+F1")
        self.assert_dialog_stays(dialog)
        self.desktop.key("F3")
        wait_for(lambda: self.video_rect() == RECT_TALL, what="third pinned folder playing")
        ini = self.player.read_ini()
        self.assertEqual((ini["DIRNAME"], ini["PROGRAM_PLAY"]), (self.folder("p3"), "FALSE"))

    def test_alt_f4_is_no_folder_key(self):
        history = [("p1", True), ("p2", True), ("p3", True), ("other", True), ("main", False)]
        # The dialog closes as Cancel does; nothing is written.
        self.open_at_start(history)
        before = self.ini_bytes()
        self.desktop.key("alt+F4")
        self.assertEqual(self.wait_exit(self.proc), 0)
        self.assertEqual(self.ini_bytes(), before)
        # The running screensaver ends, as it does on any key without a function.
        self.start(history)
        wait_for(lambda: self.video_rect() == RECT_4_3, what="first clip playing")
        time.sleep(0.6)  # past the key debounce of the start
        self.desktop.key("alt+F4")
        self.assertEqual(self.wait_exit(self.proc), 0)
        self.assertEqual(self.player.read_ini()["DIRNAME"], self.folder("main"))

    def test_program_check_box_and_home_with_a_program_list(self):
        dialog = self.open_at_start([("other", False)], PROGRAM_FILENAME01=win_path(self.tall))
        check = self.desktop.control(dialog, IDC_PROGRAM_CHOOSE)["hwnd"]
        selected = lambda: [r[0] for r in self.rows(dialog) if r[3]]
        # On: the row of the current folder loses its selection; off: gets it back.
        self.assertEqual((self.desktop.send(check, BM_GETCHECK), selected()), (0, [self.folder("main")]))
        for state, rows in ((1, []), (0, [self.folder("main")]), (1, [])):
            self.click_control(dialog, IDC_PROGRAM_CHOOSE)
            wait_for(lambda: self.desktop.send(check, BM_GETCHECK) == state, what="check box %d" % state)
            self.assertEqual(selected(), rows)
        self.desktop.key("Home")
        wait_for(lambda: self.video_rect() == RECT_TALL, what="program playing")
        ini = self.player.read_ini()
        self.assertEqual((ini["DIRNAME"], ini["PROGRAM_PLAY"]), ("", "TRUE"))

    def test_refusals_browser_and_cancel(self):
        # No current folder: no row is selected.
        self.start([("p1", True), ("main", False)], dirname="")
        dialog = self.desktop.wait_window("#32770", TITLE)["hwnd"]
        self.assertEqual([r[3] for r in self.rows(dialog)], [False, False])
        before = self.ini_bytes()

        self.click_control(dialog, IDC_PROGRAM_CHOOSE)
        self.close_box("プログラム再生・ファイルリストがありません。")
        check = self.desktop.control(dialog, IDC_PROGRAM_CHOOSE)["hwnd"]
        self.assertEqual(self.desktop.send(check, BM_GETCHECK), 0)

        self.desktop.click(dialog, IDOK)
        self.close_box("項目が選択されていません。")

        # The browser opens with its title; a function key meant for it does
        # not choose a pinned folder under it.
        self.desktop.click(dialog, IDC_FOLDER_BROWSE)
        browser, texts = self.desktop.wait_message_box(
            containing="動画ファイル・サウンドファイルのフォルダを指定してください")
        self.desktop.key("F1")
        time.sleep(0.5)
        self.desktop.click(browser["hwnd"], IDCANCEL)
        self.assert_dialog_stays(dialog, 0.5)

        self.desktop.click(dialog, IDCANCEL)
        self.assertEqual(self.wait_exit(self.proc), 0)
        self.assertEqual(self.ini_bytes(), before)


if __name__ == "__main__":
    main()
