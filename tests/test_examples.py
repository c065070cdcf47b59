"""The example scripts run as printed (without their figures), so they cannot rot."""

import os
import re

import numpy as np
import pytest

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples")
NUMBER = r"-?\d\.\d+e[+-]\d+"


def run_example(run_python, name, *args):
    pytest.importorskip("cantera")
    pytest.importorskip("scipy")
    path = os.path.abspath(os.path.join(EXAMPLES, name))
    proc = run_python(f"""
        import runpy, sys
        sys.argv = [{path!r}, *{list(args)!r}]
        runpy.run_path({path!r}, run_name="__main__")
    """, timeout=300)
    assert proc.returncode == 0, proc.stderr
    return proc.stdout


def test_pfr_soot(run_python):
    out = run_example(run_python, "pfr_soot.py", "--length", "0.004", "--points", "4", "--no-plot")
    assert "f_v" in out and "plot" not in out
    rows = [line.split() for line in out.splitlines() if re.match(rf" +\d+\.\d+ +\d+\.\d+ +\d+\.\d +{NUMBER}", line)]
    f_v = [float(r[3]) for r in rows]
    assert len(rows) == 4
    assert f_v[-1] > f_v[0] > 0


def test_burner_flame_soot(run_python):
    out = run_example(run_python, "burner_flame_soot.py", "--points", "21", "--steps", "400", "--dt", "2.5e-4",
                      "--no-plot")
    assert "Time Step" not in out and "Key species" not in out and "plot" not in out
    assert "pyrene ASSUMED" in out
    rows = [line.split() for line in out.splitlines()
            if re.match(rf" +\d+\.\d+ +\d+( +{NUMBER}){{4}} +(nan|\d+\.\d+)", line)]
    assert len(rows) == 21  # every point of the solvers' grid
    table = np.array([[float(c.rstrip("*")) for c in r] for r in rows])
    z, T, f_v, f_v_mod, f_v_default, n, d_p, d_m, carbon = table.T
    assert z[0] == 0 and z[-1] == 15 and 1700 < T.max() < 1800
    # A value below the floor is printed only with its mark and the line explaining it.
    for r, values in zip(rows, table):
        assert (min(values[2:5]) < 0) == r[-1].endswith("*")
    assert (f_v[1:] > 0).all() and (f_v_mod[1:] > 0).all() and (f_v_default[1:] > 0).all()
    if (table[:, 2:5] < 0).any():
        assert "* burner surface:" in out and "the boundary scheme, not soot" in out
    # Configured alike, classic and modular agree; the classic defaults make several times the soot.
    np.testing.assert_allclose(f_v_mod[1:], f_v[1:], rtol=0.1)
    assert abs(f_v_mod[-1] / f_v[-1] - 1) < 0.01
    assert 3 < f_v_default[-1] / f_v[-1] < 10
    # The orders a sooting flat flame shows, and soot that has not outgrown the gas's carbon.
    assert 1e-7 < f_v[-1] < 1e-6 and 1e9 < n[-1] < 1e12
    assert 3 < d_p[-1] < d_m[-1] < 100 and np.isnan(d_p[0])
    assert 0 < carbon[-1] < 0.1
    budget = dict(re.findall(r"^  (classic|classic, defaults|modular) +(\S+)% at the outlet", out, re.M))
    assert set(budget) == {"classic", "classic, defaults", "modular"}
    assert all(0 < float(v) < 100 for v in budget.values())
    assert float(budget["classic"]) == pytest.approx(100 * carbon[-1], rel=0.01)
    # The warning names the run that has outgrown the no-feedback assumption, and only that one.
    assert re.findall(r"warning: ([a-z, ]+): soot holds more than 10%", out) == \
        [k for k, v in budget.items() if float(v) > 10]


def test_soot_sources(run_python):
    out = run_example(run_python, "soot_sources.py")
    assert "Key species" not in out
    rows = [line.split() for line in out.splitlines() if re.match(rf"[a-z_]+ +{NUMBER}", line)]
    variants = ["reactive_dimerization", "irreversible_dimerization", "self_collision", "self_collision_lump",
                "cross_linking"]
    # The source-term table, then the scrubbing table, one row per variant each, no line in between.
    assert [r[0] for r in rows] == variants * 2
    assert all(float(c) == float(c) for r in rows for c in r[1:])  # no NaN


def test_soot_time_history(run_python):
    out = run_example(run_python, "soot_time_history.py", "--no-plot", "--t-end", "2")
    assert "Key species" not in out and "figure" not in out
    rows = [[float(c) for c in line.split()] for line in out.splitlines()
            if re.match(rf" *\d+\.\d+ +{NUMBER}", line)]
    assert [r[0] for r in rows] == pytest.approx([0.2 * k for k in range(11)])
    first, last = rows[0], rows[-1]
    # From the floors to a soot volume fraction of flame magnitude.
    assert first[6] < 1e-20 and 1e-9 < last[6] < 1e-5
    assert all(r[1] > 0 and r[3] > 0 for r in rows)
    h_c = re.search(r"H/C at 2 ms: (\S+) by default, (\S+) with carbonization_enabled", out)
    assert float(h_c.group(1)) == pytest.approx(last[7], rel=1e-3)
    assert float(h_c.group(2)) < float(h_c.group(1))


def test_readme_snippets_run_as_printed(run_python):
    """The README's Python blocks, in order, in one interpreter: what a reader following it runs."""
    pytest.importorskip("cantera")
    pytest.importorskip("scipy")
    with open(os.path.join(EXAMPLES, "..", "README.md")) as f:
        blocks = re.findall(r"```python\n(.*?)```", f.read(), re.S)
    assert len(blocks) >= 3
    proc = run_python("\n".join(blocks), timeout=300)
    assert proc.returncode == 0, proc.stderr
    out = proc.stdout
    assert "Key species" not in out
    sources = re.search(r"source terms, mol/\(kg s\): (.*)", out).group(1).split()
    assert len(sources) == 4 and float(sources[0]) > 0 and float(sources[1]) > 0  # inception makes particles
    assert float(re.search(r"C2H2 rate, kmol/\(m3 s\): (\S+)", out).group(1)) < 0  # taken up by HACA growth
    assert float(re.search(r"after 2 ms: C_tot = (\S+) mol/kg", out).group(1)) > 1e-6
    # The reactor, the flame and the modular framework: soot forms in each.
    assert float(re.search(r"outlet after \S+ ms: f_v = (\S+),", out).group(1)) > 1e-10
    assert float(re.search(r"C_tot at the outlet: (\S+) mol/kg", out).group(1)) > 1e-6
    modular = re.search(r"modular source terms, mol/\(kg s\): \[(.*)\]", out).group(1).split()
    assert float(modular[0]) > 0 and float(modular[1]) > 0  # inception
    # The flame on an imposed temperature with an assumed precursor: flame-like soot, a small carbon share.
    measured = re.search(r"measured flame, outlet: f_v = (\S+), soot carbon (\S+)% of the gas carbon", out)
    assert 1e-7 < float(measured.group(1)) < 1e-6 and 0 < float(measured.group(2)) < 10
    # Counted alike the two frameworks agree; at the defaults only the particle counts differ, by 378 / 32.
    ratios = {counting: np.array(r.split(), float) for counting, r in
              re.findall(r"modified_particle_addition = (\w+): classic / modular = \[(.*)\]", out)}
    np.testing.assert_allclose(ratios["True"], 1.0, rtol=1e-5)
    np.testing.assert_allclose(ratios["False"], [378 / 32, 378 / 32, 1.0, 1.0], rtol=2e-3)
    # The modular reactor and flame solver: soot forms in each.
    reactor = re.search(r"modular reactor, outlet after \S+ ms: f_v = (\S+), d_p = (\S+) nm", out)
    assert float(reactor.group(1)) > 1e-10 and float(reactor.group(2)) > 1.0
    flame = re.search(r"modular flame, C_tot at the outlet: (\S+) mol/kg, f_v = (\S+)", out)
    assert float(flame.group(1)) > 1e-6 and float(flame.group(2)) > 1e-12
    # The debugging hook turns the reports of a forgotten set_species_indices into one error.
    assert re.search(r"\d+ unraisable reports, the first in pyrandel\.lib\._pyrandel\.CSootGas\.species_index: "
                     r"'NoneType' object is not subscriptable", out)


def test_sweep_on_a_local_cluster_equals_the_cases_run_in_process(run_python):
    # A cluster of threads in the script's process: the tasks still receive the pickled reactor graphs
    # and run through Dask's scheduler; the in-process run integrates the same pickles one by one.
    pytest.importorskip("distributed")
    args = ["--temperatures", "1800", "--phis", "2.0", "2.5", "--length", "0.01", "--no-plot"]
    tables = []
    for mode in ("--threads", "--in-process"):
        out = run_example(run_python, "sweep.py", *args, mode)
        rows = [line.split() for line in out.splitlines() if re.match(r" +\d+\.\d +\d\.\d\d ", line)]
        assert len(rows) == 2
        tables.append(rows)
    assert tables[0] == tables[1]
    assert all(float(fv) > 1e-9 and 1.0 < float(dm) < 1e3 for _, _, fv, dm in tables[0])
