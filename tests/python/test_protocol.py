"""tav.protocol: game-state bodies and messages between bytes and tav proxies, the dump as text,
enumeration names, Buffers from and to bytes, and the Python touches of the proxies.

Oracles: the worked example's bytes (written out below), the library's own per-version writers
and readers driven through a Buffer, and _print's output in a child interpreter.
"""

import array
import gc
import io
import json
import os
import random
import sys
import threading

import pytest

import tav
import tav.protocol as protocol
from conftest import run_child

# The worked example in each version (its 8.0 body lacks the brav byte of 8.4).
EXAMPLE_84 = bytes.fromhex(
    "020701" "01000000000000000000" "00" "0201050100" "010002000000" "0204090000"
    "0103000d020a0b00" "02" "0003010100000001" "010000050501080000" "01686572ef"
    "0204080a01024e" "000000000100")
EXAMPLE_80 = EXAMPLE_84[:29] + EXAMPLE_84[30:]
EXAMPLE_76 = bytes.fromhex(
    "020701" "010000000000000000" "00020105" "0700" "010002000000" "01030000020a0b" "02"
    "00030101000001" "010000050501080000" "01686572ef" "0204080a010223" "000000000100")
EXAMPLES = {"7.6": EXAMPLE_76, "8.0": EXAMPLE_80, "8.4": EXAMPLE_84}


def worked_example(version=None):
    """Round 2 of scenario 7: one deck, a monster group with one figure, a player. With a
    version, as that version reads it back (the fields it doesn't carry at their defaults)."""
    v76 = version == "7.6"
    s = tav.GameState()
    s.round, s.scenario_number, s.scenario_level, s.track_standees = 2, 7, 1, True
    s.fire, s.air = tav.ElementState.Strong, tav.ElementState.Waning
    if version is None or not v76:
        s.removed_abilities = tav.IntVector([4, 9])
    deck = tav.MonsterAbilityDeck(3)
    if version is None or not v76:
        deck.shown_ability = tav.make_optional(12)
    deck.abilities = tav.IntVector([10, 11])
    s.ability_decks[3] = deck
    group = tav.MonsterActor()
    group.id, group.level, group.is_normal = 3, 1, True
    monster = tav.Actor(group)
    figure = tav.MonsterInstance()
    figure.number, figure.hp, figure.hp_max = 1, 5, 5
    figure.conditions = tav.ConditionVector([tav.Condition.Poisoned])
    monster.instances.append(figure)
    s.actors.append(monster)
    hero = tav.PlayerActor()
    hero.name, hero.character_class = "hero", tav.CharacterClass.Varsk
    hero.xp, hero.hp, hero.hp_max, hero.level, hero.loot = 4, 8, 10, 1, 2
    hero.initiative = 35 if version is None or v76 else 78
    player = tav.Actor(hero)
    player.turn_completed = True
    s.actors.append(player)
    return s


def native_write(state, version, capacity=1 << 16):
    """The body as the library's own per-version writer puts it into a Buffer."""
    buffer = protocol.buffer_from(bytes(capacity))
    buffer.clear()
    getattr(protocol, "v" + version.replace(".", "_")).writeGameState(state, buffer)
    return protocol.buffer_bytes(buffer)


def random_state(rng):
    """A state of random content, as many actors, figures and decks as rng picks."""
    s = tav.GameState()
    s.round, s.scenario_number, s.scenario_level = (rng.randrange(-5, 1 << 20) for _ in range(3))
    for flag in ("track_standees", "ability_cards", "solo", "brav", "can_draw"):
        setattr(s, flag, rng.random() < 0.5)
    s.bad_omen = rng.randrange(0, 9)
    s.removed_abilities = tav.IntVector([rng.randrange(0, 300) for _ in range(rng.randrange(4))])
    for deck_id in rng.sample(range(40), rng.randrange(4)):
        deck = tav.MonsterAbilityDeck(deck_id)
        deck.shuffle = rng.random() < 0.5
        deck.abilities = tav.IntVector([rng.randrange(0, 600) for _ in range(rng.randrange(9))])
        s.ability_decks[deck_id] = deck
    for _ in range(rng.randrange(6)):
        if rng.random() < 0.5:
            p = tav.PlayerActor()
            p.name = rng.choice(["", "hero", "Ünïcode ☃", "x" * 300])
            p.character_class, p.hp, p.level = rng.randrange(26), rng.randrange(30), 3
            p.conditions = tav.ConditionVector([rng.randrange(19) for _ in range(rng.randrange(3))])
            actor = tav.Actor(p)
        else:
            m = tav.MonsterActor()
            m.id, m.level, m.is_elite = rng.randrange(90), rng.randrange(8), rng.random() < 0.5
            actor = tav.Actor(m)
        for number in range(rng.randrange(4)):
            f = tav.MonsterInstance()
            f.number, f.type, f.hp = number, rng.randrange(16), rng.randrange(-3, 40)
            actor.instances.append(f)
        s.actors.append(actor)
    return s


def large_state():
    """100 actors of 8 figures each and 20 decks, as in the benchmarks."""
    rng = random.Random(7)
    s = tav.GameState()
    s.round = 9
    for deck_id in range(20):
        deck = tav.MonsterAbilityDeck(deck_id)
        deck.abilities = tav.IntVector(range(8))
        s.ability_decks[deck_id] = deck
    for i in range(100):
        m = tav.MonsterActor()
        m.id, m.level = i, i % 8
        actor = tav.Actor(m)
        for number in range(8):
            f = tav.MonsterInstance()
            f.number, f.hp, f.hp_max = number, rng.randrange(20), 20
            f.conditions = tav.ConditionVector([tav.Condition.Poisoned, tav.Condition.Wounded])
            actor.instances.append(f)
        s.actors.append(actor)
    return s


def enumeration_records():
    """Records that show every value (and a few numbers outside) of the enumerations that the
    dump prints by name: classes, figure types, summon colours, conditions, elements."""
    records = []
    for value in range(-1, 28):
        player = tav.PlayerActor()
        player.character_class = value
        player.conditions = tav.ConditionVector([value % 20, value])
        figure = tav.MonsterInstance()
        figure.type = value % 17
        figure.summon_color = value % 10
        figure.type = tav.MonsterType.Summon if value % 3 == 0 else value % 17
        records += [player, figure]
    return records


def example_state(version):
    """The worked example as read from its bytes (the only way to fill the attack-modifier
    lists from Python)."""
    return protocol.read_game_state(EXAMPLES[version], version)


# --- bodies ----------------------------------------------------------------------------------

@pytest.mark.parametrize("version, size", [("7.6", 66), ("8.0", 73), ("8.4", 74)])
def test_worked_example_round_trip(version, size):
    assert protocol.VERSIONS == ("7.6", "8.0", "8.4")
    data = EXAMPLES[version]
    assert len(data) == size
    state = protocol.read_game_state(data, version, strict=True)
    # Read back equal to the example as built, except the attack-modifier lists, which Python
    # can only copy from another state.
    built = worked_example(version)
    built.attack_modifiers, built.attack_modifiers_discard = (
        state.attack_modifiers, state.attack_modifiers_discard)
    built.attack_modifier1 = state.attack_modifier1
    assert state == built
    assert protocol.write_game_state(state, version) == data == native_write(state, version)
    assert protocol.body_size(state, version) == size
    copy = protocol.read_game_state(protocol.write_game_state(state, version), version)
    assert copy == state and copy is not state


@pytest.mark.parametrize("version", ["7.6", "8.0", "8.4"])
def test_random_states_match_the_native_writer(version):
    rng = random.Random(version)
    reused = tav.GameState()
    for _ in range(60):
        state = random_state(rng)
        data = protocol.write_game_state(state, version)
        assert data == native_write(state, version)
        assert protocol.body_size(state, version) == len(data)
        once = protocol.read_game_state(data, version, strict=True)
        assert protocol.write_game_state(once, version) == data
        assert protocol.read_game_state(data, version) == once
        # Read into the state of the previous round (larger or smaller in every list), and
        # cut short: the same as a read into a new state.
        for body in (data, data[: rng.randrange(len(data) + 1)]):
            assert protocol.read_game_state(body, version, into=reused) is reused
            assert reused == protocol.read_game_state(body, version)
        assert protocol.read_game_state(data, version, into=reused) == once


def test_no_size_limit():
    state = large_state()
    data = protocol.write_game_state(state, "8.4")
    assert len(data) > 1024 * 4
    assert protocol.read_game_state(data, "8.4", strict=True) == state
    # The library's own writer into a default Buffer writes nothing when the body doesn't fit.
    buffer = tav.Buffer()
    protocol.v8_4.writeGameState(state, buffer)
    assert buffer.getPosition() == 0


@pytest.mark.parametrize("version", ["7.6", "8.0", "8.4"])
def test_strict_names_the_offset_at_every_prefix(version):
    data = EXAMPLES[version]
    offsets = []
    for cut in range(len(data)):
        protocol.read_game_state(data[:cut], version)  # not strict: neutral values, no error
        with pytest.raises(ValueError, match=r"incomplete %s game-state body: the field at "
                           r"byte (\d+) could not be read" % version) as error:
            protocol.read_game_state(data[:cut], version, strict=True)
        offsets.append(int(error.value.args[0].split("byte ")[1].split()[0]))
    # The failing field starts at or before the cut, never later for a longer prefix, and a
    # cut right at a field's start fails at that field.
    assert all(offset <= cut for cut, offset in enumerate(offsets))
    assert offsets == sorted(offsets)
    assert all(offsets[offset] == offset for offset in offsets)
    assert len(set(offsets)) > len(data) // 3
    with pytest.raises(ValueError, match="2 bytes left after the %s game-state body, which ends "
                       "at byte %d" % (version, len(data))):
        protocol.read_game_state(data + b"\0\0", version, strict=True)


def test_bytes_like_inputs_are_read_in_place():
    data = EXAMPLE_84
    expected = protocol.read_game_state(data, "8.4")
    padded = bytearray(b"xx" + data)
    for kind in (data, bytearray(data), memoryview(data), array.array("B", data),
                 memoryview(padded)[2:], memoryview(data).cast("c")):
        assert protocol.read_game_state(kind, "8.4", strict=True) == expected
    # Bytes of wider items are bytes all the same.
    wide = array.array("i", [0]) * 19
    wide_bytes = bytes(wide)
    wide_view = memoryview(wide).cast("B")
    wide_view[:len(data)] = data
    assert protocol.read_game_state(wide, "8.4") == protocol.read_game_state(bytes(wide), "8.4")
    assert wide_bytes != bytes(wide)
    # A strided view has no contiguous bytes to read.
    with pytest.raises(BufferError):
        protocol.read_game_state(memoryview(data)[::2], "8.4")
    with pytest.raises(BufferError):
        protocol.buffer_from(memoryview(data)[::3])


NOT_BYTES = "must be a bytes-like object"


class _NoInit(tav.GameState):
    def __init__(self):  # skips the base class's: no native object behind it
        pass


@pytest.mark.parametrize("call, error, text", [
    (lambda: protocol.read_game_state("text", "8.4"), TypeError, NOT_BYTES),
    (lambda: protocol.read_game_state(None, "8.4"), TypeError, NOT_BYTES),
    (lambda: protocol.read_game_state([1, 2], "8.4"), TypeError, NOT_BYTES),
    (lambda: protocol.read_message(3, "8.4"), TypeError, NOT_BYTES),
    (lambda: protocol.buffer_from("abc"), TypeError, NOT_BYTES),
    (lambda: protocol.read_game_state(b"", 8.4), TypeError, "version must be a str"),
    (lambda: protocol.read_game_state(b"", "9.1"), ValueError,
     r"unknown protocol version '9.1' \(known: 7.6, 8.0, 8.4\)"),
    (lambda: protocol.write_game_state(tav.GameState(), "8.5"), ValueError, "known: 7.6, 8.0, 8.4"),
    (lambda: protocol.write_message(tav.Header(), tav.GameState(), ""), ValueError, "known: 7.6"),
    (lambda: protocol.read_game_state(b"", "8.4", strict=1), TypeError, "strict must be True"),
    (lambda: protocol.read_game_state(b"", "8.4", dump=3), TypeError, "dump must be a writable"),
    (lambda: protocol.read_game_state(b"", "8.4", dump=io.BytesIO()), TypeError, "str"),
    (lambda: protocol.read_message(b"", "8.4", dump="x"), TypeError, "dump must be a writable"),
    (lambda: protocol.read_game_state(b"", "8.4", True), TypeError, "positional"),
    (lambda: protocol.write_game_state(tav.Actor(), "8.4"), TypeError,
     "state must be a tav.GameState, not Actor"),
    (lambda: protocol.write_game_state(None, "8.4"), TypeError, "not NoneType"),
    (lambda: protocol.write_game_state(_NoInit(), "8.4"), TypeError,
     "state is a _NoInit that holds no native tav.GameState"),
    (lambda: protocol.read_message(b"\x80\x00", "8.4"), ValueError, "malformed header"),
    (lambda: protocol.write_message(tav.GameState(), tav.GameState(), "8.4"), TypeError,
     "header must be a tav.Header"),
    (lambda: protocol.body_size(b"", "8.4"), TypeError, "state must be a tav.GameState"),
    (lambda: protocol.buffer_bytes(b""), TypeError, "buffer must be a tav.Buffer"),
    (lambda: protocol.dump(3), TypeError, "needs its enumeration"),
    (lambda: protocol.dump(tav.Header()), TypeError, "dump\\(\\) takes a record"),
    (lambda: protocol.dump(3, int), TypeError, "holder classes"),
    (lambda: protocol.dump("3", tav.Condition), TypeError, "must be an int"),
    (lambda: protocol.printed_name(2 ** 40, tav.Condition), OverflowError, "32-bit"),
    (lambda: protocol.enumerator_value(3, tav.Condition), TypeError, "must be a str"),
    (lambda: protocol.v8_4.readGameState(tav.GameState(), b""), TypeError, "Buffer"),
    (lambda: setattr(protocol.v8_4, "readGameState", print), AttributeError, "replaced"),
])
def test_bad_arguments(call, error, text):
    with pytest.raises(error, match=text):
        call()


def test_hostile_bytes_never_crash():
    # In a child: random and crafted bodies and messages of every version, strict or not.
    result = run_child("""
        import random, tav, tav.protocol as p
        rng = random.Random(11)
        blobs = [bytes(rng.randrange(256) for _ in range(rng.randrange(200))) for _ in range(1500)]
        blobs += [b"\\xff\\xff\\xff\\xff\\x07" * 40, b"\\x00" * 5000, b"\\x80" * 300]
        errors = 0
        for v in p.VERSIONS:
            for blob in blobs:
                s = p.read_game_state(blob, v)
                assert p.write_game_state(s, v) is not None
                for call in (lambda: p.read_game_state(blob, v, strict=True),
                             lambda: p.read_message(blob, v, strict=True),
                             lambda: p.read_message(blob, v)):
                    try:
                        call()
                    except ValueError:
                        errors += 1
        message = p.read_message(b"\\x00\\x00\\x00" + bytes(30), "8.4")
        print("ok", errors > 0)
    """, timeout=300)
    assert result.returncode == 0, result.stderr
    # States still alive at exit (s, the lambdas) are destroyed without a word.
    assert result.stdout.split() == ["ok", "True"]


# --- messages --------------------------------------------------------------------------------

def test_messages_frame_and_stream():
    state = example_state("8.4")
    header = tav.Header()
    header.event, header.payload, header.length = "game_state", "p1", 999
    message = protocol.write_message(header, state, "8.4")
    assert header.length == 999  # the caller's header is left alone
    # The header's own writer and reader agree on the framing.
    buffer = protocol.buffer_from(message)
    read_back = tav.Header()
    assert tav.readHeader(read_back, buffer)
    assert (read_back.event, read_back.payload, read_back.length) == ("game_state", "p1", 74)
    assert protocol.buffer_bytes(buffer, unread_only=True) == EXAMPLE_84

    # Bytes arriving one at a time: None until the whole message is there.
    stream = message + protocol.write_message(tav.Header(), tav.GameState(), "8.4")
    received, messages = b"", []
    for byte in stream:
        received += bytes([byte])
        got = protocol.read_message(received, "8.4", strict=True)
        if got is not None:
            messages.append(got)
            received = received[got.consumed:]
    assert received == b""
    assert [m.consumed for m in messages] == [len(message), len(stream) - len(message)]
    first, second = messages
    assert first.header == read_back and first.state == state
    assert second.state == tav.GameState() and second.header.event == ""


def test_message_body_checks():
    message = protocol.write_message(tav.Header(), example_state("8.4"), "8.4")
    with pytest.raises(ValueError, match="bytes left after the 7.6 game-state body"):
        protocol.read_message(message, "7.6", strict=True)  # a 7.6 reader in an 8.4 body
    # A body longer than its contents: padding after the body in the frame.
    header = tav.Header()
    header.length = 5
    framed = bytearray()
    framed += protocol.buffer_bytes(_header_buffer(header)) + b"\x01" + bytes(4)
    got = protocol.read_message(bytes(framed), "8.4")
    assert got.consumed == len(framed) and got.state.round == 1
    with pytest.raises(ValueError, match="incomplete 8.4 game-state body: the field at byte 8 could not be read .* 8 bytes given"):
        protocol.read_message(bytes(framed), "8.4", strict=True)
    # A negative length can never frame a body.
    header.length = 2 ** 64 - 3
    negative = protocol.buffer_bytes(_header_buffer(header)) + bytes(10)
    with pytest.raises(ValueError, match="announces a body of -3 bytes"):
        protocol.read_message(negative, "8.4")


def _header_buffer(header):
    buffer = protocol.buffer_from(bytes(64))
    buffer.clear()
    tav.writeHeader(header, buffer)
    return buffer


# --- dumps -----------------------------------------------------------------------------------

def test_dump_text_equals_the_native_output():
    # The child prints, natively, what the per-version readers and _print write; the same text
    # must come out of the Python-side dumps.
    result = run_child("""
        import sys, tav, tav.protocol as p
        from test_protocol import EXAMPLES, large_state
        for v, data in EXAMPLES.items():
            p.v%s.readGameState(tav.GameState(), p.buffer_from(data))
        big = p.write_game_state(large_state(), "8.4")
        p.v8_4.readGameState(tav.GameState(), p.buffer_from(big))
        s = p.read_game_state(EXAMPLES["8.4"], "8.4")
        for record in (s, s.actors[0], s.actors[1], s.actors[1].getPlayer(),
                       s.actors[0].getMonster(), s.actors[0].instances[0], s.ability_decks[3]):
            tav._print(record)
        from test_protocol import enumeration_records
        for record in enumeration_records():
            tav._print(record)
        for value in range(-1, 11):
            tav._print(value); print("|", flush=True, end="")  # _print(int): SummonColor
    """.replace("p.v%s", "getattr(p, 'v' + v.replace('.', '_'))"))
    assert result.returncode == 0, result.stderr

    text = io.StringIO()
    for version, data in EXAMPLES.items():
        protocol.read_game_state(data, version, dump=text)
    protocol.read_game_state(protocol.write_game_state(large_state(), "8.4"), "8.4", dump=text)
    s = protocol.read_game_state(EXAMPLES["8.4"], "8.4")
    for record in (s, s.actors[0], s.actors[1], s.actors[1].getPlayer(),
                   s.actors[0].getMonster(), s.actors[0].instances[0], s.ability_decks[3]):
        text.write(protocol.dump(record))
    for record in enumeration_records():
        text.write(protocol.dump(record))
    for value in range(-1, 11):
        text.write(protocol.dump(value, tav.SummonColor) + "|")
    assert text.getvalue() == result.stdout
    assert "Unknown (27)" in result.stdout and "actor: player" in result.stdout


def test_dump_into_streams():
    data = EXAMPLE_84
    expected = io.StringIO()
    protocol.read_game_state(data, "8.4", dump=expected)
    expected = expected.getvalue()

    # Any object with write(str) takes the dump; text never splits inside a UTF-8 sequence.
    pieces = []

    class Collector:
        def write(self, text):
            pieces.append(text)

    state = example_state("8.4")
    state.actors[1].getPlayer().name = "ü" * 20000
    data_long = protocol.write_game_state(state, "8.4")
    protocol.read_game_state(data_long, "8.4", dump=Collector())
    assert len(pieces) > 1 and "".join(pieces).count("ü") == 40000

    # A write() that raises: the exception reaches the caller, nothing else goes out.
    calls = []

    class Failing:
        def write(self, text):
            calls.append(text)
            raise OSError("disk full")

    with pytest.raises(OSError, match="disk full"):
        protocol.read_game_state(data_long, "8.4", dump=Failing())
    assert len(calls) == 1
    # A write() that tries to resize the bytes being read: they stay exported until the read is
    # done, so the resize fails instead of freeing them under the reader.
    message_long = protocol.write_message(tav.Header(), state, "8.4")
    for read, data_read in ((protocol.read_game_state, data_long),
                            (protocol.read_message, message_long)):
        source = bytearray(data_read)

        class Clearing:
            def write(self, text, source=source):
                source.clear()

        with pytest.raises(BufferError):
            read(source, "8.4", dump=Clearing())
        assert source == data_read
    closed = io.StringIO()
    closed.close()
    with pytest.raises(ValueError, match="closed file"):
        protocol.read_message(protocol.write_message(tav.Header(), state, "8.4"), "8.4",
                              dump=closed)
    assert "".join(pieces) != expected


def test_dump_to_sys_stdout_is_captured(capsys):
    protocol.read_game_state(EXAMPLE_84, "8.4", dump=sys.stdout)
    out = capsys.readouterr().out
    assert out.startswith("Nr monster ability decks: 1\nNr actors: 2\nMonster type: Normal\n")
    assert out.endswith(protocol.dump(example_state("8.4")))


def test_threads_read_with_their_own_dumps():
    big = protocol.write_game_state(large_state(), "8.4")
    example = EXAMPLE_84
    reference = {}
    for name, data in (("big", big), ("example", example)):
        out = io.StringIO()
        protocol.read_game_state(data, "8.4", dump=out)
        reference[name] = out.getvalue()
    expected_big = protocol.read_game_state(big, "8.4")
    failures = []

    def reader(name, data):
        try:
            for _ in range(15):
                out = io.StringIO()
                protocol.read_game_state(data, "8.4", dump=out)
                if out.getvalue() != reference[name]:
                    failures.append(name)
                if protocol.read_game_state(big, "8.4") != expected_big:  # quiet, unlocked
                    failures.append("quiet")
        except Exception as error:  # pragma: no cover - reported below
            failures.append(repr(error))

    threads = [threading.Thread(target=reader, args=args)
               for args in (("big", big), ("example", example), ("big", big))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert failures == []


# --- buffers ---------------------------------------------------------------------------------

def test_buffer_from_and_bytes_out():
    source = bytearray(EXAMPLE_84)
    buffer = protocol.buffer_from(source)
    source[:] = b"\0" * len(source)  # a copy: later changes of the source don't reach it
    del source
    gc.collect()
    assert (buffer.getSize(), buffer.getReadPosition(), buffer.getPosition()) == (74, 0, 74)
    state = tav.GameState()
    protocol.v8_4.readGameState(state, buffer)
    assert state == example_state("8.4") and buffer.getSize() == 0
    assert bytes(buffer) == protocol.buffer_bytes(buffer) == EXAMPLE_84
    assert protocol.buffer_bytes(buffer, unread_only=True) == b""
    buffer.setReadPosition(70)
    assert protocol.buffer_bytes(buffer, unread_only=True) == EXAMPLE_84[70:]
    assert buffer.getReadPosition() == 70

    # The copy lives as long as the Buffer's native handle, also without its proxy.
    handle = protocol.buffer_from(b"\x2a\x07").this
    gc.collect()
    assert tav._tav.Buffer_readByte(handle) == 0x2A
    del handle

    empty = protocol.buffer_from(b"")
    assert empty.getSize() == 0 and empty.readByte() == 0 and bytes(empty) == b""
    tav.Buffer().writeFullInt(1)  # the plain constructors stay as they are
    written = tav.Buffer()
    written.writeFullInt(0x01020304)
    assert bytes(written) == b"\x01\x02\x03\x04"


# --- names and the proxies' Python side ------------------------------------------------------

def test_enumeration_names():
    cases = 0
    for holder in (tav.AttackModifier, tav.CharacterClass, tav.Condition, tav.ElementState,
                   tav.MonsterType, tav.PlayerInit, tav.SummonColor):
        for attribute, value in vars(holder).items():
            if not isinstance(value, int) or attribute.startswith("__"):
                continue
            identifier = attribute[1:] if attribute == "_None" else attribute
            assert protocol.enumerator_name(value, holder) == identifier
            assert protocol.enumerator_value(identifier, holder) == value
            cases += 1
        assert protocol.enumerator_name(1000, holder) == ""
        assert protocol.enumerator_value("nope", holder) is None
    assert cases == 87
    assert protocol.printed_name(tav.Condition.Stuned, tav.Condition) == "Stuned"
    assert protocol.printed_name(200, tav.CharacterClass) == "Unknown (200)"
    assert protocol.printed_name(200, tav.Condition) == ""
    # The names are the ones the record dumps print.
    for record in enumeration_records():
        text = protocol.dump(record)
        if isinstance(record, tav.PlayerActor):
            line = "character_class: %s\n" % protocol.printed_name(record.character_class,
                                                                    tav.CharacterClass)
        else:
            line = "type: %s\n" % protocol.printed_name(record.type, tav.MonsterType)
        assert line in text


def test_records_compare_by_value_and_show_their_fields():
    a, b = example_state("8.4"), example_state("8.4")
    assert a == b and not (a != b)
    b.actors[0].instances[0].hp = 4
    assert a != b and a.actors[0] != b.actors[0] and a.actors[1] == b.actors[1]
    assert a.ability_decks[3] == b.ability_decks[3]
    assert a.actors[0].getMonster() == b.actors[0].getMonster()
    assert (a == "x") is False and a != tav.Actor()
    assert tav.PlayerActor() == tav.PlayerActor() and tav.Header() == tav.Header()
    with pytest.raises(TypeError, match="unhashable"):
        hash(a)

    assert repr(a) == "<tav.GameState round=2 scenario=7 level=1 actors=2 decks=1>"
    assert repr(a.actors[1]) == "<tav.Actor player name='hero' class=Varsk instances=0>"
    assert repr(a.actors[0]) == "<tav.Actor monster id=3 level=1 instances=1>"
    assert repr(a.actors[0].instances[0]) == "<tav.MonsterInstance number=1 type=Normal hp=5/5>"
    assert repr(a.ability_decks[3]) == ("<tav.MonsterAbilityDeck id=3 abilities=2 discarded=0 "
                                        "shown_ability=12>")
    header = protocol.read_message(protocol.write_message(tav.Header(), a, "8.4"), "8.4").header
    assert repr(header) == "<tav.Header event='' payload='' length=74>"
    assert repr(protocol.buffer_from(b"abc")) == "<tav.Buffer read=0 written=3>"


def test_unknown_attributes_are_refused():
    objects = [tav.GameState(), tav.Actor(), tav.PlayerActor(), tav.MonsterActor(),
               tav.MonsterInstance(), tav.MonsterAbilityDeck(), tav.Header(), tav.Buffer(),
               tav.IntVector(), tav.ActorVector(), tav.MonsterAbilityDeckLookupMap(),
               tav.Optionalint(), tav.Condition()]
    for obj in objects:
        with pytest.raises(AttributeError, match="has no attribute 'rounds'"):
            obj.rounds = 1
        assert not hasattr(obj, "rounds")
    state = objects[0]
    state.round = 4  # fields, the ownership flag and private names stay settable
    state.thisown = True
    state._note = "kept"
    assert (state.round, state._note) == (4, "kept")

    class Mine(tav.GameState):
        pass

    mine = Mine()
    mine.extra = 1  # a subclass of a user's own takes attributes as any class does
    assert mine.extra == 1


def test_readme_example_runs():
    readme = open(os.path.join(os.path.dirname(__file__), "..", "..", "README.md")).read()
    start = readme.index("```python\nimport io")
    code = readme[start + len("```python\n"):readme.index("```", start + 10)]
    result = run_child(code)
    assert result.returncode == 0, result.stderr
    assert result.stdout.startswith("<tav.GameState round=2 scenario=0 level=0 actors=1 decks=1>\n"
                                    "game_state 2\n2 hero\nplayer\n")
    assert result.stdout.endswith("Stuned\n")


def test_json_round_trip():
    state = example_state("8.4")
    try:
        text = protocol.to_json(state)
    except NotImplementedError:
        pytest.skip("built without the JSON mapping")
    assert json.loads(text)["round"] == 2 and "\n" not in protocol.to_json(state, -1)
    rng = random.Random(5)
    for s in [state, tav.GameState()] + [random_state(rng) for _ in range(20)]:
        assert protocol.from_json(protocol.to_json(s)) == s
    with pytest.raises(ValueError, match="round"):
        protocol.from_json('{"round": "x"}')
    with pytest.raises(ValueError):
        protocol.from_json("{")
    with pytest.raises(TypeError):
        protocol.from_json(b"{}")
