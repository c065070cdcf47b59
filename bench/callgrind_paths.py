"""Instructions per evaluation of the hot paths, counted by valgrind's callgrind (repeatable on a busy
machine): the modular step of bench_modular_step.py (each PAH-growth model), CPFRSoot.derivatives with soot on
(bench_modular_reactor.py) and the classic CPFROde call (bench_cpfr.py), each against the bare
gas-object calls of its benchmark.

Collection is switched on only around the calls through callgrind's client requests (a tiny helper
compiled on the fly); each case is counted over 10 and over 30 evaluations at moving states, and the
difference over 20 is the count of one evaluation, free of the switching itself.

    python bench/callgrind_paths.py
    python bench/callgrind_paths.py --annotate "step CReactDim"   # plus its top functions
    python bench/callgrind_paths.py --only "step CDimerCoal,CPFROde"  # just these
"""
import itertools
import os
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
from bench_modular_step import MODELS  # noqa: E402
from callgrind_classic_step import build_helper, totals  # noqa: E402


def cases():
    sys.path.insert(0, os.path.join(here, "..", "examples"))
    import cantera as ct
    import numpy as np
    from pah_gas import pah_gas

    import bench_modular_reactor
    import bench_modular_step
    import pyrandel.lib._pyrandel as psoot

    gas, precursors = pah_gas()
    P = ct.one_atm
    ns = gas.n_species
    n = 97

    # The modular step, once per PAH-growth model.
    found = {f"step {m}": bench_modular_step.step_pair(gas, precursors, m, n) for m in MODELS}

    # The modular plug-flow reactor, soot on.
    _, reactor, bare_reactor = bench_modular_reactor.reactor_pair(gas, precursors, n)

    # The classic plug-flow reactor.
    rc = psoot.CPFROde(gas)
    rc.area, rc.perimeter = np.pi * 0.005**2, np.pi * 0.01
    rc.temp_value = np.array([[0.0, 1.0], [1800.0, 1700.0]])
    rc.soot_offset = 3 + ns
    rc.soot_enabled = False
    y2 = np.hstack([[0.0, gas.density * 1.0, gas.T], gas.Y, [1e-8, 1e-7, 1e-3, 1e-4]])
    states2 = []
    for k in range(n):
        s = y2.copy()
        s[2] *= 1 + 1e-7 * k
        states2.append(s)
    cyc2 = itertools.cycle(states2)
    Ys = slice(3, 3 + ns)

    def bare_classic():
        s = next(cyc2)
        gas.set_unnormalized_mass_fractions(s[Ys])
        gas.TP = s[2], P
        gas.net_production_rates
        gas.density
        gas.partial_molar_enthalpies
        gas.cp
        gas.molecular_weights

    def classic():
        rc(0.1, next(cyc2))

    return {**found, "CPFRSoot soot on": (reactor, bare_reactor), "CPFROde": (classic, bare_classic)}


def measure(workdir, only):
    cg = build_helper(workdir)
    for name, pair in cases().items():
        if only and name not in only:
            continue
        for side, fn in zip(("module", "bare"), pair):
            for _ in range(3):
                fn()
            for count in (10, 30):
                cg.cg_start()
                for _ in range(count):
                    fn()
                cg.cg_stop(f"{name}/{side}|{count}".encode())


def main():
    if os.environ.get("CG_PATHS_INNER"):
        measure(os.environ["CG_PATHS_INNER"], [c for c in os.environ.get("CG_PATHS_ONLY", "").split(",") if c])
        return
    annotate = sys.argv[sys.argv.index("--annotate") + 1] if "--annotate" in sys.argv else None
    only = sys.argv[sys.argv.index("--only") + 1] if "--only" in sys.argv else ""
    with tempfile.TemporaryDirectory() as outdir:
        env = dict(os.environ, CG_PATHS_INNER=outdir, CG_PATHS_ONLY=only, PYTHONHASHSEED="0")
        subprocess.run(["valgrind", "--tool=callgrind", "--collect-atstart=no", "--dump-instr=no",
                        f"--callgrind-out-file={outdir}/cg.out", sys.executable, os.path.abspath(__file__)],
                       env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        found = totals(outdir)
        print(f"{'evaluation':<22}{'module':>12}{'bare gas':>12}{'ratio':>8}{'own':>10}")
        order = [f"step {m}" for m in MODELS] + ["CPFRSoot soot on", "CPFROde"]
        for name in [c for c in order if f"{c}/module|30" in found]:
            m, b = ((found[f"{name}/{s}|30"][0] - found[f"{name}/{s}|10"][0]) / 20 for s in ("module", "bare"))
            print(f"{name:<22}{m / 1e3:>11.1f}k{b / 1e3:>11.1f}k{m / b:>8.3f}{(m - b) / 1e3:>9.1f}k")
        if annotate:
            path = found[f"{annotate}/module|30"][1]
            out = subprocess.run(["callgrind_annotate", "--threshold=100", "--inclusive=no", path],
                                 capture_output=True, text=True)
            lines = out.stdout.splitlines()
            start = next(i for i, line in enumerate(lines) if "file:function" in line)
            print("\n".join(lines[start - 1:start + 60]))


if __name__ == "__main__":
    main()
