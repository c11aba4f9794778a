"""Messages from Python through the library's message layer: read_message with and without a
version, MessageStream over every split of a stream of the samples, version detection and the
field schema.

Oracles: the one-shot read_message of the same bytes, the strict readers of every version
(for detection), and the sample files, whose headers name their versions.
"""

import os
import random

import pytest

import tav
import tav.protocol as P

DATA = os.path.join(os.path.dirname(__file__), "..", "..", "examples", "data")


def sample(name):
    with open(os.path.join(DATA, name), "rb") as f:
        return f.read()


MESSAGES = {v: sample("gamestate-%s.bin" % v) for v in P.VERSIONS}
STREAM = b"".join(MESSAGES[v] for v in P.VERSIONS)


def one_shot(data):
    """The messages of data read one after another with read_message."""
    found = []
    while data:
        m = P.read_message(data)
        if m is None:
            break
        found.append(m)
        data = data[m.consumed:]
    return found


def same(a, b):
    return [(m.header, m.state, m.consumed) for m in a] == [(m.header, m.state, m.consumed) for m in b]


def test_version_from_the_header_and_the_strict_refusal():
    for version, data in MESSAGES.items():
        m = P.read_message(data, strict=True)
        assert m.header.payload == version and m.consumed == len(data)
        assert P.write_message(m.header, m.state, version) == data
    # The 8.4 sample also reads in 8.0 without a word, as another state; strict refuses it.
    loose = P.read_message(MESSAGES["8.4"], "8.0")
    assert (len(loose.state.ability_decks), len(loose.state.actors)) == (0, 1)
    with pytest.raises(ValueError, match="names version 8.4, not 8.0"):
        P.read_message(MESSAGES["8.4"], "8.0", strict=True)
    # A bare body without a version: the detection's choice.
    assert P.read_game_state(sample("body-7.6.bin")) == P.read_game_state(sample("body-7.6.bin"), "7.6")


def test_every_split_and_one_byte_feeds_give_the_messages_of_one_read():
    expected = one_shot(STREAM)
    assert [m.header.payload for m in expected] == list(P.VERSIONS)
    for cut in range(len(STREAM) + 1):
        stream = P.MessageStream()
        got = stream.feed(STREAM[:cut]) + stream.feed(memoryview(STREAM)[cut:])
        assert same(got, expected), cut
        assert stream.buffered == 0 and stream.position == len(STREAM)
    stream = P.MessageStream()
    got = [m for i in range(len(STREAM)) for m in stream.feed(STREAM[i:i + 1])]
    assert same(got, expected)
    rng = random.Random(3)
    for _ in range(50):
        stream, got, i = P.MessageStream(), [], 0
        while i < len(STREAM):
            n = rng.randrange(1, 40)
            got += stream.feed(bytearray(STREAM[i:i + n]))
            i += n
        assert same(got, expected)


def test_broken_and_too_large_messages_lose_nothing():
    first = MESSAGES["7.6"]
    # A limit of exactly a message's size takes it; one less refuses it at once.
    assert len(P.MessageStream(limit=len(first)).feed(first)) == 1
    stream = P.MessageStream(limit=len(first) - 1)
    with pytest.raises(P.MessageError, match="more than the limit"):
        stream.feed(first)
    stream.discard(len(first))
    assert stream.buffered == 0
    stream.limit = 1 << 20
    assert len(stream.feed(MESSAGES["8.0"])) == 1
    assert len(P.MessageStream(limit=0).feed(b"")) == 0
    # A negative text count after a good message: the good one comes with the error.
    stream = P.MessageStream()
    with pytest.raises(P.MessageError, match="malformed") as error:
        stream.feed(first + b"\xff\xff" + bytes(8))
    assert [m.consumed for m in error.value.messages] == [len(first)]
    stream.discard(10)
    assert stream.feed(first)[0].state == error.value.messages[0].state
    # Hostile lengths: a negative one raises, a 2 GB one is refused, never waited for.
    with pytest.raises(ValueError, match="announces a body of -1 bytes"):
        P.read_message(b"\x00\x00\xff\xff\xff\xff\x0f")
    with pytest.raises(P.MessageError, match="more than the limit"):
        P.MessageStream().feed(b"\x00\x00\xff\xff\xff\xff\x07")
    assert P.read_message(b"\x00\x00\xff\xff\xff\xff\x07") is None
    with pytest.raises(TypeError):
        P.MessageStream(limit="1")
    with pytest.raises(ValueError, match="unknown protocol version"):
        P.MessageStream("9.9")


def test_detection_agrees_with_the_strict_readers():
    rng = random.Random(8)
    bodies = [sample("body-%s.bin" % v) for v in P.VERSIONS]
    for _ in range(300):
        body = bytearray(rng.choice(bodies))
        for _ in range(rng.randrange(3)):
            body[rng.randrange(len(body))] = rng.randrange(256)
        body = bytes(body[:rng.randrange(len(body) + 1)] if rng.random() < 0.2 else body)
        d = P.detect_version(body)
        exact = []
        for trial in d.trials:
            try:
                P.read_game_state(body, trial.version, strict=True)
                exact.append(trial.version)
            except ValueError:
                pass
        assert [t.version for t in d.trials if t.result == "exact"] == exact
        assert d.exact == bool(exact) and (d.chosen in exact or not exact)
        assert d.named is None


def test_schema_lists_the_fields_of_a_version():
    for version in P.VERSIONS:
        fields = {f.pattern: f for f in P.schema(version)}
        assert fields["round"].type == "number" and fields["round"].record == "state"
        hp = fields["actors[].instances[].hp"]
        assert (hp.record, hp.depth) == ("figure", 2)
        assert fields["actors[].player.character_class"].enumeration == "CharacterClass"
    assert len(P.schema("8.4")) > len(P.schema("7.6"))
