"""The socket server: one UTF-8 JSON object per line each way, one request
at a time over every connection (docs/automation.md)."""

import contextlib
import json
import os
import select
import signal
import socket
import sys
import time
import traceback

from . import PROG_ID
from . import dispatch
from . import protocol
from .application import Application

MAX_LINE = 4 * 1024 * 1024

# In a batch run the client's next call mostly comes within microseconds of
# an answer, while a process asleep takes tens of microseconds to wake on
# another processor; so then, with processors to spare, the editor looks for
# the next call for a moment before it sleeps. In the window the next call
# rarely comes that soon, and the editor sleeps at once.
SPIN_SECONDS = 0.0002 if len(os.sched_getaffinity(0)) > 1 else 0.0


class Connection:
    def __init__(self, sock):
        self.sock = sock
        self.pending = b""


def answer(app, connection, line):
    """The answer to one request line, or None for a notification."""
    try:
        request = json.loads(line.decode("utf-8"))
    except (UnicodeDecodeError, ValueError, RecursionError):
        return {"id": None, "failure": "the request is not JSON"}
    if not isinstance(request, dict):
        return {"id": None, "failure": "the request is not a JSON object"}
    op = request.get("op")
    if op == "release":
        app.release(connection, request.get("object"))
        return None
    if op != "invoke":
        return None  # unknown notifications need no answer
    ident = request.get("id")
    try:
        args = request.get("args") or []
        if not isinstance(args, list):
            raise protocol.Failure("args must be a list")
        result = dispatch.invoke(app, connection, request.get("object"), request.get("dispid"),
                                 request.get("kind"), args)
        return {"id": ident, "result": result}
    except protocol.DispatchError as e:
        return {"id": ident, "error": {"code": e.code, "description": e.description}}
    except protocol.Failure as e:
        return {"id": ident, "failure": str(e)}
    except Exception as e:  # the editor stays up whatever one call does
        traceback.print_exc()
        return {"id": ident, "failure": "%s: %s" % (type(e).__name__, e)}


def encode(reply):
    """The line of an answer; an answer that cannot be written as UTF-8 (a
    lone surrogate taken from a request) becomes a failure."""
    try:
        return json.dumps(reply, ensure_ascii=False).encode("utf-8") + b"\n"
    except (UnicodeEncodeError, TypeError, ValueError):
        ident = reply.get("id")
        safe = {"id": ident if isinstance(ident, (int, float)) and not isinstance(ident, bool) else None,
                "failure": "the answer cannot be encoded"}
        return json.dumps(safe).encode("utf-8") + b"\n"


def default_socket_path():
    folder = os.environ.get("XDG_RUNTIME_DIR") or "/tmp/runtime-%s" % os.environ.get("USER", str(os.getuid()))
    return os.path.join(folder, PROG_ID)


def listen(path):
    folder = os.path.dirname(path)
    os.makedirs(folder, mode=0o700, exist_ok=True)
    info = os.stat(folder)
    if info.st_uid != os.getuid() or info.st_mode & 0o077:
        # Another user could reach or replace a socket in a shared folder.
        sys.stderr.write("glyphsmith: %s is not a private folder of this user\n" % folder)
        sys.exit(1)
    probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        probe.connect(path)
        sys.stderr.write("glyphsmith: another editor already listens on %s\n" % path)
        sys.exit(1)
    except (FileNotFoundError, ConnectionRefusedError):
        if os.path.exists(path):
            os.unlink(path)  # left behind by an editor that died
    finally:
        probe.close()
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(path)
    server.listen(8)
    return server


class Ending:
    """SIGTERM (a desktop logout sends it to every process of the session)
    and SIGHUP end the editor in order: it keeps serving its clients, whose
    own orderly end saves the font, and once the last one is gone it saves
    what is unsaved and ends. The signal only wakes the loop up (through a
    pipe the loop watches); nothing is done inside the handler."""

    def __init__(self):
        self.requested = False
        self.read_end, self.write_end = os.pipe2(os.O_NONBLOCK | os.O_CLOEXEC)
        signal.set_wakeup_fd(self.write_end, warn_on_full_buffer=False)
        for number in (signal.SIGTERM, signal.SIGHUP):
            signal.signal(number, self.handle)

    def handle(self, number, frame):
        self.requested = True

    def drain(self):
        with contextlib.suppress(BlockingIOError):
            while os.read(self.read_end, 64):
                pass

    def close(self):
        signal.set_wakeup_fd(-1)
        for number in (signal.SIGTERM, signal.SIGHUP):
            signal.signal(number, signal.SIG_DFL)
        os.close(self.read_end)
        os.close(self.write_end)


def wait_readable(socks, spin):
    """The sockets of socks that can be read, after waiting as long as it takes."""
    if spin:
        end = time.perf_counter() + SPIN_SECONDS
        while True:
            readable, _, _ = select.select(socks, [], [], 0)
            if readable:
                return readable
            if time.perf_counter() >= end:
                break
    readable, _, _ = select.select(socks, [], [])
    return readable


def serve_client(app, connection):
    """Answers the complete lines a client sent; False when it is gone."""
    try:
        data = connection.sock.recv(65536)
        if not data:
            return False
        *lines, connection.pending = (connection.pending + data).split(b"\n")
        if len(connection.pending) > MAX_LINE:
            return False
        for line in lines:
            reply = answer(app, connection, line)
            if reply is not None:
                connection.sock.sendall(encode(reply))
    except OSError:
        return False
    return True


def accept_waiting(server, clients):
    """Takes every connection already waiting on the listening socket."""
    server.setblocking(False)
    try:
        while True:
            conn, _ = server.accept()
            conn.setblocking(True)
            clients[conn] = Connection(conn)
    except (BlockingIOError, InterruptedError):
        pass
    finally:
        server.setblocking(True)


def serve(path):
    app = Application()
    server = listen(path)
    ending = Ending()
    clients = {}
    reachable = True
    try:
        while True:
            spin = SPIN_SECONDS > 0 and app.batch_owner is not None
            for sock in wait_readable([server, ending.read_end] + list(clients), spin):
                if sock == ending.read_end:
                    ending.drain()
                    continue
                if sock is server:
                    conn, _ = server.accept()
                    clients[conn] = Connection(conn)
                    continue
                connection = clients[sock]
                if not serve_client(app, connection):
                    del clients[sock]
                    sock.close()
                    try:
                        app.disconnect(connection)
                    except protocol.DispatchError as e:
                        sys.stderr.write("glyphsmith: %s\n" % e.description)
            # A server started for a client ends with its last client, and
            # so does one asked to end. The socket's name goes first, so a
            # client arriving now launches a new editor; one that connected
            # just before is still served.
            if (app.start_flag or ending.requested) and not clients:
                if reachable:
                    # The client that started this server may already have
                    # removed its private runtime folder, socket and all.
                    with contextlib.suppress(FileNotFoundError):
                        os.unlink(path)
                    reachable = False
                accept_waiting(server, clients)
                if clients:
                    continue
                app.save_before_leaving()
                accept_waiting(server, clients)
                if not clients:
                    return
    finally:
        app.close_all()
        server.close()
        ending.close()
        if reachable:
            with contextlib.suppress(FileNotFoundError):
                os.unlink(path)


def main(argv):
    path = default_socket_path()
    if "--socket" in argv:
        path = argv[argv.index("--socket") + 1]
    serve(path)
    sys.stdout.flush()
    sys.stderr.flush()
