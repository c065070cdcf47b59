"""Module start-up, namespace, enumerations and class registry."""

import builtins
import enum
import gc
import importlib
import importlib.util
import sys
import weakref

import numpy
import pytest

import layouts

MODULE_NAME = "pyrandel.lib._pyrandel"

# (class, base, docstring, instances callable, has internal method table),
# from the registry rows of the class layout table
REGISTRY = [(r.name, r.base, r.doc, r.is_callable, r.vtable > 0) for r in layouts.REGISTRY]
ALL_CLASSES = [row[0] for row in REGISTRY]

ENUMS = {
    "DIFFUSION_COEFF_METHODS": [("DIFF_MORPHOLOGY", 0), ("DIFF_CONSTANT", 1)],
    "PAH_GROWTH_MODELS": [("reactive_dimerization", 1), ("self_collision", 2),
                          ("self_collision_lump", 3), ("cross_linking", 4),
                          ("irrev_dimerization", 5)],
    "SOOT_COALES_TYPES": [("no_coales", 0), ("titania", 1), ("silica", 2),
                          ("md_derived", 3), ("ctoh_based", 4)],
    "TEMPERATURE_SOLVERS": [("PROFILE_LENGTH", 0), ("PROFILE_TIME", 1),
                            ("ENERGY_EQUATION", 2), ("ISOTHERMAL", 3)],
    "VALIDATION_CASES": [("no_validation", 0), ("coagulation", 1)],
    "VI": [("N_agg", 0), ("N_pri", 1), ("C_tot", 2), ("H_tot", 3)],
    "boundary_type": [("inlet", 0), ("outlet", 1)],
}

IMPORT_DUNDERS = {"__name__", "__doc__", "__spec__", "__loader__", "__file__",
                  "__package__", "__builtins__"}
OPTIONAL_DUNDERS = {"__path__", "__cached__"}


def present(mod):
    names = [c for c in ALL_CLASSES if hasattr(mod, c)]
    assert "CSootGas" in names
    return names


def klass(mod, name):
    if not hasattr(mod, name):
        pytest.skip(f"{name} not built yet")
    return getattr(mod, name)


def enum_sequence():
    seq = []
    for name, members in ENUMS.items():
        seq.append(name)
        seq.extend(m for m, _ in members)
    return seq


# ---------------------------------------------------------------- start-up

def _own_globals(mod):
    # reload lets the import machinery rebind __spec__, __file__ and the like;
    # what the module itself published must stay the very same objects
    return {k: id(v) for k, v in vars(mod).items()
            if not (k.startswith("__") and k.endswith("__")) or k == "__test__"}


def test_second_import_and_reload_give_the_same_module(mod):
    before = _own_globals(mod)
    assert importlib.import_module(MODULE_NAME) is mod
    assert sys.modules[MODULE_NAME] is mod
    assert importlib.reload(mod) is mod
    assert _own_globals(mod) == before
    assert mod.__name__ == MODULE_NAME and mod.__spec__.name == MODULE_NAME


def test_module_from_spec_hands_back_the_initialised_module(mod):
    saved_spec = mod.__spec__
    try:
        spec = importlib.util.find_spec(MODULE_NAME)
        again = importlib.util.module_from_spec(spec)
        assert again is mod
        before = _own_globals(mod)
        spec.loader.exec_module(again)  # re-running on the same module is a no-op
        assert _own_globals(mod) == before
    finally:
        mod.__spec__ = saved_spec


def test_exec_on_another_module_object_is_refused(run_python):
    proc = run_python("""
        import ctypes, sys, types
        import pyrandel.lib._pyrandel as m
        api = ctypes.pythonapi
        api.PyModule_GetDef.restype = ctypes.c_void_p
        api.PyModule_GetDef.argtypes = [ctypes.py_object]
        api.PyModule_ExecDef.restype = ctypes.c_int
        api.PyModule_ExecDef.argtypes = [ctypes.py_object, ctypes.c_void_p]
        mdef = api.PyModule_GetDef(m)
        assert mdef
        other = types.ModuleType("_pyrandel")
        try:
            api.PyModule_ExecDef(other, mdef)
        except RuntimeError as exc:
            assert str(exc) == ("Module '_pyrandel' has already been imported. "
                                "Re-initialisation is not supported."), str(exc)
        else:
            raise AssertionError("second module object was initialised")
        assert "CSootGas" not in vars(other)
        assert sys.modules["pyrandel.lib._pyrandel"] is m
        m.CSootGas(None).update_mean_MW(0.029)
        print("OK")
    """)
    assert proc.returncode == 0, proc.stderr
    assert proc.stdout.strip().endswith("OK")


def test_sub_interpreter_is_refused(run_python):
    proc = run_python("""
        import _xxsubinterpreters as subint
        import pyrandel.lib._pyrandel as m
        code = (
            "import importlib.util\\n"
            f"spec = importlib.util.spec_from_file_location('pyrandel.lib._pyrandel', {MODULE_FILE!r})\\n"
            "importlib.util.module_from_spec(spec)\\n"
        )
        interp = subint.create()
        try:
            subint.run_string(interp, code)
        except subint.RunFailedError as exc:
            msg = str(exc)
        else:
            msg = None
        subint.destroy(interp)
        assert msg is not None, "sub-interpreter import succeeded"
        assert "ImportError" in msg, msg
        assert ("Interpreter change detected - this module can only be loaded "
                "into one interpreter per process.") in msg, msg
        # the main interpreter's module is untouched
        g = m.CSootGas(None)
        g.update_mean_MW(0.029)
        assert g.mean_MW == 0.029
        print("OK")
    """)
    assert proc.returncode == 0, proc.stderr
    assert proc.stdout.strip().endswith("OK")


def test_failed_import_without_numpy_leaves_nothing_behind(run_python):
    proc = run_python("""
        import sys
        sys.modules["numpy"] = None  # makes every numpy import fail
        for attempt in range(2):
            try:
                import pyrandel.lib._pyrandel
            except ImportError:
                pass
            else:
                raise AssertionError("import succeeded without numpy")
            assert "pyrandel.lib._pyrandel" not in sys.modules, attempt
        # with numpy back a new attempt runs the whole start-up again
        del sys.modules["numpy"]
        import numpy
        import pyrandel.lib._pyrandel as m
        assert m.np is numpy
        assert m.VI.H_tot == 3
        g = m.CSootGas(None)
        g.update_MWs(numpy.array([0.002, 0.032]))
        assert g.n_species == 2
        print("OK")
    """)
    assert proc.returncode == 0, proc.stderr
    assert proc.stdout.strip().endswith("OK")


def test_failed_import_under_another_name_drops_its_own_entry(run_python):
    # Loaded under a different name the module enters its canonical name in
    # sys.modules itself; a failure must take that entry out again.
    proc = run_python("""
        import importlib.util, sys
        sys.modules["numpy"] = None
        spec = importlib.util.spec_from_file_location("_pyrandel", MODULE_FILE)
        try:
            m = importlib.util.module_from_spec(spec)
            sys.modules["_pyrandel"] = m
            spec.loader.exec_module(m)
        except ImportError:
            sys.modules.pop("_pyrandel", None)
        else:
            raise AssertionError("import succeeded without numpy")
        assert "pyrandel.lib._pyrandel" not in sys.modules
        print("OK")
    """)
    assert proc.returncode == 0, proc.stderr
    assert proc.stdout.strip().endswith("OK")


# A stand-in numpy whose type objects have chosen sizes: (name, bytes).
FAKE_NUMPY = """
import sys, types, warnings
SIZES = dict(dtype=88, flatiter=2632, broadcast=560, ndarray=96, generic=16,
             number=16, integer=16, signedinteger=16, unsignedinteger=16,
             inexact=16, floating=16, complexfloating=16, flexible=16,
             character=16, ufunc=232)
SIZES.update(CHANGES)
fake = types.ModuleType("numpy")
for name, size in SIZES.items():
    if size is None:
        continue
    if size == "no type":
        setattr(fake, name, 5)
        continue
    slots = tuple("s%d" % i for i in range((size - 16) // 8))
    setattr(fake, name, type(name, (), {"__slots__": slots}))
    assert getattr(fake, name).__basicsize__ == size
sys.modules["numpy"] = fake
warnings.simplefilter(WARNINGS)
with warnings.catch_warnings(record=True) as caught:
    warnings.simplefilter(WARNINGS)
    try:
        import pyrandel.lib._pyrandel as m
    except BaseException as exc:
        print("FAILED", type(exc).__name__, exc)
    else:
        assert m.np is fake
        print("OK")
for w in caught:
    print("WARNING", w.category.__name__, w.message)
"""

SIZE = "size changed, may indicate binary incompatibility. Expected %d from C header, got %d from PyObject"


@pytest.mark.parametrize("changes,warnings_as,expected", [
    ({}, "always", ["OK"]),
    ({"ndarray": 104, "dtype": 96, "ufunc": 240}, "always", ["OK"]),  # larger: silent
    ({"ndarray": 88}, "always",
     ["FAILED ValueError numpy.ndarray " + SIZE % (96, 88)]),
    ({"flatiter": 2624}, "always",
     ["FAILED ValueError numpy.flatiter " + SIZE % (2632, 2624)]),
    ({"generic": 24}, "always",
     ["OK", "WARNING RuntimeWarning numpy.generic " + SIZE % (16, 24)]),
    ({"character": 24}, "error",
     ["FAILED RuntimeWarning numpy.character " + SIZE % (16, 24)]),
    ({"dtype": "no type"}, "always", ["FAILED TypeError numpy.dtype is not a type object"]),
    ({"ufunc": None}, "always", ["FAILED AttributeError"]),
], ids=["exact", "larger", "small-ndarray", "small-flatiter", "larger-generic",
        "warning-as-error", "not-a-type", "missing"])
def test_numpy_type_objects_are_checked(run_python, changes, warnings_as, expected):
    proc = run_python(f"CHANGES = {changes!r}\nWARNINGS = {warnings_as!r}\n" + FAKE_NUMPY)
    assert proc.returncode == 0, proc.stderr
    lines = proc.stdout.strip().splitlines()
    if expected == ["FAILED AttributeError"]:
        assert lines[0].startswith("FAILED AttributeError") and len(lines) == 1
    else:
        assert lines == expected


def test_package_numpy_is_preferred_for_np_only(run_python):
    proc = run_python("""
        import sys, types, numpy
        local = types.ModuleType("pyrandel.lib.numpy")
        sys.modules["pyrandel.lib.numpy"] = local
        import pyrandel.lib._pyrandel as m
        assert m.np is local
        g = m.CSootGas(None)
        try:
            g.update_MWs([0.002])  # the type test still uses NumPy's ndarray
        except TypeError as exc:
            assert "expected numpy.ndarray" in str(exc), exc
        g.update_MWs(numpy.array([0.002, 0.032]))
        assert g.n_species == 2
        print("OK")
    """)
    assert proc.returncode == 0, proc.stderr
    assert proc.stdout.strip() == "OK"


def test_classes_of_a_failed_import_refuse_cleanly(run_python):
    # The module object of a failed start-up still carries the classes readied
    # before the failure; using them must raise, never crash.
    proc = run_python("""
        import importlib.util, pickle, sys
        sys.modules["numpy"] = None
        spec = importlib.util.spec_from_file_location("pyrandel.lib._pyrandel", MODULE_FILE)
        m = importlib.util.module_from_spec(spec)
        try:
            spec.loader.exec_module(m)
        except ImportError:
            pass
        else:
            raise AssertionError("import succeeded without numpy")
        g = m.CSootGas(None)
        for action in (g.__reduce__, lambda: pickle.dumps(g), lambda: g.X_array,
                       lambda: g.update_MWs([0.002])):
            try:
                action()
            except Exception as exc:
                print(type(exc).__name__)
            else:
                raise AssertionError("no error")
        g.update(1500.0, 1.0e5, [1.0], 0.2, 5.0e-5, 0.029)
        assert g.T == 1500.0
        print("OK")
    """)
    assert proc.returncode == 0, proc.stderr
    assert proc.stdout.split() == ["NameError", "NameError", "NameError", "SystemError", "OK"]


# --------------------------------------------------------------- namespace

def test_namespace_holds_exactly_the_published_names(mod):
    names = present(mod)
    expected = set(names) | {"__pyx_unpickle_" + c for c in names}
    expected |= {"np", "__test__"} | set(enum_sequence())
    keys = set(vars(mod))
    dunders = {k for k in keys if k.startswith("__") and k.endswith("__")}
    assert keys - dunders - expected == set()
    assert expected - keys == set()
    assert IMPORT_DUNDERS <= dunders
    assert dunders - IMPORT_DUNDERS - OPTIONAL_DUNDERS == {"__test__"}


def test_namespace_order_follows_start_up(mod):
    names = present(mod)
    published = [k for k in vars(mod)
                 if not (k.startswith("__") and k.endswith("__")) or k == "__test__"]
    assert published == (names + ["np"] + ["__pyx_unpickle_" + c for c in names]
                         + ["__test__"] + enum_sequence())


def test_module_dunders(mod):
    assert mod.__name__ == MODULE_NAME
    assert mod.__doc__ is None
    assert mod.__package__ == "pyrandel.lib"
    assert mod.__spec__.name == MODULE_NAME
    assert mod.__file__ == mod.__spec__.origin
    assert mod.__builtins__ is builtins
    assert mod.np is numpy
    assert type(mod.__test__) is dict and mod.__test__ == {}


def test_restore_functions_are_module_level(mod):
    for name in present(mod):
        fn = getattr(mod, "__pyx_unpickle_" + name)
        assert callable(fn)
        assert fn.__name__ == "__pyx_unpickle_" + name
        assert fn.__module__ == MODULE_NAME


# ------------------------------------------------------------ enumerations

@pytest.mark.parametrize("name", list(ENUMS))
def test_enumeration(mod, name):
    E = getattr(mod, name)
    assert isinstance(E, enum.EnumMeta) and issubclass(E, enum.IntEnum)
    assert E.__name__ == name
    assert [(m.name, m.value) for m in E] == ENUMS[name]
    for member, value in ENUMS[name]:
        glob = getattr(mod, member)
        assert glob is E[member] is E(value)
        assert isinstance(glob, int) and glob == value


def test_enumeration_member_count(mod):
    assert sum(len(list(getattr(mod, n))) for n in ENUMS) == 24


def test_enumeration_edge_cases(mod):
    with pytest.raises(ValueError):
        mod.PAH_GROWTH_MODELS(0)
    assert mod.VI.H_tot == 3
    assert [mod.N_agg, mod.N_pri, mod.C_tot, mod.H_tot] == list(mod.VI)
    assert type(mod.C_tot) is mod.VI
    assert mod.coagulation is mod.VALIDATION_CASES.coagulation == 1


# ----------------------------------------------------------- class registry

@pytest.mark.parametrize("name,base,doc,is_callable,has_vtable", REGISTRY,
                         ids=ALL_CLASSES)
class TestRegistry:
    def test_identity(self, mod, name, base, doc, is_callable, has_vtable):
        cls = klass(mod, name)
        assert cls.__doc__ == doc
        assert cls.__name__ == cls.__qualname__ == name
        assert cls.__module__ == MODULE_NAME
        assert repr(cls) == f"<class '{MODULE_NAME}.{name}'>"
        expected_base = object if base is None else klass(mod, base)
        assert cls.__bases__ == (expected_base,)

    def test_vtable_capsule(self, mod, name, base, doc, is_callable, has_vtable):
        cls = klass(mod, name)
        assert ("__pyx_vtable__" in cls.__dict__) == has_vtable
        if has_vtable:
            assert type(cls.__dict__["__pyx_vtable__"]).__name__ == "PyCapsule"

    def test_layout(self, mod, name, base, doc, is_callable, has_vtable):
        cls = klass(mod, name)
        assert cls.__flags__ & (1 << 14)  # cyclic GC
        assert cls.__dictoffset__ == 0
        assert cls.__weakrefoffset__ == 0
        assert "__reduce__" in cls.__dict__ and "__setstate__" in cls.__dict__

    def test_bare_instance(self, mod, name, base, doc, is_callable, has_vtable):
        cls = klass(mod, name)
        obj = cls.__new__(cls)
        assert gc.is_tracked(obj)
        assert callable(obj) == is_callable
        assert not hasattr(obj, "__dict__")
        with pytest.raises(AttributeError):
            obj.not_a_field = 1
        with pytest.raises(TypeError):
            weakref.ref(obj)

    def test_python_subclass(self, mod, name, base, doc, is_callable, has_vtable):
        cls = klass(mod, name)
        sub = type("Sub" + name, (cls,), {})
        obj = sub.__new__(sub)
        obj.not_a_field = 1
        assert obj.not_a_field == 1
        assert weakref.ref(obj)() is obj
        assert isinstance(obj, cls)


# ------------------------------------------------- finalisers and teardown

@pytest.mark.parametrize("name", ALL_CLASSES)
def test_subclass_finaliser_sees_the_fields_and_may_resurrect(mod, name):
    cls = klass(mod, name)
    seen, kept = [], []

    class Mortal(cls):
        def __del__(self):
            seen.append(len(self.__reduce__()[2]))  # every field still readable
            if len(seen) == 1:
                kept.append(self)

    obj = Mortal.__new__(Mortal)
    obj.me = obj  # a cycle: the collector runs the finaliser
    del obj
    gc.collect()
    assert len(seen) == 1 and len(kept) == 1
    survivor = kept.pop()
    assert len(survivor.__reduce__()[2]) == seen[0]  # resurrected intact
    probe = weakref.ref(survivor)
    del survivor
    gc.collect()
    assert probe() is None and len(seen) == 1  # finalised once, then freed

    plain = Mortal.__new__(Mortal)  # no cycle: freed by reference counting
    del plain
    assert len(seen) == 2


def test_long_chains_are_released_without_exhausting_the_stack(run_python):
    proc = run_python("""
        import gc
        import pyrandel.lib._pyrandel as m
        g = m.CSootGas(None)
        for _ in range(1_000_000):
            g = m.CSootGas(g)
        del g
        ring = m.CSootGas(None)
        head = ring
        for _ in range(1_000_000):
            head = m.CSootGas(head)
        ring.cantera_gas = head  # one long cycle, cleared by the collector
        del ring, head
        gc.collect()
        print("OK")
    """, timeout=300)
    assert proc.returncode == 0, proc.stderr
    assert proc.stdout.strip() == "OK"
