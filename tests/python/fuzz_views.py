"""A seeded random API fuzzer of the tav module's views, containers and copies.

Each program builds a small game state, then makes random calls: it reaches views (attributes,
elements, map values, getPlayer/getMonster, iterators) and keeps some of them, changes owners
and containers (append, insert, erase, resize, clear, slices, swap, attribute assignment,
GameState.clear), drops objects with del and gc.collect(), copies and pickles, and sometimes
runs the same random calls from two threads at once; it also hands kept objects to tav.protocol
(dump, ==, JSON, writers, the native readers) and keeps what those return. A call may raise any Python exception; the
interpreter must never die. Programs run in batches in child interpreters; a child that ends by
a signal (or a sanitizer report, which ends it with an error) fails the run.

    python3 fuzz_views.py [--seed S] [--programs N] [--batch B] [--calls C] [--time SECONDS]

prints how many programs and calls ran. Exit status 0 when every child exited normally.
"""

import argparse
import copy
import gc
import os
import pickle
import random
import subprocess
import sys
import threading
import time

EXPECTED = (ReferenceError, IndexError, TypeError, ValueError, StopIteration, OverflowError,
            RuntimeError, AttributeError, KeyError, NotImplementedError, MemoryError,
            pickle.PicklingError)

# Methods never called: they only print, or hand raw native memory around by design.
SKIPPED = {"_print", "__init__", "__new__", "__del__", "__setattr__", "__getattribute__",
           "__getattr__", "__delattr__", "__init_subclass__", "__subclasshook__", "__class__",
           "__reduce_ex__", "__dir__", "__format__", "__sizeof__", "__str__", "__repr__",
           "__hash__", "__eq__", "__ne__", "__lt__", "__le__", "__gt__", "__ge__"}


def build_state(tav, rng):
    state = tav.GameState()
    state.round = rng.randrange(5)
    for n in range(rng.randrange(4)):
        actor = tav.Actor(tav.PlayerActor()) if rng.random() < 0.5 else tav.Actor()
        for _ in range(rng.randrange(3)):
            actor.instances.append(tav.MonsterInstance())
        state.actors.append(actor)
    for key in rng.sample(range(8), rng.randrange(4)):
        state.ability_decks[key] = tav.MonsterAbilityDeck(key)
        state.ability_decks[key].abilities.append(key)
    return state


class Program:
    """One random program over a pool of objects."""

    def __init__(self, tav, seed, calls):
        self.tav = tav
        self.rng = random.Random(seed)
        self.calls = calls
        self.made = 0
        import tav.protocol
        self.protocol = tav.protocol
        state = build_state(tav, self.rng)
        self.pool = [state, state.actors, state.ability_decks, tav.IntVector([1, 2, 3]),
                     tav.ConditionVector([1]), tav.Optionalint(2)]

    def argument(self):
        rng, tav = self.rng, self.tav
        kind = rng.randrange(10)
        if kind < 3:
            return rng.randrange(-3, 6)
        if kind < 6 and self.pool:
            return rng.choice(self.pool)
        if kind == 6:
            return slice(rng.choice([None, -2, 0, 1, 3]), rng.choice([None, -1, 1, 2, 9]),
                         rng.choice([None, None, 1, -1, 2]))
        if kind == 7:
            return [rng.choice([tav.Actor(), tav.MonsterInstance(), 1, 2]) for _ in range(rng.randrange(3))]
        if kind == 8:
            return rng.choice([True, False, None, "x" * rng.randrange(40), 2 ** 62, -2 ** 31])
        return {rng.randrange(4): tav.MonsterAbilityDeck()}

    def step(self):
        rng = self.rng
        if not self.pool:
            self.pool.append(build_state(self.tav, rng))
        what = rng.randrange(100)
        target = rng.choice(self.pool)
        if what < 4:
            del self.pool[rng.randrange(len(self.pool))]
            return
        if what < 6:
            gc.collect()
            return
        if what < 16:
            try:
                result = self.companion(target)
                if result is not None and rng.random() < 0.7:
                    self.keep(result)
            except EXPECTED:
                pass
            return
        if what < 20:
            try:
                self.keep(rng.choice([copy.copy, copy.deepcopy,
                                      lambda o: pickle.loads(pickle.dumps(o))])(target))
            except EXPECTED:
                pass
            return
        names = [n for n in dir(type(target)) if n not in SKIPPED
                 and (not n.startswith("__") or n in ("__getitem__", "__setitem__", "__delitem__",
                                                      "__len__", "__iter__", "__next__",
                                                      "__add__", "__sub__", "__iadd__",
                                                      "__contains__", "__bool__", "__swig_destroy__",
                                                      "__copy__", "__deepcopy__", "__reduce__"))]
        if not names:
            return
        name = rng.choice(names)
        try:
            member = getattr(target, name)
            if callable(member):
                if name == "__swig_destroy__" and rng.random() < 0.8:
                    return
                args = [self.argument() for _ in range(rng.choice([0, 0, 1, 1, 1, 2, 3]))]
                result = member(*args)
            elif rng.random() < 0.3:
                setattr(target, name, self.argument())
                return
            else:
                result = member
            if result is not None and rng.random() < 0.7:
                self.keep(result)
        except EXPECTED:
            pass

    def companion(self, target):
        """One call of tav.protocol (the companion module) or == on a kept object."""
        rng, P = self.rng, self.protocol
        version = rng.choice(("7.6", "8.0", "8.4"))
        other = rng.choice(self.pool)
        data = bytes(rng.randrange(256) for _ in range(rng.randrange(40)))
        calls = [
            lambda: P.dump(target),
            lambda: target == other,
            lambda: target != other,
            lambda: P.to_json(target),
            lambda: P.write_game_state(target, version),
            lambda: P.body_size(target, version),
            lambda: P.write_message(self.tav.Header(), target, version),
            lambda: P.buffer_bytes(target),
            lambda: getattr(P, "v" + version.replace(".", "_")).readGameState(
                target, P.buffer_from(data)),
            lambda: P.read_game_state(data, version),
            lambda: P.read_game_state(data, version, into=target),
            lambda: P.read_message(data, version),
            lambda: P.buffer_from(data),
        ]
        return rng.choice(calls)()

    def keep(self, obj):
        if hasattr(obj, "this") or type(obj).__name__ == "SwigPyObject":
            self.pool.append(obj)
            if len(self.pool) > 24:
                del self.pool[self.rng.randrange(len(self.pool))]

    def run(self):
        if self.rng.random() < 0.05:
            # Two threads on the same objects; each makes its own random calls.
            seeds = [self.rng.random() for _ in range(2)]
            half = self.calls // 2

            def worker(seed):
                other = Program.__new__(Program)
                other.tav, other.rng, other.pool, other.calls = self.tav, random.Random(seed), self.pool, half
                other.protocol = self.protocol
                for _ in range(half):
                    other.step()

            threads = [threading.Thread(target=worker, args=(s,)) for s in seeds]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
            return 2 * half
        for _ in range(self.calls):
            self.step()
        return self.calls


def child(seed, first, count, calls):
    """Runs programs first .. first + count - 1 of seed; prints the number of calls."""
    import tav
    total = 0
    for n in range(first, first + count):
        total += Program(tav, "%s/%d" % (seed, n), calls).run()
    gc.collect()
    print(total)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seed", default="1")
    parser.add_argument("--programs", type=int, default=10000)
    parser.add_argument("--batch", type=int, default=500)
    parser.add_argument("--calls", type=int, default=25)
    parser.add_argument("--time", type=float, default=600, help="stop starting batches after")
    args = parser.parse_args(argv)
    here = os.path.dirname(os.path.abspath(__file__))
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join(p for p in (here, env.get("PYTHONPATH", "")) if p)
    started = time.monotonic()
    programs = calls = 0
    failures = []
    while programs < args.programs and time.monotonic() - started < args.time:
        count = min(args.batch, args.programs - programs)
        code = "import fuzz_views; fuzz_views.child(%r, %d, %d, %d)" % (args.seed, programs, count,
                                                                          args.calls)
        result = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                                errors="replace", env=env)
        if result.returncode != 0:
            failures.append("programs %d..%d of seed %s: exit %d\n%s" % (
                programs, programs + count - 1, args.seed, result.returncode, result.stderr[-4000:]))
        else:
            calls += int(result.stdout.split()[-1])
        programs += count
    print("fuzz: %d programs, %d calls, seed %s, %d failed batches, %.1f s" % (
        programs, calls, args.seed, len(failures), time.monotonic() - started))
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
