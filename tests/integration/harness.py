"""Integration harness: runs the real programs under Wine on a virtual X
display and looks at them as a user would.

Every wait is bounded polling; everything started is killed at the end
(Desktop.stop kills the display and the Wine server of the private prefix).
"""
import math
import os
import pwd
import shutil
import subprocess
import tempfile
import time
import unittest

ROOT = os.environ.get("VLM_ROOT") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
BUILD = os.environ.get("VLM_BUILD") or os.path.join(ROOT, "build")
BIN = os.path.join(BUILD, "bin")
# Integration tests kill their Wine server when done, so they keep a prefix
# of their own apart from the unit tests'.
PREFIX = os.path.join(BUILD, "wineprefix-integration")
SCREEN_W, SCREEN_H = 1024, 768


def wait_for(predicate, timeout=20.0, interval=0.2, what="condition"):
    """Polls predicate until it gives a true value; returns it or raises."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError("timed out after %.1fs waiting for %s" % (timeout, what))
        time.sleep(interval)


def seconds_since(shown):
    """Whole seconds since the test saw the video, rounded up with half a
    second's slack. Taken once the player has ended, it bounds what the file
    played: the probes see the video 1.5-2 s after it starts, and the player
    takes about 2 s to end after the key."""
    return math.ceil(time.monotonic() - shown + 0.5)


def win_path(unix_path):
    """The Wine (Z: drive) name of a Unix path."""
    return "Z:" + os.path.abspath(unix_path).replace("/", "\\")


def read_ini(path):
    """Section VELMORA of an INI file as a dict (values decoded from CP932)."""
    values = {}
    if not os.path.exists(path):
        return values
    with open(path, "rb") as f:
        data = f.read()
    section = None
    for raw in data.split(b"\n"):
        line = raw.rstrip(b"\r")
        if line.startswith(b"[") and b"]" in line:
            section = line[1:line.index(b"]")].decode("cp932", "replace").upper()
            continue
        if section == "VELMORA" and b"=" in line:
            key, value = line.split(b"=", 1)
            values[key.decode("cp932", "replace").strip().upper()] = value.decode("cp932", "replace")
    return values


def write_ini(path, values, order=None):
    """Writes section VELMORA with the given keys (CP932, CRLF)."""
    keys = order or list(values.keys())
    text = "[VELMORA]\r\n" + "".join("%s=%s\r\n" % (k, values[k]) for k in keys)
    with open(path, "wb") as f:
        f.write(text.encode("cp932"))


class Window(dict):
    """One line of `winprobe list` or `winprobe children`."""

    @property
    def rect(self):
        return (self["left"], self["top"], self["right"], self["bottom"])


_FIELDS = ["kind", "hwnd", "pid", "id", "cls", "title", "left", "top", "right", "bottom", "topmost", "visible"]


def _parse_windows(text):
    windows = []
    for line in text.splitlines():
        parts = line.split("\t")
        if len(parts) != len(_FIELDS):
            continue
        w = Window(zip(_FIELDS, parts))
        for k in ("hwnd", "pid", "id", "left", "top", "right", "bottom", "topmost", "visible"):
            w[k] = int(w[k])
        w["topmost"] = bool(w["topmost"])
        w["visible"] = bool(w["visible"])
        windows.append(w)
    return windows


_EXPLORER_KEY = "HKCU\\Software\\Wine\\Explorer"


def _prefix_has_value(key, value):
    """Whether the prefix's user registry key still holds value (left behind
    by a run that was killed before it could undo it)."""
    try:
        with open(os.path.join(PREFIX, "user.reg"), encoding="utf-8", errors="replace") as f:
            text = f.read()
    except OSError:
        return False
    start = text.find("[%s]" % key.replace("\\", "\\\\"))
    if start < 0:
        return False
    end = text.find("\n\n", start)
    return '"%s"=' % value in text[start:end if end >= 0 else len(text)]


def _prefix_has_virtual_desktop():
    return _prefix_has_value("Software\\Wine\\Explorer", "Desktop")


_X11_DRIVER_KEY = "HKCU\\Software\\Wine\\X11 Driver"


def _monitor_args(name, width, height, x, y, output):
    """xrandr --setmonitor arguments of one head (sizes in mm at 96 dpi)."""
    mm = lambda pixels: max(1, round(pixels * 25.4 / 96))
    return ["--setmonitor", name, "%d/%dx%d/%d+%d+%d" % (width, mm(width), height, mm(height), x, y), output]


_DPI_KEY = "HKCU\\Control Panel\\Desktop"


def _prefix_dpi():
    """LogPixels of the prefix, None when unset (96 DPI)."""
    try:
        with open(os.path.join(PREFIX, "user.reg"), encoding="utf-8", errors="replace") as f:
            text = f.read()
    except OSError:
        return None
    start = text.find("[Control Panel\\\\Desktop]")
    if start < 0:
        return None
    end = text.find("\n\n", start)
    for line in text[start:end if end >= 0 else len(text)].splitlines():
        if line.startswith('"LogPixels"=dword:'):
            return int(line.split(":", 1)[1], 16)
    return None


class Desktop:
    """A virtual display, the Wine environment and the tools that act on it.

    With virtual_desktop = (name, width, height) every program and probe runs
    in that Wine virtual desktop, where display mode changes really happen
    (the desktop's X window "NAME - Wine desktop" takes the new size).

    An environment other than a Japanese system at 100 %: locale (LC_ALL,
    "en_US.UTF-8": code page 1252 unless a program asks for another) and dpi
    (LogPixels, 144 for 150 %). At a dpi the screen is that much larger, so
    it holds what 1024x768 holds at 96 DPI.

    With monitors = (width, height, [(name, w, h, x, y), ...]) the one X
    screen of that size is split into those heads (the first is Wine's main
    monitor) and Wine is told to read them without XRandR's outputs.

    With user = NAME every Wine program runs as that ordinary user (made
    when missing), in a prefix of its own that the user owns: root writes
    through any permission. The display then admits any user. The checkout
    may lie where the user cannot go (a private temporary folder, root's
    home): what the user's programs open is copied to `outside`, a folder
    every user can read, and the prefix is in the user's home."""

    def __init__(self, virtual_desktop=None, locale=None, dpi=None, monitors=None, user=None):
        self.virtual_desktop = virtual_desktop
        self.locale = locale or "ja_JP.UTF-8"
        self.dpi = dpi or 96
        self.monitors = monitors
        self.screen = tuple(monitors[:2]) if monitors else (SCREEN_W * self.dpi // 96, SCREEN_H * self.dpi // 96)
        self.xvfb = None
        self.display = None
        self.processes = []
        self.env = dict(os.environ)
        self.user = user
        self.prefix = PREFIX  # a user's is known once the user exists (start)
        self.outside = None
        self.winprobe = os.path.join(BIN, "winprobe.exe")
        self.unmanaged = False

    def as_user(self, args):
        """The command as the desktop's user runs it (unchanged without one)."""
        return ["runuser", "-u", self.user, "--"] + list(args) if self.user else list(args)

    def _make_user(self):
        if subprocess.run(["id", "-u", self.user], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode:
            subprocess.run(["useradd", "-m", self.user], check=True)
        self.prefix = os.path.join(pwd.getpwnam(self.user).pw_dir, ".wineprefix-velmora")
        os.makedirs(self.prefix, exist_ok=True)
        shutil.chown(self.prefix, self.user)
        self.outside = tempfile.mkdtemp(prefix="velmora-%s-" % self.user)
        os.chmod(self.outside, 0o755)
        for name in ("wine-prefix.sh", "wine-env.sh"):
            shutil.copy(os.path.join(ROOT, "scripts", name), self.outside)
        self.winprobe = shutil.copy(self.winprobe, self.outside)

    # ---- life cycle
    def start(self):
        if self.user:
            self._make_user()
        # Xvfb picks a free display itself and tells its number; stale lock
        # files of killed servers are its business, not ours.
        read_fd, write_fd = os.pipe()
        # Without -noreset the heads vanish when the last client (xrandr) leaves.
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
                                      "%dx%dx24" % self.screen, "-nolisten", "tcp"] +
                                     (["-noreset"] if self.monitors else []) + (["-ac"] if self.user else []),
                                     pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd, "rb") as pipe:
            number = pipe.readline().strip()
        if not number:
            self.xvfb.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode()
        self.env.update({
            "DISPLAY": self.display,
            "WINEPREFIX": self.prefix,
            "WINEDEBUG": "-all",
            "WINEARCH": "win64",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "LC_ALL": self.locale,
            "LANG": self.locale,
        })
        prefix_env = dict(self.env)
        prefix_env["VLM_WINEPREFIX"] = self.prefix
        scripts = self.outside or os.path.join(ROOT, "scripts")
        subprocess.run(self.as_user(["bash", os.path.join(scripts, "wine-prefix.sh")]), env=prefix_env,
                       check=True, stdout=subprocess.DEVNULL)
        # A persistent server keeps each probe call fast.
        subprocess.run(self.as_user(["wineserver", "-p"]), env=self.env, check=False)
        if self.virtual_desktop or _prefix_has_virtual_desktop():
            self._set_default_desktop(self.virtual_desktop)
        if self.dpi != 96 or _prefix_dpi() not in (None, 96):
            self.set_dpi(self.dpi)
        if self.monitors:
            self._split_screen()
        elif _prefix_has_value("Software\\Wine\\X11 Driver", "UseXRandR"):
            self._use_xrandr(True)
        return self

    def set_dpi(self, dpi):
        """Sets the prefix's DPI (the prefix is shared: stop() sets 96 again);
        programs started from now on see it."""
        subprocess.run(["wine", "reg", "add", _DPI_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"],
                       env=self.env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        # The desktop process keeps the DPI it started with.
        subprocess.run(["wineserver", "-k"], env=self.env, check=False)
        subprocess.run(["wineserver", "-w"], env=self.env, check=False, timeout=60)
        subprocess.run(["wineserver", "-p"], env=self.env, check=False)

    def _split_screen(self):
        for i, (name, w, h, x, y) in enumerate(self.monitors[2]):
            subprocess.run(["xrandr"] + _monitor_args(name, w, h, x, y, "screen" if i == 0 else "none"),
                           env=self.env, check=True, timeout=30, stdout=subprocess.DEVNULL)
        self._use_xrandr(False)
        # The desktop process started by the registry call has read the old
        # value: the next server starts with the heads.
        for args in (["-k"], ["-w"], ["-p"]):
            subprocess.run(["wineserver"] + args, env=self.env, check=False, timeout=60)
        # Any part of the desktop left uncovered shows in this colour.
        subprocess.run(["xsetroot", "-solid", "magenta"], env=self.env, check=True, timeout=30)

    def _x11_driver_off(self, value, off):
        """Sets (off) or deletes a value "N" of Wine's X11 driver; the prefix is
        shared with the other test files, so stop() puts it back."""
        args = ["add", _X11_DRIVER_KEY, "/v", value, "/d", "N"] if off else \
            ["delete", _X11_DRIVER_KEY, "/v", value]
        subprocess.run(self.as_user(["wine", "reg"] + args + ["/f"]), env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def _use_xrandr(self, use):
        """The heads are seen only when Wine leaves XRandR's outputs alone."""
        self._x11_driver_off("UseXRandR", not use)

    def unmanaged_windows(self, on):
        """No window manager runs on this display, and Wine's X11 driver waits
        up to 2 s at each hide of a managed window (a full-screen popup is
        one) for one to confirm it. Programs started while this is on get
        unmanaged windows, which hide at once."""
        self.unmanaged = on
        self._x11_driver_off("Managed", on)

    def _set_default_desktop(self, desktop):
        def reg(*args):
            subprocess.run(["wine", "reg"] + list(args) + ["/f"], env=self.env, check=False,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        if desktop:
            name, width, height = desktop
            reg("add", _EXPLORER_KEY + "\\Desktops", "/v", name, "/d", "%dx%d" % (width, height))
            reg("add", _EXPLORER_KEY, "/v", "Desktop", "/d", name)
        else:
            reg("delete", _EXPLORER_KEY, "/v", "Desktop")

    def stop(self):
        for proc in self.processes:
            if proc.poll() is None:
                proc.kill()
        if self.virtual_desktop:
            # The prefix is shared with the other test files.
            self._set_default_desktop(None)
        if self.dpi != 96:
            self.set_dpi(96)
        if self.monitors:
            self._use_xrandr(True)
        if self.unmanaged:
            self.unmanaged_windows(False)
        subprocess.run(self.as_user(["wineserver", "-k"]), env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for proc in self.processes:
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        if self.xvfb:
            # A terminated server removes its lock file; a killed one would not.
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
            self.xvfb = None
        if self.outside:
            shutil.rmtree(self.outside, ignore_errors=True)

    # ---- programs
    def start_program(self, exe, args=(), cwd=None):
        """Starts a Windows program; gives the Popen (its wait() gives the exit code)."""
        proc = subprocess.Popen(self.as_user(["wine", exe] + list(args)), env=self.env, cwd=cwd or os.path.dirname(exe),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(proc)
        return proc

    # Verbs that only look: asking again changes nothing.
    _LOOKING_VERBS = ("list", "children", "lvitems", "counts", "metrics", "acp", "version")

    def probe(self, *args, check=True):
        # A probe is a Wine process of its own, and Wine's start of it can
        # fail (seen once in hundreds of runs: exit code 1, which the probe's
        # looks never return), as can one that starts while a virtual desktop
        # changes its mode. A look the test relies on is then taken again; an
        # action never is.
        # Wine's own words go to a file, not a pipe: the server it may start
        # would hold a pipe open.
        attempts = 3 if self.virtual_desktop or (check and args[0] in self._LOOKING_VERBS) else 1
        with tempfile.TemporaryFile() as errors:
            for attempt in range(attempts):
                errors.seek(0)
                errors.truncate()
                out = subprocess.run(self.as_user(["wine", self.winprobe] + [str(a) for a in args]),
                                     env=self.env, stdout=subprocess.PIPE, stderr=errors, timeout=60)
                if out.returncode == 0:
                    break
                if attempt + 1 < attempts:
                    time.sleep(0.5)
            errors.seek(0)
            said = errors.read().decode("utf-8", "replace").strip()[-1500:]
        if check and out.returncode != 0:
            raise AssertionError("winprobe %s failed (%d) %d times: %s" % (" ".join(map(str, args)), out.returncode,
                                                                          attempts, said))
        return out.stdout.decode("utf-8", "replace")

    def windows(self, cls=None, title=None, visible_only=True):
        found = []
        for w in _parse_windows(self.probe("list")):
            if cls is not None and w["cls"] != cls:
                continue
            if title is not None and w["title"] != title:
                continue
            if visible_only and not w["visible"]:
                continue
            found.append(w)
        return found

    def wait_window(self, cls=None, title=None, timeout=30, visible_only=True):
        return wait_for(lambda: (self.windows(cls, title, visible_only) or [None])[0], timeout=timeout,
                        what="window class=%r title=%r" % (cls, title))

    def children(self, hwnd):
        # A window may close between the listing and this look (a dialog
        # going away while a test waits for the next one): it has no children.
        return _parse_windows(self.probe("children", hwnd, check=False))

    def dialog_texts(self, hwnd):
        """Texts of a dialog's or message box's controls, in creation order."""
        return [w["title"] for w in self.children(hwnd) if w["title"]]

    def wait_message_box(self, caption=None, containing=None, timeout=30):
        """Waits for a message box or dialog (class #32770), optionally one
        showing the text `containing`; gives (window, texts)."""
        def find():
            for box in self.windows("#32770", caption):
                texts = self.dialog_texts(box["hwnd"])
                if texts and (containing is None or containing in texts):
                    return box, texts
            return None
        return wait_for(find, timeout=timeout, what="dialog %r showing %r" % (caption, containing))

    def click(self, hwnd, control_id):
        self.probe("click", hwnd, control_id)

    def send(self, hwnd, message, wparam=0, lparam=0):
        """SendMessage for messages that carry no pointers; gives the result."""
        return int(self.probe("send", hwnd, message, wparam, lparam).strip())

    def set_text(self, hwnd, text):
        """Puts text into a window (an edit box of another process)."""
        self.probe("settext", hwnd, text)

    def control(self, dialog_hwnd, control_id):
        """The child window with that control id, or None."""
        for w in self.children(dialog_hwnd):
            if w["id"] == control_id:
                return w
        return None

    def listview_rows(self, list_hwnd):
        """Rows of a list view: dicts with row, selected, image and columns."""
        rows = []
        for line in self.probe("lvitems", list_hwnd).splitlines():
            parts = line.split("\t")
            if len(parts) < 4:
                continue
            rows.append({"row": int(parts[0]), "selected": parts[1] == "1", "image": int(parts[2]),
                         "columns": parts[3:]})
        return rows

    def metrics(self):
        """Screen size by the system metrics and the current display mode;
        None when they cannot be read (in the middle of a mode change)."""
        values = [int(v) for v in self.probe("metrics", check=False).split()]
        if len(values) != 5:
            return None
        return {"width": values[0], "height": values[1], "mode": tuple(values[2:5])}

    def counts(self, pid):
        fields = dict(kv.split("=") for kv in self.probe("counts", pid).split())
        return {k: int(v) for k, v in fields.items()}

    # ---- keyboard, mouse, screen
    def xdotool(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env, check=True, timeout=30)

    def key(self, *keys):
        self.xdotool("key", "--clearmodifiers", *keys)

    def mouse_move(self, x, y):
        self.xdotool("mousemove", x, y)

    def screenshot(self, path):
        subprocess.run(["/usr/bin/import", "-window", "root", path], env=self.env, check=True, timeout=60)
        return path


class PlayerFolder:
    """A private copy of the player folder with its own Velmora.ini."""

    def __init__(self, name, extra_files=(), base=None):
        base = base or os.path.join(BUILD, "itest-tmp")
        os.makedirs(base, exist_ok=True)
        self.path = tempfile.mkdtemp(prefix=name + "-", dir=base)
        self.exe = os.path.join(self.path, "Quorlin.exe")
        shutil.copy2(os.path.join(BIN, "Quorlin.exe"), self.exe)
        for f in extra_files:
            shutil.copy2(os.path.join(BIN, f), os.path.join(self.path, f))
        self.ini = os.path.join(self.path, "Velmora.ini")

    def read_ini(self):
        return read_ini(self.ini)

    def write_ini(self, values, order=None):
        write_ini(self.ini, values, order)

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


# Streams of a clip by its extension, as a user's files of that kind hold
# them; anything else is MJPEG/PCM in AVI.
CLIP_CODECS = {
    ".mpg": ["-c:v", "mpeg1video", "-c:a", "mp2", "-f", "mpeg"],
    ".mpeg": ["-c:v", "mpeg1video", "-c:a", "mp2", "-f", "mpeg"],
    ".wmv": ["-c:v", "wmv2", "-c:a", "wmav2", "-f", "asf"],
    ".mp4": ["-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", "-f", "mp4"],
}


def make_clips(folder, names, seconds=2, size="320x240", audio_streams=1, picture="testsrc", codecs=None):
    """Generates clips with ffmpeg, streams by extension (CLIP_CODECS) unless
    codecs names them; picture is a lavfi source ("color=c=red" for a solid
    colour)."""
    os.makedirs(folder, exist_ok=True)
    for name in names:
        out = os.path.join(folder, name)
        chosen = codecs or CLIP_CODECS.get(os.path.splitext(name)[1].lower())
        # MPEG video allows only the standard frame rates.
        rate = 25 if chosen else 15
        source = picture + (":" if "=" in picture else "=")
        cmd = ["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
               "%ssize=%s:rate=%d:duration=%s" % (source, size, rate, seconds)]
        for i in range(audio_streams):
            cmd += ["-f", "lavfi", "-i", "sine=frequency=%d:duration=%s" % (440 + 220 * i, seconds)]
        cmd += ["-map", "0:v"] + sum([["-map", "%d:a" % (i + 1)] for i in range(audio_streams)], [])
        cmd += chosen or ["-c:v", "mjpeg", "-q:v", "5", "-c:a", "pcm_s16le"]
        subprocess.run(cmd + [out], check=True, timeout=120)
    return folder


class DesktopTestCase(unittest.TestCase):
    """One display and Wine server for all tests of a file."""

    desktop = None
    # (name, width, height): run this file's programs in a Wine virtual desktop.
    virtual_desktop = None
    # Another system locale or display scaling for this class (see Desktop).
    locale = None
    dpi = None
    # (width, height, heads): one X screen split into monitors (Desktop).
    monitors = None
    # An ordinary user who runs this file's programs (Desktop).
    user = None

    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop(cls.virtual_desktop, locale=cls.locale, dpi=cls.dpi, monitors=cls.monitors,
                              user=cls.user).start()

    @classmethod
    def tearDownClass(cls):
        if cls.desktop:
            cls.desktop.stop()

    def tearDown(self):
        # No window of one test may leak into the next.
        for proc in self.desktop.processes:
            if proc.poll() is None:
                proc.kill()
        self.desktop.processes = []
        as_user = self.desktop.as_user
        subprocess.run(as_user(["wineserver", "-k"]), env=self.desktop.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(as_user(["wineserver", "-w"]), env=self.desktop.env, check=False, timeout=60)
        subprocess.run(as_user(["wineserver", "-p"]), env=self.desktop.env, check=False)

    def wait_exit(self, proc, timeout=30):
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("program did not end within %ds" % timeout)


# A null sound device for tests that need sound-only files to render. Not
# for every test: Wine's sound renderer on it can hold up a player's exit.
NULL_SOUND_CONFIG = os.path.join(ROOT, "tests", "alsa-null.conf")


def main():
    unittest.main(verbosity=2)
