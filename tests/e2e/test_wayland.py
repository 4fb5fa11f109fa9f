#!/usr/bin/env python3
"""The client on a Wayland desktop, as VT_WAYLAND_MODE says: on weston natively or through its
XWayland, or through mutter's XWayland ("mutter"): the page fills its area from the start, the left and top edges move with a drag, the notice
bubble and the notification question show under their button, and full screen comes back to the window as it was."""

import os

from client_case import ClientTest, main
from devtools import evaluate, navigate
from mutter_display import MutterDisplay
from processes import poll
from title_bar_locator import DEFAULT_SIZE, MARGIN, TITLE_HEIGHT
from weston_display import WestonDisplay
import standin

PAGE_BACKGROUND = (0xf4, 0xf1, 0xea)
ROOM_URL = "https://%s/room?source=mp4&profile=360p30" % standin.SITE_HOST


def near(rgb, colour, tolerance=8):
    return all(abs(a - b) <= tolerance for a, b in zip(rgb, colour))


class WaylandDesktop(ClientTest):
    mode = os.environ.get("VT_WAYLAND_MODE", "native")

    @classmethod
    def make_display(cls):
        if cls.mode == "mutter":
            return MutterDisplay(scratch=cls.scratch)
        return WestonDisplay(xwayland=cls.mode == "xwayland", scratch=cls.scratch)

    def rect(self):
        return self.client.geometry()

    def wait_rect(self, expected, what, tolerance=2):
        def there():
            return all(abs(a - b) <= tolerance for a, b in zip(self.rect(), expected))
        poll(there, 15, description=lambda: "%s at %s (now %s)" % (what, expected, self.rect()))

    def wait_page_follows(self):
        def follows():
            _, _, w, h = self.rect()
            vw, vh = evaluate(self.page, "[innerWidth, innerHeight]")
            return vw == w - 2 * MARGIN and abs(vh - (h - 2 * MARGIN - TITLE_HEIGHT)) <= 3
        poll(follows, 10, description="the page to follow the window")

    def test_1_page_fills_its_area(self):
        self.display.park_pointer()
        x, y, w, h = self.rect()
        self.assertEqual((w, h), DEFAULT_SIZE)
        left, top = x + MARGIN, y + MARGIN + TITLE_HEIGHT
        right, bottom = x + w - MARGIN - 1, y + h - MARGIN - 1

        def page_shown():
            # The page's last row and last column, where a late or missized surface shows blank.
            row = self.display.pixels(left, bottom, right - left + 1, 1)
            column = self.display.pixels(right, top, 1, bottom - top + 1)
            edge = [px for strip in (row, column)
                    for px in (strip[i:i + 3] for i in range(0, len(strip), 3))]
            return sum(1 for px in edge if near(px, PAGE_BACKGROUND)) >= len(edge) * 0.9
        poll(page_shown, 10, description="the page's colour along its bottom row and right "
                                         "column")

    def skip_under_westons_x_window_manager(self):
        # weston's X window manager carries out moves and a window's own placement only now and
        # then, and brings a window back from full screen at its frame's margin (32, 32); mutter
        # does all of it, and the X11 scenarios cover these under a window manager that does.
        if self.mode == "xwayland":
            self.skipTest("weston's X window manager places X windows unreliably")

    def test_2_left_and_top_edges_move(self):
        self.skip_under_westons_x_window_manager()
        if self.mode == "mutter" and self.display.version >= 44:
            # Debian 13's mutter 48 carries out the first edge drag and then gets no request
            # from the client for the second; why is not known yet.
            self.skipTest("a second edge drag under mutter %d is an open fault" %
                          self.display.version)
        # Room on every side first: a drag on the title bar.
        x, y, w, h = self.rect()
        start = self.bar.empty_spot()
        self.display.drag(start, (start[0] + 150 - x, start[1] + 150 - y))
        self.wait_rect((150, 150, w, h), "the window moved by its title bar")

        self.hold_drag((150 + 3, 150 + h // 2), (150 + 3 - 100, 150 + h // 2),
                       (50, 150, w + 100, h), "the left edge dragged out")
        self.hold_drag((50 + (w + 100) // 2, 150 + 3), (50 + (w + 100) // 2, 150 + 3 - 100),
                       (50, 50, w + 100, h + 100), "the top edge dragged up")
        self.wait_page_follows()

    def hold_drag(self, start, end, expected, what):
        """Drags from start to end and holds the button, as a user does, until the window has
        followed. The compositor may be a step behind the pointer: on a busy machine the client's
        request to resize can reach it after the last step, and it resizes only on motion that
        follows, so the hand stays on the mouse, one pixel to and fro, while the window follows."""
        x = self.display.x
        x.move_mouse(*start)
        x.xdotool("mousedown", 1)
        try:
            for i in range(1, 11):
                x.xdotool("mousemove", start[0] + (end[0] - start[0]) * i // 10,
                          start[1] + (end[1] - start[1]) * i // 10)
            nudges = iter(range(10 ** 6))

            def followed():
                x.xdotool("mousemove", end[0] + next(nudges) % 2, end[1])
                return all(abs(a - b) <= 2 for a, b in zip(self.rect(), expected))
            poll(followed, 15, description=lambda: "%s at %s (now %s)" % (what, expected,
                                                                          self.rect()))
            x.xdotool("mousemove", *end)
        finally:
            x.xdotool("mouseup", 1)
        self.wait_rect(expected, what + ", after the release")

    def test_3_notice_and_question_under_their_button(self):
        self.skip_under_westons_x_window_manager()
        button = self.bar.buttons()["clearcookieButton"]
        bar_top = self.bar.rect()[1]
        # A bubble's white body starts below its arrow, 17 pixels under its top edge, which is at
        # the button's bottom: 6 + 28 pixels below the bar's top.
        area = (button[0] - 200, bar_top, 400, 140)

        def body():
            rgb = self.display.pixels(*area)
            rows = []
            for r in range(area[3]):
                line = rgb[r * area[2] * 3:(r + 1) * area[2] * 3]
                white = [c for c in range(area[2]) if line[c * 3:c * 3 + 3] == b"\xff\xff\xff"]
                if len(white) >= 100:
                    rows.append((r, white[0], white[-1]))
            return rows or None

        def under_button(what):
            rows = poll(body, 5, description="the %s near its button" % what)
            r, first, last = rows[0]
            self.assertLessEqual(abs(area[0] + (first + last) / 2 - button[0]), 6, rows[:3])
            self.assertLessEqual(abs(area[1] + r - (bar_top + 34 + 17)), 2, rows[:3])

        self.display.click(*button)
        self.display.park_pointer()
        under_button("notice")
        poll(lambda: body() is None, 10, description="the notice to go")
        evaluate(self.page, "Notification.requestPermission(); true")
        under_button("notification question")

    def test_4_full_screen_and_back(self):
        self.skip_under_westons_x_window_manager()
        before = self.rect()
        navigate(self.page, ROOM_URL, timeout=60)
        self.display.click(*self.client.element_centre(self.page, "#player-0 .fullscreen"))
        self.wait_rect((0, 0) + self.display.size, "the page covering the screen", 0)
        poll(lambda: evaluate(self.page, "!!document.fullscreenElement"), 10,
             description="the page in full screen")
        self.display.key("Escape")
        self.wait_rect(before, "the window as it was", 0)
        self.wait_page_follows()


if __name__ == "__main__":
    main()
