"""Typical uses of the module, run by pytest and also type-checked with the shipped stubs
(mypy --strict --warn-unused-ignores): the annotations say what the stubs must give, and each
`type: ignore` marks a misuse that both the stubs and the module must reject."""
from typing import Dict, List, Optional, Tuple

import pytest

import tav


def test_records_and_views() -> None:
    state = tav.GameState()
    state.round = 2
    state.fire = tav.ElementState.Strong
    state.actors.append(tav.Actor(tav.PlayerActor()))
    actor: tav.Actor = state.actors[0]
    player: Optional[tav.PlayerActor] = actor.getPlayer()
    monster: Optional[tav.MonsterActor] = actor.getMonster()
    assert player is not None and monster is None
    player.name = "hero"
    player.conditions.append(tav.Condition.Stuned)
    condition: int = player.conditions[0]
    name: str = state.actors[0].getPlayer().name  # type: ignore[union-attr]
    assert (condition, name) == (tav.Condition.Stuned, "hero")
    with pytest.raises(TypeError):
        state.solo = 1  # type: ignore[assignment]
    with pytest.raises(TypeError):
        state.removed_abilities = [1, 2]  # type: ignore[assignment]


def test_containers_and_optionals() -> None:
    vector = tav.IntVector([3, 1, 2])
    head: int = vector[0]
    tail: tav.IntVector = vector[1:]
    values: List[int] = [value for value in vector]
    assert (head, list(tail), values) == (3, [1, 2], [3, 1, 2])
    assert vector.end() - vector.begin() == 3
    with pytest.raises(TypeError):
        tav.IntVector(["a"])  # type: ignore[list-item]

    decks = tav.MonsterAbilityDeckLookupMap({4: tav.MonsterAbilityDeck(4)})
    deck: tav.MonsterAbilityDeck = decks[4]
    items: List[Tuple[int, tav.MonsterAbilityDeck]] = decks.items()
    as_dict: Dict[int, tav.MonsterAbilityDeck] = decks.asdict()
    keys: List[int] = [key for key in decks]
    assert deck.id == items[0][0] == list(as_dict)[0] == keys[0] == 4

    deck.shown_ability = tav.make_optional(5)
    shown: int = deck.shown_ability.value()
    record: tav.MonsterActor = tav.OptionalMonsterActor().value()
    assert shown == 5 and not record.ability.has_value()
    with pytest.raises(TypeError):
        deck.shown_ability = 5  # type: ignore[assignment]


def test_buffer_and_header() -> None:
    header = tav.Header()
    header.event = "game_state"
    buffer = tav.Buffer()
    tav.writeHeader(header, buffer)
    buffer.writeInt(-1, True)
    copy = tav.Header()
    read: bool = tav.readHeader(copy, buffer)
    number: int = buffer.readInt(True)
    assert read and copy.event == "game_state" and number == -1
    with pytest.raises(TypeError):
        buffer.writeInt(value=1, optimizePositive=True)  # type: ignore[call-arg]


def test_protocol_module() -> None:
    import array
    import io

    import tav.protocol as protocol

    state = tav.GameState()
    state.round = 3
    body: bytes = protocol.write_game_state(state, "8.4")
    copy: tav.GameState = protocol.read_game_state(memoryview(body), "8.4", strict=True)
    assert protocol.read_game_state(array.array("B", body), "8.4") == copy
    equal: bool = copy == state
    text = io.StringIO()
    protocol.read_game_state(bytearray(body), "7.6", dump=text)
    message: Optional[protocol.Message] = protocol.read_message(
        protocol.write_message(tav.Header(), state, "8.0"), "8.0")
    assert message is not None and equal and text.getvalue()
    consumed: int = message.consumed
    buffer: tav.Buffer = protocol.buffer_from(body)
    protocol.v8_4.readGameState(tav.GameState(), buffer)
    assert bytes(buffer) == protocol.buffer_bytes(buffer) == body and consumed > len(body)
    names: Tuple[str, str] = (protocol.dump(3, tav.Condition),
                              protocol.printed_name(3, tav.Condition))
    assert names == ("Stuned", "Stuned") and protocol.VERSIONS[-1] == "8.4"
    with pytest.raises(TypeError):
        protocol.read_game_state("text", "8.4")  # type: ignore[arg-type]
    with pytest.raises(AttributeError):
        state.rounds = 1  # type: ignore[attr-defined]
