"""The Python binding against plain Python classes with the same fields.

Measures attribute get and set on a GameState proxy, indexing actors[i] of a state with 100
actors, and building a state of 100 actors (monster groups of 8 figures). Prints one JSON
object: for each case the median time per operation in nanoseconds for the binding and for the
plain classes, and their ratio. Run with PYTHONPATH at the built module (the directory that
holds tav.py and _tav.so).
"""

import json
import statistics
import sys
import timeit

import tav

REPEATS = 5


class PlainMonsterInstance:
    def __init__(self):
        self.number = 0
        self.type = 0
        self.summon_color = 0
        self.summon_move = 0
        self.summon_attack = 0
        self.summon_range = 0
        self.is_new = False
        self.hp = 0
        self.hp_max = 0
        self.conditions = []
        self.conditions_expired = []
        self.conditions_current_turn = []


class PlainMonsterActor:
    def __init__(self):
        self.id = 0
        self.level = 0
        self.is_normal = False
        self.is_elite = False
        self.ability = None


class PlainActor:
    def __init__(self, monster):
        self.is_player = False
        self.monster = monster
        self.player = None
        self.turn_completed = False
        self.instances = []


class PlainGameState:
    def __init__(self):
        self.round = 0
        self.scenario_number = 0
        self.scenario_level = 0
        self.track_standees = False
        self.ability_cards = False
        self.random_standees = False
        self.elites_first = False
        self.expire_conditions = False
        self.solo = False
        self.hide_stats = False
        self.calculate_stats = False
        self.can_draw = False
        self.needs_shuffle = False
        self.player_init = 0
        self.attack_modifiers = []
        self.attack_modifiers_discard = []
        self.attack_modifier1 = None
        self.attack_modifier2 = None
        self.fire = self.ice = self.air = self.earth = self.light = self.dark = 0
        self.removed_abilities = []
        self.bad_omen = 0
        self.brav = False
        self.ability_decks = {}
        self.actors = []


def build(module_state, monster_actor, actor, instance, append):
    """A state of 100 monster groups with 8 figures each, through the given types."""
    state = module_state()
    state.round = 3
    for a in range(100):
        monster = monster_actor()
        monster.id = a % 20 + 1
        monster.level = 4
        monster.is_normal = True
        entry = actor(monster)
        for f in range(8):
            figure = instance()
            figure.number = f + 1
            figure.hp = 5 + f
            figure.hp_max = 12
            append(entry.instances, figure)
        append(state.actors, entry)
    return state


def build_binding():
    return build(tav.GameState, tav.MonsterActor, tav.Actor, tav.MonsterInstance,
                 lambda vector, item: vector.push_back(item))


def build_plain():
    return build(PlainGameState, PlainMonsterActor, PlainActor, PlainMonsterInstance,
                 lambda vector, item: vector.append(item))


def per_op_ns(stmt, number, namespace):
    """Median over REPEATS runs of the time of one execution of stmt, in nanoseconds."""
    timer = timeit.Timer(stmt, globals=namespace)
    runs = timer.repeat(repeat=REPEATS, number=number)
    return statistics.median(runs) / number * 1e9


def main():
    binding_state = build_binding()
    plain_state = build_plain()
    assert len(binding_state.actors) == 100 and len(binding_state.actors[99].instances) == 8

    cases = {
        "attribute get": ("s.round", 200000),
        "attribute set": ("s.round = 7", 200000),
        "actors[i]": ("s.actors[57]", 100000),
        "build 100 actors": ("build()", 20),
    }
    results = {}
    for name, (stmt, number) in cases.items():
        ours = per_op_ns(stmt, number, {"s": binding_state, "build": build_binding})
        plain = per_op_ns(stmt, number, {"s": plain_state, "build": build_plain})
        results[name] = {"binding_ns": ours, "plain_ns": plain, "ratio": ours / plain}
    json.dump({"python": sys.version.split()[0], "cases": results}, sys.stdout, indent=1)
    print()


if __name__ == "__main__":
    main()
