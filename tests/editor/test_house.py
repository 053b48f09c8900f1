"""What every font of ours carries besides the user's drawings (spaces, twin
codes, vertical forms made from the upright glyphs, line metrics, widths
from the ink, OS/2 fields), through the real editor; and what a font of
another maker gets: only what a glyph written into it needs."""

import io
import os
import signal
import subprocess

import pytest
from fontTools.ttLib import TTFont

import editor_client as ec
import fonts
from glyphsmith import font as font_module
from glyphsmith import newfont

SIZE = 128
SB = 1024 // 16  # the side bearing of proportional glyphs in an em of 1024


def rect(x0, y0, x1, y1):
    """Ink in a rectangle given in canvas dots from the bottom left."""
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


SHAPES = {  # code: (vertical, ink)
    0x8141: rect(16, 8, 40, 30),  # 、 low left
    0x82A1: rect(30, 10, 80, 60),  # ぃ
    0x815B: rect(14, 60, 114, 72),  # ー across the middle
    0x8175: lambda x, y: (64 <= x < 112 and 100 <= y < 110) or (64 <= x < 74 and 40 <= y < 110),  # 「
    0x8160: rect(10, 60, 118, 70),  # ～ (the wave simplified)
    0x82A0: rect(20, 20, 110, 110),  # あ
    0x69: rect(30, 20, 38, 90),  # i: narrow
    0x41: rect(10, 20, 60, 90),  # A: wide
    0x31: rect(30, 20, 40, 90),  # 1
}


@pytest.fixture
def editor(runtime):
    process, path = ec.start_editor(runtime)
    client = ec.Client(path)
    yield process, client
    client.close()
    if process.poll() is None:
        process.kill()
        process.wait()


def bitmap(tmp_path, code, inked):
    path = str(tmp_path / ("%X.bmp" % code))
    ec.write_bmp(path, SIZE, inked)
    return path


def single_lookups(font, tag):
    table = font["GSUB"].table
    found = {}
    for record in table.FeatureList.FeatureRecord:
        if record.FeatureTag == tag:
            for index in record.Feature.LookupListIndex:
                for sub in table.LookupList.Lookup[index].SubTable:
                    found.update(sub.mapping)
    return found


def test_new_font_sets_like_a_japanese_font(editor, tmp_path):
    _process, client = editor
    font = ec.new_font(client)
    for code, inked in SHAPES.items():
        font.import_bitmap(bitmap(tmp_path, code, inked), code)
    # Made forms are listed, spaces too; only あ, A, i and 1 have none.
    codes = font.codes().split()
    assert codes == ["20", "31", "41", "69", "8140", "8141", "8141v", "815B", "815Bv", "8160", "8160v",
                     "8175", "8175v", "82A0", "82A1", "82A1v"]
    # A drawn vertical form replaces the made one at once; removing it
    # brings the made one back.
    made = client.call(font.handle, 101, "method", ec.long(0x815B), ec.boolean(True))
    font.import_bitmap(bitmap(tmp_path, 0x815B + 1, rect(58, 10, 70, 118)), 0x815B, vertical=True)
    drawn = client.call(font.handle, 101, "method", ec.long(0x815B), ec.boolean(True))
    assert drawn != made
    client.call(font.handle, 102, "method", ec.long(0x815B), ec.boolean(True))
    assert client.call(font.handle, 101, "method", ec.long(0x815B), ec.boolean(True)) == made
    assert font.codes().split() == codes
    proportional = client.call(font.handle, 101, "method", ec.long(0x69), ec.boolean(False))
    path = str(tmp_path / "てがき.ttf")
    font.save_as(path)
    assert client.call(font.handle, 108, "get") == "1024 880 144 1024"  # the em box stays

    ttf = TTFont(path)
    cmap, hmtx, glyf = ttf.getBestCmap(), ttf["hmtx"], ttf["glyf"]
    # Spaces, and both twins of 0x8160.
    assert cmap[0x20] == cmap[0xA0] and hmtx[cmap[0x20]][0] == 512 and glyf[cmap[0x20]].numberOfContours == 0
    assert hmtx[cmap[0x3000]][0] == 1024 and glyf[cmap[0x3000]].numberOfContours == 0
    assert cmap[0x301C] == cmap[0xFF5E]
    # Vertical forms: moved to the other corner, or turned a quarter
    # clockwise about the centre of the em box (0, -144)-(1024, 880).
    vert = single_lookups(ttf, "vert")
    assert vert == single_lookups(ttf, "vrt2")
    assert set(vert) == {cmap[u] for u in (0x3001, 0x30FC, 0x300C, 0xFF5E, 0x3043)}

    def box(name):
        g = glyf[name]
        return g.xMin, g.yMin, g.xMax, g.yMax
    x0, y0, x1, y1 = box(cmap[0x3001])
    assert box(vert[cmap[0x3001]]) == (1024 - x1, 736 - y1, 1024 - x0, 736 - y0)
    x0, y0, x1, y1 = box(cmap[0x30FC])
    assert box(vert[cmap[0x30FC]]) == (y0 + 144, 880 - x1, y1 + 144, 880 - x0)
    assert all(ttf["vmtx"][n][0] == 1024 for n in vert.values())
    # One line height of about 1.45 em whichever metrics a program reads.
    os2, hhea = ttf["OS/2"], ttf["hhea"]
    assert (os2.sTypoAscender, os2.sTypoDescender) == (880, -144)
    assert hhea.ascent - hhea.descent + hhea.lineGap == os2.usWinAscent + os2.usWinDescent \
        == os2.sTypoAscender - os2.sTypoDescender + os2.sTypoLineGap == 1480
    assert hhea.lineGap == 0 and not os2.fsSelection & 0x80
    assert (ttf["post"].underlinePosition, ttf["post"].underlineThickness) == (-123, 51)
    # Widths from the ink: the same side bearing on both sides; digits at
    # half the em with their ink centred.
    for unicode in (0x41, 0x69):
        g = glyf[cmap[unicode]]
        assert hmtx[cmap[unicode]] == (g.xMax - g.xMin + 2 * SB, SB)
    assert proportional.startswith("A %d " % hmtx[cmap[0x69]][0])
    one = glyf[cmap[0x31]]
    assert hmtx[cmap[0x31]][0] == 512 and abs(one.xMin - (512 - one.xMax)) <= 1
    assert hmtx[cmap[0x3042]][0] == 1024
    # Proportional kana and punctuation only on request.
    gpos = ttf["GPOS"].table
    assert sorted(r.FeatureTag for r in gpos.FeatureList.FeatureRecord) == ["palt", "vpal"]
    assert all(s.Script.DefaultLangSys.ReqFeatureIndex == 0xFFFF for s in gpos.ScriptList.ScriptRecord)
    palt = {}
    for record in gpos.FeatureList.FeatureRecord:
        if record.FeatureTag == "palt":
            for index in record.Feature.LookupListIndex:
                for sub in gpos.LookupList.Lookup[index].SubTable:
                    for name in sub.Coverage.glyphs:
                        value = sub.Value if sub.Format == 1 else sub.Value[sub.Coverage.glyphs.index(name)]
                        palt[name] = (value.XPlacement, value.XAdvance)
    comma = glyf[cmap[0x3001]]
    assert palt[cmap[0x3001]] == (SB - comma.xMin, comma.xMax - comma.xMin + 2 * SB - 1024)
    assert cmap[0x41] not in palt
    # What the font says of itself.
    assert os2.achVendID == "QLRY" and os2.panose.bFamilyType == 3
    assert os2.getUnicodeRanges() >= {0, 48, 49}  # Latin, CJK punctuation, hiragana
    assert os2.ulCodePageRange1 == (1 << 0) | (1 << 17) and os2.usBreakChar in cmap
    names = ttf["name"]
    assert (names.getDebugName(1), names.getDebugName(6)) == ("Tegaki", "Tegaki-Regular")
    assert str(names.getName(1, 3, 1, 0x411)) == "てがき"
    assert subprocess.run(["ots-sanitize", path, os.devnull], capture_output=True).returncode == 0


def test_names_the_user_gave_stay_through_save_as(editor, tmp_path):
    _process, client = editor
    font = ec.new_font(client)
    client.call(font.handle, 105, "put", "わたしの字")
    font.save_as(str(tmp_path / "my hand.ttf"))  # English from the file, Japanese as given
    assert client.call(font.handle, 104, "get") == "my hand"
    assert client.call(font.handle, 105, "get") == "わたしの字"
    other = ec.new_font(client)
    other.save_as(str(tmp_path / "手書き.ttf"))
    client.call(other.handle, 104, "put", "Brush")  # the client names it right after
    other.save()
    names = TTFont(str(tmp_path / "手書き.ttf"))["name"]
    assert (names.getDebugName(1), names.getDebugName(6)) == ("Brush", "Brush-Regular")
    assert str(names.getName(1, 3, 1, 0x411)) == "手書き"


def test_font_an_earlier_editor_made_follows_the_rules_at_its_next_save(tmp_path):
    old = TTFont(io.BytesIO(newfont.build()))  # as the editor wrote it before it had a vendor code
    old["OS/2"].achVendID = "\0\0\0\0"
    old["OS/2"].fsSelection |= 0x80
    old["hhea"].ascent, old["hhea"].descent = 880, -144
    path = str(tmp_path / "old.ttf")
    old.save(path)
    font = font_module.Font.open(path)
    font.select(0x41, False)
    font.import_bitmap(bitmap(tmp_path, 0x41, SHAPES[0x41]))
    font.finish_glyph()
    font.save_to(path)
    font.close()
    ttf = TTFont(path)
    assert ttf["OS/2"].achVendID == "QLRY" and not ttf["OS/2"].fsSelection & 0x80
    assert ttf["hhea"].ascent - ttf["hhea"].descent == 1480


def test_other_makers_font_gets_only_what_the_written_glyphs_need(tmp_path):
    fb = fonts.builder()
    order = fb.font.getGlyphOrder() + ["uni30FC", "uni30FC.vert"]
    from fontTools.fontBuilder import FontBuilder
    with_vert = str(tmp_path / "with_vert.ttf")
    build = FontBuilder(2048, isTTF=True)
    build.setupGlyphOrder(order)
    build.setupCharacterMap({0x41: "A", 0x4E00: "uni4E00", 0x30FC: "uni30FC"})
    shapes = {".notdef": (100, 0, 900, 1600), "A": (100, 0, 900, 1400), "uni4E00": (100, 700, 1900, 900),
              "uni30FC": (100, 700, 1900, 900), "uni30FC.vert": (900, -200, 1100, 1600)}
    build.setupGlyf({n: fonts.box(*shapes[n]) for n in order})
    build.setupHorizontalMetrics({n: (1000 if n == "A" else 2000, shapes[n][0]) for n in order})
    build.setupHorizontalHeader(ascent=1900, descent=-500)
    build.setupNameTable({"familyName": "Other Vert", "styleName": "Regular"})
    build.setupOS2(sTypoAscender=1802, sTypoDescender=-246, usWinAscent=1900, usWinDescent=500, achVendID="OTHR",
                   fsSelection=0xC0)
    build.setupPost()
    build.addOpenTypeFeatures("feature vert { sub uni30FC by uni30FC.vert; } vert;")
    build.save(with_vert)
    without_vert = str(tmp_path / "without_vert.ttf")
    fonts.builder().save(without_vert)
    for path in (with_vert, without_vert):
        before = TTFont(path)
        font = font_module.Font.open(path)
        for code in (0x815B, 0x8160, 0x42):  # ー, ～ and B
            font.select(code, False)
            font.import_bitmap(bitmap(tmp_path, code, SHAPES.get(code, SHAPES[0x41])))
            font.finish_glyph()
        font.save_to(path)
        font.close()
        after = TTFont(path)
        cmap = after.getBestCmap()
        assert cmap[0x301C] == cmap[0xFF5E]  # both twins
        assert 0x20 not in cmap and 0x3000 not in cmap  # no spaces of ours
        assert after["hmtx"][cmap[0x42]][0] == 1000  # half the font's full width, as it sets Latin
        for tag in ("hhea", "post", "OS/2"):
            for field in ("ascent", "descent", "lineGap", "underlinePosition", "sTypoLineGap", "fsSelection",
                          "achVendID", "usWinAscent"):
                if hasattr(before[tag], field):
                    assert getattr(before[tag], field) == getattr(after[tag], field), (tag, field)
        assert "GPOS" not in after
        if path == without_vert:
            assert "GSUB" not in after  # no vertical features of ours in it
            continue
        vert = single_lookups(after, "vert")
        # Its own vertical form of ー belonged to the glyph replaced: the one
        # made from the new glyph takes its place; ～ gets one too.
        assert vert["uni30FC"] == "uni30FC.vert" and after["glyf"]["uni30FC.vert"].xMin != 900
        assert vert[cmap[0xFF5E]].endswith(".vauto")
        assert [r.FeatureTag for r in after["GSUB"].table.FeatureList.FeatureRecord] == ["vert"]


def test_editor_asked_to_end_serves_its_client_then_saves(runtime, tmp_path):
    ttf = str(tmp_path / "ending.ttf")
    process, path = ec.start_editor(runtime)
    client = ec.Client(path)
    font = ec.new_font(client)
    font.save_as(ttf)
    os.kill(process.pid, signal.SIGTERM)
    font.import_bitmap(bitmap(tmp_path, 0x82A0, SHAPES[0x82A0]), 0x82A0)  # still served
    assert process.poll() is None
    client.close()  # gone without saving
    assert process.wait(60) == 0
    assert 0x3042 in TTFont(ttf).getBestCmap()
    idle, path = ec.start_editor(runtime)  # nobody connected: it ends at once
    os.kill(idle.pid, signal.SIGTERM)
    assert idle.wait(60) == 0 and not os.path.exists(path)
