#!/usr/bin/env python3
"""A browser's keys in the client's page, and a window that comes back as it was left: the reload
keys (with and without the cache, counted like the refresh button), the zoom keys and Ctrl+wheel,
the history keys, the developer tools, the viewer's full screen, the same keys in a pop-up for the pop-up; a key the page takes stays the page's, except the
full-screen ones. Size, place, maximised state and zoom survive a restart and a cleared cache; a
damaged settings file or a place on a screen that is gone gives a window on the screen."""

import os

from client_case import SETTINGS_TAIL, ClientTest, main
from devtools import debug_pages, evaluate
from display import SCREEN
from processes import poll
from title_bar_locator import DEFAULT_SIZE, MARGIN, TITLE_HEIGHT, TitleBar

FULL = (0, 0) + SCREEN
REFRESH_STAT = 770003


def centred():
    """Where a first start puts the window."""
    return (SCREEN[0] - DEFAULT_SIZE[0]) // 2, (SCREEN[1] - DEFAULT_SIZE[1]) // 2


class WindowAndKeys(ClientTest):
    window_manager = True
    reads_notices = True

    def zoom(self, page=None):
        return round(evaluate(page or self.page, "devicePixelRatio"), 2)

    def wait_zoom(self, expected, page=None):
        poll(lambda: self.zoom(page) == expected, 10,
             description=lambda: "the page at %d %% (now %s)" % (expected * 100, self.zoom(page)))

    def focus_page(self, client=None, page=None):
        """Clicks plain text of the home page, away from its links."""
        client = client or self.client
        self.display.click(*client.element_centre(page or self.page, "#filler"))

    def reload_and_wait(self, keys):
        """Presses keys and returns the new home page request once the page has loaded again."""
        start = len(self.site.requests())
        self.display.key(keys)
        request = self.site.wait_for_path("/", 15, start=start)
        self.assertIsNotNone(request, "%s did not reload" % keys)
        self.assertIsNotNone(self.site.wait_for_path("/loaded", 20, start=start,
                                                     query_contains="page=home"))
        return request

    def reload_and_wait_for(self, page):
        start = len(self.site.requests())
        self.display.key("F5")
        self.assertIsNotNone(self.site.wait_for_path("/loaded", 20, start=start,
                                                     query_contains="page=" + page))

    def wait_geometry(self, client, expected, what):
        poll(lambda: client.geometry() == expected, 10,
             description="%s (window now %s)" % (what, client.geometry()))

    def wait_page_fills(self, client, page, zoom):
        """The page, read from inside at its zoom, covers the area below the title bar (its least
        height reaches 3 pixels into the bottom margin)."""
        def sizes():
            _, _, w, h = client.geometry()
            vw, vh = evaluate(page, "[innerWidth, innerHeight]")
            return (w - 2 * MARGIN, h - 2 * MARGIN - TITLE_HEIGHT), (vw * zoom, vh * zoom)

        def fills():
            area, view = sizes()
            return abs(view[0] - area[0]) <= 2 and abs(view[1] - area[1]) <= 3
        poll(fills, 10, description=lambda: "the page to fill its area (area, page: %s)"
             % (sizes(),))

    def settings_path(self, client):
        return os.path.join(client.home, SETTINGS_TAIL)

    def close(self, client):
        self.display.close_window(client.window)
        self.assertEqual(client.wait_exit(20), 0)

    def close_first_client(self):
        """The later scenarios start clients of their own on the one debugging port."""
        if self.client.alive():
            self.close(self.client)

    def test_1_reload_keys(self):
        self.focus_page()
        for keys, bypass in (("F5", False), ("ctrl+r", False), ("shift+F5", True),
                             ("ctrl+shift+r", True)):
            with self.subTest(keys=keys):
                beacons = len(self.stats.beacons())
                request = self.reload_and_wait(keys)
                self.assertEqual(request["cache_control"] == "no-cache", bypass,
                                 request["cache_control"])
                self.assertIsNotNone(
                    self.stats.wait_for_stat_id(REFRESH_STAT, 10, start=beacons),
                    "%s sent no refresh beacon" % keys)

        # A page that takes F5 keeps it. The zoom key pressed after it comes back from the page
        # after F5 would have: once it has acted, F5 has been answered.
        evaluate(self.page, "window.vtKeys = 0; addEventListener('keydown', e => {"
                            " if (e.key === 'F5') { e.preventDefault(); vtKeys++; } }); true")
        start = len(self.site.requests())
        self.display.key("F5")
        poll(lambda: evaluate(self.page, "vtKeys") == 1, 10, description="the page's F5")
        self.display.key("ctrl+plus")
        self.wait_zoom(1.1)
        self.assertIsNone(self.site.wait_for_path("/", 0, start=start), "F5 reloaded the page")
        self.display.key("ctrl+0")
        self.wait_zoom(1.0)
        # Ctrl+R is not the page's; the new document has no listener.
        self.reload_and_wait("ctrl+r")

    def test_1b_history_keys(self):
        def path():
            return evaluate(self.page, "location.pathname")
        self.focus_page()
        start = len(self.site.requests())
        evaluate(self.page, "location.href = '/login'; true")
        self.assertIsNotNone(self.site.wait_for_path("/loaded", 20, start=start,
                                                     query_contains="page=login"))
        # A page that takes Alt+Left keeps it; the zoom key after it shows it was answered.
        evaluate(self.page, "window.vtAlt = 0; addEventListener('keydown', e => {"
                            " if (e.key === 'ArrowLeft') { e.preventDefault(); vtAlt++; } }); true")
        self.display.key("alt+Left")
        poll(lambda: evaluate(self.page, "vtAlt") == 1, 10, description="the page's Alt+Left")
        self.display.key("ctrl+plus")
        self.wait_zoom(1.1)
        self.assertEqual(path(), "/login")
        self.display.key("ctrl+0")
        self.wait_zoom(1.0)
        # Without the listener the keys move through the history.
        self.reload_and_wait_for("login")
        for keys, expected in (("alt+Left", "/"), ("alt+Right", "/login")):
            self.display.key(keys)
            poll(lambda: path() == expected, 10,
                 description=lambda: "%s to %s (now %s)" % (keys, expected, path()))
        evaluate(self.page, "history.back(); true")
        # The path changes before the document has loaded; the next cases click into it.
        poll(lambda: evaluate(self.page, "location.pathname === '/' && "
                                         "document.readyState === 'complete'"), 10,
             description="the home page again")

    def test_2_zoom_keys_and_wheel(self):
        self.focus_page()
        for keys, expected in (("ctrl+plus", 1.1), ("ctrl+equal", 1.25), ("ctrl+minus", 1.1),
                               ("ctrl+minus", 1.0), ("ctrl+minus", 0.9), ("ctrl+0", 1.0)):
            with self.subTest(keys=keys):
                self.display.key(keys)
                self.wait_zoom(expected)
                self.client.notices.wait_for("缩放: %d%%" % round(expected * 100))
        # The bounds hold.
        for _ in range(20):
            self.display.key("ctrl+plus")
        self.wait_zoom(5.0)
        self.display.key("ctrl+0")
        self.wait_zoom(1.0)

        self.display.move_mouse(*self.client.element_centre(self.page, "#filler"))
        self.display.xdotool("keydown", "ctrl", "click", "4", "keyup", "ctrl")
        self.wait_zoom(1.1)
        self.client.notices.wait_for("缩放: 110%")
        # A new document keeps it.
        self.reload_and_wait("F5")
        self.assertEqual(self.zoom(), 1.1)
        self.display.key("ctrl+0")
        self.wait_zoom(1.0)

    def test_3_developer_tools(self):
        self.focus_page()
        self.display.key("F12")

        def devtools():
            return self.display.run(["xdotool", "search", "--onlyvisible", "--name",
                                     "^DevTools$"], check=False).split()
        window = poll(devtools, 15, description="a window titled DevTools")[0]
        self.display.close_window(int(window))
        poll(lambda: not devtools(), 10, description="the tools to close")

    def test_3b_keys_in_a_popup(self):
        start = len(self.site.requests())
        evaluate(self.page, "window.open('/login', 'vtkeys', 'width=420,height=320'); true")
        popup = poll(lambda: [p for p in debug_pages() if p["url"].endswith("/login")], 20,
                     description="the pop-up's page")[0]
        self.assertIsNotNone(self.site.wait_for_path("/loaded", 20, start=start,
                                                     query_contains="page=login"))
        self.display.click(*self.client.element_centre(popup, "header"))
        self.display.key("ctrl+plus")
        self.wait_zoom(1.1, popup)
        self.client.notices.wait_for("缩放: 110%")
        start = len(self.site.requests())
        beacons = len(self.stats.beacons())
        self.display.key("F5")
        self.assertIsNotNone(self.site.wait_for_path("/login", 15, start=start), "F5 in the pop-up")
        # The pop-up's keys are its own: the window's page keeps its zoom and its count.
        self.assertEqual(self.zoom(), 1.0)
        self.assertIsNone(self.stats.wait_for_stat_id(REFRESH_STAT, 0, start=beacons))
        evaluate(popup, "window.close(); true")

    def test_4_viewer_full_screen(self):
        self.focus_page()
        normal = self.client.geometry()
        # The page takes every key; full screen's keys stay the viewer's.
        evaluate(self.page, "addEventListener('keydown', e => e.preventDefault()); true")
        for leave in ("F11", "Escape"):
            with self.subTest(leave=leave):
                self.display.key("F11")
                self.wait_geometry(self.client, FULL, "the window to cover the screen")
                poll(lambda: evaluate(self.page, "[innerWidth, innerHeight]") == list(SCREEN),
                     10, description="the page alone on the screen")
                self.display.key(leave)
                self.wait_geometry(self.client, normal, "the window back as it was")
        evaluate(self.page, "location.reload(); true")

    def test_5_window_and_zoom_come_back(self):
        self.close_first_client()

        loads = len(self.site.requests())
        first = self.start_client(home="again")
        # From the start until the page has loaded, the bottom right of its area (where the window
        # shows first, centred) is never white: the page's own background, or black before it
        # paints.
        x, y = centred()
        area = (x + DEFAULT_SIZE[0] - 180, y + DEFAULT_SIZE[1] - 50, 150, 30)
        shares = self.display.white_shares(
            area, lambda: self.site.wait_for_path("/loaded", 0, start=loads,
                                                  query_contains="page=home") is not None)
        first.wait_window()
        self.assertLessEqual(abs(first.geometry()[0] - x) + abs(first.geometry()[1] - y), 2)
        self.assertLess(max(shares), 0.5, shares)
        # Once loaded, a page without a background of its own is white as in a browser.
        page = first.main_page()
        evaluate(page, "document.body.style.background = 'none'; true")
        poll(lambda: set(self.display.pixels(*area)) == {255}, 10,
             description="a page without a background to be white")
        self.display.xdotool("windowsize", "--sync", first.window, 1150, 650)
        self.display.xdotool("windowmove", "--sync", first.window, 40, 60)
        placed = (40, 60, 1150, 650)
        self.wait_geometry(first, placed, "the window moved and resized")
        self.focus_page(first, page)
        self.display.key("ctrl+plus")
        self.display.key("ctrl+plus")
        self.wait_zoom(1.25, page)
        self.close(first)

        second = self.start_client(home="again")
        second.wait_window()
        self.wait_geometry(second, placed, "the window where it was left")
        page = second.main_page()
        self.wait_zoom(1.25, page)
        self.wait_page_fills(second, page, 1.25)
        second_bar = TitleBar(second)
        self.display.click(*second_bar.buttons()["maximizeButton"])
        self.wait_geometry(second, FULL, "the window maximised")
        self.close(second)

        # Maximised again, full screen never; clearing the cache forgets neither.
        third = self.start_client(home="again")
        third.wait_window()
        self.wait_geometry(third, FULL, "the window maximised again")
        page = third.main_page()
        self.wait_zoom(1.25, page)
        third_bar = TitleBar(third)
        self.display.click(*third_bar.buttons()["clearcookieButton"])
        poll(third.other_windows, 10, description="the clear-cache notice")
        self.display.key("F11")
        self.close(third)
        self.assertFalse(os.path.exists(third.data_folder))

        fourth = self.start_client(home="again")
        fourth.wait_window()
        self.wait_geometry(fourth, FULL, "the window maximised after clearing the cache")
        page = fourth.main_page()
        self.wait_zoom(1.25, page)
        fourth_bar = TitleBar(fourth)
        self.display.click(*fourth_bar.buttons()["maximizeButton"])
        self.wait_geometry(fourth, placed, "the window's normal place and size")
        self.wait_page_fills(fourth, page, 1.25)
        self.close(fourth)

    def test_6_damaged_or_misplaced_settings(self):
        self.close_first_client()
        contents = {
            "damaged": b"\x00\xff[window\nx=\x01\x02garbage\xfe\n" * 50,
            "off every screen": b"[window]\nx=5000\ny=-3000\nwidth=300\nheight=200\n"
                                b"maximized=false\n[page]\nzoom=nonsense\n",
        }
        for name, content in contents.items():
            with self.subTest(settings=name):
                home = os.path.join(self.scratch, name.replace(" ", "-"))
                path = os.path.join(home, SETTINGS_TAIL)
                os.makedirs(os.path.dirname(path))
                with open(path, "wb") as f:
                    f.write(content)
                client = self.start_client(home=os.path.basename(home))
                client.wait_window()
                x, y, w, h = client.geometry()
                self.assertEqual((w, h), DEFAULT_SIZE)
                self.assertLessEqual(abs(x - centred()[0]) + abs(y - centred()[1]), 2, (x, y))
                page = client.main_page()
                self.assertEqual(self.zoom(page), 1.0)
                self.wait_page_fills(client, page, 1.0)
                self.close(client)
                # Written anew as text, what the toolkit could make of the damage escaped.
                with open(path, "rb") as f:
                    written = f.read().decode("utf-8")
                self.assertIn("[window]", written)
                self.assertNotIn("\0", written)


if __name__ == "__main__":
    main()
