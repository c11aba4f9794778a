"""tav.protocol.to_json / from_json: states from the samples and from random bodies survive the
way through JSON (and write the same bytes again), names that are not UTF-8 travel as hex, and
bad texts raise ValueError saying what and where.

Oracles: the shipped samples read by tav.protocol, the equality of records, and the JSON
module of Python for the shape of the text.
"""

import json
import os
import random

import pytest

import tav
import tav.protocol as protocol

try:
    protocol.to_json(tav.GameState())
except NotImplementedError:
    pytest.skip("built without the JSON mapping", allow_module_level=True)

SAMPLES = os.path.join(os.path.dirname(__file__), "..", "..", "examples", "data")


def sample(version):
    with open(os.path.join(SAMPLES, f"body-{version}.bin"), "rb") as f:
        return f.read()


@pytest.mark.parametrize("version", protocol.VERSIONS)
def test_samples_survive_json(version):
    state = protocol.read_game_state(sample(version), version, strict=True)
    text = protocol.to_json(state)
    back = protocol.from_json(text)
    assert back == state
    assert protocol.write_game_state(back, version) == sample(version)
    document = json.loads(text)
    assert document["round"] == 2 and document["fire"] == "Strong"
    kinds = [actor["kind"] for actor in document["actors"]]
    assert kinds == ["monster", "player"]
    assert document["actors"][1]["player"]["name"] == "hero"
    # One line with a negative indent; the same state either way.
    assert "\n" not in protocol.to_json(state, -1)
    assert protocol.from_json(protocol.to_json(state, -1)) == state


def test_random_bodies_survive_json():
    rng = random.Random(5)
    for _ in range(300):
        version = rng.choice(protocol.VERSIONS)
        data = bytearray(sample(rng.choice(protocol.VERSIONS)))
        for _ in range(rng.randrange(1, 6)):
            data[rng.randrange(len(data))] = rng.randrange(256)
        state = protocol.read_game_state(bytes(data), version)
        text = protocol.to_json(state)
        assert protocol.from_json(text) == state, text


def test_values_without_a_member_and_extremes():
    state = tav.GameState()
    state.round = -2**31
    state.bad_omen = 2**31 - 1
    state.fire = 7
    document = json.loads(protocol.to_json(state))
    assert document["fire"] == 7 and document["round"] == -2**31
    assert protocol.from_json(json.dumps(document)) == state
    # A name whose bytes are not UTF-8 travels as hex; Python sees it with surrogateescape.
    named = protocol.from_json('{"actors": [{"kind": "player", "player": {"name": {"hex": "68ff"}}}]}')
    assert named.actors[0].getPlayer().name == "h\udcff"
    assert json.loads(protocol.to_json(named))["actors"][0]["player"]["name"] == {"hex": "68ff"}


@pytest.mark.parametrize("text,what", [
    ('{"rounds": 1}', 'at /rounds: unknown member "rounds" of a game state'),
    ('{"round": 2147483648}', "at /round: expected an integer from -2147483648 to 2147483647"),
    ('{"actors": [{"kind": "monster", "monster": {"level": "x"}}]}',
     "at /actors/0/monster/level: expected an integer"),
    ('{\n "round": 1,\n}', "line 3, column 1: syntax error"),
    ('{"state": {}}', 'at /state: unknown member "state"'),
])
def test_bad_texts_raise_value_error_with_the_place(text, what):
    with pytest.raises(ValueError) as error:
        protocol.from_json(text)
    assert what in str(error.value)


def test_wrong_argument_types():
    with pytest.raises(TypeError):
        protocol.to_json("not a state")
    with pytest.raises(TypeError):
        protocol.to_json(tav.GameState(), "2")
    with pytest.raises(TypeError):
        protocol.from_json(42)
    with pytest.raises(ValueError):  # a lone surrogate is no UTF-8: UnicodeEncodeError
        protocol.from_json("\udcff")
