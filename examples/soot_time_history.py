"""Soot formation over a few milliseconds at a fixed gas state, integrated with scipy's solve_ivp.

The gas (gri30 with benzene, naphthalene and pyrene, a rich ethylene/air mixture at 1800 K) is held fixed:
the precursors and radicals are not used up, so this shows the soot model alone, not a reactor. The four
soot variables start at their floors (no soot) and are integrated with the model's source terms as the
right-hand side.

Stiffness and tolerances: the variables start at their floors (about 1e-24 mol/kg for N_agg and N_pri) and
rise by some twenty orders of magnitude within the first microseconds, then relax on the much slower
timescale of growth, oxidation and coagulation. Use an implicit or switching method (LSODA or BDF).
`update_solution` clips each variable to its floor, so an error below a floor has no effect: the absolute
tolerance is a small fraction of the floors, one value per variable (a single scalar `atol` such as 1e-12
would swamp N_agg and N_pri entirely). With C2H2 as a precursor instead of a PAH every dimer is a 4-carbon
particle and the problem becomes very stiff (the same integration takes minutes rather than milliseconds).

The same integration with carbonization_enabled shows what the default leaves out: oxidation takes carbon
only, so without carbonisation the soot's H/C climbs past 7 by 5 ms; with it H/C stays below 1.

Run with --no-plot to skip the figure; otherwise it is saved as a PNG when matplotlib is installed. The
figure draws both runs. Its d_p and H/C panels start after t = 0: at t = 0 the variables sit at their
floors, which describe one particle of 378 carbon atoms per kg (2 nm), a placeholder rather than soot. The
first real particles are single dimers of the precursors (12 to 32 carbon atoms, about 1 nm: the
classic model counts one new particle per dimer), so d_p opens near 1 nm and grows from there.
"""
import argparse
import contextlib
import io
import os
import sys

import cantera as ct
import numpy as np
from scipy.integrate import solve_ivp

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pah_gas import RICH_FLAME_X, pah_gas  # noqa: E402
from soot_sources import configured_model  # noqa: E402

from pyrandel.lib._pyrandel import CSootModel  # noqa: E402


def time_history(gas, precursors, t_end, n_out=101, **switches):
    """Integrates the soot variables over [0, t_end] s at the gas object's current state; returns the
    model, the output times and the states (one row per time)."""
    with contextlib.redirect_stdout(io.StringIO()):  # the species check prints one line
        soot = configured_model(gas, precursors, "reactive_dimerization", CSootModel, **switches)
    # The gas state is the same at every evaluation: hand it over once.
    soot.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
    floors = np.array([soot.N_agg_min, soot.N_pri_min, soot.C_tot_min, soot.H_tot_min])

    def rhs(t, y):
        soot.update_solution(y)
        return [soot.S_N_agg(), soot.S_N_pri(), soot.S_C_tot(), soot.S_H_tot()]

    t_out = np.linspace(0.0, t_end, n_out)
    sol = solve_ivp(rhs, (0.0, t_end), floors, method="LSODA", t_eval=t_out, rtol=1e-6, atol=1e-3 * floors)
    if not sol.success:
        raise RuntimeError(sol.message)
    return soot, sol.t, sol.y.T


def properties(soot, states):
    """Primary-particle diameter (m), volume fraction and H/C of each state."""
    out = []
    for y in states:
        soot.update_solution(y)
        out.append((soot.d_p(), soot.volume_fraction(), soot.H_tot / soot.C_tot))
    return np.array(out)


def plot(t, runs, path):
    """runs: {label: (states, properties)} over the times t, one line per run in every panel."""
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, axes = plt.subplots(2, 3, figsize=(12, 6), sharex=True)
    panels = [(lambda s, p: s[:, 0], "N_agg, mol/kg"), (lambda s, p: s[:, 1], "N_pri, mol/kg"),
              (lambda s, p: s[:, 2], "C_tot, mol/kg"), (lambda s, p: p[:, 0] * 1e9, "d_p, nm"),
              (lambda s, p: p[:, 1], "f_v"), (lambda s, p: p[:, 2], "H/C of the soot")]
    for (label, (states, props)), style in zip(runs.items(), ("-", "--")):
        for ax, (values, name) in zip(axes.flat, panels):
            y = values(states, props)
            first = 1 if name.startswith(("d_p", "H/C")) else 0  # at t = 0: the floor's placeholder particle
            ax.plot(t[first:] * 1e3, y[first:], style, label=label)
            ax.set_ylabel(name)
            ax.grid(True, alpha=0.3)
    axes[0, 0].legend(fontsize=8)
    for ax, x, y, ha, va in ((axes[1, 0], 0.98, 0.03, "right", "bottom"), (axes[1, 2], 0.03, 0.97, "left", "top")):
        ax.annotate("from the first output after t = 0", xy=(x, y), xycoords="axes fraction", ha=ha, va=va,
                    fontsize=8)
    for ax in axes[1]:
        ax.set_xlabel("t, ms")
    fig.suptitle("Soot at a fixed gas state (1800 K, rich C2H4/air)")
    fig.tight_layout()
    fig.savefig(path, dpi=100)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--t-end", type=float, default=5.0, help="end time in ms (default 5)")
    parser.add_argument("--png", default="soot_time_history.png", help="where to save the figure")
    parser.add_argument("--no-plot", action="store_true", help="skip the figure")
    args = parser.parse_args(argv)

    gas, precursors = pah_gas()
    gas.TPX = 1800.0, ct.one_atm, RICH_FLAME_X
    t_end = args.t_end * 1e-3

    soot, t, states = time_history(gas, precursors, t_end)
    props = properties(soot, states)
    header = (f"{'t ms':>6}{'N_agg':>11}{'N_pri':>11}{'C_tot':>11}{'H_tot':>11}"
              f"{'d_p nm':>8}{'f_v':>10}{'H/C':>7}")
    print("soot variables in mol/kg, default switches (no carbonisation)")
    print(header)
    print("-" * len(header))
    for ti, y, (d_p, f_v, h_c) in list(zip(t, states, props))[::10]:
        print(f"{ti * 1e3:>6.2f}" + "".join(f"{v:>11.3e}" for v in y) + f"{d_p * 1e9:>8.2f}{f_v:>10.2e}{h_c:>7.3f}")

    # Oxidation removes carbon only and carbonisation is off by default, so H/C keeps climbing.
    carb, _, carb_states = time_history(gas, precursors, t_end, carbonization_enabled=True)
    print(f"\nH/C at {args.t_end:g} ms: {props[-1, 2]:.3f} by default, "
          f"{carb_states[-1, 3] / carb_states[-1, 2]:.3f} with carbonization_enabled")

    if args.no_plot:
        return
    try:
        plot(t, {"default switches": (states, props),
                 "carbonization_enabled": (carb_states, properties(carb, carb_states))}, args.png)
    except ImportError:
        print("matplotlib is not installed: no figure")
    else:
        print(f"figure saved to {args.png}")


if __name__ == "__main__":
    main()
