"""Reading and writing files in folders that others may share.

A font is written whole or not at all: into a temporary file in its own
folder, made without a name where the file system allows it (O_TMPFILE) and
otherwise by mkstemp (O_EXCL | O_NOFOLLOW, so a link planted at the name is
never followed), with the mode of the file it replaces (a new file: the
umask), flushed to the disk, given a short random name and renamed onto the
real path. A symlinked font stays a link and its target gets the new font.
The temporary file is locked (flock) while it exists, so that what a killed
save left behind can be told from a save under way and removed later."""

import errno
import fcntl
import os
import re
import secrets
import stat
import tempfile

from . import places

TEMP_PREFIX = ".glyphsmith-"
TEMP_SUFFIX = ".tmp"
TEMP_NAME = re.compile(r"\.glyphsmith-[a-z0-9_]{8}\.tmp")
_ALPHABET = "abcdefghijklmnopqrstuvwxyz0123456789_"


def _umask():
    mask = os.umask(0o022)
    os.umask(mask)
    return mask


UMASK = _umask()


def read_regular(path, limit, own_only=False, follow=True):
    """The bytes and the stat of a regular file, read whole; OSError for
    anything else (a FIFO, a device, a folder, a link when follow is False,
    another user's file when own_only), or a file above limit bytes."""
    flags = os.O_RDONLY | os.O_NONBLOCK | os.O_CLOEXEC | (0 if follow else os.O_NOFOLLOW)
    fd = os.open(path, flags)
    try:
        info = os.fstat(fd)
        if not stat.S_ISREG(info.st_mode):
            raise OSError(errno.EINVAL, "not a regular file", path)
        if own_only and info.st_uid != os.getuid():
            raise OSError(errno.EPERM, "not a file of this user", path)
        if info.st_size > limit:
            raise OSError(errno.EFBIG, "file too large", path)
        chunks, left = [], limit + 1
        while left > 0:
            chunk = os.read(fd, min(left, 1 << 22))
            if not chunk:
                break
            chunks.append(chunk)
            left -= len(chunk)
        data = b"".join(chunks)
        if len(data) > limit:
            raise OSError(errno.EFBIG, "file too large", path)
        return data, info
    finally:
        os.close(fd)


def _random_name():
    return TEMP_PREFIX + "".join(secrets.choice(_ALPHABET) for _ in range(8)) + TEMP_SUFFIX


def _open_unnamed(folder):
    """A locked temporary file without a name in folder, or None where the
    file system cannot make one."""
    if not hasattr(os, "O_TMPFILE"):
        return None
    try:
        fd = os.open(folder, os.O_TMPFILE | os.O_RDWR | os.O_CLOEXEC, 0o600)
    except OSError as e:
        if e.errno in (errno.EOPNOTSUPP, errno.EISDIR, errno.EINVAL, errno.ENOENT) and os.path.isdir(folder):
            return None
        raise
    fcntl.flock(fd, fcntl.LOCK_EX)
    return fd


def _give_name(fd, folder):
    """Links an unnamed file into folder under a fresh random name. The
    folder's descriptor makes Python call linkat with AT_SYMLINK_FOLLOW,
    which follows /proc's link to the file itself."""
    folder_fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY | os.O_CLOEXEC)
    try:
        for _ in range(100):
            name = _random_name()
            try:
                os.link("/proc/self/fd/%d" % fd, name, src_dir_fd=folder_fd, dst_dir_fd=folder_fd,
                        follow_symlinks=True)
                return os.path.join(folder, name)
            except FileExistsError:
                continue
    finally:
        os.close(folder_fd)
    raise OSError(errno.EEXIST, "no free temporary name", folder)


def write_file(path, data):
    """Writes data as the file at path (its target, when path is a link),
    so the file there is always whole, old or new. OSError on failure, and
    then nothing is left behind."""
    real = os.path.realpath(path)
    folder = os.path.dirname(real)
    try:
        existing = os.stat(real)
    except FileNotFoundError:
        existing = None
    if existing is not None and stat.S_ISDIR(existing.st_mode):
        raise OSError(errno.EISDIR, "is a folder", real)
    if existing is not None and not stat.S_ISREG(existing.st_mode):
        raise OSError(errno.EINVAL, "not a regular file", real)
    mode = stat.S_IMODE(existing.st_mode) & 0o777 if existing else 0o666 & ~UMASK
    fd = _open_unnamed(folder)
    name = None
    try:
        if fd is None:
            fd, name = tempfile.mkstemp(prefix=TEMP_PREFIX, suffix=TEMP_SUFFIX, dir=folder)
            fcntl.flock(fd, fcntl.LOCK_EX)
        os.fchmod(fd, mode)
        if existing is not None and existing.st_gid != os.getgid():
            try:
                os.fchown(fd, -1, existing.st_gid)
            except OSError:
                pass  # not a member of the file's group: it gets ours
        view = memoryview(data)
        while view:
            written = os.write(fd, view)
            view = view[written:]
        os.fsync(fd)
        if name is None:
            name = _give_name(fd, folder)
        os.rename(name, real)
        name = None
        places.sync_folder(folder)
    finally:
        if name is not None:
            try:
                os.unlink(name)
            except OSError:
                pass
        os.close(fd)
    return real


def remove_leftovers(folder):
    """Removes what saves killed half-way left in folder: files of the
    temporary name's pattern that are regular files of this user and that no
    living editor holds. Others' files and anything else are left alone."""
    try:
        entries = list(os.scandir(folder))
    except OSError:
        return 0
    removed = 0
    for entry in entries:
        if not TEMP_NAME.fullmatch(entry.name):
            continue
        try:
            info = entry.stat(follow_symlinks=False)
            if not stat.S_ISREG(info.st_mode) or info.st_uid != os.getuid():
                continue
            fd = os.open(entry.path, os.O_RDONLY | os.O_NOFOLLOW | os.O_NONBLOCK | os.O_CLOEXEC)
        except OSError:
            continue
        try:
            held = os.fstat(fd)
            if held.st_ino != info.st_ino or held.st_dev != info.st_dev:
                continue
            try:
                fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
            except OSError:
                continue  # a save under way
            again = os.lstat(entry.path)
            if (again.st_ino, again.st_dev) == (info.st_ino, info.st_dev):
                os.unlink(entry.path)
                removed += 1
        except OSError:
            pass
        finally:
            os.close(fd)
    return removed
