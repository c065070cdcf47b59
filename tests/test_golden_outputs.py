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


def assert_no_differences(name, lines):
    assert not lines, f"{name}: {len(lines)} outputs differ from the recorded ones\n" + "\n".join(lines[:20])


def check(name, run):
    want = GOLDEN["cases"].get(name)
    assert want is not None, f"{name}: no recorded outputs (python tests/make_golden_outputs.py {name})"
    assert_no_differences(name, differences(want, run().out))


# These reactors form their energy balance with np.dot, which OpenBLAS sums in an order that
# follows the processor. The outputs were recorded with its AVX-512 kernel: where NumPy picked
# another one, they are checked in a child process that asks for that kernel, if the processor
# has it. A dot product that sums as it did at the recording shows the kernel.
THROUGH_NP_DOT = ("reactor/CPSRSoot/", "classic-reactor/CPFROde/")
RECORDED_DOT = "-0x1.209c21b494864p+16"
DOT_PROBE = """
import numpy as np
rng = np.random.default_rng(16)
n = int(rng.integers(5, 80))
a = rng.standard_normal(n) * 10.0 ** rng.integers(-8, 8, n)
probe = np.dot(a, rng.standard_normal(n)).hex()
"""


def dot_sums_as_recorded():
    space = {}
    exec(DOT_PROBE, space)
    return space["probe"] == RECORDED_DOT


def has_avx512():
    try:
        with open("/proc/cpuinfo") as f:
            flags = next((line.split() for line in f if line.startswith("flags")), [])
    except OSError:
        return False
    return {"avx512f", "avx512cd", "avx512bw", "avx512dq", "avx512vl"} <= set(flags)


@pytest.fixture(scope="module")
def dot_differences(run_python):
    """The differences of every case through np.dot, found under the recorded kernel."""
    if dot_sums_as_recorded():
        return None
    if not has_avx512():
        pytest.skip("NumPy's dot sums in another order on this processor than where the outputs were recorded")
    names = [n for n in GOLDEN["cases"] if n.startswith(THROUGH_NP_DOT)]
    proc = run_python(f"""
        import json, sys
        sys.path.insert(0, {str(pathlib.Path(__file__).resolve().parent)!r})
        {DOT_PROBE.strip().replace(chr(10), chr(10) + " " * 8)}
        import pyrandel.lib._pyrandel as m
        import golden_outputs, test_golden_outputs as T
        sys.unraisablehook = lambda u: None
        cases = golden_outputs.cases(m)
        out = {{n: T.differences(T.GOLDEN["cases"][n], cases[n]().out) for n in {names!r}}}
        print(json.dumps([probe, out]))
    """, OPENBLAS_CORETYPE="SkylakeX")
    assert proc.returncode == 0, proc.stderr[-3000:]
    probe, out = json.loads(proc.stdout.splitlines()[-1])
    assert probe == RECORDED_DOT, "the AVX-512 kernel asked for sums as it did at the recording"
    return out


@pytest.fixture(scope="module")
def cases(mod):
    return golden_outputs.cases(mod)


def test_every_case_is_recorded(cases):
    assert set(cases) == {n for n in GOLDEN["cases"] if not n.startswith("cantera/")}


@pytest.mark.parametrize("name", [n for n in GOLDEN["cases"] if not n.startswith("cantera/")])
def test_outputs_are_the_recorded_bits(cases, name, monkeypatch, request):
    if name.startswith(THROUGH_NP_DOT):
        lines = request.getfixturevalue("dot_differences")
        if lines is not None:
            assert_no_differences(name, lines[name])
            return
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
