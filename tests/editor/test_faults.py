"""The editor under faults: killed at any moment with free and full disk, a
torn journal, two editors on one font, files planted where it reads and
writes."""

import os
import random
import resource
import signal
import stat
import zlib

import pytest
from fontTools.ttLib import TTFont

import editor_client as ec
from glyphsmith import font as font_module
from glyphsmith import fontlock
from glyphsmith import journal
from glyphsmith import protocol

# Kanji of the first level, one per glyph written.
CODES = [0x889F + i for i in range(0x5D)] + [0x8940 + i for i in range(0x3F)]


class Killed(Exception):
    pass


STARTED = []


@pytest.fixture(autouse=True)
def no_editor_left():
    """Editors a failing test left running are ended with it."""
    yield
    while STARTED:
        process = STARTED.pop()
        if process.poll() is None:
            process.kill()
            process.wait()


@pytest.fixture
def bitmaps(tmp_path):
    paths = []
    for seed in range(3):
        path = str(tmp_path / ("g%d.bmp" % seed))
        ec.write_bmp(path, 64, ec.strokes(seed, 64))
        paths.append(path)
    return paths


def start(runtime, limit=None):
    def limited():
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    process, path = ec.start_editor(runtime, preexec_fn=limited if limit else None)
    STARTED.append(process)
    return process, ec.Client(path)


def stop(process, client):
    client.close()
    process.kill()
    process.wait()


def journal_of(path):
    folder = os.path.join(os.environ["XDG_DATA_HOME"], "Orvane", "Quillery", "journal")
    return os.path.join(folder, "f-%s.journal" % fontlock.key(os.path.realpath(path)))


def new_font_file(runtime, path):
    process, client = start(runtime)
    ec.new_font(client).save_as(path)
    stop(process, client)


def codes_in(runtime, path):
    process, client = start(runtime)
    font = ec.open_font(client, path)
    found = set(int(c, 16) for c in font.codes().split() if not c.endswith("v"))
    stop(process, client)
    return found


@pytest.mark.parametrize("victim, limit", [("editor", None), ("editor", 40 * 1024), ("client", None)],
                         ids=["editor killed", "editor killed, full disk", "client killed"])
def test_every_answered_glyph_survives_kills_and_every_refused_one_is_absent(victim, limit, runtime, bitmaps,
                                                                            tmp_path):
    ttf = str(tmp_path / "font.ttf")
    new_font_file(runtime, ttf)
    rng = random.Random(21 + 2 * (victim == "client") + bool(limit))
    answered, refused = set(), set()
    codes = iter(CODES)
    for _ in range(5):
        process, client = start(runtime, limit)
        client.call(1, 7, "put", ec.boolean(True))  # launched for this client: ends with it
        calls, kill_at = [0], rng.randrange(2, 40)
        real_call = client.call

        def call(*args):
            calls[0] += 1
            if calls[0] == kill_at:  # one of them dies with this call in flight
                client.send_line(b'{"op":"invoke","id":0,"object":1,"dispid":4,"kind":"get","args":[]}\n')
                if victim == "editor":
                    os.kill(process.pid, signal.SIGKILL)
                else:
                    client.sock.shutdown(2)
                raise Killed()
            return real_call(*args)
        client.call = call
        try:
            font = ec.open_font(client, ttf)
            while True:
                code = next(codes)
                try:
                    font.import_bitmap(rng.choice(bitmaps), code)
                    answered.add(code)
                except ec.DispatchError as e:
                    assert e.code == protocol.ERR_NOT_DURABLE, e.description
                    refused.add(code)
        except Killed:
            pass
        process.wait(60)  # the editor left by its client saves and ends
        client.close()
    if victim == "client":  # the editor saved them as its client went
        saved = TTFont(ttf).getBestCmap()
        assert all(ord(bytes([c >> 8, c & 0xFF]).decode("cp932")) in saved for c in answered)
    found = codes_in(runtime, ttf)
    assert answered and answered <= found
    assert not refused & found
    if limit:
        assert refused


def test_torn_journal_tail_loses_nothing_after_it(runtime, bitmaps, tmp_path):
    ttf = str(tmp_path / "font.ttf")
    new_font_file(runtime, ttf)
    a, b, c, d = CODES[:4]
    process, client = start(runtime)
    font = ec.open_font(client, ttf)
    font.import_bitmap(bitmaps[0], a)
    font.import_bitmap(bitmaps[1], b)
    stop(process, client)
    log = journal_of(ttf) + "-wal"
    os.truncate(log, os.path.getsize(log) - 2000)  # the last commit cut short
    for code in (c, d):
        process, client = start(runtime)
        ec.open_font(client, ttf).import_bitmap(bitmaps[2], code)
        stop(process, client)
    found = codes_in(runtime, ttf)
    assert {a, c, d} <= found


def test_second_editor_is_refused_until_the_first_lets_the_font_go(runtime, bitmaps, tmp_path):
    ttf = str(tmp_path / "font.ttf")
    new_font_file(runtime, ttf)
    first, client = start(runtime)
    font = ec.open_font(client, ttf)
    font.import_bitmap(bitmaps[0], CODES[0])
    other_runtime = str(tmp_path / "run2")
    os.mkdir(other_runtime, 0o700)
    second, other = start(other_runtime)
    with open(ttf, "rb") as f:
        before = f.read()
    for attempt in (lambda: ec.open_font(other, ttf), lambda: ec.new_font(other).save_as(ttf)):
        with pytest.raises(ec.DispatchError) as held:
            attempt()
        assert held.value.code == protocol.ERR_FONT_HELD
    with open(ttf, "rb") as f:
        assert f.read() == before
    # The first lets it go (another font is active, no reference is left):
    # closed, its lock dropped, its unsaved glyph still in its journal, and
    # no thread left behind.
    ec.new_font(client)
    client.release(font.handle)
    client.call(1, 4, "get")  # answered once the release is through
    reopened = ec.open_font(other, ttf)
    assert reopened.recovered() == 1 and reopened.codes() == "20 8140 %X" % CODES[0]  # the spaces are there
    assert os.listdir("/proc/%d/task" % first.pid) == [str(first.pid)]
    stop(first, client)
    stop(second, other)


def test_planted_files_are_never_read_followed_or_replayed(tmp_path, bitmaps):
    folder = tmp_path / "shared"
    folder.mkdir()
    ttf = str(folder / "font.ttf")
    victim = tmp_path / "victim.txt"
    victim.write_bytes(b"the user's other file")
    font = font_module.Font.new()
    font.save_as(ttf)
    font.close()
    os.chmod(ttf, 0o600)
    link = str(folder / ("l" * 240 + ".ttf"))  # a long name, and a link to the font
    os.symlink(ttf, link)
    planted_journal = journal_of(ttf)
    os.makedirs(os.path.dirname(planted_journal), mode=0o700, exist_ok=True)
    # What another user (or a stale version of this editor) might leave.
    beside = folder / ".font.ttf.glyphsmith-journal"
    lines = [b'{"journal":1,"font":"%s"}' % ttf.encode(), b'{"op":"copyright","value":"planted"}']
    beside.write_bytes(b"".join(b"%08x %s\n" % (zlib.crc32(line), line) for line in lines))
    os.chmod(beside, 0o666)
    os.symlink(str(victim), str(folder / ".glyphsmith-abcdefgh.tmp"))
    leftover = folder / ".glyphsmith-ijklmnop.tmp"
    leftover.write_bytes(b"a save killed half-way")
    sparse = lambda p: os.truncate(os.open(p, os.O_CREAT | os.O_WRONLY, 0o600), 8 << 30)

    def other_base(path):  # a journal written against another file
        planted = journal.Journal.create(path, {"font": ttf, "base": "0" * 64})
        planted.record(journal.Change("copyright", text="planted"))
        planted.close()
    for plant in (os.mkfifo, lambda p: os.symlink("/dev/zero", p), sparse, other_base):
        plant(planted_journal)
        font = font_module.Font.open(link)
        assert font.recovered == 0 and font.store.copyright() != "planted"
        font.select(CODES[0], False)
        font.import_bitmap(bitmaps[0])
        font.finish_glyph()
        font.save_to(link)
        font.close()
        for name in os.listdir(os.path.dirname(planted_journal)):
            os.unlink(os.path.join(os.path.dirname(planted_journal), name))
    assert os.path.islink(link) and stat.S_IMODE(os.stat(ttf).st_mode) == 0o600
    assert victim.read_bytes() == b"the user's other file"
    assert not leftover.exists() and os.path.islink(folder / ".glyphsmith-abcdefgh.tmp")
    assert TTFont(ttf)["name"].getDebugName(0) != "planted"
    assert chr(0x4E9C) in "".join(chr(u) for u in TTFont(ttf).getBestCmap())


def test_font_saved_over_a_file_with_a_dead_editors_journal_keeps_that_work_aside(tmp_path, bitmaps):
    ttf = str(tmp_path / "font.ttf")
    first = font_module.Font.new()
    first.save_as(ttf)
    first.select(CODES[0], False)
    first.import_bitmap(bitmaps[0])
    first.finish_glyph()
    first.close()  # its editor died: the glyph is only in the journal
    second = font_module.Font.new()
    second.save_as(ttf)
    second.select(CODES[1], False)
    second.import_bitmap(bitmaps[1])
    second.finish_glyph()
    second.save_to(ttf)
    [recovered] = [n for n in os.listdir(os.path.join(os.environ["XDG_DATA_HOME"], "Orvane", "Quillery", "recovery"))]
    assert recovered in second.recovery_notice()
    recovered_font = TTFont(os.path.join(os.environ["XDG_DATA_HOME"], "Orvane", "Quillery", "recovery", recovered))
    assert 0x4E9C in recovered_font.getBestCmap() and 0x4E9C not in TTFont(ttf).getBestCmap()


def test_font_held_here_is_read_again_when_its_file_changed(tmp_path, bitmaps):
    from glyphsmith.application import Application
    ttf = str(tmp_path / "font.ttf")
    app = Application()
    font = app.new_font()
    font.save_as(ttf)
    font.select(CODES[0], False)
    font.import_bitmap(bitmaps[0])
    font.finish_glyph()
    assert app.open_font(ttf) is font  # unchanged on disk: the same font, glyph and all
    other = font_module.Font.new()  # another program writes the file meanwhile
    data = other.store.build(names=("Other", "Other"))
    other.close()
    with open(ttf + ".new", "wb") as f:
        f.write(data)
    os.replace(ttf + ".new", ttf)
    again = app.open_font(ttf)
    assert again is not font and again.store.family(False) == "Other" and again.store.glyph_codes() == "20 8140"
    assert "復旧用のフォント" in again.recovery_notice()  # the unsaved glyph was kept aside, not lost
    app.close_all()
