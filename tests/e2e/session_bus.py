"""A private session bus of the test's own, with the stand-ins of the desktop's services on it
(desktop_standins.py) and what they were asked."""

import json
import os
import subprocess
import sys

import dbus

from client_case import ClientTest
from processes import poll

CONTROL = "org.vantoro.TestDesk"
STANDINS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "desktop_standins.py")


class SessionBus:
    """dbus-daemon --session on a socket in folder; env holds its address for the programs that
    should use it."""

    def __init__(self, folder=None, address=None):
        """A bus of its own in folder, or the running one at address (closed by its owner)."""
        self.daemon = None
        self._connection = None
        if address:
            self.address = address
            self.env = {"DBUS_SESSION_BUS_ADDRESS": address}
            return
        os.makedirs(folder, exist_ok=True)
        self.socket = os.path.join(folder, "bus")
        self.daemon = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
             "--address=unix:path=" + self.socket],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, start_new_session=True)
        self.address = self.daemon.stdout.readline().strip()
        if not self.address:
            self.close()
            raise RuntimeError("dbus-daemon did not start")
        self.env = {"DBUS_SESSION_BUS_ADDRESS": self.address}

    @property
    def connection(self):
        if self._connection is None:
            self._connection = dbus.bus.BusConnection(self.address)
        return self._connection

    def names(self):
        return [str(name) for name in self.connection.list_names()]

    def call(self, destination, path, interface, method, signature="", *args):
        """A method call, as a desktop panel or a user's script would make it."""
        return self.connection.call_blocking(destination, path, interface, method, signature,
                                             args, timeout=30)

    def get_property(self, destination, path, interface, name):
        return self.call(destination, path, "org.freedesktop.DBus.Properties", "Get", "ss",
                         interface, name)

    def close(self):
        """Ends the bus; programs still connected see it die."""
        if self._connection is not None:
            self._connection.close()
            self._connection = None
        if self.daemon is None:
            return
        if self.daemon.poll() is None:
            self.daemon.terminate()
            self.daemon.wait()
        self.daemon.stdout.close()


class DesktopStandins:
    """The stand-in screen saver, power manager and (unless notifications=False) notification
    service on bus, recording every call in log_path; options are desktop_standins.py's."""

    def __init__(self, bus, log_path, notifications=True, options=()):
        self.bus = bus
        self.log_path = log_path
        args = [sys.executable, STANDINS, bus.address, log_path] + list(options)
        if not notifications:
            args.append("--no-notifications")
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, text=True,
                                     start_new_session=True)
        if self.proc.stdout.readline().strip() != "ready":
            self.close()
            raise RuntimeError("the desktop stand-ins did not start")

    def calls(self, method=None):
        """The calls recorded so far, oldest first: dicts of interface, method and args."""
        try:
            with open(self.log_path, encoding="utf-8") as f:
                calls = [json.loads(line) for line in f if line.endswith("\n")]
        except FileNotFoundError:
            return []
        return [c for c in calls if method is None or c["method"] == method]

    def wait_call(self, method, timeout, start=0, where=lambda call: True):
        """The first call of method, past its first start calls, that where accepts."""
        return poll(lambda: next((c for c in self.calls(method)[start:] if where(c)), None),
                    timeout, description="a %s call" % method)

    def held_inhibitions(self):
        """(interface, cookie) of each Inhibit not yet matched by its UnInhibit."""
        held = set()
        for call in self.calls():
            if call["method"] == "Inhibit":
                held.add((call["interface"], call["args"][-1]))
            elif call["method"] == "UnInhibit":
                held.discard((call["interface"], call["args"][0]))
        return held

    def click(self, notification, action="default"):
        self.bus.call(CONTROL, "/org/vantoro/TestDesk", CONTROL, "Invoke", "us", notification,
                      action)

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait()
        self.proc.stdout.close()


class SessionBusCase(ClientTest):
    """A scenario whose client runs on a private session bus with the stand-in services (desk);
    notifications=False leaves the notification service out, and desk_options are the
    stand-ins' options. With reads_notices the bus is the one the notices are read through."""

    notifications = True
    desk_options = ()

    @classmethod
    def prepare(cls):
        if cls.accessibility:
            cls.bus = SessionBus(address=cls.accessibility.address)
        else:
            cls.bus = SessionBus(os.path.join(cls.scratch, "bus"))
            cls.addClassCleanup(cls.bus.close)
        cls.desk = DesktopStandins(cls.bus, os.path.join(cls.scratch, "desk.log"),
                                   cls.notifications, cls.desk_options)
        cls.addClassCleanup(cls.desk.close)
        # Stopped before the bus goes (cleanups run last first).
        cls.addClassCleanup(cls._stop_clients)
        cls.client = cls.start_client(extra_env=cls.bus.env)
        cls.client.wait_window()
        cls.page = cls.client.main_page()
        if cls.site.wait_for_path("/loaded", 20, query_contains="page=home") is None:
            raise AssertionError("the home page did not finish loading")
