"""Conventions of every class, derived from the class layouts in layouts.py."""

import hashlib

import pytest

from layouts import LAYOUTS, REGISTRY, ROW, fields_of

NAMES = [r.name for r in REGISTRY]


def layout_checksums(names):
    # sorted() orders by character code: capitals, then '_', then small letters
    text = " ".join(sorted(names)).encode("ascii")
    return tuple(int(hashlib.new(algo, text).hexdigest()[:7], 16)
                 for algo in ("md5", "sha256", "sha1"))


def built(mod, name):
    """The class, or a skip while it is in the table but not yet in the module."""
    if not hasattr(mod, name):
        pytest.skip(f"{name} not built yet")
    return getattr(mod, name)


def test_every_class_in_the_module_has_layout_rows(mod):
    present = [n for n in NAMES if hasattr(mod, n)]
    assert present, "no class of the registry is published"
    assert [n for n in present if n not in LAYOUTS] == []


def test_registry_rows_are_consistent():
    assert len(REGISTRY) == len(set(NAMES)) == 26
    assert set(LAYOUTS) <= set(NAMES)
    for row in REGISTRY:
        if row.base is not None:
            base = ROW[row.base]
            assert NAMES.index(base.name) < NAMES.index(row.name)
            # a derived table starts with the base's entries
            assert row.vtable == 0 or row.vtable >= base.vtable
    assert sum(r.vtable > 0 for r in REGISTRY) == 15


@pytest.mark.parametrize("name", sorted(LAYOUTS))
def test_field_table_gives_the_checksums(name):
    lay = LAYOUTS[name]
    names = [f.name for f in fields_of(name)]
    assert len(names) == len(set(names)) == lay.field_count
    assert layout_checksums(names) == lay.checksums
    assert lay.base == ROW[name].base
