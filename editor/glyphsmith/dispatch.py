"""The members of the two automation objects by dispatch number and kind;
docs/automation.md describes each."""

from . import EDITOR_VERSION
from . import protocol
from .protocol import EMPTY, arg, value

VERSION = "%s (fontTools)" % EDITOR_VERSION

APP = {}
FONT = {}


def member(table, dispid, kind, name):
    def register(handler):
        table[(dispid, kind)] = (name, handler)
        return handler
    return register


# -- application object ---------------------------------------------------------

@member(APP, 4, "get", "Version")
def _version(app, conn, args):
    return value("string", VERSION)


@member(APP, 7, "put", "StartFlag")
def _put_start_flag(app, conn, args):
    app.start_flag = arg(args, 0, "bool")
    return EMPTY


@member(APP, 7, "get", "StartFlag")
def _get_start_flag(app, conn, args):
    return value("bool", app.start_flag)


@member(APP, 12, "get", "ActiveFont")
def _active_font(app, conn, args):
    return app.font_value(conn, app.active)


@member(APP, 13, "method", "NewFont")
def _new_font(app, conn, args):
    arg(args, 0, "short")
    arg(args, 1, "bool")
    return app.font_value(conn, app.new_font())


@member(APP, 14, "method", "OpenFont")
def _open_font(app, conn, args):
    return app.font_value(conn, app.open_font(arg(args, 0, "string")))


@member(APP, 22, "method", "GlyphStep3")
def _glyph_step3(app, conn, args):
    app.glyph_step3()
    return EMPTY


@member(APP, 111, "put", "BatchMode")
def _put_batch_mode(app, conn, args):
    app.set_batch(conn, arg(args, 0, "bool"))
    return EMPTY


@member(APP, 111, "get", "BatchMode")
def _get_batch_mode(app, conn, args):
    return value("bool", app.batch_owner is not None)


# -- font object ------------------------------------------------------------------

@member(FONT, 2, "get", "FilePath")
def _file_path(font, conn, args):
    return value("string", font.path)


@member(FONT, 7, "get", "PreservedValue")
def _get_preserved(font, conn, args):
    return value("short", font.store.weight())


@member(FONT, 7, "put", "PreservedValue")
def _put_preserved(font, conn, args):
    font.set_weight(arg(args, 0, "short"))
    return EMPTY


@member(FONT, 17, "method", "SelectGlyph")
def _select_glyph(font, conn, args):
    arg(args, 0, "short")
    font.select(arg(args, 1, "long"), arg(args, 2, "bool"))
    return EMPTY


@member(FONT, 20, "method", "Save")
def _save(font, conn, args):
    font.save_to(font.path)
    return EMPTY


@member(FONT, 29, "method", "GlyphStep1")
def _glyph_step1(font, conn, args):
    font.clear_glyph()
    return EMPTY


@member(FONT, 37, "method", "GlyphStep2")
def _glyph_step2(font, conn, args):
    font.set_advance()
    return EMPTY


@member(FONT, 39, "method", "ImportBitmap")
def _import_bitmap(font, conn, args):
    font.import_bitmap(arg(args, 0, "string"))
    return EMPTY


@member(FONT, 31, "method", "GlyphStep4")
def _glyph_step4(font, conn, args):
    font.finish_glyph()
    return EMPTY


@member(FONT, 40, "method", "SaveAs")
def _save_as(font, conn, args):
    font.save_as(arg(args, 0, "string"))
    return EMPTY


@member(FONT, 100, "get", "GlyphCodes")
def _glyph_codes(font, conn, args):
    return value("string", font.store.glyph_codes())


@member(FONT, 101, "method", "GlyphOutline")
def _glyph_outline(font, conn, args):
    return value("string", font.glyph_outline(arg(args, 0, "long"), arg(args, 1, "bool")))


@member(FONT, 102, "method", "RemoveGlyph")
def _remove_glyph(font, conn, args):
    font.remove_glyph(arg(args, 0, "long"), arg(args, 1, "bool"))
    return EMPTY


@member(FONT, 103, "method", "SaveCopy")
def _save_copy(font, conn, args):
    font.save_copy(arg(args, 0, "string"))
    return EMPTY


@member(FONT, 104, "get", "FamilyName")
def _get_family(font, conn, args):
    return value("string", font.store.family(False))


@member(FONT, 104, "put", "FamilyName")
def _put_family(font, conn, args):
    font.set_family(arg(args, 0, "string"), False)
    return EMPTY


@member(FONT, 105, "get", "FamilyNameJa")
def _get_family_ja(font, conn, args):
    return value("string", font.store.family(True))


@member(FONT, 105, "put", "FamilyNameJa")
def _put_family_ja(font, conn, args):
    font.set_family(arg(args, 0, "string"), True)
    return EMPTY


@member(FONT, 106, "get", "FontVersion")
def _get_version(font, conn, args):
    return value("string", font.store.version())


@member(FONT, 106, "put", "FontVersion")
def _put_version(font, conn, args):
    font.set_version(arg(args, 0, "string"))
    return EMPTY


@member(FONT, 107, "get", "Copyright")
def _get_copyright(font, conn, args):
    return value("string", font.store.copyright())


@member(FONT, 107, "put", "Copyright")
def _put_copyright(font, conn, args):
    font.set_copyright(arg(args, 0, "string"))
    return EMPTY


@member(FONT, 108, "get", "Metrics")
def _metrics(font, conn, args):
    return value("string", font.metrics())


@member(FONT, 109, "get", "RecoveredGlyphs")
def _recovered(font, conn, args):
    return value("long", font.recovered)


@member(FONT, 110, "get", "RecoveryNotice")
def _recovery_notice(font, conn, args):
    return value("string", font.recovery_notice())


def invoke(app, conn, handle, dispid, kind, args):
    """The answer value of one call; DispatchError or Failure otherwise."""
    if handle == 1:
        table, target = APP, app
    else:
        table, target = FONT, app.font(handle)
    found = table.get((dispid, kind))
    if found is None:
        raise protocol.Failure("%s has no member %r (%s)" % ("application" if handle == 1 else "font", dispid, kind))
    return found[1](target, conn, args)
