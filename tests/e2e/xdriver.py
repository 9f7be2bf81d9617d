"""Drives the real program on an X display with xdotool, as a person would.

Windows are found by their titles among the visible windows of the program's process;
controls are reached at the places their windows give them in twips, turned into pixels
with the scale the main window shows (its client area is 15180 twips wide).
"""

import json
import os
import re
import shutil
import stat
import subprocess
import sys
import time

CLIENT_WIDTH_TWIPS = 15180
# A place on the screen outside every window: the pointer rests there between actions, so
# that no tooltip comes up and covers what the next check looks at.
REST = (1270, 1010)


class Failure(Exception):
    pass


def xdotool(*args, check=True):
    result = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True)
    if check and result.returncode != 0:
        raise Failure(f"xdotool {' '.join(map(str, args))}: {result.stderr.strip()}")
    return result.stdout


class Screenshots:
    """Numbered pictures of the whole screen, kept only when the run fails."""

    def __init__(self, folder):
        self.folder = folder
        self.count = 0
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder, exist_ok=True)

    def take(self, label):
        self.count += 1
        name = os.path.join(self.folder, f"{self.count:02d}-{label}")
        if shutil.which("import"):
            subprocess.run(["import", "-window", "root", name + ".png"], capture_output=True)
        else:
            subprocess.run(["xwd", "-root", "-silent", "-out", name + ".xwd"], capture_output=True)

    def discard(self):
        shutil.rmtree(self.folder, ignore_errors=True)


class Program:
    """The program started from its own folder, with a recording xdg-open first on PATH."""

    def __init__(self, executable, work):
        self.executable = executable
        self.work = work
        self.record = os.path.join(work, "xdg-open.jsonl")
        self.log = os.path.join(work, "program.log")
        bindir = os.path.join(work, "bin")
        os.makedirs(bindir, exist_ok=True)
        fake = os.path.join(bindir, "xdg-open")
        with open(fake, "w", encoding="utf-8") as f:
            f.write(
                f"#!{sys.executable}\n"
                "import json, sys\n"
                f"with open({self.record!r}, 'a', encoding='utf-8') as f:\n"
                "    f.write(json.dumps(sys.argv[1:]) + '\\n')\n"
            )
        os.chmod(fake, os.stat(fake).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env = dict(os.environ)
        self.env["PATH"] = bindir + os.pathsep + self.env.get("PATH", "/usr/bin:/bin")
        self.env["QT_QPA_PLATFORM"] = "xcb"
        self.env["XDG_RUNTIME_DIR"] = runtime
        self.process = None
        self.started = None

    def start(self):
        self.logfile = open(self.log, "w", encoding="utf-8")
        self.started = time.monotonic()
        self.process = subprocess.Popen(
            [self.executable],
            cwd=self.work,
            env=self.env,
            stdin=subprocess.DEVNULL,
            stdout=self.logfile,
            stderr=subprocess.STDOUT,
        )

    @property
    def pid(self):
        return self.process.pid

    def running(self):
        return self.process.poll() is None

    def wait(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program did not end within {timeout} s")

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def opened(self):
        """The argument lists the program handed to xdg-open, in order."""
        if not os.path.exists(self.record):
            return []
        with open(self.record, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def output(self):
        self.logfile.flush()
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return f.read()


class Desktop:
    """The program's visible windows and the pointer and keyboard."""

    def __init__(self, program):
        self.program = program
        self.tpp = 15.0  # twips per pixel, measured on the main window

    def windows(self):
        """Visible windows of the program, title -> window id."""
        if not self.program.running():
            raise Failure(f"the program ended early (status {self.program.process.returncode})")
        out = xdotool("search", "--onlyvisible", "--pid", self.program.pid, "--name", ".",
                      check=False)
        found = {}
        for wid in out.split():
            name = xdotool("getwindowname", wid, check=False).rstrip("\n")
            if name:
                found[name] = wid
        return found

    def wait_for(self, what, condition, timeout=15.0):
        deadline = time.monotonic() + timeout
        while True:
            value = condition()
            if value:
                return value
            if time.monotonic() > deadline:
                raise Failure(f"timed out waiting for {what}; visible: {sorted(self.windows())}")
            time.sleep(0.05)

    def wait_window(self, title, timeout=15.0):
        pattern = re.compile(title)

        def find():
            for name, wid in self.windows().items():
                if pattern.fullmatch(name):
                    return name, wid
            return None

        return self.wait_for(f"window {title!r}", find, timeout)

    def expect_windows(self, titles, timeout=10.0):
        """Waits until exactly these windows are visible (a message box would be one more)."""
        wanted = set(titles)
        self.wait_for(f"exactly the windows {sorted(wanted)}",
                      lambda: set(self.windows()) == wanted, timeout)

    def geometry(self, wid):
        out = xdotool("getwindowgeometry", "--shell", wid)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def measure_scale(self, wid):
        width = self.geometry(wid)[2]
        self.tpp = CLIENT_WIDTH_TWIPS / width

    def px(self, twips):
        return round(twips / self.tpp)

    def point(self, wid, left, top, width=0, height=0):
        x, y, _, _ = self.geometry(wid)
        return x + self.px(left + width / 2), y + self.px(top + height / 2)

    def click(self, wid, place, double=False):
        """Clicks the middle of a control placed at (left, top, width, height) twips."""
        x, y = self.point(wid, *place)
        self.click_at(x, y, double)

    def click_at(self, x, y, double=False):
        xdotool("mousemove", "--sync", x, y)
        if double:
            xdotool("click", "--repeat", 2, "--delay", 80, 1)
        else:
            xdotool("click", 1)
        xdotool("mousemove", *REST)

    def focus(self, wid):
        # No window manager: the program's window gets the keyboard straight from X.
        xdotool("windowfocus", "--sync", wid)

    def key(self, *keys):
        xdotool("key", "--delay", 40, *keys)

    def type(self, text):
        xdotool("type", "--delay", 40, text)


def snapshot(folder):
    """Every file under folder with its size and modification time."""
    result = {}
    for root, dirs, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            info = os.stat(path)
            result[os.path.relpath(path, folder)] = (info.st_size, info.st_mtime_ns)
    return result
