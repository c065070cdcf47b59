"""Cost of one full classic soot step relative to the gas-side work of one evaluation.

A step is update_gas, update_solution, the four source terms and update_scrub_wdot on gri30 with
three PAH precursors. The gas-side work is what any right-hand side on that gas pays anyway: setting
TPX and reading net_production_rates, density, viscosity and mean_molecular_weight. As in an
integrator, every evaluation is at a new state (the temperature moves by a relative 1e-7 from one call
to the next), so the gas object's caches do not stand in for its kinetics. Both are timed side by side
in one run; the ratio is printed per variant (target: at most 0.25).
"""
import itertools
import os
import sys

import cantera as ct
import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "examples"))
from benchutil import best  # noqa: E402
from pah_gas import RICH_FLAME_X, pah_gas  # noqa: E402
from soot_sources import VARIANTS, configured_model  # noqa: E402

TARGET = 0.25


def main(number=2000, repeat=7):
    gas, precursors = pah_gas()
    gas.TPX = 1800.0, ct.one_atm, RICH_FLAME_X
    T, P, X = gas.T, gas.P, gas.X.copy()
    n_agg = 1e16 / 6.02214076e23
    solution = np.array([n_agg, 10 * n_agg, 2.7e-4, 2.7e-5])

    temperatures = itertools.cycle([T * (1 + 1e-7 * k) for k in range(997)])

    def gas_side():
        gas.TPX = next(temperatures), P, X
        gas.net_production_rates
        gas.density
        gas.viscosity
        gas.mean_molecular_weight

    gas_side()
    rho, mu, mw = gas.density, gas.viscosity, gas.mean_molecular_weight

    print(f"{'variant':<26}{'soot step us':>14}{'gas side us':>13}{'ratio':>8}")
    worst = 0.0
    for variant in VARIANTS:
        soot = configured_model(gas, precursors, variant)
        if variant.startswith("self_collision"):
            soot.initialize_stick_eff()

        def soot_step():
            soot.update_gas(next(temperatures), P, rho, mu, mw, X)
            soot.update_solution(solution)
            soot.S_N_agg()
            soot.S_N_pri()
            soot.S_C_tot()
            soot.S_H_tot()
            soot.update_scrub_wdot()

        soot_step()
        t_gas, t_soot = best([gas_side, soot_step], number, repeat)
        ratio = t_soot / t_gas
        worst = max(worst, ratio)
        print(f"{variant:<26}{t_soot * 1e6:>14.2f}{t_gas * 1e6:>13.2f}{ratio:>8.3f}")
    print(f"worst ratio {worst:.3f} (target {TARGET})")


if __name__ == "__main__":
    main()
