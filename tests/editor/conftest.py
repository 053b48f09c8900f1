"""Set-up of the editor's Python tests: the editor package is imported from
the build folder when ctest gives it (QUILLERY_EDITOR_DIR, with the native
crossing check beside it), else from the source tree; every test gets a data
folder of its own, so no journal, lock or recovery font of the user's is
touched."""

import os
import sys

import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
EDITOR_DIR = os.environ.get("QUILLERY_EDITOR_DIR") or os.path.join(HERE, "..", "..", "editor")
sys.path.insert(0, os.path.abspath(EDITOR_DIR))
sys.path.insert(0, HERE)

NATIVE_BUILT = os.environ.get("QUILLERY_CROSSING_CHECK") == "native"


@pytest.fixture(autouse=True)
def private_data(tmp_path, monkeypatch):
    data = tmp_path / "data"
    data.mkdir(mode=0o700)
    monkeypatch.setenv("XDG_DATA_HOME", str(data))
    return data


@pytest.fixture
def runtime(tmp_path):
    """A private runtime folder for an editor's socket."""
    folder = tmp_path / "run"
    folder.mkdir(mode=0o700)
    return str(folder)
