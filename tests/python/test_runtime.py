"""One binding runtime per process: views that tav.protocol refuses, or whose elements its native
readers replace, stay correctly listed in the one view registry.

Each case runs in a child interpreter whose frees are poisoned (MALLOC_PERTURB_) and whose
objects come from the C allocator (PYTHONMALLOC=malloc), so a view freed while still listed is
reused poisoned memory: the child dies instead of passing by luck. Under the sanitizer build the
same children run with the sanitizer preloaded, which reports the first touch of freed memory.
After the case, every child makes and drops views at the same element addresses and clears
every container, which walks the registry buckets those addresses fall in.
"""

import os

import pytest

import tav
import tav.protocol as P
from conftest import run_child

SAMPLE = os.path.join(os.path.dirname(__file__), "..", "..", "examples", "data",
                      "gamestate-8.4.bin")

PROLOGUE = """
import gc, tav, tav.protocol as P
def attempt(f, *args):
    try:
        f(*args)
    except Exception as e:
        assert isinstance(e, (ReferenceError, TypeError)), repr(e)
s = tav.GameState()
for _ in range(2):
    s.actors.append(tav.Actor())
    s.actors[-1].instances.append(tav.MonsterInstance())
    s.actors[-1].instances.append(tav.MonsterInstance())
s.ability_decks[3] = tav.MonsterAbilityDeck(3)
a = s.actors[0]; i0 = a.instances[0]; i1 = s.actors[1].instances[1]; d = s.ability_decks[3]
"""

EPILOGUE = """
del a, i0, i1, d; gc.collect()
for n in range(len(s.actors)):
    views = [s.actors[n]] + [s.actors[n].instances[k] for k in range(len(s.actors[n].instances))]
    del views
    s.actors[n].instances.clear()
for k in list(s.ability_decks.keys()):
    x = s.ability_decks[k]; del x
s.ability_decks.clear(); s.actors.clear(); s.clear()
print("ok")
"""

# What makes the kept views stale, then what uses them through tav.protocol.
CASES = {
    # The first fault found: dump() of a view whose actor moved.
    "dump after insert": """
s.actors.insert(s.actors.begin(), tav.Actor())
attempt(P.dump, i0)
""",
    "equality after insert": """
s.actors.insert(s.actors.begin(), tav.Actor())
attempt(lambda: i0 == i1); attempt(lambda: a == a); attempt(lambda: i1 != i0)
""",
    "every record function after erase": """
s.actors.erase(s.actors.begin())
for f in (P.dump, lambda v: v == v, P.to_json, lambda v: P.write_game_state(v, "8.4"),
          lambda v: P.body_size(v, "8.4")):
    for v in (a, i0, i1, d):
        attempt(f, v)
""",
    "deck removed": """
del s.ability_decks[3]
attempt(P.dump, d); attempt(lambda: d == d)
""",
    "native reader replaces the state": """
data = open(%r, "rb").read()[17:]
P.v8_4.readGameState(s, P.buffer_from(data))
for v in (a, i0, i1, d):
    attempt(P.dump, v); attempt(lambda: v == v)
""" % os.path.abspath(SAMPLE),
    "read_game_state into the state": """
data = open(%r, "rb").read()[17:]
assert P.read_game_state(data, "8.4", into=s) is s
for v in (a, i0, i1, d):
    attempt(P.dump, v); attempt(lambda: v == v)
assert s == P.read_game_state(data, "8.4")
try:
    P.read_game_state(data[:40], "8.4", strict=True, into=s)
except ValueError:
    pass
assert s == P.read_game_state(data[:40], "8.4")
""" % os.path.abspath(SAMPLE),
    "native reader, then the containers": """
import io
P.v8_0.readGameState(s, P.buffer_from(b"\\x01" * 64))
attempt(lambda: i0 == i0)
s.actors.insert(s.actors.begin(), tav.Actor())
attempt(P.dump, a)
""",
}


@pytest.mark.parametrize("name", sorted(CASES))
def test_stale_views_through_the_companion(name):
    result = run_child(PROLOGUE + CASES[name] + EPILOGUE, poisoned=True)
    assert result.returncode == 0, result.stderr[-3000:]
    assert result.stdout.strip().endswith("ok")


def test_one_runtime():
    # The companion module has no view type or registry of its own: its handles are tav's.
    state = P.read_game_state(b"", "8.4")
    assert type(state.this) is type(tav.GameState().this)
    assert type(P.buffer_from(b"ab").this) is type(tav.Buffer().this)
    assert not hasattr(P._protocol, "_runtime") and hasattr(tav._tav, "_runtime")
