"""Every output of every model, reactor and flame solver equals the recorded one bit for bit
(golden_outputs.py builds the cases, make_golden_outputs.py records them)."""

import lzma
import json
import pathlib

import numpy as np
import pytest

import golden_outputs
from golden_outputs import decode

PATH = pathlib.Path(__file__).resolve().parent / "golden" / "outputs.json.xz"
with lzma.open(PATH, "rt") as _f:
    GOLDEN = json.load(_f)


def show(h):
    return h if h.startswith("!") else repr(decode(h).tolist())


def differences(want, got):
    """Readable lines for every label whose value or presence differs, first index and count."""
    lines = []
    for label in list(want) + [k for k in got if k not in want]:
        w, g = want.get(label), got.get(label)
        if w == g:
            continue
        if w is None or g is None or w.startswith("!") or g.startswith("!") or len(w) != len(g):
            lines.append(f"  {label}: recorded {show(w) if w else 'nothing'}, now {show(g) if g else 'nothing'}")
            continue
        a, b = decode(w), decode(g)
        bad = np.flatnonzero(a.view("<u8") != b.view("<u8"))
        i = bad[0]
        lines.append(f"  {label}[{i}]: recorded {a[i]!r}, now {b[i]!r} ({len(bad)} of {a.size} differ)")
    return lines


def check(name, run):
    want = GOLDEN["cases"].get(name)
    assert want is not None, f"{name}: no recorded outputs (python tests/make_golden_outputs.py {name})"
    got = run().out
    lines = differences(want, got)
    assert not lines, f"{name}: {len(lines)} outputs differ from the recorded ones\n" + "\n".join(lines[:20])


@pytest.fixture(scope="module")
def cases(mod):
    return golden_outputs.cases(mod)


def test_every_case_is_recorded(cases):
    assert set(cases) == {n for n in GOLDEN["cases"] if not n.startswith("cantera/")}


@pytest.mark.parametrize("name", [n for n in GOLDEN["cases"] if not n.startswith("cantera/")])
def test_outputs_are_the_recorded_bits(cases, name, monkeypatch):
    monkeypatch.setattr("sys.unraisablehook", lambda u: None)  # some cases report unraisable errors
    check(name, cases[name])


def test_outputs_on_cantera_gases_are_the_recorded_bits(mod, monkeypatch):
    ct = pytest.importorskip("cantera")
    if ct.__version__ != GOLDEN["cantera"]:
        pytest.skip(f"recorded under Cantera {GOLDEN['cantera']}, this is {ct.__version__}")
    monkeypatch.setattr("sys.unraisablehook", lambda u: None)
    failures = []
    for name, run in golden_outputs.cantera_cases(mod).items():
        try:
            check(name, run)
        except AssertionError as e:
            failures.append(str(e))
    assert not failures, "\n".join(failures)
