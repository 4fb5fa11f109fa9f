#!/usr/bin/env python3
"""Small stand-ins of the desktop's services on a session bus: a screen saver, the
power-management inhibitor and (unless --no-notifications) a notification service. Each call is
appended to a log as one JSON line; a control interface lets the test play the user who clicks
or dismisses a notification. The notification service reads markup in bodies unless
--no-body-markup; with --never-close it never answers CloseNotification.

usage: desktop_standins.py BUS-ADDRESS LOG-FILE [--no-notifications] [--no-body-markup]
                           [--never-close]"""

import json
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

CONTROL_NAME = "org.vantoro.TestDesk"
CONTROL_PATH = "/org/vantoro/TestDesk"


def plain(value):
    """D-Bus values as JSON-friendly Python values."""
    if isinstance(value, (dbus.Array, list, tuple)):
        if getattr(value, "signature", None) == "y":
            return bytes(value).hex()
        return [plain(v) for v in value]
    if isinstance(value, (dbus.Dictionary, dict)):
        return {str(k): plain(v) for k, v in value.items()}
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (dbus.String, dbus.ObjectPath)):
        return str(value)
    if isinstance(value, (int, float)):
        return value
    return str(value)


class Recorder:
    def __init__(self, path):
        self.file = open(path, "a", encoding="utf-8")

    def __call__(self, interface, method, *args):
        self.file.write(json.dumps({"interface": interface, "method": method,
                                    "args": [plain(a) for a in args]}, ensure_ascii=False) + "\n")
        self.file.flush()


class Inhibitor(dbus.service.Object):
    """The screen saver's and the power manager's Inhibit/UnInhibit: one cookie each."""

    def __init__(self, bus, path, interface, record):
        super().__init__(bus, path)
        self.interface = interface
        self.record = record
        self.cookie = 0

    def _inhibit(self, application, reason):
        self.cookie += 1
        self.record(self.interface, "Inhibit", application, reason, self.cookie)
        return self.cookie

    def _uninhibit(self, cookie):
        self.record(self.interface, "UnInhibit", cookie)


class ScreenSaver(Inhibitor):
    @dbus.service.method("org.freedesktop.ScreenSaver", in_signature="ss", out_signature="u")
    def Inhibit(self, application, reason):
        return self._inhibit(application, reason)

    @dbus.service.method("org.freedesktop.ScreenSaver", in_signature="u")
    def UnInhibit(self, cookie):
        self._uninhibit(cookie)


class PowerManagement(Inhibitor):
    @dbus.service.method("org.freedesktop.PowerManagement.Inhibit", in_signature="ss",
                         out_signature="u")
    def Inhibit(self, application, reason):
        return self._inhibit(application, reason)

    @dbus.service.method("org.freedesktop.PowerManagement.Inhibit", in_signature="u")
    def UnInhibit(self, cookie):
        self._uninhibit(cookie)


class Notifications(dbus.service.Object):
    INTERFACE = "org.freedesktop.Notifications"

    def __init__(self, bus, record, body_markup=True, never_close=False):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.record = record
        self.last_id = 0
        self.body_markup = body_markup
        self.never_close = never_close

    @dbus.service.method(INTERFACE, out_signature="as")
    def GetCapabilities(self):
        self.record(self.INTERFACE, "GetCapabilities")
        return ["actions", "body"] + (["body-markup"] if self.body_markup else [])

    @dbus.service.method(INTERFACE, out_signature="ssss")
    def GetServerInformation(self):
        return ("stand-in", "vantoro-tests", "1", "1.2")

    @dbus.service.method(INTERFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app_name, replaces_id, app_icon, summary, body, actions, hints, timeout):
        notification = replaces_id or self.last_id + 1
        self.last_id = max(self.last_id, notification)
        self.record(self.INTERFACE, "Notify", app_name, replaces_id, app_icon, summary, body,
                    actions, hints, timeout, notification)
        return notification

    @dbus.service.method(INTERFACE, in_signature="u", async_callbacks=("answer", "error"))
    def CloseNotification(self, notification, answer, error):
        self.record(self.INTERFACE, "CloseNotification", notification)
        if not self.never_close:
            answer()
            self.NotificationClosed(notification, 3)

    @dbus.service.signal(INTERFACE, signature="uu")
    def NotificationClosed(self, notification, reason):
        pass

    @dbus.service.signal(INTERFACE, signature="us")
    def ActionInvoked(self, notification, action):
        pass


class Control(dbus.service.Object):
    """What the user does to a shown notification."""

    def __init__(self, bus, notifications):
        super().__init__(bus, CONTROL_PATH)
        self.notifications = notifications

    @dbus.service.method(CONTROL_NAME, in_signature="us")
    def Invoke(self, notification, action):
        self.notifications.ActionInvoked(notification, action)

    @dbus.service.method(CONTROL_NAME, in_signature="u")
    def Dismiss(self, notification):
        self.notifications.NotificationClosed(notification, 2)


def main():
    address, log_path = sys.argv[1], sys.argv[2]
    with_notifications = "--no-notifications" not in sys.argv[3:]
    DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(address)
    record = Recorder(log_path)
    names = [dbus.service.BusName("org.freedesktop.ScreenSaver", bus),
             dbus.service.BusName("org.freedesktop.PowerManagement", bus)]
    objects = [ScreenSaver(bus, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                           record),
               ScreenSaver(bus, "/ScreenSaver", "org.freedesktop.ScreenSaver", record),
               PowerManagement(bus, "/org/freedesktop/PowerManagement/Inhibit",
                               "org.freedesktop.PowerManagement.Inhibit", record)]
    if with_notifications:
        notifications = Notifications(bus, record, "--no-body-markup" not in sys.argv[3:],
                                      "--never-close" in sys.argv[3:])
        objects.append(Control(bus, notifications))
        names.append(dbus.service.BusName(Notifications.INTERFACE, bus))
    names.append(dbus.service.BusName(CONTROL_NAME, bus))
    loop = GLib.MainLoop()
    bus.call_on_disconnection(lambda _: loop.quit())
    # The test waits for this line before it starts the client.
    print("ready", flush=True)
    loop.run()


if __name__ == "__main__":
    main()
