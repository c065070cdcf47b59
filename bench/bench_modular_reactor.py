"""Cost of one modular plug-flow evaluation relative to the gas-object calls it must make.

CPFRSoot.derivatives with soot on (CReactDim on benzene, naphthalene and pyrene, CFrenklachHACA,
CMonodisperseSootModel) on gri30, against the bare gas-object calls of that evaluation:
set_unnormalized_mass_fractions, TP, X, density, mean_molecular_weight, viscosity and
net_production_rates. As in an integrator, every evaluation is at a new state (temperature and soot
move a little between calls). Both are timed side by side in one run, in many short rounds, and the
median of the rounds' ratios printed (target: at most 1.10); the times are the best per call. Last, the
resident set size over 1e5 calls, which must stay flat.
"""
import itertools
import os
import sys

import cantera as ct
import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "examples"))
from benchutil import moving, paired_ratio, rss_mb  # noqa: E402
from pah_gas import RICH_FLAME_X, modular_graph, pah_gas  # noqa: E402

import pyrandel.lib._pyrandel as psoot  # noqa: E402

TARGET = 1.10


def assemble(gas, precursors):
    sg, sw, _ = modular_graph(gas, precursors)
    r = psoot.CPFRSoot(sg)
    r.set_soot_wrapper(sw)
    r.temperature_solver = psoot.ENERGY_EQUATION  # temperature from the state vector
    return r


def reactor_pair(gas, precursors, n):
    """The plug-flow reactor and its evaluation, and the bare gas-object calls the evaluation stands on,
    both at states that move through `n` values between calls."""
    gas.TPX = 1800.0, ct.one_atm, RICH_FLAME_X
    r = assemble(gas, precursors)
    r.P = P = gas.P
    ns = gas.n_species
    y = np.hstack([[0.0, gas.density * 1.0, gas.T], gas.Y, [2.0e-9, 8.0e-9, 4.0e-5, 6.0e-6]])
    cycle = itertools.cycle(moving(y, n, 2, 3 + ns))
    Y = slice(3, 3 + ns)

    def bare():
        s = next(cycle)
        gas.set_unnormalized_mass_fractions(s[Y])
        gas.TP = s[2], P
        gas.X
        gas.density
        gas.mean_molecular_weight
        gas.viscosity
        gas.net_production_rates

    def call():
        r.derivatives(0.1, next(cycle))

    return r, call, bare


def main(number=200, rounds=61, leak_calls=100_000):
    gas, precursors = pah_gas()
    r, call, bare = reactor_pair(gas, precursors, 997)

    def timed():
        bare()
        call()
        return paired_ratio(bare, call, number, rounds)

    print(f"{'evaluation':<34}{'reactor us':>12}{'gas calls us':>14}{'ratio':>8}")
    ratio = None
    for label, on in [("CPFRSoot.derivatives, soot on", True), ("CPFRSoot.derivatives, soot off", False)]:
        r.soot_wrapper.soot_enabled = on
        q, t_r, t_g = timed()
        print(f"{label:<34}{t_r * 1e6:>12.2f}{t_g * 1e6:>14.2f}{q:>8.3f}")
        ratio = ratio or q
    r.soot_wrapper.soot_enabled = True
    print(f"ratio with soot on {ratio:.3f} (target {TARGET})")

    for _ in range(2000):
        call()
    before = rss_mb()
    for _ in range(leak_calls):
        call()
    after = rss_mb()
    print(f"RSS over {leak_calls} CPFRSoot.derivatives calls: {before:.1f} MB -> {after:.1f} MB")
    return ratio


if __name__ == "__main__":
    main()
