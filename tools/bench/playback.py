#!/usr/bin/env python3
"""CPU, memory and dropped frames while video plays: the client beside the engine alone and a browser.

The same three programs as bench.py (client, bare engine window, chromium --app), each started
once per round on a virtual X server with a window manager, then taken through these loads:

  idle          the stand-in site's home page, where nothing moves
  1x720p30      the stand-in site's live room with one 720p 30 fps H.264/AAC player (HLS
                through Media Source Extensions), playing with sound
  1x1080p60     one 1080p 60 fps player
  3x720p30      three 720p 30 fps players at once
  minimised     the three players still playing (audio goes on) with the window minimised

For each load, after a warm-up: the CPU time of all the program's processes over a fixed window,
in percent of one core (the X server's own CPU apart, as it draws what the programs send), the
frames the page's players presented and dropped in that window (getVideoPlaybackQuality()), and,
at the end of 3x720p30, the PSS of all processes. Programs alternate their order from round to
round; the table shows medians with ranges and the client's ratios. The machine's load average
is recorded with every window.

    tools/bench/playback.py [--rounds N] [--warm-up S] [--window S] [--markdown]
    tools/bench/playback.py --profile DIR [--load NAME]    perf record -g of every process
"""

import argparse
import json
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.request

import bench
import live_media
from bench import standin
from devtools import DEBUG_PORT, evaluate, navigate
from display import XDisplay
from processes import cmdline, parent_pid, poll, port_lock, wait_port_free

LOADS = [("1x720p30", 1, "720p30"), ("1x1080p60", 1, "1080p60"), ("3x720p30", 3, "720p30")]
IDLE_SETTLE_SECONDS = 3.0
MINIMISED_SETTLE_SECONDS = 3.0

QUALITY_SCRIPT = """(() => {
  const videos = [...document.querySelectorAll('video')];
  const sum = (f) => videos.reduce((n, v) => n + f(v.getVideoPlaybackQuality()), 0);
  return {videos: videos.length, total: sum(q => q.totalVideoFrames),
          dropped: sum(q => q.droppedVideoFrames),
          playing: videos.filter(v => !v.paused && !v.muted && v.currentTime > 0.5).length};
})()"""


def room_url(site, players, profile):
    return site.url("/room?players=%d&profile=%s" % (players, profile))


def task_times(pids, names=None):
    """CPU time in nanoseconds of every thread of the given processes, by (pid, tid). With a
    dict as names, also notes each thread's name there."""
    times = {}
    for pid in pids:
        try:
            tasks = os.listdir("/proc/%d/task" % pid)
        except OSError:
            continue
        for tid in tasks:
            try:
                with open("/proc/%d/task/%s/schedstat" % (pid, tid)) as f:
                    times[(pid, tid)] = int(f.read().split()[0])
                if names is not None:
                    with open("/proc/%d/task/%s/comm" % (pid, tid)) as f:
                        names[(pid, tid)] = f.read().strip()
            except (OSError, ValueError):
                pass
    return times


def cpu_percent(before, after, seconds):
    """Share of one core used between two task_times samples; threads that began in between
    count from zero, threads that ended in between are lost (rare during playback)."""
    used = sum(value - before.get(key, 0) for key, value in after.items())
    return 100.0 * used / 1e9 / seconds


def free_port():
    """A port for a program that must be told its debugging port up front. It is free when asked,
    not promised to stay so; the benchmark runs alone, so nobody takes it in between."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def page_target(port):
    def find():
        try:
            with urllib.request.urlopen("http://127.0.0.1:%d/json" % port, timeout=2) as reply:
                targets = json.loads(reply.read().decode("utf-8"))
        except (OSError, ValueError):
            return None
        pages = [t for t in targets if t.get("type") == "page"]
        return pages[0] if pages else None
    return poll(find, 60, description="a page on debugging port %d" % port)


class Program:
    """One started program: its processes, its page over the debugging port, its window."""

    def __init__(self, kind, exe, bare_exe, display, site, stats, scratch):
        self.kind = kind
        self.display = display
        self.home = tempfile.mkdtemp(prefix=kind + "-", dir=scratch)
        os.makedirs(os.path.join(self.home, "runtime"), mode=0o700)
        work = os.path.join(self.home, "work")
        os.makedirs(work)
        self.port = DEBUG_PORT if kind == "client" else free_port()
        args, env = bench.commands(kind, exe, bare_exe, site, stats, self.home,
                                   debug_port=self.port)
        env["DISPLAY"] = display.name
        if kind == "client":
            wait_port_free(DEBUG_PORT, 120)
        mark = len(site.requests())
        self.proc = subprocess.Popen(args, cwd=work, env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
        if site.wait_for_path("/loaded", 60, start=mark) is None:
            self.stop()
            raise RuntimeError("%s: the home page did not load" % kind)
        self.page = page_target(self.port)

    def pids(self):
        return bench.session_processes(self.proc.pid)

    def quality(self):
        return evaluate(self.page, QUALITY_SCRIPT)

    def play(self, url, players):
        navigate(self.page, url, timeout=30)
        poll(lambda: self.quality()["playing"] == players, 30,
             description="%d players playing with sound in %s" % (players, self.kind))

    def minimise(self):
        windows = poll(lambda: self.display.visible_windows(self.proc.pid), 10,
                       description="%s's window" % self.kind)
        for window in windows:
            self.display.xdotool("windowminimize", window)
        poll(lambda: all(self.display.wm_state(w) == "Iconic" for w in windows), 10,
             description="%s's window minimised" % self.kind)

    def stop(self):
        bench.stop_session(self.proc)
        shutil.rmtree(self.home, ignore_errors=True)


def measure(program, xserver, seconds, frames=False):
    """CPU of the program and of the X server over seconds; with frames, the page's players'
    presented and dropped frames over the same time."""
    first = program.quality() if frames else None
    load = os.getloadavg()[0]
    before = task_times(program.pids())
    x_before = task_times([xserver])
    start = time.monotonic()
    time.sleep(seconds)
    after = task_times(program.pids())
    x_after = task_times([xserver])
    elapsed = time.monotonic() - start
    result = {"cpu": cpu_percent(before, after, elapsed),
              "xcpu": cpu_percent(x_before, x_after, elapsed),
              "load": max(load, os.getloadavg()[0])}
    if frames:
        last = program.quality()
        result["frames"] = last["total"] - first["total"]
        result["dropped"] = last["dropped"] - first["dropped"]
    return result


def one_round(kind, paths, display, site, stats, scratch, args):
    results = {}
    with port_lock(kind == "client"):
        program = Program(kind, paths[0], paths[1], display, site, stats, scratch)
        try:
            time.sleep(IDLE_SETTLE_SECONDS)
            results["idle"] = measure(program, display.server.pid, args.window)
            for name, players, media in LOADS:
                program.play(room_url(site, players, media), players)
                time.sleep(args.warm_up)
                results[name] = measure(program, display.server.pid, args.window, frames=True)
            results["3x720p30"]["pss"] = bench.pss_kib(program.pids()) / 1024.0
            program.minimise()
            time.sleep(MINIMISED_SETTLE_SECONDS)
            results["minimised"] = measure(program, display.server.pid, args.window)
        finally:
            program.stop()
    return results


def switches(pid):
    """A process's command-line words; Chromium rewrites its own as one line with spaces."""
    return " ".join(a.decode("utf-8", "replace") for a in cmdline(pid)).split()


def process_role(pid, browser_pid, xserver_pid):
    """What an engine process is for, from its command line. Renderers forked by a zygote keep
    the zygote's command line: a zygote's child that is a zygote too is a renderer."""
    if pid == browser_pid:
        return "browser"
    if pid == xserver_pid:
        return "X server"
    words = switches(pid)
    role = next((w.split("=", 1)[1] for w in words if w.startswith("--type=")), "?")
    if role == "zygote" and "--type=zygote" in switches(parent_pid(pid)):
        return "renderer"
    sub_type = next((w.split("=", 1)[1] for w in words if w.startswith("--utility-sub-type=")), "")
    return role + (" " + sub_type.split(".")[0] if sub_type else "")


def profile(kind, paths, display, site, stats, scratch, args, folder):
    """perf record -g of the program's processes and the X server while one of the loads plays;
    writes KIND.data and KIND.txt (CPU per process and thread, then perf's shares per thread,
    library and function) into folder."""
    data = os.path.join(folder, kind + ".data")
    with port_lock(kind == "client"):
        program = Program(kind, paths[0], paths[1], display, site, stats, scratch)
        try:
            _, players, media = next(load for load in LOADS if load[0] == args.load)
            program.play(room_url(site, players, media), players)
            time.sleep(args.warm_up)
            pids = program.pids() + [display.server.pid]
            roles = {pid: process_role(pid, program.proc.pid, display.server.pid) for pid in pids}
            names = {}
            before = task_times(pids, names)
            start = time.monotonic()
            subprocess.run(["perf", "record", "-q", "-g", "-F", "499", "-o", data,
                            "-p", ",".join(str(p) for p in pids), "--", "sleep", str(args.window)],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            after = task_times(pids, names)
            elapsed = time.monotonic() - start
        finally:
            program.stop()
    threads = {}
    for (pid, tid), value in after.items():
        name = "%s: %s" % (roles[pid], "main" if str(pid) == tid else names.get((pid, tid)))
        used = 100.0 * (value - before.get((pid, tid), 0)) / 1e9 / elapsed
        threads[name] = threads.get(name, 0.0) + used
    with open(os.path.join(folder, kind + ".txt"), "w") as out:
        out.write("# CPU by process and thread name over %.1f s (%% of a core), total %.1f\n"
                  % (elapsed, sum(threads.values())))
        for name, share in sorted(threads.items(), key=lambda item: -item[1]):
            if share >= 0.1:
                out.write("%6.1f  %s\n" % (share, name))
        for sort in ("comm,pid", "comm,pid,dso", "comm,pid,dso,sym"):
            out.write(subprocess.run(
                ["perf", "report", "-i", data, "--no-children", "--stdio", "-n",
                 "--percent-limit", "0.5", "--sort", sort, "-g", "none"],
                check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                text=True).stdout)
    print("wrote %s.txt" % os.path.join(folder, kind), file=sys.stderr, flush=True)


def cell(values, digits):
    median, low, high = bench.summary(values)
    return "%.*f [%.*f-%.*f]" % (digits, median, digits, low, digits, high), median


def table_rows(kinds, results):
    rows = []

    def add(label, scene, key, digits, ratio=True):
        row, medians = [label], {}
        for kind in kinds:
            text, medians[kind] = cell([r[scene][key] for r in results[kind]], digits)
            row.append(text)
        for other in ("bare", "chromium"):
            if "client" in kinds and other in kinds:
                row.append("%.2f" % (medians["client"] / medians[other])
                           if ratio and medians[other] else "")
        rows.append(row)

    def add_frames(label, scene):
        row = [label]
        for kind in kinds:
            dropped = [r[scene]["dropped"] for r in results[kind]]
            frames = statistics.median(r[scene]["frames"] for r in results[kind])
            row.append("%d [%d-%d] of %d" % (statistics.median(dropped), min(dropped),
                                             max(dropped), frames))
        row += [""] * (len(rows[0]) - len(row) if rows else 0)
        rows.append(row)

    add("idle, static page: CPU (% of a core)", "idle", "cpu", 2)
    for name, _, _ in LOADS:
        add(name + ": CPU (% of a core)", name, "cpu", 1)
        add(name + ": X server CPU (%)", name, "xcpu", 1, ratio=False)
        add_frames(name + ": dropped frames", name)
    add("3x720p30: PSS of all processes (MiB)", "3x720p30", "pss", 0)
    add("3x720p30 minimised: CPU (%)", "minimised", "cpu", 1)
    add("load average (1 min) during the windows", "3x720p30", "load", 1, ratio=False)
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--warm-up", type=float, default=6.0,
                        help="seconds of playback before each measured window")
    parser.add_argument("--window", type=float, default=8.0, help="seconds measured")
    parser.add_argument("--build-dir", default=os.path.join(bench.ROOT, "build"))
    parser.add_argument("--markdown", action="store_true", help="print the table as Markdown")
    parser.add_argument("--only", nargs="+", choices=["client", "bare", "chromium"],
                        help="measure only these programs (no ratios unless all three run)")
    parser.add_argument("--profile", metavar="DIR",
                        help="record perf profiles into DIR instead")
    parser.add_argument("--load", choices=[load[0] for load in LOADS], default="3x720p30",
                        help="the load played while profiling")
    args = parser.parse_args()

    kinds = args.only or ["client", "bare", "chromium"]
    bench.ensure_bench_packages()
    build_dir = os.path.abspath(args.build_dir)
    paths = bench.build(build_dir, kinds)
    # The room's stream is made on its first request; made here, it is not made in a window.
    for _, _, profile_name in LOADS:
        live_media.media_folder(profile_name)
    scratch = tempfile.mkdtemp(prefix="vt-playback-")
    display = XDisplay(window_manager=True, size=(1280, 800), scratch=scratch)
    site = standin.Site()
    stats = standin.Stats()
    results = {kind: [] for kind in kinds}
    try:
        if args.profile:
            os.makedirs(args.profile, exist_ok=True)
            for kind in kinds:
                profile(kind, paths, display, site, stats, scratch, args, args.profile)
            return 0
        for number in range(args.rounds):
            order = kinds[number % len(kinds):] + kinds[:number % len(kinds)]
            for kind in order:
                results[kind].append(one_round(kind, paths, display, site, stats,
                                               scratch, args))
            print("round %d/%d done" % (number + 1, args.rounds), file=sys.stderr, flush=True)
    finally:
        site.stop()
        stats.stop()
        display.close()
        shutil.rmtree(scratch, ignore_errors=True)

    header = ["median [min-max], %d rounds" % args.rounds]
    header += [bench.PROGRAM_NAMES[kind] for kind in kinds]
    header += ["client/" + other for other in ("bare", "chromium")
               if "client" in kinds and other in kinds]
    bench.print_table(header, table_rows(kinds, results), args.markdown)
    print("Each load: %.0f s measured after %.0f s of playback." % (args.window, args.warm_up))
    return 0


if __name__ == "__main__":
    sys.exit(main())
