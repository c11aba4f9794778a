"""Misuse that once crashed the interpreter: each case runs in a child interpreter, which must
raise the expected Python exception and exit normally, never by a signal."""

import os

import pytest

import tav
from conftest import run_child

SETUP = """
import gc
import tav
ints = tav.IntVector([1, 2, 3])
other = tav.IntVector([4])
conditions = tav.ConditionVector([1])
decks = tav.MonsterAbilityDeckLookupMap({1: tav.MonsterAbilityDeck(1), 2: tav.MonsterAbilityDeck(2)})
other_decks = tav.MonsterAbilityDeckLookupMap({1: tav.MonsterAbilityDeck(1)})


# A sequence whose items pass the element check, then fail when copied.
class Flaky:
    def __init__(self, item):
        self.item, self.calls = item, 0

    def __len__(self):
        return 2

    def __getitem__(self, i):
        self.calls += 1
        if self.calls > 2:
            raise LookupError(i)
        return self.item
"""

# (case, statement, exception raised by it; None where it must simply succeed)
EMPTY_VECTORS = [
    (f"{cls}.{method}() empty", f"tav.{cls}().{method}()", "IndexError")
    for cls in ("IntVector", "ConditionVector", "ActorVector", "MonsterInstanceVector")
    for method in ("front", "back", "pop_back")
]

OPEN_ITERATORS = [
    ("begin().previous()", "ints.begin().previous()", "StopIteration"),
    ("begin().decr()", "ints.begin().decr()", "StopIteration"),
    ("begin() - 1", "ints.begin() - 1", "StopIteration"),
    ("begin().advance(-1)", "ints.begin().advance(-1)", "StopIteration"),
    ("end().value()", "ints.end().value()", "StopIteration"),
    ("end().next()", "ints.end().next()", "StopIteration"),
    ("end().incr()", "ints.end().incr()", "StopIteration"),
    ("end() + 1", "ints.end() + 1", "StopIteration"),
    ("begin() += 4", "it = ints.begin()\nit += 4", "StopIteration"),
    ("rbegin().previous()", "ints.rbegin().previous()", "StopIteration"),
    ("rend().value()", "ints.rend().value()", "StopIteration"),
    ("rend().next()", "ints.rend().next()", "StopIteration"),
    ("empty begin().value()", "tav.ActorVector().begin().value()", "StopIteration"),
    ("erase() result at end", "ints.erase(ints.end() - 1).value()", "StopIteration"),
    ("insert() result moved past end", "ints.insert(ints.end(), 9).incr(2)", "StopIteration"),
    ("map find() missing", "decks.find(7).value()", "StopIteration"),
    ("map lower_bound() past end", "decks.lower_bound(7).next()", "StopIteration"),
    ("map upper_bound() past end", "decks.upper_bound(2).value()", "StopIteration"),
    ("map begin().previous()", "decks.begin().previous()", "StopIteration"),
    ("map end().value()", "decks.end().value()", "StopIteration"),
    ("map rend().value()", "decks.rend().value()", "StopIteration"),
    ("map end().distance(begin())", "assert decks.end().distance(decks.begin()) == -2", None),
]

FOREIGN_ITERATORS = [
    ("erase(end())", "ints.erase(ints.end())", "IndexError"),
    ("erase(other.begin())", "ints.erase(other.begin())", "IndexError"),
    ("erase(end(), begin())", "ints.erase(ints.end(), ints.begin())", "IndexError"),
    ("erase(begin(), other.end())", "ints.erase(ints.begin(), other.end())", "IndexError"),
    ("erase(rbegin())", "ints.erase(ints.rbegin())", "TypeError"),
    ("insert(other.begin(), x)", "ints.insert(other.begin(), 5)", "IndexError"),
    ("insert(other.end(), n, x)", "ints.insert(other.end(), 2, 5)", "IndexError"),
    ("insert(iterator of enum vector)", "ints.insert(conditions.begin(), 5)", "TypeError"),
    ("insert after reallocation", "it = ints.begin()\nints.reserve(1000)\nints.insert(it, 5)", "IndexError"),
    ("map erase(end())", "decks.erase(decks.end())", "IndexError"),
    ("map erase(other.begin())", "decks.erase(other_decks.begin())", "IndexError"),
    ("map erase(end(), begin())", "decks.erase(decks.end(), decks.begin())", "IndexError"),
    ("map erase(begin(), other.end())", "decks.erase(decks.begin(), other_decks.end())", "IndexError"),
    ("map distance to other map", "decks.begin().distance(other_decks.begin())", "RuntimeError"),
]

MIXED_ITERATORS = [
    (f"vector {op} map", f"ints.begin() {op} decks.begin()", "RuntimeError") for op in ("==", "!=", "-")
] + [
    ("vector == reverse", "ints.begin() == ints.rbegin()", "RuntimeError"),
    ("int vector - enum vector", "ints.end() - conditions.begin()", "RuntimeError"),
    ("map pair - key iterator", "decks.iterator().distance(decks.key_iterator())", "RuntimeError"),
    ("equal() across kinds", "ints.begin().equal(decks.begin())", "RuntimeError"),
]

SIZES = [
    ("IntVector(2**62)", "tav.IntVector(2**62)", "OverflowError"),
    ("IntVector(2**45)", "tav.IntVector(2**45)", "MemoryError"),
    ("ActorVector(2**62)", "tav.ActorVector(2**62)", "OverflowError"),
    ("ConditionVector(2**62, 1)", "tav.ConditionVector(2**62, 1)", "OverflowError"),
    ("resize(2**62)", "ints.resize(2**62)", "OverflowError"),
    ("resize(2**62, x)", "tav.MonsterInstanceVector().resize(2**62, tav.MonsterInstance())", "OverflowError"),
    ("reserve(2**62)", "ints.reserve(2**62)", "OverflowError"),
    ("assign(2**62, x)", "ints.assign(2**62, 1)", "OverflowError"),
    ("insert(pos, 2**62, x)", "ints.insert(ints.begin(), 2**62, 1)", "OverflowError"),
    ("advance(-2**63)", "ints.begin().advance(-2**63)", "OverflowError"),
    ("huge slice step", "assert list(ints[::2**70]) == [1] and list(ints[::-2**70]) == [3]", None),
    (
        "readIntArray with a huge count",
        "b = tav.Buffer()\nb.writeInt(2**31 - 1, True)\nv = tav.IntVector()\nb.readIntArray(v, True)\nassert len(v) < 1024",
        None,
    ),
]

NULLS = [
    ("Actor(None)", "tav.Actor(None)", "ValueError"),
    ("actors = None", "tav.GameState().actors = None", "ValueError"),
    ("ability_decks = None", "tav.GameState().ability_decks = None", "ValueError"),
    ("conditions = None", "tav.MonsterInstance().conditions = None", "ValueError"),
    ("shown_ability = None", "tav.MonsterAbilityDeck().shown_ability = None", "ValueError"),
    ("attack_modifier1 = None", "tav.GameState().attack_modifier1 = None", "ValueError"),
    ("attack_modifiers = None", "tav.GameState().attack_modifiers = None", "ValueError"),
    ("Buffer(None, n)", "tav.Buffer(None, 16)", "ValueError"),
    ("flat getter with None", "tav._tav.GameState_round_get(None)", "ValueError"),
    ("flat vector method with None", "tav._tav.IntVector_front(None)", "ValueError"),
    ("flat map method with None", "tav._tav.MonsterAbilityDeckLookupMap_keys(None)", "ValueError"),
    ("flat iterator method with None", "tav._tav.SwigPyIterator_value(None)", "ValueError"),
]

TEMPORARIES = [
    ("incr() of a temporary", "it = ints.begin().incr()\ngc.collect()\nassert it.value() == 2", None),
    ("decr() of a temporary", "it = ints.end().decr(2)\ngc.collect()\nassert it.value() == 2", None),
    ("advance() of a temporary", "it = ints.begin().advance(2)\ngc.collect()\nassert it.value() == 3", None),
    ("__iadd__ result dropped", "it = ints.begin()\nit.__iadd__(1)\ngc.collect()\nassert it.value() == 2", None),
    ("+= keeps ownership", "it = ints.begin()\nit += 1\nassert it.this.own()", None),
]

# Integers given as objects with __index__ (numpy integers), whose __index__ runs Python code that
# frees what the call's object shows: the call refuses the object instead of using it.
INDEX_CODE = [
    ("index frees the element", "s = tav.GameState()\ns.actors.append(tav.Actor())\n"
     "v = s.actors[0].instances\nv.append(tav.MonsterInstance())\n"
     "class I:\n    def __index__(self):\n        s.actors.clear()\n        return 0\n"
     "v[I()]", "ReferenceError"),
    ("index frees the record", "s = tav.GameState()\ns.actors.append(tav.Actor())\n"
     "f = s.actors[0]\nclass I:\n    def __index__(self):\n        s.actors.clear()\n        return 1\n"
     "f.turn_completed = False\nf.instances.resize(I())", "ReferenceError"),
    ("index deletes the vector", "class I:\n    def __index__(self):\n        tav._tav.delete_IntVector(ints)\n"
     "        return 0\nints[I()]", "ReferenceError"),
]

FLAKY_SEQUENCES = [
    ("IntVector(flaky)", "tav.IntVector(Flaky(1))", "TypeError"),
    ("ConditionVector(flaky)", "tav.ConditionVector(Flaky(1))", "TypeError"),
    ("ActorVector(flaky)", "tav.ActorVector(Flaky(tav.Actor()))", "TypeError"),
    ("slice = flaky", "ints[0:1] = Flaky(1)", "TypeError"),
    ("__setslice__ flaky", "conditions.__setslice__(0, 1, Flaky(1))", "TypeError"),
]

STALE_ITERATORS = [
    # A for loop over a container that went stale under it raises, as a dict's does.
    ("append while iterating", "n = 0\nfor x in ints:\n    ints.append(x)\n    n += 1\nassert n < 1000", "RuntimeError"),
    ("read after reallocation", "it = ints.begin()\nints.reserve(1000)\nit.value()", "StopIteration"),
    ("record read after reallocation", "a = tav.ActorVector(2)\nit = a.iterator()\na.reserve(1000)\nit.next()", "RuntimeError"),
    ("read after pop", "it = ints.end() - 1\nints.pop()\nit.value()", "StopIteration"),
    ("reverse read after clear", "it = ints.rbegin()\nints.clear()\nit.next()", "StopIteration"),
    ("map read after del", "it = decks.find(1)\ndel decks[1]\nit.value()", "StopIteration"),
    ("map next after erase", "it = decks.iterator()\ndecks.erase(1)\nit.next()", "RuntimeError"),
    ("map erase of a removed entry", "it = decks.find(2)\ndel decks[2]\ndecks.erase(it)", "IndexError"),
    ("map distance after del", "it = decks.find(2)\ndel decks[2]\ndecks.begin().distance(it)", "RuntimeError"),
    ("iterator of a dropped vector", "it = tav.IntVector([7, 8]).begin()\ngc.collect()\nassert it.value() == 7", None),
    ("iterator() of a dropped map", "it = tav.MonsterAbilityDeckLookupMap({3: tav.MonsterAbilityDeck(3)}).key_iterator()\ngc.collect()\nassert it.next() == 3", None),
]

CASES = STALE_ITERATORS + INDEX_CODE + FLAKY_SEQUENCES + EMPTY_VECTORS + OPEN_ITERATORS + FOREIGN_ITERATORS + MIXED_ITERATORS + SIZES + NULLS + TEMPORARIES


def child_code(statement):
    body = "\n".join("    " + line for line in statement.splitlines())
    return (
        SETUP
        + "try:\n"
        + body
        + "\nexcept Exception as error:\n"
        + "    print('raised', type(error).__name__, error)\n"
        + "else:\n"
        + "    print('returned')\n"
        + "del ints, other, conditions, decks, other_decks\n"
        + "gc.collect()\n"
    )


@pytest.mark.parametrize("case,statement,expected", CASES, ids=[c[0] for c in CASES])
def test_misuse_raises_and_exits_normally(case, statement, expected):
    if expected == "MemoryError" and "asan" in os.environ.get("LD_PRELOAD", ""):
        pytest.skip("the address sanitizer ends the process on an allocation it cannot make")
    result = run_child(child_code(statement))
    assert result.returncode == 0, (case, result.returncode, result.stderr[-2000:])
    assert "memory leak" not in result.stdout, (case, result.stdout)
    first = result.stdout.splitlines()[0] if result.stdout else ""
    if expected is None:
        assert first == "returned", (case, result.stdout)
    else:
        assert first.startswith(f"raised {expected}"), (case, result.stdout)


@pytest.mark.parametrize(
    "statement,text",
    [
        ("tav.IntVector().front()", "index out of range"),
        ("tav.ActorVector().back()", "index out of range"),
        ("tav.IntVector().pop_back()", "pop from empty container"),
        ("tav.IntVector(2**62)", "cannot create std::vector larger than max_size()"),
    ],
)
def test_misuse_texts(statement, text):
    result = run_child(child_code(statement))
    assert result.returncode == 0
    assert result.stdout.splitlines()[0].endswith(text)


class Index:
    """An integer as numpy's are: not an int, but with __index__."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class NoInit(tav.GameState):
    def __init__(self):  # does not call GameState.__init__
        pass


@pytest.mark.parametrize("statement, error, text", [
    # Objects with __index__ are taken where ints are, with the same range checks.
    ("v = tav.IntVector([Index(1), Index(2)]); v.append(Index(3)); assert list(v) == [1, 2, 3]", None, ""),
    ("assert list(tav.ConditionVector([Index(3)])) == [3]", None, ""),
    ("v = tav.IntVector(Index(3)); assert len(v) == 3 and v[Index(-1)] == 0", None, ""),
    ("s = tav.GameState(); s.round = Index(7); s.fire = Index(1); assert (s.round, s.fire) == (7, 1)",
     None, ""),
    ("tav.GameState().round = Index(2**31)", OverflowError,
     "in method 'GameState_round_set', argument 2 of type 'int'"),
    ("tav.GameState().round = 1.0", TypeError, "in method 'GameState_round_set', argument 2 of type 'int'"),
    # Errors that say what was wrong instead of listing the overloads.
    ("tav.GameState().actors[2**63]", IndexError, "index out of range"),
    ("tav.IntVector([1])[-2**64]", IndexError, "index out of range"),
    ("tav.GameState().actors.insert(0, tav.Actor())", TypeError,
     "in method 'ActorVector_insert', argument 2 of type 'std::vector< tav::Actor >::iterator'"),
    ("tav.IntVector([1]).begin() - tav.IntVector([1]).begin()", RuntimeError,
     "iterators of different containers, or of a container that changed since"),
    ("NoInit().round", TypeError, "in method 'GameState_round_get', argument 1 of type "
     "'tav::GameState *': this NoInit holds no native object (its __init__ did not call "
     "GameState.__init__)"),
    ("assert repr(NoInit()).endswith('.NoInit holding no native object>')", None, ""),
])
def test_arguments_and_error_texts(statement, error, text):
    scope = {"tav": tav, "Index": Index, "NoInit": NoInit}
    if error is None:
        exec(statement, scope)
        return
    with pytest.raises(error) as info:
        exec(statement, scope)
    assert str(info.value) == text
