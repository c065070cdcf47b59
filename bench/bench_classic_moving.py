"""Cost of the classic soot step against the gas side of one evaluation, with the gas at a new state
on every call, as an integrator's right-hand side sees it.

The gas side is what any right-hand side on the gas pays anyway: `TPX=` at a moved temperature and
composition, then `net_production_rates`, `density`, `viscosity`, `mean_molecular_weight` and `X`
(gri30 with three inert PAH precursors). The soot step is update_gas, update_solution, the four
source terms and update_scrub_wdot at the same moving states. In every round the gas side and every
variant are timed one after the other, so all of them see the same machine state; the best round
counts. Printed:

- per variant, the step's cost as a fraction of the gas side (target: at most 0.15);
- reactive dimerisation's cost per precursor pair, the slope of a least-squares line through the
  step times at 1, 3, 10 and 30 precursors;
- per variant, how many times slower the same step written directly in Python is
  (tests/classic_step_py.py; target: at least 20).
"""
import os
import sys

import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [here, os.path.join(here, "..", "examples"), os.path.join(here, "..", "tests")]
from benchutil import best  # noqa: E402
from classic_step_py import PyClassicModel  # noqa: E402
from gases import moving_states  # noqa: E402,F401  (also read by callgrind_classic_step.py)
from pah_gas import pah_gas  # noqa: E402
from soot_sources import configured_model  # noqa: E402

VARIANTS = {"reactive_dimerization": 1, "self_collision": 2, "self_collision_lump": 3, "cross_linking": 4,
            "irreversible_dimerization": 5}
RATIO_TARGET, PYTHON_TARGET = 0.15, 20.0
AV = 6.02214076e23


def model(gas, names, variant, **kw):
    n = len(names)
    attrs = {"stick_eff": [1e-3] * n} if variant in (2, 3) else {}
    return configured_model(gas, names, variant, **kw, **attrs)


def stepper(soot, states):
    k = [0]

    def step():
        T, P, rho, mu, mw, X, solution = states[k[0] % len(states)]
        k[0] += 1
        soot.update_gas(T, P, rho, mu, mw, X)
        soot.update_solution(solution)
        soot.S_N_agg()
        soot.S_N_pri()
        soot.S_C_tot()
        soot.S_H_tot()
        soot.update_scrub_wdot()

    return step


def gas_stepper(gas, states):
    k = [0]

    def gas_side():
        T, P, _, _, _, X, _ = states[k[0] % len(states)]
        k[0] += 1
        gas.TPX = T, P, X
        gas.net_production_rates
        gas.density
        gas.viscosity
        gas.mean_molecular_weight
        gas.X

    return gas_side


def python_stepper(py, states):
    k = [0]

    def step():
        T, P, rho, mu, mw, X, solution = states[k[0] % len(states)]
        k[0] += 1
        py.step(T, P, rho, mu, mw, X, solution)

    return step


def main(number=3000, repeat=9):
    gas, precursors = pah_gas()
    states = moving_states(gas)
    names = list(precursors)

    timers = {"gas side": (gas_stepper(gas, states), 1)}
    for variant, code in VARIANTS.items():
        soot = model(gas, names, code)
        timers[variant] = (stepper(soot, states), 1)
        timers["python " + variant] = (python_stepper(PyClassicModel(soot, code), states), 20)
    # Reactive dimerisation over growing precursor lists (the three species repeated).
    counts = (1, 3, 10, 30)
    for n in counts:
        timers[f"reactive n={n}"] = (stepper(model(gas, [names[i % 3] for i in range(n)], 1), states), 1 + n // 5)
    fns, scales = zip(*timers.values())
    t = dict(zip(timers, best(fns, number, repeat, scales=scales)))

    gas_t = t["gas side"]
    print(f"gas side {gas_t * 1e6:.2f} us per evaluation")
    print(f"{'variant':<28}{'step us':>9}{'/ gas side':>12}{'python us':>11}{'python / step':>15}")
    worst, slowest_python = 0.0, float("inf")
    for variant in VARIANTS:
        s, p = t[variant], t["python " + variant]
        worst, slowest_python = max(worst, s / gas_t), min(slowest_python, p / s)
        print(f"{variant:<28}{s * 1e6:>9.2f}{s / gas_t:>12.3f}{p * 1e6:>11.1f}{p / s:>15.1f}")
    pairs = np.array([n * (n + 1) / 2 for n in counts])
    steps = np.array([t[f"reactive n={n}"] for n in counts])
    slope, intercept = np.polyfit(pairs, steps, 1)
    print("reactive dimerisation: " + ", ".join(f"n={n} {s * 1e6:.2f} us" for n, s in zip(counts, steps)))
    print(f"  {slope * 1e6:.4f} us per precursor pair (+ {intercept * 1e6:.2f} us); "
          f"n=30: {steps[-1] / gas_t:.2f} of the gas side")
    print(f"worst step / gas side {worst:.3f} (target <= {RATIO_TARGET}); "
          f"python / step at least {slowest_python:.1f} (target >= {PYTHON_TARGET})")


if __name__ == "__main__":
    main()
