"""The engine's remote-debugging port: the DevTools protocol over a WebSocket, standard library
only."""

import base64
import json
import os
import socket
import struct
import urllib.request

from processes import poll

DEBUG_PORT = 7788


class WebSocket:
    def __init__(self, url, timeout=10):
        rest = url.split("://", 1)[1]
        hostport, _, path = rest.partition("/")
        host, _, port = hostport.partition(":")
        self.sock = socket.create_connection((host, int(port)), timeout=timeout)
        key = base64.b64encode(os.urandom(16)).decode()
        request = ("GET /%s HTTP/1.1\r\nHost: %s\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                   "Sec-WebSocket-Key: %s\r\nSec-WebSocket-Version: 13\r\n\r\n"
                   % (path, hostport, key))
        self.sock.sendall(request.encode())
        head = b""
        while not head.endswith(b"\r\n\r\n"):
            byte = self.sock.recv(1)
            if not byte:
                raise ConnectionError("WebSocket handshake closed")
            head += byte
        if b" 101 " not in head.split(b"\r\n", 1)[0]:
            raise ConnectionError("WebSocket handshake refused: %r" % head[:100])

    def _read(self, count):
        data = b""
        while len(data) < count:
            chunk = self.sock.recv(count - len(data))
            if not chunk:
                raise ConnectionError("WebSocket closed")
            data += chunk
        return data

    def _send_frame(self, opcode, payload):
        header = bytes([0x80 | opcode])
        length = len(payload)
        if length < 126:
            header += bytes([0x80 | length])
        elif length < 65536:
            header += bytes([0x80 | 126]) + struct.pack("!H", length)
        else:
            header += bytes([0x80 | 127]) + struct.pack("!Q", length)
        mask = os.urandom(4)
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self.sock.sendall(header + mask + masked)

    def send(self, text):
        self._send_frame(1, text.encode("utf-8"))

    def recv(self):
        message = b""
        while True:
            first, second = self._read(2)
            opcode = first & 0x0F
            length = second & 0x7F
            if length == 126:
                length = struct.unpack("!H", self._read(2))[0]
            elif length == 127:
                length = struct.unpack("!Q", self._read(8))[0]
            if second & 0x80:
                mask = self._read(4)
                payload = bytes(b ^ mask[i % 4] for i, b in enumerate(self._read(length)))
            else:
                payload = self._read(length)
            if opcode == 8:
                raise ConnectionError("WebSocket closed by peer")
            if opcode == 9:
                self._send_frame(10, payload)
                continue
            if opcode in (0, 1, 2):
                message += payload
                if first & 0x80:
                    return message.decode("utf-8")

    def close(self):
        try:
            self._send_frame(8, b"")
        except OSError:
            pass
        self.sock.close()


def debug_targets(timeout=2):
    with urllib.request.urlopen("http://127.0.0.1:%d/json" % DEBUG_PORT, timeout=timeout) as r:
        return json.loads(r.read().decode("utf-8"))


def debug_pages():
    try:
        return [t for t in debug_targets() if t.get("type") == "page"]
    except (OSError, ValueError):
        return []


def evaluate(page, expression, timeout=10, user_gesture=False):
    """Evaluates expression in a page (an entry of /json) and returns its value; with
    user_gesture, as if the user had just clicked."""
    ws = WebSocket(page["webSocketDebuggerUrl"], timeout)
    try:
        ws.send(json.dumps({"id": 1, "method": "Runtime.evaluate", "params": {
            "expression": expression, "returnByValue": True, "awaitPromise": True,
            "userGesture": user_gesture}}))
        while True:
            reply = json.loads(ws.recv())
            if reply.get("id") == 1:
                break
    finally:
        ws.close()
    if "error" in reply:
        raise RuntimeError("evaluate failed: %s" % reply["error"])
    result = reply["result"]
    if "exceptionDetails" in result:
        raise RuntimeError("script threw: %s" % result["exceptionDetails"])
    return result["result"].get("value")


def navigate(page, url, timeout=15):
    """Loads url in the page as a link would, and waits for the new document to be complete."""
    evaluate(page, "window.__vtLeft = true; location.href = %s; true" % json.dumps(url))

    def arrived():
        try:
            return evaluate(page, "window.__vtLeft === undefined && "
                                  "document.readyState === 'complete'", timeout=2)
        except (RuntimeError, OSError):
            return False
    poll(arrived, timeout, description="a new document after loading " + url)
