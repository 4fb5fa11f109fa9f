#!/usr/bin/env python3
"""For an ordinary user the page runs in the engine's sandbox: its renderers have a system-call
filter, no way to gain privileges, and user and pid namespaces of their own. A sandboxed
renderer that crashes, by the page or by a signal from outside, still leaves one minidump of
itself in the working folder, written for it by the browser process, and ends; the room comes
back."""

import glob
import json
import os
import re
import signal

from client_case import main
from devtools import connect, debug_pages
from processes import poll, process_tree
from test_renderer_crash import dumped_process, debugger_report
from test_renderer_recovery import RELOADED, ROOM_URL, RoomCase

STOPPED_THREAD = re.compile(r"thread #\d+: tid = (\d+),.*stop reason = signal (SIG\w+)")


def status_fields(pid):
    with open("/proc/%d/status" % pid) as f:
        return dict(line.rstrip("\n").split(":\t", 1) for line in f if ":\t" in line)


def namespace(pid, kind):
    return os.readlink("/proc/%d/ns/%s" % (pid, kind))


class SandboxedRoom(RoomCase):
    ordinary = True

    def dumps(self):
        return set(glob.glob(os.path.join(self.client.workdir, "DumpDemo_v1.0-*.dmp")))

    def crash_renderer(self, crash):
        """Crashes the room's renderer with crash(pid); returns, once it has ended with one dump
        of it, a function that reads the signal the debugger names as the crash's, after checking
        that it names one thread, of that renderer."""
        before = self.dumps()
        renderer = poll(self.client.renderer_pids, 10, description="a renderer process")[0]
        threads = {int(t) for t in os.listdir("/proc/%d/task" % renderer)}
        crash(renderer)
        poll(lambda: renderer not in process_tree(self.client.pid), 10,
             description="the crashed renderer's end")
        new = poll(lambda: self.dumps() - before, 5, description="the renderer's dump")
        self.assertEqual(len(new), 1, new)
        dump = new.pop()
        self.assertEqual(dumped_process(dump), renderer)

        def crash_signal():
            report = debugger_report(dump)
            stopped = STOPPED_THREAD.findall(report)
            self.assertEqual(len(stopped), 1, report)
            self.assertIn(int(stopped[0][0]), threads, report)
            return stopped[0][1]
        return crash_signal

    def test_1_renderers_run_in_the_sandbox(self):
        self.wait_playing(60)
        self.assertNotIn("outside the sandbox", self.client.log_text())
        renderers = self.client.renderer_pids()
        self.assertTrue(renderers)
        for pid in renderers:
            status = status_fields(pid)
            self.assertEqual(status["Seccomp"], "2", pid)
            self.assertEqual(status["NoNewPrivs"], "1", pid)
            for kind in ("user", "pid"):
                self.assertNotEqual(namespace(pid, kind), namespace(self.client.pid, kind))

    def test_2_page_crash_leaves_a_dump_and_the_room_comes_back(self):
        self.wait_playing(60)

        def crash_page(_):
            room = [p for p in debug_pages() if p["url"].startswith(ROOM_URL)][0]
            ws = connect(room)
            ws.send(json.dumps({"id": 1, "method": "Page.crash"}))
            ws.close()
        crash_signal = self.crash_renderer(crash_page)
        # The notice stays for a short while only: read before the dump.
        self.client.notices.wait_for(RELOADED)
        self.wait_playing(15)
        self.assertIn(crash_signal(), ("SIGSEGV", "SIGILL", "SIGTRAP"))

    def test_3_signal_from_outside_leaves_a_dump_and_ends_it(self):
        self.wait_playing(60)
        crash_signal = self.crash_renderer(lambda pid: os.kill(pid, signal.SIGSEGV))
        self.assertEqual(crash_signal(), "SIGSEGV")
        # A second end within a minute of the first leaves the error page; reloading brings the
        # room back.
        poll(lambda: [p for p in debug_pages() if p["url"].startswith("data:text/html")], 15,
             description="the error page")
        self.display.click(*self.bar.buttons()["refreshButton"])
        self.wait_playing(30)
        self.display.click(*self.bar.buttons()["closeButton"])
        self.assertEqual(self.client.wait_exit(15), 0)


if __name__ == "__main__":
    main()
