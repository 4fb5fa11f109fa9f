#!/usr/bin/env python3
"""A page whose script never returns cannot hold the window: the title bar's reload, home,
minimise, maximise and close still work, and close ends the client with 0."""

import time

from client_case import ClientTest, main
from devtools import evaluate
from processes import poll
from display import SCREEN
import standin

HANG_URL = "https://%s/hang" % standin.SITE_HOST


class HangingPage(ClientTest):
    window_manager = True

    def hang(self):
        start = len(self.site.requests())
        evaluate(self.page, "location.href = %r; true" % HANG_URL)
        self.assertIsNotNone(self.site.wait_for_path("/loaded", 20, start=start,
                                                     query_contains="page=hang"))
        self.wait_hung()

    def wait_hung(self):
        def hung():
            try:
                evaluate(self.page, "true", timeout=2)
                return False
            except (RuntimeError, OSError):
                return True
        poll(hung, 20, description="the page's script to hang")

    def test_1_reload_and_home(self):
        self.hang()
        start = len(self.site.requests())
        self.display.click(*self.bar.buttons()["refreshButton"])
        self.assertIsNotNone(self.site.wait_for_path("/loaded", 20, start=start,
                                                     query_contains="page=hang"))
        self.wait_hung()
        start = len(self.site.requests())
        self.display.click(*self.bar.buttons()["returnhomeButton"])
        self.assertIsNotNone(self.site.wait_for_path("/loaded", 20, start=start,
                                                     query_contains="page=home"))

    def test_2_window_buttons_and_close(self):
        self.hang()
        size = tuple(self.client.geometry()[2:])
        self.display.click(*self.bar.buttons()["maximizeButton"])
        poll(lambda: tuple(self.client.geometry()[2:]) == tuple(SCREEN), 10,
             description="a maximised window")
        # The bar is drawn anew at the new width before its buttons are looked for again.
        button = poll(lambda: (lambda b: b if b[0] > size[0] else None)(
            self.bar.buttons()["maximizeButton"]), 10, description="the bar at full width")
        self.display.click(*button)
        poll(lambda: tuple(self.client.geometry()[2:]) == size, 10,
             description="the window restored")
        self.display.click(*self.bar.buttons()["minimizeButton"])
        poll(lambda: self.display.wm_state(self.client.window) == "Iconic", 10,
             description=lambda: "the window to be minimised (state %r, at %s)" % (
                 self.display.wm_state(self.client.window), self.client.geometry()))
        self.display.xdotool("windowactivate", self.client.window)
        poll(lambda: self.display.wm_state(self.client.window) == "Normal", 10,
             description="the window to come back")
        closed = time.monotonic()
        self.display.click(*self.bar.buttons()["closeButton"])
        self.assertEqual(self.client.wait_exit(10), 0)
        self.assertLess(time.monotonic() - closed, 10)


if __name__ == "__main__":
    main()
