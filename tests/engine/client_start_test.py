#!/usr/bin/env python3
"""The real client started as a user and as the engine would start it, on the X display the test
runs under (xvfb-run), with HOME in a temporary folder, every plain-HTTP request sent to a local
port where nothing listens and its home page served by the stand-in site."""
import ctypes
import json
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools",
                                "standin"))
import standin  # noqa: E402

EXE = None
DEBUG_PORT = 7788
DATA_TAIL = os.path.join(".local", "share", "VantoroClient")


def poll(what, timeout, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = what()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(interval)


def closed_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def client_environment(home):
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("QTWEBENGINE_", "XDG_", "QT_QPA_"))
           and not k.lower().endswith("_proxy")}
    proxy = "http://127.0.0.1:%d" % closed_port()
    env.update(HOME=home, http_proxy=proxy, HTTP_PROXY=proxy)
    return env


def tree_below(root):
    entries = []
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            entries.append(os.path.relpath(os.path.join(folder, name), root))
    return sorted(entries)


def top_level_windows(pid):
    """Mapped top-level windows of the process."""
    listing = subprocess.run(["xwininfo", "-root", "-children"], stdout=subprocess.PIPE,
                             text=True, check=True).stdout
    found = []
    for line in listing.splitlines():
        words = line.split()
        if not words or not words[0].startswith("0x"):
            continue
        window = words[0]
        owner = subprocess.run(["xprop", "-id", window, "_NET_WM_PID"], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True).stdout
        if owner.strip().endswith("= %d" % pid):
            state = subprocess.run(["xwininfo", "-id", window], stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True).stdout
            if "IsViewable" in state:
                found.append(int(window, 16))
    return found


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("client", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def send_wm_delete(window):
    """What a window manager sends when the user closes a window."""
    xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(XEvent)]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(None)
    if not display:
        raise RuntimeError("cannot open the X display")
    event = XEvent()
    event.client.type = 33  # ClientMessage
    event.client.window = window
    event.client.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    xlib.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    xlib.XFlush(display)
    xlib.XCloseDisplay(display)


def debug_version():
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    try:
        with opener.open("http://127.0.0.1:%d/json/version" % DEBUG_PORT, timeout=2) as reply:
            return json.loads(reply.read().decode("utf-8"))
    except (OSError, ValueError):
        return None


class EngineRole(unittest.TestCase):
    def test_engine_role_creates_no_window_and_exits_with_minus_one(self):
        with tempfile.TemporaryDirectory() as scratch:
            home = os.path.join(scratch, "home")
            os.mkdir(home)
            proc = subprocess.Popen([EXE, "--type=bogus"], cwd=scratch,
                                    env=client_environment(home), stdout=subprocess.PIPE,
                                    stderr=subprocess.STDOUT, start_new_session=True)
            windows = []
            while proc.poll() is None:
                windows += top_level_windows(proc.pid)
                time.sleep(0.05)
            proc.wait(30)
            output = proc.stdout.read().decode("utf-8", "replace")
            proc.stdout.close()
            self.assertEqual(proc.returncode, 255, output)
            self.assertEqual(windows, [])
            self.assertEqual(tree_below(home), [])


class NormalStart(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        cls.home = os.path.join(cls.scratch.name, "home")
        workdir = os.path.join(cls.scratch.name, "work")
        os.mkdir(cls.home)
        os.mkdir(workdir)
        cls.log = open(os.path.join(cls.scratch.name, "client.log"), "w+b")
        cls.site = standin.Site()
        cls.proc = subprocess.Popen([EXE] + standin.engine_switches(cls.site), cwd=workdir,
                                    env=client_environment(cls.home), stdout=cls.log,
                                    stderr=subprocess.STDOUT, start_new_session=True)
        cls.windows = poll(lambda: top_level_windows(cls.proc.pid), 30)
        cls.version = poll(debug_version, 20) if cls.windows else None
        cls.home_page = cls.site.wait_for_path("/loaded", 30) if cls.windows else None
        cls.closed_after = None
        cls.returncode = None
        if cls.windows:
            closing = time.monotonic()
            for window in cls.windows:
                send_wm_delete(window)
            try:
                cls.returncode = cls.proc.wait(15)
                cls.closed_after = time.monotonic() - closing
            except subprocess.TimeoutExpired:
                pass
        if cls.proc.poll() is None:
            os.killpg(cls.proc.pid, 9)
            cls.proc.wait()
        cls.log.seek(0)
        cls.output = cls.log.read().decode("utf-8", "replace")
        cls.log.close()

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()
        try:
            os.killpg(cls.proc.pid, 9)
        except (ProcessLookupError, PermissionError):
            pass
        cls.scratch.cleanup()

    def test_shows_its_window(self):
        self.assertTrue(self.windows, self.output)

    def test_remote_debugging_answers_while_it_runs(self):
        self.assertIsNotNone(self.version, self.output)
        self.assertIn("Browser", self.version)
        self.assertTrue(self.version.get("webSocketDebuggerUrl", "").startswith("ws://"))

    def test_home_page_loads_with_the_product_user_agent(self):
        self.assertIsNotNone(self.home_page, self.output)
        requests = [r for r in self.site.requests() if r["path"] == "/"]
        self.assertTrue(requests)
        self.assertTrue(requests[0]["user_agent"].endswith(" vtclient/1.0.3"),
                        requests[0]["user_agent"])

    def test_closing_the_window_ends_it_with_zero_within_seconds(self):
        self.assertEqual(self.returncode, 0, self.output)
        self.assertLess(self.closed_after, 10)

    def test_engine_data_lands_below_the_data_folder_only(self):
        tree = tree_below(self.home)
        allowed_parents = {".local", os.path.join(".local", "share")}
        for entry in tree:
            self.assertTrue(entry in allowed_parents or entry == DATA_TAIL
                            or entry.startswith(DATA_TAIL + os.sep)
                            or entry == ".pki" or entry.startswith(".pki" + os.sep), entry)
        cache = os.path.join(DATA_TAIL, "cache")
        for written in ("user_prefs.json", "Cookies", "Cache"):
            self.assertIn(os.path.join(cache, written), tree)
        self.assertNotIn(os.path.join(cache, "ProfileDefaults"), tree)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.stderr.write("usage: %s PATH-TO-vantoro-client [unittest options]\n" % sys.argv[0])
        sys.exit(2)
    EXE = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)
