#!/usr/bin/env python3
"""Local stand-ins for the two services the client talks to.

- Site: HTTPS with a throw-away self-signed certificate, serving the home page the client opens
  ("/?union=vtclient"), a second page, a pop-up page, a page whose script never returns
  ("/hang") and a live room ("/room", see room.js for
  its query parameters; its stream is made by live_media.py), with a sign-in pop-up ("/login")
  and downloads ("/download", see _SiteHandler.download). Every request is recorded; the pages
  fetch a marker URL ("/loaded?page=...") on their load event so that load times can be
  observed from outside the browser.
- Stats: plain HTTP, also usable as an HTTP proxy (absolute-URI requests), which records every
  GET of "/stat-pc.gif" with its full query and answers with a 1x1 GIF. Its own "/__stats"
  answers with the records as JSON.

Both bind 127.0.0.1 only. Used as a library by the end-to-end tests and the benchmark, and as a
program by tools/run-demo.sh:

    standin.py [--site-port N] [--stats-port N] [--stats-log FILE] [--ready-file FILE]
               [--home-room [QUERY]]

With --home-room the home page sends the browser on to the live room (with the room's query,
such as "players=3&profile=1080p60"), for a client that always opens the home page.

The program prints one JSON line with the ports once both listen, then serves until SIGTERM or
SIGINT.
"""

import argparse
import html
import mimetypes
import json
import os
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

import live_media

HERE = os.path.dirname(os.path.abspath(__file__))

SITE_HOST = "live.vantoro.example"
STATS_HOST = "stat.vantoro.example"
HOME_PATH = "/?union=vtclient"
# A host no resolver answers for; the client is told to fail such names at once.
UNREACHABLE_HOST = "unreachable.vantoro.invalid"

TRANSPARENT_GIF = bytes.fromhex(
    "47494638396101000100800000000000ffffff21f90401000000002c00000000010001000002024401003b")


def make_certificate(folder, host=SITE_HOST):
    """Writes a fresh self-signed certificate and key for host into folder."""
    cert = os.path.join(folder, "cert.pem")
    key = os.path.join(folder, "key.pem")
    subprocess.run(
        ["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=" + host,
         "-addext", "subjectAltName=DNS:" + host],
        check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def _page(title, body, on_load=""):
    script = ""
    if on_load:
        script = ("<script>window.addEventListener('load', function () {"
                  "fetch('/loaded?page=%s&t=' + Date.now(), {cache: 'no-store'});});</script>"
                  % on_load)
    return ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%s</title>"
            "<style>"
            "body{margin:0;font:16px sans-serif;background:#f4f1ea;color:#1d2a3a}"
            "header{background:#d2452f;color:#fff;padding:18px 24px;font-size:26px}"
            "main{padding:16px 24px}a,button,input{font-size:16px;margin:6px 12px 6px 0}"
            "iframe{width:300px;height:80px;border:1px solid #888}"
            ".rooms{display:flex;gap:14px}.room{width:200px;height:90px;color:#fff;padding:10px;"
            "border-radius:6px;display:flex;flex-direction:column;justify-content:space-between;"
            "text-decoration:none}"
            "</style>%s</head><body>%s</body></html>" % (html.escape(title), script, body))


def home_page():
    body = (
        "<header id=\"banner\">Vantoro Live</header><main>"
        "<p><a id=\"second\" href=\"/second\">Second page</a>"
        "<a id=\"blank\" href=\"/second?via=blank\" target=\"_blank\">Second page in a new tab</a>"
        "<a id=\"blankwin\" href=\"/second?via=window\" target=\"vtnamed\">Named target</a></p>"
        "<p><button id=\"popup\" onclick=\"window.open('/popup', 'vtpopup', "
        "'width=420,height=300,left=60,top=60')\">Open pop-up</button></p>"
        "<p><input id=\"field\" type=\"text\" value=\"stand-in text\" size=\"30\"></p>"
        "<p><iframe id=\"deadframe\" src=\"https://%s/\"></iframe></p>"
        "<p id=\"filler\">Live rooms of the stand-in site.</p>"
        "<div class=\"rooms\">%s</div>"
        "</main>" % (UNREACHABLE_HOST, "".join(
            "<a class=\"room\" href=\"/room\" style=\"background:%s\"><b>%s</b>"
            "<span>%d viewers</span></a>"
            % (colour, name, viewers) for colour, name, viewers in [
                ("#2f6fd2", "Evening talk", 1284), ("#3a9a5b", "Street food tour", 872),
                ("#8a4fc1", "Piano practice", 431), ("#d28a2f", "Football replay", 2210)])))
    return _page("Vantoro Live", body, on_load="home")


def second_page():
    body = ("<header>Second page</header><main><p id=\"marker\">second</p>"
            "<a id=\"home\" href=\"%s\">Back home</a></main>" % HOME_PATH)
    return _page("Second page", body, on_load="second")


def popup_page():
    body = ("<header>Pop-up</header><main><p id=\"marker\">popup</p>"
            "<button id=\"close\" onclick=\"window.close()\">Close</button></main>")
    return _page("Pop-up", body, on_load="popup")


def hanging_page():
    """A page whose script never returns once it has loaded."""
    body = ("<header>Busy page</header><main><p id=\"marker\">hang</p></main>"
            "<script>window.addEventListener('load', function () {"
            "setTimeout(function () { for (;;) {} }, 300);});</script>")
    return _page("Busy page", body, on_load="hang")


def login_page():
    body = ("<header>Sign in</header><main><form id=\"form\">"
            "<p><input id=\"name\" value=\"viewer\" size=\"20\"></p>"
            "<p><button id=\"submit\">Sign in</button></p></form>"
            "<script>document.getElementById('form').onsubmit = function (event) {"
            "event.preventDefault();"
            "window.opener.postMessage({login: document.getElementById('name').value},"
            " location.origin);"
            "window.close();};</script></main>")
    return _page("Sign in", body, on_load="login")


def download_body(size):
    """The bytes /download serves: numbered lines, so a reordered or cut file shows."""
    line_count = size // 16 + 1
    return b"".join(b"vantoro %7d\n" % i for i in range(line_count))[:size]


class _Recorder:
    """Thread-safe list of request records with a wait for a matching one."""

    def __init__(self, log_path=None):
        self._records = []
        self._cond = threading.Condition()
        self._log_path = log_path

    def add(self, record):
        with self._cond:
            self._records.append(record)
            if self._log_path:
                with open(self._log_path, "a", encoding="utf-8") as log:
                    log.write(json.dumps(record) + "\n")
            self._cond.notify_all()

    def records(self):
        with self._cond:
            return list(self._records)

    def wait_for(self, predicate, timeout, start=0):
        """Returns the first record at index >= start that satisfies predicate, or None."""
        deadline = time.monotonic() + timeout
        with self._cond:
            while True:
                for record in self._records[start:]:
                    if predicate(record):
                        return record
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    return None
                self._cond.wait(remaining)


class _QuietHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def _send(self, status, content_type, body, extra_headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        for name, value in extra_headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)


class _SiteHandler(_QuietHandler):
    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        self.server.recorder.add({
            "time": time.time(), "path": url.path, "query": url.query, "target": self.path,
            "host": self.headers.get("Host", ""), "user_agent": self.headers.get("User-Agent", ""),
            "accept_language": self.headers.get("Accept-Language", ""),
            "cache_control": self.headers.get("Cache-Control", ""),
        })
        pages = {"/": home_page, "/second": second_page, "/popup": popup_page,
                 "/login": login_page, "/hang": hanging_page}
        if url.path == "/" and self.server.home_room is not None:
            self.send_response(302)
            self.send_header("Location", "/room?" + self.server.home_room)
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif url.path in pages:
            self._send(200, "text/html; charset=utf-8", pages[url.path]().encode("utf-8"))
        elif url.path == "/loaded":
            self._send(200, "text/plain", b"ok")
        elif url.path == "/room":
            self._send_file(os.path.join(HERE, "room.html"), "text/html; charset=utf-8")
        elif url.path == "/room.js":
            self._send_file(os.path.join(HERE, "room.js"), "text/javascript")
        elif url.path.startswith("/media/"):
            self.media(url.path)
        elif url.path == "/download":
            self.download(dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True)))
        elif url.path == "/favicon.ico":
            self._send(404, "text/plain", b"")
        else:
            self._send(404, "text/html; charset=utf-8", b"<h1>Not here</h1>")

    do_HEAD = do_GET

    def _send_file(self, path, content_type):
        with open(path, "rb") as source:
            body = source.read()
        status, headers = 200, [("Accept-Ranges", "bytes")]
        wanted = self.headers.get("Range", "")
        if wanted.startswith("bytes=") and "," not in wanted:
            first, _, last = wanted[6:].partition("-")
            try:
                start = int(first) if first else max(0, len(body) - int(last))
                end = min(int(last), len(body) - 1) if first and last else len(body) - 1
            except ValueError:
                start, end = 0, -1
            if start > end:
                self._send(416, "text/plain", b"",
                           [("Content-Range", "bytes */%d" % len(body))])
                return
            status = 206
            headers.append(("Content-Range", "bytes %d-%d/%d" % (start, end, len(body))))
            body = body[start:end + 1]
        self._send(status, content_type, body, headers)

    def media(self, path):
        parts = path.split("/")
        if len(parts) != 4 or not parts[3] or not all(
                c.isalnum() or c == "." for c in parts[3]) or parts[3].startswith("."):
            self._send(404, "text/plain", b"")
            return
        try:
            folder = live_media.media_folder(parts[2])
        except KeyError:
            self._send(404, "text/plain", b"no such profile")
            return
        except (OSError, subprocess.CalledProcessError) as error:
            self._send(500, "text/plain", str(error).encode("utf-8", "replace"))
            return
        file_path = os.path.join(folder, parts[3])
        if not os.path.isfile(file_path):
            self._send(404, "text/plain", b"")
            return
        types = {".m3u8": "application/vnd.apple.mpegurl", ".m4s": "video/iso.segment"}
        extension = os.path.splitext(file_path)[1]
        self._send_file(file_path, types.get(extension) or mimetypes.guess_type(file_path)[0]
                        or "application/octet-stream")

    def download(self, query):
        """Serves download_body(size) as an attachment named by "name" (none when empty).
        "cut" closes the connection halfway through; "rate" (bytes per second) sends slowly."""
        size = int(query.get("size", "1024"))
        headers = [("Content-Disposition", "attachment")]
        if query.get("name"):
            headers = [("Content-Disposition", "attachment; filename*=UTF-8''"
                        + urllib.parse.quote(query["name"], safe=""))]
        body = download_body(size)
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(size))
        self.send_header("Cache-Control", "no-store")
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if "cut" in query:
            body = body[:size // 2]
            self.close_connection = True
        rate = int(query.get("rate", "0"))
        chunk = max(1, rate // 10) if rate else len(body)
        try:
            for at in range(0, len(body), chunk):
                self.wfile.write(body[at:at + chunk])
                self.wfile.flush()
                if rate:
                    time.sleep(0.1)
        except OSError:
            self.close_connection = True


class _StatsHandler(_QuietHandler):
    def do_GET(self):
        # As a proxy the server sees absolute URIs; as itself, origin-form paths.
        url = urllib.parse.urlsplit(self.path)
        if url.path == "/stat-pc.gif":
            self.server.recorder.add({
                "time": time.time(), "host": url.netloc or self.headers.get("Host", ""),
                "query": url.query, "fields": urllib.parse.parse_qsl(url.query,
                                                                      keep_blank_values=True),
                "user_agent": self.headers.get("User-Agent", ""),
            })
            self.server.answering.wait()
            self._send(200, "image/gif", TRANSPARENT_GIF)
        elif url.path == "/__stats" and not url.netloc:
            body = json.dumps(self.server.recorder.records()).encode("utf-8")
            self._send(200, "application/json", body)
        else:
            # Nothing else belongs here: a page load that went to the proxy by mistake shows.
            self._send(502, "text/plain", b"not proxied: " + self.path.encode("utf-8", "replace"))


class _TlsServer(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, handler, context):
        self._context = context
        self._open = set()
        self._open_lock = threading.Lock()
        super().__init__(address, handler)

    def get_request(self):
        sock, address = super().get_request()
        # The handshake runs on the handler's own thread, so one slow client cannot stall accept.
        sock.settimeout(30)
        connection = self._context.wrap_socket(sock, server_side=True,
                                               do_handshake_on_connect=False)
        with self._open_lock:
            self._open.add(connection)
        return connection, address

    def shutdown_request(self, request):
        with self._open_lock:
            self._open.discard(request)
        super().shutdown_request(request)

    def close_connections(self):
        """Ends the connections kept alive, as a server that went away would."""
        with self._open_lock:
            connections = list(self._open)
        for connection in connections:
            try:
                connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def handle_error(self, request, client_address):
        pass


class _PlainServer(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass


class _Service:
    def __init__(self, server):
        self._server = server
        self.recorder = server.recorder
        self.port = server.server_address[1]
        self._thread = threading.Thread(target=server.serve_forever, daemon=True)
        self._thread.start()

    def stop(self):
        self._server.shutdown()
        self._server.server_close()


class Site(_Service):
    """The HTTPS stand-in site. Records every request; see wait_for_path."""

    def __init__(self, port=0, log_path=None, home_room=None):
        self._cert_dir = tempfile.mkdtemp(prefix="vt-standin-cert-")
        cert, key = make_certificate(self._cert_dir)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        server = _TlsServer(("127.0.0.1", port), _SiteHandler, context)
        server.recorder = _Recorder(log_path)
        server.home_room = home_room
        super().__init__(server)

    def url(self, path=HOME_PATH):
        return "https://%s%s" % (SITE_HOST, path)

    def resolver_rule(self):
        """The engine switch value that sends the site's host here and fails .invalid names."""
        return "MAP %s 127.0.0.1:%d, MAP *.invalid ~NOTFOUND" % (SITE_HOST, self.port)

    def requests(self):
        return self.recorder.records()

    def wait_for_path(self, path, timeout, start=0, query_contains=""):
        return self.recorder.wait_for(
            lambda r: r["path"] == path and query_contains in r["query"], timeout, start)

    def stop(self):
        super().stop()
        self._server.close_connections()
        shutil.rmtree(self._cert_dir, ignore_errors=True)


class Stats(_Service):
    """The statistics stand-in; doubles as the HTTP proxy the client's beacons go through."""

    def __init__(self, port=0, log_path=None):
        server = _PlainServer(("127.0.0.1", port), _StatsHandler)
        server.recorder = _Recorder(log_path)
        server.answering = threading.Event()
        server.answering.set()
        super().__init__(server)

    def hold_answers(self):
        """Beacons are still recorded on arrival, but answered only after release_answers."""
        self._server.answering.clear()

    def release_answers(self):
        self._server.answering.set()

    def stop(self):
        self.release_answers()
        super().stop()

    def proxy_url(self):
        return "http://127.0.0.1:%d" % self.port

    def beacons(self):
        return self.recorder.records()

    def wait_for_stat_id(self, stat_id, timeout, start=0):
        return self.recorder.wait_for(lambda r: ("statId", str(stat_id)) in r["fields"],
                                      timeout, start)


def engine_switches(site):
    """Engine switches that point the client's browser at the stand-in site."""
    return ["--host-resolver-rules=" + site.resolver_rule(), "--ignore-certificate-errors"]


def client_environment(stats, base=None):
    """Environment additions that send the client's beacons to the stand-in."""
    env = dict(os.environ if base is None else base)
    for name in ("https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"):
        env.pop(name, None)
    env["http_proxy"] = stats.proxy_url()
    env["HTTP_PROXY"] = stats.proxy_url()
    env["no_proxy"] = "localhost,127.0.0.1," + SITE_HOST
    env["NO_PROXY"] = env["no_proxy"]
    return env


def main():
    parser = argparse.ArgumentParser(description="Run the stand-in site and statistics server.")
    parser.add_argument("--site-port", type=int, default=0)
    parser.add_argument("--stats-port", type=int, default=0)
    parser.add_argument("--stats-log", help="append each beacon as a JSON line to this file")
    parser.add_argument("--site-log", help="append each site request as a JSON line to this file")
    parser.add_argument("--ready-file", help="write the ports as JSON to this file once listening")
    parser.add_argument("--home-room", nargs="?", const="", metavar="QUERY",
                        help="send the home page on to the live room, with this query")
    args = parser.parse_args()

    site = Site(args.site_port, args.site_log, args.home_room)
    stats = Stats(args.stats_port, args.stats_log)
    info = {"site_port": site.port, "stats_port": stats.port,
            "resolver_rule": site.resolver_rule(), "proxy": stats.proxy_url()}
    if args.ready_file:
        with open(args.ready_file + ".tmp", "w", encoding="utf-8") as ready:
            json.dump(info, ready)
        os.replace(args.ready_file + ".tmp", args.ready_file)
    print(json.dumps(info), flush=True)

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    stop.wait()
    site.stop()
    stats.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
