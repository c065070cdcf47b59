"""Pickle layout checksums: recomputed from the field names of each class."""

import functools
import hashlib
import pathlib
import pickle
import re

import pytest

from layouts import LAYOUTS, fields_of

# The field lists and checksums live in the class layout table.
FIELDS = {name: [f.name for f in fields_of(name)] for name in LAYOUTS}

# (md5, sha256, sha1); the reducer writes the first
CHECKSUMS = {name: LAYOUTS[name].checksums for name in LAYOUTS}

FIELD_COUNTS = {name: LAYOUTS[name].field_count for name in LAYOUTS}

CLASSES = sorted(FIELDS)


def _derives(name, base):
    while name is not None:
        if name == base:
            return True
        name = LAYOUTS[name].base
    return False


def other_class(name):
    """Another class of the table, whose checksums this one must refuse: the next one that is not a
    subclass of it (a restore function builds subclass instances) and has a layout of its own
    (CDimerCoal and CDimerCoalMod share one, as do CCrossLink and CCrossLinkMod)."""
    i = CLASSES.index(name)
    for k in range(1, len(CLASSES)):
        other = CLASSES[(i + k) % len(CLASSES)]
        if not _derives(other, name) and CHECKSUMS[other] != CHECKSUMS[name]:
            return other
    return name


def layout_checksums(fields):
    # sorted() orders by character code: capitals, then '_', then small letters
    text = " ".join(sorted(fields)).encode("ascii")
    return tuple(int(hashlib.new(algo, text).hexdigest()[:7], 16)
                 for algo in ("md5", "sha256", "sha1"))


def klass(mod, name):
    if not hasattr(mod, name):
        pytest.skip(f"{name} not built yet")
    return getattr(mod, name)


def reduced_state(obj):
    r = obj.__reduce__()
    return r[1][2] if len(r) == 2 else r[2]


@pytest.mark.parametrize("name", CLASSES)
def test_field_table_gives_the_checksums(name):
    fields = FIELDS[name]
    assert len(fields) == len(set(fields)) == FIELD_COUNTS[name]
    assert layout_checksums(fields) == CHECKSUMS[name]


SRC = pathlib.Path(__file__).resolve().parent.parent / "src"


@functools.cache
def cpp_sources():
    """The headers' macros {name: body} and struct bodies {name: (base or None, body)}."""
    macros, structs = {}, {}
    for path in sorted(SRC.rglob("*.hpp")):
        text = re.sub(r"//[^\n]*", "", path.read_text()).replace("\\\n", " ")
        for m in re.finditer(r"^#define (\w+)\([^)]*\)(.*)$", text, re.M):
            macros[m.group(1)] = m.group(2)
        for m in re.finditer(r"^struct (\w+)(?: : (\w+))? \{", text, re.M):
            depth, i = 1, m.end()
            while depth:
                depth += {"{": 1, "}": -1}.get(text[i], 0)
                i += 1
            structs[m.group(1)] = (m.group(2), text[m.end():i])
    return macros, structs


def declared_fields(name, macros, structs):
    """The layout fields of C++ struct `name` in declaration order, its bases' first: the rows
    `F(type, name, access)` of the field lists it declares (MEMBER and ATTR rows are not in the layout)."""
    def expand(body):
        out = []
        for row in re.finditer(r"\bF\([^,()]+, (\w+), (\w+)\)|\b(\w+)\((?:F|BIND_DECLARE|\w+)\)", body):
            if row.group(1):
                out += [row.group(1)] if row.group(2) not in ("MEMBER", "ATTR") else []
            elif row.group(3) in macros and row.group(3) != name:
                out += expand(macros[row.group(3)])
        return out
    base, body = structs[name]
    return (declared_fields(base, macros, structs) if base else []) + expand(body)


@pytest.mark.parametrize("name", CLASSES)
def test_class_table_lists_these_fields_in_declaration_order(name):
    table = declared_fields(name, *cpp_sources())
    assert table == FIELDS[name]
    assert layout_checksums(table) == CHECKSUMS[name]


@pytest.mark.parametrize("name", CLASSES)
def test_reducer_writes_md5_checksum_and_every_field(mod, name):
    cls = klass(mod, name)
    obj = cls.__new__(cls)
    reduced = obj.__reduce__()
    assert reduced[0] is getattr(mod, "__pyx_unpickle_" + name)
    assert reduced[1][0] is cls
    assert reduced[1][1] == CHECKSUMS[name][0]
    assert len(reduced_state(obj)) == FIELD_COUNTS[name]


@pytest.mark.parametrize("which", [0, 1, 2], ids=["md5", "sha256", "sha1"])
@pytest.mark.parametrize("name", CLASSES)
def test_restore_accepts_each_checksum(mod, name, which):
    cls = klass(mod, name)
    restore = getattr(mod, "__pyx_unpickle_" + name)
    obj = restore(cls, CHECKSUMS[name][which], None)
    assert type(obj) is cls
    sub = type("Sub" + name, (cls,), {})
    assert type(restore(sub, CHECKSUMS[name][which], None)) is sub


@pytest.mark.parametrize("name", CLASSES)
def test_restore_refuses_other_checksums(mod, name):
    cls = klass(mod, name)
    restore = getattr(mod, "__pyx_unpickle_" + name)
    other = other_class(name)
    others = {c for n in CLASSES if n != name for c in CHECKSUMS[n]} - set(CHECKSUMS[name])
    for bad in (CHECKSUMS[name][0] + 1, 0, CHECKSUMS[other][0], *sorted(others)):
        with pytest.raises(pickle.PickleError) as info:
            restore(cls, bad, None)
        assert str(info.value).startswith("Incompatible checksums (0x%x vs (" % bad)


@pytest.mark.parametrize("name", CLASSES)
def test_restore_refuses_foreign_types(mod, name):
    cls = klass(mod, name)
    restore = getattr(mod, "__pyx_unpickle_" + name)
    other = other_class(name)
    foreign = [int, object, dict]
    if hasattr(mod, other):
        foreign.append(getattr(mod, other))
    for typ in foreign:
        with pytest.raises(TypeError):
            restore(typ, CHECKSUMS[name][0], None)
    with pytest.raises(TypeError):
        restore(cls, "0x3719456", None)


@pytest.mark.parametrize("name", CLASSES)
def test_restore_checksum_text_formats_like_python(mod, name):
    cls = klass(mod, name)
    restore = getattr(mod, "__pyx_unpickle_" + name)
    with pytest.raises(pickle.PickleError) as info:
        restore(cls, -5, None)
    assert str(info.value).startswith("Incompatible checksums (0x-5 vs (")
    fields = ", ".join(sorted(FIELDS[name]))
    assert str(info.value).endswith(" = (%s))" % fields)


@pytest.mark.parametrize("name", CLASSES)
def test_restore_refuses_foreign_types_as_new_does(mod, name):
    cls = klass(mod, name)
    restore = getattr(mod, "__pyx_unpickle_" + name)
    for typ in (int, 5):
        with pytest.raises(TypeError) as expected:
            cls.__new__(typ)
        with pytest.raises(TypeError) as got:
            restore(typ, CHECKSUMS[name][0], None)
        assert str(got.value) == str(expected.value)


# Every pair of a module class and a module class derived from it.
DERIVED_PAIRS = [(base, name) for base in CLASSES for name in CLASSES if name != base and _derives(name, base)]


def test_a_base_restore_function_refuses_the_module_classes_derived_from_it(run_python):
    # The base's allocator would build only the base's part of the derived object:
    # any method of the derived class then ran on memory that was never made.
    # In a child process, so that a crash shows as its exit status.
    proc = run_python(f"""
        import sys
        sys.path.insert(0, {str(pathlib.Path(__file__).resolve().parent)!r})
        import pyrandel.lib._pyrandel as m
        import layouts as L
        for base, name in {DERIVED_PAIRS!r}:
            restore = getattr(m, "__pyx_unpickle_" + base)
            sub = type("Sub", (getattr(m, name),), {{}})
            for typ in (getattr(m, name), sub):
                try:
                    x = restore(typ, L.LAYOUTS[base].checksums[0], None)
                except TypeError as e:
                    print(base, typ.__name__, e)
                    continue
                for meth in L.methods_of(name):
                    try:
                        getattr(x, meth.name)(*[1.0] * len(meth.params))
                    except Exception:
                        pass
                print(base, typ.__name__, "restored")
    """)
    assert proc.returncode == 0, proc.stderr[-3000:]
    lines = proc.stdout.splitlines()
    assert len(lines) == 2 * len(DERIVED_PAIRS)
    q = "pyrandel.lib._pyrandel."
    for (base, name), own, sub in zip(DERIVED_PAIRS, lines[::2], lines[1::2]):
        assert own == f"{base} {name} {q}{base}.__new__({q}{name}) is not safe, use {q}{name}.__new__()"
        assert sub == f"{base} Sub {q}{base}.__new__(Sub) is not safe, use {q}{name}.__new__()"


def test_derived_pairs_are_the_module_classes_mros(mod):
    got = sorted((b.__name__, c.__name__) for c in map(mod.__dict__.get, CLASSES) for b in c.__mro__[1:]
                 if getattr(mod, b.__name__, None) is b)
    assert got == sorted(DERIVED_PAIRS)


def test_a_base_deep_copy_refuses_the_module_classes_derived_from_it(run_python):
    # A Python subclass of a derived class that takes the base's pickling dunders:
    # the base's deep copy would build it with the base's allocator. Asked once
    # through copy.deepcopy, once straight with a memo while the derived class's
    # own __setstate__ is kept. Whatever came back, or is left in the memo, must
    # take every method of the derived class. In a child process, so that a
    # crash shows as its exit status.
    proc = run_python(f"""
        import copy, sys
        sys.path.insert(0, {str(pathlib.Path(__file__).resolve().parent)!r})
        import pyrandel.lib._pyrandel as m
        import layouts as L
        def call_each(x, name):
            for meth in L.methods_of(name):
                try:
                    getattr(x, meth.name)(*[1.0] * len(meth.params))
                except Exception:
                    pass
        for base, name in {DERIVED_PAIRS!r}:
            B = getattr(m, base)
            for form, dunders in (("deepcopy", ("__reduce__", "__setstate__", "__deepcopy__")),
                                  ("memo", ("__reduce__", "__deepcopy__"))):
                sub = type("Sub", (getattr(m, name),), {{d: getattr(B, d) for d in dunders}})
                obj = sub.__new__(sub)
                memo = {{}}
                try:
                    y = copy.deepcopy(obj) if form == "deepcopy" else B.__deepcopy__(obj, memo)
                    call_each(y, name)
                    print(base, form, "copied")
                except TypeError as e:
                    print(base, form, e)
                for v in list(memo.values()):
                    call_each(v, name)
                print(base, form, "memo", len(memo))
    """)
    assert proc.returncode == 0, proc.stderr[-3000:]
    lines = iter(proc.stdout.splitlines())
    q = "pyrandel.lib._pyrandel."
    for base, name in DERIVED_PAIRS:
        for form in ("deepcopy", "memo"):
            assert next(lines) == f"{base} {form} {q}{base}.__new__(Sub) is not safe, use {q}{name}.__new__()"
            assert next(lines) == f"{base} {form} memo 0"
    assert next(lines, None) is None


class Refused(Exception):
    pass


def _refuse(self, state):
    raise Refused


@pytest.mark.parametrize("reducer", ["module's", "own"])
@pytest.mark.parametrize("name", CLASSES)
def test_a_failed_deep_copy_leaves_the_memo_as_it_was(mod, name, reducer):
    import copy

    cls = klass(mod, name)
    body = {"__setstate__": _refuse}
    if reducer == "own":
        body["__reduce__"] = lambda self: (type(self).__new__, (type(self),), self.__dict__)
    sub = type("Refusing" + name, (cls,), body)
    obj = sub.__new__(sub)
    obj.parts = [[1.0], {"a": [2.0]}]  # copied, and memoised, before the state is refused
    obj.me = obj
    memo = {1: "kept", id(obj): "replaced, then put back"}
    before = dict(memo)
    with pytest.raises(Refused):
        cls.__deepcopy__(obj, memo)
    assert memo == before
    del memo[id(obj)]
    with pytest.raises(Refused):
        copy.deepcopy(obj, memo)
    assert memo == {1: "kept"}


@pytest.mark.parametrize("name", CLASSES)
def test_subclass_instances_always_pickle_their_dict(mod, name):
    # A Python subclass instance has an instance dictionary from the start,
    # whether or not anything has been stored in it yet.
    cls = klass(mod, name)
    sub = type("Sub" + name, (cls,), {})
    obj = sub.__new__(sub)
    first = obj.__reduce__()
    assert len(first) == 3 and first[1] == (sub, CHECKSUMS[name][0], None)
    assert len(first[2]) == FIELD_COUNTS[name] + 1 and first[2][-1] == {}
    obj.__dict__
    assert obj.__reduce__() == first


@pytest.mark.parametrize("name", CLASSES)
def test_copies_call_a_subclass_setstate(mod, name):
    import copy

    cls = klass(mod, name)

    def __setstate__(self, state):
        self.seen = len(state)
        cls.__setstate__(self, state)

    Sub = type("Seeing" + name, (cls,), {"__setstate__": __setstate__})
    globals()[Sub.__name__] = Sub  # found by pickle
    obj = Sub.__new__(Sub)
    obj.tag = "t"
    for twin in (pickle.loads(pickle.dumps(obj)), copy.deepcopy(obj), copy.copy(obj)):
        assert type(twin) is Sub and twin.tag == "t"
        assert twin.seen == FIELD_COUNTS[name] + 1


@pytest.mark.parametrize("name", CLASSES)
def test_deepcopy_follows_a_subclass_reducer(mod, name):
    import copy

    cls = klass(mod, name)
    as_global = type("Global" + name, (cls,), {"__reduce__": lambda self: "ONE"})
    obj = as_global.__new__(as_global)
    assert copy.deepcopy(obj) is obj  # a string names a global: the object itself
    made = []
    own = type("Own" + name, (cls,), {
        "__reduce__": lambda self: (made.append, (self.__class__,))})
    original = own.__new__(own)
    assert copy.deepcopy(original) is None and made == [own]
