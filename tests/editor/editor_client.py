"""A small client of the editor's automation protocol for the tests: starts
the editor from the source tree (or attaches to one), calls members by
number and reads the answers."""

import json
import os
import socket
import subprocess
import time

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "editor")
SERVER = os.path.join(SOURCE, "glyphsmith_server.py")


class DispatchError(Exception):
    def __init__(self, code, description):
        super().__init__("%d: %s" % (code, description))
        self.code, self.description = code, description


class CallFailure(Exception):
    pass


def start_editor(runtime, preexec_fn=None):
    """Launches the editor on a socket in runtime; the process and the path."""
    path = os.path.join(runtime, "Glyphsmith.Application")
    process = subprocess.Popen(["/usr/bin/python3", SERVER, "--socket", path], stdin=subprocess.DEVNULL,
                               preexec_fn=preexec_fn)
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError("the editor ended at its start with %d" % process.returncode)
        try:
            probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            probe.connect(path)
            probe.close()
            return process, path
        except OSError:
            probe.close()
            time.sleep(0.01)
    process.kill()
    raise RuntimeError("the editor did not start")


class Client:
    def __init__(self, path, timeout=60):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(timeout)
        self.sock.connect(path)
        self.buffer = b""
        self.next_id = 1

    def close(self):
        self.sock.close()

    def send_line(self, data):
        self.sock.sendall(data)

    def read_line(self):
        while b"\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("the editor closed the connection")
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return json.loads(line)

    def call(self, handle, dispid, kind, *args):
        ident = self.next_id
        self.next_id += 1
        request = {"op": "invoke", "id": ident, "object": handle, "dispid": dispid, "kind": kind,
                   "args": [a if isinstance(a, dict) else {"type": "string", "value": a} for a in args]}
        self.send_line(json.dumps(request).encode("utf-8") + b"\n")
        reply = self.read_line()
        if "error" in reply:
            raise DispatchError(reply["error"]["code"], reply["error"]["description"])
        if "failure" in reply:
            raise CallFailure(reply["failure"])
        result = reply["result"]
        return result.get("value")

    def release(self, handle):
        self.send_line(json.dumps({"op": "release", "object": handle}).encode() + b"\n")


def short(v):
    return {"type": "short", "value": v}


def long(v):
    return {"type": "long", "value": v}


def boolean(v):
    return {"type": "bool", "value": v}


class Font:
    """The font members the tests use, on one handle."""

    def __init__(self, client, handle):
        self.client, self.handle = client, handle

    def import_bitmap(self, bmp, code, vertical=False):
        c, h = self.client, self.handle
        c.call(h, 17, "method", short(0), long(code), boolean(vertical))
        c.call(h, 29, "method")
        c.call(h, 37, "method")
        c.call(h, 39, "method", bmp)
        c.call(1, 22, "method")
        c.call(h, 31, "method")

    def save(self):
        self.client.call(self.handle, 20, "method")

    def save_as(self, path):
        self.client.call(self.handle, 40, "method", path)

    def codes(self):
        return self.client.call(self.handle, 100, "get")

    def recovered(self):
        return self.client.call(self.handle, 109, "get")



def new_font(client):
    return Font(client, client.call(1, 13, "method", short(0), boolean(False)))


def open_font(client, path):
    handle = client.call(1, 14, "method", path, short(0))
    return Font(client, handle) if handle is not None else None


def write_bmp(path, size, inked):
    """A 1-bit BMP of size x size; inked(x, y) with y from the bottom."""
    import struct
    stride = (size + 31) // 32 * 4
    rows = bytearray(b"\xff" * stride * size)
    for y in range(size):
        for x in range(size):
            if inked(x, y):
                rows[y * stride + x // 8] &= ~(0x80 >> (x % 8))
    header = struct.pack("<2sIHHI", b"BM", 62 + len(rows), 0, 0, 62)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 1, 0, len(rows), 2835, 2835, 2, 2)
    with open(path, "wb") as f:
        f.write(header + info + b"\0\0\0\0\xff\xff\xff\0" + bytes(rows))


def strokes(seed, size=128):
    """A function of a few thick curved strokes, different for each seed."""
    import math
    import random
    rng = random.Random(seed)
    curves = []
    for _ in range(rng.randint(2, 4)):
        p = [(rng.uniform(0.2, 0.8) * size, rng.uniform(0.2, 0.8) * size) for _ in range(3)]
        curves.append([((1 - t) ** 2 * p[0][0] + 2 * t * (1 - t) * p[1][0] + t * t * p[2][0],
                        (1 - t) ** 2 * p[0][1] + 2 * t * (1 - t) * p[1][1] + t * t * p[2][1])
                       for t in (i / 24 for i in range(25))])
    radius = size / 20

    def inked(x, y):
        return any(math.hypot(x - cx, y - cy) <= radius for curve in curves for cx, cy in curve)
    return inked
