"""Shared helpers of the modular framework tests: a real gas with PAH precursors, the whole
object graph assembled in the documented order, and soot states."""

import numpy as np

AV = 6.02214076e23

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
RICH_X = ("C2H4:1.0, O2:1.5, N2:5.64, C2H2:0.08, H2:0.06, H:0.006, OH:0.001, H2O:0.2, CO:0.15,"
          " CO2:0.05, A1:2e-4, A2:5e-5, A4:1e-5")

# Young soot: a few primaries per aggregate, H/C above the oxidation threshold of 0.1.
SOOT = np.array([2.0e-9, 8.0e-9, 4.0e-5, 6.0e-6])


def _nasa7(dHf, S, table):
    R = 8.31446261815324
    T = np.array([t for t, _ in table], float)
    cp = np.array([c for _, c in table], float) / R
    a = np.polynomial.polynomial.polyfit(T, cp, 4)
    T0 = 298.15
    h = sum(a[k] * T0 ** (k + 1) / (k + 1) for k in range(5))
    s = a[0] * np.log(T0) + sum(a[k] * T0 ** k / k for k in range(1, 5))
    return list(a) + [dHf / R - h, S / R - s]


def _species_yaml(name, data):
    nC, nH, dHf, S, table, (eps, sigma, alpha) = data
    c = ", ".join(repr(float(x)) for x in _nasa7(dHf, S, table))
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


_GAS = {}


def pah_gas():
    """gri30 with benzene (A1), naphthalene (A2) and pyrene (A4), which take part in no reaction,
    at 1800 K, 1 atm in the rich zone RICH_X. A new gas object at each call (the species are parsed once)."""
    import cantera as ct

    if "species" not in _GAS:
        base = ct.Solution("gri30.yaml")
        _GAS["species"] = base.species() + [ct.Species.from_yaml(_species_yaml(n, d))
                                            for n, d in PAH_DATA.items()]
        _GAS["reactions"] = base.reactions()
    gas = ct.Solution(thermo="ideal-gas", kinetics="gas", transport_model="mixture-averaged",
                      species=_GAS["species"], reactions=_GAS["reactions"])
    gas.TPX = 1800.0, 101325.0, RICH_X
    return gas


def gas_wrapper(mod, gas):
    """CSootGas on `gas` with molar masses in kg/mol and the species-index map."""
    sg = mod.CSootGas(gas)
    sg.update_MWs(np.asarray(gas.molecular_weights) / 1000.0)
    sg.set_species_indices({n: i for i, n in enumerate(gas.species_names)})
    return sg


def graph(mod, gas, precursors=("A1", "A2", "A4"), pah_cls="CReactDim", surf_cls="CFrenklachHACA",
          model_cls="CMonodisperseSootModel"):
    """The modular graph in the documented order; returns (gas wrapper, soot wrapper, particle model)."""
    sg = gas_wrapper(mod, gas)
    sw = mod.CSootWrapper(sg)
    pah = getattr(mod, pah_cls)(sw) if isinstance(pah_cls, str) else pah_cls(sw)
    sw.set_PAH_growth_model(pah)
    idx = [gas.species_index(p) for p in precursors]
    sw.set_precursors(idx, [PAH_DATA[p][0] for p in precursors], [PAH_DATA[p][1] for p in precursors])
    surf = getattr(mod, surf_cls)(sw) if isinstance(surf_cls, str) else surf_cls(sw)
    sw.set_surface_reactions_model(surf)
    model = getattr(mod, model_cls)(sw) if isinstance(model_cls, str) else model_cls(sw)
    sw.set_soot_model(model)
    return sg, sw, model


def step(gas_wrapper_, model, T, P, Y, soot):
    """One evaluation as a reactor makes it; returns (soot array, source terms, a copy of w_scrub)."""
    gas_wrapper_.update_thermo_TPUY(T, P, Y)
    gas_wrapper_.update_transport()
    model.set_vars(soot)
    model.update()
    model.update_w_scrub()
    out, src = np.zeros(4), np.zeros(4)
    model.fill_soot_array(out)
    model.fill_source_term_array(src)
    return out, src, np.array(model.w_scrub)


def element_counts(gas, element):
    return np.array([gas.n_atoms(k, element) for k in range(gas.n_species)], float)


def installed(mod, gas, cls, precursors=("A1", "A2", "A4"), T=1800.0, P=101325.0,
              soot_vars=(5e-9, 1.1e-8, 8.5e-9, 12.0, 2.4e-21, 1.3e-24, 1.45e3, 2.0e-6, 8.0e-6, 6.0e-22)):
    """A PAH-growth model of class `cls` (a name or a class) installed on a soot wrapper whose gas
    wrapper holds `gas` at T, P in the rich zone, with the precursors set and the soot variables
    d_p, d_m, d_g, A_tot, m_agg, V_agg, soot_MW, c_soot_agg, c_soot_pri, m_p handed in.
    Returns (gas wrapper, soot wrapper, model)."""
    gas.TPX = T, P, RICH_X
    sg = gas_wrapper(mod, gas)
    sg.update_thermo_TPUY(T, P, gas.Y)
    sg.update_transport()
    sw = mod.CSootWrapper(sg)
    m = (getattr(mod, cls) if isinstance(cls, str) else cls)(sw)
    sw.set_PAH_growth_model(m)
    sw.set_precursors([gas.species_index(p) for p in precursors], [PAH_DATA[p][0] for p in precursors],
                      [PAH_DATA[p][1] for p in precursors])
    m.update_soot_vars(*soot_vars)
    return sg, sw, m


class GasState:
    """The gas wrapper's public state, as the rate kernels see it through its accessors."""

    def __init__(self, sg):
        self.T, self.rho, self.mu, self.lam = sg.T, sg.rho, sg.mu, sg.lambda_gas
        self.X, self.MWs, self.mean_MW = list(sg.X_array), sg.MWs, sg.mean_MW

    def C(self, s):
        return self.X[s] * self.rho / self.mean_MW


def pah_geometry(sg, sw):
    """Mass (kg) and diameter (m) of each precursor molecule, written out."""
    g = GasState(sg)
    masses, diameters = [], []
    for s, nC, nH in zip(sw.PAH_indices, sw.PAH_n_C, sw.PAH_n_H):
        m = g.MWs[s] / AV
        rho_pah = (0.012011 * nC + 0.001008 * nH) * 171943.5197 / (nC + nH)
        masses.append(m)
        diameters.append((6.0 * (m / rho_pah) / 3.1415926535) ** 0.3333333333333334)
    return masses, diameters
