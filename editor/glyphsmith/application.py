"""The application object of the automation interface (handle 1): the fonts
open in the editor with their handles, what each connection holds of them,
the active font, and the batch mode.

A handle stays valid while some connection holds a reference to its font
(every object value given out is one reference, every "release" drops one,
a closed connection drops all of its own) or while the font is the active
font. A font that is neither is closed: its journal stays, its lock goes."""

import errno
import os
import sys

from . import journal as journal_module
from . import protocol
from .font import Font

APP_HANDLE = 1


class Application:
    def __init__(self):
        self.fonts = {}  # handle -> Font
        self.next_handle = APP_HANDLE + 1
        self.references = {}  # connection -> {handle: count}
        self.active = None
        self.start_flag = False
        self.batch_owner = None

    # -- handles and references -------------------------------------------------

    def handle_of(self, font):
        for handle, held in self.fonts.items():
            if held is font:
                return handle
        handle = self.next_handle
        self.next_handle += 1
        self.fonts[handle] = font
        return handle

    def font_value(self, connection, font):
        if font is None:
            return protocol.value("object", None)
        handle = self.handle_of(font)
        held = self.references.setdefault(connection, {})
        held[handle] = held.get(handle, 0) + 1
        return protocol.value("object", handle)

    def font(self, handle):
        found = self.fonts.get(handle) if isinstance(handle, int) and not isinstance(handle, bool) else None
        if found is None:
            raise protocol.Failure("unknown object %r" % (handle,))
        return found

    def release(self, connection, handle):
        held = self.references.get(connection, {})
        if held.get(handle, 0) > 0:
            held[handle] -= 1
            if not held[handle]:
                del held[handle]
        self.collect()

    def disconnect(self, connection):
        self.references.pop(connection, None)
        if self.batch_owner is connection:
            self.end_batch()
        self.collect()

    def collect(self):
        """Closes the fonts nobody can reach any more."""
        held = set()
        for handles in self.references.values():
            held.update(handles)
        for handle, font in list(self.fonts.items()):
            if font is not self.active and handle not in held:
                del self.fonts[handle]
                font.close()

    def open_fonts(self):
        return list(self.fonts.values()) + ([self.active] if self.active and self.active not in
                                            self.fonts.values() else [])

    def make_active(self, font):
        self.active = font
        self.collect()

    # -- the members ------------------------------------------------------------

    def new_font(self):
        font = Font.new()  # its journal, made at its first change, takes the batch mode
        self.make_active(font)
        return font

    def open_font(self, path):
        if not path:
            raise protocol.unreadable(path, FileNotFoundError(errno.ENOENT, "no path"))
        real = os.path.realpath(path)
        for font in self.open_fonts():
            if font.real == real:
                if font.file_changed():
                    font = self.reload(font)
                if font is not None:
                    self.make_active(font)
                return font
        font = Font.open(path)
        if font is not None:
            self.make_active(font)
        return font

    def reload(self, font):
        """The file of a font this editor holds was changed by someone else:
        the font is read again, and its unsaved changes, made on the file
        as it was, go to a recovery font."""
        path = font.path
        for handle, held in list(self.fonts.items()):
            if held is font:
                del self.fonts[handle]
        if self.active is font:
            self.active = None
        font.close()
        return Font.open(path)

    def glyph_step3(self):
        if self.active is None:
            raise protocol.no_font()
        self.active.clean_glyph()

    def set_batch(self, connection, batch):
        if batch:
            self.batch_owner = connection
            journal_module.set_batch(True)
            for font in self.open_fonts():
                font.set_batch(True)
        else:
            self.end_batch()

    def end_batch(self):
        """A batch ended (or its client went): every change it made is
        flushed to the disk now, and later ones are flushed one by one."""
        self.batch_owner = None
        if not journal_module.batch():
            return
        journal_module.set_batch(False)
        failed = None
        for font in self.open_fonts():
            try:
                font.flush()
                font.set_batch(False)
            except journal_module.JournalError as e:
                failed = e
        if failed is not None:
            raise protocol.not_durable(str(failed))

    def save_before_leaving(self):
        """The last client went without the save at exit: fonts that have a
        file and changes are saved now. What cannot be saved stays in the
        journal, and so does a font without a file."""
        try:
            self.end_batch()
        except protocol.DispatchError as e:
            sys.stderr.write("glyphsmith: %s\n" % e.description)
        for font in self.open_fonts():
            if font.changed() and font.path:
                try:
                    font.save_to(font.path)
                except protocol.DispatchError as e:
                    sys.stderr.write("glyphsmith: %s\n" % e.description)

    def close_all(self):
        for font in self.open_fonts():
            font.close()
        self.fonts.clear()
        self.active = None
