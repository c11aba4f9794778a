"""Views of objects inside other objects: they keep their owner alive, are refused once their
element moved or was removed, and copies are independent. Each program runs in a child
interpreter, which must print the expected lines and exit normally, never by a signal; the
same programs run with the address sanitizer preloaded in the sanitizer build."""

import pytest

from conftest import run_child

SETUP = """
import copy, gc, pickle, threading
import tav


def load():
    state = tav.GameState()
    state.round = 3
    for name in ("Ann", "Bo"):
        actor = tav.Actor(tav.PlayerActor())
        actor.getPlayer().name = name
        state.actors.append(actor)
    state.actors.append(tav.Actor())
    state.actors[2].instances.append(tav.MonsterInstance())
    for key in (1, 3, 5):
        state.ability_decks[key] = tav.MonsterAbilityDeck(key)
        state.ability_decks[key].abilities.append(key * 10)
    return state


def decks():
    return load().ability_decks


def refused(action):
    try:
        action()
    except ReferenceError as error:
        assert "moved or removed" in str(error), error
        return "refused"
    return "used"
"""

# (case, program, what it prints)
PROGRAMS = [
    # Owners kept alive: each of these read or wrote freed memory.
    ("element of a temporary state",
     "print([a.getPlayer().name for a in load().actors if a.getPlayer()])", "['Ann', 'Bo']"),
    ("container of a state that went out of scope",
     "def f():\n    s = tav.GameState()\n    return s.actors\n"
     "v = f(); gc.collect(); v.append(tav.Actor()); v.append(tav.Actor()); print(len(v))", "2"),
    ("record of a temporary actor",
     "p = tav.Actor(tav.PlayerActor()).getPlayer(); gc.collect(); p.name = 'x' * 40\n"
     "print(len(p.name))", "40"),
    ("optional of a temporary deck",
     "o = tav.MonsterAbilityDeck().shown_ability; gc.collect(); print(o.value())", "0"),
    ("map value of a temporary map",
     "d = decks()[1]; gc.collect(); print(list(d.abilities))", "[10]"),
    ("chain of views of a temporary state",
     "c = load().actors[2].instances[0].conditions; gc.collect(); c.append(4); print(list(c))",
     "[4]"),
    ("attack-modifier list of a temporary state",
     "h = tav.GameState().attack_modifiers; gc.collect(); s = tav.GameState()\n"
     "s.attack_modifiers = h; print(h.own())", "False"),
    ("iterator of a temporary container",
     "it = load().actors[2].instances.iterator(); gc.collect(); print(it.next().hp)", "0"),
    # Stale views refused.
    ("element after reallocation",
     "s = load(); a = s.actors[0]; s.actors.reserve(100); print(refused(lambda: a.turn_completed))",
     "refused"),
    ("element after push_back that reallocated",
     "s = load(); a = s.actors[0]; capacity = s.actors.capacity()\n"
     "while s.actors.capacity() == capacity:\n"
     "    s.actors.push_back(tav.Actor())\n"
     "print(refused(lambda: a.turn_completed))", "refused"),
    ("element and map value after GameState.clear()",
     "s = load(); a = s.actors[0]; d = s.ability_decks[1]; s.clear()\n"
     "print(refused(lambda: a.getPlayer().name), refused(lambda: d.abilities.append(1)))",
     "refused refused"),
    ("map value after del", "s = load(); d = s.ability_decks[3]; del s.ability_decks[3]\n"
     "print(refused(lambda: d.abilities.append(5)))", "refused"),
    ("map value after del and a new value under the same key",
     "s = load(); d = s.ability_decks[3]; del s.ability_decks[3]\n"
     "s.ability_decks[3] = tav.MonsterAbilityDeck(3); print(refused(lambda: d.id))", "refused"),
    ("other map values stay valid",
     "s = load(); d = s.ability_decks[1]; del s.ability_decks[3]; s.ability_decks[9] = d\n"
     "print(d.id, list(d.abilities))", "1 [10]"),
    ("shifted and unmoved elements after erase",
     "s = load(); first, last = s.actors[0], s.actors[2]; del s.actors[1]\n"
     "print(first.getPlayer().name, refused(lambda: last.turn_completed))", "Ann refused"),
    ("element after insert before it, and one before the insert",
     "s = load(); s.actors.reserve(10); first, last = s.actors[0], s.actors[2]\n"
     "s.actors.insert(s.actors.begin() + 1, tav.Actor())\n"
     "print(first.getPlayer().name, refused(lambda: last.instances))", "Ann refused"),
    ("elements after clear, resize, pop, swap and slices",
     "out = []\n"
     "for change in ('clear()', 'resize(1)', 'pop()', 'pop_back()', 'swap(tav.ActorVector())',\n"
     "               '__setitem__(slice(0, 3), [tav.Actor()])', '__delitem__(slice(1, None))',\n"
     "               'assign(3, tav.Actor())', '__delslice__(0, 3)'):\n"
     "    s = load(); a = s.actors[2]; eval('s.actors.' + change)\n"
     "    out.append(refused(lambda: a.instances))\n"
     "print(set(out))", "{'refused'}"),
    ("nested element after its record was replaced",
     "s = load(); i = s.actors[2].instances[0]; a = s.actors[2]; s.actors[2] = tav.Actor()\n"
     "print(refused(lambda: i.hp), a.turn_completed)", "refused False"),
    ("element after a new container was assigned to the attribute",
     "s = load(); a = s.actors[0]; v = s.actors; s.actors = tav.ActorVector([tav.Actor()])\n"
     "print(refused(lambda: a.turn_completed), len(v))", "refused 1"),
    ("record view after its actor was removed",
     "s = load(); p = s.actors[1].getPlayer(); s.actors.erase(s.actors.begin())\n"
     "print(refused(lambda: p.hp))", "refused"),
    ("stale views refused as arguments too",
     "s = load(); a = s.actors[0]; s.actors.clear()\n"
     "print(refused(lambda: tav.ActorVector().append(a)), refused(lambda: tav._print(a)))",
     "refused refused"),
    ("views that did not move stay valid",
     "s = load(); s.actors.reserve(10); a = s.actors[0]; s.actors.append(tav.Actor())\n"
     "s.actors[1] = tav.Actor(); s.actors.resize(5); a.turn_completed = True\n"
     "print(s.actors[0].turn_completed)", "True"),
    ("threads changing the container between the calls of one expression",
     "s = load(); stop = []\n"
     "def writer():\n"
     "    while not stop:\n"
     "        try:\n"
     "            s.actors[-1].getPlayer().name = 'x' * 50\n"
     "        except (ReferenceError, IndexError, AttributeError):\n"
     "            pass\n"
     "def changer():\n"
     "    for _ in range(3000):\n"
     "        s.actors.append(tav.Actor(tav.PlayerActor())); s.actors.resize(1)\n"
     "    stop.append(1)\n"
     "t = [threading.Thread(target=writer), threading.Thread(target=changer)]\n"
     "[x.start() for x in t]; [x.join() for x in t]; print(len(s.actors))", "1"),
    # Copies.
    ("copy.copy and copy.deepcopy of a state are independent",
     "s = load()\n"
     "for c in (copy.copy(s), copy.deepcopy(s)):\n"
     "    c.round = 9; c.actors[0].getPlayer().name = 'Cy'; c.ability_decks[1].abilities.append(2)\n"
     "    print(c.this.own(), s.round, s.actors[0].getPlayer().name, list(s.ability_decks[1].abilities))",
     "True 3 Ann [10]\nTrue 3 Ann [10]"),
    ("copies of views are owned",
     "s = load(); v = copy.copy(s.actors); o = copy.deepcopy(s.ability_decks[1].shown_ability)\n"
     "a = copy.copy(s.actors[0]); s.clear(); print(v.thisown, len(v), o.thisown, a.getPlayer().name)",
     "True 3 True Ann"),
    ("pickle round-trips records and states",
     "s = load(); s.attack_modifiers = tav.getAttackModifierValues()\n"
     "s.attack_modifier1 = tav.OptionalAttackModifier(4); s.actors[2].getMonster().ability = tav.Optionalint(6)\n"
     "c = pickle.loads(pickle.dumps(s))\n"
     "print(c.round, [a.getPlayer().name for a in c.actors[:2]], c.actors[2].getMonster().ability.value(),\n"
     "      len(c.actors[2].instances), {k: list(d.abilities) for k, d in c.ability_decks.asdict().items()},\n"
     "      tav._tav._copies.attack_modifiers(c.attack_modifiers) == list(range(9)), c.attack_modifier1.value())\n"
     "m = pickle.loads(pickle.dumps(tav.MonsterInstanceVector([tav.MonsterInstance()])))\n"
     "print(type(m).__name__, len(m), pickle.loads(pickle.dumps(tav.Optionalint())).has_value())",
     "3 ['Ann', 'Bo'] 6 1 {1: [10], 3: [30], 5: [50]} True 4\nMonsterInstanceVector 1 False"),
    # The rest of the list.
    ("reversed erase range of an enumeration vector",
     "c = tav.ConditionVector([1, 2, 3])\n"
     "try:\n    c.erase(c.end(), c.begin())\nexcept IndexError as e:\n    print(e)\n"
     "print(list(c))", "iterator range outside the container\n[1, 2, 3]"),
    ("map walks while a finalizer edits the map",
     "m = tav.MonsterAbilityDeckLookupMap({k: tav.MonsterAbilityDeck(k) for k in range(50)})\n"
     "class Editor:\n    def __del__(self):\n        m.clear()\n"
     "def cycle():\n    e = Editor(); e.me = e\n"
     "gc.set_threshold(1)\n"
     "for walk in (m.values, m.items, m.keys, m.asdict, lambda: list(m)):\n"
     "    cycle(); walk()\n"
     "gc.set_threshold(700); print(len(m))", "0"),
    ("map walk that removes entries as it goes",
     "m = tav.MonsterAbilityDeckLookupMap({k: tav.MonsterAbilityDeck(k) for k in range(10)})\n"
     "seen = []\ntry:\n    for k in m:\n        seen.append(k); del m[k + 1]\n"
     "except RuntimeError as e:\n    print(e)\nprint(seen, len(m))",
     "container changed during iteration: its elements moved, or the entry the iterator "
     "stands on was removed\n[0] 9"),
    ("vector walks: a removed owner, shrinking, reallocating, a dropped vector, a wrong self",
     "s = load(); c = s.actors[2].instances[0].conditions; c.append(4); c.append(5)\n"
     "try:\n    for x in c:\n        s.actors.clear()\nexcept RuntimeError as e:\n    print(e)\n"
     "v = tav.IntVector([1, 2, 3, 4]); seen = []\n"
     "for x in v:\n    seen.append(x)\n    v.pop_back() if x == 1 else None\n"
     "def ends(it):\n    try:\n        next(it)\n    except Exception as e:\n        return type(e).__name__\n"
     "w = tav.IntVector([1, 2]); w.reserve(2); it = iter(w); next(it); w.reserve(50)\n"
     "print(seen, ends(it), list(iter(tav.ConditionVector([7, -1]))))\n"
     "it = iter(tav.ActorVector([tav.Actor()] * 2)); gc.collect(); a = next(it)\n"
     "print(a.thisown, len(list(it)), ends(it))\n"
     "for self in (tav.ConditionVector(), None):\n"
     "    try:\n        tav.IntVector.__iter__(self)\n    except (TypeError, ValueError) as e:\n"
     "        print(type(e).__name__, e)",
     "container changed during iteration: its elements moved, or the entry the iterator "
     "stands on was removed\n[1, 2, 3] RuntimeError [7, -1]\nTrue 1 StopIteration\n"
     "TypeError in method 'IntVector_iterator', argument 1 of type 'std::vector< int > *'\n"
     "ValueError invalid null reference in method 'IntVector_iterator', argument 1 of type "
     "'std::vector< int > *'"),
    ("thisown cannot be set on a view",
     "s = load(); a = s.actors[0]\n"
     "for set_owner in (lambda: setattr(a, 'thisown', True), a.this.acquire, lambda: a.this.own(1)):\n"
     "    try:\n        set_owner()\n    except ValueError as e:\n        print(e)\n"
     "print(a.thisown, a.getPlayer().name)",
     "a view cannot own the object it shows\n" * 3 + "False Ann"),
    ("a view cannot be destroyed through its destructor",
     "s = load(); a = s.actors[0]\n"
     "try:\n    tav._tav.delete_Actor(a)\nexcept TypeError:\n    print('refused')\n"
     "print(s.actors[0].getPlayer().name)", "refused\nAnn"),
    ("an owned object destroyed through its destructor leaves a null handle",
     "s = load(); v = s.actors; tav._tav.delete_GameState(s)\n"
     "print(refused(lambda: len(v)))\n"
     "try:\n    s.round\nexcept ValueError:\n    print('null')", "refused\nnull"),
    ("this attributes that loop", "class X:\n    pass\n"
     "x = X(); x.this = x; y = X(); y.this = X(); y.this.this = y\n"
     "for arg in (x, y):\n    try:\n        tav.ActorVector().append(arg)\n"
     "    except TypeError:\n        print('TypeError')", "TypeError\nTypeError"),
    ("a handle appended to itself", "h = tav.GameState().this\n"
     "for other in (h, tav.Actor().this):\n    try:\n        h.append(other); other.append(h)\n"
     "    except TypeError as e:\n        print(e)\n"
     "print(tav._tav.GameState_round_get(h))",
     "appending this handle would make its chain loop\n" * 2 + "0"),
    ("re-initialising a proxy with a looping this",
     "o = tav.GameState.__new__(tav.GameState); o.this = o\n"
     "tav.GameState.__init__(o); print(o.round, o.this.own())", "0 True"),
    ("a stale view handed to the companion module",
     "import tav.protocol as protocol\ns = load(); a = s.actors[0]; s.actors.clear()\n"
     "try:\n    protocol.dump(a)\nexcept (ReferenceError, TypeError):\n    print('refused')",
     "refused"),
    ("a sequence assigned to a slice that removes the vector's owner while it is read",
     "s = load(); v = s.actors[2].instances\n"
     "class Evil(list):\n    def __len__(self):\n        s.actors.clear(); return list.__len__(self)\n"
     "print(refused(lambda: v.__setitem__(slice(0, 1), Evil([tav.MonsterInstance()] * 3))))",
     "refused"),
]


@pytest.mark.parametrize("case, program, expected", PROGRAMS, ids=[p[0] for p in PROGRAMS])
def test_program(case, program, expected):
    result = run_child(SETUP + program)
    assert result.returncode == 0, (case, result.returncode, result.stderr[-3000:])
    assert result.stdout.strip() == expected, (case, result.stdout, result.stderr[-2000:])


def test_map_walk_is_not_quadratic():
    # 200,000 entries: a walk that re-found its position from one end at every step took hours.
    result = run_child(
        "import tav\nm = tav.MonsterAbilityDeckLookupMap()\n"
        "for k in range(200000):\n    m[k] = tav.MonsterAbilityDeck()\n"
        "print(sum(1 for _ in m), sum(1 for _ in m.value_iterator()))", timeout=120)
    assert result.returncode == 0, result.stderr
    assert result.stdout == "200000 200000\n"
