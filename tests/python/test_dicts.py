"""tav.protocol.to_dict / from_dict: the JSON mapping's shape as plain Python values.

Oracles: json.loads(to_json(state)) for the shape, from_json(json.dumps(document)) for what is
refused and the message saying where, over the samples, random bodies and random mutations of
their documents.
"""

import copy
import json
import os
import random

import pytest

import tav
import tav.protocol as P

try:
    P.to_json(tav.GameState())
except NotImplementedError:
    pytest.skip("built without the JSON mapping", allow_module_level=True)

DATA = os.path.join(os.path.dirname(__file__), "..", "..", "examples", "data")
BODIES = {}
for _v in P.VERSIONS:
    with open(os.path.join(DATA, "body-%s.bin" % _v), "rb") as _f:
        BODIES[_v] = _f.read()


def random_states(rng, n):
    for _ in range(n):
        version = rng.choice(P.VERSIONS)
        data = bytearray(BODIES[rng.choice(P.VERSIONS)])
        for _ in range(rng.randrange(1, 6)):
            data[rng.randrange(len(data))] = rng.randrange(256)
        yield P.read_game_state(bytes(data), version)


def json_verdict(document):
    try:
        return P.from_json(json.dumps(document))
    except ValueError as error:
        return str(error)


def dict_verdict(document):
    try:
        return P.from_dict(document)
    except ValueError as error:
        return str(error)


def test_the_shape_is_the_json_mapping_and_comes_back():
    states = [P.read_game_state(b, v) for v, b in BODIES.items()]
    states += list(random_states(random.Random(4), 300))
    # A name that is not UTF-8 ({"hex": "68ff"}) and a value without a member (its number).
    named = P.from_json('{"fire": 7, "actors": [{"kind": "player", "player": {"name": {"hex": "68ff"}}}]}')
    states.append(named)
    for state in states:
        document = P.to_dict(state)
        assert document == json.loads(P.to_json(state))
        assert list(document) == list(json.loads(P.to_json(state)))
        assert P.from_dict(document) == state
    assert P.to_dict(named)["actors"][0]["player"]["name"] == {"hex": "68ff"}


def mutations(rng, document):
    """Random changes of one value somewhere in the document."""
    values = [None, True, 0, -1, 2 ** 31, 2 ** 32, 1.5, "x", "Strong", "monster", [], {}, [1],
              {"hex": "zz"}, {"a": 1}]
    for _ in range(400):
        d = copy.deepcopy(document)
        node, target = d, None
        for _ in range(rng.randrange(1, 6)):
            children = list(node.items()) if isinstance(node, dict) else \
                list(enumerate(node)) if isinstance(node, list) else []
            if not children:
                break
            key, child = rng.choice(children)
            target = (node, key)
            if rng.random() < 0.5 or not isinstance(child, (dict, list)):
                break
            node = child
        if target is None:
            continue
        node, key = target
        if isinstance(node, dict) and rng.random() < 0.15:
            node["extra_" + str(rng.randrange(3))] = 1
        elif isinstance(node, dict) and rng.random() < 0.1:
            del node[key]
        else:
            node[key] = rng.choice(values)
        yield d


def test_refusals_match_from_json():
    rng = random.Random(9)
    state = P.read_game_state(BODIES["8.4"], "8.4")
    checked = refused = 0
    for document in mutations(rng, P.to_dict(state)):
        expected, got = json_verdict(document), dict_verdict(document)
        assert got == expected, document
        checked += 1
        refused += isinstance(got, str)
    assert checked > 300 and refused > 100
    for document in ([], None, {"round": 1, "actors": [{"kind": "player", "monster": {}}]},
                     {"ability_decks": {"-0": {}}}, {"ability_decks": {"7": {"id": "7"}}}):
        assert dict_verdict(document) == json_verdict(document)


def test_python_extras_and_hostile_values():
    # Tuples for lists and int deck keys are taken; other Python values are refused by type.
    state = P.from_dict({"attack_modifiers": ("Plus1", 3), "ability_decks": {5: {}}})
    assert P.to_dict(state)["attack_modifiers"] == ["Plus1", "Minus1"]
    assert state.ability_decks[5].id == 5
    for document, what in [({"round": b"1"}, "got a value of type bytes"),
                           ({1: 2}, "member names must be strings"),
                           ({"ability_decks": {2 ** 40: {}}}, "is not an integer"),
                           ({"actors": [{"kind": "player", "player": {"name": "\ud800"}}]},
                            "lone surrogates")]:
        with pytest.raises(ValueError, match=what):
            P.from_dict(document)
    with pytest.raises(TypeError):
        P.to_dict(tav.Actor())
    deep = []
    for _ in range(100000):
        deep = [deep]
    with pytest.raises(ValueError):
        P.from_dict({"attack_modifiers": deep})


class Index:
    """An int-like value as numpy's integers are: not an int, but with __index__."""

    def __init__(self, value, document=None):
        self.value, self.document = value, document

    def __index__(self):
        if self.document is not None:
            self.document.clear()  # drops the containers being read, and this value itself
        return self.value


def test_index_ints_are_ints():
    document = {"round": Index(3), "attack_modifiers": [Index(1)], "removed_abilities": (Index(9),),
                "ability_decks": {Index(5): {"id": Index(5), "shown_ability": Index(2)}}}
    state = P.from_dict(document)
    assert (state.round, list(state.removed_abilities), state.ability_decks[5].shown_ability.value(),
            P.to_dict(state)["attack_modifiers"]) == (3, [9], 2, ["Plus1"])
    with pytest.raises(ValueError, match="/round"):
        P.from_dict({"round": Index(2 ** 40)})
    # __index__ that empties the document while it is read: no freed value is touched.
    for _ in range(3):
        document = {"round": 1}
        document["actors"] = [{"kind": "monster", "monster": {"id": Index(1, document)},
                               "instances": []}]
        decks = {}
        decks[Index(4, decks)] = {"id": Index(4, decks)}
        for hostile in (document, {"ability_decks": decks}):
            try:
                P.from_dict(hostile)
            except ValueError:
                pass
