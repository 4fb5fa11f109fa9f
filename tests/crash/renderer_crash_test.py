#!/usr/bin/env python3
"""The real client on the X display the test runs under (xvfb-run), with HOME in a temporary
folder and plain-HTTP requests sent to a local port where nothing listens: a renderer that
crashes leaves a dump of itself in the working folder, and the browser process lives on."""
import datetime
import os
import re
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "standin"))
sys.path.insert(0, os.path.join(HERE, "..", "engine"))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
sys.dont_write_bytecode = True  # nothing written into the source tree
import standin  # noqa: E402
from processes import cmdline, parent_pid  # noqa: E402
from client_start_test import (client_environment, poll, send_wm_delete,  # noqa: E402
                               top_level_windows)

EXE = None
LLDB = None
DUMP_NAME = re.compile(r"^DumpDemo_v1\.0-(\d{8}-\d{6})\.dmp$")
MISC_INFO_STREAM = 15


def alive(pid):
    """Running, not a zombie waiting for its parent."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def renderers():
    """Processes of the client's executable that render pages: started as renderers, or forked
    from a zygote (those keep the zygote's command line)."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        pid = int(entry)
        try:
            if os.readlink("/proc/%d/exe" % pid) != EXE:
                continue
        except OSError:
            continue
        if (b"--type=renderer" in cmdline(pid)
                or b"--type=zygote" in cmdline(parent_pid(pid))):
            found.append(pid)
    return found


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


class RendererCrash(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.home = os.path.join(self.scratch.name, "home")
        self.workdir = os.path.join(self.scratch.name, "work")
        os.mkdir(self.home)
        os.mkdir(self.workdir)
        self.log = open(os.path.join(self.scratch.name, "client.log"), "w+b")
        self.site = standin.Site()
        self.proc = subprocess.Popen([EXE] + standin.engine_switches(self.site), cwd=self.workdir,
                                     env=client_environment(self.home), stdout=self.log,
                                     stderr=subprocess.STDOUT, start_new_session=True)

    def tearDown(self):
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait()
        self.site.stop()
        self.log.close()
        self.scratch.cleanup()

    def output(self):
        self.log.seek(0)
        return self.log.read().decode("utf-8", "replace")

    def test_crashed_renderer_leaves_its_dump_and_the_client_lives_on(self):
        windows = poll(lambda: top_level_windows(self.proc.pid), 30)
        self.assertTrue(windows, self.output())
        self.assertTrue(self.site.wait_for_path("/loaded", 30), self.output())
        victims = poll(renderers, 10)
        self.assertTrue(victims, self.output())
        victim = victims[0]

        before = datetime.datetime.now().replace(microsecond=0)
        os.kill(victim, signal.SIGSEGV)
        self.assertTrue(poll(lambda: not alive(victim), 20), "the renderer did not end")
        after = datetime.datetime.now()

        dumps = [name for name in os.listdir(self.workdir) if name.endswith(".dmp")]
        self.assertEqual(len(dumps), 1, dumps)
        match = DUMP_NAME.match(dumps[0])
        self.assertIsNotNone(match, dumps[0])
        stamp = datetime.datetime.strptime(match.group(1), "%Y%m%d-%H%M%S")
        self.assertTrue(before <= stamp <= after, (before, stamp, after))
        path = os.path.join(self.workdir, dumps[0])
        with open(path, "rb") as f:
            self.assertEqual(f.read(4), b"MDMP")
        self.assertEqual(dumped_process(path), victim)
        report = subprocess.run(
            [LLDB, "--batch", "-c", path, "-o", "thread list"], stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT, text=True, timeout=180,
            env=dict(os.environ, PYTHONPATH="/usr/lib/llvm-14/lib/python3.11/dist-packages")).stdout
        self.assertIn("stop reason = signal SIGSEGV", report)

        # The browser process goes on with its window, and still closes normally.
        time.sleep(1)
        self.assertIsNone(self.proc.poll(), self.output())
        # The renderer's end may have replaced windows of the page: close what is shown now.
        shown = top_level_windows(self.proc.pid)
        self.assertTrue(shown)
        for window in shown:
            send_wm_delete(window)
        self.assertEqual(self.proc.wait(30), 0, self.output())


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.stderr.write("usage: %s PATH-TO-vantoro-client PATH-TO-lldb [unittest options]\n"
                         % sys.argv[0])
        sys.exit(2)
    EXE = os.path.realpath(sys.argv[1])
    LLDB = sys.argv[2]
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:], verbosity=2)
