#!/usr/bin/env python3
"""CPU, memory and dropped frames while video plays: the client beside the engine alone and a browser.

The same three programs as bench.py (client, bare engine window, chromium --app), each started
once per round on a virtual X server with a window manager, then taken through these loads:

  idle          the stand-in site's home page, where nothing moves
  1x720p30      a live room with one 720p 30 fps H.264/AAC player, playing with sound
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
    tools/bench/playback.py --profile DIR    perf record -g of every process, 3x720p30 only
"""

import argparse
import contextlib
import fcntl
import json
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request
from http.server import SimpleHTTPRequestHandler, ThreadingHTTPServer

import bench
from bench import standin
from devtools import DEBUG_PORT, evaluate, navigate
from display import XDisplay
from processes import poll, wait_port_free

LOADS = [("1x720p30", 1, "720p30"), ("1x1080p60", 1, "1080p60"), ("3x720p30", 3, "720p30")]
MEDIA = {"720p30": (1280, 720, 30, "2500k"), "1080p60": (1920, 1080, 60, "6000k")}
CLIP_SECONDS = 20
IDLE_SETTLE_SECONDS = 3.0
MINIMISED_SETTLE_SECONDS = 3.0
PORT_LOCK = "/tmp/port7788.lock"

QUALITY_SCRIPT = """(() => {
  const videos = [...document.querySelectorAll('video')];
  const sum = (f) => videos.reduce((n, v) => n + f(v.getVideoPlaybackQuality()), 0);
  return {videos: videos.length, total: sum(q => q.totalVideoFrames),
          dropped: sum(q => q.droppedVideoFrames),
          playing: videos.filter(v => !v.paused && !v.muted && v.currentTime > 0.5).length};
})()"""


def make_media(folder):
    """H.264/AAC clips of each kind, made once with ffmpeg and kept for later runs."""
    os.makedirs(folder, exist_ok=True)
    for name, (width, height, rate, bitrate) in MEDIA.items():
        path = os.path.join(folder, name + ".mp4")
        if os.path.exists(path):
            continue
        print("Making %s..." % path, file=sys.stderr, flush=True)
        subprocess.run(
            ["ffmpeg", "-v", "error", "-y",
             "-f", "lavfi", "-i", "testsrc2=size=%dx%d:rate=%d" % (width, height, rate),
             "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000",
             "-t", str(CLIP_SECONDS), "-c:v", "libx264", "-preset", "veryfast", "-b:v", bitrate,
             "-g", str(2 * rate), "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "128k",
             "-movflags", "+faststart", path + ".part.mp4"],
            check=True)
        os.replace(path + ".part.mp4", path)


def room_page(players, kind):
    videos = "".join(
        '<video src="/%s.mp4?player=%d" autoplay loop playsinline></video>' % (kind, i)
        for i in range(players))
    return ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Room</title><style>"
            "body{margin:0;background:#111}main{display:flex;flex-wrap:wrap;gap:6px;padding:6px}"
            "video{flex:1 1 30%%;min-width:0;background:#000}</style></head>"
            "<body><main>%s</main></body></html>" % videos)


class Room:
    """Plain HTTP on 127.0.0.1 serving the media folder and /room?players=N&kind=K."""

    def __init__(self, media):
        class Handler(SimpleHTTPRequestHandler):
            def __init__(self, *args, **kwargs):
                super().__init__(*args, directory=media, **kwargs)

            def log_message(self, format, *args):
                pass

            def do_GET(self):
                if self.path.startswith("/room?"):
                    query = dict(p.split("=", 1) for p in self.path.split("?", 1)[1].split("&"))
                    body = room_page(int(query["players"]), query["kind"]).encode()
                    self.send_response(200)
                    self.send_header("Content-Type", "text/html; charset=utf-8")
                    self.send_header("Content-Length", str(len(body)))
                    self.end_headers()
                    self.wfile.write(body)
                else:
                    super().do_GET()

        self.server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.server.daemon_threads = True
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def url(self, players, kind):
        return "http://127.0.0.1:%d/room?players=%d&kind=%s" % (
            self.server.server_address[1], players, kind)

    def stop(self):
        self.server.shutdown()
        self.server.server_close()


def task_times(pids):
    """CPU time in nanoseconds of every thread of the given processes, by (pid, tid)."""
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


@contextlib.contextmanager
def port_lock(kind):
    """The client opens the shared debugging port: take the lock every user of it takes."""
    if kind != "client":
        yield
        return
    with open(PORT_LOCK, "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            yield
        finally:
            fcntl.flock(lock, fcntl.LOCK_UN)


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


def one_round(kind, paths, display, site, stats, room, scratch, args):
    results = {}
    with port_lock(kind):
        program = Program(kind, paths[0], paths[1], display, site, stats, scratch)
        try:
            time.sleep(IDLE_SETTLE_SECONDS)
            results["idle"] = measure(program, display.server.pid, args.window)
            for name, players, media in LOADS:
                program.play(room.url(players, media), players)
                time.sleep(args.warm_up)
                results[name] = measure(program, display.server.pid, args.window, frames=True)
            results["3x720p30"]["pss"] = bench.pss_kib(program.pids()) / 1024.0
            program.minimise()
            time.sleep(MINIMISED_SETTLE_SECONDS)
            results["minimised"] = measure(program, display.server.pid, args.window)
        finally:
            program.stop()
    return results


def profile(kind, paths, display, site, stats, room, scratch, args, folder):
    """perf record -g of the program's processes and the X server while three players play;
    writes KIND.data and KIND.txt (shares per process, library and function) into folder."""
    data = os.path.join(folder, kind + ".data")
    with port_lock(kind):
        program = Program(kind, paths[0], paths[1], display, site, stats, scratch)
        try:
            program.play(room.url(3, "720p30"), 3)
            time.sleep(args.warm_up)
            pids = ",".join(str(p) for p in program.pids() + [display.server.pid])
            subprocess.run(["perf", "record", "-q", "-g", "-F", "499", "-p", pids, "-o", data,
                            "--", "sleep", str(args.window)],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        finally:
            program.stop()
    with open(os.path.join(folder, kind + ".txt"), "w") as out:
        for sort in ("comm,pid", "comm,pid,dso", "comm,pid,dso,sym"):
            out.write(subprocess.run(
                ["perf", "report", "-i", data, "--no-children", "--stdio", "--percent-limit",
                 "0.5", "--sort", sort, "-g", "none"],
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
                        help="record perf profiles of three players into DIR instead")
    args = parser.parse_args()

    kinds = args.only or ["client", "bare", "chromium"]
    bench.ensure_bench_packages()
    build_dir = os.path.abspath(args.build_dir)
    paths = bench.build(build_dir, kinds)
    media = os.path.join(build_dir, "bench-media")
    make_media(media)
    scratch = tempfile.mkdtemp(prefix="vt-playback-")
    display = XDisplay(window_manager=True, size=(1280, 800), scratch=scratch)
    site = standin.Site()
    stats = standin.Stats()
    room = Room(media)
    results = {kind: [] for kind in kinds}
    try:
        if args.profile:
            os.makedirs(args.profile, exist_ok=True)
            for kind in kinds:
                profile(kind, paths, display, site, stats, room, scratch, args, args.profile)
            return 0
        for number in range(args.rounds):
            order = kinds[number % len(kinds):] + kinds[:number % len(kinds)]
            for kind in order:
                results[kind].append(one_round(kind, paths, display, site, stats, room,
                                               scratch, args))
            print("round %d/%d done" % (number + 1, args.rounds), file=sys.stderr, flush=True)
    finally:
        room.stop()
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
