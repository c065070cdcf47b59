"""Soot in a rich premixed ethylene/air flat flame, post-processed on an imposed temperature profile.

The flame: ethylene/air at an equivalence ratio of 2.3, cold-gas velocity 5 cm/s (300 K), 1 atm, on a
water-cooled flat burner, 15 mm from the burner surface to the outlet. As for most sooting-flame data
the temperature is given, not computed: Cantera's BurnerFlame runs with the energy equation off on a
fixed profile (T_MEASURED, of the shape thermocouple and laser measurements give for such flames;
put your own measurement there), and solves only species and velocity on it:

    flame.flame.set_fixed_temp_profile(z / width, T)   # relative positions 0 ... 1, K
    flame.flame.set_profile("T", z / width, T)         # the same profile as the starting guess
    flame.energy_enabled = False
    flame.solve(loglevel=0, auto=False)                # auto=True would switch the energy equation on

The precursor: gri30 has no PAH chemistry, so it gives acetylene (about 2.7 % here) but no pyrene. The
soot solvers read only the flame's attributes grid, T, density, viscosity, velocity, X and
mean_molecular_weight, so a small wrapper (FlameWithPrecursor) hands them the Cantera flame with an
added pyrene (A4) profile: an ASSUMED mole fraction of 1e-4 times that of acetylene (peak about
2.7e-6, the order measured in such flames). The soot depends strongly on this assumption, f_v
about as its square: at 15 mm f_v is 0.11 ppm at 5e-5, 0.47 ppm at 1e-4 and 1.9 ppm at 2e-4, the
particle number 2.9e10, 4.3e10 and 7.6e10 per cm3.
Give a measured or computed PAH profile where you have one (--pyrene-per-acetylene scales this one).

The soot: the classic model (CSootModel in CFlameSolverOpt) and the modular framework (CSootWrapper
with CReactDim, CFrenklachHACA and CMonodisperseSootModel in CTempFlameSolver, the modular solver
with the same upwind scheme and burner boundary) set to the same physics: reactive dimerisation of
pyrene, HACA growth, PAH adsorption, oxidation by O2 and OH, coagulation. At their defaults the two
count new particles differently: the classic model one particle per dimer, the modular one a dimer
as 32/378 of a particle (partial_particle_addition, 378 carbon atoms per new particle). The classic
model's `modified_particle_addition = True` counts as the modular one does; the classic model at its
defaults is drawn too, to show what the difference amounts to: about three times the particles,
smaller primaries and six times the soot volume fraction at the outlet.

The soot does not act back on the flame (no depletion of acetylene, pyrene or radicals): the script
prints the soot carbon as a fraction of the carbon in the gas, and warns when it exceeds 10 %.

At the burner surface the solvers' boundary row balances the inflow (the floor values) with
convection and diffusion at the first point; soot diffusing back towards the burner takes that first
point slightly below the floor, to a small negative value. That is the boundary scheme, not soot: the
table marks it, and the figure leaves the burner point out of the log axes and prints its value.

    python examples/burner_flame_soot.py [--points N] [--steps N] [--dt S] [--pyrene-per-acetylene R]
                                         [--png FILE] [--no-plot]

The run takes a few seconds; the figure (burner_flame_soot.png) shows the imposed temperature and the
precursor profiles, f_v, the particle number density and the primary and mobility diameters.
"""
import argparse
import contextlib
import io
import os
import sys

import cantera as ct
import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pah_gas import modular_graph, pah_gas  # noqa: E402
from soot_sources import configured_model  # noqa: E402

from pyrandel.lib._pyrandel import CFlameSolverOpt, CTempFlameSolver  # noqa: E402

PHI = 2.3
U_COLD = 0.05      # m/s, unburnt gas at 300 K
WIDTH = 0.015      # m, burner surface to outlet
# Imposed temperature: height above the burner in mm, temperature in K.
T_MEASURED = np.array([[0.0, 0.5, 1.0, 1.5, 2.0, 3.0, 5.0, 8.0, 11.0, 15.0],
                       [300.0, 1100.0, 1550.0, 1720.0, 1760.0, 1750.0, 1720.0, 1680.0, 1650.0, 1620.0]])
PYRENE_PER_ACETYLENE = 1e-4   # assumed X_A4 / X_C2H2
PRECURSOR = "A4"
CARBON_WARNING = 0.1
AVOGADRO = 6.02214076e23


def flame_on_measured_temperature(T_profile=T_MEASURED):
    """The burner flame on gri30 with the energy equation off and the temperature fixed to T_profile."""
    gas = ct.Solution("gri30.yaml")
    gas.set_equivalence_ratio(PHI, "C2H4", "O2:1, N2:3.76")
    gas.TP = 300.0, ct.one_atm
    flame = ct.BurnerFlame(gas, width=WIDTH)
    flame.burner.mdot = gas.density * U_COLD          # kg/(m2 s)
    z, T = T_profile[0] * 1e-3 / WIDTH, T_profile[1]
    flame.flame.set_fixed_temp_profile(z, T)
    flame.flame.set_profile("T", z, T)
    flame.energy_enabled = False
    flame.set_refine_criteria(ratio=3, slope=0.3, curve=0.5)
    flame.solve(loglevel=0, auto=False)
    return flame


class FlameWithPrecursor:
    """A computed flame as the soot solvers read it, on a gas with more species than the flame's, with
    the mole fraction of one added species given as a profile."""

    def __init__(self, flame, gas, species, profile):
        self.grid, self.T, self.density = flame.grid, flame.T, flame.density
        self.viscosity, self.velocity = flame.viscosity, flame.velocity
        self.mean_molecular_weight = flame.mean_molecular_weight
        self.species_names = list(gas.species_names)
        self.X = np.zeros((gas.n_species, len(flame.grid)))
        for k, name in enumerate(flame.gas.species_names):
            self.X[gas.species_index(name)] = flame.X[k]
        self.X[gas.species_index(species)] = profile


def quietly(f, *args, **kwargs):
    """f(...) without the species check and the line of every time step on standard output."""
    with contextlib.redirect_stdout(io.StringIO()):
        return f(*args, **kwargs)


def march(solver, mdot, n_time_steps, dt):
    solver.mdot_left = mdot            # kg/(m2 s) through the burner surface
    solver.boundary_type_right = 1     # outlet: zero gradient
    solver.n_time_steps, solver.dt = n_time_steps, dt
    quietly(solver.solve)
    return np.array([solver.N_agg_n, solver.N_pri_n, solver.C_tot_n, solver.H_tot_n])


def profiles(solver, y, floors, diameters):
    """What is drawn, per grid point: f_v, particles per cm3, d_p and d_m in nm, soot C in mol/kg.
    f_v comes straight from the solver's values (a value below the floor shows as it is); the
    diameters are evaluated where every variable lies above its floor, NaN elsewhere."""
    rho = np.array(solver.rho)
    f_v = rho * (y[2] * 0.012011 + y[3] * 0.00100784) / 1800.0   # kg/mol of C and H, soot density kg/m3
    d = np.full((2, y.shape[1]), np.nan)
    for k in np.flatnonzero((y > floors[:, None]).all(axis=0)):
        d[:, k] = diameters(k, y[:, k])
    return dict(f_v=f_v, n=y[0] * rho * AVOGADRO * 1e-6, d_p=d[0] * 1e9, d_m=d[1] * 1e9, C=y[2])


def run(n_points=81, n_time_steps=1000, dt=1e-4, pyrene_per_acetylene=PYRENE_PER_ACETYLENE):
    """The flame and the soot along it; returns the flame wrapper, the grid and the profiles of the
    three runs (classic counted as the modular model, modular, classic at its defaults)."""
    flame = flame_on_measured_temperature()
    gas, atoms = pah_gas()
    precursor = pyrene_per_acetylene * flame.X[flame.gas.species_index("C2H2")]
    data = FlameWithPrecursor(flame, gas, PRECURSOR, precursor)
    grid = np.linspace(0.0, WIDTH, n_points)
    X = np.array([np.interp(grid, data.grid, row) for row in data.X])
    mdot = flame.burner.mdot

    runs = {}
    for label, switches in (("classic", dict(modified_particle_addition=True)), ("classic, defaults", {})):
        soot = quietly(configured_model, gas, [PRECURSOR], "reactive_dimerization", **switches)
        solver = CFlameSolverOpt(gas, data, grid, soot)
        y = march(solver, mdot, n_time_steps, dt)

        def classic_diameters(k, yk, soot=soot, solver=solver):
            gas.TPX = solver.T[k], solver.P, X[:, k]
            soot.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
            soot.update_solution(yk)
            return soot.d_p(), soot.d_m()

        floors = np.array([soot.N_agg_min, soot.N_pri_min, soot.C_tot_min, soot.H_tot_min])
        runs[label] = profiles(solver, y, floors, classic_diameters)

    soot_gas, _, model = modular_graph(gas, {PRECURSOR: atoms[PRECURSOR]})
    soot_gas.update_thermo_TPX(data.T[0], flame.P, data.X[:, 0])
    solver = CTempFlameSolver(soot_gas, data, grid, model)
    y = march(solver, mdot, n_time_steps, dt)

    def modular_diameters(k, yk):
        soot_gas.update_thermo_TPX(solver.T[k], solver.P, X[:, k])
        soot_gas.update_transport()
        model.set_vars(yk)
        return model.d_p(), model.d_m()

    runs["modular"] = profiles(solver, y, model.min_array(), modular_diameters)
    # Carbon of the gas per kg of mixture, point by point (the soot takes none of it away).
    n_C = np.array([gas.n_atoms(k, "C") for k in range(gas.n_species)])
    mean_MW = np.interp(grid, data.grid, data.mean_molecular_weight) / 1000.0   # kg/mol
    gas_carbon = n_C @ X / mean_MW
    return data, grid, runs, gas_carbon


def table(grid, T, runs, gas_carbon, rows=12):
    classic, modular, default = runs["classic"], runs["modular"], runs["classic, defaults"]
    header = (f"{'z mm':>6}{'T K':>7}{'f_v':>11}{'f_v mod':>11}{'f_v dflt':>11}{'N 1/cm3':>11}"
              f"{'d_p nm':>8}{'d_m nm':>8}{'C_soot/C':>10}")
    print(header)
    print("-" * len(header))
    below = False
    for k in sorted({*range(0, len(grid), max(1, len(grid) // rows)), len(grid) - 1}):
        f_v = [classic["f_v"][k], modular["f_v"][k], default["f_v"][k]]
        mark = "*" if min(f_v) < 0 else " "
        below |= mark == "*"
        print(f"{grid[k] * 1e3:>6.2f}{T[k]:>7.0f}" + "".join(f"{v:>11.3e}" for v in f_v)
              + f"{classic['n'][k]:>11.3e}{classic['d_p'][k]:>8.2f}{classic['d_m'][k]:>8.2f}"
              + f"{classic['C'][k] / gas_carbon[k]:>10.2e}{mark}")
    print("f_v, N, d_p, d_m: classic with modified_particle_addition; f_v mod: modular; f_v dflt: "
          "classic at its defaults")
    if below:
        print("* burner surface: the boundary row balances the inflow with convection and diffusion, "
              "so soot diffusing back towards the burner takes the first point below the floor "
              "(negative f_v): the boundary scheme, not soot; no diameters there.")


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--points", type=int, default=81, help="grid points of the soot solvers (81)")
    parser.add_argument("--steps", type=int, default=1000, help="time steps (1000)")
    parser.add_argument("--dt", type=float, default=1e-4, help="time step in s (1e-4)")
    parser.add_argument("--pyrene-per-acetylene", type=float, default=PYRENE_PER_ACETYLENE,
                        help=f"assumed ratio of the pyrene to the acetylene mole fraction ({PYRENE_PER_ACETYLENE:g})")
    parser.add_argument("--png", default="burner_flame_soot.png", help="where to save the figure")
    parser.add_argument("--no-plot", action="store_true", help="skip the figure")
    args = parser.parse_args(argv)

    data, grid, runs, gas_carbon = run(args.points, args.steps, args.dt, args.pyrene_per_acetylene)
    T = np.interp(grid, data.grid, data.T)
    x_a4 = data.X[data.species_names.index(PRECURSOR)]
    print(f"flame: C2H4/air, phi {PHI}, {U_COLD * 100:g} cm/s cold gas, 1 atm, imposed T up to "
          f"{T_MEASURED[1].max():.0f} K; residence time {np.trapezoid(1 / data.velocity, data.grid) * 1e3:.0f} ms")
    print(f"precursor: pyrene ASSUMED at {args.pyrene_per_acetylene:g} x the acetylene mole fraction "
          f"(peak {x_a4.max():.2e}); f_v scales about as the square of this assumption")
    print(f"soot solvers: {len(grid)} points, {args.steps} steps of {args.dt:g} s\n")
    table(grid, T, runs, gas_carbon)

    print("\ncarbon budget, soot carbon as a share of the carbon in the gas:")
    for label, values in runs.items():
        share = values["C"] / gas_carbon
        print(f"  {label:<18} {share[-1]:8.2%} at the outlet, at most {share.max():.2%}")
        if share.max() > CARBON_WARNING:
            print(f"  warning: {label}: soot holds more than {CARBON_WARNING:.0%} of the gas carbon, which this "
                  "post-processing does not take from the gas: the result has outgrown that assumption")
    ratio = runs["modular"]["f_v"][-1] / runs["classic"]["f_v"][-1]
    print(f"outlet f_v: classic {runs['classic']['f_v'][-1]:.3e}, modular {runs['modular']['f_v'][-1]:.3e} "
          f"(ratio {ratio:.4f}), classic at its defaults {runs['classic, defaults']['f_v'][-1]:.3e}")

    if args.no_plot:
        return
    try:
        plot(data, grid, runs, args.pyrene_per_acetylene, args.png)
    except ImportError:
        print("matplotlib is not installed: no plot")
    else:
        print(f"plot saved to {args.png}")


def plot(data, grid, runs, pyrene_per_acetylene, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    z = grid * 1e3
    styles = {"classic": dict(color="k", lw=2), "modular": dict(color="tab:orange", ls="--", lw=2),
              "classic, defaults": dict(color="0.55", ls=":", lw=2)}
    labels = {"classic": "classic, modified_particle_addition", "modular": "modular (CTempFlameSolver)",
              "classic, defaults": "classic at its defaults"}
    fig, axes = plt.subplots(2, 2, figsize=(10, 7.5), sharex=True)
    ax = axes[0, 0]
    ax.plot(data.grid * 1e3, data.T, "k-", label="T imposed")
    ax.plot(T_MEASURED[0], T_MEASURED[1], "ko", ms=4, label="T profile points")
    ax.set_ylabel("T, K")
    ax.set_title("flame: C2H4/air, phi 2.3, 5 cm/s, 1 atm")
    ax2 = ax.twinx()
    names = data.species_names
    ax2.semilogy(data.grid * 1e3, data.X[names.index("C2H2")], "tab:blue", label="C2H2 (gri30)")
    ax2.semilogy(data.grid * 1e3, data.X[names.index(PRECURSOR)], "tab:red",
                 label=f"pyrene, assumed {pyrene_per_acetylene:g} x C2H2")
    ax2.set_ylabel("mole fraction")
    ax2.set_ylim(1e-7, 1e-1)
    lines = ax.get_legend_handles_labels(), ax2.get_legend_handles_labels()
    ax.legend(lines[0][0] + lines[1][0], lines[0][1] + lines[1][1], loc="center right", fontsize=8)

    panels = [(axes[0, 1], "f_v", "soot volume fraction f_v"), (axes[1, 0], "n", "particles per cm3")]
    for ax, key, label in panels:
        for run, values in runs.items():
            shown = values[key] > 0
            ax.semilogy(z[shown], values[key][shown], label=labels[run], **styles[run])
        ax.set_ylabel(label)
        ax.grid(True, which="major", alpha=0.3)
    ax = axes[0, 1]
    ax.legend(fontsize=8, loc="lower right")
    burner = runs["classic"]["f_v"][0]
    if burner <= 0:
        ax.annotate(f"z = 0: f_v = {burner:.1e}\n(boundary row, not soot: not drawn)", xy=(0.3, 0.45),
                    xycoords="axes fraction", va="top", fontsize=8)
    ax = axes[1, 1]
    for run, values in runs.items():
        ax.plot(z, values["d_m"], label=labels[run], **styles[run])
        ax.plot(z, values["d_p"], **dict(styles[run], lw=1))
    last = runs["classic"]
    ax.annotate("mobility d_m", (z[-1], last["d_m"][-1]), xytext=(-5, 8), textcoords="offset points",
                ha="right", fontsize=8)
    ax.annotate("primary d_p", (z[-1], last["d_p"][-1]), xytext=(-5, 6), textcoords="offset points",
                ha="right", fontsize=8)
    ax.set_ylabel("diameter, nm")
    ax.legend(fontsize=8, loc="upper left")
    ax.grid(True, alpha=0.3)
    for ax in axes[1]:
        ax.set_xlabel("height above burner, mm")
    fig.tight_layout()
    fig.savefig(path, dpi=120)


if __name__ == "__main__":
    main()
