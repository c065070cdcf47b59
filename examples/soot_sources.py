"""Soot source terms of the classic model on a real Cantera gas, for each PAH-growth variant.

A rich ethylene/air mixture at flame temperature, gri30 with benzene, naphthalene and pyrene as soot
precursors, and a young soot population. For each variant the script prints the four source terms,
a few particle properties and the largest scrubbing rates.
"""
import contextlib
import io
import os
import sys

import cantera as ct
import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pah_gas import RICH_FLAME_X, pah_gas  # noqa: E402

from pyrandel.lib._pyrandel import CSootModel  # noqa: E402

VARIANTS = ["reactive_dimerization", "irreversible_dimerization", "self_collision", "self_collision_lump",
            "cross_linking"]


def configured_model(gas, names, variant, cls=CSootModel, **attrs):
    """A model on `gas` with the precursor species `names` and the PAH-growth `variant` (a name or a
    code); `attrs` are assigned in order before initialize()."""
    soot = cls()
    soot.species_names = list(gas.species_names)
    soot.MWs = gas.molecular_weights / 1000.0  # kg/mol
    soot.PAH_index_in_gas = [gas.species_index(n) for n in names]
    soot.PAH_Number_Carbon = [gas.n_atoms(n, "C") for n in names]
    soot.PAH_Number_Hydrogen = [gas.n_atoms(n, "H") for n in names]
    if isinstance(variant, str):
        soot.PAH_growth_model_name = variant
    else:
        soot._set_PAH_growth_model(variant)
    for name, value in attrs.items():
        setattr(soot, name, value)
    soot.initialize()
    return soot


def main():
    gas, precursors = pah_gas()
    gas.TPX = 1800.0, ct.one_atm, RICH_FLAME_X
    # A young soot population: 1e16 aggregates per kg of ten 5 nm primaries each.
    n_agg = 1e16 / 6.02214076e23
    n_pri = 10 * n_agg
    c_tot = n_pri * 6.02214076e23 * 1800.0 * np.pi / 6 * (5e-9) ** 3 / 0.012011
    solution = np.array([n_agg, n_pri, c_tot, 0.2 * c_tot])

    print(f"gas: {gas.n_species} species, T = {gas.T:.0f} K, P = {gas.P:.0f} Pa, "
          f"rho = {gas.density:.4f} kg/m3")
    print(f"soot: N_agg = {n_agg:.3e}, N_pri = {n_pri:.3e}, C_tot = {c_tot:.3e}, "
          f"H_tot = {0.2 * c_tot:.3e} mol/kg\n")
    header = (f"{'variant':<26}{'S_N_agg':>11}{'S_N_pri':>11}{'S_C_tot':>11}{'S_H_tot':>11}"
              f"{'d_p nm':>8}{'d_m nm':>8}{'f_v':>10}{'SSA m2/g':>10}")
    print(header)
    print("-" * len(header))
    scrubbing = {}
    for variant in VARIANTS:
        with contextlib.redirect_stdout(io.StringIO()):  # initialize() prints the species check
            soot = configured_model(gas, precursors, variant)
        if variant.startswith("self_collision"):
            soot.initialize_stick_eff()  # sticking efficiencies from the molar masses
        soot.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
        soot.update_solution(solution)
        sources = [soot.S_N_agg(), soot.S_N_pri(), soot.S_C_tot(), soot.S_H_tot()]
        soot.update_scrub_wdot()
        scrubbing[variant] = soot.scrub_wdot.copy()
        print(f"{variant:<26}" + "".join(f"{s:>11.3e}" for s in sources)
              + f"{soot.d_p() * 1e9:>8.2f}{soot.d_m() * 1e9:>8.2f}{soot.volume_fraction():>10.2e}"
              + f"{soot.SSA():>10.1f}")

    print("\nscrubbing rates, kmol/(m3 s) (negative: taken up by soot)")
    names = ["C2H2", "H2", "H", "CO", "O2", "OH"] + list(precursors)
    print(f"{'variant':<26}" + "".join(f"{n:>11}" for n in names))
    for variant, w in scrubbing.items():
        print(f"{variant:<26}" + "".join(f"{w[gas.species_index(n)]:>11.2e}" for n in names))


if __name__ == "__main__":
    main()
