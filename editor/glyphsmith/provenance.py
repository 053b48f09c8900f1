"""Which fonts are ours: made by this editor or by an earlier version of it.

Our fonts follow the house rules at every save (their spaces, their line
metrics, vertical forms made from the upright glyphs, proportional Latin);
fonts of other makers keep everything the editor did not write."""

from . import naming
from . import newfont


def vendor(font):
    if "OS/2" not in font:
        return ""
    found = font["OS/2"].achVendID
    if isinstance(found, bytes):
        found = found.decode("latin-1")
    return found.strip("\0 ")


def _our_em_box(font):
    if font["head"].unitsPerEm != newfont.EM or "OS/2" not in font:
        return False
    return (font["OS/2"].sTypoAscender, font["OS/2"].sTypoDescender) == (newfont.ASCENT, -newfont.DESCENT)


def made_by_earlier_editor(font):
    """Fonts an earlier version of this editor wrote through FontForge: its
    unique name, Japanese family names and the em box of our new fonts."""
    names = font["name"]
    unique = naming.unique_id(names)
    return unique.startswith("FontForge ") and bool(naming.family(names, True)) and _our_em_box(font)


def ours(font):
    """Our vendor code; or a font an earlier version of this editor wrote:
    through FontForge (whatever vendor code that gave it), or through
    fontTools before it wrote a vendor code (its unique name and the em box
    of our new fonts)."""
    found = vendor(font)
    if found == newfont.VENDOR or made_by_earlier_editor(font):
        return True
    return not found and naming.unique_id(font["name"]).startswith(naming.UNIQUE_ID_PREFIX) and _our_em_box(font)
