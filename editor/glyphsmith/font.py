"""The font object of the automation interface: one font open in the editor,
with the file it belongs to, its lock, its journal and the glyph being
imported.

Nothing enters the font before an import is finished: the import steps work
on a scratch outline, and GlyphStep4 commits the glyph to the journal and
then puts it into the store. Selecting a character alone changes nothing."""

import errno
import hashlib
import os
import struct
import subprocess
import sys

from . import cp932
from . import fontlock
from . import intake
from . import journal as journal_module
from . import naming
from . import newfont
from . import outline
from . import protocol
from . import recovery
from . import safefile
from . import store as store_module
from . import tracer
from .tracer import program as tracer_program

BITMAP_LIMIT = 64 * 1024 * 1024


def log(text):
    sys.stderr.write("glyphsmith: %s\n" % text)


def identity(path):
    """What tells whether a file was changed or replaced since."""
    try:
        info = os.stat(path)
    except OSError:
        return None
    return (info.st_dev, info.st_ino, info.st_size, info.st_mtime_ns)


def unicode_of(code):
    """The character of a Shift-JIS code, refused as the protocol says."""
    char = cp932.char(code)
    if char is None:
        raise protocol.bad_char_code(code)
    return ord(char)


class Font:
    def __init__(self, font_store, path, lock):
        self.store = font_store
        self.path = path  # empty until the font has a file
        self.real = os.path.realpath(path) if path else None
        self.lock = lock
        self.identity = identity(self.real) if path else None
        self.journal = None
        self.journal_stem = "f-" + fontlock.key(self.real) if path else journal_module.Journal.new_stem()
        # Which family names (English, Japanese) the user gave; a font with
        # a file keeps the names it has.
        self.named_by_user = [bool(path), bool(path)]
        self.saved_version = font_store.version() if path else None
        self.recovered = 0
        self.notices = []
        self.selection = None  # (unicode, vertical, advance)
        self.scratch = None  # contours in bitmap dots, or None before a trace
        self.scale = (1.0, 1.0, 0.0)  # from dots into font units
        self.may_cross = True
        self.picture = None  # the bitmap traced (tracer.read_bitmap's answer), for the fit to its ink
        self.cleaned = None  # TrueType points once GlyphStep3 ran

    # -- making and opening -----------------------------------------------------

    @classmethod
    def new(cls):
        font = cls(store_module.FontStore(store_module.Base(newfont.build(), new=True)), "", fontlock.FontLock(None))
        font.notices = recovery.abandoned_new_fonts(log)
        return font

    @classmethod
    def open(cls, path):
        """The font of the file at path; raises 2013 or 2014, and returns
        None for a font whose licence forbids editing."""
        real = os.path.realpath(path)
        lock = fontlock.FontLock(real)
        lock.acquire(path)
        try:
            base = intake.check(path, intake.read(real))
            if base is None:
                lock.release()
                return None
            safefile.remove_leftovers(os.path.dirname(real))
            font = cls(store_module.FontStore(base), path, lock)
            font.take_journal()
            intake.repair(font.store)
            font.notices += recovery.abandoned_new_fonts(log)
        except BaseException:
            lock.release()
            raise
        return font

    def take_journal(self):
        """Replays the journal left for this file when it was written against
        this very file; any other is kept aside as a recovery font."""
        try:
            path = journal_module.Journal.path_for(self.journal_stem)
        except OSError:
            return  # no journal folder: changes will be refused
        found = recovery.open_journal(path, log)
        if found is None:
            return
        digest = self.store.base.digest
        if found.meta.get("base") == digest:
            self.recovered = len(recovery.replay(self.store, found.changes(), log))
            self.journal = found
        elif found.meta.get("saved") == digest:
            found.remove()  # its changes are in this file: the save got that far
        else:
            self.notices.append(recovery.keep_aside(found, "changed", log))

    def file_changed(self):
        return self.real is not None and identity(self.real) != self.identity

    def close(self):
        """Closes the font; its journal stays when it holds unsaved changes
        (it always holds only those), and its lock goes."""
        if self.journal is not None:
            self.journal.close()
            self.journal = None
        self.lock.release()

    # -- the journal ------------------------------------------------------------

    def changed(self):
        return not self.store.overlay.empty()

    def _clear_journal_place(self, path):
        """A journal left at path by an editor that died, written against a
        file that this font has since replaced (a SaveAs onto it): kept as
        a recovery font, so the place is free for this font's journal."""
        found = recovery.open_journal(path, log)
        if found is not None:
            self.notices.append(recovery.keep_aside(found, "changed", log))

    def _journal(self):
        if self.journal is None:
            try:
                path = journal_module.Journal.path_for(self.journal_stem)
            except OSError as e:
                raise protocol.not_durable(journal_module._cause(e))
            if os.path.lexists(path):
                self._clear_journal_place(path)
            meta = {"font": self.real or "", "base": self.store.base.digest if self.path else "new",
                    "em": self.store.em, "box_top": self.store.box_top, "full_width": self.store.full_width}
            try:
                self.journal = journal_module.Journal.create(path, meta)
            except journal_module.JournalError as e:
                raise protocol.not_durable(str(e))
        return self.journal

    def commit(self, change):
        """Writes a change to the journal; 2015 when it cannot be, and then
        the caller must not make it."""
        try:
            self._journal().record(change)
        except journal_module.JournalError as e:
            raise protocol.not_durable(str(e))

    def set_batch(self, batch):
        if self.journal is not None:
            self.journal.set_batch(batch)

    def flush(self):
        if self.journal is not None:
            self.journal.flush()

    # -- import steps -------------------------------------------------------------

    def select(self, code, vertical):
        # A refused code leaves no glyph selected, so the import steps that
        # follow cannot overwrite the glyph chosen before.
        self.selection = None
        self.drop_import()
        full = self.store.full_width
        self.selection = (unicode_of(code), bool(vertical), full // 2 if code <= 0xFF else full)

    def drop_import(self):
        """Forgets the bitmap traced and the points made of it."""
        self.scratch = self.cleaned = self.picture = None

    def current(self):
        if self.selection is None:
            raise protocol.no_glyph()
        return self.selection

    def clear_glyph(self):
        self.current()
        self.drop_import()

    def set_advance(self):
        self.current()

    def import_bitmap(self, path):
        self.current()
        self.drop_import()
        try:
            data, _info = safefile.read_regular(path, BITMAP_LIMIT)
        except OSError as e:
            if e.errno == errno.ENOENT:
                raise protocol.bitmap_missing(path)
            raise protocol.bitmap_unreadable(protocol.file_error_text(e))
        store = self.store
        em, bottom, top = store.em, store.box_bottom, store.box_top
        drawn = []

        def draw(contours, width, height):
            drawn.append((contours, width, height))

        try:
            traced = tracer.trace_data(data, draw)
        except (ValueError, OSError) as e:
            raise protocol.bitmap_unreadable(str(e))
        if traced is None:
            try:
                contours, (width, height) = tracer_program.trace(path)
            except tracer_program.ProgramError as e:
                raise protocol.bitmap_unreadable(str(e))
            except subprocess.TimeoutExpired:
                raise protocol.bitmap_too_slow()
            except (OSError, ValueError) as e:
                raise protocol.bitmap_unreadable(str(e))
            drawn.append((contours, width, height))
            self.may_cross = None  # directions unknown too
        else:
            self.may_cross = traced.may_cross
            self.picture = traced.picture
        contours, width, height = drawn[0]
        if not width or not height:
            self.scratch = []
            return
        # The bitmap square becomes the em box: x from 0 to the em, y from
        # its bottom to its top.
        self.scratch = contours
        self.scale = (em / width, (top - bottom) / height, bottom)

    def clean_glyph(self):
        """Merges the rare contours that cross, puts every contour in
        TrueType order and every point on the integer grid, with points
        where curves turn and without specks."""
        self.current()
        # Specks and pinholes smaller than the tracer's speck (2 by 2 dots
        # of a 512 canvas: the same share of the em at any canvas size) go.
        # The program's contours come in no known order, and the library's
        # may cross: those the tracer cannot clear are merged, which gives
        # both in TrueType order.
        least = (tracer.SETTINGS.speck / 512 * self.store.em) ** 2
        self.cleaned = outline.glyph_points(self.scratch or [], self.scale, self.may_cross, least, self.picture)

    def finish_glyph(self):
        unicode, vertical, advance = self.current()
        if self.cleaned is None:
            self.clean_glyph()
        finished = outline.finish(self.cleaned, advance)
        if not vertical:
            finished = self.store.respaced(unicode, finished)  # the width of a proportional glyph
        if vertical and not finished.contours:
            # A blank vertical form: vertical text shows the character's own.
            self.remove(unicode, True)
            return
        self.commit(journal_module.Change("glyph", unicode, vertical, finished.advance, None, finished.data))
        self.store.put(unicode, vertical, finished)

    # -- other changes ------------------------------------------------------------

    def remove(self, unicode, vertical):
        store = self.store
        if (vertical or store.state(unicode, False) is None) and store.drawn_vertical(unicode) is None:
            return  # nothing there (a made form follows its character): nothing happens
        self.commit(journal_module.Change("remove", unicode, vertical))
        self.store.remove(unicode, vertical)

    def remove_glyph(self, code, vertical):
        self.remove(unicode_of(code), bool(vertical))

    def set_weight(self, weight):
        if weight != self.store.weight():
            self.commit(journal_module.Change("weight", number=weight))
            self.store.overlay.weight = weight

    def set_family(self, name, japanese):
        name = naming.checked_family(name, japanese)
        self.commit(journal_module.Change("family", vertical=japanese, text=name))
        self.store.set_family(name, japanese)
        self.named_by_user[int(bool(japanese))] = True

    def set_version(self, text):
        text = naming.checked_version(text)
        self.commit(journal_module.Change("version", text=text))
        self.store.overlay.version = text

    def set_copyright(self, text):
        text = naming.checked_copyright(text)
        self.commit(journal_module.Change("copyright", text=text))
        self.store.overlay.copyright = text

    # -- queries ------------------------------------------------------------------

    def glyph_outline(self, code, vertical):
        return self.store.outline_text(unicode_of(code), bool(vertical))

    def metrics(self):
        s = self.store
        return "%d %d %d %d" % (s.em, s.box_top, -s.box_bottom, s.full_width)

    def recovery_notice(self):
        return "\n".join(n for n in self.notices if n)

    # -- files ----------------------------------------------------------------------

    def _write(self, path, data):
        """Writes data to path safely; 2011 with the cause when it cannot."""
        shown = os.path.abspath(path)
        folder = os.path.dirname(os.path.realpath(path))
        try:
            if os.path.isdir(path):
                raise IsADirectoryError(errno.EISDIR, "is a folder", path)
            if os.path.exists(path) and not os.access(path, os.W_OK):
                raise protocol.save_failed(shown, "ファイルが書き込み禁止になっています。")
            safefile.write_file(path, data)
        except OSError as e:
            raise protocol.save_failed(shown, save_failure_reason(e, folder, shown))

    def save_to(self, path, names=None):
        """Saves the font as the file at path, which becomes its file."""
        if not path:
            raise protocol.no_file()
        real = os.path.realpath(path)
        version = self.store.version()
        if version == self.saved_version:
            version = naming.next_version(version) or version
        lock = self.lock
        if real != self.real:
            lock = fontlock.FontLock(real)
            lock.acquire(os.path.abspath(path))
        try:
            data = self.build(path, names, version)
            digest = hashlib.sha256(data).hexdigest()
            if self.journal is not None and real == self.real:
                try:
                    self.journal.set_meta("saved", digest)
                except journal_module.JournalError:
                    pass  # only spares a needless recovery font after a crash
            self._write(path, data)
        except BaseException:
            if lock is not self.lock:
                lock.release()
            raise
        if self.journal is not None:
            self.journal.remove()
            self.journal = None
        if lock is not self.lock:
            self.lock.release()
            self.lock = lock
        self.store = store_module.FontStore(store_module.Base(data))
        self.path, self.real = path, real
        self.identity = identity(real)
        self.journal_stem = "f-" + fontlock.key(real)
        self.saved_version = version
        self.selection = None
        self.drop_import()

    def save_as(self, path):
        """Saves the font under path; a font that was never named takes its
        names from the file's (a name the user gave stays)."""
        names = None
        if not all(self.named_by_user):
            english, japanese = naming.default_names(naming.file_stem(path))
            names = (self.store.family(False) if self.named_by_user[0] else english,
                     self.store.family(True) if self.named_by_user[1] else japanese)
        self.save_to(path, names)
        self.named_by_user = [True, True]

    def save_copy(self, path):
        """Writes the font as it is now to path; the font does not change."""
        if not path:
            raise protocol.no_save_path()
        real = os.path.realpath(path)
        if real == self.real:
            self.save_to(path)
            return
        if fontlock.FontLock.held_elsewhere(real):
            raise protocol.font_held(os.path.abspath(path))
        data = self.store.base.data if self.store.overlay.empty() else self.build(path)
        self._write(path, data)

    def build(self, path, names=None, version=None):
        """The bytes of the font to save at path; 2011 when the font cannot
        be put together (more glyphs than a font can hold, say)."""
        try:
            return self.store.build(names, version)
        except (OverflowError, ValueError, struct.error, KeyError) as e:
            log("the font could not be built: %r" % e)
            raise protocol.save_failed(os.path.abspath(path), "フォントを組み立てられませんでした（%s）。" % e)


def save_failure_reason(error, folder, path):
    """A Japanese description of why a font file could not be written."""
    code = getattr(error, "errno", None)
    if code in (errno.ENOENT, errno.ENOTDIR):
        return "フォルダ %s がありません。" % folder
    if code in (errno.EACCES, errno.EPERM):
        return "フォルダ %s に書き込む権限がありません。" % folder
    if code == errno.EROFS:
        return "フォルダ %s は読み取り専用の場所にあります。" % folder
    if code in (errno.ENOSPC, errno.EDQUOT, errno.EFBIG):
        return "ディスクの空き容量が足りません。"
    if code == errno.ENAMETOOLONG:
        return "ファイル名が長すぎます。"
    if code == errno.EISDIR:
        return "%s はフォルダです。" % path
    if code:
        return "書き込みに失敗しました（%s）。" % protocol.file_error_text(error)
    return "フォントを書き出せませんでした。"
