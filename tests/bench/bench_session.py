#!/usr/bin/env python3
"""make bench: the screensaver's start and end as the user sees them, on two
monitors, medians of a few rounds.

- Start: the first frame of a clip to resume whose folder holds 1,000, 20,000
  and 100,000 files, against the same clip alone in its folder (aim: within
  1.1 times), the sizes taking turns round by round.
- End: from the ending key until both monitors show the desktop and until
  the player's windows are hidden, against the end of its process, which
  comes after the graph's teardown.

    bench_session.py <build folder> [--quick]   (--quick: 300 files, one round)
"""
import os
import shutil
import statistics
import subprocess
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
os.environ["VLM_BUILD"] = BUILD
sys.path.insert(0, os.path.join(ROOT, "tests", "integration"))
from harness import Desktop, make_clips, win_path, write_ini  # noqa: E402

QUICK = "--quick" in sys.argv[2:]
SIZES, ROUNDS = ((300,), 1) if QUICK else ((1000, 20000, 100000), 15)
DATA = os.path.join(BUILD, "bench-data")
EXE = os.path.join(BUILD, "bin", "bench_session.exe")
CLIP = os.path.join(DATA, "session-clip.avi")


def folder_of(files):
    """A folder of that many matching files; the clip to resume lies in the
    middle of the name order, the others are never opened."""
    folder = os.path.join(DATA, "session-%d" % files)
    resume = "m%06d.avi" % (files // 2)
    if not os.path.exists(folder + ".complete"):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for n in range(files):
            if n != files // 2:
                open(os.path.join(folder, "m%06d.avi" % n), "w").close()
        open(folder + ".complete", "w").close()
    if not os.path.exists(os.path.join(folder, resume)):
        os.link(CLIP, os.path.join(folder, resume))
    return folder, resume


def one_round(desktop, player, files):
    folder, resume = folder_of(files)
    write_ini(os.path.join(player, "Velmora.ini"), {"DIRNAME": win_path(folder), "PLAYING": resume,
                                                     "PLAY_MONITOR": "1", "EXCEPTION_BEEP": "FALSE"})
    out = subprocess.run(["wine", EXE, win_path(os.path.join(player, "Quorlin.exe")), "1"],
                         env=desktop.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                         timeout=120).stdout
    got = dict((k, float(v)) for k, v in (f.split("=") for f in out.split()))
    if "exit_ms" not in got or min(got.values()) < 0:
        raise SystemExit("bench_session: the run on %d files failed: %r" % (files, out))
    return got


def main():
    if not os.path.exists(EXE):
        raise SystemExit("bench_session: %s not built" % EXE)
    if not os.path.exists(CLIP):
        make_clips(DATA, [os.path.basename(CLIP)], seconds=30, size="640x480", audio_streams=1,
                   picture="color=c=lime")
    player = os.path.join(DATA, "session-player")
    os.makedirs(player, exist_ok=True)
    shutil.copy2(os.path.join(BUILD, "bin", "Quorlin.exe"), player)
    desktop = Desktop(monitors=(2048, 768, [("MonA", 1024, 768, 0, 0), ("MonB", 1024, 768, 1024, 0)])).start()
    try:
        # Wine without a window manager would add 2 s per monitor to the end.
        desktop.unmanaged_windows(True)
        # The start's time varies much from one run to the next here: the
        # folder sizes take turns, so that a slow spell slows them all.
        rounds = {files: [] for files in (1,) + SIZES}
        for _ in range(ROUNDS):
            for files in rounds:
                rounds[files].append(one_round(desktop, player, files))
        median = {files: {k: statistics.median(r[k] for r in got) for k in got[0]} for files, got in rounds.items()}
        alone = median[1]["first_frame_ms"]
        print("session: two monitors, %d rounds, medians (ms)" % ROUNDS)
        print("session files=1 first_frame_ms=%.0f" % alone)
        for files in SIZES:
            first = median[files]["first_frame_ms"]
            print("session files=%d first_frame_ms=%.0f ratio=%.2f%s" %
                  (files, first, first / alone, " (aim <= 1.1)" if files == 20000 else ""))
        end = median[1]
        print("session end desktop_ms=%.0f hidden_ms=%.0f (aim < 300) process_ended_ms=%.0f" %
              (end["desktop_ms"], end["hidden_ms"], end["exit_ms"]))
    finally:
        desktop.stop()


if __name__ == "__main__":
    main()
