"""The screen mode that follows small videos, in a Wine virtual desktop
(where display mode changes really happen): the switch with every window
laid out again, a sound-only file, the question after a failure at the
user's own mode, and the mode given back at the end."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import NULL_SOUND_CONFIG, main, make_clips, wait_for
from test_companions import PlayerCase

IDYES = 6
FULL_MODE, VGA_MODE = (1024, 768, 32), (640, 480, 32)


class ResolutionTest(PlayerCase):
    virtual_desktop = ("Velmora", 1024, 768)

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.desktop.env["ALSA_CONFIG_PATH"] = NULL_SOUND_CONFIG  # the sound-only file

    def mode(self):
        return (self.desktop.metrics() or {}).get("mode")

    def wait_mode(self, mode, timeout=20):
        wait_for(lambda: self.mode() == mode, timeout=timeout, what="display mode %r" % (mode,))
        metrics = self.desktop.metrics()
        self.assertEqual((metrics["width"], metrics["height"]), mode[:2])

    def test_small_clip_switches_the_screen_and_ending_restores_it(self):
        make_clips(self.media, ["a.avi"], seconds=60, size="640x480", audio_streams=0)
        self.start(CHANGE_RESOLUTION="TRUE")
        self.wait_mode(VGA_MODE)
        wait_for(lambda: self.shown("VelmoraClass") == [(0, 0, 640, 480)], what="main window at 640x480")
        # The cursor waits at the new centre.
        location = subprocess.run(["xdotool", "getmouselocation"], env=self.desktop.env, check=True,
                                  stdout=subprocess.PIPE).stdout.decode()
        self.assertTrue(location.startswith("x:320 y:240"), location)
        self.press("h")
        self.assertEqual(self.shown("KeyHelpWindowClass"), [(64, 48, 576, 432)])
        self.end()
        self.wait_mode(FULL_MODE)

    def test_sound_only_file_leaves_the_mode(self):
        os.makedirs(self.media)
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=60",
                        "-c:a", "pcm_s16le", os.path.join(self.media, "a_sound.avi")], check=True, timeout=120)
        make_clips(self.media, ["b.avi"], seconds=60, size="640x480", audio_streams=0)
        main_window = self.start(CHANGE_RESOLUTION="TRUE")
        time.sleep(3)  # the sound plays, without a video window
        self.assertFalse(self.video_shown(main_window))
        self.assertEqual(self.mode(), FULL_MODE)
        self.assertEqual(self.shown("VelmoraClass"), [(0, 0, 1024, 768)])
        self.press("space")
        self.wait_mode(VGA_MODE)
        wait_for(lambda: self.video_shown(main_window), what="video of b.avi")
        self.press("space")  # back to the sound: the mode stays
        wait_for(lambda: not self.video_shown(main_window), what="sound file again")
        time.sleep(1.0)
        self.assertEqual(self.mode(), VGA_MODE)
        self.assertEqual(self.desktop.windows("#32770"), [])
        self.end()
        self.wait_mode(FULL_MODE)

    def test_mode_changed_by_another_program_resizes_the_video(self):
        make_clips(self.media, ["a.avi"], seconds=60, size="640x480", audio_streams=0)
        main_window = self.start()
        wait_for(lambda: self.video_shown(main_window), what="video playing")
        try:
            self.desktop.probe("mode", 800, 600)
            self.wait_mode((800, 600, 32))
            wait_for(lambda: [w.rect for w in self.desktop.children(main_window["hwnd"]) if w["visible"]] ==
                     [(0, 0, 800, 600)], what="video at 800x600")
            self.assertEqual(self.shown("VelmoraClass"), [(0, 0, 800, 600)])
            self.end()
        finally:
            self.desktop.probe("mode", 1024, 768, check=False)

    def test_failure_question_at_the_restored_mode(self):
        make_clips(self.media, ["a.avi"], seconds=3, size="640x480", audio_streams=0)
        with open(os.path.join(self.media, "b_broken.avi"), "wb") as f:
            f.write(b"RIFF" + b"\x5a" * 4096)
        self.start(CHANGE_RESOLUTION="TRUE")
        self.wait_mode(VGA_MODE)
        box, texts = self.desktop.wait_message_box(timeout=30)
        self.assertEqual(self.mode(), FULL_MODE)
        self.assertEqual(self.shown("VelmoraClass"), [(0, 0, 1024, 768)])
        self.assertIn("（エラー詳細：フィルタグラフの作成：RenderFile の起動に失敗しました．(0x", " ".join(texts))
        self.desktop.click(box["hwnd"], IDYES)  # the next file: a.avi, small again
        self.wait_mode(VGA_MODE)
        self.end()
        self.wait_mode(FULL_MODE)


if __name__ == "__main__":
    main()
