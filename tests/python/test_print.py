"""The text dump through _print, read from a child's standard output (native std::cout)."""

import pytest

from conftest import run_child

EXAMPLE_STATE = """
import tav
state = tav.GameState()
state.round, state.scenario_number, state.scenario_level = 2, 7, 1
state.track_standees = True
state.attack_modifier1 = tav.OptionalAttackModifier(tav.AttackModifier.Crit)
state.fire, state.air = tav.ElementState.Strong, tav.ElementState.Waning
state.removed_abilities.append(4)
state.removed_abilities.append(9)
deck = tav.MonsterAbilityDeck(3)
deck.shown_ability = tav.make_optional(12)
deck.abilities.append(10)
deck.abilities.append(11)
state.ability_decks[3] = deck
monster = tav.MonsterActor()
monster.id, monster.level, monster.is_normal = 3, 1, True
group = tav.Actor(monster)
figure = tav.MonsterInstance()
figure.number, figure.hp, figure.hp_max = 1, 5, 5
figure.conditions.append(tav.Condition.Poisoned)
group.instances.append(figure)
state.actors.append(group)
player = tav.PlayerActor()
player.name, player.character_class = "hero", tav.CharacterClass.Varsk
player.xp, player.hp, player.hp_max, player.level, player.loot, player.initiative = 4, 8, 10, 1, 2, 35
hero = tav.Actor(player)
hero.turn_completed = True
state.actors.append(hero)
"""

EXAMPLE_DUMP = """\
round: 2
scen nr: 7
scen lvl: 1
track standees: 1
ability cards: 0
rand standees: 0
elite first: 0
expire cond: 0
solo: 0
hide stats: 0
calc stats: 0
can draw: 0
needs shuffle: 0
player init: value1
attack modifier 1: x2
fire state:  Strong
ics state:   Inert
air state:   Waning
earth state: Inert
light state: Inert
dark state:  Inert
removed abilities: {4 9 }
bad omen: 0
brav: 0
monster ability deck: id: 3
shuffle: 0
shown ability: 12
abilties: { 10 11 }
abilties discard: { }
actor: monster
  {
    id:        3
    level:     1
    is_normal: 1
    is_elite:  0
    ability:  -1
  }
turn_completed: 0
instance:    {
       number: 1
       type: Normal
       is_new: 0
       hp: 5
       hp_max: 5
       conditions: 1
         Poisoned
       conditions expired: 0
       conditions current_turn: 0
   }

actor: player
   {
       name: hero
       character_class: Varsk
       xp: 4
       hp: 8
       hp_max: 10
       level: 1
       loot: 2
       initiative: 35
       conditions: 0
       conditions expired: 0
       conditions current_turn: 0
       exhausted: 0
   }
turn_completed: 1
"""


def dump(code):
    result = run_child(code)
    assert result.returncode == 0, result.stderr
    assert result.stderr == ""
    return result.stdout


def test_game_state_dump():
    assert dump(EXAMPLE_STATE + "tav._print(state)\n") == EXAMPLE_DUMP


def test_attack_modifier_lists_from_handles():
    out = dump("""
        import tav
        source = tav.GameState()
        source.attack_modifiers = tav.getAttackModifierValues()
        state = tav.GameState()
        state.attack_modifiers_discard = source.attack_modifiers
        tav._print(state)
    """)
    faces = ["0", "+1", "+2", "-1", "-2", "x0", "x2", "x2*", "x0*"]
    assert "".join("attack modifier discard: %s\n" % f for f in faces) in out
    assert "attack modifier: " not in out


@pytest.mark.parametrize("code, expected", [
    ("tav._print(2)", "Green"),
    ("tav._print(tav.SummonColor._None)", "None"),
    ("tav._print(99)", ""),
    ("tav._print(True)", "Turquise"),
    ("tav._print(tav.MonsterActor())",
     "  {\n    id:        0\n    level:     0\n    is_normal: 0\n    is_elite:  0\n"
     "    ability:  -1\n  }\n"),
    ("tav._print(tav.MonsterAbilityDeck(5))",
     "id: 5\nshuffle: 0\nshown ability: -1\nabilties: { }\nabilties discard: { }\n"),
])
def test_single_dumps(code, expected):
    assert dump("import tav\n" + code + "\n") == expected


def test_actor_prints_only_its_live_record():
    out = dump("""
        import tav
        player = tav.PlayerActor()
        player.character_class = 20
        actor = tav.Actor(player)
        figure = tav.MonsterInstance()
        figure.type = tav.MonsterType.Summon
        figure.summon_move = 2
        actor.instances.append(figure)
        actor.instances.append(tav.MonsterInstance())
        tav._print(actor)
    """)
    assert out.startswith("player\n   {\n       name: \n       character_class: Unknown (20)\n")
    assert "monster\n" not in out
    assert out.count("instance:    {\n") == 2 and out.count("   }\n\n") == 2
    assert ("       summon_color:  None\n       summon_move:   2\n"
            "       summon_attack: 0\n       summon_range:  0\n") in out


def test_dump_goes_to_native_stdout_not_sys_stdout():
    out = dump("""
        import io, sys, tav
        sys.stdout = io.StringIO()
        tav._print(tav.ElementState.Waning)
        sys.stdout = sys.__stdout__
    """)
    # An int carries no enumeration type: every int is printed as a SummonColor.
    assert out == "Green"


def test_print_rejects_other_objects():
    out = dump("""
        import tav
        for value in ("x", None, 2**31, tav.Header(), tav.IntVector()):
            try:
                tav._print(value)
            except TypeError as error:
                assert str(error).startswith(
                    "Wrong number or type of arguments for overloaded function '_print'.")
            else:
                raise AssertionError(value)
    """)
    assert out == ""
