"""Seeded hostile-call sweep over every class of layouts.py that is built.

    python hostile.py SEED ACTIONS LOGFILE

Feeds every method, field and property hostile values (None, NaN, huge and
negative numbers, wrong-length and wrongly typed arrays, callables that raise
or call back into the object) and pickles and copies the results. Every
action must end in a return or a Python exception; a crash kills this process
and the last lines of LOGFILE (flushed before each action) name the trial that
did it. Run by test_layouts.py in a child process.
"""

import copy
import importlib
import math
import os
import pickle
import random
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import layouts as L  # noqa: E402


class Boom(Exception):
    pass


def raiser(*args, **kwargs):
    raise Boom("raised by a hostile callable")


class BadFloat:
    def __float__(self):
        raise Boom("__float__")

    def __index__(self):
        raise Boom("__index__")


class BadIter:
    def __iter__(self):
        yield 1.0
        raise Boom("__iter__")


class Chameleon:
    """Answers every attribute with a hostile value."""

    def __getattr__(self, name):
        if name.startswith("__"):
            raise AttributeError(name)
        raise Boom(name)


def plain_values():
    return [
        None, math.nan, math.inf, -math.inf, 1e308, -1e308, 5e-324, -0.0, 0, -1, -7,
        2 ** 31, -2 ** 31 - 1, 2 ** 63, -2 ** 63, 10 ** 30, True, "x", b"xx", "", (), [],
        [1.0] * 3, [math.nan] * 2, list(range(50)), ["a", "b"], {}, {"H2": "x"}, {1: 2},
        np.array([]), np.array([math.nan]), np.zeros(1), np.ones(3), np.ones(7) * 1e300,
        np.zeros(3, dtype=int), np.zeros((2, 2)), np.array(["a", "b"]), np.zeros(4, dtype=np.float32),
        np.full(4, -1.0), np.zeros(200), np.float64("nan"), np.int64(-1), np.array([1.0, 2.0])[::-1],
        memoryview(b"abcdefgh"), bytearray(16), raiser, BadFloat(), BadIter(), Chameleon(), object(),
        len, int, Boom, range(5), iter([1.0, 2.0]),
    ]


class Sweep:
    def __init__(self, mod, seed, log):
        self.mod = mod
        self.rng = random.Random(seed)
        self.log = log
        self.trial = []

    def note(self, text):
        self.trial.append(text)
        os.write(self.log, (text + "\n").encode())

    def value(self, obj, name, for_field=False):
        rng = self.rng
        pool = plain_values()
        methods = [m.name for m in L.methods_of(name)]

        def callback(*args, **kwargs):
            # calls back into the object; a loop ends in RecursionError
            target = getattr(obj, rng.choice(methods))
            return target(*args[:1])

        pool.append(callback)
        pool.append(lambda *a, **k: obj.__reduce__())
        if not for_field:
            # Known C recursion, being mended in the binding layer: a model's
            # own built-in method stored in one of its strategy fields, and a
            # gas wrapper stored as its own gas object. Offered as arguments only.
            pool.append(getattr(obj, rng.choice(methods)))
            pool.append(obj)
        for other in L.LAYOUTS:
            if hasattr(self.mod, other):
                pool.append(getattr(self.mod, other).__new__(getattr(self.mod, other)))
        return rng.choice(pool)

    def instance(self, name):
        lay = L.LAYOUTS[name]
        cls = getattr(self.mod, name)
        how = self.rng.choice(["alloc", "fresh", "configured", "live", "sub", "base dunders"])
        self.note(f"  instance {how}")
        if how == "alloc":
            return cls.__new__(cls)
        if how == "sub":
            sub = type("Sub", (cls,), {})
            return sub.__new__(sub)
        if how == "base dunders":
            # A subclass that pickles and copies itself as one of the module classes it derives from.
            bases = [c for c in cls.__mro__[1:] if getattr(self.mod, c.__name__, None) is c]
            if not bases:
                return cls.__new__(cls)
            base = self.rng.choice(bases)
            dunders = [d for d in ("__reduce__", "__setstate__", "__deepcopy__") if self.rng.random() < 0.7]
            self.note(f"  from {base.__name__}: {dunders}")
            sub = type("Sub", (cls,), {d: getattr(base, d) for d in dunders})
            obj = sub.__new__(sub)
            cls.__setstate__(obj, _state(lay.configured(self.mod)))  # the derived class's fields set
            return obj
        if how == "live":
            ctxs = sorted({m.ctx for m in L.methods_of(name)}, key=str)
            return lay.live(self.mod, self.rng.choice(ctxs))
        return getattr(lay, how)(self.mod)

    def act(self, obj, name):
        rng = self.rng
        fields = [f for f in L.fields_of(name)]
        methods = L.methods_of(name)
        props = L.props_of(name)
        kind = rng.random()
        if kind < 0.45:
            m = rng.choice(methods)
            good = list(m.args(obj)) if m.args else [1.0] * len(m.params)
            args = [self.value(obj, name) if rng.random() < 0.6 else good[i]
                    for i in range(len(m.params))]
            if rng.random() < 0.1:
                args.append(self.value(obj, name))
            self.note(f"  call {m.name} {args!r:.300}")
            getattr(obj, m.name)(*args)
        elif kind < 0.75:
            f = rng.choice(fields)
            if f.access == HIDDEN_OR_RO(f):
                state = list(_state(obj))
                i = sorted(x.name for x in fields).index(f.name)
                state[i] = self.value(obj, name, for_field=True)
                self.note(f"  setstate {f.name} = {state[i]!r:.200}")
                obj.__setstate__(tuple(state))
            else:
                v = self.value(obj, name, for_field=True)
                self.note(f"  set {f.name} = {v!r:.200}")
                setattr(obj, f.name, v)
        elif kind < 0.85 and props:
            p = rng.choice(props)
            if p.access == L.RW and rng.random() < 0.5:
                v = self.value(obj, name, for_field=True)
                self.note(f"  set {p.name} = {v!r:.200}")
                setattr(obj, p.name, v)
            else:
                self.note(f"  get {p.name}")
                getattr(obj, p.name)
        elif kind < 0.92:
            f = rng.choice(fields)
            self.note(f"  del {f.name}")
            delattr(obj, f.name)
        else:
            how = rng.choice(["pickle", "deepcopy", "reduce", "restore"])
            self.note(f"  {how}")
            if how == "pickle":
                pickle.loads(pickle.dumps(obj, rng.choice([0, 2, 5])))
            elif how == "deepcopy":
                # Whatever a copy leaves in the memo, failed or not, must be whole.
                memo = {}
                try:
                    copy.deepcopy(obj, memo)
                finally:
                    left = [v for v in memo.values() if isinstance(v, getattr(self.mod, name))]
                    self.note(f"  memo holds {len(left)}")
                    for v in left:
                        self.call_each(v, L.methods_of(name))
            elif how == "reduce":
                obj.__reduce__()
            else:
                self.restore_as(obj, name)

    def restore_as(self, obj, name, other=None, typ=None):
        """Another class's restore function given this object's type (or a foreign one) and
        its state; whatever comes back must survive this class's methods."""
        rng = self.rng
        # Half the time a class the object derives from: the restore functions of bases
        # are the ones that could build it.
        own = [c.__name__ for c in type(obj).__mro__ if getattr(self.mod, c.__name__, None) is c]
        if other is None:
            other = rng.choice(own if rng.random() < 0.5 else sorted(n for n in L.LAYOUTS if hasattr(self.mod, n)))
        restore = getattr(self.mod, "__pyx_unpickle_" + other)
        if typ is None:
            typ = rng.choice([type(obj), getattr(self.mod, name), int, type("Sub", (type(obj),), {})])
        state = rng.choice([None, tuple(_state(obj))])
        self.note(f"  restore {other} as {typ.__name__} state={state is not None}")
        x = restore(typ, L.LAYOUTS[other].checksums[0], state)
        self.call_each(x, L.methods_of(name))

    def call_each(self, obj, methods):
        """Each method with good arguments; an exception is fine, a crash is not."""
        for m in methods:
            good = list(m.args(obj)) if m.args else [1.0] * len(m.params)
            self.note(f"  call {m.name} {good!r:.300}")
            try:
                getattr(obj, m.name)(*good)
            except Exception:
                pass

    def systematic(self, name):
        """Every parameter of every method and every field meets every plain value."""
        lay = L.LAYOUTS[name]
        methods = L.methods_of(name)
        ctxs = sorted({m.ctx for m in methods}, key=str)
        live = {ctx: lay.live(self.mod, ctx) for ctx in ctxs}
        for m in methods:
            obj = lay.live(self.mod, m.ctx)
            good = list(m.args(obj)) if m.args else [1.0] * len(m.params)
            for i in range(len(m.params)):
                for v in plain_values():
                    args = list(good)
                    args[i] = v
                    self.trial = []
                    self.note(f"{name} live {m.ctx}: call {m.name} {args!r:.300}")
                    try:
                        getattr(obj, m.name)(*args)
                    except Exception:
                        pass
        for other in [c.__name__ for c in getattr(self.mod, name).__mro__ if c.__name__ in L.LAYOUTS]:
            for typ in (getattr(self.mod, name), type("Sub", (getattr(self.mod, name),), {})):
                self.trial = []
                self.note(f"{name}: restore through {other}")
                try:
                    self.restore_as(lay.fresh(self.mod), name, other, typ)
                except Exception:
                    pass
        names = sorted(f.name for f in L.fields_of(name))
        for f in L.fields_of(name):
            for v in plain_values():
                ctx = self.rng.choice(ctxs)
                obj = live[ctx] = lay.live(self.mod, ctx) if self.rng.random() < 0.2 else live[ctx]
                self.trial = []
                try:
                    state = list(_state(obj))
                    state[names.index(f.name)] = v
                    self.note(f"{name} live {ctx}: setstate {f.name} = {v!r:.200}")
                    obj.__setstate__(tuple(state))
                except Exception:
                    continue
                self.call_each(obj, self.rng.sample(methods, min(4, len(methods))))
                for p in L.props_of(name):
                    self.note(f"  get {p.name}")
                    try:
                        getattr(obj, p.name)
                    except Exception:
                        pass
                self.note("  pickle")
                try:
                    pickle.loads(pickle.dumps(obj, 5))
                except Exception:
                    pass

    def run(self, names, actions):
        for name in names:
            self.systematic(name)
        per_trial = 12
        for t in range(actions // per_trial):
            name = self.rng.choice(names)
            self.trial = []
            self.note(f"trial {t} {name}")
            try:
                obj = self.instance(name)
            except Exception:
                continue
            for _ in range(per_trial):
                try:
                    self.act(obj, name)
                except RecursionError:
                    pass
                except Exception:
                    pass


def HIDDEN_OR_RO(f):
    return f.access if f.access in (L.HIDDEN, L.RO) else None


def _state(obj):
    r = obj.__reduce__()
    return r[1][2] if len(r) == 2 else r[2]


def main():
    seed, actions, logfile = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    mod = importlib.import_module(L.MODULE)
    sys.unraisablehook = lambda unraisable: None
    sys.stdout = L.Sink()
    sys.setrecursionlimit(400)  # callbacks that loop end sooner
    names = [n for n in L.LAYOUTS if hasattr(mod, n)]
    log = os.open(logfile, os.O_WRONLY | os.O_CREAT | os.O_TRUNC)
    Sweep(mod, seed, log).run(names, actions)
    os.write(log, b"DONE\n")
    sys.__stdout__.write("DONE\n")


if __name__ == "__main__":
    main()
