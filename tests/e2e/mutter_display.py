"""GNOME's compositor as a test's desktop: Debian's mutter nested in an Xvfb server of its own,
with a session bus of its own, its clients X clients of its XWayland server (QT_QPA_PLATFORM=xcb)
as under GNOME without Qt's Wayland platform. xdotool drives the pointer and keyboard through the
Xvfb server, whose screen shows mutter's output at the same coordinates."""

import glob
import os
import re
import shutil
import subprocess
import tempfile

from display import SCREEN, XDisplay
from processes import poll
from session_bus import SessionBus
from weston_display import WestonDisplay


class MutterDisplay(WestonDisplay):
    """mutter --nested on an Xvfb of its own; env is what a client needs to show its windows on
    mutter's XWayland."""

    def __init__(self, size=SCREEN, scratch=None):
        self.size = size
        self.xwayland = True
        self.x = XDisplay(size=size, scratch=scratch)
        self.runtime = tempfile.mkdtemp(prefix="vt-mutter-", dir=scratch)
        os.chmod(self.runtime, 0o700)
        self.bus = SessionBus(os.path.join(self.runtime, "bus"))
        self.log_path = os.path.join(self.runtime, "mutter.log")
        self.version = int(re.search(r"(\d+)\.", subprocess.run(
            ["mutter", "--version"], stdout=subprocess.PIPE, text=True, check=True).stdout).group(1))
        env = dict(self.x.env, XDG_RUNTIME_DIR=self.runtime,
                   MUTTER_DEBUG_DUMMY_MODE_SPECS="%dx%d" % size,
                   # What it did with moves and resizes, for the log shown when a case fails.
                   MUTTER_DEBUG="window-ops,resizing,input", **self.bus.env)
        env.pop("WAYLAND_DISPLAY", None)
        with open(self.log_path, "w") as log:
            self.server = subprocess.Popen(
                ["mutter", "--nested", "--wayland", "--wayland-display=wayland-vt"], env=env,
                stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            found = poll(lambda: self._ended() or re.search(
                r"Using public X11 display (:\d+)", self._log()), 30,
                description="mutter's XWayland server")
            self.windows = XDisplay.existing(found.group(1), self.size)
            # XWayland lets in only who holds the cookie mutter wrote into the runtime folder.
            cookie = poll(lambda: glob.glob(os.path.join(self.runtime, ".mutter-Xwaylandauth.*")),
                          10, description="mutter's XWayland cookie")[0]
            self.windows.env["XAUTHORITY"] = cookie
            poll(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.windows.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False),
                30, description="mutter to manage its XWayland display")
        except BaseException:
            self.close()
            raise
        self.env = dict(os.environ, DISPLAY=self.windows.name, XAUTHORITY=cookie,
                        QT_QPA_PLATFORM="xcb")
        for name in ("WAYLAND_DISPLAY", "WAYLAND_SOCKET", "XDG_SESSION_TYPE"):
            self.env.pop(name, None)
        self.qpa_platform = "xcb"

    def _ended(self):
        if self.server.poll() is not None:
            raise RuntimeError("mutter ended: %s" % self._log()[-2000:])
        return None

    def close(self):
        if self.server.poll() is None:
            self.server.terminate()
            try:
                self.server.wait(5)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait()
        self.bus.close()
        self.x.close()
        shutil.rmtree(self.runtime, ignore_errors=True)
