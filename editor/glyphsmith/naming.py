"""The names of a font: family names in English and Japanese, the PostScript
name, the version and the copyright, read from and written to the name
table."""

import itertools
import os
import re
import string
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

# The names a font saved under a file gets when nothing readable is left of
# the file's name, and the longest name proposed (the longest family name
# every system shows whole, which the font information dialog holds to).
DEFAULT_FAMILY = "Tegaki"
DEFAULT_FAMILY_JA = "手書き"
DEFAULT_NAME_LENGTH = 31
# Characters a name cannot hold; a proposed name leaves them out.
UNUSABLE_IN_NAMES = ("Cc", "Cf", "Cs", "Zl", "Zp")
# Japanese in a name is read out in Latin letters (Hepburn) by kakasi, one
# run of these code points at a time: ideographs with 々〆〇, hiragana,
# katakana with ー and ・.
KAKASI = "kakasi"
KAKASI_OPTIONS = ["-i", "utf8", "-o", "utf8", "-Ja", "-Ha", "-Ka", "-s"]
KAKASI_BOUND_S = 5
JAPANESE = ((0x3005, 0x3007), (0x3041, 0x309F), (0x30A0, 0x30FF), (0x31F0, 0x31FF), (0x3400, 0x4DBF),
            (0x4E00, 0x9FFF), (0xF900, 0xFAFF), (0x20000, 0x3FFFF))

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


def _japanese(c):
    code = ord(c)
    return any(low <= code <= high for low, high in JAPANESE)


def _romanized(runs):
    """kakasi's reading of each run of Japanese text, asked once with one
    run a line; empty readings when kakasi is not there, fails, takes too
    long or answers with another number of lines."""
    if not runs:
        return []
    nothing = [""] * len(runs)
    try:
        done = subprocess.run([KAKASI] + KAKASI_OPTIONS, input=("\n".join(runs) + "\n").encode("utf-8"),
                              capture_output=True, timeout=KAKASI_BOUND_S)
    except (OSError, subprocess.SubprocessError):
        return nothing
    answer = done.stdout.decode("utf-8", "replace")
    lines = (answer[:-1] if answer.endswith("\n") else answer).split("\n")
    return lines if done.returncode == 0 and len(lines) == len(runs) else nothing


def _words(reading):
    """A reading as capitalised words of ASCII letters and digits; kakasi
    marks a long vowel (ー) with ^, which names leave out (ラーメン: Ramen)."""
    return " ".join(w[:1].upper() + w[1:].lower() for w in re.findall(r"[A-Za-z0-9]+", reading.replace("^", "")))


def _plain(c):
    """A character as ASCII with its accents taken off, else a space."""
    folded = "".join(d for d in unicodedata.normalize("NFKD", c) if unicodedata.category(d) != "Mn")
    return folded if folded and all(" " <= d <= "~" for d in folded) else " "


def english_name(text):
    """A name in ASCII letters that reads like text: full-width letters made
    plain, accents taken off, runs of Japanese written in Latin letters
    (a space parts them from letters and digits, not from punctuation:
    "東京2024" Toukyou 2024, "てがき-文字" Tegaki-Moji); "" when nothing
    readable is left."""
    runs = [(japanese, "".join(chars))
            for japanese, chars in itertools.groupby(unicodedata.normalize("NFKC", text), _japanese)]
    readings = iter(_romanized([run for japanese, run in runs if japanese]))
    pieces = [_words(next(readings)) if japanese else "".join(_plain(c) for c in run) for japanese, run in runs]
    joined = pieces[:1]
    for (japanese, _), piece, before in zip(runs[1:], pieces[1:], pieces):
        touching = before[-1:] if japanese else piece[:1]
        joined += ["" if touching and touching in string.punctuation else " ", piece]
    return " ".join("".join(joined).split())


def _cut_utf16(text, limit):
    """The longest start of text within limit UTF-16 units, as the client
    counts a name's length."""
    units = 0
    for i, c in enumerate(text):
        units += 2 if ord(c) > 0xFFFF else 1
        if units > limit:
            return text[:i]
    return text


def _cut_words(text, limit):
    """text within limit characters, cut after a whole word where it has
    more than one."""
    if len(text) <= limit:
        return text
    space = text[:limit + 1].rfind(" ")
    return (text[:space] if space > 0 else text[:limit]).strip()


def file_stem(path):
    """A file's name without its last extension ("" for ".ttf")."""
    name = os.path.basename(path)
    dot = name.rfind(".")
    return name[:dot] if dot >= 0 else name


def default_names(stem):
    """The family names (English, Japanese) a font saved as stem gets when
    the user has not named it: the stem in Japanese, without the characters
    a name cannot hold; in English the stem when it is ASCII, else an
    English name made from it (DEFAULT_FAMILY when none can be). Both fit
    the font information dialog's limit. The client proposes the same names
    for the same stem."""
    stem = unicodedata.normalize("NFC", stem)
    japanese = "".join(c for c in stem if unicodedata.category(c) not in UNUSABLE_IN_NAMES).strip()
    japanese = _cut_utf16(japanese, DEFAULT_NAME_LENGTH).strip()
    if not japanese:
        return DEFAULT_FAMILY, DEFAULT_FAMILY_JA
    return _cut_words(english_name(japanese), DEFAULT_NAME_LENGTH) or DEFAULT_FAMILY, japanese


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
