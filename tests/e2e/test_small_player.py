#!/usr/bin/env python3
"""The small player: the room's picture-in-picture button (and Alt+P) moves the playing video into
a small frameless window that stays above the others while the main window hides; its close
control, Escape, a double-click or the page's exitPictureInPicture() bring the window back where
it was with the video still playing. The player keeps the place and size it was dragged to; a request
without a click is refused; a page that enters and leaves without pause does not make the windows
change more than once a frame."""

import configparser
import os
import subprocess
import time

from client_case import SETTINGS_TAIL, ClientTest, main
from devtools import evaluate, navigate
from display import SCREEN, colour_count
from processes import poll
import standin

ROOM_URL = "https://%s/room?source=mp4&profile=360p30" % standin.SITE_HOST
# 480 x 270 in the bottom-right corner, 16 pixels from the screen's edges (no panel here).
FIRST_PLACE = (SCREEN[0] - 16 - 480, SCREEN[1] - 16 - 270, 480, 270)


class SmallPlayer(ClientTest):
    window_manager = True

    def setUp(self):
        navigate(self.page, ROOM_URL, timeout=60)
        poll(lambda: self.state()["time"] > 1, 60, description="the room's video to play")

    def state(self):
        return evaluate(self.page, "vtRoomState()[0]")

    def mapped(self, window):
        out = self.display.run(["xwininfo", "-id", str(window)], check=False)
        return "Map State: IsViewable" in out

    def player(self):
        windows = [w for w in self.client.other_windows() if self.display.geometry(w)[2] < 1000]
        return windows[0] if windows else None

    def click_pip(self):
        self.display.click(*self.client.element_centre(self.page, "#player-0 .pip"))

    def enter(self, how, place=FIRST_PLACE):
        """Opens the small player; returns its window once it shows the video at place."""
        how()
        player = poll(self.player, 10, description="the small player")
        poll(lambda: self.display.geometry(player) == place, 10,
             description=lambda: "the player at %s (now %s)" % (place, self.display.geometry(player)))
        poll(lambda: not self.mapped(self.client.window), 10, description="the main window to hide")
        # The window manager sets the state once it has taken the window.
        poll(lambda: "_NET_WM_STATE_ABOVE" in self.display.run(
            ["xprop", "-id", str(player), "_NET_WM_STATE"]), 10, description="a window above others")
        poll(lambda: evaluate(self.page, "[innerWidth, innerHeight]") == list(place[2:]), 10,
             description="the page to have the player's size")
        # testsrc2's bars run from red on the left to cyan on the right, edge to edge.
        x, y, w, h = place
        first = self.display.pixels(x, y, w, h)
        self.assertGreater(colour_count(first), 100)
        for column, (r, g, b) in ((x + 1, (1, 0, 0)), (x + w - 2, (0, 1, 1))):
            rgb = self.display.pixels(column, y + h // 4, 1, h // 2)
            pixels = [rgb[i:i + 3] for i in range(0, len(rgb), 3)]
            like = sum(1 for p in pixels if all((v > 150) == bool(want) for v, want in
                                                zip(p, (r, g, b))))
            self.assertGreater(like, len(pixels) * 0.7, "the bar at x=%d: %s" % (column, pixels[:3]))
        poll(lambda: self.display.pixels(x, y, w, h) != first, 5, description="a moving picture")
        self.assertTrue(self.state()["pictureInPicture"])
        return player

    def assert_back(self, normal, player):
        poll(lambda: self.mapped(self.client.window) and self.client.geometry() == normal, 10,
             description=lambda: "the main window back at %s (now %s)" % (
                 normal, self.client.geometry()))
        self.assertFalse(self.mapped(player))
        state = self.state()
        self.assertFalse(state["pictureInPicture"])
        self.assertEqual(state["pipEvents"][-1], "leavepictureinpicture")
        # Frames, not the clock: the clip loops every ten seconds.
        poll(lambda: self.state()["decoded"] > state["decoded"] + 30, 10,
             description=lambda: "the video playing on in the page (was %s, now %s)" % (
                 state, self.state()))
        self.assertFalse(self.state()["paused"])

    def test_enter_and_leave(self):
        normal = self.client.geometry()
        close = (FIRST_PLACE[0] + 480 - 6 - 14, FIRST_PLACE[1] + 6 + 14)
        ways = [
            ("the close control", self.click_pip, lambda p: (
                self.display.move_mouse(close[0] - 60, close[1] + 60),
                self.display.click(*close))),
            ("Escape", lambda: self.display.key("alt+p"), lambda p: self.display.key("Escape")),
            ("a double-click", self.click_pip,
             lambda p: self.display.click(FIRST_PLACE[0] + 240, FIRST_PLACE[1] + 135, repeat=2)),
            ("the page", self.click_pip,
             lambda p: evaluate(self.page, "document.exitPictureInPicture().then(() => 1)")),
        ]
        for name, how, leave in ways:
            with self.subTest(leave=name):
                player = self.enter(how)
                self.assertEqual(self.state()["pipEvents"][-1], "enterpictureinpicture")
                leave(player)
                self.assert_back(normal, player)

        # Dragged elsewhere and made smaller at its left edge (its right edge stays, 16:9, not
        # below 256 x 144), it comes back there, and the settings file keeps the place.
        player = self.enter(self.click_pip)
        self.display.drag((FIRST_PLACE[0] + 240, FIRST_PLACE[1] + 135), (400, 300))
        moved = poll(lambda: (lambda g: g if g[:2] != FIRST_PLACE[:2] else None)(
            self.display.geometry(player)), 10, description="the player to move")
        x, y, w, h = moved
        self.display.drag((x + 2, y + h // 2), (x + 400, y + h // 2))
        smallest = (x + w - 256, y, 256, 144)
        poll(lambda: self.display.geometry(player) == smallest, 10,
             description=lambda: "the player at %s (now %s)" % (smallest,
                                                                 self.display.geometry(player)))
        self.display.key("Escape")
        self.assert_back(normal, player)
        settings = configparser.ConfigParser()
        settings.read(os.path.join(self.client.home, SETTINGS_TAIL))
        self.assertEqual([int(settings["player"][k]) for k in ("x", "y", "width", "height")],
                         list(smallest))
        # A maximised window comes back maximised, and its button then restores the old place.
        self.display.click(*self.bar.buttons()["maximizeButton"])
        maximised = (0, 0) + SCREEN
        poll(lambda: self.client.geometry() == maximised, 10, description="a maximised window")
        self.enter(self.click_pip, place=smallest)
        self.display.key("Escape")
        self.assert_back(maximised, player)
        self.display.click(*self.bar.buttons()["maximizeButton"])
        poll(lambda: self.client.geometry() == normal, 10, description="the window restored")

    def test_request_without_click_is_refused(self):
        error = evaluate(self.page, "document.querySelector('video').requestPictureInPicture()"
                                    ".then(() => 'granted', (e) => e.name)")
        self.assertEqual(error, "NotAllowedError")
        time.sleep(0.5)
        self.assertIsNone(self.player())
        self.assertTrue(self.mapped(self.client.window))

    def test_rapid_switching_changes_the_window_once_a_frame_at_most(self):
        normal = self.client.geometry()
        watch = subprocess.Popen(["xev", "-id", str(self.client.window), "-event", "structure"],
                                 env=self.display.env, stdout=subprocess.PIPE, text=True)
        try:
            time.sleep(0.3)
            # A thousand entries and a thousand exits within a second, ending outside.
            evaluate(self.page, """new Promise((done) => {
                const video = document.querySelector('video');
                let left = 250;
                const step = () => {
                  for (let i = 0; i < 4; ++i) {
                    video.requestPictureInPicture();
                    document.exitPictureInPicture();
                  }
                  if (--left > 0) setTimeout(step, 1); else done(1);
                };
                step();
            })""", timeout=20, user_gesture=True)
            time.sleep(1)
        finally:
            watch.terminate()
        unmaps = watch.communicate(timeout=10)[0].count("UnmapNotify")
        self.assertEqual(len(self.state()["pipEvents"]) % 2, 0)
        self.assertLess(unmaps, 70, "the main window hid %d times" % unmaps)
        poll(lambda: self.mapped(self.client.window) and self.client.geometry() == normal, 10,
             description="the main window where it was")
        self.assertIsNone(self.player())


if __name__ == "__main__":
    main()
