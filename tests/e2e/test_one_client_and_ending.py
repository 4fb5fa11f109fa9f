#!/usr/bin/env python3
"""One client per data folder, and the clean end that a termination signal takes: a later start
brings the running client's window back instead of opening its own; SIGTERM and SIGINT end the
client as its close button does; a data folder that is a link survives clear cache with its
target; a client that finds no private folder for its socket runs and says so; a shut-down that
hangs ends 10 s after the window closed, with the window's place saved and no process left."""

import os
import signal
import subprocess
import time

from client_case import SETTINGS_TAIL, ClientTest, main
from devtools import evaluate
from processes import poll
from title_bar_locator import TitleBar


class OneClientAndEnding(ClientTest):
    window_manager = True

    def press_clear_cache(self, client):
        """Presses clear cache and waits for its notice, so the press has been handled."""
        self.display.click(*TitleBar(client).buttons()["clearcookieButton"])
        poll(client.other_windows, 5, description="the clear-cache notice")

    def test_1_later_start_brings_the_running_window_back(self):
        self.client.display.xdotool("windowminimize", str(self.client.window))
        poll(lambda: self.display.wm_state(self.client.window) == "Iconic", 10,
             description="the window to be minimised")
        beacons = len(self.stats.beacons())

        later = self.start_client(workdir="later", port_free=False)
        self.assertEqual(later.wait_exit(10), 0, later.log_text())
        poll(lambda: self.display.wm_state(self.client.window) == "Normal", 10,
             description="the running window to come back")
        self.assertEqual(self.display.visible_windows(later.pid), [])
        self.assertFalse(os.path.exists(os.path.join(later.workdir, "first.txt")))
        # The later start has ended, so any beacon of its own would have arrived.
        self.assertEqual(len(self.stats.beacons()), beacons)

    def test_2_sigterm_ends_cleanly_and_keeps_a_fresh_cookie(self):
        evaluate(self.page, "document.cookie = 'kept=yes; max-age=3600'")
        os.kill(self.client.pid, signal.SIGTERM)
        self.assertEqual(self.client.wait_exit(20), 0, self.client.log_text())

        seen = len(self.site.requests())
        again = self.start_client()
        again.wait_window()
        page = again.main_page()
        self.assertIsNotNone(
            self.site.wait_for_path("/loaded", 20, start=seen, query_contains="page=home"))
        poll(lambda: "kept=yes" in evaluate(page, "document.cookie"), 10,
             description="the cookie set before SIGTERM")

        # Ctrl+C in the terminal takes the same path, and a requested clear cache is done on it.
        self.press_clear_cache(again)
        os.kill(again.pid, signal.SIGINT)
        self.assertEqual(again.wait_exit(20), 0, again.log_text())
        self.assertFalse(os.path.exists(again.data_folder))

    def test_3_signal_during_start_up_ends_cleanly(self):
        # The start beacon holds the window back until its answer or its deadline: a signal that
        # arrives while the stand-in keeps the answer arrives during start-up.
        beacons = len(self.stats.beacons())
        self.stats.hold_answers()
        try:
            early = self.start_client(home="early-home", workdir="early")
            self.assertIsNotNone(self.stats.wait_for_stat_id(770001, 30, start=beacons),
                                 "no start beacon")
            os.kill(early.pid, signal.SIGTERM)
            self.assertEqual(early.wait_exit(20), 0, early.log_text())
        finally:
            self.stats.release_answers()

    def test_4_data_folder_that_is_a_link_keeps_its_target(self):
        home = os.path.join(self.scratch, "linked-home")
        target = os.path.join(self.scratch, "other-disk", "VantoroClient")
        os.makedirs(os.path.join(target, "cache"))
        with open(os.path.join(target, "cache", "precious"), "w") as f:
            f.write("precious")
        os.makedirs(os.path.join(home, ".local", "share"))
        os.symlink(target, os.path.join(home, ".local", "share", "VantoroClient"))

        linked = self.start_client(home="linked-home", workdir="linked")
        linked.wait_window()
        linked.main_page()
        self.press_clear_cache(linked)
        self.display.click(*TitleBar(linked).buttons()["closeButton"])
        self.assertEqual(linked.wait_exit(20), 0, linked.log_text())
        self.assertFalse(os.path.lexists(linked.data_folder))
        with open(os.path.join(target, "cache", "precious")) as f:
            self.assertEqual(f.read(), "precious")

    def test_5_later_start_that_gets_no_answer_ends_with_one(self):
        running = self.start_client(home="stopped-home", workdir="stopped")
        running.wait_window()
        os.kill(running.pid, signal.SIGSTOP)
        try:
            later = self.start_client(home="stopped-home", workdir="unanswered", port_free=False)
            self.assertEqual(later.wait_exit(10), 1)
        finally:
            os.kill(running.pid, signal.SIGCONT)
        lines = later.log_text().splitlines()
        self.assertEqual(len(lines), 1, lines)
        self.assertIn("did not answer", lines[0])

    def test_6_client_without_a_private_folder_runs_and_says_so_once(self):
        # The runtime folder is open to others, and another user made the fallback folder first.
        runtime = os.path.join(self.scratch, "runtime-open-home")
        os.makedirs(runtime)
        os.chmod(runtime, 0o755)
        temporary = os.path.join(self.scratch, "open-tmp")
        taken = os.path.join(temporary, "vantoro-client-runtime-%d" % os.geteuid())
        os.makedirs(taken, mode=0o700)
        os.chown(taken, os.geteuid() + 1, os.getegid())
        env = {"TMPDIR": temporary}

        # The client of the case before still holds the debugging port; this one needs none.
        running = self.start_client(home="open-home", workdir="open", port_free=False,
                                    extra_env=env)
        running.wait_window()
        later = self.start_client(home="open-home", workdir="open-later", port_free=False,
                                  extra_env=env)
        self.assertEqual(later.wait_exit(10), 1)
        os.kill(running.pid, signal.SIGTERM)
        self.assertEqual(running.wait_exit(20), 0, running.log_text())
        lines = [line for line in running.log_text().splitlines() if "cannot reach" in line]
        self.assertEqual(len(lines), 1, running.log_text())
        self.assertEqual(os.listdir(runtime), [])
        self.assertEqual(os.listdir(taken), [])

    def test_7_shut_down_that_hangs_is_ended(self):
        stuck = self.start_client(home="stuck-home", workdir="stuck", port_free=False)
        stuck.wait_window()
        # The debugger keeps the thread that shuts the engine down asleep and lets every other
        # one run.
        script = os.path.join(self.scratch, "hold-shut-down.gdb")
        with open(script, "w") as f:
            f.write("handle all nostop noprint pass\nbreak CefShutdown\ncommands\nsilent\n"
                    "set scheduler-locking off\ncall (unsigned int) sleep(60)\nend\n"
                    "continue\n")
        log_path = os.path.join(self.scratch, "gdb-stuck.log")
        with open(log_path, "wb") as log:
            debugger = subprocess.Popen(
                ["gdb", "-nx", "-batch", "-iex", "set debuginfod enabled off", "-p",
                 str(stuck.pid), "-x", script],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        try:
            def debugger_said(text):
                with open(log_path) as f:
                    return text in f.read()
            poll(lambda: debugger_said("Breakpoint 1 at"), 60,
                 description="the debugger's breakpoint")
            time.sleep(1)
            closed = time.monotonic()
            self.display.close_window(stuck.window)
            self.assertEqual(stuck.wait_exit(20), 0)
            self.assertGreater(time.monotonic() - closed, 9)
            self.assertTrue(debugger_said("exited while in a function called from GDB"))
        finally:
            debugger.kill()
            debugger.wait()
        self.assertIn("shut-down still ran", stuck.log_text())
        with open(os.path.join(stuck.home, SETTINGS_TAIL)) as f:
            self.assertIn("[window]", f.read())


if __name__ == "__main__":
    main()
