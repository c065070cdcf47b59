"""A soot-forming plug-flow reactor: rich ethylene/air products with PAH precursors flowing through a
tube of 1 cm diameter, 5 cm long, whose temperature falls from 1800 K to 1650 K over its length.

The classic soot model (cross-linking PAH growth, HACA surface growth, coagulation, oxidation, gas
scrubbing) rides on gri30 with benzene, naphthalene and pyrene as inert precursor species.
CPFRSootOde is the right-hand side along the axial position z; scipy's solve_ivp integrates it with
BDF. The state vector is

    [residence time (s), mass flux rho*u*(1 - f_v) (kg/(m2 s)), temperature (K),
     mass fractions of the gas species..., N_agg, N_pri, C_tot, H_tot (mol/kg)]

The soot variables start at one particle of 378 carbon atoms per kg and grow to ~1e-3 mol/kg, so
they get an absolute tolerance of 1e-24 mol/kg. The script prints a progress line, a short table
and, when matplotlib is installed, saves pfr_soot.png: soot volume fraction, aggregate number density,
primary and mobility diameters along the reactor, drawn at every step the integrator took (dense where
the soot changes fast) on a logarithmic axial position. Inception is immediate at the inlet: within
the first micrometre the soot rises from its floor (one particle per kg, f_v about 1e-27) to f_v
4e-10, so the figure starts at 1 micrometre, where the soot is already real, and shows the
inception, growth and coagulation stages that follow over the next four and a half decades of
length. Both diameters start at 2 nm, the size of a newly formed particle of 378 carbon atoms.
"""
import argparse
import os
import sys
import time

import cantera as ct
import numpy as np
from scipy.integrate import solve_ivp

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pah_gas import RICH_FLAME_X, pah_gas  # noqa: E402
from soot_sources import configured_model  # noqa: E402

from pyrandel.lib._pyrandel import CPFRSootOde  # noqa: E402

T_IN, T_OUT = 1800.0, 1650.0  # K, wall-imposed temperature at inlet and outlet
DIAMETER = 0.01               # m
U_IN = 1.0                    # m/s at the inlet


class Progress:
    """A one-line progress bar over the axial position the integrator has reached."""

    def __init__(self, length, width=40):
        self.length, self.width, self.reached, self.calls = length, width, 0.0, 0
        self.t0 = self.shown = time.time()

    def __call__(self, z):
        self.calls += 1
        self.reached = max(self.reached, z)
        if time.time() - self.shown > 0.2:
            self.shown = time.time()
            self.show()

    def show(self, end=""):
        done = min(self.reached / self.length, 1.0)
        bar = "#" * int(done * self.width)
        print(f"\r  z = {self.reached * 100:6.2f} cm [{bar:<{self.width}}] {done:6.1%} "
              f"{self.calls:6d} evaluations {time.time() - self.t0:6.1f} s", end=end, flush=True)


def build(length):
    gas, precursors = pah_gas()
    gas.TPX = T_IN, ct.one_atm, RICH_FLAME_X
    soot = configured_model(gas, precursors, "cross_linking")

    reactor = CPFRSootOde(gas)
    reactor.soot_model = soot
    reactor.area = np.pi * DIAMETER**2 / 4       # m2
    reactor.perimeter = np.pi * DIAMETER         # m
    # Temperature over the axial position (the default mode): row 0 z in m, row 1 T in K.
    reactor.temp_value = np.array([[0.0, length], [T_IN, T_OUT]])
    reactor.initialize()

    floor = [soot.N_agg_min, soot.N_pri_min, soot.C_tot_min, soot.H_tot_min]
    y0 = np.hstack([[0.0, gas.density * U_IN, T_IN], gas.Y, floor])
    atol = np.hstack([[1e-12, 1e-10, 1e-6], np.full(gas.n_species, 1e-14), np.full(4, 1e-24)])
    return gas, soot, reactor, y0, atol


def main(length=0.05, points=11, plot="pfr_soot.png"):
    gas, soot, reactor, y0, atol = build(length)
    progress = Progress(length)

    def rhs(z, y):
        progress(z)
        return reactor(z, y)  # a new array on every call

    print(f"plug-flow reactor: {gas.n_species} gas species, {length * 100:g} cm, "
          f"{T_IN:.0f} K -> {T_OUT:.0f} K, inlet velocity {U_IN} m/s")
    sol = solve_ivp(rhs, (0.0, length), y0, method="BDF", rtol=1e-6, atol=atol, dense_output=True)
    progress.reached = length
    progress.show(end="\n")
    if not sol.success:
        raise RuntimeError(sol.message)

    def state(zk, y):
        reactor(zk, y)  # brings gas and soot model to this state
        return dict(z=zk, tau=y[0], T=reactor.T, f_v=soot.volume_fraction(), d_p=soot.d_p(),
                    d_m=soot.d_m(), N_agg=y[-4], n=y[-4] * gas.density * soot.Av * 1e-6,
                    C2H2=gas["C2H2"].Y[0])

    z = np.linspace(0.0, length, points)
    rows = [state(zk, y) for zk, y in zip(z, sol.sol(z).T)]

    header = (f"{'z cm':>7}{'tau ms':>9}{'T K':>8}{'f_v':>11}{'d_p nm':>9}{'d_m nm':>9}"
              f"{'N_agg mol/kg':>14}{'Y_C2H2':>10}")
    print(header)
    print("-" * len(header))
    for r in rows:
        print(f"{r['z'] * 100:7.2f}{r['tau'] * 1e3:9.3f}{r['T']:8.1f}{r['f_v']:11.3e}{r['d_p'] * 1e9:9.2f}"
              f"{r['d_m'] * 1e9:9.2f}{r['N_agg']:14.3e}{r['C2H2']:10.4f}")

    if plot:
        try:
            import matplotlib
            matplotlib.use("Agg")
            import matplotlib.pyplot as plt
        except ImportError:
            print("matplotlib is not installed: no plot")
            return rows
        steps = [state(zk, y) for zk, y in zip(sol.t, sol.y.T) if zk >= 1e-6]
        zc = np.array([r["z"] * 100 for r in steps])
        fig, ax = plt.subplots(2, 2, sharex=True, figsize=(9, 6.5))
        panels = [(ax[0, 0], "f_v", 1.0, "soot volume fraction f_v", True),
                  (ax[0, 1], "n", 1.0, "aggregates per cm3", True),
                  (ax[1, 0], "d_p", 1e9, "primary particle diameter $d_p$, nm", False),
                  (ax[1, 1], "d_m", 1e9, "mobility diameter $d_m$, nm", True)]
        for a, key, scale, label, log in panels:
            a.plot(zc, [r[key] * scale for r in steps], "k-")
            a.set_xscale("log")
            a.set_yscale("log" if log else "linear")
            a.set_ylabel(label)
            a.grid(True, which="major", alpha=0.3)
        for a in ax[1]:
            a.set_xlabel("axial position, cm")
        fig.suptitle(f"plug-flow reactor, {T_IN:.0f} K -> {T_OUT:.0f} K over {length * 100:g} cm "
                     f"({rows[-1]['tau'] * 1e3:.0f} ms); from 1 um, where f_v is already "
                     f"{steps[0]['f_v']:.0e}", fontsize=10)
        fig.tight_layout()
        fig.savefig(plot, dpi=120)
        print(f"plot saved to {plot}")
    return rows


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--length", type=float, default=0.05, help="reactor length in m (default 0.05)")
    parser.add_argument("--points", type=int, default=11, help="rows of the table (default 11)")
    parser.add_argument("--png", default="pfr_soot.png", help="where to save the figure")
    parser.add_argument("--no-plot", action="store_true", help="skip the figure")
    args = parser.parse_args()
    main(args.length, args.points, None if args.no_plot else args.png)
