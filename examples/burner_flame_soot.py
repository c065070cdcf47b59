"""Soot along a rich premixed ethylene/air burner flame, post-processed with CFlameSolverOpt.

The flame is computed with Cantera (BurnerFlame on gri30, equivalence ratio 2, burner mass flux
0.06 kg/(m2 s), 1 atm). gri30 carries no PAH chemistry: PAH species added to it would stay at zero
in a computed flame, so acetylene, which gri30 does form in quantity, serves as the inception
species (self-collision growth, sticking efficiency from its molar mass). Inception from acetylene
is fast and the sources are explicit in the scheme, so the time step is small: dt = 1e-6 s
(larger steps let the explicit inception and coagulation overshoot and the solution oscillates),
with 3000 steps to cover the residence time of about 10 ms.

The same flame is also post-processed with the modular framework (CFVSolver: gas wrapper, soot
wrapper, reactive dimerisation of acetylene, HACA surface reactions, monodisperse particles; fixed
floor values at the burner, zero gradient at the outlet). Both soot volume fractions and the number
of aggregates over height are printed and, when matplotlib is installed, plotted side by side to
burner_flame_soot.png. The left end of the solver's grid is the burner; the
diffusive flux against the inflow there can take the value at the very first point below the floor.

    python examples/burner_flame_soot.py [n_points] [n_time_steps] [--no-plot]
"""
import contextlib
import io
import os
import sys

import cantera as ct
import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from soot_sources import configured_model  # noqa: E402

from pyrandel.lib._pyrandel import (CFlameSolverOpt, CFrenklachHACA, CFVSolver,  # noqa: E402
                                    CMonodisperseSootModel, CReactDim, CSootGas, CSootWrapper)

MDOT = 0.06        # kg/(m2 s), burner mass flux
WIDTH = 0.008      # m, burner to outlet
DT = 1e-6          # s


def burner_flame():
    gas = ct.Solution("gri30.yaml")
    gas.TPX = 300.0, ct.one_atm, "C2H4:1, O2:1.5, N2:5.64"
    flame = ct.BurnerFlame(gas, width=WIDTH)
    flame.burner.mdot = MDOT
    flame.set_refine_criteria(ratio=4, slope=0.5, curve=0.8)
    flame.solve(loglevel=0, auto=True)
    return gas, flame


def soot_along(gas, flame, n_points=33, n_time_steps=3000):
    with contextlib.redirect_stdout(io.StringIO()):
        soot = configured_model(gas, ["C2H2"], "self_collision")
    soot.initialize_stick_eff()
    solver = CFlameSolverOpt(gas, flame, np.linspace(0.0, flame.grid[-1], n_points), soot)
    solver.mdot_left = MDOT
    solver.boundary_type_right = 1  # outlet: zero gradient
    solver.n_time_steps = n_time_steps
    solver.dt = DT
    with contextlib.redirect_stdout(io.StringIO()):  # one progress line per step
        solver.solve()
    solver.update_wdot_correction()
    C, H, rho = (np.array(v) for v in (solver.C_tot_n, solver.H_tot_n, solver.rho))
    f_v = (C * soot.MW_carbon + H * soot.MW_hydrogen) * rho / soot.rho_soot
    return solver, f_v, np.array(solver.N_agg_n)


def modular_soot_along(flame, n_points=33, n_time_steps=3000):
    """The modular stack on a gri30 gas of its own, marched by the finite-volume solver."""
    gas = ct.Solution("gri30.yaml")
    soot_gas = CSootGas(gas)
    soot_gas.update_MWs(np.asarray(gas.molecular_weights) / 1000.0)  # kg/mol
    soot_gas.set_species_indices({n: i for i, n in enumerate(gas.species_names)})
    soot_gas.update_thermo_TPX(float(flame.T[0]), float(flame.P), np.array(flame.X[:, 0]))
    soot = CSootWrapper(soot_gas)
    soot.set_PAH_growth_model(CReactDim(soot))
    soot.set_precursors([gas.species_index("C2H2")], [2.0], [2.0])
    soot.set_surface_reactions_model(CFrenklachHACA(soot))
    model = CMonodisperseSootModel(soot)
    soot.set_soot_model(model)
    solver = CFVSolver(soot_gas, flame, np.linspace(0.0, flame.grid[-1], n_points), soot)
    solver.boundary_type_right = 1  # outlet: zero gradient
    solver.n_time_steps = n_time_steps
    solver.dt = DT
    with contextlib.redirect_stdout(io.StringIO()):
        solver.solve()
    C, H, rho = (np.array(v) for v in (solver.C_tot_n, solver.H_tot_n, solver.rho))
    f_v = rho * (0.012011 * C + 0.001008 * H) / 1800.0
    return solver, f_v, np.array(solver.N_agg_n)


def main(argv):
    plot = "--no-plot" not in argv
    numbers = [int(a) for a in argv if not a.startswith("--")]
    gas, flame = burner_flame()
    print(f"flame: {len(flame.grid)} points, T max {flame.T.max():.0f} K")
    solver, f_v, n_agg = soot_along(gas, flame, *numbers)
    z = np.array(solver.grid)
    print(f"{'z mm':>8}{'T K':>8}{'f_v':>12}{'N_agg mol/kg':>14}")
    for k in range(0, len(z), max(1, len(z) // 8)):
        print(f"{z[k] * 1e3:>8.2f}{solver.T[k]:>8.0f}{f_v[k]:>12.3e}{n_agg[k]:>14.3e}")
    modular, f_v_mod, n_agg_mod = modular_soot_along(flame, *numbers)
    print(f"modular framework (CFVSolver): f_v at the outlet {f_v_mod[-1]:.3e}, "
          f"N_agg {n_agg_mod[-1]:.3e} mol/kg")
    i = gas.species_index("C2H2")
    print(f"acetylene taken up by soot at the outlet: {-solver.wdot_correction_soot[i, -1]:.3e} kmol/(m3 s)")
    if plot:
        try:
            import matplotlib
        except ImportError:
            return
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt

        fig, axes = plt.subplots(1, 2, figsize=(10, 4))
        for ax, title, zz, fv, na in ((axes[0], "classic model (CFlameSolverOpt)", z, f_v, n_agg),
                                      (axes[1], "modular framework (CFVSolver)", np.array(modular.grid),
                                       f_v_mod, n_agg_mod)):
            ax.plot(zz * 1e3, fv, "k-", label="soot volume fraction")
            ax.set_xlabel("height above burner (mm)")
            ax.set_ylabel("f_v")
            ax.set_title(title)
            ax2 = ax.twinx()
            ax2.plot(zz * 1e3, na, "r--", label="N_agg")
            ax2.set_ylabel("N_agg (mol/kg)")
        fig.legend(loc="upper left")
        fig.tight_layout()
        fig.savefig("burner_flame_soot.png", dpi=120)
        print("plot saved to burner_flame_soot.png")


if __name__ == "__main__":
    main(sys.argv[1:])
