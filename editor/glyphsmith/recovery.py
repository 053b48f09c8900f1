"""Recovery fonts: saved-up work the editor does not replay into a font is
not thrown away either. A journal whose base file no longer matches, and the
journal of a new font whose editor is gone, become a font of their own in
the private recovery folder (places.recovery_folder), which the user can
open; the font opened or created at that moment names it in its
RecoveryNotice."""

import os
import time

from . import journal as journal_module
from . import naming
from . import newfont
from . import outline
from . import places
from . import protocol
from . import safefile
from . import store


class Recovered:
    def __init__(self, path, glyphs):
        self.path, self.glyphs = path, glyphs


def apply_change(font_store, change):
    """Makes one journal change again; the key of a glyph put or removed,
    else None. Raises on a damaged change."""
    kind = change.kind
    if kind == "glyph":
        finished = outline.from_data(change.data or b"", int(change.number))
        font_store.put(int(change.unicode), bool(change.vertical), finished)
        return (int(change.unicode), bool(change.vertical))
    if kind == "remove":
        font_store.remove(int(change.unicode), bool(change.vertical))
        return (int(change.unicode), bool(change.vertical))
    if kind == "family":
        font_store.set_family(naming.checked_family(change.text, bool(change.vertical)), bool(change.vertical))
    elif kind == "version":
        font_store.overlay.version = naming.checked_version(change.text)
    elif kind == "copyright":
        font_store.overlay.copyright = naming.checked_copyright(change.text)
    elif kind == "weight":
        font_store.overlay.weight = int(change.number)
    else:
        raise ValueError("unknown change %r" % kind)
    return None


def replay(font_store, changes, log):
    """Applies changes in order, skipping damaged ones; the glyphs that came
    back (characters and vertical forms, each once)."""
    glyphs = set()
    for change in changes:
        try:
            key = apply_change(font_store, change)
        except Exception as e:  # a damaged change never stops the font from opening
            log("a journal change was skipped: %s" % e)
            continue
        if key is not None and font_store.state(*key) is not None:
            glyphs.add(key)
        elif key is not None:
            glyphs.discard(key)
    return glyphs


def save(jour, log):
    """Builds a recovery font from an open journal and removes the journal;
    the Recovered font, or None when there was nothing to keep. OSError
    when the font cannot be written (the journal then stays)."""
    meta = jour.meta
    changes = jour.changes()
    if not any(c.kind == "glyph" for c in changes):
        jour.remove()
        return None
    em = int(meta.get("em") or newfont.EM)
    top = int(meta.get("box_top") or newfont.ASCENT)
    source = meta.get("font") or ""
    stem = os.path.splitext(os.path.basename(source))[0] if source else "新規フォント"
    when = time.strftime("%Y-%m-%d %H%M%S")
    name = "%s 復旧 %s" % (stem, when)
    english = "%s Recovered %s" % (naming.default_names(stem)[0] if source else "New Font", when)
    font_store = store.FontStore(store.Base(newfont.build(em, top), new=True))
    glyphs = replay(font_store, changes, log)
    data = font_store.build(names=(english[:63], name))
    folder = places.recovery_folder()
    path = _free_path(folder, name)
    safefile.write_file(path, data)
    jour.remove()
    return Recovered(path, len(glyphs))


def _free_path(folder, name):
    path = os.path.join(folder, name + ".ttf")
    number = 2
    while os.path.lexists(path):
        path = os.path.join(folder, "%s (%d).ttf" % (name, number))
        number += 1
    return path


def notice(recovered, why):
    """The RecoveryNotice line for one recovery font."""
    if why == "changed":
        return ("前回保存されなかった %d 個の文字は、その後フォントファイルが変わっていたため取り込まず、"
                "復旧用のフォント %s に保存しました。" % (recovered.glyphs, recovered.path))
    return ("保存されないまま終わった新規フォントの %d 個の文字を、復旧用のフォント %s に保存しました。"
            % (recovered.glyphs, recovered.path))


def kept_notice(path, why):
    return "保存されなかった変更を取り込まずに %s に残しました（%s）。" % (path, why)


def open_journal(path, log):
    """The journal at path, locked, or None when there is none or a living
    editor holds it; anything else in its place is set aside unread."""
    try:
        return journal_module.Journal.open_existing(path)
    except journal_module.Unusable as e:
        log("%s; it is set aside unread" % e)
        journal_module.set_aside(path)
    except OSError:
        pass
    return None


def keep_aside(jour, why, log):
    """Makes a recovery font of a journal that is not to be replayed; the
    notice that names it, or None when it held no glyph. When the font
    cannot be written, the journal is renamed aside and named instead."""
    try:
        recovered = save(jour, log)
    except OSError as e:
        jour.close()
        return kept_notice(journal_module.set_aside(jour.path), protocol.file_error_text(e))
    return notice(recovered, why) if recovered is not None else None


def abandoned_new_fonts(log):
    """Recovery fonts from the journals of new fonts whose editors are gone;
    a list of notices."""
    notices = []
    for path in journal_module.abandoned_new():
        jour = open_journal(path, log)
        if jour is not None:
            notices.append(keep_aside(jour, "new", log))
    return [n for n in notices if n]
