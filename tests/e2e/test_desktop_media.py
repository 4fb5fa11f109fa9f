#!/usr/bin/env python3
"""On a desktop session bus of the test's own: the live room holds the screen awake while it
plays and lets go on pause, when its renderer crashes and at exit; the desktop's media controls
(the engine's one MPRIS player) pause and play the page and name the room; a bus that goes away
mid-run leaves the client running; the way to the bus the client gives its engine serves nobody
else and is held up by nobody."""

import os
import signal
import socket
import struct
import subprocess
import time

import dbus

from client_case import main
from devtools import evaluate, navigate
from processes import cmdline, poll, process_tree
from session_bus import SessionBusCase
import standin
from title_bar_locator import TitleBar

ROOM_URL = "https://%s/room?source=mp4" % standin.SITE_HOST
ROOM_TITLE = "Evening talk - Vantoro Live"
MPRIS_PATH = "/org/mpris/MediaPlayer2"
PLAYER = "org.mpris.MediaPlayer2.Player"
# The engine lets go of the screen a little after a pause.
RELEASE_TIMEOUT = 15


class DesktopCase(SessionBusCase):
    window_manager = True

    def play_room(self):
        navigate(self.page, ROOM_URL, timeout=60)
        poll(lambda: evaluate(self.page, "vtRoomState()[0].time") > 1, 60,
             description="the room to play")

    def screen_held(self):
        return any(interface == "org.freedesktop.ScreenSaver"
                   for interface, _ in self.desk.held_inhibitions())


class ScreenAndMediaControls(DesktopCase):
    def players(self):
        return [n for n in self.bus.names() if n.startswith("org.mpris.MediaPlayer2.")]

    def player(self, name):
        return self.bus.get_property(self.players()[0], MPRIS_PATH, PLAYER, name)

    def command(self, method):
        self.bus.call(self.players()[0], MPRIS_PATH, PLAYER, method)

    def paused(self):
        return evaluate(self.page, "vtRoomState()[0].paused")

    def test_controls_pause_and_play_the_room(self):
        self.play_room()
        poll(self.screen_held, 15, description="the screen saver to be inhibited")
        reason = self.desk.calls("Inhibit")[0]["args"][1]
        self.assertEqual(reason, "Video Wake Lock")
        poll(lambda: self.players() and self.player("PlaybackStatus") == "Playing", 15,
             description="the media controls to report playing")
        self.assertEqual(len(self.players()), 1)
        poll(lambda: self.player("Metadata").get("xesam:title") == ROOM_TITLE, 10,
             description="the room's title in the media controls")

        for method, paused, status in (("Pause", True, "Paused"), ("Play", False, "Playing"),
                                       ("PlayPause", True, "Paused"),
                                       ("PlayPause", False, "Playing")):
            with self.subTest(method=method, status=status):
                self.command(method)
                poll(lambda: self.paused() == paused, 10, description="the page to follow")
                poll(lambda: self.player("PlaybackStatus") == status, 10,
                     description="the reported status")
                poll(lambda: self.screen_held() != paused, RELEASE_TIMEOUT,
                     description="the screen saver to follow")

        # The player is named after the page's title, as it changes.
        evaluate(self.page, "document.title = '第二场'; true")
        poll(lambda: self.player("Metadata").get("xesam:title") == "第二场", 10,
             description="the new title in the media controls")
        self.assertEqual(len(self.players()), 1)

    def test_crash_of_the_renderer_lets_the_screen_go(self):
        self.play_room()
        poll(self.screen_held, 15, description="the screen saver to be inhibited")
        for pid in self.client.renderer_pids():
            os.kill(pid, signal.SIGKILL)
        poll(lambda: not self.screen_held(), RELEASE_TIMEOUT,
             description="the inhibition to end with the renderer")
        self.assertTrue(self.client.alive())
        self.display.click(*TitleBar(self.client).buttons()["refreshButton"])

    def test_exit_lets_the_screen_go_and_ends_the_player(self):
        self.page = self.client.main_page()
        self.play_room()
        poll(self.screen_held, 15, description="the screen saver to be inhibited")
        self.assertTrue(self.players())
        self.display.click(*TitleBar(self.client).buttons()["closeButton"])
        self.assertEqual(self.client.wait_exit(15), 0)
        self.assertEqual(self.desk.held_inhibitions(), set())
        self.assertEqual(self.players(), [])


def engine_bus_address(client):
    """The session bus address the client gives its engine, as its sub-processes inherit it."""
    for pid in process_tree(client.pid)[1:]:
        try:
            with open("/proc/%d/environ" % pid, "rb") as f:
                for entry in f.read().split(b"\0"):
                    if entry.startswith(b"DBUS_SESSION_BUS_ADDRESS="):
                        return entry.split(b"=", 1)[1].decode()
        except OSError:
            continue
    raise AssertionError("no sub-process of the client names a session bus")


def unescape(value):
    out, i = b"", 0
    while i < len(value):
        if value[i] == "%":
            out += bytes([int(value[i + 1:i + 3], 16)])
            i += 3
        else:
            out += value[i].encode()
            i += 1
    return out.decode()


# The link's checks connect in another user's name, authenticate without naming an identity and
# send calls whose answers they never read: libdbus does none of these, so they speak raw.
def open_bus_socket(address, user=None):
    """A raw connection to a D-Bus address of the unix or unixexec transport, made as libdbus
    makes it, by user (a uid) if given, and the process it started, if any."""
    transport, _, rest = address.split(";")[0].partition(":")
    keys = dict(pair.split("=", 1) for pair in rest.split(","))
    if transport == "unixexec":
        ours, theirs = socket.socketpair()
        argv = [unescape(keys["path"])]
        argv += [unescape(keys["argv%d" % i]) for i in range(1, 10) if "argv%d" % i in keys]
        proc = subprocess.Popen(argv, stdin=theirs, stdout=theirs, stderr=subprocess.DEVNULL,
                                user=user, group=user, extra_groups=[] if user else None)
        theirs.close()
        return ours, proc
    target = ("\0" + unescape(keys["abstract"]) if "abstract" in keys
              else unescape(keys["path"]))
    ours, theirs = socket.socketpair()
    child = os.fork()
    if child == 0:
        # The kernel notes who connected at connect(): that is done as user.
        try:
            if user:
                os.setgroups([])
                os.setgid(user)
                os.setuid(user)
            sock = socket.socket(socket.AF_UNIX)
            sock.connect(target)
            socket.send_fds(theirs, [b"s"], [sock.fileno()])
        finally:
            os._exit(0)
    os.waitpid(child, 0)
    theirs.close()
    _, fds, _, _ = socket.recv_fds(ours, 1, 1)
    ours.close()
    if not fds:
        raise OSError("could not connect")
    return socket.socket(fileno=fds[0]), None


def authenticate(sock):
    """EXTERNAL without naming an identity: the bus goes by the connection's credentials."""
    sock.settimeout(5)
    sock.sendall(b"\0AUTH EXTERNAL\r\n")
    if not sock.recv(256).startswith(b"DATA"):
        return False
    sock.sendall(b"DATA\r\n")
    return sock.recv(256).startswith(b"OK ")


def method_call(serial, member):
    """A call of the bus's own interface without arguments, marshalled by hand."""
    fields = b""
    for code, kind, value in ((1, "o", "/org/freedesktop/DBus"), (2, "s", "org.freedesktop.DBus"),
                              (3, "s", member), (6, "s", "org.freedesktop.DBus")):
        fields += b"\0" * (-len(fields) % 8) + bytes([code, 1, ord(kind), 0])
        fields += struct.pack("<I", len(value)) + value.encode() + b"\0"
    message = struct.pack("<cBBBIII", b"l", 1, 0, 1, 0, serial, len(fields)) + fields
    return message + b"\0" * (-len(message) % 8)


class EngineBusLink(DesktopCase):
    def call(self, address):
        """True when GetId through address is answered within a few seconds."""
        try:
            return subprocess.run(
                ["dbus-send", "--bus=" + address, "--print-reply", "--dest=org.freedesktop.DBus",
                 "/org/freedesktop/DBus", "org.freedesktop.DBus.GetId"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10).returncode == 0
        except subprocess.TimeoutExpired:
            return False

    def connect(self, address, user=None):
        sock, proc = open_bus_socket(address, user)
        self.addCleanup(sock.close)
        if proc:
            self.addCleanup(proc.wait)
            self.addCleanup(proc.kill)
        return sock

    def test_link_serves_the_viewer_alone_and_every_connection_alike(self):
        address = engine_bus_address(self.client)
        self.assertTrue(self.call(address))

        with self.subTest("another user"):
            try:
                sock = self.connect(address, user=65534)
                through = authenticate(sock)
                if through:
                    sock.sendall(b"BEGIN\r\n" + method_call(1, "Hello"))
                    # A method return: the bus took the other user for the viewer.
                    through = sock.recv(4096)[1:2] == b"\x02"
            except OSError:
                through = False
            self.assertFalse(through)

        with self.subTest("a call carrying a descriptor"):
            link = dbus.bus.BusConnection(address)
            self.addCleanup(link.close)
            with self.assertRaises(dbus.exceptions.DBusException) as refused:
                link.call_blocking("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus", "GetId", "h", [dbus.types.UnixFd(0)],
                                   timeout=10)
            self.assertEqual(refused.exception.get_dbus_name(),
                             "org.freedesktop.DBus.Error.InvalidArgs")
            self.assertNotIn("the session bus has gone", self.client.log_text())

        with self.subTest("a peer that never reads"):
            sock = self.connect(address)
            self.assertTrue(authenticate(sock))
            try:
                # Calls whose answers fill every buffer on the way back, until no more are taken.
                sock.sendall(b"BEGIN\r\n" + b"".join(
                    method_call(serial, "Hello" if serial == 1 else "ListNames")
                    for serial in range(1, 20000)))
            except socket.timeout:
                pass
            self.assertTrue(self.call(address), "a connection after the silent peer's")

        with self.subTest("Ctrl+C in the terminal"):
            # The whole process group gets it; the client closes at its own pace, its bus links
            # must not end before it does.
            self.play_room()
            poll(self.screen_held, 15, description="the screen saver to be inhibited")
            bridges = [pid for pid in process_tree(self.client.pid)
                       if b"--session-bus-bridge" in cmdline(pid)]
            self.assertTrue(bridges)
            for pid in bridges:
                os.kill(pid, signal.SIGINT)
            time.sleep(2)
            self.assertTrue(self.client.alive(), self.client.log_text()[-3000:])


class SessionBusGoesAway(DesktopCase):
    def test_client_outlives_its_session_bus(self):
        self.play_room()
        poll(self.screen_held, 15, description="the screen saver to be inhibited")
        self.desk.close()
        self.bus.close()
        # What uses the bus next: the engine's inhibition on pause and play.
        evaluate(self.page, "document.querySelector('video').pause(); true")
        evaluate(self.page, "document.querySelector('video').play(); true")
        poll(lambda: evaluate(self.page, "vtRoomState()[0].paused") is False, 10,
             description="the room to play again")
        poll(lambda: "the session bus has gone" in self.client.log_text(), 10,
             description="the client to say the bus has gone")
        self.assertTrue(self.client.alive(), self.client.log_text())
        self.assertEqual(self.client.log_text().count("the session bus has gone"), 1)


if __name__ == "__main__":
    main()
