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
    import itertools

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
    sys.path.insert(0, os.path.join(here, "..", "examples"))
    import cantera as ct
    import numpy as np
    from pah_gas import pah_gas

    import bench_classic_moving
    import bench_modular_reactor
    import bench_modular_step
    import pyrandel.lib._pyrandel as psoot

    gas, precursors = pah_gas()
    P = ct.one_atm
    ns = gas.n_species
    n = 97

    # The modular step, once per PAH-growth model, and on subclasses that override nothing.
    found = {f"step {m}": bench_modular_step.step_pair(gas, precursors, m, n) for m in MODELS}
    found["step subclass CReactDim"] = bench_modular_step.step_pair(gas, precursors, "CReactDim", n, subclasses=True)

    # The modular reactors, soot on.
    _, reactor, bare_reactor = bench_modular_reactor.reactor_pair(gas, precursors, n)
    found["CPFRSoot soot on"] = (reactor, bare_reactor)
    for cls in ("CPSRSoot", "CConstUVSoot"):
        found[f"{cls} soot on"] = reactor_case(psoot, gas, precursors, cls, n)

    # The classic plug-flow reactor.
    rc = psoot.CPFROde(gas)
    rc.area, rc.perimeter = np.pi * 0.005**2, np.pi * 0.01
    rc.temp_value = np.array([[0.0, 1.0], [1800.0, 1700.0]])
    rc.soot_offset = 3 + ns
    rc.soot_enabled = False
    y2 = np.hstack([[0.0, gas.density * 1.0, gas.T], gas.Y, [1e-8, 1e-7, 1e-3, 1e-4]])
    cyc2 = itertools.cycle(moving(y2, n, 2))
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

    found["CPFROde"] = (classic, bare_classic)

    # The classic step at moving states, once per PAH-growth variant and on a subclass.
    states = bench_classic_moving.moving_states(gas, 31)
    names = list(precursors)

    def driver():
        k = [0]

        def loop():  # what the stepper does besides calling the model
            T, P, rho, mu, mw, X, solution = states[k[0] % len(states)]
            k[0] += 1
        return loop

    for variant, code in VARIANTS.items():
        soot = bench_classic_moving.model(gas, names, code)
        found[f"classic {variant}"] = (bench_classic_moving.stepper(soot, states), driver())
    sub = bench_classic_moving.model(gas, names, 1, cls=type("Same", (psoot.CSootModel,), {}))
    found["classic subclass reactive_dimerization"] = (bench_classic_moving.stepper(sub, states), driver())
    return found


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
    if "--list" in sys.argv:
        print("\n".join(ORDER))
        return
    annotate = sys.argv[sys.argv.index("--annotate") + 1] if "--annotate" in sys.argv else None
    only = sys.argv[sys.argv.index("--only") + 1] if "--only" in sys.argv else ""
    with tempfile.TemporaryDirectory() as outdir:
        env = dict(os.environ, CG_PATHS_INNER=outdir, CG_PATHS_ONLY=only, PYTHONHASHSEED="0")
        subprocess.run(["valgrind", "--tool=callgrind", "--collect-atstart=no", "--dump-instr=no",
                        f"--callgrind-out-file={outdir}/cg.out", sys.executable, os.path.abspath(__file__)],
                       env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        found = totals(outdir)
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
