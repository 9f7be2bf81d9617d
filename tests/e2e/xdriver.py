"""Drives the real program on an X display with xdotool, as a person would.

Windows are found by their titles among the visible windows of the program's process;
controls are reached at the places their windows give them in twips, turned into pixels
with the scale the main window shows (its client area is 15180 twips wide).
"""

import json
import os
import re
import select
import shutil
import stat
import struct
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


class VirtualDisplay:
    """An Xvfb server of its own, on a display number the server picks itself.

    With -displayfd the server takes the first free number and says which once it accepts
    connections, so runs side by side never race for a display as xvfb-run -a can.
    DISPLAY points to it while the object is in use; there is no window manager.
    """

    def __init__(self, size="1280x1024x24"):
        self.size = size
        self.process = None
        self.previous = None

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.size, "-nolisten", "tcp"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 20
        try:
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([read_end], [], [], left)[0]:
                    raise Failure("Xvfb did not start within 20 s")
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise Failure(f"Xvfb ended at start (status {self.process.wait()})")
                number += chunk
        except BaseException:
            self.process.kill()
            self.process.wait()
            raise
        finally:
            os.close(read_end)
        self.previous = os.environ.get("DISPLAY")
        os.environ["DISPLAY"] = ":" + number.decode().strip()
        return self

    def __exit__(self, *exc):
        if self.previous is None:
            os.environ.pop("DISPLAY", None)
        else:
            os.environ["DISPLAY"] = self.previous
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        return False


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

    def start(self, splash_title, attempts=6):
        """Starts the program and waits for its splash.

        A copy that ends at once with status 0 found another copy running for this user
        (a test run somewhere else on the machine holds the instance): it is tried again.
        """
        for _ in range(attempts):
            self.program.start()
            try:
                return self.wait_window(splash_title, timeout=20)
            except Failure:
                if self.program.running() or self.program.process.returncode != 0:
                    raise
            time.sleep(5)
        raise Failure("the program ended at once without a window every time: another copy "
                      "is running for this user")

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

    def pixels(self, wid, place):
        """The colours shown in a control's place (left, top, width, height in twips)."""
        dump = subprocess.run(["xwd", "-id", str(wid), "-silent"], capture_output=True,
                              check=True).stdout
        header = struct.unpack(">25I", dump[:100])
        size, depth, width, height = header[0], header[3], header[4], header[5]
        byte_order, bits, line = header[7], header[11], header[12]
        masks, colours = header[14:17], header[19]
        if bits != 32 or depth < 24:
            raise Failure(f"xwd gave {bits}-bit pixels of depth {depth}")
        data = dump[size + 12 * colours:]
        order = "<I" if byte_order == 0 else ">I"
        left, top, w, h = place
        x0, y0 = self.px(left), self.px(top)
        x1, y1 = min(width, x0 + self.px(w)), min(height, y0 + self.px(h))
        shifts = [(m & -m).bit_length() - 1 for m in masks]
        found = []
        for y in range(y0, y1):
            for x in range(x0, x1):
                (value,) = struct.unpack_from(order, data, y * line + 4 * x)
                found.append(tuple((value & m) >> s for m, s in zip(masks, shifts)))
        return found

    def shows_colour(self, wid, place, test):
        return any(test(rgb) for rgb in self.pixels(wid, place))

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
