"""Where the editor keeps its own files: the user's private data folder
($XDG_DATA_HOME/Orvane/Quillery, normally ~/.local/share/Orvane/Quillery),
never beside a font, where others may be able to write."""

import errno
import os
import stat


def data_folder():
    base = os.environ.get("XDG_DATA_HOME") or os.path.join(os.path.expanduser("~"), ".local", "share")
    return os.path.join(base, "Orvane", "Quillery")


def private_folder(name):
    """The folder of that name in the data folder, made if missing, that
    belongs to this user and is closed to everyone else (mode 0700). A folder
    of ours with a wider mode is closed; one of another user, or a link, is
    refused with OSError."""
    path = os.path.join(data_folder(), name)
    try:
        os.makedirs(path, mode=0o700, exist_ok=True)
    except FileExistsError:
        pass  # something else of that name; told apart below
    info = os.lstat(path)
    if not stat.S_ISDIR(info.st_mode) or info.st_uid != os.getuid():
        raise OSError(errno.EPERM, "%s is not a folder of this user" % path)
    if info.st_mode & 0o077:
        os.chmod(path, 0o700)
    return path


def journal_folder():
    return private_folder("journal")


def recovery_folder():
    return private_folder("recovery")


def lock_folder():
    return private_folder("locks")


def sync_folder(path):
    """Flushes a folder's entries to the disk, so a file made or renamed in
    it is still there after a power cut."""
    fd = os.open(path, os.O_RDONLY | os.O_DIRECTORY | os.O_CLOEXEC)
    try:
        os.fsync(fd)
    finally:
        os.close(fd)
