"""The program page of the configuration sheet end to end: the list as the
file holds it, adding by typed path and by the file-open dialog, edits,
moves and deletes written back on OK (and nothing written without a
change), and the screensaver playing the edited list."""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import BUILD, DesktopTestCase, PlayerFolder, main, wait_for, win_path

PSM_SETCURSEL = 0x400 + 101
BM_CLICK, BM_GETCHECK = 0xF5, 0xF0
IDOK = 1
NEW, EDIT, UP, DOWN, DELETE = 1102, 1103, 1104, 1105, 1106
PROGRAM_PLAY_PAGE1, PROGRAM_PLAY_PAGE4, FOLDER_BOX = 1419, 1420, 1200
ENTRY_TITLE = "プログラム再生・ファイルリストの新規追加・編集"
OPEN_TITLE = "動画ファイル・サウンドファイルの選択"


def program_keys(ini_path):
    """The lines of the program list and its resume point, as bytes."""
    with open(ini_path, "rb") as f:
        return [line for line in f.read().split(b"\r\n")
                if re.match(rb"PROGRAM_(FILENAME|STA_POSITION|END_POSITION|PLAY_NO|STOPPOSITION)", line)]


class ProgramPageTest(DesktopTestCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.media = os.path.join(BUILD, "itest-tmp", "program-media")
        os.makedirs(cls.media, exist_ok=True)
        for name in ["a", "b", "c", "d", "e", "f", "caf\u00e9", "cafe"]:
            open(os.path.join(cls.media, name + ".avi"), "wb").close()

    def setUp(self):
        self.player = PlayerFolder("program", extra_files=["Velmora.scr"])

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    # ---- helpers
    def clip(self, name):
        return win_path(os.path.join(self.media, name))

    @staticmethod
    def group(ini, n):
        return [ini["PROGRAM_%s%02d" % (stem, n)] for stem in ("FILENAME", "STA_POSITION", "END_POSITION")]

    def write_list(self, entries, **values):
        """entries: (path, start, end) per number; None leaves the number empty."""
        ini = {"DIRNAME": win_path(self.media), "EXCEPTION_BEEP": "FALSE"}
        for n, entry in enumerate(entries, 1):
            path, start, end = entry or ("", 0, -1)
            ini.update({"PROGRAM_FILENAME%02d" % n: path, "PROGRAM_STA_POSITION%02d" % n: start,
                        "PROGRAM_END_POSITION%02d" % n: end})
        ini.update(values)
        self.player.write_ini({k: str(v) for k, v in ini.items()})

    def open_page(self):
        self.proc = self.desktop.start_program(self.player.exe, ["/c"])
        self.sheet = self.desktop.wait_window("#32770", "Velmora Configuration")["hwnd"]
        self.desktop.send(self.sheet, PSM_SETCURSEL, 3, 0)
        self.page = wait_for(lambda: next((w["hwnd"] for w in self.desktop.children(self.sheet)
                                           if w["title"] == " プログラム再生 "), None), what="program page")
        self.list = self.desktop.control(self.page, 1600)

    def rows(self):
        return [r["columns"] for r in self.desktop.listview_rows(self.list["hwnd"])]

    def select_row(self, index):
        """A click on the first row, then the arrow keys, as a user would.
        Each click lands elsewhere, so that two are never a double click."""
        header = self.desktop.children(self.list["hwnd"])[0]
        self.clicks = getattr(self, "clicks", 0) + 1
        self.desktop.mouse_move(self.list["left"] + 20 + 10 * (self.clicks % 20), header["bottom"] + 6)
        self.desktop.xdotool("click", 1)
        for _ in range(index):
            self.desktop.key("Down")
        wait_for(lambda: [r["row"] for r in self.desktop.listview_rows(self.list["hwnd"]) if r["selected"]] == [index],
                 what="row %d selected" % index)

    def checked(self, window, control_id):
        return self.desktop.send(self.desktop.control(window, control_id)["hwnd"], BM_GETCHECK) == 1

    def entry_dialog(self, button):
        self.desktop.click(self.page, button)
        return self.desktop.wait_window("#32770", ENTRY_TITLE)["hwnd"]

    def type_entry(self, path=None, start=None, end=None, enter=True):
        """Into the open entry dialog: the path typed (replacing the text),
        then each given time (checking its box when needed), then Enter."""
        if path is not None:
            self.desktop.xdotool("type", "--delay", "20", path)
        dialog = self.desktop.wait_window("#32770", ENTRY_TITLE)["hwnd"]
        for check, box, value in ((1422, 1220, start), (1423, 1221, end)):
            if value is None:
                continue
            if not self.checked(dialog, check):
                self.desktop.send(self.desktop.control(dialog, check)["hwnd"], BM_CLICK)
            # The value goes in as text: typed digits may land beside the
            # old ones or be lost to a tooltip on a busy machine.
            box = self.desktop.control(dialog, box)
            self.desktop.set_text(box["hwnd"], str(value))
            wait_for(lambda: self.desktop.control(dialog, box["id"])["title"] == str(value),
                     what="%d in box %d" % (value, box["id"]))
        if enter:
            self.desktop.key("Return")

    def browse(self, dialog, names):
        self.desktop.click(dialog, 1112)
        self.desktop.wait_window("#32770", OPEN_TITLE)
        self.desktop.xdotool("type", "--delay", "20", names)
        self.desktop.key("Return")

    def dismiss(self, text):
        box, _ = self.desktop.wait_message_box(containing=text)
        self.desktop.click(box["hwnd"], IDOK)
        wait_for(lambda: not any(w["hwnd"] == box["hwnd"] for w in self.desktop.windows()), what="message closed")

    def left_out_box(self):
        """The message box that names the files a selection left out, and its text."""
        for box in self.desktop.windows("#32770"):
            for text in self.desktop.dialog_texts(box["hwnd"]):
                if text.startswith("次のファイルは、名前に使用できない文字が含まれているため追加しませんでした。"):
                    return box, text
        return None

    def ok_sheet(self):
        self.desktop.click(self.sheet, IDOK)
        self.assertEqual(self.wait_exit(self.proc), 0)
        return self.player.read_ini()

    # ---- the list as the file holds it, written back on OK
    def test_gap_ends_the_list_and_a_move_renumbers_it(self):
        self.write_list([(self.clip("a.avi"), 5, -1), (self.clip("b.avi"), 0, 0), None, (self.clip("d.avi"), 0, -1)])
        self.open_page()
        self.assertEqual(self.rows(), [[self.clip("a.avi"), "5", ""], [self.clip("b.avi"), "", "0"]])
        self.select_row(1)
        self.desktop.click(self.page, UP)
        wait_for(lambda: self.rows()[0][0] == self.clip("b.avi"), what="b moved up")
        ini = self.ok_sheet()
        self.assertEqual(self.group(ini, 1), [self.clip("b.avi"), "0", "0"])
        self.assertEqual(self.group(ini, 2), [self.clip("a.avi"), "5", "-1"])
        for n in range(3, 101):
            self.assertEqual(self.group(ini, n), ["", "0", "-1"], n)
        self.assertEqual((ini["PROGRAM_PLAY_NO"], ini["PROGRAM_STOPPOSITION"]), ("1", "0"))

    def test_ok_without_a_change_writes_no_program_key(self):
        self.write_list([(self.clip("a.avi"), 5, -1), (self.clip("b.avi"), 0, 0), None, (self.clip("d.avi"), 0, -1)],
                        PROGRAM_PLAY_NO=3, PROGRAM_STOPPOSITION=42)
        before = program_keys(self.player.ini)
        self.open_page()
        # The first row up and the last row down change nothing.
        self.select_row(0)
        self.desktop.click(self.page, UP)
        self.select_row(1)
        self.desktop.click(self.page, DOWN)
        self.assertEqual(self.rows()[0][0], self.clip("a.avi"))
        self.ok_sheet()
        self.assertEqual(program_keys(self.player.ini), before)

    # ---- the entry dialog
    def test_typed_path_must_exist_and_adds_one_row(self):
        self.write_list([(self.clip("a.avi"), 0, -1)])
        self.open_page()
        self.entry_dialog(NEW)
        self.type_entry(self.clip("missing.avi"))
        self.dismiss("ファイルが存在しません。")
        self.desktop.key("End", "shift+Home")
        # An end before the start is refused and the dialog stays open.
        self.type_entry(self.clip("c.avi"), start=9, end=7)
        self.dismiss("開始時間が終了時間以上です。")
        self.type_entry(end=12)
        wait_for(lambda: len(self.rows()) == 2, what="one row added")
        self.assertEqual(self.rows()[1], [self.clip("c.avi"), "9", "12"])
        ini = self.ok_sheet()
        self.assertEqual(self.group(ini, 2), [self.clip("c.avi"), "9", "12"])

    def test_edit_with_start_zero_stores_no_start(self):
        self.write_list([(self.clip("a.avi"), 5, 9)])
        self.open_page()
        self.select_row(0)
        dialog = self.entry_dialog(EDIT)
        self.assertTrue(self.checked(dialog, 1422))
        self.assertEqual(self.desktop.control(dialog, 1220)["title"], "5")
        self.type_entry(start=0)
        wait_for(lambda: self.rows() == [[self.clip("a.avi"), "", "9"]], what="start cleared")
        ini = self.ok_sheet()
        self.assertEqual(self.group(ini, 1), [self.clip("a.avi"), "0", "9"])

    def test_file_dialog_fills_the_list_up_to_a_hundred(self):
        self.write_list([(self.clip("f.avi"), 0, -1)] * 98)
        self.open_page()
        dialog = self.entry_dialog(NEW)
        # The code page has only a best fit for the é, to cafe.avi, another
        # file: café is left out, named as it is, and the other is added.
        for names in ('"caf\u00e9.avi" "a.avi"', '"b.avi" "c.avi" "d.avi" "e.avi"'):
            self.browse(dialog, names)
            if "caf" in names:
                box, text = wait_for(self.left_out_box, what="the message naming the name left out")
                self.assertEqual(text.split()[-1], "caf\u00e9.avi")
                self.desktop.click(box["hwnd"], IDOK)
                wait_for(lambda: len(self.rows()) == 99, what="the other file added")
                dialog = self.entry_dialog(NEW)
        wait_for(lambda: len(self.rows()) == 100, what="two rows added")
        self.assertEqual([r[0] for r in self.rows()[98:]], [self.clip("a.avi"), self.clip("b.avi")])
        self.desktop.click(self.page, NEW)
        self.dismiss("登録できるファイル数は 100 までです。")
        ini = self.ok_sheet()
        self.assertEqual((ini["PROGRAM_FILENAME99"], ini["PROGRAM_FILENAME100"]), (self.clip("a.avi"), self.clip("b.avi")))

    def test_browsed_files_stay_after_a_time_refusal(self):
        self.write_list([(self.clip("f.avi"), 0, -1)])
        self.open_page()
        dialog = self.entry_dialog(NEW)
        self.type_entry(start=5, end=5, enter=False)
        self.browse(dialog, '"b.avi" "a.avi"')
        self.dismiss("開始時間が終了時間以上です。")
        self.type_entry(end=9)
        wait_for(lambda: len(self.rows()) == 3, what="both files added")
        self.assertEqual(self.rows()[1:], [[self.clip("b.avi"), "5", "9"], [self.clip("a.avi"), "5", "9"]])

    def test_deleting_the_last_row_turns_program_play_off_on_both_pages(self):
        self.write_list([(self.clip("a.avi"), 0, -1)])
        self.open_page()
        page1 = next(w["hwnd"] for w in self.desktop.children(self.sheet) if w["title"] == "     設定 1     ")
        self.desktop.send(self.desktop.control(self.page, PROGRAM_PLAY_PAGE4)["hwnd"], BM_CLICK)
        wait_for(lambda: self.checked(page1, PROGRAM_PLAY_PAGE1), what="program play on, page 1")
        self.assertEqual(self.desktop.control(page1, FOLDER_BOX)["title"], "")
        self.desktop.click(self.page, DELETE)
        self.dismiss("項目が選択されていません。")
        self.select_row(0)
        self.desktop.click(self.page, DELETE)
        wait_for(lambda: self.rows() == [], what="row deleted")
        self.assertFalse(self.checked(self.page, PROGRAM_PLAY_PAGE4))
        self.assertFalse(self.checked(page1, PROGRAM_PLAY_PAGE1))
        self.assertEqual(self.desktop.control(page1, FOLDER_BOX)["title"], win_path(self.media))
        ini = self.ok_sheet()
        self.assertEqual((ini["PROGRAM_PLAY"], ini["PROGRAM_FILENAME01"], ini["DIRNAME"]),
                         ("FALSE", "", win_path(self.media)))

    # ---- the screensaver plays what the page wrote
    @staticmethod
    def colour_clip(path, number, seconds):
        """A clip whose colour tells the clip (green) and the second (red, blue)."""
        expr = "r='40+20*floor(T)':g='%d':b='220-20*floor(T)'" % (40 + 80 * number)
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                        "color=black:size=320x240:rate=15:duration=%d" % seconds, "-vf", "format=gbrp,geq=" + expr,
                        "-c:v", "mjpeg", "-q:v", "3", path], check=True, timeout=120)
        return win_path(path)

    def shown_clip_and_second(self):
        """(clip, second) of the colour at the screen's centre, or None (black
        between files)."""
        out = subprocess.run(["/usr/bin/import", "-window", "root", "-crop", "1x1+512+384", "-depth", "8", "txt:-"],
                             env=self.desktop.env, stdout=subprocess.PIPE, check=True, timeout=30).stdout.decode()
        r, g, b = (int(v) for v in re.search(r"\((\d+),(\d+),(\d+)", out).groups())
        clip, second = round((g - 40) / 80), round((r - 40) / 20)
        near = abs(g - (40 + 80 * clip)) < 30 and abs(b - (220 - 20 * second)) < 12
        return (clip, second) if near and 0 <= clip <= 2 and 0 <= second <= 8 else None

    def test_screensaver_plays_the_edited_list_in_order_within_its_times(self):
        clips = [self.colour_clip(os.path.join(self.player.path, "clip%d.avi" % n), n, s)
                 for n, s in ((0, 7), (1, 3), (2, 6))]
        self.write_list([(clips[0], 2, 4), (clips[1], 0, -1)])
        self.open_page()
        self.entry_dialog(NEW)
        self.type_entry(clips[2], start=1, end=3)
        wait_for(lambda: len(self.rows()) == 3, what="clip 2 added")
        self.desktop.click(self.page, UP)
        wait_for(lambda: self.rows()[1][0] == clips[2], what="clip 2 second")
        self.desktop.send(self.desktop.control(self.page, PROGRAM_PLAY_PAGE4)["hwnd"], BM_CLICK)
        ini = self.ok_sheet()
        self.assertEqual(ini["PROGRAM_PLAY"], "TRUE")

        proc = self.desktop.start_program(os.path.join(self.player.path, "Velmora.scr"), ["/s"])
        self.desktop.wait_window("VelmoraClass", "Velmora")
        seen = []  # (clip, second) in the order shown, repeats dropped
        deadline = time.monotonic() + 14
        while time.monotonic() < deadline:
            shown = self.shown_clip_and_second()
            if shown and (not seen or seen[-1] != shown):
                seen.append(shown)
        self.desktop.key("x")
        self.wait_exit(proc)
        order = [c for i, (c, _) in enumerate(seen) if i == 0 or seen[i - 1][0] != c]
        self.assertGreaterEqual(len(order), 4, seen)
        self.assertEqual(order[:4], [0, 2, 1, 0], seen)
        ranges = {0: (2, 4), 2: (1, 3), 1: (0, 2)}
        for clip, second in seen:
            low, high = ranges[clip]
            # The end is checked once a second: a late tick may show one more.
            self.assertTrue(low <= second <= high + 1, "clip %d at second %d: %r" % (clip, second, seen))


if __name__ == "__main__":
    main()
