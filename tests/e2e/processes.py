"""Waiting, and the processes, ports and sockets of a client seen through /proc."""

import contextlib
import fcntl
import os
import pwd
import socket
import subprocess
import time

PORT_LOCK = "/tmp/port7788.lock"
# Scenarios that need an ordinary user, where the tests run as root, run the client as this one.
ORDINARY_USER = "vt-e2e-user"


def poll(what, timeout, interval=0.1, description="condition"):
    """Calls what() until it returns something truthy; returns that, or raises after timeout.
    A description may be a function, to say how things stood when the time ran out."""
    deadline = time.monotonic() + timeout
    while True:
        result = what()
        if result:
            return result
        if time.monotonic() > deadline:
            if callable(description):
                description = description()
            raise AssertionError("timed out after %.1f s waiting for %s" % (timeout, description))
        time.sleep(interval)


def refusing_socket():
    """A socket bound to a local port that never listens: connections to that port are refused
    for as long as the socket is open, and nothing else can take the port meanwhile."""
    sock = socket.socket()
    sock.bind(("127.0.0.1", 0))
    return sock


def listening_inode(port):
    """The socket inode listening on a local TCP port, or None."""
    wanted = ":%04X" % port
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        try:
            with open(table) as f:
                next(f)
                for line in f:
                    fields = line.split()
                    if fields[1].endswith(wanted) and fields[3] == "0A":
                        return fields[9]
        except OSError:
            pass
    return None


@contextlib.contextmanager
def port_lock(needed=True):
    """Holds the lock every user of the debugging port on this machine takes, when needed and
    unless the caller already runs under it (tools/port-lock says so in VT_PORT_LOCK_HELD)."""
    if not needed or os.environ.get("VT_PORT_LOCK_HELD"):
        yield
        return
    with open(PORT_LOCK, "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        yield


def wait_port_free(port, timeout):
    """Another client (of another test run on this machine) may still hold the port."""
    poll(lambda: listening_inode(port) is None, timeout, description="port %d to be free" % port)


def parent_pid(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return int(f.read().rsplit(")", 1)[1].split()[1])
    except (OSError, ValueError):
        return 0


def process_tree(root):
    """root and all its descendants."""
    children = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as f:
                stat = f.read()
        except OSError:
            continue
        ppid = int(stat.rsplit(")", 1)[1].split()[1])
        children.setdefault(ppid, []).append(int(entry))
    tree, todo = [], [root]
    while todo:
        pid = todo.pop()
        tree.append(pid)
        todo.extend(children.get(pid, []))
    return tree


def cmdline(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return f.read().split(b"\0")
    except OSError:
        return []


def port_owned_by_tree(port, root):
    inode = listening_inode(port)
    if inode is None:
        return False
    link = "socket:[%s]" % inode
    for pid in process_tree(root):
        try:
            fds = os.listdir("/proc/%d/fd" % pid)
        except OSError:
            continue
        for fd in fds:
            try:
                if os.readlink("/proc/%d/fd/%s" % (pid, fd)) == link:
                    return True
            except OSError:
                pass
    return False


def ordinary_user():
    """The passwd entry of an ordinary user to run the client as: the caller itself unless it is
    root, else a system user without a home made for the tests when it is missing."""
    if os.geteuid() != 0:
        return pwd.getpwuid(os.geteuid())
    try:
        return pwd.getpwnam(ORDINARY_USER)
    except KeyError:
        # A scenario running in parallel may be making it at the same time.
        subprocess.run(["useradd", "--system", "--no-create-home", "--home-dir", "/nonexistent",
                        "--shell", "/usr/sbin/nologin", ORDINARY_USER],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return pwd.getpwnam(ORDINARY_USER)


def give_to(user, *paths):
    """Hands folders (and what is in them) to user, when the caller may."""
    if user is None or os.geteuid() != 0:
        return
    for path in paths:
        for folder, _, files in os.walk(path):
            for name in [folder] + [os.path.join(folder, f) for f in files]:
                os.chown(name, user.pw_uid, user.pw_gid, follow_symlinks=False)


def executable(pid):
    try:
        return os.readlink("/proc/%d/exe" % pid)
    except OSError:
        return ""


def session_of(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return int(f.read().rsplit(")", 1)[1].split()[3])
    except (OSError, ValueError, IndexError):
        return 0


def processes_of(exe, session):
    """Processes of a session still running the executable exe: a client started as the leader
    of a session of its own, and its sub-processes also after it has gone."""
    return [int(entry) for entry in os.listdir("/proc")
            if entry.isdigit() and session_of(int(entry)) == session
            and executable(int(entry)) == exe]


def thread_stacks(pids, timeout=90):
    """The stacks of every thread of each process, as text, from the debugger; the processes
    carry on once it has detached."""
    parts = []
    for pid in pids:
        command = ["gdb", "-p", str(pid), "-batch", "-nx", "-iex", "set debuginfod enabled off",
                   "-ex", "set pagination off", "-ex", "thread apply all bt"]
        try:
            run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                 stdin=subprocess.DEVNULL, timeout=timeout)
            text = "".join(line for line in run.stdout.decode("utf-8", "replace")
                           .splitlines(True) if not line.startswith("[New LWP"))
        except (OSError, subprocess.TimeoutExpired) as error:
            text = "no stacks: %s\n" % error
        parts.append("==== stacks of process %d (%s) ====\n%s" % (
            pid, b" ".join(cmdline(pid)[:2]).decode("utf-8", "replace"), text))
    return "".join(parts)
