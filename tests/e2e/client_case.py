"""One run of the real client, and the base of the end-to-end scenarios that drive it."""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "standin"))
import standin  # noqa: E402
from devtools import DEBUG_PORT, debug_pages, evaluate  # noqa: E402
from display import XDisplay  # noqa: E402
from notices import AccessibilityBus, NoticeReader  # noqa: E402
from processes import (cmdline, give_to, ordinary_user, parent_pid, poll,  # noqa: E402
                       port_owned_by_tree, process_tree, processes_of, thread_stacks,
                       wait_port_free)
from title_bar_locator import DEFAULT_SIZE, MARGIN, TITLE_HEIGHT, TitleBar  # noqa: E402

DATA_TAIL = os.path.join(".local", "share", "VantoroClient")


# The client's settings file below a home folder: the window's place and zoom, kept answers.
SETTINGS_TAIL = os.path.join(".config", "VantoroClient", "vantoro-client.conf")


def write_settings(home, text):
    """Leaves a settings file in home as an earlier run would have."""
    path = os.path.join(home, SETTINGS_TAIL)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


class Client:
    """One run of the real executable with its own home and working folder."""

    def __init__(self, exe, display, site, stats, home, workdir, log_path, extra_args=(),
                 port_free=True, accessibility=None, extra_env=None, user=None):
        self.display = display
        self.accessibility = accessibility
        self.home = home
        self.workdir = workdir
        self.log_path = log_path
        runtime = os.path.join(os.path.dirname(log_path), "runtime-" + os.path.basename(home))
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        os.makedirs(home, exist_ok=True)
        os.makedirs(workdir, exist_ok=True)
        give_to(user, runtime, home, workdir)
        as_user = {} if user is None else {"user": user.pw_uid, "group": user.pw_gid,
                                           "extra_groups": []}
        env = standin.client_environment(stats, display.env)
        env.update(HOME=home, XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM=display.qpa_platform)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        if accessibility:
            env.update(accessibility.env())
        for name in list(env):
            if name.startswith(("QTWEBENGINE_", "XDG_DATA_HOME", "XDG_CONFIG_HOME",
                                "XDG_CACHE_HOME")):
                del env[name]
        env.update(extra_env or {})
        if port_free:
            # In a namespace of the scenario's own (tools/private-net) only its own clients, just
            # stopped, may still hold the port; elsewhere another run's client may, for a while.
            wait_port_free(DEBUG_PORT, 10 if os.environ.get("VT_PRIVATE_NET") else 120)
        self.log = open(log_path, "ab")
        self.exe = os.path.realpath(exe)
        self.proc = subprocess.Popen(
            [exe] + standin.engine_switches(site) + list(extra_args), cwd=workdir, env=env,
            stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True, **as_user)
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

    def other_windows(self):
        """Mapped top-level windows of the client besides the main one: notices, pop-ups."""
        return [w for w in self.display.visible_windows(self.pid) if w != self.window]

    @property
    def notices(self):
        """Reader of the notices this client shows; needs a scenario with reads_notices."""
        if not self.accessibility:
            raise AssertionError("notices are read in scenarios with reads_notices = True")
        return NoticeReader(self.accessibility, self.pid)

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
        """The client's exit code, once it and all its sub-processes have ended; a client still
        running when the time is up, or a sub-process still there a second after its exit, has
        the stacks of all its threads written to the test's output before it fails."""
        try:
            code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.write_stacks(process_tree(self.pid), "client %d did not exit within %d s" % (
                self.pid, timeout))
            raise AssertionError("client did not exit within %d s" % timeout)
        try:
            poll(lambda: not processes_of(self.exe, self.pid), 1)
        except AssertionError:
            left = processes_of(self.exe, self.pid)
            self.write_stacks(left, "processes of client %d left 1 s after its exit" % self.pid)
            raise AssertionError("processes %s outlived the client" % left)
        return code

    def write_stacks(self, pids, why):
        text = "---- %s: stacks of %s ----\n%s" % (why, pids, thread_stacks(pids))
        sys.stderr.write(text)
        sys.stderr.flush()

    def renderer_pids(self):
        """Renderer processes: forked by the zygote that serves renderers, they keep its
        command line, or carry their own where the process title was rewritten. Under the
        sandbox that zygote is itself forked by the first one, pid 1 of their namespace; a
        zygote has a single thread, a renderer many."""
        found = []
        for pid in process_tree(self.pid):
            if b"--type=renderer" in cmdline(pid):
                found.append(pid)
                continue
            parent = cmdline(parent_pid(pid))
            if (b"--type=zygote" in parent and b"--no-zygote-sandbox" not in parent and
                    len(os.listdir("/proc/%d/task" % pid)) > 1):
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
        for pid in processes_of(self.exe, self.pid):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        self.log.close()

    def log_text(self):
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""


class ClientTest(unittest.TestCase):
    """Base for the scenarios: one X display (with or without openbox), the stand-ins and a
    scratch folder per class, and by default one client showing its home page (client, page,
    bar); scenarios that need otherwise override prepare(). Everything started here is stopped
    again, also when preparing fails; the clients' output is shown when anything failed."""

    window_manager = False
    # Clients of the scenario run on a desktop with accessibility on, so notices can be read.
    reads_notices = False
    # Clients run as an ordinary user (the tests may run as root), with a copy of the executable
    # that user can reach.
    ordinary = False
    exe = None

    @classmethod
    def setUpClass(cls):
        cls.failed = False
        cls.clients = []
        cls.scratch = tempfile.mkdtemp(prefix="vt-e2e-")
        cls.addClassCleanup(cls._remove_scratch)
        cls.user = None
        if cls.ordinary:
            cls.user = ordinary_user()
            give_to(cls.user, cls.scratch)
            if os.geteuid() == 0:
                cls.exe = shutil.copy(cls.exe, os.path.join(cls.scratch, os.path.basename(cls.exe)))
        cls.display = cls.make_display()
        cls.addClassCleanup(cls.display.close)
        cls.accessibility = None
        if cls.reads_notices:
            cls.accessibility = AccessibilityBus(cls.display, cls.scratch, cls.user)
            cls.addClassCleanup(cls.accessibility.close)
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
    def make_display(cls):
        return XDisplay(window_manager=cls.window_manager, scratch=cls.scratch)

    @classmethod
    def prepare(cls):
        cls.client = cls.start_client()
        cls.client.wait_window()
        cls.page = cls.client.main_page()
        if cls.site.wait_for_path("/loaded", 20, query_contains="page=home") is None:
            raise AssertionError("the home page did not finish loading")
        cls.bar = TitleBar(cls.client)

    @classmethod
    def _stop_clients(cls):
        for client in cls.clients:
            client.stop()
            if cls.failed:
                sys.stderr.write("---- output of client %s (exit %s) ----\n%s\n" % (
                    client.log_path, client.proc.returncode, client.log_text()[-6000:]))
        if cls.failed and hasattr(cls.display, "log_tail"):
            sys.stderr.write("---- the compositor's log ----\n%s\n" % cls.display.log_tail())

    @classmethod
    def _remove_scratch(cls):
        if os.environ.get("VT_E2E_KEEP"):
            sys.stderr.write("scratch folder kept: %s\n" % cls.scratch)
        else:
            shutil.rmtree(cls.scratch, ignore_errors=True)

    @classmethod
    def start_client(cls, home="home", workdir="work", extra_args=(), port_free=True,
                     extra_env=None):
        """port_free=False starts while another client holds the debugging port."""
        run = len(cls.clients)
        client = Client(cls.exe, cls.display, cls.site, cls.stats,
                        os.path.join(cls.scratch, home), os.path.join(cls.scratch, workdir),
                        os.path.join(cls.scratch, "client-%d.log" % run), extra_args, port_free,
                        cls.accessibility, extra_env, cls.user)
        cls.clients.append(client)
        return client

    def run(self, result=None):
        problems = len(result.failures) + len(result.errors) if result else 0
        outcome = super().run(result)
        if result and len(result.failures) + len(result.errors) > problems:
            type(self).failed = True
        return outcome


class TimedResult(unittest.TextTestResult):
    """Says how long each case took beside its verdict."""

    def startTest(self, test):
        self.started = time.monotonic()
        super().startTest(test)

    def _write_status(self, test, status):
        # A class's set-up or clean-up that fails is reported without a case having started.
        if isinstance(test, unittest.TestCase):
            status = "%s (%.1f s)" % (status, time.monotonic() - self.started)
        super()._write_status(test, status)


def main():
    """Entry point of a scenario script: the executable path is the first argument."""
    if len(sys.argv) < 2:
        sys.stderr.write("usage: %s PATH-TO-vantoro-client [unittest options]\n" % sys.argv[0])
        sys.exit(2)
    ClientTest.exe = os.path.abspath(sys.argv[1])
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:],
                  testRunner=unittest.TextTestRunner(resultclass=TimedResult, verbosity=2))
