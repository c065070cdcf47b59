"""gri30 with three PAH soot precursors added: benzene (A1), naphthalene (A2) and pyrene (A4).

The precursors take part in no reaction; they only carry thermodynamic and transport data so that the
gas object can hold them. Thermochemistry: standard enthalpies of formation and entropies at 298.15 K
and heat capacities up to 3000 K as tabulated for the ideal gases in the thermochemical literature
(rounded), fitted here to NASA 7-coefficient polynomials. Transport: Lennard-Jones parameters as
commonly used for these species in PAH combustion mechanisms.
"""
import cantera as ct
import numpy as np

R = 8.31446261815324  # J/(mol K)

# name: (C, H, dHf298 J/mol, S298 J/(mol K), [(T, cp J/(mol K))], (well depth K, diameter Angstrom, polarizability))
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
    """gri30 plus the precursors (and any `extra` species given in the form of PAH_DATA); returns the
    gas and {precursor name: (carbon atoms, hydrogen atoms)}."""
    base = ct.Solution("gri30.yaml")
    added = dict(PAH_DATA, **(extra or {}))
    species = base.species() + [ct.Species.from_yaml(species_yaml(n, d)) for n, d in added.items()]
    gas = ct.Solution(thermo="ideal-gas", kinetics="gas", transport_model="mixture-averaged",
                      species=species, reactions=base.reactions())
    return gas, {n: (d[0], d[1]) for n, d in PAH_DATA.items()}


def modular_graph(gas, precursors, pah_cls="CReactDim"):
    """The modular framework on `gas`: the gas wrapper, a soot wrapper with the PAH-growth model
    `pah_cls` on the `precursors` ({name: (C atoms, H atoms)}), HACA surface reactions and the
    monodisperse particle model. Returns (gas wrapper, soot wrapper, particle model)."""
    import pyrandel.lib._pyrandel as psoot

    sg = psoot.CSootGas(gas)
    sg.update_MWs(np.asarray(gas.molecular_weights) / 1000.0)
    sg.set_species_indices({n: i for i, n in enumerate(gas.species_names)})
    sw = psoot.CSootWrapper(sg)
    sw.set_PAH_growth_model(getattr(psoot, pah_cls)(sw))
    names = list(precursors)
    sw.set_precursors([gas.species_index(n) for n in names], [precursors[n][0] for n in names],
                      [precursors[n][1] for n in names])
    sw.set_surface_reactions_model(psoot.CFrenklachHACA(sw))
    model = psoot.CMonodisperseSootModel(sw)
    sw.set_soot_model(model)
    return sg, sw, model


# A rich ethylene/air flame zone with the precursors and the radicals soot chemistry needs.
RICH_FLAME_X = ("C2H4:1.0, O2:1.5, N2:5.64, C2H2:0.08, H2:0.06, H:0.006, OH:0.001, H2O:0.2, CO:0.15,"
                " CO2:0.05, A1:2e-4, A2:5e-5, A4:1e-5")
