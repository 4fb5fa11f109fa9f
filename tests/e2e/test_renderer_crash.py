#!/usr/bin/env python3
"""A renderer that crashes leaves a minidump of itself in the working folder while the client
lives on: its window, its debugging port and its buttons."""

import datetime
import glob
import os
import re
import signal
import struct
import subprocess

from client_case import ClientTest, main
from devtools import debug_pages, debug_targets
from processes import poll, process_tree
import standin

DUMP_NAME = re.compile(r"^DumpDemo_v1\.0-(\d{8}-\d{6})\.dmp$")
MISC_INFO_STREAM = 15


def dumped_process(path):
    """The process id a minidump records."""
    with open(path, "rb") as f:
        data = f.read()
    count, directory = struct.unpack_from("<II", data, 8)
    for index in range(count):
        kind, size, rva = struct.unpack_from("<III", data, directory + 12 * index)
        if kind == MISC_INFO_STREAM and size >= 12:
            return struct.unpack_from("<I", data, rva + 8)[0]
    return None


def debugger_report(path):
    return subprocess.run(
        [os.environ.get("VT_LLDB", "lldb-14"), "--batch", "-c", path, "-o", "thread list"],
        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=180,
        env=dict(os.environ, PYTHONPATH=os.environ.get("VT_LLDB_PYTHONPATH", ""))).stdout


class RendererCrash(ClientTest):
    def test_renderer_crash_leaves_dump(self):
        if os.geteuid() == 0:
            # Root keeps the engine's sandbox off, and says so once.
            self.assertEqual(self.client.log_text().count(
                "vantoro-client: pages run outside the sandbox: it runs as root"), 1)
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
            # A dump of the renderer itself, not of the process that noticed its end.
            self.assertIn(dumped_process(dump), renderers)
            self.assertIn("stop reason = signal SIGSEGV", debugger_report(dump))

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
