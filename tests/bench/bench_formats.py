#!/usr/bin/env python3
"""make bench: one H.264 640x480 clip through RenderFile (the normal prefix,
where Wine's DirectShow opens mp4) and through the Media Foundation source
(a prefix where DirectShow cannot open mp4, as on a stock Windows): the time
to the first frame and the CPU seconds per second of playing, as medians of
a few rounds, with their ratios against the aims (1.3 and 1.5).

    bench_formats.py <build folder> [--quick]   (--quick: one short round)
"""
import os
import statistics
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
EXE = os.path.join(BUILD, "bin", "bench_formats.exe")
CLIP = os.path.join(BUILD, "bench-data", "h264-640x480.mp4")
NORMAL = os.environ.get("VLM_WINEPREFIX") or os.path.join(BUILD, "wineprefix")
# The same prefix the end-to-end tests of these formats use.
MODERN = os.path.join(BUILD, "wineprefix-modern")
UNKNOWN_TYPE = "{564C4D52-0000-4E4F-8000-0000444E5452}"
SECONDS, ROUNDS = (2, 1) if "--quick" in sys.argv[2:] else (6, 5)
TICKS = os.sysconf("SC_CLK_TCK")


def wine_env(prefix):
    env = dict(os.environ)
    env.update({"WINEPREFIX": prefix, "VLM_WINEPREFIX": prefix, "WINEDEBUG": "-all", "WINEARCH": "win64",
                "LC_ALL": "ja_JP.UTF-8", "LANG": "ja_JP.UTF-8", "DISPLAY": "",
                "ALSA_CONFIG_PATH": os.path.join(ROOT, "tests", "alsa-null.conf")})
    return env


def prepare():
    if not os.path.exists(CLIP):
        os.makedirs(os.path.dirname(CLIP), exist_ok=True)
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                        "testsrc=size=640x480:rate=25:duration=20", "-f", "lavfi", "-i",
                        "sine=frequency=440:duration=20", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac",
                        CLIP + ".tmp.mp4"], check=True, timeout=300)
        os.replace(CLIP + ".tmp.mp4", CLIP)
    env = wine_env(MODERN)
    subprocess.run(["bash", os.path.join(ROOT, "scripts", "wine-prefix.sh")], env=env, check=True)
    subprocess.run(["wine", "reg", "add", "HKCR\\Media Type\\Extensions\\.mp4", "/v", "Media Type", "/t",
                    "REG_SZ", "/d", UNKNOWN_TYPE, "/f"], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
    subprocess.run(["wineserver", "-w"], env=env, check=False, timeout=120)


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime and stime


def player_pid():
    """The Wine process of the bench program (the loader execs into it)."""
    found = []
    for name in os.listdir("/proc"):
        try:
            with open("/proc/%s/comm" % name) as f:
                if f.read().strip().startswith("bench_formats"):
                    found.append(int(name))
        except OSError:
            pass
    return max(found) if found else None


def measure(prefix):
    """(path, first frame ms, CPU seconds per playing second), medians."""
    env = wine_env(prefix)
    cmd = ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24 -nolisten tcp", "wine", EXE,
           "Z:" + CLIP.replace("/", "\\"), str(SECONDS), str(ROUNDS)]
    del env["DISPLAY"]
    proc = subprocess.Popen(cmd, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    path, first, cpu = None, [], []
    pid = None
    for line in proc.stdout:
        line = line.strip()
        if line.startswith("path="):
            fields = dict(kv.split("=") for kv in line.split())
            path = fields["path"]
            first.append(float(fields["first_frame_ms"]))
        elif line == "run":
            pid = pid or player_pid()
            ticks, since = cpu_ticks(pid), time.monotonic()
        elif line == "ran":
            cpu.append((cpu_ticks(pid) - ticks) / TICKS / (time.monotonic() - since))
    if proc.wait() != 0 or not first:
        raise SystemExit("bench_formats: the run in %s failed" % prefix)
    return path, statistics.median(first), statistics.median(cpu)


def main():
    if not os.path.exists(EXE):
        raise SystemExit("bench_formats: %s not built" % EXE)
    prepare()
    graph = measure(NORMAL)
    media = measure(MODERN)
    print("formats: H.264 640x480, %d rounds of %d s, medians" % (ROUNDS, SECONDS))
    for path, first, cpu in (graph, media):
        print("formats path=%s first_frame_ms=%.0f cpu_per_second=%.3f" % (path, first, cpu))
    print("formats mediafoundation/graph first_frame=%.2f (aim <= 1.3) cpu=%.2f (aim <= 1.5)" %
          (media[1] / graph[1], media[2] / graph[2]))


if __name__ == "__main__":
    main()
