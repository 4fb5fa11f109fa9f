#!/usr/bin/env python3
"""The tray icon and rooms opened from links, on X11 with a window manager and a private session
bus whose stand-in StatusNotifierWatcher plays the desktop's panel: a room given on the command
line opens in place of the home page; the tray item registers with its menu; "close to tray" keeps
the client and its playing room alive after the close button, and the window comes back from the
item and from a notification's click; the item registers again with a panel that restarted; start
at login is an autostart entry that comes and goes; a later start hands its room link to the
running client (a refused one opens nothing), also through xdg-open and the installed desktop
entry's vantoro: handler; quitting from the tray is a normal end; without a tray the close button
ends the client whatever was chosen."""

import configparser
import json
import os
import shutil
import subprocess
import sys

import dbus

from client_case import SETTINGS_TAIL, main, write_settings
from devtools import debug_pages, evaluate
from processes import poll, process_tree
from session_bus import DesktopStandins, SessionBus, SessionBusCase
from title_bar_locator import TitleBar
import standin

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "..", "..")
ROOM_URL = "https://%s/room?source=mp4&profile=360p30" % standin.SITE_HOST
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"
MENU_LABELS = ["显示窗口", "小窗播放", "关闭窗口时最小化到托盘", "开机时启动", "退出"]


class Watcher:
    """The stand-in panel (tray_watcher.py); registrations() lists the items it was told of."""

    def __init__(self, bus, log_path):
        self.log_path = log_path
        self.proc = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "tray_watcher.py"), bus.address, log_path],
            stdout=subprocess.PIPE, text=True, start_new_session=True)
        if self.proc.stdout.readline().strip() != "ready":
            self.close()
            raise RuntimeError("the stand-in watcher did not start")

    def registrations(self):
        try:
            with open(self.log_path, encoding="utf-8") as f:
                return [json.loads(line) for line in f if line.endswith("\n")]
        except FileNotFoundError:
            return []

    def close(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait()
        self.proc.stdout.close()


class TrayAndLinks(SessionBusCase):
    window_manager = True

    @classmethod
    def prepare(cls):
        cls.bus = SessionBus(os.path.join(cls.scratch, "bus"))
        cls.addClassCleanup(cls.bus.close)
        cls.watcher = Watcher(cls.bus, os.path.join(cls.scratch, "watcher.log"))
        cls.addClassCleanup(lambda: cls.watcher.close())
        cls.desk = DesktopStandins(cls.bus, os.path.join(cls.scratch, "desk.log"))
        cls.addClassCleanup(cls.desk.close)
        cls.addClassCleanup(cls._stop_clients)
        write_settings(os.path.join(cls.scratch, "home"),
                       "[notifications]\nhttps_%s_443=allow\n" % standin.SITE_HOST)
        cls.client = cls.start_client(extra_env=cls.bus.env, extra_args=[ROOM_URL])
        cls.client.wait_window()
        cls.page = cls.client.main_page(url_part="/room?")
        cls.dbus = dbus.bus.BusConnection(cls.bus.address)

    # --- the tray item, as the panel reaches it ------------------------------------------------

    def item_service(self):
        registered = poll(self.watcher.registrations, 20, description="the tray item")
        return registered[-1]["service"]

    def menu_entries(self):
        """label: (id, toggle state) of each entry of the item's menu, in order."""
        service = self.item_service()
        path = self.dbus.get_object(service, "/StatusNotifierItem").Get(
            ITEM, "Menu", dbus_interface="org.freedesktop.DBus.Properties")
        _, layout = self.dbus.get_object(service, path).GetLayout(
            0, -1, dbus.Array([], signature="s"), dbus_interface=MENU)
        entries = {}
        for child in layout[2]:
            number, properties = int(child[0]), child[1]
            if "label" in properties:
                entries[str(properties["label"])] = (number, int(properties.get("toggle-state",
                                                                                 -1)))
        return service, path, entries

    def choose(self, label):
        service, path, entries = self.menu_entries()
        self.dbus.get_object(service, path).Event(
            entries[label][0], "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0),
            dbus_interface=MENU)

    def activate_item(self):
        self.dbus.get_object(self.item_service(), "/StatusNotifierItem").Activate(
            0, 0, dbus_interface=ITEM)

    # --- the window and its page ---------------------------------------------------------------

    def shown(self):
        return self.client.window in self.display.visible_windows(self.client.pid)

    def close_window(self):
        self.display.click(*TitleBar(self.client).buttons()["closeButton"])

    def played(self):
        return evaluate(self.page, "vtRoomState()[0]")["time"]

    def settings(self):
        parser = configparser.ConfigParser()
        parser.read(os.path.join(self.client.home, SETTINGS_TAIL))
        return parser

    def test_1_room_from_the_command_line_and_the_item_with_its_menu(self):
        self.assertEqual(self.site.wait_for_path("/loaded", 5, query_contains="page=home"), None)
        poll(lambda: self.played() > 1, 60, description="the room to play")

        registered = self.watcher.registrations()
        self.assertEqual(len(registered), 1, registered)
        # Qt registers the item by its connection's unique name; through the client's bridge to
        # the bus (its child), the bus sees the bridge's process.
        owner = self.dbus.call_blocking(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "GetConnectionUnixProcessID", "s", [registered[0]["service"]])
        self.assertIn(owner, process_tree(self.client.pid))
        _, _, entries = self.menu_entries()
        self.assertEqual(list(entries), MENU_LABELS)
        # Off until the viewer chooses otherwise: the close button ends the client by default.
        self.assertEqual(entries["关闭窗口时最小化到托盘"][1], 0)
        self.assertEqual(entries["开机时启动"][1], 0)
        # The menu's small player is the page's own picture-in-picture.
        self.choose("小窗播放")
        poll(lambda: evaluate(self.page, "vtRoomState()[0]")["pictureInPicture"], 10,
             description="the room in the small player")
        evaluate(self.page, "document.exitPictureInPicture(); true")
        poll(self.shown, 10, description="the window back from the small player")

    def test_2_close_to_tray_keeps_the_room_playing(self):
        self.choose("关闭窗口时最小化到托盘")
        poll(lambda: self.settings().get("tray", "closeToTray", fallback="") == "true", 10,
             description="the choice in the settings file")
        self.close_window()
        poll(lambda: not self.shown(), 10, description="the window to go into the tray")
        self.assertTrue(self.client.alive())
        at = self.played()
        poll(lambda: self.played() > at + 2, 20, description="the room to play on in the tray")

        # Back from the item, into the tray again by a click on it, back from a notification.
        self.activate_item()
        poll(self.shown, 10, description="the window back from the item")
        self.activate_item()
        poll(lambda: not self.shown(), 10, description="the window into the tray by a click")
        calls = len(self.desk.calls("Notify"))
        evaluate(self.page, "new Notification('Live now'); true")
        shown = self.desk.wait_call("Notify", 10, start=calls)
        self.desk.click(shown["args"][-1])
        poll(self.shown, 10, description="the window back from the notification")

        _, _, entries = self.menu_entries()
        self.assertEqual(entries["关闭窗口时最小化到托盘"][1], 1)

    def test_3_item_registers_again_with_a_panel_that_restarted(self):
        service = self.item_service()
        self.watcher.close()
        self.assertEqual(evaluate(self.page, "6 * 7"), 42)
        type(self).watcher = Watcher(self.bus, os.path.join(self.scratch, "watcher-again.log"))
        poll(self.watcher.registrations, 20, description="the item to register again")
        self.assertEqual(self.item_service(), service)
        self.activate_item()
        poll(lambda: not self.shown(), 10, description="the item to work again")
        self.activate_item()
        poll(self.shown, 10, description="the window back from the item")

    def test_4_start_at_login_comes_and_goes(self):
        entry = os.path.join(self.client.home, ".config", "autostart", "vantoro-client.desktop")
        self.choose("开机时启动")
        poll(lambda: os.path.exists(entry), 10, description="the autostart entry")
        with open(entry, encoding="utf-8") as f:
            self.assertIn('\nExec="%s"\n' % self.client.exe, f.read())
        self.assertEqual(self.menu_entries()[2]["开机时启动"][1], 1)
        self.choose("开机时启动")
        poll(lambda: not os.path.exists(entry), 10, description="the autostart entry to go")

    def test_5_later_start_hands_its_room_over(self):
        self.close_window()
        poll(lambda: not self.shown(), 10, description="the window to go into the tray")
        seen = len(self.site.requests())
        later = self.start_client(workdir="later", port_free=False,
                                  extra_args=["https://%s/second" % standin.SITE_HOST])
        self.assertEqual(later.wait_exit(10), 0, later.log_text())
        self.assertIsNotNone(self.site.wait_for_path("/loaded", 20, start=seen,
                                                     query_contains="page=second"))
        poll(self.shown, 10, description="the window back for the link")

        # A refused link opens nothing and says so, once, without its control characters; the
        # toolkit's own options are no link.
        seen = len(self.site.requests())
        refused = self.start_client(
            workdir="refused", port_free=False,
            extra_args=["-platform", "xcb", "https://user@%s/room\x1b[31m" % standin.SITE_HOST])
        self.assertEqual(refused.wait_exit(10), 0, refused.log_text())
        lines = refused.log_text().splitlines()
        self.assertEqual([line for line in lines if "not opening" in line],
                         ["vantoro-client: not opening https://user@%s/room?[31m: not a link"
                          % standin.SITE_HOST], lines)
        self.assertEqual(self.site.requests()[seen:], [])

    def test_6_vantoro_link_through_xdg_open(self):
        data = os.path.join(self.scratch, "xdg-data")
        config = os.path.join(self.scratch, "xdg-config")
        programs = os.path.join(self.scratch, "bin")
        os.makedirs(os.path.join(data, "applications"))
        os.makedirs(config)
        os.makedirs(programs)
        shutil.copy(os.path.join(SOURCE, "resources", "linux", "vantoro-client.desktop"),
                    os.path.join(data, "applications"))
        os.symlink(self.client.exe, os.path.join(programs, "vantoro-client"))
        env = dict(os.environ, **self.display.env)
        env.update(XDG_DATA_HOME=data, XDG_CONFIG_HOME=config, HOME=self.client.home,
                   PATH=programs + os.pathsep + os.environ["PATH"],
                   XDG_RUNTIME_DIR=os.path.join(self.scratch, "runtime-home"))
        env.pop("XDG_CURRENT_DESKTOP", None)
        subprocess.run(["update-desktop-database", os.path.join(data, "applications")], env=env,
                       check=True, timeout=30)
        # The entry's own MimeType line makes it the handler: no default is set for it.
        self.assertEqual(subprocess.run(
            ["xdg-mime", "query", "default", "x-scheme-handler/vantoro"], env=env, check=True,
            timeout=30, stdout=subprocess.PIPE, text=True).stdout.strip(),
            "vantoro-client.desktop")

        seen = len(self.site.requests())
        subprocess.run(["xdg-open", "vantoro://room/123"], env=env, check=True, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertIsNotNone(self.site.wait_for_path("/room/123", 20, start=seen))
        poll(lambda: any(p["url"] == "https://%s/room/123" % standin.SITE_HOST
                         for p in debug_pages()), 10, description="the room in the main page")

    def test_7_quit_from_the_tray_is_a_normal_end(self):
        self.display.click(*TitleBar(self.client).buttons()["clearcookieButton"])
        poll(self.client.other_windows, 5, description="the clear-cache notice")
        self.close_window()
        poll(lambda: not self.shown(), 10, description="the window to go into the tray")
        self.choose("退出")
        self.assertEqual(self.client.wait_exit(20), 0, self.client.log_text())
        self.assertFalse(os.path.exists(self.client.data_folder))
        self.assertTrue(self.settings().has_option("window", "width"))

        # Without a tray to come back from, the kept choice changes nothing: the close button
        # ends the client.
        self.assertEqual(self.settings().get("tray", "closeToTray"), "true")
        alone = self.start_client()
        alone.wait_window()
        alone.main_page()
        self.display.click(*TitleBar(alone).buttons()["closeButton"])
        self.assertEqual(alone.wait_exit(20), 0, alone.log_text())


if __name__ == "__main__":
    main()
