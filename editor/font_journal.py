"""The journal that keeps a font's unsaved changes safe from a crash.

Every change the editor answers (a finished glyph, a removal, a name) is
appended to the font's journal as one line before the answer goes out, so a
process that dies afterwards loses nothing: the bytes are with the operating
system once write() returns. A thread of its own then flushes them to the
disk (fdatasync), which costs milliseconds and so never delays an answer; a
power cut may only lose the last few changes. The journal is removed once the
font was saved, and replayed when the same font is opened again.

Where it lives:

- beside the font file, hidden: ".<file name>.glyphsmith-journal";
- in the data folder ($XDG_DATA_HOME/Orvane/Quillery/journal, normally
  ~/.local/share/Orvane/Quillery/journal) when the font's folder cannot be
  written ("f-<hash of the path>[-<process>].journal") or the font has no file
  yet ("new-<process>-<number>.journal").

Each line is "<crc32 as 8 hexadecimal digits> <JSON object>\\n"; the first
line is the header {"journal": 1, "font": <absolute path or "">}. A line whose
checksum does not match ends the replay there: it is the torn end of a
write that a crash or a full disk cut short.

A journal is locked (flock) by the editor that writes it, and the lock ends
with that editor however it ends; an unlocked journal of a font without a
file is therefore the orphan of a dead editor, and the next new font takes
it over.
"""

import contextlib
import errno
import fcntl
import glob
import hashlib
import json
import os
import threading
import time
import zlib

SUFFIX = ".glyphsmith-journal"
_sequence = 0


def data_folder():
    base = os.environ.get("XDG_DATA_HOME") or os.path.join(os.path.expanduser("~"), ".local", "share")
    return os.path.join(base, "Orvane", "Quillery", "journal")


def beside_path(font_path):
    folder, name = os.path.split(os.path.abspath(font_path))
    return os.path.join(folder, "." + name + SUFFIX)


def path_key(font_path):
    return hashlib.sha1(os.path.abspath(font_path).encode("utf-8", "surrogateescape")).hexdigest()[:16]


def encode(record):
    body = json.dumps(record, ensure_ascii=False, separators=(",", ":")).encode("utf-8")
    return b"%08x %s\n" % (zlib.crc32(body), body)


def decode(line):
    """The record of one whole line, or None for a torn or damaged one."""
    if len(line) < 10 or not line.endswith(b"\n") or line[8:9] != b" ":
        return None
    body = line[9:-1]
    try:
        if int(line[:8], 16) != zlib.crc32(body):
            return None
        record = json.loads(body.decode("utf-8"))
    except ValueError:
        return None
    return record if isinstance(record, dict) else None


def read_records(fd):
    """The valid records after the header, and the raw lines they came from;
    None when the file is no journal at all."""
    os.lseek(fd, 0, os.SEEK_SET)
    chunks = []
    while True:
        chunk = os.read(fd, 1 << 20)
        if not chunk:
            break
        chunks.append(chunk)
    lines = b"".join(chunks).splitlines(keepends=True)
    header = decode(lines[0]) if lines else None
    if header is None or "journal" not in header:
        return None
    records, raw = [], []
    for line in lines[1:]:
        record = decode(line)
        if record is None:
            break
        records.append(record)
        raw.append(line)
    return records, raw


def modified(path):
    try:
        return os.stat(path).st_mtime
    except OSError:
        return 0  # removed by its editor a moment ago


def lock_existing(path):
    """An open, locked descriptor of a journal no living editor holds, or None."""
    try:
        fd = os.open(path, os.O_RDWR | os.O_CLOEXEC)
    except OSError:
        return None
    try:
        fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except OSError:
        os.close(fd)
        return None
    # The file may have been removed by its editor between open and lock.
    try:
        if os.fstat(fd).st_ino != os.stat(path).st_ino:
            raise FileNotFoundError(path)
    except OSError:
        os.close(fd)
        return None
    return fd


class Flusher(threading.Thread):
    """Flushes a journal to the disk after each append, off the answering
    thread; appends that come while it flushes share the next flush."""

    def __init__(self, journal):
        super().__init__(daemon=True)
        self.journal = journal
        self.wanted = threading.Event()
        self.start()

    def run(self):
        while True:
            self.wanted.wait()
            self.wanted.clear()
            with self.journal.lock:
                if self.journal.fd is not None:
                    with contextlib.suppress(OSError):
                        os.fdatasync(self.journal.fd)


class Journal:
    """The journal of one font. The file is made by the first change."""

    def __init__(self, font_path):
        self.lock = threading.Lock()
        self.fd = None
        self.path = None
        self.font_path = font_path
        self.flusher = None
        self.failed = False

    # -- finding journals to replay ------------------------------------------

    @staticmethod
    def candidates(font_path):
        """Journals left for this font (or, for "", by dead editors of new
        fonts, newest first): a list of (path, locked descriptor)."""
        if font_path:
            paths = [beside_path(font_path)]
            paths += sorted(glob.glob(os.path.join(glob.escape(data_folder()), "f-%s*.journal" % path_key(font_path))))
        else:
            paths = sorted(glob.glob(os.path.join(glob.escape(data_folder()), "new-*.journal")), key=modified, reverse=True)
        found = []
        for path in paths:
            fd = lock_existing(path)
            if fd is not None:
                found.append((path, fd))
                if not font_path:
                    break  # one orphan per new font
        return found

    @staticmethod
    def clear_stale(font_path):
        """Removes the journals no living editor holds for a file that was
        just written whole: what they kept belongs to the font it replaced."""
        for path, fd in Journal.candidates(font_path):
            with contextlib.suppress(OSError):
                os.unlink(path)
            os.close(fd)

    def adopt(self, path, fd):
        """Takes over a journal found by candidates() as this font's own."""
        self.path, self.fd = path, fd
        os.lseek(fd, 0, os.SEEK_END)

    # -- writing --------------------------------------------------------------

    def _create(self):
        if self.font_path:
            places = [beside_path(self.font_path)]
            key = path_key(self.font_path)
            places.append(os.path.join(data_folder(), "f-%s.journal" % key))
            places.append(os.path.join(data_folder(), "f-%s-%d.journal" % (key, os.getpid())))
        else:
            global _sequence
            _sequence += 1
            places = [os.path.join(data_folder(), "new-%d-%d-%d.journal" % (os.getpid(), _sequence, time.time_ns()))]
        header = encode({"journal": 1, "font": os.path.abspath(self.font_path) if self.font_path else ""})
        last = None
        for place in places:
            folder = os.path.dirname(place)
            temporary = os.path.join(folder, ".new-journal-%d.tmp" % os.getpid())
            try:
                if folder == data_folder():
                    os.makedirs(folder, mode=0o700, exist_ok=True)
                # Made and locked under a temporary name, so no other
                # editor ever finds it unlocked.
                fd = os.open(temporary, os.O_RDWR | os.O_CREAT | os.O_TRUNC | os.O_CLOEXEC, 0o600)
            except OSError as e:
                last = e
                continue
            try:
                fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
                os.write(fd, header)
                # A journal already there belongs to another editor.
                os.link(temporary, place)
            except OSError as e:
                last = e
                os.close(fd)
                with contextlib.suppress(OSError):
                    os.unlink(temporary)
                continue
            with contextlib.suppress(OSError):
                os.unlink(temporary)
            self.path, self.fd = place, fd
            return
        raise last or OSError(errno.EIO, "no place for a journal")

    def append(self, record):
        self.append_raw([encode(record)])

    def append_raw(self, lines):
        if self.fd is None:
            self._create()
        data = b"".join(lines)
        end = os.lseek(self.fd, 0, os.SEEK_CUR)
        try:
            written = os.write(self.fd, data)
            if written != len(data):
                raise OSError(errno.ENOSPC, "the journal could not be written whole")
        except OSError:
            # A torn line would end every later replay there: the journal
            # goes back to its last whole record.
            with contextlib.suppress(OSError):
                os.ftruncate(self.fd, end)
                os.lseek(self.fd, end, os.SEEK_SET)
            raise
        if self.flusher is None:
            self.flusher = Flusher(self)
        self.flusher.wanted.set()

    def flush(self):
        with self.lock:
            if self.fd is not None:
                with contextlib.suppress(OSError):
                    os.fdatasync(self.fd)

    # -- ending ---------------------------------------------------------------

    def discard(self):
        """Removes the journal: its changes are in a saved file now."""
        with self.lock:
            if self.fd is None:
                return
            with contextlib.suppress(OSError):
                os.unlink(self.path)
            os.close(self.fd)
            self.fd, self.path = None, None

    def move_to(self, font_path):
        """The font has a new file: the old journal is done with, and the
        next change starts one for the new file."""
        self.discard()
        self.font_path = font_path
