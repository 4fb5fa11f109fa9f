#!/usr/bin/env python3
"""Start time and memory of the client, side by side with the engine alone and with a browser.

Ten runs each (after one discarded warm-up round), interleaved, on one page of the stand-in site,
on a virtual X server:

  client    the client itself
  client-unsandboxed
            the client with its pages outside the engine's sandbox (--no-sandbox); as root the
            client runs them there anyway, so compare the two with --ordinary
  bare      tools/bench/bare_window.cpp: a window that only loads the page with the same engine,
            set up as the client sets it up (no GPU, software composition)
  chromium  Debian's chromium --app=URL (installed when missing)

For each run: process start to its first window mapped (seen as a MapNotify on the X server),
process start to the page's load event (seen as the page's marker request reaching the stand-in),
and the PSS of all its processes (from /proc/<pid>/smaps_rollup) once the page has loaded and
settled. Prints median and range of each, and the client's ratios to the other two.

    tools/bench/bench.py [--runs N] [--build-dir DIR] [--markdown] [--only KIND...] [--ordinary]

--ordinary runs the programs as an ordinary user (one made for the tests when run as root).
"""

import argparse
import os
import platform
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path[:0] = [os.path.join(ROOT, "tests", "e2e"), os.path.join(ROOT, "tools", "standin")]
import standin  # noqa: E402
from devtools import DEBUG_PORT  # noqa: E402
from display import XDisplay  # noqa: E402
from processes import give_to, ordinary_user, poll, port_lock, wait_port_free  # noqa: E402

SETTLE_SECONDS = 2.0
WINDOW = (1080, 610)
# The client lets pages play with sound without a gesture; the others are set up alike.
AUTOPLAY = "--autoplay-policy=no-user-gesture-required"
PROGRAM_NAMES = {"client": "client", "client-unsandboxed": "client, sandbox off",
                 "bare": "bare engine window", "chromium": "chromium --app"}


def ensure_bench_packages():
    """Debian's chromium for the comparison, and the other tools the benchmarks use."""
    subprocess.run([os.path.join(ROOT, "tools", "install-deps.sh"), "bench"], check=True)


def build(build_dir, kinds):
    if not os.path.exists(os.path.join(build_dir, "build.ninja")):
        subprocess.run(["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], check=True,
                       stdout=subprocess.DEVNULL)
    targets = {"client": "vantoro-client", "client-unsandboxed": "vantoro-client",
               "bare": "vt-bare-window"}
    wanted = sorted({targets[kind] for kind in kinds if kind in targets})
    if wanted:
        subprocess.run(["cmake", "--build", build_dir, "--target"] + wanted, check=True,
                       stdout=subprocess.DEVNULL)
    return (os.path.join(build_dir, "app", "vantoro-client"),
            os.path.join(build_dir, "tools", "vt-bare-window"))


class MapWatcher:
    """Notes the time of every top-level window mapped on the display."""

    def __init__(self, display):
        self.proc = subprocess.Popen(
            ["stdbuf", "-oL", "xev", "-root", "-event", "substructure"], env=display.env,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.maps = []
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        for line in self.proc.stdout:
            if line.startswith("MapNotify"):
                with self.lock:
                    self.maps.append(time.time())

    def first_after(self, start):
        with self.lock:
            later = [t for t in self.maps if t >= start]
        return later[0] if later else None

    def close(self):
        self.proc.terminate()
        self.proc.wait()


def session_processes(sid):
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[3]) == sid:
            pids.append(int(entry))
    return pids


def pss_kib(pids):
    total = 0
    for pid in pids:
        try:
            with open("/proc/%d/smaps_rollup" % pid) as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
                        break
        except OSError:
            pass
    return total


def stop_session(proc):
    """Ends a started program and everything it started (its own session)."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(proc.pid, sig)
        except ProcessLookupError:
            pass
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline and session_processes(proc.pid):
            if proc.poll() is None:
                try:
                    proc.wait(0.1)
                except subprocess.TimeoutExpired:
                    pass
            else:
                time.sleep(0.05)
        if not session_processes(proc.pid):
            break
    proc.wait()


def commands(kind, exe, bare, site, stats, home, url=None, debug_port=None):
    """Command line and environment that start a program on url (default: the site's home
    page). The client's debugging port is its own; the others get debug_port when given."""
    url = url or site.url()
    env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=os.path.join(home, "runtime"))
    for name in list(env):
        if name.lower().endswith("_proxy") or name.startswith("QTWEBENGINE_"):
            del env[name]
    switches = standin.engine_switches(site)
    if kind.startswith("client"):
        env = standin.client_environment(stats, env)
        return [exe] + switches + (["--no-sandbox"] if kind == "client-unsandboxed" else []), env
    if kind == "bare":
        # The engine set up as the client sets it up: no GPU, and so the page composed by Qt
        # Quick's software renderer rather than through OpenGL.
        env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        flags = '"%s" %s --disable-gpu %s' % (switches[0], switches[1], AUTOPLAY)
        if debug_port:
            flags += " --remote-debugging-port=%d" % debug_port
        env["QTWEBENGINE_CHROMIUM_FLAGS"] = flags
        env["QT_QUICK_BACKEND"] = "software"
        return [bare, url], env
    args = ["chromium", "--app=" + url, "--no-sandbox", "--disable-gpu", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--password-store=basic", "--window-size=%d,%d" % WINDOW, AUTOPLAY,
            "--user-data-dir=" + os.path.join(home, "chromium")] + switches
    if debug_port:
        args.append("--remote-debugging-port=%d" % debug_port)
    return args, env


def one_run(kind, exe, bare, display, watcher, site, stats, scratch, user=None):
    home = tempfile.mkdtemp(prefix=kind + "-", dir=scratch)
    os.makedirs(os.path.join(home, "runtime"), mode=0o700)
    work = os.path.join(home, "work")
    os.makedirs(work)
    give_to(user, home)
    as_user = {} if user is None else {"user": user.pw_uid, "group": user.pw_gid,
                                       "extra_groups": []}
    args, env = commands(kind, exe, bare, site, stats, home)
    env["DISPLAY"] = display.name
    client = kind.startswith("client")
    with port_lock(client):
        if client:
            wait_port_free(DEBUG_PORT, 60)
        mark = len(site.requests())
        start = time.time()
        proc = subprocess.Popen(args, cwd=work, env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True, **as_user)
        try:
            loaded = site.wait_for_path("/loaded", 60, start=mark)
            if loaded is None:
                raise RuntimeError("%s: the page did not load" % kind)
            mapped = poll(lambda: watcher.first_after(start), 10,
                          description="%s's window" % kind)
            time.sleep(SETTLE_SECONDS)
            memory = pss_kib(session_processes(proc.pid))
        finally:
            stop_session(proc)
            shutil.rmtree(home, ignore_errors=True)
        return {"map": mapped - start, "load": loaded["time"] - start, "pss": memory / 1024.0}


def summary(values):
    return statistics.median(values), min(values), max(values)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build"))
    parser.add_argument("--markdown", action="store_true", help="print the table as Markdown")
    parser.add_argument("--only", nargs="+", choices=list(PROGRAM_NAMES),
                        help="measure only these programs (no ratios unless all three run)")
    parser.add_argument("--ordinary", action="store_true",
                        help="run the programs as an ordinary user")
    args = parser.parse_args()

    kinds = args.only or ["client", "bare", "chromium"]
    if "chromium" in kinds:
        ensure_bench_packages()
    exe, bare = build(os.path.abspath(args.build_dir), kinds)
    scratch = tempfile.mkdtemp(prefix="vt-bench-")
    user = ordinary_user() if args.ordinary else None
    if user and os.geteuid() == 0:
        # A build folder below root's home is out of the user's reach.
        give_to(user, scratch)
        exe = shutil.copy(exe, scratch)
        bare = shutil.copy(bare, scratch) if os.path.exists(bare) else bare
    display = XDisplay(size=(1280, 800))
    watcher = MapWatcher(display)
    site = standin.Site()
    stats = standin.Stats()
    results = {kind: [] for kind in kinds}
    try:
        for round_number in range(args.runs + 1):
            for kind in kinds:
                result = one_run(kind, exe, bare, display, watcher, site, stats, scratch, user)
                if round_number > 0:  # the first round only warms the disk cache
                    results[kind].append(result)
            print("round %d/%d done" % (round_number, args.runs), file=sys.stderr, flush=True)
    finally:
        site.stop()
        stats.stop()
        watcher.close()
        display.close()
        shutil.rmtree(scratch, ignore_errors=True)

    metrics = [("map", "start to window mapped", "ms", 1000.0),
               ("load", "start to page load event", "ms", 1000.0),
               ("pss", "PSS of all processes", "MiB", 1.0)]
    medians = {}
    rows = []
    for key, label, unit, scale in metrics:
        row = [label + " (" + unit + ")"]
        for kind in kinds:
            median, low, high = summary([r[key] * scale for r in results[kind]])
            medians[(key, kind)] = median
            row.append("%.0f [%.0f-%.0f]" % (median, low, high))
        for other in ("bare", "chromium"):
            if "client" in kinds and other in kinds:
                row.append("%.2f" % (medians[(key, "client")] / medians[(key, other)]))
        rows.append(row)
    header = ["median [min-max], %d runs" % args.runs] + [PROGRAM_NAMES[kind] for kind in kinds]
    header += ["client/" + other for other in ("bare", "chromium")
               if "client" in kinds and other in kinds]
    print_table(header, rows, args.markdown)
    return 0


def machine_text():
    return "%s, %d cores, %s, Python %s" % (
        platform.platform(), os.cpu_count(), _memory_text(), platform.python_version())


def print_table(header, rows, markdown):
    if markdown:
        print("| " + " | ".join(header) + " |")
        print("|" + "---|" * len(header))
        for row in rows:
            print("| " + " | ".join(row) + " |")
        print("\nMachine: " + machine_text())
    else:
        widths = [max(len(r[i]) for r in rows + [header]) for i in range(len(header))]
        for row in [header] + rows:
            print("  ".join(cell.ljust(widths[i]) for i, cell in enumerate(row)))
        print("Machine: " + machine_text())


def _memory_text():
    with open("/proc/meminfo") as f:
        kib = int(f.readline().split()[1])
    return "%.0f GiB memory" % (kib / 1024.0 / 1024.0)


if __name__ == "__main__":
    sys.exit(main())
