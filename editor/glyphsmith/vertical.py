"""Vertical writing: the 'vert' substitutions of the GSUB table and the
vertical metrics (vhea, vmtx).

A character's vertical form is reached through the font's 'vert' feature:
single substitutions from the character's glyph to its vertical form.
Fonts of other makers keep their lookups; a substitution this editor adds
goes into the first single-substitution lookup of their 'vert' feature, and
a font without one gets a lookup and a 'vert' feature in every script it
has (with DFLT added when missing, so Japanese text finds it)."""

from fontTools.ttLib import newTable

from .features import SCRIPTS


def _single_subtables(table, feature="vert"):
    from fontTools.ttLib.tables import otTables as ot

    if not table.FeatureList or not table.LookupList:
        return []
    indices = []
    for record in table.FeatureList.FeatureRecord:
        if record.FeatureTag == feature:
            indices += [i for i in record.Feature.LookupListIndex if i not in indices]
    found = []
    for index in indices:
        if index >= len(table.LookupList.Lookup):
            continue
        lookup = table.LookupList.Lookup[index]
        for sub in lookup.SubTable:
            if lookup.LookupType == 7:
                sub = sub.ExtSubTable
            if isinstance(sub, ot.SingleSubst):
                found.append(sub)
    return found


def mapping(font):
    """The font's vertical substitutions: character glyph to vertical form
    (the first rule for a glyph wins, as in a renderer)."""
    if "GSUB" not in font:
        return {}
    out = {}
    for sub in _single_subtables(font["GSUB"].table):
        for source, target in (sub.mapping or {}).items():
            out.setdefault(source, target)
    return out


def _langsys_all(table):
    for record in table.ScriptList.ScriptRecord:
        script = record.Script
        if script.DefaultLangSys is not None:
            yield script.DefaultLangSys
        for lang in script.LangSysRecord:
            yield lang.LangSys


def _new_langsys(feature_index):
    from fontTools.ttLib.tables import otTables as ot

    langsys = ot.LangSys()
    langsys.LookupOrder = None
    langsys.ReqFeatureIndex = 0xFFFF
    langsys.FeatureIndex = [feature_index]
    langsys.FeatureCount = 1
    return langsys


def _add_script(table, tag, feature_index):
    from fontTools.ttLib.tables import otTables as ot

    record = ot.ScriptRecord()
    record.ScriptTag = tag
    record.Script = ot.Script()
    record.Script.DefaultLangSys = _new_langsys(feature_index)
    record.Script.LangSysRecord = []
    record.Script.LangSysCount = 0
    records = table.ScriptList.ScriptRecord
    records.append(record)
    records.sort(key=lambda r: r.ScriptTag)
    table.ScriptList.ScriptCount = len(records)


def _new_gsub():
    from fontTools.ttLib.tables import otTables as ot

    gsub = newTable("GSUB")
    table = gsub.table = ot.GSUB()
    table.Version = 0x00010000
    table.ScriptList = ot.ScriptList()
    table.ScriptList.ScriptRecord = []
    table.ScriptList.ScriptCount = 0
    table.FeatureList = ot.FeatureList()
    table.FeatureList.FeatureRecord = []
    table.FeatureList.FeatureCount = 0
    table.LookupList = ot.LookupList()
    table.LookupList.Lookup = []
    table.LookupList.LookupCount = 0
    return gsub


def _add_vert_lookup(table, new_table):
    """A single-substitution lookup under a new 'vert' feature, reached from
    every language system; its subtable."""
    from fontTools.ttLib.tables import otTables as ot

    if table.ScriptList is None:
        table.ScriptList = ot.ScriptList()
        table.ScriptList.ScriptRecord = []
    if table.FeatureList is None:
        table.FeatureList = ot.FeatureList()
        table.FeatureList.FeatureRecord = []
    if table.LookupList is None:
        table.LookupList = ot.LookupList()
        table.LookupList.Lookup = []
    sub = ot.SingleSubst()
    sub.mapping = {}
    lookup = ot.Lookup()
    lookup.LookupType = 1
    lookup.LookupFlag = 0
    lookup.SubTable = [sub]
    lookup.SubTableCount = 1
    table.LookupList.Lookup.append(lookup)
    table.LookupList.LookupCount = len(table.LookupList.Lookup)
    record = ot.FeatureRecord()
    record.FeatureTag = "vert"
    record.Feature = ot.Feature()
    record.Feature.FeatureParams = None
    record.Feature.LookupListIndex = [len(table.LookupList.Lookup) - 1]
    record.Feature.LookupCount = 1
    table.FeatureList.FeatureRecord.append(record)
    table.FeatureList.FeatureCount = len(table.FeatureList.FeatureRecord)
    feature_index = len(table.FeatureList.FeatureRecord) - 1
    for langsys in _langsys_all(table):
        langsys.FeatureIndex.append(feature_index)
        langsys.FeatureCount = len(langsys.FeatureIndex)
    tags = {r.ScriptTag for r in table.ScriptList.ScriptRecord}
    for tag in (SCRIPTS if new_table else ("DFLT",)):
        if tag not in tags:
            _add_script(table, tag, feature_index)
    return sub


def apply(font, add, remove):
    """Makes the substitutions of add (glyph to vertical form) and takes out
    those of the glyphs in remove."""
    if not add and not remove:
        return
    if "GSUB" not in font:
        if not add:
            return
        font["GSUB"] = _new_gsub()
    table = font["GSUB"].table
    subtables = _single_subtables(table)
    for sub in subtables:
        for name in set(remove) | set(add):
            if name in sub.mapping and add.get(name) != sub.mapping[name]:
                del sub.mapping[name]
    if not add:
        return
    target = subtables[0] if subtables else _add_vert_lookup(table, "GSUB" not in font.reader)
    present = mapping(font)
    for source, form in add.items():
        if present.get(source) != form:
            target.mapping[source] = form
