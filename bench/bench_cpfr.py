"""Cost of one classic plug-flow evaluation relative to the gas-object calls it must make.

CPFROde with the energy balance (wall heat through a wall-temperature profile) on gri30 with three
PAH precursors: the call against the bare gas-object calls of that call (composition, temperature and
pressure, rates, density, partial molar enthalpies, cp, molecular weights). As in an integrator, every
evaluation is at a new state (the temperature moves by a relative 1e-7 from one call to the next), so
the gas object's caches do not stand in for its kinetics. Both are timed side by side in one run and
their ratio printed (target: at most 1.25). The soot-on evaluations of CPFROde and CPFRSootOde are
printed too, against the same gas-object calls plus those the soot step reads. Last, the resident
set size over 1e5 calls, which must stay flat.
"""
import itertools
import os
import sys

import cantera as ct
import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "examples"))
from benchutil import best, moving, rss_mb  # noqa: E402
from pah_gas import RICH_FLAME_X, pah_gas  # noqa: E402
from soot_sources import configured_model  # noqa: E402

from pyrandel.lib._pyrandel import CPFROde, CPFRSootOde  # noqa: E402

TARGET = 1.25


def plain_pair(gas, n):
    """CPFROde with soot off at states moving through `n` temperatures, its call and the bare gas-object
    calls of that call; returns (reactor, state cycle, call, bare calls)."""
    gas.TPX = 1800.0, ct.one_atm, RICH_FLAME_X
    ns = gas.n_species
    y = np.hstack([[0.0, gas.density * 1.0, gas.T], gas.Y, [1e-8, 1e-7, 1e-3, 1e-4]])
    # States that move between calls: a new temperature each time.
    cycle = itertools.cycle(moving(y, n, 2))

    r = CPFROde(gas)
    r.area, r.perimeter = np.pi * 0.005**2, np.pi * 0.01
    r.temp_value = np.array([[0.0, 1.0], [1800.0, 1700.0]])
    r.soot_offset = 3 + ns
    r.soot_enabled = False

    P = gas.P
    Y = slice(3, 3 + ns)

    def gas_plain():
        s = next(cycle)
        gas.set_unnormalized_mass_fractions(s[Y])
        gas.TP = s[2], P
        gas.net_production_rates
        gas.density
        gas.partial_molar_enthalpies
        gas.cp
        gas.molecular_weights

    def call():
        r(0.1, next(cycle))

    return r, cycle, call, gas_plain


def main(number=2000, repeat=7, leak_calls=100_000):
    gas, precursors = pah_gas()
    r, cycle, call, gas_plain = plain_pair(gas, 997)

    def gas_soot():
        gas_plain()
        gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X
        gas.molecular_weights

    soot = configured_model(gas, precursors, "reactive_dimerization")
    rs = CPFROde(gas)
    rs.area, rs.perimeter = r.area, r.perimeter
    rs.temp_value = r.temp_value
    rs.soot_enabled = True
    rs.soot_model = soot

    def call_soot():
        rs(0.1, next(cycle))

    rso = CPFRSootOde(gas)
    rso.area, rso.perimeter = r.area, r.perimeter
    rso.soot_model = soot
    rso._use_temp_value = False  # the temperature from the state vector, as the gas-side loop

    def call_sootode():
        rso(0.1, next(cycle))

    print(f"{'evaluation':<28}{'reactor us':>12}{'gas calls us':>14}{'ratio':>8}")
    result = {}
    for name, fn, ref in [("CPFROde", call, gas_plain), ("CPFROde, soot on", call_soot, gas_soot),
                          ("CPFRSootOde", call_sootode, gas_soot)]:
        fn()
        t_g, t_r = best([ref, fn], number, repeat)
        ratio = t_r / t_g
        result[name] = ratio
        print(f"{name:<28}{t_r * 1e6:>12.2f}{t_g * 1e6:>14.2f}{ratio:>8.3f}")
    print(f"CPFROde ratio {result['CPFROde']:.3f} (target {TARGET})")

    for _ in range(2000):
        call()
    before = rss_mb()
    for _ in range(leak_calls):
        call()
    after = rss_mb()
    print(f"RSS over {leak_calls} CPFROde calls: {before:.1f} MB -> {after:.1f} MB")
    return result


if __name__ == "__main__":
    main()
