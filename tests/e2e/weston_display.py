"""A Wayland desktop of the test's own: Debian's weston with its X11 backend, its output a window
on an Xvfb server of its own, through which xdotool drives weston's pointer and keyboard and the
screen's pixels are read. Clients run natively (QT_QPA_PLATFORM=wayland) or, with xwayland, as X
clients of weston's XWayland server.

Nothing outside the compositor tells where a native client's window is: it is found by what the
screen shows against weston's plain background. XWayland's windows are where X says they are."""

import os
import re
import shutil
import subprocess
import tempfile
import time

from Xlib import X

from display import SCREEN, XDisplay
from processes import poll

BACKGROUND = bytes((0x20, 0x40, 0x60))
# Stands for the main window in the calls that take a window id.
MAIN_WINDOW = 1
# A row belongs to the main window when at least this many of its pixels are not background:
# more than any small window or the pointer covers.
_WIDE = 400

# The background's grey level.
_MARKS = bytes(0 if g == 59 else 1 for g in range(256))

_CONFIG = """[core]
idle-time=0
[shell]
panel-position=none
background-color=0xff204060
locking=false
animation=none
startup-animation=none
close-animation=none
focus-animation=none
"""


class WestonDisplay:
    """weston on an Xvfb of its own; env is what a client needs to show its windows there."""

    def __init__(self, xwayland=False, size=SCREEN, scratch=None):
        self.size = size
        self.xwayland = xwayland
        self.x = XDisplay(size=size, scratch=scratch)
        self.runtime = tempfile.mkdtemp(prefix="vt-weston-", dir=scratch)
        os.chmod(self.runtime, 0o700)
        config = os.path.join(self.runtime, "weston.ini")
        with open(config, "w") as f:
            f.write(_CONFIG)
        self.log_path = os.path.join(self.runtime, "weston.log")
        args = ["weston", "--backend=x11-backend.so", "--width=%d" % size[0],
                "--height=%d" % size[1], "--socket=wayland-vt", "--config=" + config,
                "--log=" + self.log_path]
        if xwayland:
            args.append("--xwayland")
        env = dict(self.x.env, XDG_RUNTIME_DIR=self.runtime)
        env.pop("WAYLAND_DISPLAY", None)
        self.server = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            self._wait_ready()
        except BaseException:
            self.close()
            raise
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "WAYLAND_SOCKET", "DISPLAY", "XDG_SESSION_TYPE"):
            self.env.pop(name, None)
        if xwayland:
            self.env.update(DISPLAY=self.windows.name, QT_QPA_PLATFORM="xcb")
        else:
            self.env.update(WAYLAND_DISPLAY=os.path.join(self.runtime, "wayland-vt"),
                            QT_QPA_PLATFORM="wayland")
        self.qpa_platform = self.env["QT_QPA_PLATFORM"]

    def log_tail(self):
        return self._log()[-8000:]

    def _log(self):
        try:
            with open(self.log_path, errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def _wait_ready(self):
        def ready():
            if self.server.poll() is not None:
                raise RuntimeError("weston ended: %s" % self._log()[-2000:])
            # The shell has drawn its background once the middle of the screen shows it.
            w, h = self.size
            return self.x.pixels(w // 2 - 40, h // 2 - 40, 1, 1) == BACKGROUND
        poll(ready, 30, description="weston's desktop")
        self._enter_pointer()
        if self.xwayland:
            found = poll(lambda: re.search(r"xserver listening on display (:\d+)", self._log()),
                         15, description="weston's XWayland server")
            # weston shades the background around X windows: they are found through X.
            self.windows = XDisplay.existing(found.group(1), self.size)

    def _enter_pointer(self):
        """weston's X11 backend follows the pointer only from an enter event on its window, and
        the X server does not always send one for a window mapped under the pointer: weston then
        keeps its pointer at 0, 0 and moves it by the X pointer's steps, not to its places. A
        window of ours shown under the pointer and taken away makes the pointer leave weston's
        window and enter it again."""
        connection = self.x.connect()
        try:
            root = connection.screen().root
            where = root.query_pointer()
            cover = root.create_window(where.root_x, where.root_y, 1, 1, 0, X.CopyFromParent,
                                       X.InputOnly, X.CopyFromParent, override_redirect=True)
            cover.map()
            connection.sync()
            time.sleep(0.05)
            cover.destroy()
            connection.sync()
        finally:
            connection.close()
        # weston draws its pointer into its output: it shows where the X pointer is once followed.
        spot = (self.size[0] // 3, self.size[1] // 3)
        self.x.move_mouse(*spot)
        poll(lambda: self._marks_near(spot), 10, description="weston's pointer at %s" % (spot,))

    def _marks_near(self, spot, reach=24):
        w = self.size[0]
        marks = self._window_marks()
        return any(marks[y * w + spot[0] - reach:y * w + spot[0] + reach].count(1)
                   for y in range(spot[1] - reach, spot[1] + reach))

    def close(self):
        if self.server.poll() is None:
            self.server.terminate()
            try:
                self.server.wait(5)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
        self.x.close()
        shutil.rmtree(self.runtime, ignore_errors=True)

    # --- windows, by what the screen shows -----------------------------------------------------

    def main_window_rect(self):
        """x, y, width, height of the widest window on the screen, or None."""
        w, h = self.size
        marks = self._window_marks()
        rows = [y for y in range(h) if marks[y * w:(y + 1) * w].count(1) >= _WIDE]
        if not rows:
            return None
        # The longest run of such rows; a notice or tooltip inside it changes nothing.
        runs = []
        for y in rows:
            if runs and y == runs[-1][1] + 1:
                runs[-1][1] = y
            else:
                runs.append([y, y])
        top, bottom = max(runs, key=lambda r: r[1] - r[0])
        lefts, rights = [], []
        for y in range(top, bottom + 1, max(1, (bottom - top) // 8)):
            row = marks[y * w:(y + 1) * w]
            lefts.append(row.index(1))
            rights.append(row.rindex(1))
        lefts.sort()
        rights.sort()
        left, right = lefts[len(lefts) // 2], rights[len(rights) // 2]
        return left, top, right - left + 1, bottom - top + 1

    def _window_marks(self):
        """One byte per screen pixel: 1 where something other than the background shows."""
        w, h = self.size
        grey = subprocess.run(
            ["import", "-window", "root", "-colorspace", "gray", "-depth", "8", "gray:-"],
            env=self.x.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30,
            check=True).stdout
        return grey.translate(_MARKS)

    def visible_windows(self, pid):
        """Natively the main window, when the screen shows one (the screen knows no pid)."""
        if self.xwayland:
            return self.windows.visible_windows(pid)
        rect = self.main_window_rect()
        return [MAIN_WINDOW] if rect else []

    def geometry(self, window):
        if self.xwayland:
            return self.windows.geometry(window)
        # None shows while the window changes from one state to the next.
        return self.main_window_rect() or (0, 0, 0, 0)

    # --- input and pixels go through the X server that shows weston's output ---------------------

    def pixels(self, x, y, width, height):
        return self.x.pixels(x, y, width, height)

    def screenshot(self, path):
        self.x.screenshot(path)

    def move_mouse(self, x, y):
        self.x.move_mouse(x, y)

    def click(self, x, y, button=1, repeat=1):
        self.x.click(x, y, button, repeat)

    def drag(self, start, end, steps=12, button=1):
        self.x.drag(start, end, steps, button)

    def key(self, *keys):
        self.x.key(*keys)

    def park_pointer(self):
        """Moves weston's pointer, which it draws into the screen, to the bottom-right corner."""
        self.x.move_mouse(self.size[0] - 1, self.size[1] - 1)
