"""Cost of the modular flame solvers' time marching relative to the model work it must do.

solve() runs N steps on a real burner flame (rich ethylene/air on gri30, C2H2 as the inception
species of the modular stack). The reference is N x n_points modular model evaluations at grid points
made through the Python API with the profiles already on the grid: the gas-wrapper update each solver
asks for (update_thermo_TPX and update_transport for CTempFlameSolver; update and update_lambda_gas for
the others), set_vars, update, the four source terms and the diffusion coefficient. Both are timed side
by side in one run; the ratio is printed per class (target: at most 1.10).
"""
import contextlib
import io
import os
import sys

import cantera as ct
import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "tests"))
from modular import gas_wrapper  # noqa: E402

from benchutil import burner_flame, flame_row, flame_times  # noqa: E402

import pyrandel.lib._pyrandel as mod  # noqa: E402

TARGET = 1.10
CLASSES = ("CTempFlameSolver", "CTempFlameSolverOpt", "CFVSolver", "CFDSolver")


def stack(flame):
    g = ct.Solution("gri30.yaml")
    sg = gas_wrapper(mod, g)
    sg.update_thermo_TPX(float(flame.T[0]), float(flame.P), np.array(flame.X[:, 0]))
    sw = mod.CSootWrapper(sg)
    sw.set_PAH_growth_model(mod.CReactDim(sw))
    sw.set_precursors([g.species_index("C2H2")], [2.0], [2.0])
    sw.set_surface_reactions_model(mod.CFrenklachHACA(sw))
    m = mod.CMonodisperseSootModel(sw)
    sw.set_soot_model(m)
    return sg, sw, m


def solver(name, flame, grid, steps):
    sg, sw, m = stack(flame)
    if name == "CTempFlameSolver":
        s = mod.CTempFlameSolver(sg, flame, grid, m)
        s.mdot_left = flame.density[0] * flame.velocity[0]
    else:
        s = getattr(mod, name)(sg, flame, grid, sw)
    s.boundary_type_right = 1
    s.n_time_steps, s.dt = steps, 1e-7
    return s


def main(steps=100, n_points=25, repeat=5):
    _, flame = burner_flame()
    grid = np.linspace(0.0, flame.grid[-1], n_points)
    print(f"{steps} steps on {n_points} points")
    # Every solve first reads the flame's profiles, X once per species (a Cantera flame makes a new
    # array at each read); a solve of no step is timed too, so the marching is seen apart from it.
    print(f"{'class':<22}{'solve ms':>10}{'profiles ms':>13}{'model ms':>10}{'ratio':>8}{'marching':>10}")
    for name in CLASSES:
        ref = solver(name, flame, grid, steps)
        with contextlib.redirect_stdout(io.StringIO()):
            ref.solve()
        sg, m = ref.soot_gas, (ref.soot_model if name == "CTempFlameSolver" else ref.soot.soot_model)
        P = ref.P
        T, rho, mu = np.array(ref.T), np.array(ref.rho), np.array(ref.mu)
        X = ref.X
        mw = np.array(getattr(ref, "mean_MW", np.zeros(n_points)))
        sol = np.array([ref.N_agg_n, ref.N_pri_n, ref.C_tot_n, ref.H_tot_n]).T.copy()

        def evaluations():
            for _ in range(steps):
                for i in range(n_points):
                    if name == "CTempFlameSolver":
                        sg.update_thermo_TPX(T[i], P, X[:, i])
                        sg.update_transport()
                    else:
                        sg.update(T[i], P, X[:, i], rho[i], mu[i], mw[i])
                        sg.update_lambda_gas()
                    m.set_vars(np.array(sol[i]))
                    m.update()
                    m.diffusion_coefficient()
                    m.S_N_agg()
                    m.S_N_pri()
                    m.S_C_tot()
                    m.S_H_tot()

        times = flame_times(lambda: solver(name, flame, grid, steps), evaluations, repeat)
        flame_row(name, 22, times)
    print(f"target: {TARGET}")


if __name__ == "__main__":
    main()
