"""What the end-to-end tests use to run velvane.exe under Wine and to watch it from outside.

One `Session` per test run: a private Xvfb screen (numbered by Xvfb itself, so runs never share
a screen), a fresh Wine prefix set up by tools/wine-run, the scripted hot-search service on the
port the widget was built for, and a stub `xdg-open` first on PATH that records every address
Wine's browser launcher hands it. Each test starts its own widget process and ends it again.

The widget is only ever observed as a user or an assistive tool would: the window inspector
(tools/inspector/window_inspector.cpp, run under Wine) for window and control states, X11 for
geometry (xwininfo), pixels (ImageMagick's import), the X clipboard (xclip) and input
(xdotool). Every wait polls for an observable state with a deadline; nothing sleeps for a fixed
time to let something happen.
"""

import glob
import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.normpath(os.path.join(HERE, "..", ".."))
WINE_RUN = os.path.join(SOURCE_DIR, "tools", "wine-run")
ASSETS = os.path.join(SOURCE_DIR, "assets")

SCREEN_WIDTH = 1280
SCREEN_HEIGHT = 1024

# Deadlines. The first start in a fresh prefix also starts Wine's desktop process; a loaded CI
# machine is slow.
FIRST_START_TIMEOUT = 180
START_TIMEOUT = 60
STATE_TIMEOUT = 20


class Timeout(AssertionError):
    pass


class Miss:
    """A probe's "not yet", with what it saw instead, for the time-out message."""

    def __init__(self, seen):
        self.seen = seen

    def __bool__(self):
        return False

    def __repr__(self):
        return repr(self.seen)


def wait_until(probe, timeout=STATE_TIMEOUT, interval=0.05, what="the expected state"):
    """Calls `probe` until it gives a true value, and returns that value."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        last = probe()
        if last:
            return last
        if time.monotonic() >= deadline:
            raise Timeout(f"timed out after {timeout} s waiting for {what} (last seen: {last!r})")
        time.sleep(interval)


def run(command, env=None, timeout=60, check=True, input=None):
    result = subprocess.run(
        command, env=env, timeout=timeout, input=input, stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
    )
    if check and result.returncode != 0:
        raise RuntimeError(
            f"{command[0]} failed ({result.returncode}): {result.stderr.decode(errors='replace')}"
        )
    return result


def stop_process(process, timeout=20):
    """Ends a process this harness started, by its id, and waits for it."""
    if process is None:
        return
    if process.stdout is not None:
        process.stdout.close()
    if process.poll() is not None:
        return
    process.send_signal(signal.SIGTERM)
    try:
        process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout)


# ---------------------------------------------------------------------------------------------
# Pictures


class Image:
    """An RGB picture: rows of width * 3 bytes."""

    def __init__(self, width, height, rgb):
        self.width = width
        self.height = height
        self.rgb = rgb

    def pixel(self, x, y):
        offset = (y * self.width + x) * 3
        return "#%02X%02X%02X" % tuple(self.rgb[offset:offset + 3])

    def region(self, left, top, width, height):
        return [self.pixel(left + dx, top + dy) for dy in range(height) for dx in range(width)]

    @staticmethod
    def from_file(path):
        size = run(["identify", "-format", "%w %h", path]).stdout.decode().split()
        rgb = run(["convert", path, "-alpha", "off", "-depth", "8", "rgb:-"]).stdout
        return Image(int(size[0]), int(size[1]), rgb)


def asset(name):
    return Image.from_file(os.path.join(ASSETS, name))


def notify_icon_numbers():
    """The widget's notification-icon callback message and icon identifier, read from its own
    source (app/), where the Win32 window defines them."""
    pattern_message = re.compile(r"kNotifyIconMessage\s*=\s*WM_APP\s*\+\s*(\d+)")
    pattern_icon = re.compile(r"kNotifyIconId\s*=\s*(\d+)")
    message = icon = None
    for path in sorted(glob.glob(os.path.join(SOURCE_DIR, "app", "*win32*"))):
        with open(path, encoding="utf-8") as f:
            text = f.read()
        message = message or pattern_message.search(text)
        icon = icon or pattern_icon.search(text)
    if message is None or icon is None:
        raise AssertionError("app/ no longer defines kNotifyIconMessage = WM_APP + n and "
                             "kNotifyIconId = n where the tests can read them")
    wm_app = 0x8000
    return wm_app + int(message.group(1)), int(icon.group(1))


# ---------------------------------------------------------------------------------------------
# The session


class Session:
    def __init__(self, exe, inspector, port, lang, lc_ctype, artifacts):
        self.exe = exe
        self.inspector_exe = inspector
        self.port = port
        self.host = f"127.0.0.1:{port}"
        self.lang = lang
        self.lc_ctype = lc_ctype
        self.artifacts = artifacts
        self.root = tempfile.mkdtemp(prefix="velvane-e2e.")
        self.xvfb = None
        self.display = None
        self.opened_log = os.path.join(self.root, "opened.txt")
        self.env = None

    # -- set-up and tear-down --------------------------------------------------------------

    def start(self):
        self._start_xvfb()
        self._make_browser_stub()
        self.env = self._environment()
        # Sets up the prefix (wineboot, the test registry settings), then runs one program.
        run([WINE_RUN, "cmd", "/c", "exit", "0"], env=self.env, timeout=600)

    def close(self):
        if self.env is not None:
            # The prefix is this session's own: its wine server and what still runs in it end.
            subprocess.run(["wineserver", "-k"], env=self.env, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        stop_process(self.xvfb)
        shutil.rmtree(self.root, ignore_errors=True)

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        )
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    def _make_browser_stub(self):
        bin_dir = os.path.join(self.root, "bin")
        os.makedirs(bin_dir)
        stub = os.path.join(bin_dir, "xdg-open")
        with open(stub, "w") as f:
            f.write("#!/bin/sh\n"
                    "# Records the address instead of opening a browser.\n"
                    f"printf '%s\\n' \"$*\" >> '{self.opened_log}'\n")
        os.chmod(stub, 0o755)
        self.stub_dir = bin_dir

    def _environment(self):
        env = dict(os.environ)
        for name in ("LC_ALL", "LC_CTYPE", "LC_MESSAGES", "LANGUAGE"):
            env.pop(name, None)
        if self.lc_ctype:
            env["LC_CTYPE"] = self.lc_ctype
        env.update({
            "LANG": self.lang,
            "DISPLAY": self.display,
            "WINEPREFIX": os.path.join(self.root, "prefix"),
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "PATH": self.stub_dir + os.pathsep + env.get("PATH", ""),
        })
        env.pop("XAUTHORITY", None)
        return env

    # -- the inspector ---------------------------------------------------------------------

    def inspect(self, *arguments, timeout=60):
        """The inspector's JSON lines and its exit status."""
        result = subprocess.run(
            ["wine", self.inspector_exe, *arguments], env=self.env, timeout=timeout,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
        )
        lines = [json.loads(line) for line in result.stdout.decode("utf-8").splitlines()
                 if line.startswith("{")]
        return lines, result.returncode

    def inspect_in_background(self, *arguments):
        """Starts the inspector for a sub-command that reports as it goes (watch-text)."""
        return subprocess.Popen(["wine", self.inspector_exe, *arguments], env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)

    @staticmethod
    def lines_of(process):
        """The JSON lines of a background inspector as they come, until it ends."""
        for line in iter(process.stdout.readline, b""):
            if line.startswith(b"{"):
                yield json.loads(line.decode("utf-8"))

    def save_diagnostics(self, name):
        """A screenshot and the stacking of the top-level windows, for a failed test."""
        self.save_screenshot(f"{name}.png")
        lines, _ = self.inspect("z-order")
        with open(os.path.join(self.artifacts, f"{name}-z-order.txt"), "w") as f:
            f.writelines(json.dumps(line, ensure_ascii=False) + "\n" for line in lines)

    def snapshot(self):
        """The widget's window and its controls by identifier, or None when there is none."""
        lines, status = self.inspect("list")
        if status != 0 or not lines or lines[0]["kind"] != "window":
            return None
        return Snapshot(lines[0], {c["id"]: c for c in lines[1:] if c["kind"] == "control"})

    def topmost_samples(self, count=200):
        lines, status = self.inspect("topmost-samples", "--count", str(count))
        if status != 0:
            return None
        return lines[0]["topmost"]

    # -- X11 ---------------------------------------------------------------------------------

    def x(self, *command, timeout=30, check=True):
        return run(list(command), env=self.env, timeout=timeout, check=check)

    def xdotool(self, *arguments):
        return self.x("xdotool", *arguments)

    def move_pointer(self, x, y):
        self.xdotool("mousemove", str(x), str(y))

    def click(self, x, y, button=1):
        self.xdotool("mousemove", str(x), str(y), "click", str(button))

    def drag(self, start, end, steps=8):
        """Presses the left button at `start`, moves to `end` in steps, and lets go."""
        self.xdotool("mousemove", str(start[0]), str(start[1]), "mousedown", "1")
        for step in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * step // steps
            y = start[1] + (end[1] - start[1]) * step // steps
            self.xdotool("mousemove", str(x), str(y))
            time.sleep(0.02)  # pointer motion at a hand's pace, not a delay to wait for a state
        self.xdotool("mouseup", "1")

    def key(self, *names):
        self.xdotool("key", *names)

    def type_text(self, text):
        self.xdotool("type", text)

    def x_windows(self, name, pid=None, only_visible=True):
        command = ["xdotool", "search"]
        if pid is not None:
            command += ["--all", "--pid", str(pid)]
        if only_visible:
            command.append("--onlyvisible")
        command += ["--name", name]
        result = self.x(*command, check=False)
        return [int(w) for w in result.stdout.split()]

    def x_geometry(self, window):
        """(left, top, width, height) of an X window, or None when it is gone."""
        result = self.x("xwininfo", "-id", str(window), check=False)
        if result.returncode != 0:
            return None
        values = {}
        for line in result.stdout.decode().splitlines():
            name, _, value = line.strip().partition(":")
            values[name] = value.strip()
        return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                int(values["Width"]), int(values["Height"]))

    def screenshot(self):
        rgb = self.x("import", "-window", "root", "-depth", "8", "rgb:-").stdout
        return Image(SCREEN_WIDTH, SCREEN_HEIGHT, rgb)

    def save_screenshot(self, name, crop=None):
        os.makedirs(self.artifacts, exist_ok=True)
        path = os.path.join(self.artifacts, name)
        command = ["import", "-window", "root"]
        if crop is not None:
            left, top, width, height = crop
            command += ["-crop", f"{width}x{height}+{left}+{top}", "+repage"]
        self.x(*command, path)
        return path

    # -- the clipboard -----------------------------------------------------------------------

    def clipboard_text(self):
        """The X clipboard's text as characters, or None when nobody offers one."""
        result = self.x("xclip", "-o", "-selection", "clipboard", "-target", "UTF8_STRING",
                        check=False)
        if result.returncode != 0:
            return None
        return result.stdout.decode("utf-8")

    def own_clipboard(self, text):
        """Puts `text` on the X clipboard from outside Wine; the returned process serves it
        until another program takes the clipboard over, and then ends by itself."""
        holder = subprocess.Popen(
            ["xclip", "-quiet", "-i", "-selection", "clipboard"], env=self.env,
            stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        )
        holder.stdin.write(text.encode("utf-8"))
        holder.stdin.close()
        wait_until(lambda: self.clipboard_text() == text, what="the clipboard to hold our text")
        return holder

    # -- the browser stub --------------------------------------------------------------------

    def opened_addresses(self):
        try:
            with open(self.opened_log, encoding="utf-8") as f:
                return [line.rstrip("\n") for line in f]
        except FileNotFoundError:
            return []

    def forget_opened_addresses(self):
        if os.path.exists(self.opened_log):
            os.remove(self.opened_log)

    # -- the widget ----------------------------------------------------------------------------

    def start_widget(self, trace_log=None, channels="trace+win"):
        """Starts velvane.exe. With `trace_log`, Wine's trace of `channels` (by default the
        window calls) goes there."""
        env = dict(self.env)
        log = subprocess.DEVNULL
        if trace_log is not None:
            env["WINEDEBUG"] = "-all," + channels
            log = open(trace_log, "wb")
        process = subprocess.Popen(["wine", self.exe], env=env, stdout=subprocess.DEVNULL,
                                   stderr=log)
        if trace_log is not None:
            log.close()
        return Widget(self, process)


class Snapshot:
    """What the inspector saw of the widget at one moment."""

    def __init__(self, window, controls):
        self.window = window
        self.controls = controls

    @property
    def rect(self):
        return tuple(self.window["rect"])

    def text(self, control_id):
        return self.controls[control_id]["text"]

    def control_rect(self, control_id):
        return tuple(self.controls[control_id]["rect"])

    def centre(self, control_id):
        left, top, right, bottom = self.control_rect(control_id)
        return (left + right) // 2, (top + bottom) // 2


class Widget:
    """One velvane.exe process."""

    def __init__(self, session, process):
        self.session = session
        self.process = process

    @property
    def pid(self):
        return self.process.pid

    def running(self):
        return self.process.poll() is None

    def x_window(self, only_visible=True):
        windows = self.session.x_windows("^Velvane$", pid=self.pid, only_visible=only_visible)
        return windows[0] if windows else None

    def wait_shown(self, timeout=START_TIMEOUT):
        def shown():
            if not self.running():
                raise AssertionError("the widget ended before it was shown")
            return self.x_window()
        return wait_until(shown, timeout=timeout, interval=0.05, what="the widget to be shown")

    def geometry(self):
        window = self.x_window(only_visible=False)
        return self.session.x_geometry(window) if window is not None else None

    def wait_geometry(self, predicate, what):
        def probe():
            geometry = self.geometry()
            return geometry if geometry is not None and predicate(geometry) else None
        return wait_until(probe, what=what)

    def wait_ended(self, timeout=STATE_TIMEOUT):
        wait_until(lambda: not self.running(), timeout=timeout, what="the widget to end")

    def stop(self):
        stop_process(self.process)
