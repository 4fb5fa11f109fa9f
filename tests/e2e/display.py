"""An X server of the test's own (Xvfb, with openbox where windows are moved), seen and driven
as a user would: xdotool for the mouse and keyboard, the window system for geometry, and the
screen's pixels."""

import os
import select
import subprocess
import tempfile
import time

from Xlib import X, display as xdisplay
from Xlib.protocol import event

from processes import poll

SCREEN = (1280, 800)


class XDisplay:
    """An Xvfb server on a free display number, optionally with openbox managing its windows."""

    def __init__(self, window_manager=False, size=SCREEN, scratch=None):
        read_end, write_end = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "%dx%dx24" % size,
             "-nolisten", "tcp", "-noreset"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or self.server.poll() is not None:
                os.close(read_end)
                self.close()
                raise RuntimeError("Xvfb did not start")
            ready, _, _ = select.select([read_end], [], [], 0.2)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        os.close(read_end)
        self.name = ":" + number.decode().strip()
        self.size = size
        self.env = dict(os.environ, DISPLAY=self.name)
        self.qpa_platform = "xcb"
        self.wm = None
        if window_manager:
            wm_home = tempfile.mkdtemp(prefix="vt-openbox-", dir=scratch)
            self.wm = subprocess.Popen(
                ["openbox", "--sm-disable"], env=dict(self.env, HOME=wm_home),
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
            poll(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False),
                15, description="openbox to manage the display")

    @classmethod
    def existing(cls, name, size=SCREEN):
        """An X server that someone else runs (a compositor's XWayland), for its windows."""
        self = cls.__new__(cls)
        self.server = self.wm = None
        self.name = name
        self.size = size
        self.env = dict(os.environ, DISPLAY=name)
        self.qpa_platform = "xcb"
        return self

    def run(self, args, check=True, input=None):
        result = subprocess.run(args, env=self.env, input=input, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True, timeout=30)
        if check and result.returncode != 0:
            raise RuntimeError("%s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout

    def xdotool(self, *args):
        return self.run(["xdotool"] + [str(a) for a in args])

    def sync_window_manager(self):
        """Returns once the window manager has handled what reached it before, pointer events
        included: it reads a request to change the number of desktops after them, and its answer
        shows on the root window."""
        count = int(self.xdotool("get_num_desktops"))
        for wanted in (count + 1, count):
            self.xdotool("set_num_desktops", wanted)
            poll(lambda: int(self.xdotool("get_num_desktops")) == wanted, 5,
                 description="the window manager to count %d desktops" % wanted)

    def close(self):
        for proc in (self.wm, self.server):
            if proc and proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()

    # --- windows -----------------------------------------------------------------------------

    def visible_windows(self, pid):
        """Mapped top-level windows of a process. Native child windows (the page's, inside the
        main window, and the main window's own content, as large as the window) carry the
        process id too; they sit inside another window of the process, where a top-level
        window's parent is the root or a window manager's frame. That parent is looked for
        among all the process's windows, mapped or not: a window manager maps the top-level
        window's frame while the search runs, so a search of mapped windows alone may list a
        child without its top-level window."""
        def search(*options):
            out = self.run(["xdotool", "search"] + list(options) + ["--pid", str(pid)],
                           check=False)
            return [int(w) for w in out.split()]
        visible = search("--onlyvisible")
        every = set(search())
        return [w for w in visible if self.parent_window(w) not in every]

    def parent_window(self, window):
        out = self.run(["xwininfo", "-tree", "-id", str(window)], check=False)
        for line in out.splitlines():
            if line.strip().startswith("Parent window id:"):
                return int(line.split(":", 1)[1].split()[0], 16)
        return None

    def geometry(self, window):
        """Absolute x, y, width, height of a window."""
        out = self.run(["xwininfo", "-id", str(window)])
        values = {}
        for line in out.splitlines():
            key, _, value = line.strip().partition(":")
            values[key] = value.strip()
        return (int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                int(values["Width"]), int(values["Height"]))

    def window_name(self, window):
        return self.run(["xdotool", "getwindowname", str(window)], check=False).strip()

    def wm_state(self, window):
        """'Normal', 'Iconic' or '' from the window's WM_STATE."""
        out = self.run(["xprop", "-id", str(window), "WM_STATE"], check=False)
        for line in out.splitlines():
            if "window state:" in line:
                return line.split(":", 1)[1].strip()
        return ""

    def popups(self, pid):
        """Mapped override-redirect windows of a process: its menus and tooltips."""
        found = []
        out = self.run(["xwininfo", "-root", "-children"], check=False)
        for line in out.splitlines():
            line = line.strip()
            if not line.startswith("0x"):
                continue
            window = int(line.split()[0], 16)
            attrs = self.run(["xwininfo", "-id", str(window)], check=False)
            if "Map State: IsViewable" not in attrs or "Override Redirect State: yes" not in attrs:
                continue
            owner = self.run(["xprop", "-id", str(window), "_NET_WM_PID"], check=False)
            if owner.strip().endswith("= %d" % pid):
                found.append(window)
        return found

    # --- input -------------------------------------------------------------------------------

    def move_mouse(self, x, y):
        self.xdotool("mousemove", "--sync", x, y)

    def click(self, x, y, button=1, repeat=1):
        self.move_mouse(x, y)
        # A short rest lets the toolkit see the pointer arrive before the press.
        time.sleep(0.05)
        if repeat > 1:
            self.xdotool("click", "--repeat", repeat, "--delay", 80, button)
        else:
            self.xdotool("click", button)

    def drag(self, start, end, steps=12, button=1):
        """Presses at start, moves to end in steps, releases."""
        self.move_mouse(*start)
        time.sleep(0.05)
        self.xdotool("mousedown", button)
        time.sleep(0.1)
        # A first pixel of motion starts the drag (a window move is handed to the window manager
        # here, which then follows the pointer from where it is).
        self.xdotool("mousemove", start[0] + (1 if end[0] >= start[0] else -1), start[1])
        time.sleep(0.2)
        for i in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * i // steps
            y = start[1] + (end[1] - start[1]) * i // steps
            self.xdotool("mousemove", x, y)
            time.sleep(0.03)
        time.sleep(0.1)
        self.xdotool("mouseup", button)

    def key(self, *keys):
        self.xdotool("key", *keys)

    def close_window(self, window):
        """Asks a window to close, as a window manager does when the user closes it."""
        connection = self.connect()
        try:
            protocols = connection.intern_atom("WM_PROTOCOLS")
            delete = connection.intern_atom("WM_DELETE_WINDOW")
            target = connection.create_resource_object("window", window)
            target.send_event(event.ClientMessage(window=target, client_type=protocols,
                                                  data=(32, [delete, X.CurrentTime, 0, 0, 0])))
            connection.sync()
        finally:
            connection.close()

    def connect(self):
        return xdisplay.Display(self.name)

    # --- pixels ------------------------------------------------------------------------------

    def screenshot(self, path):
        self.run(["import", "-window", "root", path])

    def pixels(self, x, y, width, height):
        """RGB bytes of a screen rectangle, row by row."""
        data = subprocess.run(
            ["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (width, height, x, y),
             "-depth", "8", "rgb:-"],
            env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30,
            check=True).stdout
        return data

    def white_shares(self, rect, until, timeout=30):
        """Grabs rect of the screen again and again, as fast as the X server answers, until
        until() is true; returns each grab's share of pure white pixels (0..1)."""
        connection = self.connect()
        root = connection.screen().root
        x, y, width, height = rect
        shares = []
        deadline = time.monotonic() + timeout
        try:
            while not until() and time.monotonic() < deadline:
                image = root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF)
                data = image.data
                # Blue, green and red bytes of each pixel, then a pad byte (depth 24 in 32 bits).
                white = sum(1 for i in range(0, width * height * 4, 4)
                            if data[i] == data[i + 1] == data[i + 2] == 255)
                shares.append(white / (width * height))
        finally:
            connection.close()
        return shares


def brightness(rgb):
    """Mean of all channels, 0..255."""
    return sum(rgb) / max(1, len(rgb))


def colour_count(rgb):
    return len({rgb[i:i + 3] for i in range(0, len(rgb) - 2, 3)})
