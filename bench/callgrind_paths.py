"""Instructions per evaluation of the hot paths, counted by valgrind's callgrind (repeatable on a busy
machine): the modular step of bench_modular_step.py (each PAH-growth model, and on instances of Python
subclasses that override nothing), the derivatives of the three modular reactors with soot on
(CPFRSoot as in bench_modular_reactor.py, CPSRSoot and CConstUVSoot isothermal), the classic CPFROde
call (bench_cpfr.py) and the classic step of bench_classic_moving.py (each PAH-growth variant, and on
a subclass that overrides nothing), each against the bare gas-object calls of its benchmark (for the
classic step, which makes none, the driver's own loop).

Collection is switched on only around the calls through callgrind's client requests (a tiny helper
compiled on the fly); each case is counted over 10 and over 30 evaluations at moving states, and the
difference over 20 is the count of one evaluation, free of the switching itself.

    python bench/callgrind_paths.py
    python bench/callgrind_paths.py --annotate "step CReactDim"   # plus its top functions
    python bench/callgrind_paths.py --only "step CDimerCoal,CPFROde"  # just these
    python bench/callgrind_paths.py --each                            # each case in a run of its own
    python bench/callgrind_paths.py --list                            # the case names
"""
import itertools
import os
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
from bench_classic_moving import VARIANTS  # noqa: E402
from bench_modular_step import MODELS  # noqa: E402
from benchutil import moving  # noqa: E402
from callgrind_classic_step import build_helper, totals  # noqa: E402

ORDER = ([f"step {m}" for m in MODELS] + ["step subclass CReactDim", "CPFRSoot soot on", "CPSRSoot soot on",
                                          "CConstUVSoot soot on", "CPFROde"]
         + [f"classic {v}" for v in VARIANTS] + ["classic subclass reactive_dimerization"])


def reactor_case(psoot, gas, precursors, cls, n):
    """Isothermal derivatives of the stirred or the constant-volume reactor with soot on, and the bare
    gas-object calls they stand on, at states moving through `n` values."""
    import cantera as ct
    import numpy as np
    from pah_gas import RICH_FLAME_X, modular_graph

    gas.TPX = 1800.0, ct.one_atm, RICH_FLAME_X
    sg, sw, model = modular_graph(gas, precursors)
    r = getattr(psoot, cls)(sg)
    r.set_soot_wrapper(sw)
    r.temperature_solver = psoot.ISOTHERMAL
    r.P, r.T = P, T = gas.P, gas.T
    ns = gas.n_species
    soot = np.array([2.0e-9, 8.0e-9, 4.0e-5, 6.0e-6])
    if cls == "CPSRSoot":
        sg.update_thermo_TPUY(T, P, gas.Y)
        model.set_vars(soot)
        r.set_star()
        r.phy_restime, r.reactor_volume = 1e-3, 1e-4
    y = np.hstack([[gas.density, T], gas.Y, soot])
    cycle = itertools.cycle(moving(y, n, 0, 2 + ns))
    Y = slice(2, 2 + ns)

    def bare_psr():
        s = next(cycle)
        gas.set_unnormalized_mass_fractions(s[Y])
        gas.TP = T, P
        gas.X
        gas.density
        gas.mean_molecular_weight
        gas.viscosity
        gas.net_production_rates

    def bare_uv():  # the density iteration updates the gas rho_n_iter times
        s = next(cycle)
        for _ in range(r.rho_n_iter):
            gas.set_unnormalized_mass_fractions(s[Y])
            gas.TD = T, s[0]
            gas.P
            gas.X
            gas.mean_molecular_weight
            gas.viscosity
        gas.net_production_rates

    def call():
        r.derivatives(0.1, next(cycle))

    return call, bare_psr if cls == "CPSRSoot" else bare_uv


def cases():
    """{name: a function that builds the case and returns (module call, bare calls)}: only the cases
    measured are built."""
    sys.path.insert(0, os.path.join(here, "..", "examples"))
    from pah_gas import pah_gas

    import bench_classic_moving
    import bench_cpfr
    import bench_modular_reactor
    import bench_modular_step
    import pyrandel.lib._pyrandel as psoot

    gas, precursors = pah_gas()
    n = 97

    found = {}
    # The modular step, once per PAH-growth model, and on subclasses that override nothing.
    for m in MODELS:
        found[f"step {m}"] = lambda m=m: bench_modular_step.step_pair(gas, precursors, m, n)
    found["step subclass CReactDim"] = lambda: bench_modular_step.step_pair(gas, precursors, "CReactDim", n,
                                                                            subclasses=True)

    # The modular reactors, soot on.
    found["CPFRSoot soot on"] = lambda: bench_modular_reactor.reactor_pair(gas, precursors, n)[1:]
    for cls in ("CPSRSoot", "CConstUVSoot"):
        found[f"{cls} soot on"] = lambda cls=cls: reactor_case(psoot, gas, precursors, cls, n)

    found["CPFROde"] = lambda: bench_cpfr.plain_pair(gas, n)[2:]

    # The classic step at moving states, once per PAH-growth variant and on a subclass.
    states = bench_classic_moving.moving_states(gas, 31)
    names = list(precursors)

    def classic_step(code, **kw):
        k = [0]

        def loop():  # what the stepper does besides calling the model
            T, P, rho, mu, mw, X, solution = states[k[0] % len(states)]
            k[0] += 1
        return bench_classic_moving.stepper(bench_classic_moving.model(gas, names, code, **kw), states), loop

    for variant, code in VARIANTS.items():
        found[f"classic {variant}"] = lambda code=code: classic_step(code)
    found["classic subclass reactive_dimerization"] = lambda: classic_step(
        1, cls=type("Same", (psoot.CSootModel,), {}))
    return found


def measure(workdir, only):
    cg = build_helper(workdir)
    for name, make in cases().items():
        if only and name not in only:
            continue
        for side, fn in zip(("module", "bare"), make()):
            for _ in range(3):
                fn()
            for count in (10, 30):
                cg.cg_start()
                for _ in range(count):
                    fn()
                cg.cg_stop(f"{name}/{side}|{count}".encode())


def run(outdir, only):
    """One run of this script under callgrind measuring the cases in `only` (all if empty)."""
    env = dict(os.environ, CG_PATHS_INNER=outdir, CG_PATHS_ONLY=only, PYTHONHASHSEED="0")
    subprocess.run(["valgrind", "--tool=callgrind", "--collect-atstart=no", "--dump-instr=no",
                    f"--callgrind-out-file={outdir}/cg.out", sys.executable, os.path.abspath(__file__)],
                   env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return totals(outdir)


def main():
    if os.environ.get("CG_PATHS_INNER"):
        measure(os.environ["CG_PATHS_INNER"], [c for c in os.environ.get("CG_PATHS_ONLY", "").split(",") if c])
        return
    if "--list" in sys.argv:
        print("\n".join(ORDER))
        return
    annotate = sys.argv[sys.argv.index("--annotate") + 1] if "--annotate" in sys.argv else None
    only = sys.argv[sys.argv.index("--only") + 1] if "--only" in sys.argv else ""
    with tempfile.TemporaryDirectory() as outdir:
        if "--each" in sys.argv:  # every case in a run of its own, alone in its interpreter
            found = {}
            for k, name in enumerate(c for c in ORDER if not only or c in only.split(",")):
                os.makedirs(sub := os.path.join(outdir, str(k)))
                found.update(run(sub, name))
        else:
            found = run(outdir, only)
        print(f"{'evaluation':<40}{'module':>12}{'bare gas':>12}{'ratio':>8}{'own':>10}")
        for name in [c for c in ORDER if f"{c}/module|30" in found]:
            m, b = ((found[f"{name}/{s}|30"][0] - found[f"{name}/{s}|10"][0]) / 20 for s in ("module", "bare"))
            print(f"{name:<40}{m / 1e3:>11.1f}k{b / 1e3:>11.1f}k{m / b:>8.3f}{(m - b) / 1e3:>9.1f}k")
        if annotate:
            path = found[f"{annotate}/module|30"][1]
            out = subprocess.run(["callgrind_annotate", "--threshold=100", "--inclusive=no", path],
                                 capture_output=True, text=True)
            lines = out.stdout.splitlines()
            start = next(i for i, line in enumerate(lines) if "file:function" in line)
            print("\n".join(lines[start - 1:start + 60]))


if __name__ == "__main__":
    main()
