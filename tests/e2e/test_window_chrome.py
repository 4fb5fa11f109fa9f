#!/usr/bin/env python3
"""The frameless window under a window manager: maximise and restore by button and by
double-click, moving by the title bar, resizing at the edges with the page following, minimise,
and the clear-cache notice with the data folder gone after exit; a scaled desktop, also on a
screen smaller than the window's least size."""

import os

from client_case import ClientTest, main
from devtools import evaluate
from display import SCREEN, XDisplay
from processes import poll
from title_bar_locator import DEFAULT_SIZE, MARGIN, TITLE_HEIGHT


class WindowChrome(ClientTest):
    window_manager = True

    def size(self):
        return self.client.geometry()[2:]

    def wait_size(self, size, what):
        return poll(lambda: self.size() == size, 10, description=lambda: "%s (now %s)" % (what,
                                                                                   self.size()))

    def view_size(self):
        return evaluate(self.page, "[innerWidth, innerHeight]")

    def wait_view_follows(self):
        """The page's viewport fills the area below the title bar inside the margins."""
        def follows():
            w, h = self.size()
            vw, vh = self.view_size()
            return vw == w - 2 * MARGIN and \
                abs(vh - (h - 2 * MARGIN - TITLE_HEIGHT)) <= 3
        poll(follows, 10, description="the page to follow the window (window %s, page %s)"
             % (self.size(), self.view_size()))

    def test_1_maximise_button(self):
        self.wait_view_follows()
        self.display.click(*self.bar.buttons()["maximizeButton"])
        self.wait_size(SCREEN, "a maximised window")
        self.wait_view_follows()
        self.display.click(*self.bar.buttons()["maximizeButton"])
        self.wait_size(DEFAULT_SIZE, "the restored window")
        self.wait_view_follows()

    def test_2_double_click_title_bar(self):
        self.display.click(*self.bar.empty_spot(), repeat=2)
        self.wait_size(SCREEN, "a maximised window after a double-click")
        self.display.click(*self.bar.empty_spot(), repeat=2)
        self.wait_size(DEFAULT_SIZE, "the restored window after a double-click")

    def test_3_drag_title_bar_moves(self):
        x0, y0, w, h = self.client.geometry()
        # Somewhere else, leaving room on the right and below for the resize steps.
        target = (40, 30) if abs(x0 - 40) >= 50 or abs(y0 - 30) >= 50 else (100, 80)
        start = self.bar.empty_spot()
        self.display.drag(start, (start[0] + target[0] - x0, start[1] + target[1] - y0))

        def moved():
            x, y, _, _ = self.client.geometry()
            return abs(x - target[0]) <= 3 and abs(y - target[1]) <= 3
        poll(moved, 10, description="the window to move with the drag to %s (from %s to %s)"
             % (target, (x0, y0), self.client.geometry()[:2]))
        self.assertEqual(self.size(), (w, h))

        # The move ends with the button's release: the window no longer follows the pointer.
        # (If the window manager could not grab the pointer when the move was handed to it, it
        # never sees the release and keeps moving the window until the next click.)
        placed = self.client.geometry()
        self.display.move_mouse(start[0] + 150, start[1] + 200)
        self.display.sync_window_manager()
        followed = self.client.geometry()
        if followed != placed:
            self.display.xdotool("click", 1)
            self.display.sync_window_manager()
            self.display.xdotool("windowmove", self.client.window, *placed[:2])
        self.assertEqual(followed, placed, "the window kept following the pointer after the "
                                           "button was released")

    def test_4_edge_resize(self):
        screen_w, screen_h = SCREEN
        x, y, w, h = self.client.geometry()
        # Right edge band, 8 pixels wide.
        grab = (x + w - 3, y + h // 2)
        dx = min(120, screen_w - 2 - grab[0])
        self.assertGreater(dx, 20, "no room to resize")
        self.display.drag(grab, (grab[0] + dx, grab[1]))
        poll(lambda: abs(self.size()[0] - (w + dx)) <= 2 and self.size()[1] == h, 10,
             description=lambda: "a window %d wider (now %s)" % (dx, self.size()))
        self.wait_view_follows()
        # Bottom-right corner.
        x, y, w, h = self.client.geometry()
        grab = (x + w - 3, y + h - 3)
        dx, dy = min(40, screen_w - 2 - grab[0]), min(50, screen_h - 2 - grab[1])
        self.display.drag(grab, (grab[0] + dx, grab[1] + dy))
        poll(lambda: abs(self.size()[0] - (w + dx)) <= 2 and abs(self.size()[1] - (h + dy)) <= 2,
             10, description=lambda: "a window larger by %s (now %s)" % ((dx, dy), self.size()))
        self.wait_view_follows()
        # Dragging the left edge past the minimum width stops at the last step that kept the
        # width: the right edge stays. A shrink of the bottom edge after it tells when the drag
        # has been carried out.
        x, y, w, h = self.client.geometry()
        self.display.drag((x + 3, y + h // 2), (x + 3 + w - DEFAULT_SIZE[0] + 200,
                                                y + h // 2))
        grab = (x + w // 2, y + h - 3)
        self.display.drag(grab, (grab[0], grab[1] - 20))
        poll(lambda: abs(self.size()[1] - (h - 20)) <= 2, 10,
             description=lambda: "the bottom edge's shrink (now %s)" % (self.size(),))
        x2, _, w2, _ = self.client.geometry()
        self.assertGreaterEqual(w2, DEFAULT_SIZE[0])
        self.assertEqual(x2 + w2, x + w)

    def test_5_minimise(self):
        self.display.click(*self.bar.buttons()["minimizeButton"])
        poll(lambda: self.display.wm_state(self.client.window) == "Iconic", 10,
             description="the window to be minimised")
        self.display.xdotool("windowactivate", self.client.window)
        poll(lambda: self.display.wm_state(self.client.window) == "Normal", 10,
             description="the window to come back")
        self.assertTrue(self.client.alive())

    def test_6_clear_cache_notice_and_exit(self):
        self.assertTrue(os.path.isdir(self.client.data_folder))
        button = self.bar.buttons()["clearcookieButton"]
        self.display.click(*button)

        def bubbles():
            return [(window, self.display.geometry(window))
                    for window in self.client.other_windows()
                    if self.display.geometry(window)[2:] == (180, 60)]
        first, (bx, by, _, _) = poll(bubbles, 5, description="the 180x60 notice bubble")[0]
        # Centred under the button (whose centre was found from its drawn image, so to a few
        # pixels), its top edge at the button's bottom: 6 + 28 pixels below the bar's top.
        self.assertLessEqual(abs(bx + 90 - button[0]), 6)
        self.assertLessEqual(abs(by - (self.bar.rect()[1] + 34)), 1)
        # Pressing it again shows the notice anew in place of the first.
        self.display.click(*button)
        poll(lambda: any(window != first for window, _ in bubbles()), 5,
             description="the second notice")
        self.assertEqual([geometry for _, geometry in bubbles()], [(bx, by, 180, 60)])

        self.display.click(*self.bar.buttons()["closeButton"])
        # The bubble is a window of its own: the program ends once it has closed too.
        self.assertEqual(self.client.wait_exit(15), 0)
        self.assertFalse(os.path.exists(self.client.data_folder))
        # Nothing above the data folder goes with it.
        self.assertTrue(os.path.isdir(os.path.join(self.client.home, ".local", "share")))


class ScaledDesktop(ClientTest):
    """A desktop scaled by 1.5 through the X resources, as desktops set fractional scaling: the
    window, its title bar and the page come out 1.5 times as large, the page drawn at the screen's
    own resolution."""

    @classmethod
    def make_display(cls):
        return XDisplay(size=(1920, 1200), scratch=cls.scratch)

    @classmethod
    def prepare(cls):
        cls.display.run(["xrdb", "-merge", "-"], input="Xft.dpi: 144\n")
        super().prepare()

    def test_everything_one_and_a_half_times_as_large(self):
        _, _, w, h = self.client.geometry()
        self.assertEqual((w, h), (DEFAULT_SIZE[0] * 3 // 2, DEFAULT_SIZE[1] * 3 // 2))
        ratio, width, height = evaluate(self.page, "[devicePixelRatio, innerWidth, innerHeight]")
        self.assertEqual((ratio, width), (1.5, DEFAULT_SIZE[0] - 2 * MARGIN))
        # As at 1: the page's least height reaches 3 pixels into the bottom margin.
        self.assertLessEqual(abs(height - (DEFAULT_SIZE[1] - 2 * MARGIN - TITLE_HEIGHT)), 3)


class SmallScaledScreen(ClientTest):
    """The same scale on a 1280 × 800 screen, smaller than the window's least size at 1.5 (1620 ×
    915): the window fits the screen, restored and maximised, and its close button works."""
    window_manager = True

    @classmethod
    def make_display(cls):
        return XDisplay(window_manager=True, scratch=cls.scratch)

    @classmethod
    def prepare(cls):
        cls.display.run(["xrdb", "-merge", "-"], input="Xft.dpi: 144\n")
        super().prepare()

    def button(self, right):
        """Screen position of a window button whose centre lies right logical pixels from the
        window's right end."""
        x, y, w, _ = self.client.geometry()
        return x + w - right * 3 // 2, y + (MARGIN + TITLE_HEIGHT // 2) * 3 // 2

    def test_window_fits_and_closes(self):
        x, y, w, h = self.client.geometry()
        self.assertTrue(x >= 0 and y >= 0 and x + w <= SCREEN[0] and y + h <= SCREEN[1],
                        (x, y, w, h))
        # Close, maximise and minimise sit 30, 64 and 98 logical pixels from the right end.
        self.display.click(*self.button(64))
        poll(lambda: self.client.geometry() == (0, 0) + SCREEN, 10,
             description=lambda: "the window maximised (now %s)" % (self.client.geometry(),))
        self.display.click(*self.button(30))
        self.assertEqual(self.client.wait_exit(20), 0)


if __name__ == "__main__":
    main()
