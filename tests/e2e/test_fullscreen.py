#!/usr/bin/env python3
"""Full screen from the live room's player: the window covers the screen with the page alone and
comes back exactly as it was, from a normal and from a maximised window, whether Escape, the
page's own button or a navigation ends it; a request without a user's click changes nothing;
a pop-up switches its own window."""

import json

from client_case import ClientTest, main
from devtools import debug_pages, evaluate, navigate
from display import SCREEN
from processes import poll
from title_bar_locator import MARGIN
import standin

ROOM_URL = "https://%s/room?source=mp4&profile=360p30" % standin.SITE_HOST
FULL = (0, 0) + SCREEN


class Fullscreen(ClientTest):
    window_manager = True
    reads_notices = True

    def setUp(self):
        navigate(self.page, ROOM_URL, timeout=60)

    def state(self):
        return evaluate(self.page, "[!!document.fullscreenElement, innerWidth, innerHeight]")

    def wait_geometry(self, expected, what):
        poll(lambda: self.client.geometry() == expected, 10,
             description=lambda: "%s (window now %s)" % (what, self.client.geometry()))

    def enter(self):
        """Clicks the player's full-screen button; the page alone then covers the screen."""
        self.display.click(*self.client.element_centre(self.page, "#player-0 .fullscreen"))
        self.wait_geometry(FULL, "the window to cover the screen")
        poll(lambda: self.state() == [True, SCREEN[0], SCREEN[1]], 10,
             description=lambda: "the page to fill the screen (now %s)" % self.state())
        self.client.notices.wait_for("按 Esc 即可退出全屏模式")

    def assert_back(self, geometry, view):
        self.wait_geometry(geometry, "the window's former geometry")
        poll(lambda: self.state() == [False] + view, 10,
             description=lambda: "the page back below the title bar (now %s)" % self.state())

    def test_leaving_restores_the_window(self):
        normal = self.client.geometry()
        normal_view = self.state()[1:]
        self.assertEqual(normal_view[0], normal[2] - 2 * MARGIN)
        exits = [
            ("Escape", lambda: self.display.key("Escape")),
            ("the page's button", lambda: self.display.click(
                *[int(v) for v in evaluate(self.page, "(() => { const r = document"
                  ".querySelector('#player-0 .fullscreen').getBoundingClientRect();"
                  " return [r.left + r.width / 2, r.top + r.height / 2]; })()")])),
            ("a navigation", lambda: evaluate(self.page, "location.reload(); true")),
        ]
        for name, leave in exits:
            with self.subTest(leave=name):
                self.enter()
                leave()
                self.assert_back(normal, normal_view)
                navigate(self.page, ROOM_URL)

        # From maximised back to maximised, and the title bar's buttons work as before.
        self.display.click(*self.bar.buttons()["maximizeButton"])
        maximised = (0, 0) + SCREEN
        self.wait_geometry(maximised, "a maximised window")
        poll(lambda: self.state()[1] == SCREEN[0] - 2 * MARGIN, 10,
             description="the page to follow the maximised window")
        maximised_view = self.state()[1:]
        self.enter()
        self.display.key("Escape")
        self.assert_back(maximised, maximised_view)
        self.display.click(*self.bar.buttons()["maximizeButton"])
        self.assert_back(normal, normal_view)

    def test_notice_of_how_to_leave_goes_by_itself(self):
        self.enter()
        self.client.notices.wait_none()
        self.assertEqual(self.state()[0], True)
        self.display.key("Escape")
        poll(lambda: self.state()[0] is False, 10, description="the page to leave full screen")

    def test_request_without_click_is_refused(self):
        geometry = self.client.geometry()
        error = evaluate(self.page, "document.body.requestFullscreen().then(() => 'granted',"
                                    " (e) => e.name + ': ' + e.message)")
        self.assertTrue(error.startswith("TypeError"), error)
        # Refused is final: nothing switches after the page has its answer.
        self.assertEqual(self.client.geometry(), geometry)
        self.assertEqual(self.state()[0], False)

    def test_popup_switches_its_own_window(self):
        evaluate(self.page, "document.getElementById('login').click(); true")
        popup = poll(self.client.other_windows, 20, description="the pop-up")[0]
        login = poll(lambda: [p for p in debug_pages() if p["url"].endswith("/login")], 20,
                     description="the sign-in page")[0]
        self.assertIsNotNone(self.site.wait_for_path("/loaded", 20, query_contains="page=login"))
        main_geometry = self.client.geometry()
        before = self.display.geometry(popup)
        self.assertEqual(evaluate(login, "document.body.requestFullscreen().then(() => 'ok')",
                                  user_gesture=True), "ok")
        poll(lambda: self.display.geometry(popup) == FULL, 10,
             description=lambda: "the pop-up %s to cover the screen (now %s; windows %s)" % (
                 popup, self.display.geometry(popup), self.client.other_windows()))
        self.client.notices.wait_for("按 Esc 即可退出全屏模式")
        self.assertEqual(self.client.geometry(), main_geometry)
        self.display.key("Escape")
        poll(lambda: self.display.geometry(popup) == before, 10,
             description=lambda: "the pop-up back at %s (now %s)" % (
                 before, self.display.geometry(popup)))
        self.assertFalse(evaluate(login, "!!document.fullscreenElement"), json.dumps(login))
        evaluate(login, "window.close(); true")


if __name__ == "__main__":
    main()
