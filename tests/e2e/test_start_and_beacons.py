#!/usr/bin/env python3
"""First start, later start, the home page in the window with the client's user agent and
language, the home and refresh buttons, closing by button and by the window manager, the engine's
messages kept off the output, and the exit codes of both process roles."""

import base64
import os
import re
import socket
import subprocess
import time

from client_case import ClientTest, main
from devtools import evaluate
from display import SCREEN, brightness, colour_count
from processes import poll
from title_bar_locator import DEFAULT_SIZE, MARGIN
import standin

HOME_URL = "https://%s/?union=vtclient" % standin.SITE_HOST
USER_AGENT_TAIL = "vtclient/1.0.3"
FIELD_ORDER = ["uniqId", "os", "screen", "from", "firstFrom", "statId", "version"]
CONSOLE_MARKER = "vt-console-marker"
# Chromium's own log lines: "[pid:tid:date/time.micros:LEVEL:file(line)] ...".
ENGINE_LOG_LINE = re.compile(r"\[\d+:\d+:[\d/.]+:[A-Z]+:")


def device_card_addresses():
    """The hardware addresses of the network cards here that a device backs, the only ones the
    identifier may come from. A container's namespace, or one made with `unshare -n`, has none."""
    addresses = set()
    # The names come from this network namespace; /sys may show another's.
    for _, name in socket.if_nameindex():
        if os.path.exists(os.path.join("/sys/class/net", name, "device")):
            with open(os.path.join("/sys/class/net", name, "address")) as f:
                addresses.add(f.read().strip())
    return addresses


class StartAndBeacons(ClientTest):
    def home_gets(self):
        return [r for r in self.site.requests() if r["path"] == "/"]

    def test_1_first_start(self):
        beacon = self.stats.wait_for_stat_id(770001, 10)
        self.assertIsNotNone(beacon, "no first-start beacon")
        self.assertEqual([name for name, _ in beacon["fields"]], FIELD_ORDER)
        fields = dict(beacon["fields"])
        self.assertEqual(beacon["host"], "stat.vantoro.example")
        self.assertEqual(fields["screen"], "%dx%d" % SCREEN)
        self.assertEqual(fields["version"], "1.0.3")
        self.assertEqual((fields["from"], fields["firstFrom"]), ("", ""))
        self.assertRegex(fields["os"], r"^linux\d+\.\d+\.\d+$")
        # The device identifier is the Base64 of the address text of one of the machine's cards
        # (each card that a device backs has an IPv4 address where this runs), empty without one.
        address = base64.b64decode(fields["uniqId"], validate=True).decode("ascii")
        cards = device_card_addresses()
        if cards:
            self.assertRegex(address, r"^[0-9a-f]{2}(-[0-9a-f]{2}){5,7}$")
            self.assertIn(address.replace("-", ":"), cards)
        else:
            self.assertEqual(fields["uniqId"], "")
        self.assertFalse(beacon["query"].endswith("&"))
        self.assertEqual(len(self.stats.beacons()), 1, self.stats.beacons())

        marker = os.path.join(self.client.workdir, "first.txt")
        self.assertTrue(os.path.isfile(marker))
        self.assertEqual(os.path.getsize(marker), 0)

    def test_2_home_page_in_window(self):
        x, y, w, h = self.client.geometry()
        self.assertEqual((w, h), DEFAULT_SIZE)
        self.assertEqual(self.page["url"], HOME_URL)
        self.assertIsNotNone(self.site.wait_for_path("/loaded", 20, query_contains="page=home"))
        # The page is drawn inside the window below the title bar, not left black.
        ox, oy = self.client.web_origin()

        def drawn():
            rgb = self.client.display.pixels(ox + 10, oy + 10, 400, 200)
            return brightness(rgb) > 100 and colour_count(rgb) > 3
        poll(drawn, 10, description="the page to be drawn in the window")
        view = evaluate(self.page, "[innerWidth, innerHeight]")
        self.assertEqual(view[0], w - 2 * MARGIN)

    def test_3_user_agent_and_language(self):
        requests = self.home_gets()
        self.assertTrue(requests)
        for request in requests:
            self.assertTrue(request["user_agent"].endswith(USER_AGENT_TAIL), request)
            self.assertTrue(request["accept_language"].startswith("zh-CN"), request)
        script_agent, language = evaluate(self.page, "[navigator.userAgent, navigator.language]")
        self.assertTrue(script_agent.endswith(USER_AGENT_TAIL), script_agent)
        self.assertEqual(language, "zh-CN")
        # Page console output stays off the client's output (checked once it has ended).
        evaluate(self.page, "console.error(%r); true" % CONSOLE_MARKER)

    def test_4_home_and_refresh_buttons(self):
        evaluate(self.page, "location.href = '/second'; true")
        poll(lambda: "/second" in (self.client.page_by_id(self.page["id"]) or {}).get("url", ""),
             10, description="the second page")
        before = len(self.home_gets())
        beacons = len(self.stats.beacons())
        self.client.display.click(*self.bar.buttons()["returnhomeButton"])
        poll(lambda: (self.client.page_by_id(self.page["id"]) or {}).get("url") == HOME_URL,
             10, description="the home page after the home button")
        poll(lambda: len(self.home_gets()) > before, 10, description="the home page request")

        # Beacons are sent one after the other, each waited for on the window's thread: once the
        # refresh button's has arrived, one sent for the home button would have arrived before.
        before = len(self.home_gets())
        self.client.display.click(*self.bar.buttons()["refreshButton"])
        poll(lambda: len(self.home_gets()) > before, 10,
             description="the server to see the page again")
        self.assertIsNotNone(self.stats.wait_for_stat_id(770003, 10, start=beacons),
                             "no refresh beacon")
        self.assertEqual(len(self.stats.beacons()), beacons + 1, "home sent a beacon")

    def test_5_close_button_and_later_start(self):
        self.client.display.click(*self.bar.buttons()["closeButton"])
        self.assertEqual(self.client.wait_exit(15), 0)
        output = self.client.log_text()
        self.assertNotIn(CONSOLE_MARKER, output)
        self.assertIsNone(ENGINE_LOG_LINE.search(output), output)
        # Without a clear-cache request the data folder and the engine's cache stay.
        self.assertTrue(os.path.isdir(self.client.data_folder))
        self.assertTrue(os.path.isdir(os.path.join(self.client.data_folder, "cache")))
        # The engine's data lands there and nowhere else in the home folder, the window's settings
        # in the configuration folder; the certificate store, the font cache and the toolkit's
        # shader cache belong to the system's libraries.
        allowed = (os.path.join(".local", "share", "VantoroClient") + os.sep, ".pki" + os.sep,
                   os.path.join(".config", "VantoroClient", "vantoro-client.conf"),
                   os.path.join(".cache", "fontconfig") + os.sep,
                   os.path.join(".cache", "qtshadercache"))
        strays = []
        for folder, _, files in os.walk(self.client.home):
            for name in files:
                relative = os.path.relpath(os.path.join(folder, name), self.client.home)
                if not relative.startswith(allowed):
                    strays.append(relative)
        self.assertEqual(strays, [])

        beacons = len(self.stats.beacons())
        later = self.start_client()
        self.assertIsNotNone(self.stats.wait_for_stat_id(770002, 30, start=beacons),
                             "no later-start beacon")
        later.wait_window()
        self.assertIsNone(self.stats.wait_for_stat_id(770001, 0, start=beacons))
        later.main_page()
        self.display.close_window(later.window)
        self.assertEqual(later.wait_exit(15), 0)

    def test_6_sub_process_role(self):
        # Started with an engine sub-process switch the engine does not run, the program opens
        # no window, writes nothing and reports the sub-process exit code.
        home = os.path.join(self.scratch, "subhome")
        os.mkdir(home)
        proc = subprocess.Popen([self.exe, "--type=vantoro-unknown"], env=dict(
            self.display.env, HOME=home), cwd=self.scratch, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        windows = []
        deadline = time.monotonic() + 30
        while proc.poll() is None and time.monotonic() < deadline:
            windows += self.display.visible_windows(proc.pid)
            time.sleep(0.05)
        self.assertEqual(proc.wait(1), 255)
        self.assertEqual(windows, [])
        self.assertEqual(os.listdir(home), [])


if __name__ == "__main__":
    main()
