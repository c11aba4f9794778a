"""Record attributes, optionals, actor views, Buffer and header from Python."""

import copy
import pickle

import pytest

import tav

INT_MIN, INT_MAX = -2**31, 2**31 - 1

INT_FIELDS = [
    (tav.MonsterInstance, ["number", "summon_move", "summon_attack", "summon_range", "hp",
                           "hp_max"]),
    (tav.MonsterActor, ["id", "level"]),
    (tav.PlayerActor, ["xp", "hp", "hp_max", "level", "loot", "initiative"]),
    (tav.MonsterAbilityDeck, ["id"]),
    (tav.GameState, ["round", "scenario_number", "scenario_level", "bad_omen"]),
]
BOOL_FIELDS = [
    (tav.MonsterInstance, ["is_new"]),
    (tav.MonsterActor, ["is_normal", "is_elite"]),
    (tav.PlayerActor, ["exhausted"]),
    (tav.Actor, ["_Actor__is_player", "turn_completed"]),
    (tav.MonsterAbilityDeck, ["shuffle", "shown", "was_shown"]),
    (tav.GameState, ["track_standees", "ability_cards", "random_standees", "elites_first",
                     "expire_conditions", "solo", "hide_stats", "calculate_stats", "can_draw",
                     "needs_shuffle", "brav"]),
]
ENUM_FIELDS = [
    (tav.MonsterInstance, "type", "tav::MonsterType"),
    (tav.MonsterInstance, "summon_color", "tav::SummonColor"),
    (tav.PlayerActor, "character_class", "tav::CharacterClass"),
    (tav.GameState, "player_init", "tav::PlayerInit"),
] + [(tav.GameState, e, "tav::ElementState")
     for e in ["fire", "ice", "air", "earth", "light", "dark"]]
CONTAINER_FIELDS = [
    (tav.MonsterInstance, "conditions", tav.ConditionVector, [3, 99]),
    (tav.MonsterInstance, "conditions_expired", tav.ConditionVector, [1]),
    (tav.MonsterInstance, "conditions_current_turn", tav.ConditionVector, [2]),
    (tav.PlayerActor, "conditions", tav.ConditionVector, [4]),
    (tav.PlayerActor, "conditions_expired", tav.ConditionVector, [5]),
    (tav.PlayerActor, "conditions_current_turn", tav.ConditionVector, [6]),
    (tav.MonsterAbilityDeck, "abilities", tav.IntVector, [10, -1]),
    (tav.MonsterAbilityDeck, "abilities_discard", tav.IntVector, [11]),
    (tav.GameState, "removed_abilities", tav.IntVector, [4, 9]),
]

CONDITION_VECTOR = "std::vector< tav::Condition,std::allocator< tav::Condition > > *"
SETTER_TYPES = [
    (tav.MonsterInstance, "conditions", CONDITION_VECTOR),
    (tav.PlayerActor, "conditions_current_turn", CONDITION_VECTOR),
    (tav.MonsterActor, "ability", "tl::optional< int > *"),
    (tav.MonsterAbilityDeck, "shown_ability", "tl::optional< int > *"),
    (tav.MonsterAbilityDeck, "abilities", "std::vector< int,std::allocator< int > > *"),
    (tav.Actor, "instances",
     "std::vector< tav::MonsterInstance,std::allocator< tav::MonsterInstance > > *"),
    (tav.Actor, "_Actor__player", "PlayerActor"),
    (tav.GameState, "attack_modifiers",
     "std::vector< tav::AttackModifier,std::allocator< tav::AttackModifier > > *"),
    (tav.GameState, "attack_modifier2", "tl::optional< tav::AttackModifier > *"),
    (tav.GameState, "removed_abilities", "std::vector< int,std::allocator< int > > *"),
    (tav.GameState, "ability_decks",
     "std::map< int,tav::MonsterAbilityDeck,std::less< int >,"
     "std::allocator< std::pair< int const,tav::MonsterAbilityDeck > > > *"),
    (tav.GameState, "actors", "std::vector< tav::Actor,std::allocator< tav::Actor > > *"),
    (tav.Header, "event", "std::string const &"),
]


def expand(table):
    return [(cls, name) for cls, names in table for name in names]


def message(cls, name, type_name):
    return "in method '%s_%s_set', argument 2 of type '%s'" % (
        cls.__name__, name.replace("_Actor__", "__"), type_name)


@pytest.mark.parametrize("cls, name", expand(INT_FIELDS))
def test_int_fields(cls, name):
    record = cls()
    assert getattr(record, name) == 0
    for value in (INT_MIN, INT_MAX, -1, 7):
        setattr(record, name, value)
        assert getattr(record, name) == value
    setattr(record, name, True)
    assert getattr(record, name) == 1 and type(getattr(record, name)) is int
    for value, error in ((INT_MAX + 1, OverflowError), (INT_MIN - 1, OverflowError),
                         (2**64, OverflowError), (1.5, TypeError), ("1", TypeError),
                         (None, TypeError)):
        with pytest.raises(error) as info:
            setattr(record, name, value)
        assert str(info.value) == message(cls, name, "int")
    assert getattr(record, name) == 1


@pytest.mark.parametrize("cls, name", expand(BOOL_FIELDS))
def test_bool_fields_take_only_bool(cls, name):
    record = cls()
    setattr(record, name, True)
    assert getattr(record, name) is True
    setattr(record, name, False)
    assert getattr(record, name) is False
    for value in (0, 1, None, 1.0, "True"):
        with pytest.raises(TypeError) as info:
            setattr(record, name, value)
        assert str(info.value) == message(cls, name, "bool")
    assert getattr(record, name) is False


@pytest.mark.parametrize("cls, name, type_name", ENUM_FIELDS)
def test_enum_fields_take_any_32_bit_value(cls, name, type_name):
    record = cls()
    assert getattr(record, name) == 0
    for value in (1, 7, 99, -1, INT_MIN, INT_MAX, True):
        setattr(record, name, value)
        assert getattr(record, name) == value
    for value, error in ((INT_MAX + 1, OverflowError), (INT_MIN - 1, OverflowError),
                         (0.0, TypeError), (None, TypeError)):
        with pytest.raises(error) as info:
            setattr(record, name, value)
        assert str(info.value) == message(cls, name, type_name)


@pytest.mark.parametrize("cls, name", [(tav.PlayerActor, "name"), (tav.Header, "event"),
                                       (tav.Header, "payload")])
def test_string_fields(cls, name):
    record = cls()
    assert getattr(record, name) == ""
    for text in ("hero", "h\u00e9ros \u2603", "a\0b", ""):
        setattr(record, name, text)
        assert getattr(record, name) == text
    # A surrogate that no bytes give (outside the escapes U+DC80..U+DCFF) has no UTF-8 form.
    for value in (b"hero", bytearray(b"x"), 3, "bad\ud800"):
        with pytest.raises(TypeError) as info:
            setattr(record, name, value)
        assert str(info.value) == message(cls, name, "std::string const &")
    # None is the null handle of a std::string, refused as a null reference.
    with pytest.raises(ValueError) as info:
        setattr(record, name, None)
    assert str(info.value) == "invalid null reference " + message(cls, name, "std::string const &")
    assert getattr(record, name) == ""


def test_size_t_field():
    header = tav.Header()
    for value in (0, 2**31, 2**64 - 1):
        header.length = value
        assert header.length == value
    for value, error in ((-1, OverflowError), (2**64, OverflowError), (1.0, TypeError)):
        with pytest.raises(error) as info:
            header.length = value
        assert str(info.value) == message(tav.Header, "length", "std::size_t")


@pytest.mark.parametrize("cls, name, type_name", SETTER_TYPES)
def test_object_fields_take_only_their_own_type(cls, name, type_name):
    record = cls()
    for value in ([1, 2], {}, 3, tav.Header() if cls is not tav.Header else b"x"):
        with pytest.raises(TypeError) as info:
            setattr(record, name, value)
        assert str(info.value) == message(cls, name, type_name)


@pytest.mark.parametrize("cls, name, vector_type, items", CONTAINER_FIELDS)
def test_container_fields_are_views_and_assignment_copies(cls, name, vector_type, items):
    record = cls()
    view = getattr(record, name)
    assert type(view) is vector_type and not view.this.own() and len(view) == 0
    for item in items:
        view.append(item)
    assert list(getattr(record, name)) == items

    replacement = vector_type()
    replacement.append(items[0])
    setattr(record, name, replacement)
    assert list(getattr(record, name)) == items[:1]
    replacement.append(items[0])
    assert list(getattr(record, name)) == items[:1]


def test_actor_instances_and_state_actors_are_views():
    state = tav.GameState()
    state.actors.append(tav.Actor(tav.PlayerActor()))
    state.actors[0].instances.append(tav.MonsterInstance())
    state.actors[0].instances[0].hp = 4
    assert state.actors[0].instances[0].hp == 4
    state.ability_decks[3] = tav.MonsterAbilityDeck(3)
    state.ability_decks[3].abilities.append(12)
    assert list(state.ability_decks[3].abilities) == [12]


def test_optional_fields():
    deck = tav.MonsterAbilityDeck()
    assert type(deck.shown_ability) is tav.Optionalint
    assert not deck.shown_ability.has_value() and deck.shown_ability.value() == 0
    deck.shown_ability = tav.make_optional(2)
    assert deck.shown_ability.has_value() and deck.shown_ability.value() == 2
    deck.shown_ability = tav.Optionalint()
    assert not deck.shown_ability.has_value()

    monster = tav.MonsterActor()
    held = tav.Optionalint(-5)
    monster.ability = held
    assert monster.ability.value() == -5
    assert not monster.ability.this.own()

    state = tav.GameState()
    assert type(state.attack_modifier1) is tav.OptionalAttackModifier
    state.attack_modifier1 = tav.OptionalAttackModifier(tav.AttackModifier.Crit)
    state.attack_modifier2 = tav.OptionalAttackModifier(42)
    assert state.attack_modifier1.value() == 6 and state.attack_modifier2.value() == 42
    with pytest.raises(TypeError):
        state.attack_modifier1 = tav.make_optional(6)  # an Optionalint


OPTIONAL_INT_CLASSES = [tav.Optionalint, tav.OptionalAttackModifier, tav.OptionalCharacterClass,
                        tav.OptionalCondition, tav.OptionalElementState, tav.OptionalMonsterType,
                        tav.OptionalPlayerInit, tav.OptionalSummonColor]


@pytest.mark.parametrize("cls", OPTIONAL_INT_CLASSES)
def test_integer_optionals(cls):
    empty = cls()
    assert empty.has_value() is False and empty.value() == 0
    for value in (0, 3, 99, -1, INT_MIN, INT_MAX):
        held = cls(value)
        assert held.has_value() is True and held.value() == value
        copy = cls(held)
        assert copy.has_value() and copy.value() == value
    assert cls(cls()).has_value() is False
    for value in (INT_MAX + 1, "1", None, 1.0):
        with pytest.raises(TypeError) as info:
            cls(value)
        assert str(info.value).startswith(
            "Wrong number or type of arguments for overloaded function 'new_%s'." % cls.__name__)


@pytest.mark.parametrize("optional, record", [(tav.OptionalMonsterActor, tav.MonsterActor),
                                              (tav.OptionalPlayerActor, tav.PlayerActor)])
def test_record_optionals_give_copies(optional, record):
    default = optional().value()
    assert type(default) is record and default.this.own() and default.level == 0
    source = record()
    source.level = 3
    held = optional(source)
    source.level = 4
    first = held.value()
    assert first.level == 3
    first.level = 9
    assert held.value().level == 3
    assert optional(held).value().level == 3
    with pytest.raises(TypeError, match="new_" + optional.__name__):
        optional(None)


def test_empty_record_optional_value_is_a_default_record():
    monster = tav.OptionalMonsterActor().value()
    assert monster.id == 0 and monster.level == 0 and not monster.ability.has_value()
    player = tav.OptionalPlayerActor().value()
    assert player.name == "" and player.character_class == tav.CharacterClass.Escort


def test_make_optional():
    assert type(tav.make_optional(3)) is tav.Optionalint
    assert tav.make_optional(3).value() == 3
    assert tav.make_optional(True).value() == 1
    monster = tav.MonsterActor()
    monster.id = 8
    made = tav.make_optional(monster)
    assert type(made) is tav.OptionalMonsterActor and made.this.own()
    monster.id = 9
    assert made.value().id == 8
    assert type(tav.make_optional(tav.PlayerActor())) is tav.OptionalPlayerActor
    with pytest.raises(TypeError, match="'make_optional'"):
        tav.make_optional(None)


def test_actor_views():
    actor = tav.Actor(tav.PlayerActor())
    assert actor._Actor__is_player is True
    assert actor.getMonster() is None
    player = actor.getPlayer()
    assert type(player) is tav.PlayerActor and not player.this.own()
    player.hp = 5
    assert actor.getPlayer().hp == 5

    monster_actor = tav.Actor(tav.MonsterActor())
    assert monster_actor.getPlayer() is None and monster_actor.getMonster().id == 0
    monster_actor.getMonster().ability = tav.make_optional(7)
    assert monster_actor.getMonster().ability.value() == 7

    monster_actor._Actor__is_player = True
    assert monster_actor.getMonster() is None and monster_actor.getPlayer().name == ""
    monster_actor._Actor__is_player = False
    assert monster_actor.getMonster().ability.value() == 7

    assert tav.Actor()._Actor__is_player is False and tav.Actor().getPlayer() is None


def test_actor_constructors_copy():
    record = tav.MonsterActor()
    record.level = 2
    actor = tav.Actor(record)
    record.level = 3
    assert actor.getMonster().level == 2
    player = tav.PlayerActor()
    player.name = "hero"
    assert tav.Actor(player).getPlayer().name == "hero"


def test_actor_record_handles_copy_between_actors():
    source = tav.Actor()
    source.getMonster().level = 4
    target = tav.Actor()
    handle = source._Actor__monster
    assert handle.own()
    source.getMonster().level = 5
    target._Actor__monster = handle
    assert target.getMonster().level == 4
    player_source = tav.Actor(tav.PlayerActor())
    player_source.getPlayer().name = "p"
    target._Actor__player = player_source._Actor__player
    target._Actor__is_player = True
    assert target.getPlayer().name == "p"
    with pytest.raises(TypeError):
        target._Actor__player = source._Actor__monster


def test_attack_modifier_lists_take_only_their_handles():
    state = tav.GameState()
    state.attack_modifiers = tav.getAttackModifierValues()
    other = tav.GameState()
    other.attack_modifiers_discard = state.attack_modifiers
    for value in (tav.IntVector([1]), tav.getConditionValues(), [0, 1],
                  tav.Buffer().readString()):
        with pytest.raises(TypeError, match="GameState_attack_modifiers_set"):
            state.attack_modifiers = value


@pytest.mark.parametrize("function, count", [
    (tav.getCharacterClassValues, 26), (tav.getConditionValues, 19),
    (tav.getElementStateValues, 3), (tav.getMonsterTypeValues, 16),
    (tav.getPlayerInitValues, 5), (tav.getSummonColorValues, 9),
])
def test_value_lists(function, count):
    values = function()
    assert values.this.own() and list(values) == list(range(count))
    values.append(99)
    assert len(function()) == count


def test_record_defaults_and_clear():
    state = tav.GameState()
    assert state.player_init == tav.PlayerInit.value1 and len(state.actors) == 0
    state.round = 5
    state.solo = True
    state.attack_modifier1 = tav.OptionalAttackModifier(tav.AttackModifier.Crit)
    state.actors.append(tav.Actor())
    state.removed_abilities.append(1)
    state.ability_decks[2] = tav.MonsterAbilityDeck(2)
    state.clear()
    assert state.round == 5 and state.solo is True and state.attack_modifier1.value() == 6
    assert len(state.actors) == len(state.removed_abilities) == len(state.ability_decks) == 0
    assert tav.MonsterAbilityDeck(7).id == 7 and tav.MonsterAbilityDeck().id == 0


def test_buffer_round_trip():
    buffer = tav.Buffer()
    assert (buffer.getSize(), buffer.getPosition(), buffer.getReadPosition()) == (0, 0, 0)
    buffer.writeInt(300, True)
    buffer.writeInt(-3, False)
    buffer.writeByte(255)
    buffer.writeFullInt(INT_MIN)
    buffer.writeUTFString("h\u00e9")
    buffer.writeBoolean(True)
    buffer.writeIntArray(tav.IntVector([1, -2, 3]), False)
    assert buffer.getPosition() == 2 + 1 + 1 + 4 + 5 + 1 + 4
    assert buffer.readInt(True) == 300
    assert buffer.readInt(False) == -3
    assert buffer.readByte() == 255
    assert buffer.readFullInt() == INT_MIN
    text = buffer.readUTFString()
    assert type(text).__name__ == "SwigPyObject" and text.own()
    assert buffer.readBoolean() is True
    out = tav.IntVector([7])
    buffer.readIntArray(out, False)
    assert list(out) == [7, 1, -2, 3]
    assert buffer.getSize() == 0
    assert buffer.readInt(True) == 0 and buffer.readBoolean() is False

    # A string read as an opaque handle is written back unchanged.
    copy = tav.Buffer()
    copy.writeUTFString("abc")
    handle = copy.readUTFString()
    out_buffer = tav.Buffer()
    out_buffer.writeString(handle)
    again = tav.Buffer()
    again.writeString(out_buffer.readString())
    assert again.getPosition() == out_buffer.getPosition() > 0
    with pytest.raises(TypeError, match="Buffer_writeString"):
        out_buffer.writeString("abc")


def test_buffer_positions():
    buffer = tav.Buffer()
    for _ in range(1025):
        buffer.writeByte(1)
    assert buffer.getPosition() == 1024
    buffer.setReadPosition(1000)
    assert buffer.getSize() == 24
    buffer.flush()
    assert (buffer.getReadPosition(), buffer.getPosition()) == (0, 24)
    buffer.clear()
    assert buffer.getSize() == 0
    with pytest.raises(TypeError, match="argument 2 of type 'bool'"):
        buffer.readInt(1)


def test_read_int_array_with_a_huge_count_reads_only_what_is_there():
    buffer = tav.Buffer()
    buffer.writeInt(INT_MAX, True)
    buffer.writeInt(5, True)
    out = tav.IntVector()
    buffer.readIntArray(out, True)
    assert list(out) == [5]  # no more elements than unread bytes
    assert buffer.getSize() == 0


def write_bytes(buffer, data):
    for byte in data:
        buffer.writeByte(byte)


def test_header_round_trip():
    buffer = tav.Buffer()
    header = tav.Header()
    header.event, header.payload, header.length = "abc", "x", 3
    tav.writeHeader(header, buffer)
    assert [buffer.readByte() for _ in range(buffer.getSize())] == [0, 5, 0x61, 0x62, 0x63, 0x20,
                                                                     0x78, 3]
    buffer.clear()
    tav.writeHeader(header, buffer)
    read = tav.Header()
    assert tav.readHeader(read, buffer) is False
    assert buffer.getReadPosition() == 0 and read.event == ""
    write_bytes(buffer, [0, 0, 0, 0])
    assert tav.readHeader(read, buffer) is True
    assert (read.event, read.payload, read.length) == ("abc", "x", 3)
    assert buffer.getSize() == 4


def test_header_text_that_is_not_utf8_reads_with_surrogate_escapes():
    buffer = tav.Buffer()
    write_bytes(buffer, [0, 4, 0x61, 0xFF, 0xC3, 0x62, 2, 0, 0, 0, 0])
    header = tav.Header()
    assert tav.readHeader(header, buffer)
    assert header.event == "a\udcff\udcc3b" and header.length == 2
    # The same str goes back to the same bytes through surrogateescape: assigned, copied and
    # pickled, a name keeps its bytes.
    header.payload = header.event
    buffer = tav.Buffer()
    tav.writeHeader(header, buffer)
    assert bytes(buffer)[2:11] == b"a\xff\xc3b a\xff\xc3b"
    player = tav.PlayerActor()
    player.name = header.event
    state = tav.GameState()
    state.actors.append(tav.Actor(player))
    for copied in (copy.copy(state), copy.deepcopy(state), pickle.loads(pickle.dumps(state))):
        assert copied.actors[0].getPlayer().name == "a\udcff\udcc3b"
