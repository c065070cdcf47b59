"""Soot map of the plug-flow reactor over inlet temperature and equivalence ratio, with Dask.

Every case is an ethylene/air plug-flow reactor (gri30 with inert benzene, naphthalene and pyrene seeds)
at a fixed temperature, integrated along its length with scipy's solve_ivp. Each task receives the whole
reactor graph (gas, gas wrapper, soot wrapper, models, reactor) as one pickle and returns the soot volume
fraction and the mobility diameter at the outlet. The cases run on Dask's distributed scheduler: a local
cluster by default, or the cluster of a scheduler given by its address (its workers need pyrandel,
Cantera and SciPy).

    python examples/sweep.py                          # local cluster
    python examples/sweep.py tcp://scheduler:8786     # an existing cluster
    python examples/sweep.py --in-process             # no Dask: the same cases one after the other

Prints a table and, when matplotlib is present, saves the map to sweep.png.
"""
import argparse
import os
import pickle
import sys

import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
from pah_gas import modular_graph, pah_gas  # noqa: E402

import pyrandel.lib._pyrandel as psoot  # noqa: E402

SEEDS = {"A1": 2e-4, "A2": 5e-5, "A4": 1e-5}  # mole fractions of the PAH seeds
P = 101325.0


def reactor_graph(T, phi):
    """The pickled reactor graph of one case and its inlet state vector."""
    gas, precursors = pah_gas()
    gas.TP = T, P
    gas.set_equivalence_ratio(phi, "C2H4", "O2:1, N2:3.76")
    X = gas.X
    for name, x in SEEDS.items():
        X[gas.species_index(name)] = x
    gas.TPX = T, P, X
    sg, sw, model = modular_graph(gas, precursors)
    r = psoot.CPFRSoot(sg)
    r.set_soot_wrapper(sw)
    r.temperature_solver = psoot.ENERGY_EQUATION  # temperature from the state vector (held constant)
    r.P = P
    # residence time (s), mass flux (kg/(m2 s)) for 1 m/s at the inlet, T (K), Y, soot (mol/kg)
    y0 = np.hstack([[0.0, gas.density * 1.0, T], gas.Y, model.min_array()])
    return pickle.dumps(r), y0


def run_case(blob, y0, length):
    """Integrates one pickled reactor to `length` (m); (soot volume fraction, mobility diameter in m)."""
    from scipy.integrate import solve_ivp

    r = pickle.loads(blob)
    n_soot = r.soot_wrapper.soot_model.n_eqns
    atol = np.hstack([np.full(len(y0) - n_soot, 1e-12), np.full(n_soot, 1e-24)])
    sol = solve_ivp(lambda z, y: r.derivatives(z, y).copy(), (0.0, length), y0, method="BDF",
                    rtol=1e-6, atol=atol)
    if not sol.success:
        raise RuntimeError(sol.message)
    r.derivatives(length, sol.y[:, -1])  # the model at the outlet state
    return float(r.phi), float(r.soot_wrapper.soot_model.d_m())


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("scheduler", nargs="?", help="address of a Dask scheduler (default: a local cluster)")
    ap.add_argument("--temperatures", type=float, nargs="+", default=[1600.0, 1700.0, 1800.0, 1900.0])
    ap.add_argument("--phis", type=float, nargs="+", default=[2.0, 2.5, 3.0])
    ap.add_argument("--length", type=float, default=0.03, help="reactor length, m")
    ap.add_argument("--workers", type=int, default=2, help="workers of the local cluster")
    ap.add_argument("--threads", action="store_true", help="local cluster of threads in this process")
    ap.add_argument("--in-process", action="store_true", help="run the cases here, without Dask")
    ap.add_argument("--no-plot", action="store_true")
    args = ap.parse_args(argv)

    cases = [(T, phi) for T in args.temperatures for phi in args.phis]
    graphs = [reactor_graph(T, phi) for T, phi in cases]
    if args.in_process:
        results = [run_case(blob, y0, args.length) for blob, y0 in graphs]
    else:
        from dask.distributed import Client, LocalCluster

        cluster = None
        if args.scheduler:
            client = Client(args.scheduler)
        else:
            cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=not args.threads,
                                   dashboard_address=None)
            client = Client(cluster)
        try:
            futures = [client.submit(run_case, blob, y0, args.length, pure=False) for blob, y0 in graphs]
            results = client.gather(futures)
        finally:
            client.close()
            if cluster is not None:
                cluster.close()

    print(f"{'T_in K':>8} {'phi':>6} {'f_v':>24} {'d_m nm':>24}")
    for (T, phi), (fv, dm) in zip(cases, results):
        print(f"{T:8.1f} {phi:6.2f} {fv!r:>24} {dm * 1e9!r:>24}")

    if not args.no_plot:
        try:
            import matplotlib
            matplotlib.use("Agg")
            import matplotlib.pyplot as plt
        except ImportError:
            print("matplotlib is not installed: no figure")
            return results
        Ts, phis = args.temperatures, args.phis
        fv = np.array([r[0] for r in results]).reshape(len(Ts), len(phis))
        dm = np.array([r[1] for r in results]).reshape(len(Ts), len(phis)) * 1e9
        fig, axes = plt.subplots(1, 2, figsize=(10, 4))
        for ax, data, title in [(axes[0], np.log10(np.maximum(fv, 1e-30)), "log10 soot volume fraction"),
                                (axes[1], dm, "mobility diameter, nm")]:
            mesh = ax.pcolormesh(phis, Ts, data, shading="nearest")
            fig.colorbar(mesh, ax=ax)
            ax.set_xlabel("equivalence ratio")
            ax.set_ylabel("inlet temperature, K")
            ax.set_title(title)
        fig.tight_layout()
        fig.savefig("sweep.png", dpi=120)
        print("figure saved to sweep.png")
    return results


if __name__ == "__main__":
    main()
