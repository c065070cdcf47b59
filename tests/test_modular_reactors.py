"""The modular reactors on a real gas: the plain gas reactors of Cantera with soot switched off, element
and mass balances with soot on, closed forms with frozen chemistry, the mended faults, pickling, and
hostile state vectors."""

import pickle
import subprocess
import sys
import textwrap
import warnings

import numpy as np
import pytest

from modular import AV, RICH_X, SOOT, element_counts, graph, pah_gas

ct = pytest.importorskip("cantera")
solve_ivp = pytest.importorskip("scipy.integrate").solve_ivp

P0 = ct.one_atm
LEAN = "CH4:1, O2:2, N2:7.52"
SOOT_MIN = np.array([1.0, 1.0, 378.0, 20.0]) / AV


def build(mod, cls, gas, soot=True, oxidation=True, scrubbing=True):
    """A reactor of class `cls` on the modular graph of `gas` (CReactDim on three precursors, HACA)."""
    sg, sw, model = graph(mod, gas)
    sw.soot_enabled, sw.oxidation_enabled, sw.scrubbing_enabled = soot, oxidation, scrubbing
    sw.coagulation_enabled = soot  # soot off: no source terms at all
    r = getattr(mod, cls)(sg)
    r.set_soot_wrapper(sw)
    return r, sg, sw, model


def rhs(r):
    return lambda t, y: r.derivatives(t, y).copy()


def atol(y, gas=1e-14, soot=1e-24):
    """Vector tolerances: the soot variables live near 1e-24 mol/kg."""
    return np.hstack([np.full(len(y) - 4, gas), np.full(4, soot)])


def rel(a, b):
    return np.max(np.abs(np.asarray(a) - np.asarray(b)) / np.maximum(np.abs(b), 1e-300))


# ------------------------------------------------------------- layout and sizing

@pytest.mark.parametrize("cls, gas_block", [("CPFRSoot", 3), ("CPSRSoot", 2), ("CConstUVSoot", 2)])
def test_sizing_and_the_same_result_array(mod, cls, gas_block):
    gas = pah_gas()
    r, sg, sw, model = build(mod, cls, gas)
    n = gas.n_species
    assert r.soot_offset == gas_block + n
    np.testing.assert_array_equal(r.soot_array, SOOT_MIN)
    assert list(r.source_term_array) == [0.0] * 4
    r.temperature_solver = 3
    r.P, r.T = P0, 1800.0
    if cls == "CPSRSoot":
        sg.update_thermo_TPUY(1800.0, P0, gas.Y)
        r.set_star()
        r.phy_restime = 1e-3
    y = np.hstack([[0.0, gas.density, 1800.0][3 - gas_block:], gas.Y, SOOT])
    first = r.derivatives(0.0, y)
    assert first.shape == (gas_block + n + 4,) and r.derivatives(0.0, y) is first
    r.set_soot_wrapper(sw)  # a new result array; the old one is no longer filled
    assert r.derivatives(0.0, y) is not first


def test_temperature_modes_and_names(mod):
    gas = pah_gas()
    r, *_ = build(mod, "CPFRSoot", gas, soot=False)
    assert r.temperature_solver_type == "profile_length"
    r.temperature_solver_type = "isothermal"
    assert r.temperature_solver == mod.ISOTHERMAL
    for bad in ("ISOTHERMAL", 2):
        with pytest.raises(ValueError, match="^Invalid temperature solver type!$"):
            r.temperature_solver_type = bad
    r.temperature_solver = 7
    with pytest.raises(ValueError, match="^Invalid temperature_solver_type!$"):
        r.temperature_solver_type
    with pytest.raises(NotImplementedError, match="^__del__$"):
        del r.temperature_solver_type

    r.P = P0
    y = np.hstack([[0.0, 0.2, 1234.0], gas.Y, SOOT])
    r.set_fix_temperature_profile(np.array([[0.0, 1.0], [1500.0, 1700.0]]))
    for mode, t, y0, want in [(0, 0.5, 0.0, 1600.0), (0, 2.0, 0.0, 1700.0), (1, 2.0, 0.25, 1550.0),
                              (2, 0.5, 0.0, 1234.0)]:
        r.temperature_solver, y[0] = mode, y0
        d = r.derivatives(t, y)
        assert r.T == want and gas.T == pytest.approx(want, rel=1e-12) and d[2] == 0.0
    r.temperature_solver, r.T = 3, 1444.0
    r.derivatives(0.5, y)
    assert r.T == 1444.0


@pytest.mark.parametrize("profile", [None, np.array([1.0, 2.0]), np.array([["a", "b"], ["c", "d"]])])
def test_missing_or_unreadable_profile_raises(mod, profile):
    gas = pah_gas()
    r, *_ = build(mod, "CPFRSoot", gas, soot=False)
    r.P = P0
    r.set_fix_temperature_profile(profile)
    y = np.hstack([[0.0, 0.2, 1500.0], gas.Y, SOOT])
    T_before = gas.T
    with pytest.raises((TypeError, IndexError, ValueError)) as info:
        r.derivatives(0.5, y)
    assert "CPFRSoot.derivatives" in "".join(__import__("traceback").format_tb(info.tb))
    assert gas.T == T_before  # the gas never saw a temperature


# ---------------------------------------------------- soot off: Cantera's own reactors

def test_constant_volume_reactor_matches_cantera(mod):
    gas = pah_gas()
    gas.TPX = 1250.0, P0, LEAN
    r, sg, sw, model = build(mod, "CConstUVSoot", gas, soot=False)
    r.temperature_solver = mod.ENERGY_EQUATION
    y0 = np.hstack([[gas.density, gas.T], gas.Y, SOOT_MIN])
    ref_gas = pah_gas()
    ref_gas.TPX = 1250.0, P0, LEAN
    # Each Cantera reactor on its own copy of the gas (the default from Cantera 3.3 on).
    reactor = ct.IdealGasReactor(ref_gas, clone=True)
    net = ct.ReactorNet([reactor])
    net.rtol, net.atol = 1e-12, 1e-20
    times = np.linspace(0.0, 0.4, 2001)
    T_ref = []
    for t in times[1:]:
        net.advance(t)
        T_ref.append(reactor.T)
    T_ref = np.array([1250.0] + T_ref)
    sol = solve_ivp(rhs(r), (0.0, 0.4), y0, method="BDF", rtol=1e-10, atol=atol(y0), t_eval=times)
    assert sol.success
    T = sol.y[1]
    assert T[-1] > 2000.0  # ignited
    assert rel(T[-1], reactor.T) < 1e-4
    major = [ref_gas.species_index(s) for s in ("CH4", "O2", "H2O", "CO2", "N2")]
    np.testing.assert_allclose(sol.y[2:][major, -1], reactor.Y[major], rtol=1e-4, atol=1e-9)
    delay = times[np.argmax(np.gradient(T, times))]
    delay_ref = times[np.argmax(np.gradient(T_ref, times))]
    assert abs(delay - delay_ref) <= 3e-3 * delay_ref + times[1]


def test_plug_flow_reactor_matches_cantera_at_the_residence_time(mod):
    gas = pah_gas()
    gas.TPX = 1600.0, P0, RICH_X
    r, *_ = build(mod, "CPFRSoot", gas, soot=False)
    r.temperature_solver, r.P = mod.ENERGY_EQUATION, P0
    y0 = np.hstack([[0.0, gas.density * 2.0, 1600.0], gas.Y, SOOT_MIN])
    sol = solve_ivp(rhs(r), (0.0, 0.02), y0, method="BDF", rtol=1e-10, atol=atol(y0))
    assert sol.success
    tau = sol.y[0, -1]
    ref_gas = pah_gas()
    ref_gas.TPX = 1600.0, P0, RICH_X
    reactor = ct.IdealGasConstPressureReactor(ref_gas, energy="off", clone=True)
    net = ct.ReactorNet([reactor])
    net.rtol, net.atol = 1e-12, 1e-20
    net.advance(tau)
    assert sol.y[2, -1] == 1600.0 and sol.y[1, -1] == y0[1]  # no soot: constant temperature and mass flux
    major = [ref_gas.species_index(s) for s in ("CH4", "O2", "H2O", "CO", "C2H2", "H2")]
    np.testing.assert_allclose(sol.y[3:-4][major, -1], reactor.Y[major], rtol=1e-4, atol=1e-9)
    assert rel(sol.y[3:-4][major, -1], y0[3:-4][major]) > 1e-2  # the chemistry moved


def test_stirred_reactor_matches_cantera_with_flow_controllers(mod):
    gas = pah_gas()
    gas.TPX = 1500.0, P0, LEAN
    r, sg, sw, model = build(mod, "CPSRSoot", gas, soot=False)
    tau, V = 2e-2, 1e-3
    sg.update_thermo_TPUY(1500.0, P0, gas.Y)
    r.set_star()
    r.temperature_solver, r.P, r.phy_restime, r.reactor_volume = mod.ENERGY_EQUATION, P0, tau, V
    y0 = np.hstack([[gas.density, 1500.0], gas.Y, SOOT_MIN])

    ref_gas = pah_gas()
    ref_gas.TPX = 1500.0, P0, LEAN
    inlet = ct.Reservoir(ref_gas, clone=True)
    reactor = ct.IdealGasConstPressureReactor(ref_gas, volume=V, clone=True)
    exhaust = ct.Reservoir(ref_gas, clone=True)
    mdot = reactor.mass / tau
    ct.MassFlowController(inlet, reactor, mdot=mdot)
    ct.MassFlowController(reactor, exhaust, mdot=mdot)
    net = ct.ReactorNet([reactor])
    net.rtol, net.atol = 1e-12, 1e-20
    t_end = 0.1
    net.advance(t_end)
    sol = solve_ivp(rhs(r), (0.0, t_end), y0, method="BDF", rtol=1e-10, atol=atol(y0))
    assert sol.success
    assert sol.y[1, -1] > 2000.0 and rel(sol.y[1, -1], reactor.T) < 1e-4
    major = [ref_gas.species_index(s) for s in ("O2", "H2O", "CO2", "N2")]
    np.testing.assert_allclose(sol.y[2:-4][major, -1], reactor.Y[major], rtol=1e-4, atol=1e-9)


# ------------------------------------------------------------ soot on: balances

def _totals(gas, y, soot_at, gas_mass):
    """Mass, carbon and hydrogen (gas plus soot) carried by the state y."""
    nC, nH = element_counts(gas, "C"), element_counts(gas, "H")
    mw = gas.molecular_weights / 1000.0
    Y = y[soot_at - gas.n_species:soot_at]
    N_agg, N_pri, C, H = y[soot_at:soot_at + 4]
    return np.array([gas_mass * (Y.sum() + C * 0.012011 + H * 0.001008),
                     gas_mass * (np.dot(Y / mw, nC) + C), gas_mass * (np.dot(Y / mw, nH) + H)])


@pytest.mark.parametrize("oxidation", [False, True])
def test_closed_reactor_conserves_mass_carbon_and_hydrogen(mod, oxidation):
    gas = pah_gas()
    r, *_ = build(mod, "CConstUVSoot", gas, oxidation=oxidation)
    r.temperature_solver = mod.ISOTHERMAL
    y0 = np.hstack([[gas.density, 1800.0], gas.Y, SOOT])
    sol = solve_ivp(rhs(r), (0.0, 2e-3), y0, method="BDF", rtol=1e-9,
                    atol=np.hstack([1e-12, 1e-6, np.full(gas.n_species, 1e-14), np.full(4, 1e-24)]))
    assert sol.success
    start = _totals(gas, y0, r.soot_offset, y0[0])
    for k in range(sol.y.shape[1]):
        np.testing.assert_allclose(_totals(gas, sol.y[:, k], r.soot_offset, sol.y[0, k]), start, rtol=1e-8)
    assert sol.y[r.soot_offset + 2, -1] > 1.5 * SOOT[2]  # soot carbon grew
    assert sol.y[0, -1] < y0[0]  # the gas lost mass to the soot


def test_plug_flow_reactor_carries_the_scrubbed_mass_into_soot(mod):
    gas = pah_gas()
    r, *_ = build(mod, "CPFRSoot", gas, oxidation=False)
    r.temperature_solver, r.P = mod.ENERGY_EQUATION, P0
    y0 = np.hstack([[0.0, gas.density * 1.0, 1800.0], gas.Y, SOOT])
    sol = solve_ivp(rhs(r), (0.0, 2e-3), y0, method="BDF", rtol=1e-9,
                    atol=np.hstack([1e-12, 1e-12, 1e-6, np.full(gas.n_species, 1e-14), np.full(4, 1e-24)]))
    assert sol.success
    s = r.soot_offset
    flux = sol.y[1]
    carbon = np.array([_totals(gas, sol.y[:, k], s, flux[k])[1] for k in range(len(flux))])  # per area, time
    assert sol.y[s + 2, -1] > 1.5 * SOOT[2]
    # The mass-flux derivative leaves out terms of the order of the volume fraction.
    assert abs(carbon[-1] / carbon[0] - 1) < 1e-4
    assert flux[-1] < flux[0]


# ------------------------------------------------------- closed forms, frozen chemistry

class Frozen:
    """A stand-in for the gas object: a real gas whose reactions are switched off."""

    def __init__(self, gas):
        self._gas = gas

    def __getattr__(self, name):
        return getattr(self._gas, name)

    def __setattr__(self, name, value):
        if name == "_gas":
            object.__setattr__(self, name, value)
        else:
            setattr(self._gas, name, value)

    @property
    def net_production_rates(self):
        return np.zeros(self._gas.n_species)


def test_residence_time_along_a_linear_temperature_profile(mod):
    gas = pah_gas()
    r, sg, sw, _ = build(mod, "CPFRSoot", gas, soot=False)
    sg.cantera_gas = Frozen(gas)
    T0, T1, L, flux = 1200.0, 1800.0, 0.5, 0.3
    r.P = P0
    r.set_fix_temperature_profile(np.array([[0.0, L], [T0, T1]]))
    y0 = np.hstack([[0.0, flux, T0], gas.Y, SOOT_MIN])
    sol = solve_ivp(rhs(r), (0.0, L), y0, method="RK45", rtol=1e-10, atol=atol(y0))
    # u = flux / rho = flux R T / (P W): tau = W P / (flux R) * integral of dz / T(z)
    W = gas.mean_molecular_weight / 1000.0
    tau = W * P0 / (flux * 8.31446261815324) * L / (T1 - T0) * np.log(T1 / T0)
    assert sol.y[0, -1] == pytest.approx(tau, rel=1e-7)


def test_stirred_reactor_relaxes_to_the_inflow_exponentially(mod):
    gas = pah_gas()
    r, sg, sw, model = build(mod, "CPSRSoot", gas, soot=False)
    sg.cantera_gas = Frozen(gas)
    gas.TPX = 1500.0, P0, LEAN
    sg.update_thermo_TPUY(1500.0, P0, gas.Y)
    r.set_star()
    tau = 1e-3
    r.temperature_solver, r.P, r.phy_restime = mod.ISOTHERMAL, P0, tau
    gas.TPX = 1500.0, P0, RICH_X
    y0 = np.hstack([[gas.density, 1500.0], gas.Y, SOOT])
    t = np.array([0.5e-3, 1e-3, 3e-3])
    sol = solve_ivp(rhs(r), (0.0, 3e-3), y0, method="RK45", rtol=1e-11, atol=1e-20, t_eval=t)
    decay = np.exp(-t / tau)
    Ystar, Y0 = np.asarray(r.Y_star), y0[2:-4]
    np.testing.assert_allclose(sol.y[2:-4], Ystar[:, None] + (Y0 - Ystar)[:, None] * decay, rtol=1e-7, atol=1e-14)
    # With soot disabled the source terms vanish: the soot relaxes to the floors.
    np.testing.assert_allclose(sol.y[-4:], SOOT_MIN[:, None] + (SOOT - SOOT_MIN)[:, None] * decay, rtol=1e-7)


# ------------------------------------------------------------ the mended faults

def test_stirred_reactor_energy_mode_divides_by_cp_only(mod):
    gas = pah_gas()
    r, sg, sw, _ = build(mod, "CPSRSoot", gas, soot=False)
    sg.update_thermo_TPUY(1800.0, P0, gas.Y)
    r.set_star()
    r.temperature_solver, r.P, r.phy_restime, r.reactor_volume, r.Q_dot = 2, P0, 1e-3, 1e-4, 50.0
    # Frozen inflow equal to the state: only the heat input and the chemistry heat the gas.
    sg.cantera_gas = Frozen(gas)
    y = np.hstack([[gas.density, 1800.0], gas.Y, SOOT_MIN])
    d = r.derivatives(0.0, y)
    assert d[1] == pytest.approx(50.0 / (1e-4 * gas.density) / gas.cp_mass, rel=1e-9)


@pytest.mark.parametrize("cls", ["CPFRSoot", "CPSRSoot", "CConstUVSoot"])
@pytest.mark.parametrize("case", ["short", "empty", "offset", "soot_offset", "after_reset"])
def test_state_vector_is_checked_before_any_work(mod, cls, case):
    gas = pah_gas()
    r, sg, sw, _ = build(mod, cls, gas)
    r.temperature_solver, r.P = 3, P0
    head = [0.0, 0.2, 1800.0] if cls == "CPFRSoot" else [0.2, 1800.0]
    y = np.hstack([head, gas.Y, SOOT])
    if case == "short":
        y = y[:-1]
    elif case == "empty":
        y = np.zeros(0)
    elif case == "offset":
        r.T_offset = len(y)
    elif case == "soot_offset":
        r.soot_offset += 1
    elif case == "after_reset":  # a longer state vector than the result array
        r.soot_offset += 1
        y = np.hstack([y, 0.0])
    gas.TPX = 300.0, P0, "N2:1"
    sg.update(250.0, P0, [1.0], 1.0, 1e-5, 0.028)
    with pytest.raises(IndexError):
        r.derivatives(0.1, y)
    assert gas.T == 300.0 and sg.T == 250.0 and r.restime == 0.0


@pytest.mark.parametrize("cls, member, value", [("CPSRSoot", "rho_offset", 0), ("CConstUVSoot", "rho_offset", 0)])
def test_pickling_keeps_the_instance_members(mod, cls, member, value):
    gas = pah_gas()
    r, *_ = build(mod, cls, gas)
    assert getattr(r, member) == value
    back = pickle.loads(pickle.dumps(r))
    assert getattr(back, member) == value
    del r.rho_offset
    with pytest.raises(AttributeError):
        pickle.loads(pickle.dumps(r)).rho_offset


@pytest.mark.parametrize("cls", ["CPFRSoot", "CPSRSoot", "CConstUVSoot"])
def test_pickled_graph_computes_the_same_derivatives(mod, cls):
    gas = pah_gas()
    r, sg, sw, _ = build(mod, cls, gas)
    r.temperature_solver, r.P, r.T = 3, P0, 1800.0
    if cls == "CPSRSoot":
        sg.update_thermo_TPUY(1800.0, P0, gas.Y)
        r.set_star()
        r.phy_restime = 1e-3
    head = [0.0, gas.density, 1800.0] if cls == "CPFRSoot" else [gas.density, 1800.0]
    y = np.hstack([head, gas.Y, SOOT])
    blob = pickle.dumps(r)
    a, b = pickle.loads(blob), pickle.loads(blob)
    assert a.soot_wrapper.soot_model.soot_wrapper is a.soot_wrapper
    np.testing.assert_array_equal(a.derivatives(0.0, y), b.derivatives(0.0, y))
    np.testing.assert_allclose(a.derivatives(0.0, y), r.derivatives(0.0, y), rtol=1e-9, atol=1e-30)


# ------------------------------------------------------------ overrides and order

def test_python_overrides_are_seen_and_calls_keep_their_order(mod):
    gas = pah_gas()
    sg0, sw, model = graph(mod, gas)
    log = []

    class Gas(mod.CSootGas):
        def update_thermo_TPUY(self, T, P, UY):
            log.append("TPUY")
            super().update_thermo_TPUY(T, P, UY)

        def update_transport(self):
            log.append("transport")
            super().update_transport()

        @property
        def MW_array(self):
            log.append("MW_array")
            return mod.CSootGas.MW_array.__get__(self)

    class Model(mod.CMonodisperseSootModel):
        def set_vars(self, v):
            log.append("set_vars")
            super().set_vars(v)

        def update(self):
            log.append("update")
            super().update()

        def volume_fraction(self):
            log.append("volume_fraction")
            return 0.5

    g = Gas(gas)
    g.update_MWs(sg0.MW_array)
    g.set_species_indices({n: i for i, n in enumerate(gas.species_names)})
    sw.soot_gas = g
    m = Model(sw)
    sw.set_soot_model(m)
    r = mod.CPFRSoot(g)
    r.set_soot_wrapper(sw)
    r.temperature_solver, r.P, r.T = 3, P0, 1800.0
    y = np.hstack([[0.0, gas.density, 1800.0], gas.Y, SOOT])
    d = r.derivatives(0.0, y)
    assert log == ["TPUY", "transport", "set_vars", "update", "MW_array", "volume_fraction", "MW_array"]
    assert r.phi == 0.5 and d[0] == pytest.approx(0.5)  # u = rho u / (0.5 rho)


class GasProxy:
    """The Cantera gas seen through Python, with net production rates scaled by `factor`."""

    def __init__(self, gas, factor=1.0):
        object.__setattr__(self, "_gas", gas)
        object.__setattr__(self, "_factor", factor)

    def __getattr__(self, name):
        return getattr(self._gas, name)

    def __setattr__(self, name, value):
        setattr(self._gas, name, value)

    @property
    def net_production_rates(self):
        return self._gas.net_production_rates * self._factor


@pytest.mark.parametrize("cls", ["CPFRSoot", "CPSRSoot", "CConstUVSoot"])
@pytest.mark.parametrize("factor", [1.0, 1e306])
def test_own_paths_equal_the_paths_by_name(mod, cls, factor):
    """The exact gas wrapper and particle model (rates scaled and the state read in place) give the bits
    that no-op Python subclasses give through `w_array` and `set_vars(y[soot_offset:])`; rates whose
    scaling overflows warn as NumPy's multiplication does."""

    class Gas(mod.CSootGas):
        pass

    class Model(mod.CMonodisperseSootModel):
        pass

    gas = pah_gas()
    head = [0.0, gas.density, 1800.0] if cls == "CPFRSoot" else [gas.density, 1800.0]
    y = np.hstack([head, gas.Y, SOOT])
    results = []
    for gas_cls, model_cls in ((mod.CSootGas, mod.CMonodisperseSootModel), (Gas, Model)):
        sg, sw, model = graph(mod, GasProxy(gas, factor), model_cls=model_cls)
        g = gas_cls(sg.cantera_gas)
        g.update_MWs(sg.MW_array)
        g.set_species_indices(sg._species_index_dict)
        sw.soot_gas = g
        r = getattr(mod, cls)(g)
        r.set_soot_wrapper(sw)
        r.temperature_solver, r.P, r.T = 3, P0, 1800.0
        if cls == "CPSRSoot":
            g.update_thermo_TPUY(1800.0, P0, gas.Y)
            r.set_star()
            r.phy_restime = 1e-3
        with warnings.catch_warnings(record=True) as seen:
            warnings.simplefilter("always")
            results.append(r.derivatives(0.0, y).copy())
        overflow = [w for w in seen if "overflow encountered in multiply" in str(w.message)]
        assert bool(overflow) == (factor > 1.0)
    np.testing.assert_array_equal(results[0], results[1])


# ------------------------------------------------------------ hostile state vectors

HOSTILE = """
import numpy as np, sys
sys.path.insert(0, {tests!r})
import pyrandel.lib._pyrandel as mod
from modular import graph, pah_gas, SOOT
gas = pah_gas()
for cls in ("CPFRSoot", "CPSRSoot", "CConstUVSoot"):
    sg, sw, model = graph(mod, gas)
    r = getattr(mod, cls)(sg)
    r.set_soot_wrapper(sw)
    r.P, r.T, r.temperature_solver = 101325.0, 1800.0, 3
    if cls == "CPSRSoot":
        sg.update_thermo_TPUY(1800.0, 101325.0, gas.Y); r.set_star(); r.phy_restime = 1e-3
    n = r.soot_offset + 4
    good = np.hstack([np.full(r.soot_offset - gas.n_species, 0.2), gas.Y, SOOT])
    cases = [np.zeros(0), np.zeros(3), good[:-2], np.full(n, np.nan), np.arange(n), good.reshape(1, -1),
             np.repeat(good, 2)[::2], np.repeat(good, 3)[::3][:n], None, [0.0] * n, good.astype(np.float32),
             np.zeros(n)]
    for y in cases:
        for t in (0.0, float("nan"), 1e300):
            try:
                r.derivatives(t, y)
            except Exception:
                pass
        r.set_soot_wrapper(sw)
print("DONE")
"""


def test_hostile_state_vectors_end_in_exceptions(mod, tmp_path):
    import os
    import pathlib

    tests = str(pathlib.Path(__file__).resolve().parent)
    root = str(pathlib.Path(mod.__file__).resolve().parents[2])
    env = dict(os.environ, PYTHONPATH=os.pathsep.join([root] + [p for p in sys.path if p]))
    proc = subprocess.run([sys.executable, "-W", "ignore", "-X", "faulthandler", "-c",
                           textwrap.dedent(HOSTILE.format(tests=tests))],
                          env=env, capture_output=True, text=True, timeout=300)
    assert proc.returncode == 0 and proc.stdout.strip() == "DONE", proc.stderr[-3000:]
