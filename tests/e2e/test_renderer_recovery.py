#!/usr/bin/env python3
"""A page whose process ends comes back by itself: the live room plays again with a notice after
its renderer is killed or crashes, even with a dialog of the page open, and a second end within a minute leaves the error page, from
which the title bar's reload brings the room back."""

import glob
import os
import signal
import time

from client_case import ClientTest, main
from devtools import debug_pages, evaluate, navigate
from processes import poll, process_tree
import standin

ROOM_URL = "https://%s/room?source=mp4" % standin.SITE_HOST
RELOADED = "页面异常退出，已重新加载"


class RoomCase(ClientTest):
    reads_notices = True

    @classmethod
    def prepare(cls):
        super().prepare()
        navigate(cls.page, ROOM_URL, timeout=60)

    def room_time(self):
        """The room's playing position, or None while it has no page that answers."""
        for page in debug_pages():
            if page["url"].startswith(ROOM_URL):
                try:
                    state = evaluate(page, "vtRoomState()[0]", timeout=2)
                except (RuntimeError, OSError):
                    return None
                return state["time"] if not state["error"] else None
        return None

    def wait_playing(self, timeout, past=0.5):
        return poll(lambda: (self.room_time() or 0) > past, timeout,
                    description="the room to play")

    def end_renderers(self, sig):
        renderers = poll(self.client.renderer_pids, 10, description="a renderer process")
        for pid in renderers:
            os.kill(pid, sig)
        return renderers

    def room_requests(self, start):
        return [r for r in self.site.requests()[start:] if r["path"] == "/room"]


class RoomRecovery(RoomCase):
    def test_1_crashed_room_plays_again_with_notice(self):
        # The first request of a profile may have to make the media first.
        self.wait_playing(60)
        self.client.notices.wait_none()
        ended = time.monotonic()
        renderers = self.end_renderers(signal.SIGSEGV)
        self.wait_playing(5)
        self.assertLess(time.monotonic() - ended, 5)
        self.client.notices.wait_for(RELOADED)
        # The crashed renderer still leaves its dump.
        poll(lambda: glob.glob(os.path.join(self.client.workdir, "DumpDemo_v1.0-*.dmp")) and
             all(pid not in process_tree(self.client.pid) for pid in renderers), 20,
             description="the renderer's dump")

    def test_2_second_end_within_a_minute_shows_the_error_page(self):
        start = len(self.site.requests())
        self.end_renderers(signal.SIGKILL)
        error = poll(lambda: [p for p in debug_pages() if p["url"].startswith("data:text/html")],
                     15, description="the error page")[0]
        text = poll(lambda: evaluate(error, "document.body && document.body.innerText"), 10,
                    description="the error page's text")
        self.assertIn(ROOM_URL, text)
        self.assertIn("page process was killed (1000)", text)
        # The error page was loaded in place of the room: no third load follows.
        self.assertEqual(self.room_requests(start), [])

        self.display.click(*self.bar.buttons()["refreshButton"])
        self.wait_playing(30)
        self.assertEqual(len(self.room_requests(start)), 1)


class KilledRoomRecovery(RoomCase):
    def test_killed_room_plays_again_with_notice(self):
        self.wait_playing(60)
        self.client.notices.wait_none()
        # A dialog the page had open goes with its process and holds nothing up.
        evaluate(self.page, "setTimeout(() => alert('still there?'), 0); true")
        poll(self.client.other_windows, 10, description="the page's dialog")
        ended = time.monotonic()
        self.end_renderers(signal.SIGKILL)
        self.wait_playing(5)
        self.assertLess(time.monotonic() - ended, 5)
        self.client.notices.wait_for(RELOADED)
        self.client.notices.wait_none()
        self.assertEqual(self.client.other_windows(), [])
        self.display.click(*self.bar.buttons()["closeButton"])
        self.assertEqual(self.client.wait_exit(15), 0)


if __name__ == "__main__":
    main()
