"""The names, order, constants, docstrings and error texts of the tav module."""

import re
import types
from pathlib import Path

import pytest

import tav
from conftest import run_child

_tav = tav._tav

CLASSES = [
    "SwigPyIterator",
    "OptionalMonsterActor", "OptionalPlayerActor", "Optionalint", "OptionalAttackModifier",
    "OptionalCharacterClass", "OptionalCondition", "OptionalElementState", "OptionalMonsterType",
    "OptionalPlayerInit", "OptionalSummonColor",
    "AttackModifier", "CharacterClass", "Condition", "ElementState", "MonsterType", "PlayerInit",
    "SummonColor",
    "Actor", "MonsterAbilityDeck", "MonsterActor", "MonsterInstance", "PlayerActor", "GameState",
    "Buffer", "Header",
    "IntVector", "CharacterClassVector", "ConditionVector", "ElementStateVector",
    "MonsterTypeVector", "PlayerInitVector", "SummonColorVector", "ActorVector",
    "MonsterInstanceVector", "MonsterAbilityDeckLookupMap",
]

ENUMS = {
    "AttackModifier": ["Zero", "Plus1", "Plus2", "Minus1", "Minus2", "Miss", "Crit", "Bless",
                       "Curse"],
    "CharacterClass": ["Escort", "Objective", "Varsk", "Tolmin", "Quessa", "Dravel", "Orlune",
                       "Fennick", "Sabrel", "Kettar", "Morvik", "Pellow", "Zarnet", "Ilvas",
                       "Hollet", "Wendar", "Gessim", "Calvet", "Nostri", "Yorrel", "value20",
                       "Astrel", "Tervo", "Ulmeth", "Skellan", "value25"],
    "Condition": ["Star", "Summon", "NotSummon", "Stuned", "Immobilized", "Disarmed", "Wounded",
                  "Muddle", "Poisoned", "Strengthen", "Invisible", "Regenerate"]
                 + ["value%d" % d for d in range(13, 20)],
    "ElementState": ["Inert", "Strong", "Waning"],
    "MonsterType": ["Normal", "Elite", "Boss", "Summon"] + ["value%d" % d for d in range(5, 17)],
    "PlayerInit": ["value%d" % d for d in range(1, 6)],
    "SummonColor": ["_None", "Turquise", "Green", "Yellow", "Orange", "White", "Purple", "Pink",
                    "Red"],
}

FREE_FUNCTIONS = [
    "SWIG_PyInstanceMethod_New", "SWIG_PyStaticMethod_New", "make_optional",
    "getAttackModifierValues", "getCharacterClassValues", "getConditionValues",
    "getElementStateValues", "getMonsterTypeValues", "getPlayerInitValues",
    "getSummonColorValues", "_print", "readHeader", "writeHeader",
]


def flat_functions():
    return [k for k, v in vars(_tav).items() if isinstance(v, types.BuiltinFunctionType)]


def test_classes_register_in_order():
    registered = [f[: -len("_swigregister")] for f in flat_functions()
                  if f.endswith("_swigregister")]
    assert registered == CLASSES
    initialised = [f[: -len("_swiginit")] for f in flat_functions() if f.endswith("_swiginit")]
    assert initialised == CLASSES[1:]
    for name in CLASSES:
        assert isinstance(getattr(tav, name), type)


def test_method_table_count_and_placement():
    # 666 wrapped functions plus the two helpers that -fastproxy registers: the proxy methods
    # are bound through SWIG_PyInstanceMethod_New and SWIG_PyStaticMethod_New and call the flat
    # functions directly. Without -fastproxy SWIG 4.1 registers neither helper (666).
    functions = flat_functions()
    assert len(functions) == 668
    assert functions[:2] == ["SWIG_PyInstanceMethod_New", "SWIG_PyStaticMethod_New"]

    def owner(function):
        return next((c for c in CLASSES if function in ("new_" + c, "delete_" + c)
                     or function.startswith(c + "_")), None)

    free = [f for f in functions if owner(f) is None]
    # Each class's entries form one block, the blocks in class order.
    blocks = [CLASSES.index(owner(f)) for f in functions if owner(f) is not None]
    assert blocks == sorted(blocks)
    assert free == FREE_FUNCTIONS

    def after(name, cls):
        return functions.index(name) == functions.index(cls + "_swiginit") + 1

    assert after("make_optional", "OptionalSummonColor")
    for enum in ENUMS:
        assert after("get%sValues" % enum, enum)
    assert after("_print", "GameState")
    assert after("readHeader", "Header")
    assert functions.index("writeHeader") == functions.index("readHeader") + 1


def test_record_members_in_declaration_order():
    functions = flat_functions()
    game_state = [f for f in functions if f.startswith("GameState_") or f.endswith("_GameState")]
    assert game_state[:5] == ["GameState_round_set", "GameState_round_get",
                              "GameState_scenario_number_set", "GameState_scenario_number_get",
                              "GameState_scenario_level_set"]
    assert game_state[-7:] == ["GameState_actors_set", "GameState_actors_get", "new_GameState",
                               "GameState_clear", "delete_GameState", "GameState_swigregister",
                               "GameState_swiginit"]
    actor = [f for f in functions if f.startswith("Actor_") or f.endswith("_Actor")]
    assert actor[:6] == ["Actor___is_player_set", "Actor___is_player_get", "Actor___monster_set",
                         "Actor___monster_get", "Actor___player_set", "Actor___player_get"]


def test_constants_in_order_with_values():
    constants = [(k, v) for k, v in vars(_tav).items() if type(v) is int]
    expected = []
    for enum, members in ENUMS.items():
        expected += [("%s_%s" % (enum, member), value) for value, member in enumerate(members)]
    assert constants == expected
    assert len(constants) == 87
    for enum, members in ENUMS.items():
        holder = getattr(tav, enum)
        for value, member in enumerate(members):
            assert getattr(holder, member) == value
    assert tav.Condition.Stuned == _tav.Condition_Stuned == 3
    assert tav.SummonColor._None == _tav.SummonColor__None == 0


def test_enum_holders_are_empty_owned_scopes():
    holder = tav.Condition()
    assert holder.this.own()
    assert not [k for k in vars(tav.Condition) if not k.startswith("_")
                and k not in ENUMS["Condition"] and k not in ("this", "thisown")]


def test_module_docstring_and_version():
    assert tav.__doc__.strip().startswith("The game model of the tabletop companion application")
    cmake = (Path(__file__).resolve().parents[2] / "CMakeLists.txt").read_text(encoding="utf-8")
    version = re.search(r"project\(\s*tav\s+VERSION\s+([0-9.]+)", cmake).group(1)
    assert tav.__version__ == version


def test_nothing_else_is_exposed():
    # The package's submodule tav.protocol appears once it is imported.
    public = {k for k in vars(tav) if not k.startswith("_")} - {"protocol"}
    constants = {k for k, v in vars(_tav).items() if type(v) is int}
    functions = {f for f in FREE_FUNCTIONS if not f.startswith(("SWIG", "_"))}
    assert public == set(CLASSES) | functions
    assert not public & constants  # the constants live in _tav and as class attributes
    assert callable(tav._print)


@pytest.mark.parametrize("function, doc", [
    ("readHeader", "\nreadHeader(Header state, Buffer buffer) -> bool\n\nParameters\n----------\n"
                   "state: tav::protocol::Header &\nbuffer: tav::protocol::Buffer &\n\n"),
    ("writeHeader", "\nwriteHeader(Header state, Buffer buffer)\n\nParameters\n----------\n"
                    "state: tav::protocol::Header const &\nbuffer: tav::protocol::Buffer &\n\n"),
    ("GameState_round_get", "GameState_round_get(GameState self) -> int"),
    ("GameState_clear", "GameState_clear(GameState self)"),
    ("Buffer_writeByte", "\nBuffer_writeByte(Buffer self, uint8_t value)\n\nParameters\n"
                         "----------\nvalue: uint8_t\n\n"),
    ("getConditionValues", "getConditionValues() -> ConditionVector"),
    ("Optionalint_has_value", "Optionalint_has_value(Optionalint self) -> bool"),
])
def test_docstrings(function, doc):
    assert getattr(_tav, function).__doc__ == doc


def test_overloaded_docstring_lists_every_form():
    doc = _tav.new_Actor.__doc__
    parameters = [line for line in doc.splitlines() if line.startswith(("monster:", "player:"))]
    assert parameters == ["monster: tav::MonsterActor const &", "player: tav::PlayerActor const &",
                          "monster: tav::MonsterActor *", "player: tav::PlayerActor *"]
    assert doc.endswith("new_Actor() -> Actor\n")
    assert _tav._print.__doc__.count("_print(") == 13


ACTOR_PROTOTYPES = ("Wrong number or type of arguments for overloaded function 'new_Actor'.\n"
                    "  Possible C/C++ prototypes are:\n"
                    "    tav::Actor::Actor(tav::MonsterActor const &)\n"
                    "    tav::Actor::Actor(tav::PlayerActor const &)\n"
                    "    tav::Actor::Actor(tav::MonsterActor *)\n"
                    "    tav::Actor::Actor(tav::PlayerActor *)\n"
                    "    tav::Actor::Actor()\n")

PRINT_PROTOTYPES = ("Wrong number or type of arguments for overloaded function '_print'.\n"
                    "  Possible C/C++ prototypes are:\n"
                    + "".join("    tav::print(tav::%s const &)\n" % t for t in [
                        "AttackModifier", "CharacterClass", "Condition", "ElementState",
                        "MonsterType", "PlayerInit", "SummonColor", "Actor", "MonsterAbilityDeck",
                        "MonsterActor", "MonsterInstance", "PlayerActor", "GameState"]))


def _set(obj, name, value):
    setattr(obj, name, value)


@pytest.mark.parametrize("call, error, text", [
    # Argument count of a tuple-taking function.
    (lambda: _tav.GameState_round_set(tav.GameState()), TypeError,
     "GameState_round_set expected 2 arguments, got 1"),
    (lambda: _tav.readHeader(tav.Header()), TypeError, "readHeader expected 2 arguments, got 1"),
    # Argument message: wrong type, bool strictness, bytes for a string, wrong handle.
    (lambda: _set(tav.GameState(), "round", 1.5), TypeError,
     "in method 'GameState_round_set', argument 2 of type 'int'"),
    (lambda: _set(tav.GameState(), "solo", 1), TypeError,
     "in method 'GameState_solo_set', argument 2 of type 'bool'"),
    (lambda: _set(tav.PlayerActor(), "name", b"x"), TypeError,
     "in method 'PlayerActor_name_set', argument 2 of type 'std::string const &'"),
    (lambda: _set(tav.PlayerActor(), "name", "a\ud800"), TypeError,
     "in method 'PlayerActor_name_set', argument 2 of type 'std::string const &'"),
    (lambda: _tav.GameState_round_get(tav.Header()), TypeError,
     "in method 'GameState_round_get', argument 1 of type 'tav::GameState *'"),
    (lambda: _set(tav.Actor(), "_Actor__monster", tav.MonsterActor()), TypeError,
     "in method 'Actor___monster_set', argument 2 of type 'MonsterActor'"),
    (lambda: tav.Buffer().writeIntArray([1, 2], True), TypeError,
     "in method 'Buffer_writeIntArray', argument 2 of type 'std::vector< int,std::allocator< int > >'"),
    # Overflow of int, enumeration, size_t and uint8_t parameters.
    (lambda: _set(tav.GameState(), "round", 2**31), OverflowError,
     "in method 'GameState_round_set', argument 2 of type 'int'"),
    (lambda: _set(tav.GameState(), "fire", -2**31 - 1), OverflowError,
     "in method 'GameState_fire_set', argument 2 of type 'tav::ElementState'"),
    (lambda: _set(tav.Header(), "length", -1), OverflowError,
     "in method 'Header_length_set', argument 2 of type 'std::size_t'"),
    (lambda: tav.Buffer().setReadPosition(2**64), OverflowError,
     "in method 'Buffer_setReadPosition', argument 2 of type 'std::size_t'"),
    (lambda: tav.Buffer().writeByte(256), OverflowError,
     "in method 'Buffer_writeByte', argument 2 of type 'uint8_t'"),
    (lambda: tav.Buffer().writeByte(-1), OverflowError,
     "in method 'Buffer_writeByte', argument 2 of type 'uint8_t'"),
    # Null references: declared references, and the pointer parameters that must not be null.
    (lambda: tav.readHeader(tav.Header(), None), ValueError,
     "invalid null reference in method 'readHeader', argument 2 of type 'tav::protocol::Buffer &'"),
    (lambda: _set(tav.Actor(), "_Actor__player", None), ValueError,
     "invalid null reference in method 'Actor___player_set', argument 2 of type 'PlayerActor'"),
    (lambda: tav.Actor(None), ValueError,
     "invalid null reference in method 'new_Actor', argument 1 of type 'tav::MonsterActor *'"),
    (lambda: tav.Buffer(None, 4), ValueError,
     "invalid null reference in method 'new_Buffer', argument 1 of type 'uint8_t *'"),
    (lambda: _set(tav.GameState(), "actors", None), ValueError,
     "invalid null reference in method 'GameState_actors_set', argument 2 of type "
     "'std::vector< tav::Actor,std::allocator< tav::Actor > > *'"),
    (lambda: _set(tav.MonsterActor(), "ability", None), ValueError,
     "invalid null reference in method 'MonsterActor_ability_set', argument 2 of type "
     "'tl::optional< int > *'"),
    (lambda: _tav.GameState_clear(None), ValueError,
     "invalid null reference in method 'GameState_clear', argument 1 of type 'tav::GameState *'"),
    (lambda: _tav.Optionalint_has_value(None), ValueError,
     "invalid null reference in method 'Optionalint_has_value', argument 1 of type "
     "'tl::optional< int > const *'"),
    # Overloads.
    (lambda: tav.Actor(1), TypeError, ACTOR_PROTOTYPES),
    (lambda: _tav.new_Actor(1, 2), TypeError,
     "new_Actor expected at most 1 arguments, got 2\nAdditional information:\n" + ACTOR_PROTOTYPES),
    (lambda: tav._print("x"), TypeError, PRINT_PROTOTYPES),
    (lambda: tav.MonsterAbilityDeck(2**40), TypeError,
     "Wrong number or type of arguments for overloaded function 'new_MonsterAbilityDeck'.\n"
     "  Possible C/C++ prototypes are:\n"
     "    tav::MonsterAbilityDeck::MonsterAbilityDeck()\n"
     "    tav::MonsterAbilityDeck::MonsterAbilityDeck(int)\n"),
    (lambda: tav.Buffer(1), TypeError,
     "Wrong number or type of arguments for overloaded function 'new_Buffer'.\n"
     "  Possible C/C++ prototypes are:\n"
     "    tav::protocol::Buffer::Buffer()\n"
     "    tav::protocol::Buffer::Buffer(uint8_t *,std::size_t)\n"),
])
def test_failure_texts(call, error, text):
    with pytest.raises(error) as info:
        call()
    assert type(info.value) is error
    assert str(info.value) == text


def test_one_object_functions_leave_the_count_to_python():
    with pytest.raises(TypeError, match="takes exactly one argument"):
        _tav.GameState_round_get()
    with pytest.raises(TypeError, match="takes no arguments"):
        _tav.getConditionValues(1)


def test_keyword_arguments_are_refused():
    with pytest.raises(TypeError):
        _tav.readHeader(state=tav.Header(), buffer=tav.Buffer())


def test_make_optional_overload_message_lists_all_ten():
    with pytest.raises(TypeError) as info:
        tav.make_optional("x")
    lines = str(info.value).splitlines()
    assert lines[0] == "Wrong number or type of arguments for overloaded function 'make_optional'."
    assert len(lines) == 2 + 10
    assert lines[2:5] == ["    tl::make_optional< tav::MonsterActor >(tav::MonsterActor)",
                          "    tl::make_optional< tav::PlayerActor >(tav::PlayerActor)",
                          "    tl::make_optional< int >(int)"]


@pytest.mark.parametrize("make, name", [
    (lambda: tav.Buffer().readString(), "tl::optional< std::string > *"),
    (lambda: tav.Buffer().readUTFString(), "tl::optional< std::string > *"),
    (lambda: tav.getAttackModifierValues(),
     "std::vector< tav::AttackModifier,std::allocator< tav::AttackModifier > > *"),
    (lambda: tav.Actor()._Actor__monster, "MonsterActor *"),
    (lambda: tav.Actor()._Actor__player, "PlayerActor *"),
])
def test_owned_opaque_handles(make, name):
    handle = make()
    assert type(handle).__name__ == "SwigPyObject"
    assert handle.own()
    assert repr(handle).startswith("<Swig Object of type '%s' at 0x" % name)


def test_borrowed_opaque_handle():
    handle = tav.GameState().attack_modifiers
    assert type(handle).__name__ == "SwigPyObject"
    assert not handle.own()
    assert repr(handle).startswith(
        "<Swig Object of type 'std::vector< tav::AttackModifier,"
        "std::allocator< tav::AttackModifier > > *' at 0x")


def test_owned_opaque_handles_are_released_silently():
    # Each handle kind without a class is destroyed by the binding when collected, instead of
    # leaking with the runtime's "memory leak" line.
    result = run_child("""
        import gc, tav
        for _ in range(3):
            tav.Buffer().readString()
            tav.Buffer().readUTFString()
            tav.getAttackModifierValues()
            tav.Actor()._Actor__monster
            tav.Actor()._Actor__player
            tav.IntVector().get_allocator()
            tav.ConditionVector().get_allocator()
            tav.ActorVector().get_allocator()
            tav.MonsterAbilityDeckLookupMap().get_allocator()
            try:
                tav.IntVector([1]).iterator().distance(tav.MonsterInstanceVector().iterator())
            except RuntimeError as error:
                assert str(error).startswith("iterators of different kinds")
            gc.collect()
        print("done")
    """)
    assert result.returncode == 0, result.stderr
    assert result.stdout == "done\n"
