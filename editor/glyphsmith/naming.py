"""The names of a font: family names in English and Japanese, the PostScript
name, the version and the copyright, read from and written to the name
table."""

import re
import subprocess
import unicodedata

from . import EDITOR_VERSION
from . import protocol

FAMILY = "Glyphsmith Hand"
FAMILY_JA = "グリフスミス手書き"
STYLE = "Regular"
FIRST_VERSION = "1.000"
# Name ID 3 of the fonts this editor names.
UNIQUE_ID_PREFIX = "Glyphsmith "
POSTSCRIPT_PREFIX = "Glyphsmith"
POSTSCRIPT_ALLOWED = set(chr(c) for c in range(33, 127)) - set("[](){}<>/%")

WINDOWS_ENGLISH = (3, 1, 0x409)
WINDOWS_JAPANESE = (3, 1, 0x411)
MAC_ENGLISH = (1, 0, 0)
# The names that make a family; written anew when the family is renamed.
FAMILY_IDS = (1, 2, 3, 4, 6, 16, 17)


def mac_roman(text):
    try:
        text.encode("mac_roman")
    except UnicodeEncodeError:
        return False
    return True


def _romanized(text):
    """Japanese text in Latin letters (Hepburn, by kakasi), or "" when
    kakasi is not there to ask."""
    try:
        done = subprocess.run(["kakasi", "-i", "utf8", "-o", "utf8", "-Ja", "-Ha", "-Ka", "-s"],
                              input=text.encode("utf-8"), capture_output=True, timeout=10)
    except (OSError, subprocess.SubprocessError):
        return ""
    return done.stdout.decode("utf-8", "replace") if done.returncode == 0 else ""


def _japanese(c):
    return c == "ー" or unicodedata.name(c, "").startswith(("CJK", "HIRAGANA", "KATAKANA"))


def english_name(text):
    """A name in ASCII letters that reads like text: accents taken off,
    full-width letters made plain, Japanese written in Latin letters; ""
    when nothing readable is left."""
    text = unicodedata.normalize("NFKC", text)
    words, japanese = [], []

    def flush():
        if japanese:
            words.extend(w.capitalize() for w in re.findall(r"[A-Za-z0-9]+", _romanized("".join(japanese))))
            japanese.clear()
    plain = []
    for c in text:
        if _japanese(c):
            if plain:
                words.extend(re.findall(r"[\x21-\x7e]+", "".join(plain)))
                plain.clear()
            japanese.append(c)
            continue
        flush()
        folded = "".join(d for d in unicodedata.normalize("NFKD", c) if not unicodedata.combining(d))
        plain.append(folded if folded.isascii() else " ")
    flush()
    words.extend(re.findall(r"[\x21-\x7e]+", "".join(plain)))
    return " ".join(words)[:63].strip()


def default_names(stem):
    """The family names a font saved as stem gets when the user has not
    named it: the stem in Japanese; in English the stem when it is ASCII,
    else an English name made from it (FAMILY when none can be)."""
    japanese = " ".join(stem.split())[:63].strip() or FAMILY_JA
    if any(unicodedata.category(c) in ("Cc", "Cf", "Zl", "Zp") for c in japanese):
        japanese = FAMILY_JA
    if japanese.isascii():
        return japanese, japanese
    return english_name(japanese) or FAMILY, japanese


def postscript_name(family, style=STYLE):
    """An ASCII PostScript name that is valid and reads like the family."""
    kept = "".join(c for c in english_name(family) if c.isalnum()) or POSTSCRIPT_PREFIX
    suffix = "-" + "".join(c for c in style if c in POSTSCRIPT_ALLOWED and c != "-")
    if suffix == "-":
        suffix = "-Regular"
    return kept[:63 - len(suffix)] + suffix


def next_version(version):
    """The version one step (0.001) above, or None when it is no number."""
    match = re.fullmatch(r"\s*(\d+)(?:\.(\d+))?\s*", version or "")
    if not match:
        return None
    places = max(3, len(match.group(2) or ""))
    value = int(match.group(1)) * 10 ** places + int((match.group(2) or "0").ljust(places, "0")) + 10 ** (places - 3)
    return "%d.%0*d" % (value // 10 ** places, places, value % 10 ** places)


# -- checking what the client puts --------------------------------------------

def checked_family(name, japanese):
    name = name.strip()
    if not name or len(name) > 63 or any(unicodedata.category(c) in ("Cc", "Cf", "Zl", "Zp") for c in name):
        raise protocol.bad_value("フォント名は 1 から 63 文字で、制御文字を含まないものにしてください。")
    if not japanese and not mac_roman(name):
        raise protocol.bad_value("英語のフォント名には英数字などのラテン文字だけを使ってください。")
    return name


def checked_version(version):
    version = version.strip()
    if not re.fullmatch(r"\d{1,5}(\.\d{1,5})?", version) or float(version) >= 32768:
        raise protocol.bad_value("バージョンは 1.000 のような数で入力してください。")
    return version


def checked_copyright(text):
    if len(text) > 1000 or any(unicodedata.category(c) == "Cc" and c not in "\n" for c in text):
        raise protocol.bad_value("著作権表示に使えない文字が含まれています。")
    return text


# -- reading ------------------------------------------------------------------

def _get(name_table, name_id, where):
    record = name_table.getName(name_id, *where)
    if record is None:
        return None
    try:
        return record.toUnicode()
    except UnicodeDecodeError:
        return None


def family(name_table, japanese):
    if japanese:
        return _get(name_table, 1, WINDOWS_JAPANESE) or ""
    for where in (WINDOWS_ENGLISH, MAC_ENGLISH):
        found = _get(name_table, 1, where)
        if found:
            return found
    for record in name_table.names:
        if record.nameID == 1 and record.isUnicode():
            return record.toUnicode()
    return ""


def copyright_notice(name_table):
    for where in (WINDOWS_ENGLISH, MAC_ENGLISH):
        found = _get(name_table, 0, where)
        if found is not None:
            return found
    return ""


def unique_id(name_table):
    return _get(name_table, 3, WINDOWS_ENGLISH) or _get(name_table, 3, MAC_ENGLISH) or ""


def version(name_table, head):
    """The version as the user sees it: the number in name ID 5, else the
    head table's revision."""
    for where in (WINDOWS_ENGLISH, MAC_ENGLISH):
        text = _get(name_table, 5, where)
        if text:
            match = re.match(r"^(?:Version\s*)?(\d+(?:\.\d+)?)", text.strip())
            if match:
                return match.group(1)
    return "%.3f" % head.fontRevision


# -- writing ------------------------------------------------------------------

def _set(name_table, text, name_id, where):
    platform = where[0]
    if platform == 1 and not mac_roman(text):
        text = text.encode("mac_roman", "replace").decode("mac_roman")
    name_table.setName(text, name_id, *where)


def write_family(name_table, english, japanese):
    """Names the font: family, style, full, unique and PostScript names in
    English on Windows and Mac and in Japanese on Windows. The Mac records
    carry Mac Roman only, so an English family of other letters becomes an
    English name made from it there and everywhere in English."""
    postscript = postscript_name(english)
    if not mac_roman(english):
        english = english_name(english) or FAMILY
    name_table.names = [r for r in name_table.names
                        if not (r.nameID in FAMILY_IDS
                                and (r.platformID, r.platEncID, r.langID) in (WINDOWS_ENGLISH, WINDOWS_JAPANESE,
                                                                              MAC_ENGLISH))]
    unique = "%s%s : %s" % (UNIQUE_ID_PREFIX, EDITOR_VERSION, postscript)
    for where in (WINDOWS_ENGLISH, MAC_ENGLISH):
        for name_id, text in ((1, english), (2, STYLE), (3, unique), (4, english + " " + STYLE),
                              (6, postscript)):
            _set(name_table, text, name_id, where)
    for name_id, text in ((1, japanese), (2, STYLE), (4, japanese + " " + STYLE)):
        _set(name_table, text, name_id, WINDOWS_JAPANESE)


def write_version(name_table, head, text):
    """The version in name ID 5 of every platform and in the head table."""
    try:
        head.fontRevision = float(text)
    except ValueError:
        pass
    found = False
    for record in list(name_table.names):
        if record.nameID != 5:
            continue
        try:
            old = record.toUnicode()
        except UnicodeDecodeError:
            continue
        if re.match(r"^(Version\s*)?\d", old):
            new = re.sub(r"^(Version\s*)?\d+(\.\d+)?", "Version " + text, old, count=1)
        else:
            new = "Version " + text
        name_table.setName(new, 5, record.platformID, record.platEncID, record.langID)
        found = True
    if not found:
        for where in (WINDOWS_ENGLISH, MAC_ENGLISH):
            _set(name_table, "Version " + text, 5, where)


def write_copyright(name_table, text):
    name_table.names = [r for r in name_table.names if r.nameID != 0]
    if text:
        for where in (WINDOWS_ENGLISH, MAC_ENGLISH):
            _set(name_table, text, 0, where)
