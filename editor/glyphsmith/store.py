"""A font over fontTools: the file as it was opened (the base) and the changes
made since (the overlay).

The base is the file's bytes, read once and never changed in memory; a
TTFont over them, loaded lazily, answers the queries. The overlay holds the
glyphs put or removed, the names, the version, the copyright and the weight,
exactly what the font's journal holds. Queries read the overlay over the
base. A save builds the new file from a fresh TTFont over the base bytes
with the overlay applied: only the tables the changes need are decoded and
compiled again, every other table is copied as it was, and so is the glyf
data of every glyph the overlay does not touch; the saved file then becomes
the base."""

import hashlib
import io

from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables.O_S_2f_2 import intersectUnicodeRanges
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable
from fontTools.ttLib.tables._g_l_y_f import Glyph

from . import cp932
from . import features
from . import madeforms
from . import naming
from . import newfont
from . import outline
from . import provenance
from . import spacing
from . import vertical

# Characters whose advance tells a font's full width, most telling first.
FULL_WIDTH_PROBES = (0x3042, 0x30A2, 0x4E00, 0x65E5, 0x3000, 0x3001, 0xFF21, 0xFF10)


class _Removed:
    def __repr__(self):
        return "REMOVED"


REMOVED = _Removed()


def default_name(unicode):
    return "uni%04X" % unicode if unicode <= 0xFFFF else "u%X" % unicode


def unicode_of(name):
    """The character of a glyph named uniXXXX or uXXXX[XX], or None."""
    for prefix, digits in (("uni", (4,)), ("u", (4, 5, 6))):
        rest = name[len(prefix):]
        if name.startswith(prefix) and len(rest) in digits and all(c in "0123456789ABCDEF" for c in rest):
            return int(rest, 16)
    return None


def _raw_box(glyph):
    """The box of a glyf entry as stored, without decoding a raw one;
    None for an empty glyph."""
    if hasattr(glyph, "data"):
        return outline.raw_box(glyph.data)
    if not glyph.numberOfContours:
        return None
    return (glyph.xMin, glyph.yMin, glyph.xMax, glyph.yMax)


class Base:
    """The font file as opened: its bytes and a lazy TTFont over them for
    the queries."""

    def __init__(self, data, new=False):
        self.data = data
        self.new = new
        self.digest = hashlib.sha256(data).hexdigest()
        self.font = TTFont(io.BytesIO(data), lazy=True, recalcBBoxes=False)
        self._cmap = None
        self._mapped = None
        self._vert = None
        self._order = None

    @property
    def cmap(self):
        if self._cmap is None:
            self._cmap = dict(self.font.getBestCmap() or {})
        return self._cmap

    @property
    def mapped(self):
        """The names of the glyphs the cmap reaches."""
        if self._mapped is None:
            self._mapped = set(self.cmap.values())
        return self._mapped

    @property
    def vert(self):
        if self._vert is None:
            self._vert = vertical.mapping(self.font)
        return self._vert

    @property
    def order(self):
        if self._order is None:
            self._order = set(self.font.getGlyphOrder())
        return self._order

    def box(self, name):
        glyph = self.font["glyf"].glyphs.get(name)
        return _raw_box(glyph) if glyph is not None else None

    def advance(self, name):
        return self.font["hmtx"][name][0]

    def data_of(self, name):
        """The glyf data of a glyph as stored."""
        glyf = self.font["glyf"]
        glyph = glyf.glyphs[name]
        return glyph.data if hasattr(glyph, "data") else glyph.compile(glyf)

    @property
    def has_vert(self):
        if "GSUB" not in self.font:
            return False
        table = self.font["GSUB"].table
        return bool(table.FeatureList) and any(r.FeatureTag == "vert" for r in table.FeatureList.FeatureRecord)

    def draw(self, name, pen):
        glyf = self.font["glyf"]
        glyf[name].draw(pen, glyf)


class Overlay:
    def __init__(self):
        self.glyphs = {}  # (unicode, vertical) -> outline.Finished or REMOVED
        self.family = None  # (English, Japanese) as the user named the font
        self.version = None
        self.copyright = None
        self.weight = None

    def empty(self):
        return not self.glyphs and self.family is None and self.version is None and self.copyright is None \
            and self.weight is None


class FontStore:
    def __init__(self, base):
        self.base = base
        self.overlay = Overlay()
        self.measure()
        self.ours = base.new or provenance.ours(base.font)
        self._base_codes = None

    # -- geometry -----------------------------------------------------------------

    def measure(self):
        """The em box the bitmap square maps onto (the typographic ascent and
        descent, scaled to sum to the em) and the full width."""
        font = self.base.font
        self.em = em = font["head"].unitsPerEm
        ascent = descent = 0
        if "OS/2" in font:
            ascent, descent = font["OS/2"].sTypoAscender, -font["OS/2"].sTypoDescender
        if ascent + descent <= 0 and "hhea" in font:
            ascent, descent = font["hhea"].ascent, -font["hhea"].descent
        if ascent + descent <= 0:
            ascent, descent = newfont.ASCENT, newfont.DESCENT
        self.box_top = round(ascent * em / (ascent + descent))
        self.box_bottom = self.box_top - em
        self.full_width = em
        cmap = self.base.cmap
        for unicode in FULL_WIDTH_PROBES:
            name = cmap.get(unicode)
            if name and self.base.advance(name) > 0 and (self.base.box(name) or unicode == 0x3000):
                self.full_width = self.base.advance(name)
                break

    # -- queries --------------------------------------------------------------------

    def base_name(self, unicode):
        """The base glyph of a character, or of its twin when the font maps
        only that."""
        cmap = self.base.cmap
        found = cmap.get(unicode)
        if found is None and unicode in cp932.TWIN_OF:
            found = cmap.get(cp932.TWIN_OF[unicode])
        return found

    def base_vertical_name(self, unicode):
        """The base glyph of a character's vertical form: the target of its
        substitution, else a glyph named after it with ".vert" that has an
        outline (drawn before the character)."""
        base_name = self.base_name(unicode)
        if base_name and base_name in self.base.vert:
            return self.base.vert[base_name]
        name = (base_name or default_name(unicode)) + ".vert"
        if name in self.base.order and self.base.box(name):
            return name
        return None

    def default_space(self, unicode):
        """The empty glyph every font of ours has for a space."""
        if not self.ours or unicode not in newfont.SPACES:
            return None
        return outline.Finished(b"", round(self.full_width * newfont.SPACES[unicode][1]), None, 0, 0)

    def upright(self, unicode):
        """outline.Finished from the overlay (or made), a base glyph name,
        or None."""
        put = self.overlay.glyphs.get((unicode, False))
        if put is REMOVED:
            found = None
        elif put is not None:
            found = self.respaced(unicode, put)
        else:
            found = self.base_name(unicode)
            if found is not None and self.ours and spacing.proportional(unicode):
                found = self.respaced(unicode, found)
        return found if found is not None else self.default_space(unicode)

    def respaced(self, unicode, found):
        """A single-byte glyph of ours with the width from its ink (see
        spacing); found itself when it has it already."""
        if not self.ours or not spacing.proportional(unicode):
            return found
        if isinstance(found, outline.Finished):
            data, advance, box = found.data, found.advance, found.box
        else:
            data, advance, box = None, self.base.advance(found), self.base.box(found)
        placed = spacing.placement(unicode, box, self.em, self.full_width)
        if placed is None or placed == (0, advance):
            return found
        contours = madeforms.points_of(data if data is not None else self.base.data_of(found))
        if not contours:
            return found
        return outline.finish(spacing.shifted(contours, placed[0]), placed[1])

    def drawn_vertical(self, unicode):
        """The vertical form the user drew (outline.Finished or a base glyph
        name), or None. In a font of another maker whose glyph of the
        character was rewritten here, its own vertical form belonged to the
        glyph that was replaced."""
        put = self.overlay.glyphs.get((unicode, True))
        if put is REMOVED:
            return None
        if put is not None:
            return put
        name = self.base_vertical_name(unicode)
        if name is None or name.endswith(madeforms.SUFFIX):
            return None
        if self.makes_form_for(unicode) and not self.ours:
            return None
        return name

    def makes_form_for(self, unicode):
        """Whether the editor makes a vertical form of the character from
        its upright glyph: in fonts of ours, and in fonts of other makers
        with a 'vert' feature for the glyphs written here."""
        if madeforms.kind(unicode) is None:
            return False
        if self.ours:
            return True
        put = self.overlay.glyphs.get((unicode, False))
        return put is not None and put is not REMOVED and self.base.has_vert

    def made_vertical(self, unicode):
        """The vertical form made from the upright glyph, or None."""
        if not self.makes_form_for(unicode):
            return None
        found = self.upright(unicode)
        if found is None:
            return None
        data = found.data if isinstance(found, outline.Finished) else self.base.data_of(found)
        return madeforms.made_glyph(unicode, data, self.full_width, self.box_top, self.box_bottom)

    def has_ink(self, found):
        if isinstance(found, outline.Finished):
            return found.box is not None
        return found is not None and self.base.box(found) is not None

    def has_vertical(self, unicode):
        if self.drawn_vertical(unicode) is not None:
            return True
        return self.makes_form_for(unicode) and self.has_ink(self.upright(unicode))

    def state(self, unicode, vertical):
        """outline.Finished from the overlay (or made), a base glyph name,
        or None."""
        if not vertical:
            return self.upright(unicode)
        found = self.drawn_vertical(unicode)
        return found if found is not None else self.made_vertical(unicode)

    def _codes_of(self, unicodes):
        codes = {}
        for unicode in unicodes:
            code = cp932.code(unicode)
            if code is None:
                continue
            kinds = [self.upright(unicode) is not None, self.has_vertical(unicode)]
            if any(kinds):
                codes[code] = kinds
        return codes

    def _codes_of_base(self):
        if self._base_codes is None:
            unicodes = set(self.base.cmap)
            unicodes.update(cp932.TWIN_OF[u] for u in self.base.cmap if u in cp932.TWIN_OF)
            reached = set(self.base.vert.values())
            mapped = self.base.mapped
            for name in self.base.order:
                if name.endswith(".vert") and name not in reached and name not in mapped and self.base.box(name):
                    unicode = unicode_of(name[:-5])
                    if unicode is not None:
                        unicodes.add(unicode)
            if self.ours:
                unicodes.update(newfont.SPACES)
            self._base_codes = self._codes_of(unicodes)
        return self._base_codes

    def glyph_codes(self):
        codes = dict(self._codes_of_base())
        touched = {u for u, _ in self.overlay.glyphs}
        for unicode in touched:
            code = cp932.code(unicode)
            if code is not None:
                codes.pop(code, None)
        codes.update(self._codes_of(touched))
        out = []
        for code in sorted(codes):
            if codes[code][0]:
                out.append("%X" % code)
            if codes[code][1]:
                out.append("%Xv" % code)
        return " ".join(out)

    def outline_text(self, unicode, vertical):
        found = self.state(unicode, vertical)
        if found is None:
            return ""
        if isinstance(found, outline.Finished):
            pen = outline.OutlineTextPen(found.advance)
            if found.data:
                glyph = Glyph(found.data)
                glyph.expand(None)
                if glyph.numberOfContours:
                    glyph.draw(pen, None)
            return pen.text()
        pen = outline.OutlineTextPen(self.base.advance(found))
        self.base.draw(found, pen)
        return pen.text()

    def family(self, japanese):
        if self.overlay.family is not None:
            return self.overlay.family[1 if japanese else 0]
        return naming.family(self.base.font["name"], japanese)

    def version(self):
        if self.overlay.version is not None:
            return self.overlay.version
        return naming.version(self.base.font["name"], self.base.font["head"])

    def copyright(self):
        if self.overlay.copyright is not None:
            return self.overlay.copyright
        return naming.copyright_notice(self.base.font["name"])

    def weight(self):
        if self.overlay.weight is not None:
            return self.overlay.weight
        return self.base.font["OS/2"].usWeightClass if "OS/2" in self.base.font else newfont.WEIGHT

    # -- changes (the journal is the caller's) --------------------------------------

    def put(self, unicode, vertical, finished):
        self.overlay.glyphs[(unicode, vertical)] = finished

    def remove(self, unicode, vertical):
        """Vertical false takes the character and its vertical form out,
        vertical true the vertical form alone."""
        self.overlay.glyphs[(unicode, True)] = REMOVED
        if not vertical:
            self.overlay.glyphs[(unicode, False)] = REMOVED

    def set_family(self, name, japanese):
        english = name if not japanese else (self.family(False) or name)
        ja = name if japanese else (self.family(True) or name)
        self.overlay.family = (english, ja)

    # -- building the file ----------------------------------------------------------

    def build(self, names=None, version=None):
        """The bytes of the font with the overlay applied; names (English,
        Japanese) and version, when given, are written too."""
        return _Builder(self, names, version).run()


class _Builder:
    def __init__(self, store, names, version):
        self.store = store
        self.names = names
        self.version = version
        self.font = TTFont(io.BytesIO(store.base.data), lazy=True, recalcBBoxes=False)

    def run(self):
        store, font = self.store, self.font
        overlay = store.overlay
        self.order = list(font.getGlyphOrder())
        self.known = set(self.order)
        self.added = []
        self.puts = {}
        self.mapping, self.unmap = {}, set()
        self.vert_add, self.vert_remove = {}, set()
        self.vertical_names = {}
        if overlay.glyphs:
            self.glyphs()
        if store.ours:
            self.house_glyphs()
        if self.puts or self.mapping or self.unmap:
            self.write_glyphs()
        if store.ours:
            self.house_tables()
        if self.names is not None or overlay.family is not None:
            english, japanese = self.names if self.names is not None else overlay.family
            naming.write_family(font["name"], english, japanese)
        if overlay.copyright is not None:
            naming.write_copyright(font["name"], overlay.copyright)
        version = self.version or overlay.version
        if version is not None:
            naming.write_version(font["name"], font["head"], version)
        if overlay.weight is not None:
            font["OS/2"].usWeightClass = overlay.weight
        out = io.BytesIO()
        font.save(out, reorderTables=False)
        return out.getvalue()

    # -- glyphs ---------------------------------------------------------------------

    def empty(self, name):
        return outline.Finished(b"", self.store.base.advance(name), None, 0, 0)

    def glyphs(self):
        """The glyphs the user put or removed, with their cmap entries (both
        twins of a code) and vertical substitutions."""
        store = self.store
        base = store.base
        puts, mapping, unmap = self.puts, self.mapping, self.unmap
        vert_add, vert_remove = self.vert_add, self.vert_remove
        for unicode in sorted({u for u, _ in store.overlay.glyphs}):
            char = store.overlay.glyphs.get((unicode, False))
            form = store.overlay.glyphs.get((unicode, True))
            base_name = store.base_name(unicode)
            twin = cp932.TWINS.get(unicode)
            if char is REMOVED:
                char_name = None
                if base_name:
                    unmap.update(u for u in (unicode, twin) if u is not None and base.cmap.get(u) == base_name)
                    vert_remove.add(base_name)
                    if store.ours:  # no outline left behind in our own fonts
                        puts[base_name] = self.empty(base_name)
            elif char is not None:
                char_name = base_name or self.reusable(default_name(unicode)) or self.fresh(default_name(unicode))
                puts[char_name] = store.upright(unicode)
                mapping[unicode] = char_name
                if twin is not None:
                    mapping[twin] = char_name
            else:
                char_name = base_name
            base_form = store.base_vertical_name(unicode)
            if form is REMOVED:
                if base_name:
                    vert_remove.add(base_name)
                own = (base_name or default_name(unicode)) + ".vert"
                if base_form == own and base_form not in base.mapped:
                    puts[base_form] = self.empty(base_form)
            elif form is not None:
                if base_form and not base_form.endswith(madeforms.SUFFIX):
                    form_name = base_form
                else:
                    form_name = self.reusable((char_name or default_name(unicode)) + ".vert") \
                        or self.fresh((char_name or default_name(unicode)) + ".vert")
                puts[form_name] = form
                self.vertical_names[unicode] = form_name
                if char_name:
                    vert_add[char_name] = form_name
            elif char is not None and char is not REMOVED and base_form and base.vert.get(char_name) != base_form \
                    and not store.makes_form_for(unicode):
                vert_add[char_name] = base_form  # drawn before its character, reached now
            if not store.ours and char_name and store.makes_form_for(unicode) and store.drawn_vertical(unicode) is None:
                made = store.made_vertical(unicode)
                if made is not None:  # another maker's glyph rewritten: its vertical form follows
                    target = base_form if base_form and base_form not in puts else \
                        (self.reusable(char_name + madeforms.SUFFIX) or self.fresh(char_name + madeforms.SUFFIX))
                    puts[target] = made
                    vert_add[char_name] = target

    def final_cmap(self):
        cmap = {u: n for u, n in self.store.base.cmap.items() if u not in self.unmap}
        cmap.update(self.mapping)
        return cmap

    def box_of(self, name):
        if name in self.puts:
            return self.puts[name].box
        return self.store.base.box(name)

    def advance_of(self, name):
        if name in self.puts:
            return self.puts[name].advance
        return self.store.base.advance(name)

    def house_glyphs(self):
        """What every font of ours has besides what the user drew: the
        spaces, both twins of a code, widths from the ink for single-byte
        glyphs, and vertical forms made from the upright glyphs (see
        madeforms); a made form that is no longer needed is left empty."""
        store, puts, mapping = self.store, self.puts, self.mapping
        cmap = self.final_cmap()
        for unicode, (name, _share) in newfont.SPACES.items():
            if unicode not in cmap:
                name = self.reusable(name) or self.fresh(name)
                puts[name] = store.default_space(unicode)
                mapping[unicode] = cmap[unicode] = name
        if cmap.get(newfont.NO_BREAK_SPACE) != cmap[0x20]:
            mapping[newfont.NO_BREAK_SPACE] = cmap[newfont.NO_BREAK_SPACE] = cmap[0x20]
        for own, twin in cp932.TWINS.items():
            if own in cmap and cmap.get(twin) != cmap[own]:
                mapping[twin] = cmap[twin] = cmap[own]
        for unicode, name in cmap.items():
            if spacing.proportional(unicode) and name not in puts:
                found = store.respaced(unicode, name)
                if found is not name:
                    puts[name] = found
        twins = set(cp932.TWINS.values())
        vert = {}
        for unicode, name in sorted(cmap.items()):
            if unicode in twins:
                continue
            drawn = store.drawn_vertical(unicode)
            if drawn is not None:
                vert[name] = self.vertical_names[unicode] if isinstance(drawn, outline.Finished) else drawn
                continue
            made = store.made_vertical(unicode)
            if made is not None:
                target = name + madeforms.SUFFIX
                if target not in self.known:
                    target = self.fresh(target)
                puts[target] = made
                vert[name] = target
        reached = set(vert.values())
        for name in store.base.order:
            if name.endswith(madeforms.SUFFIX) and name not in reached and name not in puts and store.base.box(name):
                puts[name] = self.empty(name)
        self.house_vert = vert

    def write_glyphs(self):
        font, store = self.font, self.store
        font.setGlyphOrder(self.order)
        glyf = font["glyf"]
        glyf.glyphOrder = self.order
        self.put_glyphs(glyf, self.puts)
        self.cmap(self.mapping, self.unmap)
        if not store.ours:
            vert_add, vert_remove, base = self.vert_add, self.vert_remove, store.base
            if any(base.vert.get(k) != v for k, v in vert_add.items()) or \
                    any(k in base.vert for k in vert_remove - set(vert_add)):
                vertical.apply(font, vert_add, vert_remove - set(vert_add))
        self.device_metrics()

    def house_tables(self):
        """The layout features and the metrics of every font of ours."""
        store, font = self.store, self.font
        cmap = self.final_cmap()
        em, full, top = store.em, store.full_width, store.box_top
        palt, vpal = {}, {}
        for unicode, name in cmap.items():
            if not spacing.kana_or_punctuation(unicode) or self.advance_of(name) != full:
                continue
            box = self.box_of(name)
            if box is None:
                continue
            across = spacing.proportional_adjustment(box[0], box[2], 0, full, em)
            if across is not None:
                palt[name] = across
            form = self.house_vert.get(name, name)
            box = self.box_of(form)
            down = spacing.proportional_adjustment(top - box[3], top - box[1], 0, em, em) if box else None
            if down is not None:
                vpal[form] = (-down[0], down[1])
        features.build(font, self.house_vert, palt, vpal)
        newfont.house_metrics(font, store.box_top, store.box_bottom, cmap)
        if "OS/2" in font:
            font["OS/2"].recalcAvgCharWidth(font)

    def reusable(self, name):
        """A glyph of that name that a removal left empty and unmapped."""
        base = self.store.base
        if name in base.order and not base.box(name) and name not in base.mapped:
            return name
        return None

    def fresh(self, name):
        candidate, number = name, 1
        while candidate in self.known:
            candidate = "%s.%d" % (name, number)
            number += 1
        self.known.add(candidate)
        self.order.append(candidate)
        self.added.append(candidate)
        return candidate

    def put_glyphs(self, glyf, puts):
        store, font = self.store, self.font
        em, top = store.em, store.box_top
        hmtx = font["hmtx"]
        if "vmtx" not in font:
            self.add_vertical_metrics(glyf)
        vmtx, vhea = font["vmtx"], font["vhea"]
        hhea, head, maxp = font["hhea"], font["head"], font["maxp"]
        for name, glyph in puts.items():
            glyf.glyphs[name] = Glyph(glyph.data)
            box = glyph.box
            hmtx.metrics[name] = (glyph.advance, box[0] if box else 0)
            vmtx.metrics[name] = (em, top - box[3] if box else 0)
            hhea.advanceWidthMax = max(hhea.advanceWidthMax, glyph.advance)
            vhea.advanceHeightMax = max(vhea.advanceHeightMax, em)
            if box is None:
                continue
            x0, y0, x1, y1 = box
            hhea.minLeftSideBearing = min(hhea.minLeftSideBearing, x0)
            hhea.minRightSideBearing = min(hhea.minRightSideBearing, glyph.advance - x1)
            hhea.xMaxExtent = max(hhea.xMaxExtent, x1)
            vhea.minTopSideBearing = min(vhea.minTopSideBearing, top - y1)
            vhea.minBottomSideBearing = min(vhea.minBottomSideBearing, em - (top - y0))
            vhea.yMaxExtent = max(vhea.yMaxExtent, top - y0)
            if head.xMin == head.xMax == head.yMin == head.yMax == 0:
                head.xMin, head.yMin, head.xMax, head.yMax = box
            head.xMin, head.yMin = min(head.xMin, x0), min(head.yMin, y0)
            head.xMax, head.yMax = max(head.xMax, x1), max(head.yMax, y1)
            maxp.maxPoints = max(maxp.maxPoints, glyph.points)
            maxp.maxContours = max(maxp.maxContours, glyph.contours)
        for name in self.added:
            if name not in puts:  # named but left empty: never, kept for safety
                glyf.glyphs[name] = Glyph()
                hmtx.metrics[name] = (0, 0)
                vmtx.metrics[name] = (em, 0)

    def add_vertical_metrics(self, glyf):
        """Vertical metrics for a font that had none: every glyph one em
        high, measured from the top of the em box."""
        store, font = self.store, self.font
        em, top = store.em, store.box_top
        vmtx = font["vmtx"] = newTable("vmtx")
        vmtx.metrics = {}
        tops = []
        for name in self.order:
            glyph = glyf.glyphs.get(name)
            box = _raw_box(glyph) if glyph is not None else None
            vmtx.metrics[name] = (em, top - box[3] if box else 0)
            if box:
                tops.append((top - box[3], em - (top - box[1]), top - box[1]))
        vhea = font["vhea"] = newTable("vhea")
        vhea.tableVersion = 0x00011000
        vhea.ascent, vhea.descent, vhea.lineGap = em // 2, em // 2 - em, 0
        vhea.advanceHeightMax = em
        vhea.minTopSideBearing = min((t[0] for t in tops), default=0)
        vhea.minBottomSideBearing = min((t[1] for t in tops), default=0)
        vhea.yMaxExtent = max((t[2] for t in tops), default=0)
        vhea.caretSlopeRise, vhea.caretSlopeRun, vhea.caretOffset = 0, 1, 0
        vhea.reserved1 = vhea.reserved2 = vhea.reserved3 = vhea.reserved4 = 0
        vhea.metricDataFormat = 0
        vhea.numberOfVMetrics = len(self.order)

    def cmap(self, mapping, unmap):
        if not mapping and not unmap:
            return
        font = self.font
        table = font["cmap"]
        subtables = [t for t in table.tables if t.isUnicode() and t.format in (4, 12)]
        if not subtables and mapping:
            sub = CmapSubtable.newSubtable(4)
            sub.platformID, sub.platEncID, sub.language, sub.cmap = 3, 1, 0, {}
            table.tables.append(sub)
            table.tables.sort(key=lambda t: (t.platformID, t.platEncID, t.language))
            subtables = [sub]
        for sub in subtables:
            for unicode in unmap:
                sub.cmap.pop(unicode, None)
            for unicode, name in mapping.items():
                if unicode <= 0xFFFF or sub.format == 12:
                    sub.cmap[unicode] = name
        if "OS/2" in font and mapping:
            os2 = font["OS/2"]
            bits = os2.getUnicodeRanges() | intersectUnicodeRanges(mapping)
            os2.setUnicodeRanges(bits)

    def device_metrics(self):
        """Tables with an entry per glyph that the new glyphs need too."""
        font, added = self.font, self.added
        if not added:
            return
        em = self.store.em
        if "hdmx" in font:
            hmtx = font["hmtx"]
            for ppem, widths in font["hdmx"].hdmx.items():
                for name in added:
                    widths[name] = round(hmtx[name][0] * ppem / em)
        if "LTSH" in font:
            for name in added:
                font["LTSH"].yPels[name] = 1

