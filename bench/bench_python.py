"""The Python binding against plain Python classes with the same fields, and tav.protocol
against protobuf's Python messages (its C++ implementation) of the same content.

Measures attribute get and set on a GameState proxy, indexing actors[i] of a state with 100
actors, summing a vector of 8 ints (iter() and its steps), and building a state of 100 actors (monster groups of 8 figures); then reading and
writing the worked example and the large state (the content of bench_data.h) as protocol 8.4
bodies and as protobuf messages (bench/gamestate.proto), and reading every field of the large
state from Python after decoding. Prints one JSON object: for each case the median time per
operation in nanoseconds for both sides and their ratio. Run with PYTHONPATH at the built
package (<build>/out/python) and at the Python module protoc made of gamestate.proto.
"""

import json
import statistics
import sys
import timeit

import tav
import tav.protocol as protocol

try:
    import gamestate_pb2 as pb
except ImportError:  # protobuf's Python module or the generated code is missing
    pb = None

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


class Lcg:
    """The number generator of bench_data.h, so both benchmarks measure the same content."""

    def __init__(self):
        self.seed = 12345

    def __call__(self, bound):
        self.seed = (self.seed * 1103515245 + 12345) & 0xFFFFFFFF
        return (self.seed >> 16) % bound


def large_state():
    """makeLargeState() of bench_data.h: 100 actors of 8 figures each (every fifth a player with
    8 summons), 20 decks and full attack-modifier piles."""
    nxt = Lcg()

    def conditions(most):
        return tav.ConditionVector([nxt(12) for _ in range(nxt(most + 1))])

    s = tav.GameState()
    s.round, s.scenario_number, s.scenario_level = 14, 61, 4
    for flag in ("track_standees", "ability_cards", "elites_first", "expire_conditions",
                 "calculate_stats", "can_draw"):
        setattr(s, flag, True)
    s.player_init = tav.PlayerInit.value3
    # The attack-modifier piles are opaque lists: take them from a body that carries them.
    draw = [nxt(9) for _ in range(20)]
    discard = [nxt(9) for _ in range(6)]
    empty = protocol.write_game_state(tav.GameState(), "8.4")
    piles = protocol.read_game_state(empty[:14] + bytes([20] + draw + [6] + discard) + empty[16:],
                                     "8.4", strict=True)
    s.attack_modifiers, s.attack_modifiers_discard = piles.attack_modifiers, piles.attack_modifiers_discard
    s.fire, s.ice, s.dark = tav.ElementState.Strong, tav.ElementState.Waning, tav.ElementState.Strong
    s.removed_abilities = tav.IntVector([100 + nxt(400) for _ in range(12)])
    s.bad_omen, s.brav = 2, True
    for deck_id in range(1, 21):
        deck = tav.MonsterAbilityDeck(deck_id)
        deck.shuffle = deck_id % 3 == 0
        if deck_id % 4 != 0:
            deck.shown_ability = tav.make_optional(8 * deck_id + nxt(8))
        deck.abilities = tav.IntVector([8 * deck_id + nxt(8) for _ in range(6)])
        deck.abilities_discard = tav.IntVector([8 * deck_id + nxt(8) for _ in range(2)])
        s.ability_decks[deck_id] = deck
    for a in range(100):
        if a % 5 == 0:
            p = tav.PlayerActor()
            p.name = "Player %d" % (a // 5 + 1)
            p.character_class = 2 + nxt(20)
            p.xp = nxt(200)
            p.hp_max = 6 + nxt(10)
            p.hp = 1 + nxt(p.hp_max)
            p.level = 1 + nxt(9)
            p.loot = nxt(30)
            p.initiative = 78
            p.conditions = conditions(2)
            p.conditions_expired = conditions(1)
            p.exhausted = a % 25 == 0
            actor = tav.Actor(p)
            actor.turn_completed = a % 2 == 0
            for f in range(8):
                summon = tav.MonsterInstance()
                summon.number = f + 1
                summon.type = tav.MonsterType.Summon
                summon.summon_color = 1 + nxt(8)
                summon.summon_move, summon.summon_attack, summon.summon_range = nxt(5), nxt(5), nxt(4)
                summon.is_new = f == 7
                summon.hp_max = 2 + nxt(8)
                summon.hp = 1 + nxt(summon.hp_max)
                summon.conditions = conditions(1)
                actor.instances.append(summon)
        else:
            m = tav.MonsterActor()
            m.id, m.level, m.is_normal, m.is_elite = 1 + a % 20, 4, True, a % 2 == 1
            if a % 3 != 0:
                m.ability = tav.make_optional(8 * m.id + nxt(8))
            actor = tav.Actor(m)
            actor.turn_completed = a % 2 == 1
            for f in range(8):
                standee = tav.MonsterInstance()
                standee.number = f + 1
                standee.type = tav.MonsterType.Elite if f < 2 else tav.MonsterType.Normal
                standee.is_new = f == 0
                standee.hp_max = 5 + nxt(20)
                standee.hp = 1 + nxt(standee.hp_max)
                standee.conditions = conditions(2)
                standee.conditions_expired = conditions(1)
                standee.conditions_current_turn = conditions(1)
                actor.instances.append(standee)
        s.actors.append(actor)
    return s


INSTANCE_FIELDS = ("number", "type", "summon_color", "summon_move", "summon_attack",
                   "summon_range", "is_new", "hp", "hp_max")
STATE_FIELDS = ("round", "scenario_number", "scenario_level", "track_standees", "ability_cards",
                "random_standees", "elites_first", "expire_conditions", "solo", "hide_stats",
                "calculate_stats", "can_draw", "needs_shuffle", "player_init", "fire", "ice",
                "air", "earth", "light", "dark", "bad_omen", "brav")
PLAYER_FIELDS = ("character_class", "xp", "hp", "hp_max", "level", "loot", "initiative",
                 "exhausted")


def to_message(s):
    """The protobuf message of the same content as the tav state s."""
    m = pb.GameState()
    for name in STATE_FIELDS:
        setattr(m, name, getattr(s, name))
    m.attack_modifiers.extend(piles_of(s.attack_modifiers))
    m.attack_modifiers_discard.extend(piles_of(s.attack_modifiers_discard))
    m.removed_abilities.extend(s.removed_abilities)
    for deck_id in s.ability_decks.keys():
        d, md = s.ability_decks[deck_id], m.ability_decks.add()
        md.id, md.shuffle = d.id, d.shuffle
        if d.shown_ability.has_value():
            md.shown_ability = d.shown_ability.value()
        md.abilities.extend(d.abilities)
        md.abilities_discard.extend(d.abilities_discard)
    for a in s.actors:
        ma = m.actors.add()
        ma.turn_completed = a.turn_completed
        player = a.getPlayer()
        if player is not None:
            mp = ma.player
            mp.name = player.name
            for name in PLAYER_FIELDS:
                setattr(mp, name, getattr(player, name))
            mp.conditions.extend(player.conditions)
            mp.conditions_expired.extend(player.conditions_expired)
            mp.conditions_current_turn.extend(player.conditions_current_turn)
        else:
            monster = a.getMonster()
            mm = ma.monster
            mm.id, mm.level, mm.is_normal, mm.is_elite = (
                monster.id, monster.level, monster.is_normal, monster.is_elite)
            if monster.ability.has_value():
                mm.ability = monster.ability.value()
        for f in a.instances:
            mf = ma.instances.add()
            for name in INSTANCE_FIELDS:
                setattr(mf, name, getattr(f, name))
            mf.conditions.extend(f.conditions)
            mf.conditions_expired.extend(f.conditions_expired)
            mf.conditions_current_turn.extend(f.conditions_current_turn)
    return m


def piles_of(handle):
    """The attack modifiers of an opaque pile, read through a body that carries them."""
    holder = tav.GameState()
    holder.attack_modifiers = handle
    body = protocol.write_game_state(holder, "8.4")
    return list(body[15:15 + body[14]])


def walk_tav(s):
    """Reads every field of the state, as a program that uses all of it would."""
    total = s.round + s.scenario_number + s.scenario_level + s.player_init + s.bad_omen
    total += s.fire + s.ice + s.air + s.earth + s.light + s.dark
    flags = (s.track_standees, s.ability_cards, s.random_standees, s.elites_first,
             s.expire_conditions, s.solo, s.hide_stats, s.calculate_stats, s.can_draw,
             s.needs_shuffle, s.brav)
    total += sum(s.removed_abilities) + len(flags)
    for d in s.ability_decks.values():
        total += d.id + d.shuffle + sum(d.abilities) + sum(d.abilities_discard)
        if d.shown_ability.has_value():
            total += d.shown_ability.value()
    for a in s.actors:
        total += a.turn_completed
        p = a.getPlayer()
        if p is not None:
            total += len(p.name) + p.character_class + p.xp + p.hp + p.hp_max + p.level
            total += p.loot + p.initiative + p.exhausted + sum(p.conditions)
            total += sum(p.conditions_expired) + sum(p.conditions_current_turn)
        else:
            m = a.getMonster()
            total += m.id + m.level + m.is_normal + m.is_elite
            if m.ability.has_value():
                total += m.ability.value()
        for f in a.instances:
            total += f.number + f.type + f.summon_color + f.summon_move + f.summon_attack
            total += f.summon_range + f.is_new + f.hp + f.hp_max + sum(f.conditions)
            total += sum(f.conditions_expired) + sum(f.conditions_current_turn)
    return total


def walk_pb(s):
    """walk_tav over the protobuf message."""
    total = s.round + s.scenario_number + s.scenario_level + s.player_init + s.bad_omen
    total += s.fire + s.ice + s.air + s.earth + s.light + s.dark
    flags = (s.track_standees, s.ability_cards, s.random_standees, s.elites_first,
             s.expire_conditions, s.solo, s.hide_stats, s.calculate_stats, s.can_draw,
             s.needs_shuffle, s.brav)
    total += sum(s.removed_abilities) + len(flags)
    for d in s.ability_decks:
        total += d.id + d.shuffle + sum(d.abilities) + sum(d.abilities_discard)
        if d.HasField("shown_ability"):
            total += d.shown_ability
    for a in s.actors:
        total += a.turn_completed
        if a.HasField("player"):
            p = a.player
            total += len(p.name) + p.character_class + p.xp + p.hp + p.hp_max + p.level
            total += p.loot + p.initiative + p.exhausted + sum(p.conditions)
            total += sum(p.conditions_expired) + sum(p.conditions_current_turn)
        else:
            m = a.monster
            total += m.id + m.level + m.is_normal + m.is_elite
            if m.HasField("ability"):
                total += m.ability
        for f in a.instances:
            total += f.number + f.type + f.summon_color + f.summon_move + f.summon_attack
            total += f.summon_range + f.is_new + f.hp + f.hp_max + sum(f.conditions)
            total += sum(f.conditions_expired) + sum(f.conditions_current_turn)
    return total


def protobuf_cases():
    """tav.protocol against protobuf, same content; None when protobuf is not there."""
    if pb is None:
        return None
    example_body = bytes.fromhex(
        "020701" "01000000000000000000" "00" "0201050100" "010002000000" "0204090000"
        "0103000d020a0b00" "02" "0003010100000001" "010000050501080000" "01686572ef"
        "0204080a01024e" "000000000100")
    example = protocol.read_game_state(example_body, "8.4", strict=True)
    large = protocol.read_game_state(protocol.write_game_state(large_state(), "8.4"), "8.4")
    states = {"example": example, "large": large}
    messages = {name: to_message(s) for name, s in states.items()}
    ours = {name: protocol.write_game_state(s, "8.4") for name, s in states.items()}
    theirs = {name: m.SerializeToString() for name, m in messages.items()}
    assert ours["example"] == example_body
    assert walk_tav(large) == walk_pb(pb.GameState.FromString(theirs["large"]))

    cases = {}
    for name in ("example", "large"):
        number = 20000 if name == "example" else 200
        ns = {"data": ours[name], "pdata": theirs[name], "s": states[name], "m": messages[name],
              "read": protocol.read_game_state, "write": protocol.write_game_state,
              "parse": pb.GameState.FromString}
        cases["read " + name] = (
            per_op_ns("read(data, '8.4')", number, ns),
            per_op_ns("parse(pdata)", number, ns),
            1.0 if name == "example" else 0.5)
        cases["write " + name] = (
            per_op_ns("write(s, '8.4')", number, ns),
            per_op_ns("m.SerializeToString()", number, ns),
            1.0 if name == "example" else 0.5)
    decoded = {"s": protocol.read_game_state(ours["large"], "8.4"),
               "m": pb.GameState.FromString(theirs["large"]),
               "walk_tav": walk_tav, "walk_pb": walk_pb}
    cases["read every field, large"] = (per_op_ns("walk_tav(s)", 20, decoded),
                                        per_op_ns("walk_pb(m)", 20, decoded), 1.0)
    # Whole states as plain Python: to_dict / from_dict against MessageToDict / ParseDict.
    if hasattr(protocol, "to_dict"):
        from google.protobuf import json_format
        plain = {"s": decoded["s"], "m": decoded["m"], "d": protocol.to_dict(decoded["s"]),
                 "to_dict": protocol.to_dict, "from_dict": protocol.from_dict,
                 "to_pb": json_format.MessageToDict, "from_pb": json_format.ParseDict,
                 "pd": json_format.MessageToDict(decoded["m"]), "GameState": pb.GameState}
        assert protocol.from_dict(plain["d"]) == decoded["s"]
        cases["to dicts, large"] = (per_op_ns("to_dict(s)", 20, plain),
                                    per_op_ns("to_pb(m)", 5, plain), 0.1)
        cases["from dicts, large"] = (per_op_ns("from_dict(d)", 20, plain),
                                      per_op_ns("from_pb(pd, GameState())", 5, plain), 0.1)
    from google.protobuf.internal import api_implementation
    return {
        "implementation": api_implementation.Type(),
        "bytes": {name: [len(ours[name]), len(theirs[name])] for name in states},
        "cases": {name: {"ours_ns": o, "protobuf_ns": p, "ratio": o / p, "goal": g}
                  for name, (o, p, g) in cases.items()},
    }


def main():
    binding_state = build_binding()
    plain_state = build_plain()
    assert len(binding_state.actors) == 100 and len(binding_state.actors[99].instances) == 8

    cases = {
        "attribute get": ("s.round", 200000),
        "attribute set": ("s.round = 7", 200000),
        "actors[i]": ("s.actors[57]", 100000),
        "sum of a vector of 8": ("sum(v)", 100000),
        "build 100 actors": ("build()", 20),
    }
    results = {}
    for name, (stmt, number) in cases.items():
        ours = per_op_ns(stmt, number, {"s": binding_state, "build": build_binding,
                                        "v": tav.IntVector(range(8))})
        plain = per_op_ns(stmt, number, {"s": plain_state, "build": build_plain,
                                         "v": list(range(8))})
        results[name] = {"binding_ns": ours, "plain_ns": plain, "ratio": ours / plain}
    json.dump({"python": sys.version.split()[0], "cases": results, "protobuf": protobuf_cases()},
              sys.stdout, indent=1)
    print()


if __name__ == "__main__":
    main()
