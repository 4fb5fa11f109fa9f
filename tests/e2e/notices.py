"""The client's notices read as a screen reader reads them: over the accessibility bus of a
desktop of the test's own (a private session bus with at-spi's bus launcher and registry on it),
from the client's alert windows and the text of the labels inside them. Read with plain D-Bus
calls rather than libatspi (pyatspi), which serves one accessibility bus per process: a second
desktop, as the next scenario class starts, is not seen through it."""

import os
import select
import subprocess
import tempfile
import time

import dbus

from processes import give_to, poll

ATSPI_ROOT = "/org/a11y/atspi/accessible/root"
ACCESSIBLE = "org.a11y.atspi.Accessible"
ROLE_ALERT = 2
ROLE_LABEL = 29
STATE_SHOWING = 25

SESSION_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%s</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <!-- The test reads, as root, a desktop it may run for an ordinary user. -->
    <allow user="root"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


def _read_line(stream, timeout, what):
    """One line a helper prints once it is ready, read without hanging on a helper that dies."""
    deadline = time.monotonic() + timeout
    line = b""
    while not line.endswith(b"\n"):
        if time.monotonic() > deadline:
            raise RuntimeError("%s did not start" % what)
        if not select.select([stream], [], [], 0.2)[0]:
            continue
        chunk = os.read(stream, 256)
        if not chunk:
            raise RuntimeError("%s ended before it was ready" % what)
        line += chunk
    return line.decode().strip()


class AccessibilityBus:
    """A private session bus, activating nothing, with the accessibility bus launcher on it and
    accessibility turned on, as on a desktop where a screen reader runs. Clients started with
    env() find it; readers connect to the accessibility bus it hands out."""

    def __init__(self, display, scratch=None, user=None):
        """user (a passwd entry): the desktop of that user's, where the client runs as that user
        and a bus lets only its own user in."""
        self.folder = tempfile.mkdtemp(prefix="vt-a11y-", dir=scratch)
        config = os.path.join(self.folder, "session.conf")
        with open(config, "w") as f:
            f.write(SESSION_CONFIG % self.folder)
        give_to(user, self.folder)
        as_user = {} if user is None else {"user": user.pw_uid, "group": user.pw_gid,
                                           "extra_groups": []}
        self.processes = []
        read_end, write_end = os.pipe()
        try:
            self.processes.append(subprocess.Popen(
                ["dbus-daemon", "--config-file=" + config, "--nofork",
                 "--print-address=%d" % write_end],
                pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                start_new_session=True, **as_user))
            os.close(write_end)
            write_end = None
            self.address = _read_line(read_end, 15, "the private session bus")
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        try:
            session = dbus.bus.BusConnection(self.address)
            env = dict(display.env, DBUS_SESSION_BUS_ADDRESS=self.address, HOME=self.folder,
                       XDG_RUNTIME_DIR=self.folder)
            # The launcher starts the accessibility bus, which starts the registry on first use;
            # all of them stay in the launcher's process group.
            self.processes.append(subprocess.Popen(
                ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately", "--a11y=1"],
                env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                start_new_session=True, **as_user))
            poll(lambda: session.name_has_owner("org.a11y.Bus"), 15,
                 description="the accessibility bus launcher")
            self.a11y_address = str(session.call_blocking(
                "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", "", ()))
            session.close()
            self.a11y = dbus.bus.BusConnection(self.a11y_address)
        except BaseException:
            self.close()
            raise

    def env(self):
        """What a client's environment needs to be seen on this bus."""
        return {"DBUS_SESSION_BUS_ADDRESS": self.address}

    def close(self):
        if getattr(self, "a11y", None) is not None:
            self.a11y.close()
            self.a11y = None
        for proc in reversed(self.processes):
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, 15)
                except ProcessLookupError:
                    pass
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    os.killpg(proc.pid, 9)
                    proc.wait()
        self.processes = []


class NoticeReader:
    """The notice bubbles one client shows, found through the registry as a screen reader finds
    them: the client's application among the registered ones, its showing alert windows."""

    def __init__(self, bus, pid):
        self.connection = bus.a11y
        self.pid = pid

    def _call(self, name, path, method, signature="", args=(), interface=ACCESSIBLE):
        return self.connection.call_blocking(name, path, interface, method, signature, args,
                                             timeout=10)

    def _name(self, name, path):
        return str(self._call(name, path, "Get", "ss", (ACCESSIBLE, "Name"),
                              interface="org.freedesktop.DBus.Properties"))

    def _showing(self, name, path):
        states = self._call(name, path, "GetState")
        return bool(states[STATE_SHOWING // 32] & (1 << (STATE_SHOWING % 32)))

    def _application(self):
        for name, path in self._call("org.a11y.atspi.Registry", ATSPI_ROOT, "GetChildren"):
            try:
                pid = self._call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                 "GetConnectionUnixProcessID", "s", (name,),
                                 interface="org.freedesktop.DBus")
            except dbus.exceptions.DBusException:
                continue
            if pid == self.pid:
                return name, path
        return None

    def _labels(self, name, path):
        texts = []
        for child_name, child_path in self._call(name, path, "GetChildren"):
            if self._call(child_name, child_path, "GetRole") == ROLE_LABEL:
                texts.append(self._name(child_name, child_path))
            texts.extend(self._labels(child_name, child_path))
        return texts

    def _read(self):
        """The text of each notice showing now, or None while that cannot be told: before the
        client's application has registered, or when a window goes away while it is read."""
        try:
            application = self._application()
            if application is None:
                return None
            found = []
            for name, path in self._call(*application, "GetChildren"):
                if (self._call(name, path, "GetRole") == ROLE_ALERT
                        and self._showing(name, path)):
                    found.append(" ".join(self._labels(name, path)))
            return found
        except dbus.exceptions.DBusException:
            return None

    def texts(self):
        """The text of each notice showing now."""
        def read():
            texts = self._read()
            return None if texts is None else [texts]
        return poll(read, 15, description="the client's accessible windows")[0]

    def wait_for(self, wanted, timeout=15):
        """The first notice whose text contains wanted (or satisfies it, when callable)."""
        def matches(text):
            return wanted(text) if callable(wanted) else wanted in text

        seen = set()

        def find():
            texts = self._read() or []
            seen.update(texts)
            return next((t for t in texts if matches(t)), None)
        try:
            return poll(find, timeout, interval=0.05, description="a notice with %r" % (wanted,))
        except AssertionError as error:
            raise AssertionError("%s; notices seen: %s" % (error, sorted(seen) or "none"))

    def wait_none(self, timeout=15):
        poll(lambda: self._read() == [], timeout, description="the notices to go")
