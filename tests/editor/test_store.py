"""The font store keeps other makers' fonts whole, and refuses what it could
not keep whole before anything is written."""

import hashlib
import os
import shutil
import subprocess

import pytest
from fontTools.ttLib import TTFont

import editor_client
import fonts
from glyphsmith import font as font_module
from glyphsmith import protocol

# Tables a save may decode and compile again, keeping their content.
RECOMPILED = {"glyf", "loca", "hmtx", "hhea", "vmtx", "vhea", "maxp", "head", "cmap", "post", "OS/2", "name",
              "GSUB", "hdmx", "LTSH"}
WRITTEN = (0x82A0, 0x82A2, 0x41)  # あ, い, A


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def write_three_glyphs(path, tmp_path):
    bmp = str(tmp_path / "glyph.bmp")
    editor_client.write_bmp(bmp, 96, editor_client.strokes(5, 96))
    font = font_module.Font.open(path)
    for code in WRITTEN:
        font.select(code, False)
        font.import_bitmap(bmp)
        font.clean_glyph()
        font.finish_glyph()
    font.save_to(path)
    font.close()


def assert_kept_whole(before_path, after_path):
    before, after = TTFont(before_path, lazy=True), TTFont(after_path, lazy=True)
    written = {before.getBestCmap().get(ord(bytes([c >> 8, c & 0xFF] if c > 0xFF else [c]).decode("cp932")))
               for c in WRITTEN} - {None}
    for tag in before.reader.keys():
        assert tag in after.reader, tag
        if tag not in RECOMPILED:
            assert before.reader[tag] == after.reader[tag], tag
    old_glyf, new_glyf = before["glyf"], after["glyf"]
    untouched = [n for n in before.getGlyphOrder() if n not in written]
    assert after.getGlyphOrder()[:len(before.getGlyphOrder())] == before.getGlyphOrder()
    for name in untouched:
        old, new = old_glyf.glyphs[name].data if hasattr(old_glyf.glyphs[name], "data") else b"", \
            new_glyf.glyphs[name].data if hasattr(new_glyf.glyphs[name], "data") else b""
        shorter, longer = sorted((old, new), key=len)
        assert longer.startswith(shorter) and not longer[len(shorter):].strip(b"\0"), name
        assert before["hmtx"][name] == after["hmtx"][name], name
    old_cmap, new_cmap = before.getBestCmap(), after.getBestCmap()
    assert all(new_cmap.get(u) == n for u, n in old_cmap.items())
    old_names = {(r.platformID, r.platEncID, r.langID, r.nameID): r.string for r in before["name"].names}
    new_names = {(r.platformID, r.platEncID, r.langID, r.nameID): r.string for r in after["name"].names}
    assert {k: v for k, v in old_names.items() if k[3] != 5} == {k: v for k, v in new_names.items() if k[3] != 5}
    for field in ("underlinePosition", "underlineThickness", "isFixedPitch", "italicAngle"):
        assert getattr(before["post"], field) == getattr(after["post"], field), field
    for field in ("fsType", "usWeightClass", "sTypoAscender", "sTypoDescender", "sTypoLineGap", "usWinAscent",
                  "usWinDescent", "achVendID", "fsSelection", "ulCodePageRange1"):
        assert getattr(before["OS/2"], field) == getattr(after["OS/2"], field), field
    for u in (0x3042, 0x3044, 0x41):
        assert after["glyf"][new_cmap[u]].numberOfContours > 0
    assert subprocess.run(["ots-sanitize", after_path, os.devnull], capture_output=True).returncode == 0


@pytest.mark.parametrize("source", [fonts.DEJAVU, fonts.IPAGOTHIC, "private"])
def test_other_makers_font_keeps_everything_it_had_after_three_glyphs(source, tmp_path):
    before = str(tmp_path / "before.ttf")
    if source == "private":
        fonts.other_makers_font(before)
    elif fonts.installed(source):
        shutil.copy(fonts.installed(source), before)
    else:
        pytest.skip("%s is not installed" % source)
    after = str(tmp_path / "after.ttf")
    shutil.copy(before, after)
    write_three_glyphs(after, tmp_path)
    assert_kept_whole(before, after)


@pytest.mark.parametrize("kind, words", [("collection", "コレクション"), ("cff", "CFF"), ("variable", "可変"),
                                         ("damaged", "壊れている"), ("noto", "コレクション")])
def test_fonts_that_cannot_be_kept_whole_are_refused_untouched(kind, words, tmp_path):
    path = str(tmp_path / ("font.ttc" if kind in ("collection", "noto") else "font.ttf"))
    if kind == "collection":
        fonts.collection(path)
    elif kind == "cff":
        fonts.cff_font(path)
    elif kind == "variable":
        fonts.variable_font(path)
    elif kind == "damaged":
        fonts.damaged(path, fonts.other_makers_font(str(tmp_path / "whole.ttf")))
    elif fonts.installed(fonts.NOTO_CJK):
        shutil.copy(fonts.installed(fonts.NOTO_CJK), path)
    else:
        pytest.skip("Noto CJK is not installed")
    was = digest(path)
    with pytest.raises(protocol.DispatchError) as refused:
        font_module.Font.open(path)
    assert refused.value.code == protocol.ERR_FONT_REFUSED
    assert words in refused.value.description and path in refused.value.description
    assert digest(path) == was
    assert not [n for n in os.listdir(tmp_path) if n.startswith(".")]  # nothing written beside it


@pytest.mark.parametrize("earlier_editor", [True, False])
def test_only_fonts_an_earlier_editor_made_lose_their_empty_glyphs(earlier_editor, tmp_path):
    from fontTools.fontBuilder import FontBuilder
    from fontTools.pens.ttGlyphPen import TTGlyphPen
    order = [".notdef", "uni3042", "uni3044", "uni3001", "uni3001.vert", "uni3000"]
    glyphs = {n: TTGlyphPen(None).glyph() for n in order}
    glyphs["uni3042"] = glyphs["uni3001"] = fonts.box(100, 0, 900, 800)
    fb = FontBuilder(1024, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({0x3042: "uni3042", 0x3044: "uni3044", 0x3001: "uni3001", 0x3000: "uni3000"})
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics({n: (1024, 0) for n in order})
    fb.setupHorizontalHeader(ascent=880, descent=-144)
    unique = "FontForge 2.0 : hand Regular : 1-12-2026" if earlier_editor else "Another Maker : hand"
    fb.setupNameTable({"familyName": "hand", "styleName": "Regular", "uniqueFontIdentifier": unique})
    fb.font["name"].setName("手書き", 1, 3, 1, 0x411)
    fb.setupOS2(sTypoAscender=880, sTypoDescender=-144)
    fb.setupPost()
    fb.addOpenTypeFeatures("feature vert { sub uni3001 by uni3001.vert; } vert;")
    path = str(tmp_path / "hand.ttf")
    fb.save(path)
    font = font_module.Font.open(path)
    # The ideographic space stays either way; a font of ours gets the other
    # spaces and a vertical form of 、 made from its glyph.
    expected = "20 8140 8141 8141v 82A0" if earlier_editor else "8140 8141 8141v 82A0 82A2"
    assert font.store.glyph_codes() == expected
    font.close()
