#!/usr/bin/env python3
"""On a desktop session bus of the test's own: the live room holds the screen awake while it
plays and lets go on pause, when its renderer crashes and at exit; the desktop's media controls
(the engine's one MPRIS player) pause and play the page and name the room; a bus that goes away
mid-run leaves the client running."""

import os
import signal

from client_case import main
from devtools import evaluate, navigate
from processes import poll
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
        self.bus.send(self.players()[0], MPRIS_PATH, PLAYER + "." + method)

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
