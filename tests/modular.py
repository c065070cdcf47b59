"""Shared helpers of the modular framework tests: a real gas with PAH precursors, the whole
object graph assembled in the documented order, and soot states."""

import os
import textwrap

import numpy as np

from gases import PAH_DATA, RICH_FLAME_X, species_yaml

AV = 6.02214076e23

RICH_X = RICH_FLAME_X  # the rich ethylene/air flame zone with the precursors

# Young soot: a few primaries per aggregate, H/C above the oxidation threshold of 0.1.
SOOT = np.array([2.0e-9, 8.0e-9, 4.0e-5, 6.0e-6])


_GAS = {}


def pah_gas():
    """gri30 with benzene (A1), naphthalene (A2) and pyrene (A4), which take part in no reaction,
    at 1800 K, 1 atm in the rich zone RICH_X. A new gas object at each call (the species are parsed once)."""
    import cantera as ct

    if "species" not in _GAS:
        base = ct.Solution("gri30.yaml")
        _GAS["species"] = base.species() + [ct.Species.from_yaml(species_yaml(n, d))
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


def close(a, b, rtol=1e-14):
    """Equal to `rtol` (relative, no absolute slack), element by element."""
    np.testing.assert_allclose(np.asarray(a, float), np.asarray(b, float), rtol=rtol, atol=0.0)


def pickled_fields(m):
    """A rate model's pickled field values, without the soot wrapper."""
    return [v for v in m.__reduce__()[2] if not isinstance(v, type(m.soot_wrapper))]


# The start of a hostile sweep run by survives(): the module as `mod`, the real gas as `gas`,
# unraisable reports and the child's stderr silenced.
SWEEP_START = r'''
import gc, itertools, os, sys
import numpy as np
sys.path.insert(0, TESTS)
import modular
import pyrandel.lib._pyrandel as mod
sys.unraisablehook = lambda u: None
sys.stderr = open(os.devnull, "w")

gas = modular.pah_gas()
'''


def survives(run_python, script):
    """Runs `script` in a child process, TESTS naming the tests folder; it must end normally with
    "survived" as the last line it prints."""
    tests = os.path.dirname(os.path.abspath(__file__))
    proc = run_python("import os\nTESTS = %r\n" % tests + script, timeout=300)
    assert proc.returncode == 0, proc.stderr[-3000:]
    assert proc.stdout.strip().endswith("survived")


def memory_capped(case):
    """The hostile `case` run with the child's address space capped at 1 GiB above what it uses,
    so that an allocation sized by a hostile count fails at once instead of waking the OOM killer."""
    return """
import resource
vm = int(next(line for line in open("/proc/self/status") if line.startswith("VmSize")).split()[1]) * 1024
resource.setrlimit(resource.RLIMIT_AS, (vm + (1 << 30), vm + (1 << 30)))
""" + textwrap.dedent(case)


def hostile_case(run_python, name, setup, case):
    """Runs `setup` (code indented by eight spaces that makes the solver `s` of class NAME) and then the
    hostile `case` on it in a child process, with the solver's printing silenced; it must not crash.
    Returns the last line printed: the exception's type and text, or "no error"."""
    code = """
        import sys, io, contextlib
        sys.path[:0] = [TESTS]
        import numpy as np
        import pyrandel.lib._pyrandel as mod
""" + setup + """
        try:
            with contextlib.redirect_stdout(io.StringIO()):
    """ + textwrap.indent(textwrap.dedent("\n" + case), " " * 16) + """
            print("no error")
        except Exception as e:
            print(type(e).__name__, e)
    """
    tests = os.path.dirname(os.path.abspath(__file__))
    proc = run_python(f"TESTS = {tests!r}\nNAME = {name!r}\n" + textwrap.dedent(code))
    assert proc.returncode == 0, proc.stderr[-2000:]
    return proc.stdout.strip().splitlines()[-1]


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
