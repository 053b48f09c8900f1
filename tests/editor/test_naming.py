"""The names a font saved under a file is offered, held to the same table
as the client's, so that the window, the command line and the editor offer
the same names for the same file."""

import json
import os

import pytest

from glyphsmith import naming

CASES_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fonteditor", "default_font_names.json")
with open(CASES_FILE, encoding="utf-8") as f:
    CASES = json.load(f)


def test_names_from_the_stem_match_the_clients_with_kakasi():
    for stem, family, family_ja in CASES["with_kakasi"]:
        assert naming.default_names(stem) == (family, family_ja), stem
        naming.checked_family(family, False)
        naming.checked_family(family_ja, True)
    for path, stem in CASES["stems"]:
        assert naming.file_stem(path) == stem, path


# kakasi missing, or answering nothing: the Japanese is left out, and a
# name with nothing else gets the plain default.
@pytest.mark.parametrize("program", ["/nonexistent/kakasi", "true"])
def test_without_kakasi_the_names_fall_back_as_the_clients_do(monkeypatch, program):
    monkeypatch.setattr(naming, "KAKASI", program)
    for stem, family, family_ja in CASES["without_kakasi"]:
        assert naming.default_names(stem) == (family, family_ja), stem
