#!/usr/bin/env python3
"""A renderer that crashes leaves a minidump in the working folder while the client lives on."""

import datetime
import glob
import os
import re
import signal

from client_case import ClientTest, main
from devtools import debug_pages, debug_targets
from processes import poll, process_tree
import standin

DUMP_NAME = re.compile(r"^DumpDemo_v1\.0-(\d{8}-\d{6})\.dmp$")


class RendererCrash(ClientTest):
    def test_renderer_crash_leaves_dump(self):
        renderers = poll(self.client.renderer_pids, 10, description="a renderer process")
        self.assertEqual(glob.glob(os.path.join(self.client.workdir, "*.dmp")), [])
        before = datetime.datetime.now().replace(microsecond=0)
        for pid in renderers:
            os.kill(pid, signal.SIGSEGV)

        def complete_dump():
            dumps = glob.glob(os.path.join(self.client.workdir, "DumpDemo_v1.0-*.dmp"))
            if dumps and all(pid not in process_tree(self.client.pid)
                             for pid in renderers):
                return dumps
            return None
        dumps = poll(complete_dump, 20, description="a dump and the renderer's end")
        after = datetime.datetime.now()
        for dump in dumps:
            match = DUMP_NAME.match(os.path.basename(dump))
            self.assertIsNotNone(match, dump)
            stamp = datetime.datetime.strptime(match.group(1), "%Y%m%d-%H%M%S")
            # Local time of the crash, to the second.
            self.assertTrue(before <= stamp <= after, (before, stamp, after))
            with open(dump, "rb") as f:
                self.assertEqual(f.read(4), b"MDMP")
            self.assertGreater(os.path.getsize(dump), 1024)

        # The browser process goes on: its window, its debugging port and its commands.
        self.assertTrue(self.client.alive())
        self.assertIn(self.client.window, self.display.visible_windows(self.client.pid))
        # The crashed page has no debugging target until it is loaded again; the port answers.
        self.assertIsInstance(debug_targets(), list)
        requests = len(self.site.requests())
        self.display.click(*self.bar.buttons()["refreshButton"])
        poll(lambda: self.site.wait_for_path("/", 0, start=requests), 15,
             description="the page to load again after the crash")
        poll(lambda: any(p["url"].startswith("https://%s/" % standin.SITE_HOST)
                         for p in debug_pages()), 15,
             description="the reloaded page on the debugging port")
        self.display.click(*self.bar.buttons()["closeButton"])
        self.assertEqual(self.client.wait_exit(15), 0)


if __name__ == "__main__":
    main()
