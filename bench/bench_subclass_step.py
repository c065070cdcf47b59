"""Cost of a classic soot step on an instance of a Python subclass that overrides nothing,
relative to the same step on an instance of CSootModel itself.

Both models are configured alike (gri30 with three PAH precursors) and stepped through update_gas,
update_solution, the four source terms and update_scrub_wdot, timed side by side in one run. The
subclass pays only for finding, once per type, that nothing is overridden (target: at most 1.1).
"""
import itertools
import os
import sys
import time

import cantera as ct
import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "examples"))
from benchutil import best  # noqa: E402
from pah_gas import RICH_FLAME_X, pah_gas  # noqa: E402
from soot_sources import VARIANTS, configured_model  # noqa: E402

from pyrandel.lib._pyrandel import CSootModel  # noqa: E402

TARGET = 1.1


class PlainSubclass(CSootModel):
    """Overrides nothing."""


def main(number=2000, repeat=7):
    gas, precursors = pah_gas()
    gas.TPX = 1800.0, ct.one_atm, RICH_FLAME_X
    T, P, X = gas.T, gas.P, gas.X.copy()
    rho, mu, mw = gas.density, gas.viscosity, gas.mean_molecular_weight
    n_agg = 1e16 / 6.02214076e23
    solution = np.array([n_agg, 10 * n_agg, 2.7e-4, 2.7e-5])
    temperatures = itertools.cycle([T * (1 + 1e-7 * k) for k in range(997)])

    def stepper(soot):
        def step():
            soot.update_gas(next(temperatures), P, rho, mu, mw, X)
            soot.update_solution(solution)
            soot.S_N_agg()
            soot.S_N_pri()
            soot.S_C_tot()
            soot.S_H_tot()
            soot.update_scrub_wdot()
        return step

    print(f"{'variant':<26}{'exact us':>10}{'subclass us':>13}{'ratio':>8}")
    worst = 0.0
    for variant in VARIANTS:
        steps = []
        for cls in (CSootModel, PlainSubclass):
            soot = configured_model(gas, precursors, variant, cls=cls)
            if variant.startswith("self_collision"):
                soot.initialize_stick_eff()
            steps.append(stepper(soot))
            steps[-1]()
        # CPU time of this thread: other processes on the machine do not count.
        exact, sub = best(steps, number, repeat, timer=time.thread_time)
        worst = max(worst, sub / exact)
        print(f"{variant:<26}{exact * 1e6:>10.2f}{sub * 1e6:>13.2f}{sub / exact:>8.3f}")
    print(f"worst ratio {worst:.3f} (target {TARGET})")


if __name__ == "__main__":
    main()
