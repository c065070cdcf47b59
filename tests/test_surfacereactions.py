"""Surface reactions: CSurfaceReactionsBase and CFrenklachHACA (HACA growth, O2/OH oxidation) on a real gas."""

import copy
import math
import pickle

import numpy as np
import pytest

import modular

ct = pytest.importorskip("cantera")

PI, AV, MWC, RHO_SOOT = 3.1415926535, 6.02214076e23, 0.012011, 1800.0
# d_p, d_m, d_g, A_tot, m_agg, soot_MW, c_soot_agg, HtoC of a young aggregate
SOOT_VARS = (5e-9, 1.1e-8, 8.5e-9, 12.0, 2.4e-21, 1.45e3, 2.0e-6, 0.15)
RTOL = 1e-14
Q = "pyrandel.lib._pyrandel.CFrenklachHACA."


@pytest.fixture(scope="module")
def gas():
    return modular.pah_gas()


def setup_model(mod, gas, cls=None, T=1800.0, soot_vars=SOOT_VARS):
    sg = modular.gas_wrapper(mod, gas)
    gas.TPX = T, 101325.0, modular.RICH_X
    sg.update_thermo_TPUY(T, 101325.0, gas.Y)
    sg.update_transport()
    sw = mod.CSootWrapper(sg)
    m = (cls or mod.CFrenklachHACA)(sw)
    sw.set_surface_reactions_model(m)
    m.update_soot_vars(*soot_vars)
    return sg, sw, m


class Transcription:
    """The HACA and oxidation formulas written out in Python from the wrappers' public state."""

    def __init__(self, sg, gas, m):
        self.T, self.rho = sg.T, sg.rho
        X = list(sg.X_array)
        self.C = {s: X[gas.species_index(s)] * sg.rho / sg.mean_MW for s in
                  ("H", "OH", "H2", "H2O", "C2H2", "O2", "CO")}
        self.m = m

    def c_soot_nought(self):
        T = self.T
        H, OH, H2, H2O, C2H2, O2 = (max(self.C[s], 0.0) for s in ("H", "OH", "H2", "H2O", "C2H2", "O2"))
        k1f, k1r = 4.17e7 * math.exp(-6542.52 / T), 3.9e6 * math.exp(-5535.98 / T)
        k2f, k2r = 1e4 * T ** 0.734 * math.exp(-719.68 / T), 368 * T ** 1.139 * math.exp(-8605.94 / T)
        k4, k5 = 80 * T ** 1.56 * math.exp(-1912.43 / T), 2.2e6 * math.exp(-3774.53 / T)
        num = k1f * H + k2f * OH
        den = k2r * H2O + k1r * H2 + 2e7 * H + k4 * C2H2 + k5 * O2 + k1f * H + k2f * OH
        f = max(min(num / den, 1.0), 0.0) if den != 0 else None
        return 0.0 if f is None else self.rho * (self.m.A_tot / AV) * (2.3e19 * f)

    def alpha(self):
        m, T = self.m, self.T
        if m._alpha_model == 0:
            return m.alpha_constant
        if m._alpha_model == 1:
            n_C = m.d_p ** 3 * (PI * RHO_SOOT / 6.0) * AV / MWC
            a = math.tanh((12.65 - 0.00563 * T) / math.log10(n_C) - 1.38 + 0.00068 * T)
            return max(min(a, 1.0), 0.0)
        if m._alpha_model == 2:
            return max(min(m.HtoC, 1.0), 0.0)
        return 0.0

    def rates(self):
        T, m = self.T, self.m
        k_add = 80 * T ** 1.56 * math.exp(-1912.43 / T)
        growth = float(m.HACA_prefactor * self.alpha() * k_add * self.C["C2H2"] * self.c_soot_nought())
        if m.HtoC <= 0.1:
            o2 = oh = 0.0
        else:
            o2 = self.c_soot_nought() * (self.alpha() * 2.2e6 * math.exp(-3774.53 / T) * max(self.C["O2"], 0.0))
            oh = 0.13 * max(self.C["OH"], 0.0) * m.c_soot_agg
        return dict(growth=growth, C_growth=2 * growth / self.rho, H_growth=0.25 * growth / self.rho,
                    O2=o2, OH=oh, C_ox=(-2 * o2 - oh) / self.rho)


def check(m, ref):
    got = [m._surface_growth_rate, m.C_tot_growth(), m.H_tot_growth(), m._O2_oxidation_rate,
           m._OH_oxidation_rate, m.C_tot_oxidation(), m.H_tot_oxidation()]
    want = [ref["growth"], ref["C_growth"], ref["H_growth"], ref["O2"], ref["OH"], ref["C_ox"], 0.0]
    np.testing.assert_allclose(got, want, rtol=RTOL, atol=0.0)


# ------------------------------------------------------------ construction

def test_defaults_and_alpha_model_names(mod):
    base, m = mod.CSurfaceReactionsBase(None), mod.CFrenklachHACA(None)
    assert base.HACA_prefactor is None and m.HACA_prefactor == 1.0 and type(m.HACA_prefactor) is float
    for o in (base, m):
        assert (o._alpha_model, o.alpha_constant, o.growth_prefactor, o.oxidation_prefactor) == (1, 0.1, 0.0, 0.0)
        assert (o.C_tot_growth(), o.H_tot_growth(), o.C_tot_oxidation(), o.H_tot_oxidation()) == (0.0,) * 4
        assert o._w_scrub_growth == [] and o._w_scrub_oxidation == [] and o.HtoC == 0.0
    assert m.alpha_model == "empirical" and (m._O2_oxidation_rate, m._OH_oxidation_rate) == (0.0, 0.0)
    for code, name in enumerate(("constant", "empirical", "composition")):
        m.alpha_model = np.str_(name)
        assert m._alpha_model == code and m.alpha_model == name
    with pytest.raises(ValueError, match="^Invalid alpha model!$"):
        m.alpha_model = "Composition"
    assert m._alpha_model == 2
    with pytest.raises(NotImplementedError, match="__del__"):
        del m.alpha_model
    m._alpha_model = 7
    with pytest.raises(ValueError, match="^Invalid alpha model type!$"):
        m.alpha_model


@pytest.mark.parametrize("call, exc, text", [
    (lambda o: o.update(), Exception, r"^update\(\) method is not initialized!$"),
    (lambda o: o._update_w_scrub_growth(np.zeros(3)), Exception, r"^update_w_scrub_grwoth\(\) method is not"),
    (lambda o: o._update_w_scrub_oxidation(np.zeros(3)), Exception, r"^update_w_scrub_oxidation\(\) method"),
    (lambda o: o.update_w_scrub(np.zeros(3)), Exception, r"^update_w_scrub\(\) method is not initialized!$"),
    (lambda o: o.update_w_scrub([0.0]), TypeError, None),                 # the buffer is converted first
    (lambda o: o.surface_growth_enabled(), AttributeError, "'NoneType' object has no attribute"),
    (lambda o: o.soot_gas, AttributeError, None),
])
def test_base_leaves_the_work_to_subclasses(mod, call, exc, text):
    with pytest.raises(exc, match=text):
        call(mod.CSurfaceReactionsBase(None))


@pytest.mark.parametrize("cls", ["CSurfaceReactionsBase", "CFrenklachHACA"])
def test_typed_joint_and_partial_store(mod, cls):
    with pytest.raises(TypeError, match=r"^Cannot convert float to pyrandel\.lib\._pyrandel\.CSootWrapper$"):
        getattr(mod, cls)(1.5)
    o = getattr(mod, cls)(None)
    with pytest.raises(TypeError):
        o.update_soot_vars(1.0, 2.0, 3.0, 4.0, None, 6.0, 7.0, 8.0)
    assert (o.d_p, o.A_tot, o.m_agg, o.soot_MW) == (1.0, 4.0, 0.0, 0.0)


# --------------------------------------------------------------- formulas

@pytest.mark.parametrize("alpha_model", ["constant", "empirical", "composition"])
@pytest.mark.parametrize("T", [1200.0, 1800.0, 2300.0])
def test_rates_agree_with_a_transcription(mod, gas, alpha_model, T):
    sg, sw, m = setup_model(mod, gas, T=T)
    m.alpha_model = alpha_model
    m.alpha_constant = 0.37
    m.update()
    ref = Transcription(sg, gas, m)
    check(m, ref.rates())
    assert m._surface_growth_rate > 0 and m._O2_oxidation_rate > 0 and m._OH_oxidation_rate > 0
    # never more active sites than surface sites
    assert ref.c_soot_nought() <= sg.rho * m.A_tot * 2.3e19 / AV


def test_prefactor_and_threshold_limits(mod, gas):
    sg, sw, m = setup_model(mod, gas)
    m.update()
    base = (m._surface_growth_rate, m.C_tot_growth(), m.H_tot_growth(), m._O2_oxidation_rate, m.C_tot_oxidation())
    assert m.H_tot_growth() == 0.125 * m.C_tot_growth()
    m.HACA_prefactor = np.float64(2.0)                          # any object that multiplies with floats
    m.update()
    assert (m._surface_growth_rate, m.C_tot_growth(), m.H_tot_growth()) == tuple(2 * v for v in base[:3])
    assert (m._O2_oxidation_rate, m.C_tot_oxidation()) == base[3:]
    # H/C at the oxidation threshold: both oxidation rates vanish; just above, both are computed
    m.update_soot_vars(*SOOT_VARS[:7], 0.1)
    m.update()
    assert (m._O2_oxidation_rate, m._OH_oxidation_rate, m.C_tot_oxidation()) == (0.0, 0.0, 0.0)
    m.update_soot_vars(*SOOT_VARS[:7], math.nextafter(0.1, 1.0))
    m.update()
    assert m._O2_oxidation_rate > 0 and m._OH_oxidation_rate > 0 and m.C_tot_oxidation() < 0
    # an unknown alpha code switches growth and O2 oxidation off
    m._alpha_model = 7
    m.update()
    assert m._surface_growth_rate == 0.0 and m._O2_oxidation_rate == 0.0 and m._OH_oxidation_rate > 0


def test_errors_of_update(mod, gas, unraisable):
    sg, sw, m = setup_model(mod, gas)
    m.HACA_prefactor = None
    with pytest.raises(TypeError):
        m.update()
    sw.surface_growth_enabled = False
    m.update()                                                  # growth off: the prefactor is not used
    sw.surface_growth_enabled = True
    m.HACA_prefactor = 1.0
    sg.update(sg.T, sg.P, list(sg.X_array), 0.0, sg.mu, sg.mean_MW)
    with pytest.raises(ZeroDivisionError, match="^float division$") as info:
        m.update()
    names = [e.name for e in info.traceback]
    assert names[-2:] == [Q + "update", Q + "_update_C_tot_growth"]
    sw.surface_growth_enabled = False
    m.update()                                                  # oxidation alone at zero density
    assert (m._O2_oxidation_rate, m._OH_oxidation_rate) == (0.0, 0.0)
    # the oxidation total is per kg of gas: at zero density it is reported and taken as 0
    assert [str(u.object) for u in unraisable] == [Q + "_update_C_tot_oxidation"]
    assert m.C_tot_oxidation() == 0.0


def test_zero_temperature_stops_O2_oxidation(mod, gas):
    sg, sw, m = setup_model(mod, gas)
    sg.update(0.0, sg.P, list(sg.X_array), sg.rho, sg.mu, sg.mean_MW)
    sw.surface_growth_enabled = False
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.update()
    assert m._O2_oxidation_rate == 0.0


def test_negative_acetylene_grows_negatively(mod, gas):
    sg, sw, m = setup_model(mod, gas)
    X = list(sg.X_array)
    X[gas.species_index("C2H2")] = -0.01
    sg.update(sg.T, sg.P, X, sg.rho, sg.mu, sg.mean_MW)
    m.update()
    assert m._surface_growth_rate < 0 and m.C_tot_growth() < 0
    w = np.zeros(gas.n_species)
    m.update_w_scrub(w)
    assert w[gas.species_index("C2H2")] > 0


def _state(T=None, mean_MW=None):
    def change(sg, sw):
        sg.update(sg.T if T is None else T, sg.P, list(sg.X_array), sg.rho, sg.mu,
                  sg.mean_MW if mean_MW is None else mean_MW)
    return change


def _index(species, i):
    def change(sg, sw):
        d = dict(sg._species_index_dict)
        d[species] = i
        sg.set_species_indices(d)
    return change


def _index_in_place(species, i):
    def change(sg, sw):
        # a step on the cached indices first, then the dictionary itself changed
        m = sw.surface_reactions_model
        for _ in range(2):
            m.update()
            m.update_w_scrub(np.zeros(len(sg.X_array)))
        sg._species_index_dict[species] = i
    return change


def _growth_off(sg, sw):
    sw.surface_growth_enabled = False


@pytest.mark.parametrize("change", [
    lambda sg, sw: None, _state(T=0.0), _state(mean_MW=0.0), _index("O2", 10 ** 6), _index("H2O", -1),
    _index("CO", 10 ** 6), lambda sg, sw: (_growth_off(sg, sw), _state(T=0.0)(sg, sw)),
    _index_in_place("O2", 10 ** 6), _index_in_place("H", 3), _state(T=-5.0),
], ids=["same", "T0", "mean_MW0", "O2_outside", "H2O_negative", "CO_outside", "T0_oxidation_only",
        "O2_outside_in_place", "H_moved_in_place", "T_negative_NaN_rates"])
@pytest.mark.parametrize("alpha", ["empirical", "constant", "composition"])
def test_one_pass_step_and_general_step_agree_to_the_bit(mod, gas, unraisable, change, alpha):
    # With its indices cached, an exact instance takes its step in one pass; a Python
    # subclass always takes it entry by entry. Both give the same bits, errors and reports.
    class Sub(mod.CFrenklachHACA):
        pass

    outcomes = []
    for cls in (mod.CFrenklachHACA, Sub):
        sg, sw, m = setup_model(mod, gas, cls=cls)
        m.alpha_model, m.alpha_constant = alpha, 0.8
        m.update()                                  # fills the gas wrapper's index cache
        change(sg, sw)
        seen = []
        for _ in range(2):                          # the second time with the new indices cached
            try:
                m.update()
                err = None
            except Exception as e:
                err = (type(e), str(e))
            w = np.zeros(gas.n_species)
            m.update_w_scrub(w)
            vals = np.array([m._surface_growth_rate, m.C_tot_growth(), m.H_tot_growth(), m._O2_oxidation_rate,
                             m._OH_oxidation_rate, m.C_tot_oxidation(), m.H_tot_oxidation()])
            seen.append((err, vals.tobytes(), w.tobytes()))
        # (the subclass computes the active sites once per use, so it may report a fault more often)
        reports = dict.fromkeys((str(u.object), u.exc_type, str(u.exc_value)) for u in unraisable)
        outcomes.append((seen, list(reports)))
        unraisable.clear()
    assert outcomes[0] == outcomes[1]


# ---------------------------------------------------------------- scrubbing

def elements(gas, el):
    return np.array([gas.n_atoms(k, el) for k in range(gas.n_species)])


@pytest.mark.parametrize("growth, oxidation", [(True, True), (True, False), (False, True)])
def test_scrubbing_balances_every_element(mod, gas, growth, oxidation, unraisable):
    sg, sw, m = setup_model(mod, gas)
    m.update()
    sw.surface_growth_enabled, sw.oxidation_enabled = growth, oxidation
    w = np.zeros(gas.n_species)
    m.update_w_scrub(w)
    r, o2, oh = m._surface_growth_rate, m._O2_oxidation_rate, m._OH_oxidation_rate
    want = np.zeros(gas.n_species)
    if growth:
        want[gas.species_index("C2H2")] -= r
        want[gas.species_index("H")] += 1.75 * r
    if oxidation:
        want[gas.species_index("CO")] += 2 * o2 + oh
        want[gas.species_index("O2")] -= o2
        want[gas.species_index("OH")] -= oh
        want[gas.species_index("H")] += oh
    np.testing.assert_allclose(w, want, rtol=1e-15, atol=0)
    rho = sg.rho
    dC = growth * m.C_tot_growth() + oxidation * m.C_tot_oxidation()
    dH = growth * m.H_tot_growth() + oxidation * m.H_tot_oxidation()
    assert elements(gas, "C") @ w == pytest.approx(-rho * dC, rel=1e-12)
    assert elements(gas, "H") @ w == pytest.approx(-rho * dH, rel=1e-12)
    assert elements(gas, "O") @ w == pytest.approx(0.0, abs=1e-12 * abs(w).max())
    assert unraisable == []


def test_switch_off_keeps_the_last_rates_and_enters_nothing(mod, gas):
    sg, sw, m = setup_model(mod, gas)
    m.update()
    kept = (m._surface_growth_rate, m.C_tot_growth(), m.H_tot_growth())
    sw.surface_growth_enabled = False
    sg.update_thermo_TPUY(1500.0, 101325.0, gas.Y)
    sg.update_transport()
    m.update()
    assert (m._surface_growth_rate, m.C_tot_growth(), m.H_tot_growth()) == kept
    w = np.zeros(gas.n_species)
    m.update_w_scrub(w)
    assert w[gas.species_index("C2H2")] == 0.0 and w[gas.species_index("CO")] > 0
    m._reset()
    assert (m._surface_growth_rate, m.C_tot_growth(), m.C_tot_oxidation()) == (0.0, 0.0, 0.0)
    assert m._O2_oxidation_rate > 0 and m.HACA_prefactor == 1.0


@pytest.mark.parametrize("length", [0, 3, None])
def test_short_buffers_are_reported_never_written_out_of_bounds(mod, gas, unraisable, length):
    sg, sw, m = setup_model(mod, gas)
    m.update()
    w = None if length is None else np.zeros(length)
    m.update_w_scrub(w)                                         # returns normally
    assert unraisable and {u.exc_type for u in unraisable} == {IndexError}
    assert {str(u.object) for u in unraisable} == {Q + "_update_w_scrub_growth", Q + "_update_w_scrub_oxidation"}


def test_bad_H_index_leaves_the_acetylene_write(mod, gas, unraisable):
    sg, sw, m = setup_model(mod, gas)
    m.update()
    d = dict(sg._species_index_dict)
    d["H"] = 10 ** 6
    sg.set_species_indices(d)
    sw.oxidation_enabled = False
    w = np.zeros(gas.n_species)
    m.update_w_scrub(w)
    assert w[gas.species_index("C2H2")] == -m._surface_growth_rate
    assert [str(u.object) for u in unraisable] == [Q + "_update_w_scrub_growth"]
    assert str(unraisable[0].exc_value) == "Out of bounds on buffer access (axis 0)"


@pytest.mark.parametrize("species", ["CO", "OH", "H"])
def test_one_oxidation_row_outside_skips_only_its_writes(mod, gas, unraisable, species):
    sg, sw, m = setup_model(mod, gas)
    m.update()
    sw.surface_growth_enabled = False
    full = np.zeros(gas.n_species)
    m.update_w_scrub(full)
    d = dict(sg._species_index_dict)
    d[species] = 10 ** 6
    sg.set_species_indices(d)
    w = np.zeros(gas.n_species)
    m.update_w_scrub(w)
    i = gas.species_index(species)
    want = full.copy()
    want[i] = 0.0
    assert w.tobytes() == want.tobytes()
    writes = {"CO": 2, "OH": 1, "H": 2}[species]        # its additions, each reported on its own
    assert [str(u.object) for u in unraisable] == [Q + "_update_w_scrub_oxidation"] * writes


def test_missing_species_name_reads_index_zero(mod, gas, unraisable):
    sg, sw, m = setup_model(mod, gas)
    d = dict(sg._species_index_dict)
    del d["OH"]
    sg.set_species_indices(d)
    m.update()
    assert any(u.exc_type is KeyError for u in unraisable)
    X0 = sg.X_array[0]
    assert m._OH_oxidation_rate == 0.13 * max(X0 * sg.rho / sg.mean_MW, 0.0) * m.c_soot_agg


class Key:
    """A dictionary key that is no str: its comparisons are the caller's code."""

    def __hash__(self):
        return hash("C2H2")

    def __eq__(self, other):
        return other == "C2H2"


def remap(d, i):
    d["C2H2"] = i


def remap_with_foreign_key(d, i):
    d[Key()] = 0          # same hash as "C2H2": every lookup of it compares with this key
    d["C2H2"] = i


@pytest.mark.parametrize("change", [remap, remap_with_foreign_key])
def test_species_indices_follow_the_dictionary_changed_in_place(mod, gas, unraisable, change):
    # Indices already found are reused only while the very dictionary is unchanged.
    sg, sw, m = setup_model(mod, gas)
    m.update()
    sw.oxidation_enabled = False
    d = sg._species_index_dict
    i_C2H2, i_CO = gas.species_index("C2H2"), gas.species_index("CO")
    scrubbed = []
    for k in range(4):
        if k == 2:
            change(d, i_CO)
        w = np.zeros(gas.n_species)
        m.update_w_scrub(w)
        scrubbed.append((w[i_C2H2], w[i_CO]))
    r = m._surface_growth_rate
    assert scrubbed == [(-r, 0.0)] * 2 + [(0.0, -r)] * 2
    del d["C2H2"]                                  # a missing name reads index 0 again
    w = np.zeros(gas.n_species)
    m.update_w_scrub(w)
    assert w[0] == -r and [u.exc_type for u in unraisable] == [KeyError]


# ------------------------------------------------------- overrides and pickling

def test_overrides_by_name_are_seen_and_internal_entries_are_not(mod, gas, unraisable):
    seen = []

    class Sub(mod.CFrenklachHACA):
        def surface_growth_enabled(self):
            seen.append("surface_growth_enabled")
            return False

        def _update_w_scrub_growth(self, w):         # internal entry: not called by name
            seen.append("_update_w_scrub_growth")

        def c_soot_nought(self):                      # internal entry: not called by name
            seen.append("c_soot_nought")
            return 0.0

    sg, sw, m = setup_model(mod, gas, cls=Sub)
    sw.surface_growth_enabled = True
    m.update()
    w = np.zeros(gas.n_species)
    m.update_w_scrub(w)
    assert seen == ["surface_growth_enabled", "surface_growth_enabled"]
    assert m._surface_growth_rate == 0.0 and m._O2_oxidation_rate > 0
    assert w[gas.species_index("C2H2")] == 0.0 and w[gas.species_index("O2")] < 0
    assert unraisable == []
    # from Python, the names of the internal scrub entries are the base's methods
    with pytest.raises(Exception, match="^update_w_scrub_grwoth"):
        mod.CFrenklachHACA(sw)._update_w_scrub_growth(w)


def test_particle_model_sees_a_python_update_w_scrub(mod, gas):
    calls = []

    class Sub(mod.CFrenklachHACA):
        def update_w_scrub(self, w_scrub):
            calls.append(w_scrub)
            super().update_w_scrub(w_scrub)

    gas.TPX = 1800.0, 101325.0, modular.RICH_X
    sg, sw, model = modular.graph(mod, gas, surf_cls=Sub)
    modular.step(sg, model, 1800.0, 101325.0, gas.Y, modular.SOOT)
    assert len(calls) == 1 and calls[0] is model.w_scrub


def test_pickle_and_deepcopy_keep_the_state(mod, gas):
    sg, sw, m = setup_model(mod, gas)
    m.alpha_model = "constant"
    m.HACA_prefactor = 2.5
    m.update()
    sg.cantera_gas = None
    for twin in (pickle.loads(pickle.dumps(m)), copy.deepcopy(m)):
        assert type(twin) is mod.CFrenklachHACA
        for name in ("_surface_growth_rate", "_O2_oxidation_rate", "_OH_oxidation_rate", "_C_tot_oxidation",
                     "HACA_prefactor", "alpha_model", "HtoC", "d_p"):
            assert getattr(twin, name) == getattr(m, name), name
        twin.update()
        check(twin, Transcription(twin.soot_gas, gas, twin).rates())
