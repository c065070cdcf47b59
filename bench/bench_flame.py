"""Cost of the classic flame solvers' time marching relative to the model work it must do.

solve() runs N steps on a real burner flame (rich ethylene/air on gri30, C2H2 as the inception
species). The reference is N x n_points model evaluations at grid points made through the Python API:
set the gas TPX, update_gas, update_solution, the diffusion coefficient and the four source terms, with
the profiles already on the grid. Both are timed side by side in one run; the ratio is printed per class
(target for CFlameSolverOpt: at most 1.10).
"""
import contextlib
import io
import os
import sys

import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "examples"))
from soot_sources import configured_model  # noqa: E402

from benchutil import burner_flame, flame_row, flame_times  # noqa: E402

from pyrandel.lib._pyrandel import CFlameSolver, CFlameSolverOpt  # noqa: E402

TARGET = 1.10


def main(steps=100, n_points=25, repeat=5):
    gas, flame = burner_flame()
    with contextlib.redirect_stdout(io.StringIO()):
        model = configured_model(gas, ["C2H2"], "self_collision")
    model.initialize_stick_eff()
    grid = np.linspace(0.0, flame.grid[-1], n_points)

    def solver(cls):
        s = cls(gas, flame, grid, model)
        s.mdot_left = 0.06
        s.boundary_type_right = 1
        s.n_time_steps, s.dt = steps, 1e-7
        return s

    # The model evaluations alone, at the same points and soot states.
    ref = solver(CFlameSolverOpt)
    with contextlib.redirect_stdout(io.StringIO()):
        ref.solve()
    T, P, rho, mu, X = np.array(ref.T), ref.P, np.array(ref.rho), np.array(ref.mu), ref.X
    sol = np.array([ref.N_agg_n, ref.N_pri_n, ref.C_tot_n, ref.H_tot_n]).T.copy()

    def evaluations():
        for _ in range(steps):
            for i in range(n_points):
                gas.TPX = T[i], P, X[:, i]
                model.update_gas(T[i], P, rho[i], mu[i], gas.mean_molecular_weight, X[:, i])
                model.update_solution(np.array(sol[i]))
                model.diffus_coeff()
                model.S_N_agg()
                model.S_N_pri()
                model.S_C_tot()
                model.S_H_tot()

    print(f"{steps} steps on {n_points} points")
    # The profile transfer reads flame.X once per species (a new array from the flame object each
    # time); it is timed alone too (a solve of no step), so the marching can be seen apart from it.
    print(f"{'class':<18}{'solve ms':>10}{'profiles ms':>13}{'model ms':>10}{'ratio':>8}{'marching':>10}")
    for cls in (CFlameSolver, CFlameSolverOpt):
        flame_row(cls.__name__, 18, flame_times(lambda: solver(cls), evaluations, repeat))
    print(f"target for CFlameSolverOpt: {TARGET}")


if __name__ == "__main__":
    main(*map(int, sys.argv[1:3]))
