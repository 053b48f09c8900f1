"""One editor owns a font at a time: a lock (flock) keyed on the font's real
path, in the user's private data folder, which every editor of the user
shares whatever its runtime folder. The lock ends with the editor however it
ends."""

import fcntl
import hashlib
import os
import stat

from . import places
from . import protocol


def key(real_path):
    return hashlib.sha256(os.fsencode(real_path)).hexdigest()[:32]


class FontLock:
    def __init__(self, real_path):
        self.real_path = real_path
        self.fd = None

    def acquire(self, shown_path):
        """Takes the lock, or raises the 2014 error when another editor holds
        it. Where the data folder cannot be used the font is not locked:
        then no change can be journalled either, so none can be lost."""
        try:
            folder = places.lock_folder()
        except OSError:
            return
        path = os.path.join(folder, key(self.real_path) + ".lock")
        try:
            fd = os.open(path, os.O_RDWR | os.O_CREAT | os.O_NOFOLLOW | os.O_NONBLOCK | os.O_CLOEXEC, 0o600)
        except OSError:
            return
        info = os.fstat(fd)
        if not stat.S_ISREG(info.st_mode) or info.st_uid != os.getuid():
            os.close(fd)
            return
        try:
            fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except BlockingIOError:
            os.close(fd)
            raise protocol.font_held(shown_path)
        self.fd = fd

    def release(self):
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None

    @staticmethod
    def held_elsewhere(real_path):
        """True when another editor (or another font of this one) holds the
        lock of that path now."""
        probe = FontLock(real_path)
        try:
            probe.acquire(real_path)
        except protocol.DispatchError:
            return True
        probe.release()
        return False
