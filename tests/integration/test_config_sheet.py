"""The configuration sheet of the real player under Wine: its five pages, the
help pane, what OK and Cancel do to the settings file, the checks on leaving
a page, and the screensaver playing what the sheet chose; all of it again at
150 % on an English system, with a Japanese folder name."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import BUILD, DesktopTestCase, PlayerFolder, main, make_clips, wait_for, win_path

IDOK, IDCANCEL = 1, 2
WM_USER = 0x400
PSM_SETCURSEL = WM_USER + 101
PSM_GETCURRENTPAGEHWND = WM_USER + 118
TCM_GETITEMCOUNT = 0x1304
LVM_GETCOLUMNWIDTH = 0x101D
BM_GETCHECK, BM_CLICK = 0xF0, 0xF5
CAPTION = "Velmora Configuration"
SHOTS = os.path.join(BUILD, "itest-shots", "config_sheet")

# A control of each page that only that page has, in tab order.
PAGE_MARKS = [1200, 1205, 1412, 1600, 1700]

# Keys of the pages 2 and 3 as a user might have typed them: OK without a
# visit to those pages must leave every byte of them alone.
UNTOUCHED = [("INTRO_PLAY", "true"), ("INTRO_START_POSITION", "0005"), ("INTRO_END_POSITION", "020"),
             ("SKIP_PLAY_MODE", "1"), ("SKIP_NUMBER", "07"), ("SKIP_TIME", "600"), ("SKIP_PLAY_TIME", "3"),
             ("MOUSE_WIDTH", "50")]


def raw_lines(path):
    """Key -> the raw bytes of its line, for byte-for-byte comparisons."""
    lines = {}
    with open(path, "rb") as f:
        for line in f.read().split(b"\r\n"):
            if b"=" in line:
                lines[line.split(b"=", 1)[0].decode("ascii").upper()] = line
    return lines


class ConfigSheetTest(DesktopTestCase):
    clips_name = "clips"
    shots = SHOTS

    def setUp(self):
        self.player = PlayerFolder("sheet", extra_files=("Velmora.scr",))
        self.clips = os.path.join(self.player.path, self.clips_name)
        self.other = os.path.join(self.player.path, "other")
        os.makedirs(self.clips)
        os.makedirs(self.other)
        os.makedirs(self.shots, exist_ok=True)
        values = [("DIRNAME", win_path(self.other)), ("EXTENSIONS", "avi "), ("EXCEPTION_BEEP", "true"),
                  ("PLAYING", "old.avi"), ("STOP_POSITION", "42")] + UNTOUCHED
        self.player.write_ini(dict(values), order=[k for k, _ in values])

    def tearDown(self):
        super().tearDown()
        self.player.remove()

    # ---- helpers
    def open_sheet(self, program="Quorlin.exe", args=("/c",)):
        self.proc = self.desktop.start_program(os.path.join(self.player.path, program), list(args))
        window = self.desktop.wait_window("#32770", CAPTION)
        self.sheet, self.sheet_pid = window["hwnd"], window["pid"]
        return self.sheet

    def current_page(self):
        return self.desktop.send(self.sheet, PSM_GETCURRENTPAGEHWND)

    def show_page(self, index):
        self.desktop.send(self.sheet, PSM_SETCURSEL, index, 0)
        return wait_for(lambda: self.page_with(PAGE_MARKS[index]), what="page %d" % index)

    def page_with(self, control_id):
        page = self.current_page()
        return page if self.desktop.control(page, control_id) else None

    def item(self, page, control_id):
        return self.desktop.control(page, control_id)["hwnd"]

    def type_into(self, page, control_id, text):
        self.desktop.set_text(self.item(page, control_id), text)

    def click_box(self, page, control_id):
        # Posted: the click may open a message box that waits for us.
        self.desktop.probe("post", self.item(page, control_id), BM_CLICK, 0, 0)

    def checked(self, page, control_id):
        return self.desktop.send(self.item(page, control_id), BM_GETCHECK) == 1

    def dismiss(self, message):
        box, texts = self.desktop.wait_message_box(containing=message)
        self.desktop.click(box["hwnd"], IDOK)
        wait_for(lambda: not any(w["hwnd"] == box["hwnd"] for w in self.desktop.windows("#32770")),
                 what="the message box to close")

    def close_sheet(self, button):
        self.desktop.click(self.sheet, button)
        # Started through the stub, the process waited for is the stub's.
        self.assertEqual(self.wait_exit(self.proc), 0)
        wait_for(lambda: not self.desktop.probe("counts", self.sheet_pid, check=False).strip(),
                 what="the player to end")

    def ini_bytes(self):
        with open(self.player.ini, "rb") as f:
            return f.read()

    def shot(self, name):
        path = self.desktop.screenshot(os.path.join(self.shots, name + ".png"))
        return path

    def pane_measure(self, frame, name, measure):
        path = self.shot(name)
        left, top, right, bottom = frame.rect
        crop = "%dx%d+%d+%d" % (right - left - 12, bottom - top - 16, left + 6, top + 11)
        out = subprocess.run(["convert", path, "-crop", crop, "+repage", "-colorspace", "Gray", "-threshold", "60%",
                              "-format", measure, "info:"], check=True, stdout=subprocess.PIPE, timeout=60)
        return out.stdout.decode("ascii").strip()

    def pane_ink(self, frame, name):
        """Share of dark pixels inside the help pane of the frame group box."""
        return float(self.pane_measure(frame, name, "%[fx:1-mean]"))

    def pane_signature(self, frame, name):
        """Digest of the pane's pixels: it changes exactly when its text does."""
        return self.pane_measure(frame, name, "%#")

    def settled_text(self, frame, name, unlike=None):
        """The pane's signature once two shots in a row agree (and it differs from unlike)."""
        def settled():
            first = self.pane_signature(frame, name)
            return first if first != unlike and self.pane_signature(frame, name) == first else None
        return wait_for(settled, what="the pane of %s to settle" % name)

    # ---- the sheet and its pages
    def test_five_pages_and_the_help_pane(self):
        self.open_sheet()
        tab = [w for w in self.desktop.children(self.sheet) if w["cls"] == "SysTabControl32"][0]
        self.assertEqual(self.desktop.send(tab["hwnd"], TCM_GETITEMCOUNT), 5)
        self.desktop.mouse_move(1, 1)

        page1 = wait_for(lambda: self.page_with(1200), what="page 1")
        frame = self.desktop.control(page1, 1702)
        self.assertEqual(self.pane_ink(frame, "pane_empty"), 0.0, "the pane starts empty and white")
        # The X ratio box is greyed by default (aspect from the file), and
        # a disabled window gets no mouse input of its own.
        ratio = self.desktop.control(page1, 1203)
        self.desktop.mouse_move((ratio["left"] + ratio["right"]) // 2, (ratio["top"] + ratio["bottom"]) // 2)
        wait_for(lambda: self.pane_ink(frame, "pane_ratio") > 0.02, what="help text of the greyed ratio box")
        ratio_text = self.settled_text(frame, "pane_ratio")
        box = self.desktop.control(page1, 1200)
        self.desktop.mouse_move((box["left"] + box["right"]) // 2, (box["top"] + box["bottom"]) // 2)
        folder_text = self.settled_text(frame, "pane_folder", unlike=ratio_text)
        self.assertGreater(self.pane_ink(frame, "pane_folder"), 0.02)
        self.assertEqual([w for w in self.desktop.windows("tooltips_class32") if w["pid"] == self.sheet_pid], [],
                         "the pane's tooltip shows no bubble")
        # A label is no tool: the text stays.
        label = [w for w in self.desktop.children(page1) if w["cls"] == "Static"][0]
        self.desktop.mouse_move(label["left"] + 5, (label["top"] + label["bottom"]) // 2)
        time.sleep(1.0)
        self.assertEqual(self.pane_signature(frame, "pane_label"), folder_text)

        # Every control of every page lies inside the tab's frame; list
        # columns grow with the scaling (rounded half up).
        inner = (tab["left"] + 2, tab["top"] + 2, tab["right"] - 2, tab["bottom"] - 2)
        scaled = lambda *widths: [(2 * w * self.desktop.dpi + 96) // 192 for w in widths]
        columns = lambda window, n: [self.desktop.send(window, LVM_GETCOLUMNWIDTH, c) for c in range(n)]
        self.click_box(page1, 1101)
        history = self.desktop.wait_window("#32770", "履歴参照")["hwnd"]
        self.assertEqual(columns(self.item(history, 1601), 2), scaled(420, 57))
        self.desktop.click(history, IDCANCEL)
        for index in range(len(PAGE_MARKS)):
            page = self.show_page(index)
            self.shot("page%d" % (index + 1))
            if index == 3:
                self.assertEqual(columns(self.item(page, 1600), 3), scaled(350, 64, 64))
            for control in self.desktop.children(page):
                if control["visible"]:
                    self.assertTrue(inner[0] <= control["left"] and control["right"] <= inner[2] and
                                    inner[1] <= control["top"] and control["bottom"] <= inner[3],
                                    "control %d of page %d at %r" % (control["id"], index + 1, control.rect))
        self.close_sheet(IDCANCEL)

    def test_cancel_from_the_screensaver_stub_writes_nothing(self):
        self.open_sheet("Velmora.scr", ["/c:1234"])
        page1 = wait_for(lambda: self.page_with(1200), what="page 1")
        # Loading may have joined DIRNAME to the history; the sheet adds nothing.
        before = self.ini_bytes()
        self.type_into(page1, 1200, win_path(self.clips))
        self.click_box(page1, 1400)
        page2 = self.show_page(1)
        self.type_into(page2, 1208, "5")
        self.close_sheet(IDCANCEL)
        self.assertEqual(self.ini_bytes(), before)

    # ---- OK
    def test_ok_on_page_1_writes_its_keys_and_leaves_the_others(self):
        before = raw_lines(self.player.ini)
        self.open_sheet()
        page1 = wait_for(lambda: self.page_with(1200), what="page 1")
        self.type_into(page1, 1200, win_path(self.clips) + "\\\\\\")
        self.close_sheet(IDOK)

        values = self.player.read_ini()
        self.assertEqual(values["DIRNAME"], win_path(self.clips))
        self.assertIn(b"\r\nDIRNAME=" + win_path(self.clips).encode("cp932") + b"\r\n", self.ini_bytes())
        self.assertEqual(values["PROGRAM_PLAY"], "FALSE")
        self.assertEqual((values["PLAYING"], values["STOP_POSITION"]), ("", "0"), "a new folder starts afresh")
        self.assertEqual(values["HISTORY_DIRNAME01"], win_path(self.clips))
        self.assertEqual(values["HISTORY_DIRNAME02"], win_path(self.other))
        self.assertEqual(values["HISTORY_FIXFLAG48"], "FALSE")
        self.assertEqual(values["EXTENSIONS"], "avi")
        self.assertEqual(values["CONTINUOUS_PLAY"], "TRUE")
        self.assertEqual(values["ASPECT_RATIO_X"], "16")
        self.assertEqual(values["FIXED_VGA"], "FALSE")
        # The settings no page shows, written as they were read.
        self.assertEqual([values[k] for k in ("ONLY_RESCH_BY_CDS", "ONLY_RESCH_BY_DDRAW", "EXCEPTION_BEEP",
                                              "EXCEPTION_LOG", "VISUAL_DEBUG")],
                         ["FALSE", "FALSE", "TRUE", "FALSE", "FALSE"])
        after = raw_lines(self.player.ini)
        for key, _ in UNTOUCHED:
            self.assertEqual(after[key], before[key], key)
        self.assertFalse(any(k.startswith("PROGRAM_") and k != "PROGRAM_PLAY" for k in after))

    # ---- checks on leaving a page
    def test_wrong_input_keeps_the_user_on_the_page(self):
        self.open_sheet()
        page1 = wait_for(lambda: self.page_with(1200), what="page 1")
        before = self.ini_bytes()
        self.type_into(page1, 1200, win_path(os.path.join(self.player.path, "missing")))
        self.desktop.click(self.sheet, IDOK)
        self.dismiss("動画ファイルのフォルダ名が間違っています。")
        self.assertIsNone(self.proc.poll())
        self.assertEqual(self.current_page(), page1)

        # Program play without a program list.
        self.click_box(page1, 1419)
        self.dismiss("プログラム再生・ファイルリストがありません。")
        self.assertFalse(self.checked(page1, 1419))

        # Intro play that ends where it starts.
        self.type_into(page1, 1200, "")
        page2 = self.show_page(1)
        self.type_into(page2, 1205, "10")
        self.type_into(page2, 1206, "10")
        self.desktop.probe("post", self.sheet, PSM_SETCURSEL, 0, 0)
        self.dismiss("イントロ再生の開始時間が終了時間以上です。")
        self.assertEqual(self.current_page(), page2)
        self.close_sheet(IDCANCEL)
        self.assertEqual(self.ini_bytes(), before)

    # ---- the screensaver afterwards
    def test_screensaver_plays_the_folder_chosen_in_the_sheet(self):
        make_clips(self.clips, ["wide.avi"], seconds=4, size="320x180")
        make_clips(self.other, ["four.avi"], seconds=4, size="320x240")
        self.player.write_ini({"DIRNAME": win_path(self.other), "EXCEPTION_BEEP": "FALSE"})
        self.open_sheet("Velmora.scr", ["/c"])
        page1 = wait_for(lambda: self.page_with(1200), what="page 1")
        self.type_into(page1, 1200, win_path(self.clips))
        self.close_sheet(IDOK)

        proc = self.desktop.start_program(os.path.join(self.player.path, "Velmora.scr"), ["/s"])
        self.assertEqual(self.wait_exit(proc), 0)  # the stub ends at once
        main_window = self.desktop.wait_window("VelmoraClass", "Velmora")

        def video():
            kids = [w for w in self.desktop.children(main_window["hwnd"]) if w["visible"]]
            return kids[0].rect if kids else None
        scaled = tuple(v * self.desktop.dpi // 96 for v in (0, 96, 1024, 672))
        wait_for(lambda: video() == scaled, what="the 16:9 clip of the chosen folder")
        time.sleep(0.6)
        self.desktop.key("x")
        wait_for(lambda: not self.desktop.windows("VelmoraClass"), what="the screensaver to end")
        self.assertEqual(wait_for(lambda: self.player.read_ini().get("PLAYING") or None, what="PLAYING"), "wide.avi")


class ScaledEnglishConfigSheetTest(ConfigSheetTest):
    """At 150 % on an English system: the pages fit their grown sheet, the
    messages read in Japanese and a Japanese folder name is written in code
    page 932."""
    locale = "en_US.UTF-8"
    dpi = 144
    clips_name = "\u52d5\u753b\u30af\u30ea\u30c3\u30d7"  # 動画クリップ
    shots = SHOTS + "_144dpi"


if __name__ == "__main__":
    main()
