"""A stand-in font editor that keeps the bitmaps it is given.

quillery-autocreate launches it through a registration file like the real
editor; it answers the import sequence without tracing anything and copies
each bitmap to the --out folder as U<code>[v].bmp (the character's Unicode
code, v for a vertical form). It ends when its client leaves. The pipeline
comparison uses it to give the plain FontForge pipeline exactly the bitmaps
that Quillery itself hands to its editor.
"""

import json
import os
import shutil
import socket
import sys


def value(kind, v=None):
    return {"type": kind} if kind == "empty" else {"type": kind, "value": v}


class Collector:
    def __init__(self, out):
        self.out = out
        self.name = None
        self.font = False

    def invoke(self, request):
        handle, dispid, kind = request.get("object"), request.get("dispid"), request.get("kind")
        args = [a.get("value") for a in request.get("args") or []]
        if handle == 1:
            if (dispid, kind) == (4, "get"):
                return value("string", "3.10 (bitmap collector)")
            if (dispid, kind) == (12, "get"):
                return value("object", 2 if self.font else None)
            if dispid in (13, 14):
                self.font = True
                return value("object", 2)
            return value("empty")
        if (dispid, kind) == (2, "get"):
            return value("string", "")
        if (dispid, kind) == (7, "get"):
            return value("short", 400)
        if dispid == 17:
            code, vertical = int(args[1]), bool(args[2])
            raw = bytes([code]) if code <= 0xFF else bytes([code >> 8, code & 0xFF])
            self.name = "U%04X%s.bmp" % (ord(raw.decode("cp932")), "v" if vertical else "")
        elif dispid == 39:
            shutil.copyfile(args[0], os.path.join(self.out, self.name))
        return value("empty")


def main(argv):
    out = argv[argv.index("--out") + 1]
    path = argv[argv.index("--socket") + 1]
    os.makedirs(out, exist_ok=True)
    collector = Collector(out)
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(path)
    server.listen(1)
    conn, _ = server.accept()
    pending = b""
    with conn:
        while True:
            data = conn.recv(65536)
            if not data:
                break
            *lines, pending = (pending + data).split(b"\n")
            for line in lines:
                request = json.loads(line)
                if request.get("op") != "invoke":
                    continue
                reply = {"id": request.get("id"), "result": collector.invoke(request)}
                conn.sendall(json.dumps(reply).encode("utf-8") + b"\n")
    server.close()
    os.unlink(path)


if __name__ == "__main__":
    main(sys.argv[1:])
