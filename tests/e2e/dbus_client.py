"""Blocking method calls on a D-Bus bus, standard library only: the wire format for the basic
types, arrays, structures and variants, enough for a test to talk to the services it starts."""

import os
import socket
import struct
import subprocess

_ALIGN = {"y": 1, "b": 4, "n": 2, "q": 2, "i": 4, "u": 4, "x": 8, "t": 8, "d": 8, "s": 4,
          "o": 4, "g": 1, "a": 4, "(": 8, "{": 8, "v": 1, "h": 4}
_FIXED = {"y": "B", "b": "I", "n": "h", "q": "H", "i": "i", "u": "I", "x": "q", "t": "Q",
          "d": "d", "h": "I"}
_METHOD_CALL, _METHOD_RETURN, _ERROR = 1, 2, 3


class DBusError(Exception):
    def __init__(self, name, message):
        super().__init__("%s: %s" % (name, message))
        self.name = name


def _one_type(signature, i):
    """End index of the single complete type starting at signature[i]."""
    c = signature[i]
    if c == "a":
        return _one_type(signature, i + 1)
    if c in "({":
        close = ")" if c == "(" else "}"
        i += 1
        while signature[i] != close:
            i = _one_type(signature, i)
        return i + 1
    return i + 1


def _split(signature):
    types, i = [], 0
    while i < len(signature):
        end = _one_type(signature, i)
        types.append(signature[i:end])
        i = end
    return types


class _Writer:
    def __init__(self):
        self.data = bytearray()

    def pad(self, n):
        self.data += b"\0" * (-len(self.data) % n)

    def write(self, kind, value):
        c = kind[0]
        self.pad(_ALIGN[c])
        if c in _FIXED:
            self.data += struct.pack("<" + _FIXED[c], value)
        elif c in "so":
            raw = value.encode()
            self.data += struct.pack("<I", len(raw)) + raw + b"\0"
        elif c == "g":
            raw = value.encode()
            self.data += struct.pack("<B", len(raw)) + raw + b"\0"
        elif c == "v":
            inner, item = value
            self.write("g", inner)
            self.write(inner, item)
        elif c == "(":
            for part, item in zip(_split(kind[1:-1]), value):
                self.write(part, item)
        elif c == "a":
            at = len(self.data)
            self.data += b"\0\0\0\0"
            self.pad(_ALIGN[kind[1]])
            start = len(self.data)
            for item in value:
                self.write(kind[1:], item)
            struct.pack_into("<I", self.data, at, len(self.data) - start)
        else:
            raise ValueError("cannot write D-Bus type " + kind)


class _Reader:
    def __init__(self, data, offset=0):
        self.data = data
        self.offset = offset

    def pad(self, n):
        self.offset += -self.offset % n

    def read(self, kind):
        c = kind[0]
        self.pad(_ALIGN[c])
        if c in _FIXED:
            fmt = "<" + _FIXED[c]
            (value,) = struct.unpack_from(fmt, self.data, self.offset)
            self.offset += struct.calcsize(fmt)
            return value
        if c in "sog":
            if c == "g":
                length = self.data[self.offset]
                self.offset += 1
            else:
                (length,) = struct.unpack_from("<I", self.data, self.offset)
                self.offset += 4
            value = bytes(self.data[self.offset:self.offset + length]).decode()
            self.offset += length + 1
            return value
        if c == "v":
            return self.read(self.read("g"))
        if c in "({":
            return tuple(self.read(part) for part in _split(kind[1:-1]))
        if c == "a":
            (length,) = struct.unpack_from("<I", self.data, self.offset)
            self.offset += 4
            self.pad(_ALIGN[kind[1]])
            end = self.offset + length
            items = []
            while self.offset < end:
                items.append(self.read(kind[1:]))
            return dict(items) if kind[1] == "{" else items
        raise ValueError("cannot read D-Bus type " + kind)


# Run as another user: connects to a socket and hands the connection back over the socket whose
# number it is given.
_CONNECT_AND_HAND_BACK = (
    "import socket, sys\n"
    "s = socket.socket(socket.AF_UNIX)\n"
    "s.connect(sys.argv[1])\n"
    "socket.send_fds(socket.socket(fileno=int(sys.argv[2])), [b'.'], [s.fileno()])\n")


def _connected_as(user, name):
    """A socket connected to name by a process of user's (a passwd entry), so that a bus that lets
    only its own user in sees that user."""
    mine, theirs = socket.socketpair()
    with mine, theirs:
        subprocess.run(["/usr/bin/python3", "-c", _CONNECT_AND_HAND_BACK, name,
                        str(theirs.fileno())], user=user.pw_uid, group=user.pw_gid,
                       extra_groups=[], pass_fds=[theirs.fileno()], check=True, timeout=10)
        _, fds, _, _ = socket.recv_fds(mine, 1, 1)
    return socket.socket(fileno=fds[0])


class DBusConnection:
    """One connection to a bus at a D-Bus address (unix:path= or unix:abstract=); as_user (a
    passwd entry) connects in that user's name to a bus that user runs."""

    def __init__(self, address, timeout=10, as_user=None):
        if as_user is None:
            self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            self.sock.connect(self._socket_name(address))
        else:
            self.sock = _connected_as(as_user, self._socket_name(address))
        self.sock.settimeout(timeout)
        uid = os.getuid() if as_user is None else as_user.pw_uid
        self.sock.sendall(b"\0AUTH EXTERNAL %s\r\n" % str(uid).encode().hex().encode())
        reply = self._line()
        if not reply.startswith(b"OK"):
            raise DBusError("auth", reply.decode(errors="replace"))
        self.sock.sendall(b"BEGIN\r\n")
        self.buffer = b""
        self.serial = 0
        self.unique_name = self.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                     "org.freedesktop.DBus", "Hello")

    @staticmethod
    def _socket_name(address):
        for entry in address.split(";"):
            transport, _, params = entry.partition(":")
            if transport != "unix":
                continue
            values = dict(p.split("=", 1) for p in params.split(",") if "=" in p)
            if "path" in values:
                return values["path"]
            if "abstract" in values:
                return "\0" + values["abstract"]
        raise ValueError("no unix socket in D-Bus address " + address)

    def _line(self):
        line = b""
        while not line.endswith(b"\r\n"):
            chunk = self.sock.recv(1)
            if not chunk:
                raise DBusError("closed", "the bus closed the connection")
            line += chunk
        return line

    def _receive(self, size):
        while len(self.buffer) < size:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise DBusError("closed", "the bus closed the connection")
            self.buffer += chunk
        data, self.buffer = self.buffer[:size], self.buffer[size:]
        return data

    def _message(self):
        head = self._receive(16)
        if head[0:1] != b"l":
            raise DBusError("protocol", "only little-endian messages are read")
        kind = head[1]
        body_length, _, fields_length = struct.unpack_from("<III", head, 4)
        rest = self._receive(fields_length + (-(16 + fields_length) % 8) + body_length)
        data = head + rest
        reader = _Reader(data, 12)
        fields = dict(reader.read("a(yv)"))
        reader.pad(8)
        body = []
        if fields.get(8):
            body = [reader.read(part) for part in _split(fields[8])]
        return kind, fields, body

    def call(self, destination, path, interface, member, signature="", args=()):
        """The reply's single value (a list when it has several, None when none)."""
        self.serial += 1
        body = _Writer()
        for part, value in zip(_split(signature), args):
            body.write(part, value)
        fields = [(1, ("o", path)), (3, ("s", member)), (6, ("s", destination))]
        if interface:
            fields.append((2, ("s", interface)))
        if signature:
            fields.append((8, ("g", signature)))
        message = _Writer()
        message.data += struct.pack("<cBBBII", b"l", _METHOD_CALL, 0, 1, len(body.data),
                                    self.serial)
        message.write("a(yv)", fields)
        message.pad(8)
        self.sock.sendall(bytes(message.data + body.data))
        while True:
            kind, reply_fields, values = self._message()
            if reply_fields.get(5) != self.serial or kind not in (_METHOD_RETURN, _ERROR):
                continue
            if kind == _ERROR:
                raise DBusError(reply_fields.get(4, "error"), values[0] if values else "")
            if not values:
                return None
            return values[0] if len(values) == 1 else values

    def close(self):
        self.sock.close()
