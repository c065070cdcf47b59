"""Real Cantera gases with soot precursors, and the classic model configured on them.

gri30 with benzene (A1), naphthalene (A2) and pyrene (A4) added. The precursors take part in no
reaction; they carry thermodynamic data (standard enthalpies of formation and entropies at 298.15 K,
heat capacities up to 3000 K, fitted to NASA 7-coefficient polynomials) and Lennard-Jones transport
data so that the gas object can hold them.
"""
import numpy as np

R = 8.31446261815324  # J/(mol K)

# name: (C, H, dHf298 J/mol, S298 J/(mol K), [(T, cp J/(mol K))], (well depth K, diameter A, polarizability))
PAH_DATA = {
    "A1": (6, 6, 82.9e3, 269.3,
           [(300, 82.4), (400, 111.9), (500, 137.2), (600, 157.6), (800, 188.5), (1000, 209.6),
            (1500, 240.2), (2000, 255.0), (2500, 262.6), (3000, 267.5)],
           (412.3, 5.349, 10.3)),
    "A2": (10, 8, 150.6e3, 333.1,
           [(300, 133.0), (400, 178.1), (500, 216.9), (600, 247.5), (800, 291.7), (1000, 320.7),
            (1500, 361.0), (2000, 380.0), (2500, 390.4), (3000, 397.8)],
           (630.4, 6.18, 16.5)),
    "A4": (16, 10, 225.7e3, 405.6,
           [(300, 219.0), (400, 290.0), (500, 350.0), (600, 397.0), (800, 466.0), (1000, 515.0),
            (1500, 582.0), (2000, 612.0), (2500, 628.0), (3000, 638.0)],
           (834.9, 7.24, 28.2)),
}

# A rich ethylene/air flame zone with the precursors and the radicals soot chemistry needs.
RICH_FLAME_X = ("C2H4:1.0, O2:1.5, N2:5.64, C2H2:0.08, H2:0.06, H:0.006, OH:0.001, H2O:0.2, CO:0.15,"
                " CO2:0.05, A1:2e-4, A2:5e-5, A4:1e-5")


def nasa7(dHf, S, table):
    """One 7-coefficient polynomial over 300-3000 K through the tabulated cp, H and S at 298.15 K."""
    T = np.array([t for t, _ in table], float)
    cp = np.array([c for _, c in table], float) / R
    a = np.polynomial.polynomial.polyfit(T, cp, 4)
    T0 = 298.15
    h = sum(a[k] * T0 ** (k + 1) / (k + 1) for k in range(5))
    s = a[0] * np.log(T0) + sum(a[k] * T0 ** k / k for k in range(1, 5))
    return list(a) + [dHf / R - h, S / R - s]


def species_yaml(name, data):
    nC, nH, dHf, S, table, (eps, sigma, alpha) = data
    c = ", ".join(repr(float(x)) for x in nasa7(dHf, S, table))
    return f"""
name: {name}
composition: {{C: {nC}, H: {nH}}}
thermo:
  model: NASA7
  temperature-ranges: [200.0, 1000.0, 3500.0]
  data:
  - [{c}]
  - [{c}]
transport:
  model: gas
  geometry: nonlinear
  well-depth: {eps}
  diameter: {sigma}
  polarizability: {alpha}
  rotational-relaxation: 1.0
"""


def pah_gas(extra=None):
    """gri30 plus the precursors (and any `extra` species given in the form of PAH_DATA); returns a new
    gas object and {precursor name: (carbon atoms, hydrogen atoms)}."""
    import cantera as ct

    base = ct.Solution("gri30.yaml")
    added = dict(PAH_DATA, **(extra or {}))
    species = base.species() + [ct.Species.from_yaml(species_yaml(n, d)) for n, d in added.items()]
    gas = ct.Solution(thermo="ideal-gas", kinetics="gas", transport_model="mixture-averaged",
                      species=species, reactions=base.reactions())
    return gas, {n: (d[0], d[1]) for n, d in PAH_DATA.items()}


def configured_model(gas, names, variant, cls=None, **attrs):
    """A classic model (CSootModel or `cls`) on `gas` with the precursor species `names` and the
    PAH-growth `variant` (a name or a code); `attrs` are assigned in order before initialize()."""
    if cls is None:
        from pyrandel.lib._pyrandel import CSootModel as cls
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


def moving_states(gas, count=61):
    """`count` gas states around the rich flame zone, temperature and composition moved each time,
    with a soot state moved alongside; each as (T, P, density, viscosity, mean_MW, X, solution)."""
    one_atm = 101325.0
    gas.TPX = 1800.0, one_atm, RICH_FLAME_X
    X0 = gas.X.copy()
    rng = np.random.default_rng(7)
    n_agg = 1e16 / 6.02214076e23
    states = []
    for k in range(count):
        X = X0 * (1 + 0.05 * rng.standard_normal(X0.size))
        gas.TPX = 1700.0 + 200.0 * k / count, one_atm, np.abs(X)
        solution = np.array([n_agg, 10 * n_agg, 2.7e-4, 2.7e-5]) * (1 + 0.1 * rng.random(4))
        states.append((gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X.copy(),
                       solution))
    return states
