"""The journal that keeps a font's unsaved changes through a crash.

Every change the editor answers (a finished glyph, a removal, a name, the
version, the weight) is committed to the font's journal before the answer
goes out; a change that cannot be committed is refused (2015) and not made.
A journal is an SQLite database in WAL mode in the user's private journal
folder (places.journal_folder), never beside the font:

- "f-<key>.journal" for a font with a file, the key being a hash of the
  font's real path (fontlock.key);
- "new-<random>.journal" for a font that has no file yet.

Its meta table says which font it belongs to and the base it was written
against: a hash of the font file as opened, or "new". A journal is only
replayed onto that same base; one whose base no longer matches, and the
journal of a new font whose editor is gone, become recovery fonts instead
(recovery.py).

Commits are synchronous FULL (the WAL is flushed to the disk before the
answer) except in a batch run, where they are NORMAL: the WAL is still
written before the answer, so the death of either process loses nothing,
and the flush to the disk comes at the end of the batch (flush()). SQLite
keeps a torn WAL tail from the records before it, and later commits go
after the last good one.

The editor that writes a journal holds an flock on it, so a journal nobody
holds is one whose editor is gone. A file in a journal's place that is not
a regular file of this user of a sane size is never opened."""

import collections
import errno
import fcntl
import os
import secrets
import sqlite3
import stat
import time
import urllib.parse

from . import places

FORMAT = "1"
SUFFIX = ".journal"
# Far above the journal of a whole font (some 3 KB a glyph), far below what
# could exhaust the editor's memory.
SIZE_LIMIT = 512 * 1024 * 1024

Change = collections.namedtuple("Change", "kind unicode vertical number text data")
Change.__new__.__defaults__ = (None, False, None, None, None)

_batch = False


class JournalError(Exception):
    """A journal that cannot be written; str() is a Japanese cause."""


class Unusable(Exception):
    """A file in a journal's place that is not a journal of ours."""


def _cause(error):
    text = str(error)
    if isinstance(error, OSError):
        code = error.errno
        if code in (errno.ENOSPC, errno.EDQUOT, errno.EFBIG):
            return "ディスクの空き容量が足りません。"
        if code in (errno.EACCES, errno.EPERM):
            return "記録用のフォルダ %s に書き込む権限がありません。" % _folder_name()
        if code == errno.EROFS:
            return "記録用のフォルダ %s は読み取り専用の場所にあります。" % _folder_name()
    lowered = text.lower()
    if "full" in lowered:
        return "ディスクの空き容量が足りません。"
    if "readonly" in lowered or "read-only" in lowered:
        return "記録用のファイルに書き込む権限がありません。"
    return "記録用のファイルに書き込めません（%s）。" % text


def _folder_name():
    return os.path.join(places.data_folder(), "journal")


def _checked(path, info):
    if not stat.S_ISREG(info.st_mode):
        raise Unusable("%s is not a regular file" % path)
    if info.st_uid != os.getuid():
        raise Unusable("%s belongs to another user" % path)
    if info.st_size > SIZE_LIMIT:
        raise Unusable("%s is too large for a journal" % path)


def _synchronous(conn, batch):
    """A batch run commits without flushing (the end of the batch flushes);
    otherwise every commit is flushed before the answer."""
    conn.execute("PRAGMA synchronous=%s" % ("NORMAL" if batch else "FULL"))


def _connect(path, create):
    uri = "file:%s?mode=%s" % (urllib.parse.quote(path), "rwc" if create else "rw")
    conn = sqlite3.connect(uri, uri=True, isolation_level=None, check_same_thread=False)
    # Exclusive before WAL: no shared-memory file beside the journal.
    conn.execute("PRAGMA locking_mode=EXCLUSIVE")
    conn.execute("PRAGMA journal_mode=WAL")
    _synchronous(conn, _batch)
    conn.execute("PRAGMA journal_size_limit=%d" % (8 * 1024 * 1024))
    return conn


class Journal:
    """One journal file, open and locked by this editor."""

    def __init__(self, path, fd, conn, meta):
        self.path, self.fd, self.conn, self.meta = path, fd, conn, meta

    # -- finding --------------------------------------------------------------

    @staticmethod
    def path_for(stem):
        return os.path.join(places.journal_folder(), stem + SUFFIX)

    @staticmethod
    def new_stem():
        return "new-" + secrets.token_hex(8)

    @classmethod
    def open_existing(cls, path):
        """The journal at path, locked, or None when there is none or a
        living editor holds it. Raises Unusable for anything in its place
        that is not a sane journal of ours; it is never read then."""
        try:
            info = os.lstat(path)
        except FileNotFoundError:
            return None
        _checked(path, info)
        try:
            _checked(path + "-wal", os.lstat(path + "-wal"))
        except FileNotFoundError:
            pass
        fd = os.open(path, os.O_RDWR | os.O_NOFOLLOW | os.O_NONBLOCK | os.O_CLOEXEC)
        try:
            held = os.fstat(fd)
            _checked(path, held)
            if (held.st_ino, held.st_dev) != (info.st_ino, info.st_dev):
                raise Unusable("%s changed while it was opened" % path)
            try:
                fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
            except BlockingIOError:
                os.close(fd)
                return None
            conn = _connect(path, False)
            try:
                meta = dict(conn.execute("SELECT key, value FROM meta"))
                conn.execute("SELECT count(*) FROM change").fetchone()
            except sqlite3.Error:
                conn.close()
                raise
            if meta.get("format") != FORMAT:
                conn.close()
                raise Unusable("%s is of an unknown format" % path)
        except (sqlite3.Error, OSError) as e:
            os.close(fd)
            raise Unusable("%s is no journal: %s" % (path, e))
        except Unusable:
            os.close(fd)
            raise
        return cls(path, fd, conn, meta)

    @classmethod
    def create(cls, path, meta):
        """A new journal at path with its meta; JournalError when it cannot
        be made. Nothing may be in its place."""
        fd = None
        try:
            folder = os.path.dirname(path)
            fd = os.open(path, os.O_RDWR | os.O_CREAT | os.O_EXCL | os.O_NOFOLLOW | os.O_CLOEXEC, 0o600)
            fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
            conn = _connect(path, False)
            try:
                conn.execute("BEGIN IMMEDIATE")
                conn.execute("CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)")
                conn.execute("CREATE TABLE change (seq INTEGER PRIMARY KEY, kind TEXT NOT NULL, unicode INTEGER,"
                             " vertical INTEGER, number INTEGER, text TEXT, data BLOB)")
                conn.executemany("INSERT INTO meta VALUES (?, ?)",
                                 [("format", FORMAT), ("created", str(int(time.time())))]
                                 + [(k, str(v)) for k, v in meta.items()])
                conn.execute("COMMIT")
            except sqlite3.Error:
                conn.close()
                raise
            places.sync_folder(folder)
        except (OSError, sqlite3.Error) as e:
            if fd is not None:
                os.close(fd)
                try:
                    os.unlink(path)
                except OSError:
                    pass
            raise JournalError(_cause(e))
        full = dict(meta, format=FORMAT)
        return cls(path, fd, conn, {k: str(v) for k, v in full.items()})

    # -- reading --------------------------------------------------------------

    def changes(self):
        """The changes in the order they were made."""
        out = []
        for kind, unicode, vertical, number, text, data in self.conn.execute(
                "SELECT kind, unicode, vertical, number, text, data FROM change ORDER BY seq"):
            out.append(Change(str(kind), unicode, bool(vertical), number, text,
                              bytes(data) if data is not None else None))
        return out

    # -- writing --------------------------------------------------------------

    def record(self, change):
        """Commits one change; JournalError when it cannot be written."""
        try:
            self.conn.execute("INSERT INTO change (kind, unicode, vertical, number, text, data)"
                              " VALUES (?, ?, ?, ?, ?, ?)",
                              (change.kind, change.unicode, int(bool(change.vertical)), change.number,
                               change.text, change.data))
        except sqlite3.Error as e:
            try:
                self.conn.rollback()
            except sqlite3.Error:
                pass
            raise JournalError(_cause(e))

    def set_meta(self, key, value):
        try:
            self.conn.execute("INSERT OR REPLACE INTO meta VALUES (?, ?)", (key, str(value)))
        except sqlite3.Error as e:
            raise JournalError(_cause(e))
        self.meta[key] = str(value)

    def set_batch(self, batch):
        _synchronous(self.conn, batch)

    def flush(self):
        """Makes every committed change durable now (after a batch)."""
        try:
            self.conn.execute("PRAGMA wal_checkpoint(FULL)").fetchall()
        except sqlite3.Error as e:
            raise JournalError(_cause(e))

    # -- ending ---------------------------------------------------------------

    def close(self):
        """Closes the journal and leaves it for a later replay. The
        database goes before the lock: closing another descriptor of the
        file would drop SQLite's own locks under it."""
        if self.conn is not None:
            try:
                self.conn.close()
            except sqlite3.Error:
                pass
            self.conn = None
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None

    def remove(self):
        """Removes the journal: what it held is in a saved file now (or in
        a recovery font)."""
        for name in (self.path, self.path + "-wal", self.path + "-shm"):
            try:
                os.unlink(name)
            except OSError:
                pass
        self.close()


def set_batch(batch):
    """The commit mode of journals made from now on."""
    global _batch
    _batch = bool(batch)


def batch():
    return _batch


def set_aside(path):
    """Moves something that is no journal of ours out of a journal's place,
    unread, so a journal can be made there; its new name ends in
    ".refused"."""
    target = "%s.%d.refused" % (path, time.time_ns())
    for name, to in ((path, target), (path + "-wal", target + "-wal")):
        try:
            os.rename(name, to)
        except FileNotFoundError:
            pass
        except OSError:
            try:
                os.unlink(name)
            except OSError:
                pass
    return target


def abandoned_new():
    """The paths of new fonts' journals that no living editor holds."""
    try:
        folder = places.journal_folder()
        names = sorted(os.listdir(folder))
    except OSError:
        return []
    return [os.path.join(folder, n) for n in names if n.startswith("new-") and n.endswith(SUFFIX)]
