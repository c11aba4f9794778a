"""Every JSON document the tools write validates against schema/gamestate.schema.json, names
every member the schema knows, and the schema refuses what tav-encode refuses."""

import json
import random

import jsonschema
import pytest

from conftest import SCHEMA, VERSIONS, run, sample


@pytest.fixture(scope="module")
def validator():
    with open(SCHEMA) as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    return jsonschema.Draft202012Validator(schema)


def documents(output):
    """The JSON documents of tav-dump's output, one after another."""
    decoder = json.JSONDecoder()
    text = output.decode()
    found, at = [], 0
    while True:
        while at < len(text) and text[at].isspace():
            at += 1
        if at == len(text):
            return found
        document, at = decoder.raw_decode(text, at)
        found.append(document)


def dumped_documents():
    """tav-dump's JSON for the samples, a stream, and random bodies that read exactly."""
    for version in VERSIONS:
        yield from documents(run("tav-dump", "-f", "json", "-", data=sample("gamestate", version)).stdout)
        yield from documents(run("tav-dump", "-f", "json", "-b", "-p", version, "-",
                                 data=sample("body", version)).stdout)
    # Random bytes read as a bare body give odd values: out-of-range enumeration numbers,
    # extreme ints, names that are not UTF-8.
    rng = random.Random(99)
    kept = 0
    for _ in range(400):
        base = bytearray(sample("body", rng.choice(VERSIONS)))
        for _ in range(rng.randrange(1, 6)):
            base[rng.randrange(len(base))] = rng.randrange(256)
        version = rng.choice(VERSIONS)
        result = run("tav-dump", "-f", "json", "-b", "-p", version, "-", data=bytes(base))
        if result.stdout:
            kept += 1
            yield from documents(result.stdout)
    assert kept > 100


def test_tool_output_validates(validator):
    count = 0
    for document in dumped_documents():
        errors = sorted(validator.iter_errors(document), key=lambda e: list(e.path))
        assert not errors, (document, [e.message for e in errors])
        count += 1
    assert count > 100


def schema_properties(schema, definition):
    node = schema["$defs"][definition]
    if "oneOf" in node:
        node = node["oneOf"][0]
    return set(node["properties"])


def test_output_names_every_member_the_schema_knows(validator):
    schema = validator.schema
    document = documents(run("tav-dump", "-f", "json", "-", data=sample("gamestate", "8.4")).stdout)[0]
    assert set(document) == schema_properties(schema, "message")
    state = document["state"]
    assert set(state) == schema_properties(schema, "gameState")
    deck = next(iter(state["ability_decks"].values()))
    assert set(deck) == schema_properties(schema, "abilityDeck")
    kinds = {actor["kind"]: actor for actor in state["actors"]}
    assert set(kinds["monster"]) == {"kind", "monster", "turn_completed", "instances"}
    assert set(kinds["monster"]["monster"]) == schema_properties(schema, "monster")
    assert set(kinds["player"]["player"]) == schema_properties(schema, "player")
    assert set(kinds["monster"]["instances"][0]) == schema_properties(schema, "monsterInstance")


REFUSED = [
    {"round": 2147483648},
    {"round": 1.5},
    {"rounds": 1},
    {"fire": "Hot"},
    {"fire": 4294967296},
    {"attack_modifier1": -1},
    {"ability_decks": {"01": {}}},
    {"ability_decks": {"1": {"extra": 1}}},
    {"actors": [{"kind": "hero"}]},
    {"actors": [{"kind": "monster", "player": {}}]},
    {"actors": [{"kind": "player", "player": {"name": {"hex": "zz"}}}]},
    {"actors": [{"monster": {}}]},
    {"state": {}, "protocol": 8.4},
]


@pytest.mark.parametrize("document", REFUSED, ids=lambda d: json.dumps(d)[:40])
def test_schema_and_encoder_refuse_the_same_documents(validator, document):
    assert not validator.is_valid(document)
    result = run("tav-encode", "-", data=json.dumps(document).encode())
    assert result.returncode == 1 and result.stdout == b""


ACCEPTED = [
    {},
    {"round": -2147483648, "fire": 7, "attack_modifier2": None},
    {"ability_decks": {"-3": {"id": 5}}},
    {"actors": [{"kind": "player", "player": {"name": {"hex": "ff00"}}, "instances": [{}]}]},
    {"state": {"solo": True}, "event": "x"},
]


@pytest.mark.parametrize("document", ACCEPTED, ids=lambda d: json.dumps(d)[:40])
def test_schema_and_encoder_accept_the_same_documents(validator, document):
    assert validator.is_valid(document)
    # Valid documents whose values a body can't hold (a deck keyed apart from its id, a name
    # with a NUL byte) are refused for that alone: --lossy sets that check aside here.
    result = run("tav-encode", "--lossy", "-", data=json.dumps(document).encode())
    assert result.returncode == 0, result.stderr
