"""Drives the real client from outside, as a user would: an X server of its own (Xvfb, openbox
where windows are moved), the stand-in services, xdotool for the mouse and keyboard, the window
system for geometry, and the engine's remote-debugging port for page state."""

import base64
import json
import os
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "standin"))
import standin  # noqa: E402

DEBUG_PORT = 7788
SCREEN = (1280, 800)
# Form geometry of the main window: layout margins, title bar height, default size.
MARGIN = 9
TITLE_HEIGHT = 40
DEFAULT_SIZE = (1080, 610)
DATA_TAIL = os.path.join(".local", "share", "VantoroClient")


def poll(what, timeout, interval=0.1, description="condition"):
    """Calls what() until it returns something truthy; returns that, or raises after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        result = what()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %.1f s waiting for %s" % (timeout, description))
        time.sleep(interval)


# ---------------------------------------------------------------------------------------------
# X server


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
        self.wm = None
        if window_manager:
            wm_home = tempfile.mkdtemp(prefix="vt-openbox-", dir=scratch)
            self.wm = subprocess.Popen(
                ["openbox", "--sm-disable"], env=dict(self.env, HOME=wm_home),
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
            poll(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False),
                15, description="openbox to manage the display")

    def run(self, args, check=True):
        result = subprocess.run(args, env=self.env, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True, timeout=30)
        if check and result.returncode != 0:
            raise RuntimeError("%s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout

    def xdotool(self, *args):
        return self.run(["xdotool"] + [str(a) for a in args])

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
        main window) carry the process id too; they sit inside another window of the process,
        where a top-level window's parent is the root or a window manager's frame."""
        out = self.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)], check=False)
        windows = [int(w) for w in out.split()]
        return [w for w in windows if self.parent_window(w) not in windows]

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


def brightness(rgb):
    """Mean of all channels, 0..255."""
    return sum(rgb) / max(1, len(rgb))


def colour_count(rgb):
    return len({rgb[i:i + 3] for i in range(0, len(rgb) - 2, 3)})


# ---------------------------------------------------------------------------------------------
# Remote debugging (DevTools protocol over a WebSocket, standard library only)


class WebSocket:
    def __init__(self, url, timeout=10):
        rest = url.split("://", 1)[1]
        hostport, _, path = rest.partition("/")
        host, _, port = hostport.partition(":")
        self.sock = socket.create_connection((host, int(port)), timeout=timeout)
        key = base64.b64encode(os.urandom(16)).decode()
        request = ("GET /%s HTTP/1.1\r\nHost: %s\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                   "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n\r\n"
                   % (path, hostport, key))
        self.sock.sendall(request.encode())
        head = b""
        while not head.endswith(b"\r\n\r\n"):
            byte = self.sock.recv(1)
            if not byte:
                raise ConnectionError("WebSocket handshake closed")
            head += byte
        if b" 101 " not in head.split(b"\r\n", 1)[0]:
            raise ConnectionError("WebSocket handshake refused: %r" % head[:100])

    def _read(self, count):
        data = b""
        while len(data) < count:
            chunk = self.sock.recv(count - len(data))
            if not chunk:
                raise ConnectionError("WebSocket closed")
            data += chunk
        return data

    def _send_frame(self, opcode, payload):
        header = bytes([0x80 | opcode])
        length = len(payload)
        if length < 126:
            header += bytes([0x80 | length])
        elif length < 65536:
            header += bytes([0x80 | 126]) + struct.pack("!H", length)
        else:
            header += bytes([0x80 | 127]) + struct.pack("!Q", length)
        mask = os.urandom(4)
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self.sock.sendall(header + mask + masked)

    def send(self, text):
        self._send_frame(1, text.encode("utf-8"))

    def recv(self):
        message = b""
        while True:
            first, second = self._read(2)
            opcode = first & 0x0F
            length = second & 0x7F
            if length == 126:
                length = struct.unpack("!H", self._read(2))[0]
            elif length == 127:
                length = struct.unpack("!Q", self._read(8))[0]
            if second & 0x80:
                mask = self._read(4)
                payload = bytes(b ^ mask[i % 4] for i, b in enumerate(self._read(length)))
            else:
                payload = self._read(length)
            if opcode == 8:
                raise ConnectionError("WebSocket closed by peer")
            if opcode == 9:
                self._send_frame(10, payload)
                continue
            if opcode in (0, 1, 2):
                message += payload
                if first & 0x80:
                    return message.decode("utf-8")

    def close(self):
        try:
            self._send_frame(8, b"")
        except OSError:
            pass
        self.sock.close()


def debug_targets(timeout=2):
    with urllib.request.urlopen("http://127.0.0.1:%d/json" % DEBUG_PORT, timeout=timeout) as r:
        return json.loads(r.read().decode("utf-8"))


def debug_pages():
    try:
        return [t for t in debug_targets() if t.get("type") == "page"]
    except (OSError, ValueError):
        return []


def evaluate(page, expression, timeout=10):
    """Evaluates expression in a page (an entry of /json) and returns its value."""
    ws = WebSocket(page["webSocketDebuggerUrl"], timeout)
    try:
        ws.send(json.dumps({"id": 1, "method": "Runtime.evaluate", "params": {
            "expression": expression, "returnByValue": True, "awaitPromise": True}}))
        while True:
            reply = json.loads(ws.recv())
            if reply.get("id") == 1:
                break
    finally:
        ws.close()
    if "error" in reply:
        raise RuntimeError("evaluate failed: %s" % reply["error"])
    result = reply["result"]
    if "exceptionDetails" in result:
        raise RuntimeError("script threw: %s" % result["exceptionDetails"])
    return result["result"].get("value")


def navigate(page, url, timeout=15):
    """Loads url in the page as a link would, and waits for the new document to be complete."""
    evaluate(page, "window.__vtLeft = true; location.href = %s; true" % json.dumps(url))

    def arrived():
        try:
            return evaluate(page, "window.__vtLeft === undefined && "
                                  "document.readyState === 'complete'", timeout=2)
        except (RuntimeError, OSError):
            return False
    poll(arrived, timeout, description="a new document after loading " + url)


# ---------------------------------------------------------------------------------------------
# Processes


def unused_port():
    """A local TCP port with nothing listening on it: connections to it are refused."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def _listening_inode(port):
    wanted = ":%04X" % port
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        try:
            with open(table) as f:
                next(f)
                for line in f:
                    fields = line.split()
                    if fields[1].endswith(wanted) and fields[3] == "0A":
                        return fields[9]
        except OSError:
            pass
    return None


def parent_pid(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return int(f.read().rsplit(")", 1)[1].split()[1])
    except (OSError, ValueError):
        return 0


def process_tree(root):
    """root and all its descendants."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
        except OSError:
            continue
        ppid = int(stat.rsplit(")", 1)[1].split()[1])
        children.setdefault(ppid, []).append(int(entry))
    tree, todo = [], [root]
    while todo:
        pid = todo.pop()
        tree.append(pid)
        todo.extend(children.get(pid, []))
    return tree


def cmdline(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return f.read().split(b"\0")
    except OSError:
        return []


def port_owned_by_tree(port, root):
    inode = _listening_inode(port)
    if inode is None:
        return False
    link = "socket:[%s]" % inode
    for pid in process_tree(root):
        try:
            fds = os.listdir("/proc/%d/fd" % pid)
        except OSError:
            continue
        for fd in fds:
            try:
                if os.readlink("/proc/%d/fd/%s" % (pid, fd)) == link:
                    return True
            except OSError:
                pass
    return False


class Client:
    """One run of the real executable with its own home and working folder."""

    def __init__(self, exe, display, site, stats, home, workdir, log_path, extra_args=()):
        self.display = display
        self.home = home
        self.workdir = workdir
        self.log_path = log_path
        runtime = os.path.join(os.path.dirname(log_path), "runtime-" + os.path.basename(home))
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        os.makedirs(home, exist_ok=True)
        os.makedirs(workdir, exist_ok=True)
        env = standin.client_environment(stats, display.env)
        env.update(HOME=home, XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb")
        for name in list(env):
            if name.startswith(("QTWEBENGINE_", "XDG_DATA_HOME", "XDG_CONFIG_HOME",
                                "XDG_CACHE_HOME")):
                del env[name]
        # Another client (of another test run on this machine) may still hold the debugging port.
        poll(lambda: _listening_inode(DEBUG_PORT) is None, 120,
             description="port %d to be free" % DEBUG_PORT)
        self.log = open(log_path, "ab")
        self.proc = subprocess.Popen(
            [exe] + standin.engine_switches(site) + list(extra_args), cwd=workdir, env=env,
            stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        self.pid = self.proc.pid
        self.window = None

    @property
    def data_folder(self):
        return os.path.join(self.home, DATA_TAIL)

    def alive(self):
        return self.proc.poll() is None

    def wait_window(self, timeout=30):
        """Waits for the main window to be mapped; returns its id."""
        def find():
            if not self.alive():
                raise AssertionError("client exited early with %s" % self.proc.returncode)
            for window in self.display.visible_windows(self.pid):
                if self.display.geometry(window)[2] >= DEFAULT_SIZE[0] - 1:
                    return window
            return None
        self.window = poll(find, timeout, description="the main window")
        return self.window

    def main_page(self, timeout=30, url_part=standin.SITE_HOST):
        """The main browser's page entry from the debugging port, once it shows url_part."""
        def find():
            if not self.alive():
                raise AssertionError("client exited early with %s" % self.proc.returncode)
            pages = [p for p in debug_pages() if url_part in p.get("url", "")]
            if pages and port_owned_by_tree(DEBUG_PORT, self.pid):
                return pages[0]
            return None
        return poll(find, timeout, description="a page at %s on port %d" % (url_part, DEBUG_PORT))

    def page_by_id(self, page_id):
        for page in debug_pages():
            if page["id"] == page_id:
                return page
        return None

    def geometry(self):
        return self.display.geometry(self.window)

    def web_origin(self):
        """Screen position of the page's top-left corner."""
        x, y, _, _ = self.geometry()
        return x + MARGIN, y + MARGIN + TITLE_HEIGHT

    def element_centre(self, page, selector):
        rect = evaluate(page, "(() => { const r = document.querySelector(%s)"
                        ".getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; })()"
                        % json.dumps(selector))
        ox, oy = self.web_origin()
        return int(ox + rect[0] + rect[2] / 2), int(oy + rect[1] + rect[3] / 2)

    def wait_exit(self, timeout=15):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("client did not exit within %d s" % timeout)

    def renderer_pids(self):
        """Renderer processes: forked by the zygote that serves renderers, they keep its
        command line, or carry their own where the process title was rewritten."""
        found = []
        for pid in process_tree(self.pid):
            if b"--type=renderer" in cmdline(pid):
                found.append(pid)
                continue
            parent = cmdline(parent_pid(pid))
            if b"--type=zygote" in parent and b"--no-zygote-sandbox" not in parent:
                found.append(pid)
        return found

    def stop(self):
        if self.alive():
            try:
                os.killpg(self.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.proc.wait()
        else:
            # Sub-processes left behind by a client that died still belong to its group.
            try:
                os.killpg(self.pid, signal.SIGKILL)
            except (ProcessLookupError, PermissionError):
                pass
        self.log.close()

    def log_text(self):
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""


# ---------------------------------------------------------------------------------------------
# Title bar


class TitleBar:
    """Screen positions of the title bar's buttons, found on the screen.

    The three window buttons sit at the bar's right end; the three page buttons follow the title
    image and the version text, whose width depends on the font. Both groups are located by what
    the bar draws."""

    def __init__(self, client):
        self.client = client

    def rect(self):
        x, y, w, _ = self.client.geometry()
        return x + MARGIN, y + MARGIN, w - 2 * MARGIN, TITLE_HEIGHT

    def centre_y(self):
        return self.rect()[1] + TITLE_HEIGHT // 2

    def empty_spot(self):
        x, y, w, h = self.rect()
        return x + w // 2, y + h // 2

    def _button_columns(self):
        """Column ranges (title-bar x) where something other than the bar's background shows."""
        x, y, w, h = self.rect()
        band_top = y + 6
        band_height = 28
        rgb = self.client.display.pixels(x, band_top, w, band_height)
        background = rgb[(band_height // 2 * w + w // 2) * 3:(band_height // 2 * w + w // 2) * 3 + 3]
        occupied = []
        for col in range(w):
            hit = False
            for row in range(band_height):
                i = (row * w + col) * 3
                if abs(rgb[i] - background[0]) + abs(rgb[i + 1] - background[1]) + \
                        abs(rgb[i + 2] - background[2]) > 30:
                    hit = True
                    break
            occupied.append(hit)
        return occupied

    def _drawn_runs(self):
        """(left, right) column ranges of what is drawn on the bar, gaps under 6 pixels bridged:
        the characters of a text make one run, each button's glyph one of its own."""
        runs = []
        for col, hit in enumerate(self._button_columns()):
            if not hit:
                continue
            if runs and col - runs[-1][1] < 6:
                runs[-1][1] = col
            else:
                runs.append([col, col])
        return runs

    def buttons(self):
        """Centre (screen x, y) of each button by object name.

        Every button's glyph is drawn centred in it. The window buttons are the last three runs
        of the bar; the page buttons the last three of its left half, after the title image and
        the version text (whose width depends on the font)."""
        x, _, w, _ = self.rect()
        cy = self.centre_y()
        found = []

        def groups():
            # A window just restored or raised may not have been drawn again yet.
            runs = self._drawn_runs()
            found[:] = [runs]
            right = [r for r in runs if r[0] >= w // 2][-3:]
            left = [r for r in runs if r[1] < w // 2][-3:]
            return (right, left) if len(right) == 3 and len(left) >= 3 else None
        try:
            right, left = poll(groups, 5, interval=0.2, description="the title bar's buttons")
        except AssertionError:
            raise AssertionError("title bar buttons not found in %s" % found[0]) from None
        names = ("minimizeButton", "maximizeButton", "closeButton",
                 "returnhomeButton", "clearcookieButton", "refreshButton")
        return {name: (x + (a + b) // 2, cy) for name, (a, b) in zip(names, right + left)}


# ---------------------------------------------------------------------------------------------
# Test case base


class ClientTest(unittest.TestCase):
    """Base for the scenarios: one X display (with or without openbox), the stand-ins and a
    scratch folder per class. Subclasses start their clients in prepare(). Everything started
    here is stopped again, also when preparing fails; the clients' output is shown when
    anything failed."""

    window_manager = False
    exe = None

    @classmethod
    def setUpClass(cls):
        cls.failed = False
        cls.clients = []
        cls.scratch = tempfile.mkdtemp(prefix="vt-e2e-")
        cls.addClassCleanup(cls._remove_scratch)
        cls.display = XDisplay(window_manager=cls.window_manager, scratch=cls.scratch)
        cls.addClassCleanup(cls.display.close)
        cls.site = standin.Site()
        cls.addClassCleanup(cls.site.stop)
        cls.stats = standin.Stats()
        cls.addClassCleanup(cls.stats.stop)
        cls.addClassCleanup(cls._stop_clients)
        try:
            cls.prepare()
        except BaseException:
            cls.failed = True
            raise

    @classmethod
    def prepare(cls):
        pass

    @classmethod
    def _stop_clients(cls):
        for client in cls.clients:
            client.stop()
            if cls.failed:
                sys.stderr.write("---- output of client %s (exit %s) ----\n%s\n" % (
                    client.log_path, client.proc.returncode, client.log_text()[-6000:]))

    @classmethod
    def _remove_scratch(cls):
        if os.environ.get("VT_E2E_KEEP"):
            sys.stderr.write("scratch folder kept: %s\n" % cls.scratch)
        else:
            shutil.rmtree(cls.scratch, ignore_errors=True)

    @classmethod
    def start_client(cls, home="home", workdir="work", extra_args=()):
        run = len(cls.clients)
        client = Client(cls.exe, cls.display, cls.site, cls.stats,
                        os.path.join(cls.scratch, home), os.path.join(cls.scratch, workdir),
                        os.path.join(cls.scratch, "client-%d.log" % run), extra_args)
        cls.clients.append(client)
        return client

    def run(self, result=None):
        problems = len(result.failures) + len(result.errors) if result else 0
        outcome = super().run(result)
        if result and len(result.failures) + len(result.errors) > problems:
            type(self).failed = True
        return outcome


def main():
    """Entry point of a scenario script: the executable path is the first argument."""
    if len(sys.argv) < 2:
        sys.stderr.write("usage: %s PATH-TO-vantoro-client [unittest options]\n" % sys.argv[0])
        sys.exit(2)
    ClientTest.exe = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)
