#!/usr/bin/env python3
"""The client's small windows on an X server whose window manager composes nothing, as on many
plain desktops: the page's context menu, a title-bar button's tooltip and the clear-cache notice
must show dark text on a light, opaque background. Transparent pixels of a window come out black
there."""

import time

from client_case import ClientTest, main
from processes import poll


class SmallWindows(ClientTest):
    window_manager = True

    def new_popup(self, before):
        return poll(lambda: (list(set(self.display.popups(self.client.pid)) - before) or
                             [None])[0], 5, description="a new menu or tooltip window")

    def assert_readable(self, window, what, clear_edge=0):
        """Mostly light with some dark text; with clear_edge, nothing black in that many pixels
        along the window's edges. A window just mapped may not be drawn yet, so it has a few
        seconds to get there."""
        x, y, w, h = self.display.geometry(window)
        deadline = time.monotonic() + 3
        while True:
            rgb = self.display.pixels(x, y, w, h)
            pixels = [rgb[i:i + 3] for i in range(0, len(rgb) - 2, 3)]
            light = sum(1 for p in pixels if min(p) >= 200)
            dark = sum(1 for p in pixels if max(p) <= 110)
            black_edge = sum(1 for i, p in enumerate(pixels) if max(p) <= 16 and min(
                i // w, i % w, h - 1 - i // w, w - 1 - i % w) < clear_edge)
            if light > len(pixels) // 2 and dark > 10 and black_edge == 0:
                return
            if time.monotonic() > deadline:
                self.fail("%s (%dx%d): %d of %d pixels light, %d dark, %d black at the edge"
                          % (what, w, h, light, len(pixels), dark, black_edge))
            time.sleep(0.2)

    def test_1_context_menu(self):
        ox, oy = self.client.web_origin()
        before = set(self.display.popups(self.client.pid))
        self.display.click(ox + 600, oy + 420, button=3)
        menu = self.new_popup(before)
        # Off the menu, so that no item is drawn highlighted.
        self.display.move_mouse(ox + 200, oy + 200)
        time.sleep(0.5)
        try:
            self.assert_readable(menu, "the context menu")
        finally:
            # An open menu holds the pointer: the next scenario's clicks would only close it.
            self.display.key("Escape")
        poll(lambda: menu not in self.display.popups(self.client.pid), 5,
             description="the menu to close")

    def test_2_tooltip(self):
        before = set(self.display.popups(self.client.pid))
        self.display.move_mouse(*self.bar.buttons()["refreshButton"])
        tip = self.new_popup(before)
        time.sleep(0.3)
        self.assert_readable(tip, "the refresh button's tooltip")
        self.display.move_mouse(*self.bar.empty_spot())

    def test_3_notice_bubble(self):
        self.display.click(*self.bar.buttons()["clearcookieButton"])

        def bubble():
            for window in self.client.other_windows():
                if self.display.geometry(window)[2:] == (180, 60):
                    return window
            return None
        notice = poll(bubble, 5, description="the 180x60 notice bubble")
        # The bubble's shape leaves a margin of 5 pixels around its body.
        self.assert_readable(notice, "the notice bubble", clear_edge=3)


if __name__ == "__main__":
    main()
