"""CSootModel state, strategy selection and per-step protocol: constructor defaults, access rules,
pickling, the selectors and name properties, initialize / update_gas / update_solution, the process
and source terms, gas scrubbing, dispatch through Python overrides and garbage collection.

Physics run on a real gas: gri30 with benzene, naphthalene and pyrene (tests/gases.py)."""
import copy
import gc
import math
import os
import pickle
import subprocess
import sys
import traceback
import types
import weakref

import numpy as np
import pytest

from gases import configured_model
from test_checksums import FIELDS

pytest.importorskip("cantera")  # the module runs on a real gas throughout
_pyrandel = pytest.importorskip("pyrandel.lib._pyrandel")
CSootModel = _pyrandel.CSootModel

AV = 6.02214076e23
NAN = float("nan")
KEY_SPECIES = ("C2H2", "H2", "H", "CO", "O2", "OH", "H2O")
INDEX_FIELDS = ("C2H2_index", "H2_index", "H_index", "CO_index", "O2_index", "OH_index", "H2O_index")
# Pickle order: field names by character code.
STATE_NAMES = sorted(FIELDS["CSootModel"])
# Object fields in declaration order (what the collector visits).
OBJECT_FIELDS = (
    "soot_PAH_MWs", "dimer_n_C", "dimer_n_H", "species_names", "MWs", "X", "scrub_wdot",
    "phy_dimer_wdot", "soot_PAH_wdot", "p_ROP", "alpha", "inception_N_agg", "inception_C_tot",
    "inception_H_tot", "dC_tot_dt_PAH_each", "dH_tot_dt_PAH_each", "beta_coag", "soot_coales_type",
    "t_coales", "N_pri_coales", "diffus_coeff", "PAH_growth_update", "create_PAH_dimer",
    "update_scrub_wdot_PAH_growth")
VARIANT_STEPS = ("inception_N_agg", "inception_C_tot", "inception_H_tot", "PAH_growth_update",
                 "create_PAH_dimer", "update_scrub_wdot_PAH_growth")
VARIANTS = [  # code, method suffix, name, enumeration member
    (1, "reactived", "reactive_dimerization", "reactive_dimerization"),
    (2, "slfclsn", "self_collision", "self_collision"),
    (3, "slfclsn_lump", "self_collision_lump", "self_collision_lump"),
    (4, "crosslinking", "cross_linking", "cross_linking"),
    (5, "irrevd", "irreversible_dimerization", "irrev_dimerization"),
]

# A young soot population: 1e16 aggregates per kg of ten 5 nm primaries each, H/C = 0.2.
N_AGG = 1e16 / AV
C_TOT = 10 * N_AGG * AV * 1800.0 * np.pi / 6 * (5e-9) ** 3 / 0.012011
SOLUTION = (N_AGG, 10 * N_AGG, C_TOT, 0.2 * C_TOT)
PAHS = ("A1", "A2", "A4")
STICK = [0.01, 0.05, 0.2]


# ------------------------------------------------------------------ gas and model set-up

@pytest.fixture(scope="module")
def pah():
    pytest.importorskip("cantera")
    from gases import RICH_FLAME_X, pah_gas
    gas, _ = pah_gas()
    gas.TPX = 1800.0, 101325.0, RICH_FLAME_X
    return gas


COALESCENCE_NAMES = {0: "disabled", 1: "titania", 2: "silica", 3: "md-derived", 4: "CtoH-based"}


def configured(gas, variant=1, cls=CSootModel, coales=None, **attrs):
    setup = {"PAH_sticking_efficiency": STICK}
    if coales is not None:
        setup["coalescence_type"] = COALESCENCE_NAMES[coales]
    return configured_model(gas, PAHS, variant, cls, **setup, **attrs)


def step(m, gas, solution=SOLUTION, scrub=True):
    m.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
    m.update_solution(np.array(solution, dtype=float))
    if scrub:
        m.update_scrub_wdot()
    return m


def state(m):
    r = m.__reduce__()
    return r[2] if len(r) == 3 else r[1][2]


def same(x, y, ox, oy):
    """Equal field values; bound methods by name and bound to their own instance."""
    if isinstance(x, np.ndarray) or isinstance(y, np.ndarray):
        return (type(x) is type(y) and x.dtype == y.dtype and x.shape == y.shape
                and np.array_equal(x, y))
    if hasattr(x, "__self__") and callable(x):
        return x.__name__ == getattr(y, "__name__", None) and x.__self__ is ox and y.__self__ is oy
    return type(x) is type(y) and x == y


def differing(a, b, names=STATE_NAMES):
    sa, sb = state(a)[:148], state(b)[:148]
    return [n for n, x, y in zip(STATE_NAMES, sa, sb) if n in names and not same(x, y, a, b)]


class Open(CSootModel):
    """A subclass: instances have a dictionary and can be weakly referenced."""


class Thru(CSootModel):
    """Every Python-visible method overridden by a pass-through to the base class."""


def _pass_through(name):
    def method(self, *a):
        return getattr(CSootModel, name)(self, *a)
    method.__name__ = name
    return method


PY_METHODS = [n for n, v in vars(CSootModel).items()
              if type(v).__name__ == "method_descriptor" and not n.startswith("__")]
for _n in PY_METHODS:
    setattr(Thru, _n, _pass_through(_n))


# ------------------------------------------------------------------------ constructor

DEFAULTS = [
    ("rho_soot", 1800.0), ("MW_carbon", 0.012011), ("MW_hydrogen", 0.00100784), ("Av", AV),
    ("kB", 1.3806488e-23), ("R", 8.31446261815324), ("P_atm", 101325.0), ("Pi", 3.1415926535),
    ("N_agg_offset", 0), ("N_pri_offset", 1), ("C_tot_offset", 2), ("H_tot_offset", 3),
    ("Phy_dimer_offset", -1), ("PAH_soot_offset", -1), ("dimer_offset", 0), ("soot_PAH_offset", 0),
    *[(n, []) for n in (
        "dimer_PAH_1_id", "dimer_PAH_2_id", "PAH_indices", "PAH_n_C", "PAH_n_H", "p_phy_dimer_",
        "p_k_f_soot_PAH", "p_k_r_soot_PAH", "p_soot_PAH_star", "p_dC_tot_dt_PAH_each",
        "p_dH_tot_dt_PAH_each", "omega_PAH", "_dimer_", "a_inc", "w_inc", "stick_eff", "pre_stick_eff",
        "b_cond", "w_cond", "dimer_weight", "p_PAH_radical_", "PAH_index_in_gas", "soot_PAH_index_in_gas",
        "phy_dimer_index_in_gas", "PAH_Number_Carbon", "PAH_Number_Hydrogen", "PAH_sticking_efficiency")],
    *[(n, None) for n in (
        "soot_PAH_MWs", "dimer_n_C", "dimer_n_H", "species_names", "MWs", "X", "scrub_wdot",
        "phy_dimer_wdot", "soot_PAH_wdot", "p_ROP", "dC_tot_dt_PAH_each", "dH_tot_dt_PAH_each",
        "t_coales", "N_pri_coales")],
    *[(n, 0.0) for n in (
        "density", "viscosity", "mean_MW", "T", "P", "p_lambda_gas", "p_d_p", "p_d_m", "p_d_g", "p_A_tot",
        "p_dC_tot_dt_HACA_alt", "p_dH_tot_dt_HACA_alt", "p_dC_tot_dt_PAH", "p_dH_tot_dt_PAH",
        "omega_PAH_tot", "lumpdimer_n_C", "lumpdimer_n_H", "_lumpdimer_", "a_lumpinc", "w_lumpinc",
        "b_lumpcond", "w_lumpcond", "p_dH_tot_dt_carb", "p_dC_tot_dt_O2", "p_dC_tot_dt_OH",
        "p_dH_tot_dt_O2", "p_dH_tot_dt_OH", "Ea_coales", "As_coales", "d_crit_coales",
        "diffus_coeff_const_val", "K_T_factor")],
    *[(n, 1.0) for n in (
        "HACA_prefactor", "alpha_constant_value", "adsorb_eff", "cross_k_f1_prefactor",
        "cross_k_r1_prefactor", "cross_k_f2_prefactor", "cross_k_f3_prefactor", "K_REACT_prefactor",
        "Ea_REACT_prefactor", "k_FWD_prefactor", "K_PAH_ADS_prefactor", "Ea_PAH_ADS_prefactor")],
    ("_alpha_model", 1), ("A_carb", 485000.0), ("Ea_carb", 83680.0), ("soot_coales_type", 0),
    ("t_coales_min", 1e-12), ("CtoH_crit", 2.5), *[(n, 0) for n in INDEX_FIELDS],
    ("PAH_growth_model", 1), ("validation_case", 0), ("min_n_C", 378), ("min_n_H", 20),
    *[(n, True) for n in (
        "inception_enabled", "growth_enabled", "growth_HACA_enabled", "growth_PAH_adsorption_enabled",
        "coagulation_enabled", "oxidation_enabled", "scrubbing_enabled", "use_empirical_alpha",
        "steady_state_physical_dimerization", "steady_state_PAH_adsorption")],
    *[(n, False) for n in (
        "carbonization_enabled", "coalescence_enabled", "use_unity_alpha", "modified_particle_addition")],
    ("PAH_growth_model_name", "reactive_dimerization"), ("alpha_model", "empirical"),
    ("coalescence_type", "disabled"), ("validation", "no_validation"),
]

DEFAULT_STEPS = [
    *[(a, a + "_reactived") for a in VARIANT_STEPS],
    ("alpha", "alpha_empirical"), ("beta_coag", "beta_coag_hm"), ("diffus_coeff", "diffus_coeff_morph"),
]


@pytest.fixture(scope="module")
def fresh():
    return CSootModel()


@pytest.mark.parametrize("field, want", DEFAULTS, ids=[d[0] for d in DEFAULTS])
def test_constructor_default(fresh, field, want):
    got = getattr(fresh, field)
    assert type(got) is type(want) and got == want


@pytest.mark.parametrize("attr, method", DEFAULT_STEPS, ids=[d[0] for d in DEFAULT_STEPS])
def test_strategies_are_bound_to_the_instance(fresh, attr, method):
    bound = getattr(fresh, attr)
    assert bound.__self__ is fresh and bound.__name__ == method


def test_derived_constants_and_floors_bit_for_bit(fresh):
    m = fresh
    assert m.d_A == pow(3.0, 0.5) * 1.395 * 1e-10
    assert m.d_p_min == (6.0 / np.pi * 378 * 0.012011 / (1800.0 * AV)) ** 0.3333333333333333
    Pi = 3.1415926535
    assert m.A_p_min == Pi * (6.0 / Pi * 378 * 0.012011 / (AV * 1800.0)) ** 0.6666666666666666
    assert m.d_A == pytest.approx(2.42e-10, rel=1e-3)
    assert m.d_p_min == pytest.approx(2.00e-9, rel=1e-2) and m.A_p_min == pytest.approx(1.26e-17, rel=1e-2)
    floors = (1.0 / AV, 1.0 / AV, 378 / AV, 20 / AV)
    assert (m.N_agg_min, m.N_pri_min, m.C_tot_min, m.H_tot_min) == floors
    assert (m.N_agg, m.N_pri, m.C_tot, m.H_tot) == floors


@pytest.mark.parametrize("args, kwargs, message", [
    ((1,), {}, "__init__() takes exactly 0 positional arguments (1 given)"),
    ((1, 2), {}, "__init__() takes exactly 0 positional arguments (2 given)"),
    ((), {"x": 1}, "__init__() got an unexpected keyword argument 'x'"),
    ((), {1: 2}, "__init__() keywords must be strings"),
])
def test_constructor_takes_no_arguments(args, kwargs, message):
    with pytest.raises(TypeError) as info:
        CSootModel(*args, **kwargs)
    assert str(info.value) == message


CTOR_FIELDS = set("""
    rho_soot MW_carbon MW_hydrogen Av kB R P_atm Pi d_A
    inception_enabled growth_enabled growth_HACA_enabled growth_PAH_adsorption_enabled
    coagulation_enabled oxidation_enabled carbonization_enabled scrubbing_enabled coalescence_enabled
    min_n_C min_n_H d_p_min A_p_min N_agg_min N_pri_min C_tot_min H_tot_min N_agg N_pri C_tot H_tot
    PAH_growth_model K_REACT_prefactor Ea_REACT_prefactor k_FWD_prefactor K_PAH_ADS_prefactor
    Ea_PAH_ADS_prefactor modified_particle_addition steady_state_physical_dimerization
    steady_state_PAH_adsorption use_unity_alpha use_empirical_alpha K_T_factor N_agg_offset
    N_pri_offset C_tot_offset H_tot_offset Phy_dimer_offset PAH_soot_offset
    soot_coales_type As_coales Ea_coales t_coales N_pri_coales
    diffus_coeff_const_val t_coales_min CtoH_crit A_carb Ea_carb validation_case beta_coag diffus_coeff
    adsorb_eff cross_k_f1_prefactor cross_k_r1_prefactor cross_k_f2_prefactor cross_k_f3_prefactor
    HACA_prefactor alpha_constant_value _alpha_model alpha
    inception_N_agg inception_C_tot inception_H_tot PAH_growth_update create_PAH_dimer
    update_scrub_wdot_PAH_growth
""".split())


def test_init_again_resets_constructor_steps_and_keeps_the_rest(pah):
    m = configured(pah, 4, coales=2, HACA_prefactor=3.0, K_T_factor=0.5, A_carb=1.0, N_agg_min=0.0,
                   carbonization_enabled=True, inception_enabled=False, diffus_coeff_const_val=2e-7)
    m._set_alpha_model(2)
    m._set_validation_case(1)
    step(m, pah)
    before = pickle.loads(pickle.dumps(m))  # a twin holding the state before __init__
    names, mws, x = m.species_names, m.MWs, m.X
    with pytest.raises(TypeError, match=r"^__init__\(\) takes exactly 0 positional arguments \(1 given\)$"):
        m.__init__(1)
    assert differing(m, before) == []
    m.__init__()
    assert differing(m, CSootModel(), CTOR_FIELDS) == []
    assert differing(m, before, set(STATE_NAMES) - CTOR_FIELDS) == []
    assert m.species_names is names and m.MWs is mws and m.X is x
    assert m.d_crit_coales == 2.5e-9 and m.PAH_Number_Carbon == [6.0, 10.0, 16.0]
    assert [getattr(m, f) for f in INDEX_FIELDS] == [pah.species_index(s) for s in KEY_SPECIES]
    assert (m.N_agg, m.N_pri, m.C_tot, m.H_tot) == (1 / AV, 1 / AV, 378 / AV, 20 / AV)


class Selecting(CSootModel):
    """Records the selector calls of the constructor; its alpha selector picks the constant model."""

    def __init__(self):
        self.calls = []
        super().__init__()

    def _set_coales_type(self, c):
        self.calls.append(("coales", c))
        CSootModel._set_coales_type(self, c)

    def _set_validation_case(self, v):
        self.calls.append(("validation", v))
        CSootModel._set_validation_case(self, v)

    def _set_alpha_model(self, a):
        self.calls.append(("alpha", a))
        CSootModel._set_alpha_model(self, 0)

    def _set_PAH_growth_model(self, k):
        self.calls.append(("PAH", k))
        CSootModel._set_PAH_growth_model(self, k)

    def alpha_constant(self):
        return 0.25


def test_constructor_calls_the_selectors_of_a_subclass():
    m = Selecting()
    assert m.calls == [("coales", 0), ("validation", 0), ("alpha", 1), ("PAH", 1)]
    assert all(type(c[1]) is int for c in m.calls)
    assert m._alpha_model == 0 and m.alpha_model == "constant"
    # The selector binds the subclass's override of the step.
    assert m.alpha.__func__ is Selecting.alpha_constant and m.alpha() == 0.25


class FailingSelector(CSootModel):
    def _set_validation_case(self, v):
        raise RuntimeError("no validation here")


def test_constructor_failure_keeps_earlier_steps(unraisable):
    m = FailingSelector.__new__(FailingSelector)
    with pytest.raises(RuntimeError, match="no validation here") as info:
        m.__init__()
    names = [f.name for f in traceback.extract_tb(info.value.__traceback__)]
    assert "pyrandel.lib._pyrandel.CSootModel.__init__" in names
    assert m.A_carb == 485000.0 and m.soot_coales_type == 0      # steps 8 and 9 ran
    assert m.adsorb_eff == 0.0 and m._alpha_model == 0 and m.alpha is None  # step 11 on did not
    assert unraisable == []


# -------------------------------------------------------------- access rules and lists

def test_int_list_property_truncates_refuses_and_copies():
    m = CSootModel()
    m.PAH_index_in_gas = [5, 7.9]
    assert m.PAH_index_in_gas == [5, 7] == m.PAH_indices
    with pytest.raises(TypeError, match="an integer is required"):
        m.PAH_index_in_gas = [1, "a"]
    with pytest.raises(OverflowError):
        m.PAH_index_in_gas = [2 ** 40]
    assert m.PAH_index_in_gas == [5, 7]
    a, b = m.PAH_index_in_gas, m.PAH_index_in_gas
    assert a == b and a is not b
    a.append(3)
    assert m.PAH_index_in_gas == [5, 7]
    m.PAH_Number_Carbon = (10, 16)
    assert m.PAH_Number_Carbon == [10.0, 16.0] and all(type(v) is float for v in m.PAH_n_C)
    m.PAH_Number_Carbon = []
    assert m.PAH_n_C == []


@pytest.mark.parametrize("field, read", [
    ("p_dH_tot_dt_PAH_each", "p_dH_tot_dt_PAH_each"), ("stick_eff", "PAH_sticking_efficiency"),
    ("PAH_sticking_efficiency", "stick_eff"), ("pre_stick_eff", "pre_stick_eff"),
    ("PAH_Number_Hydrogen", "PAH_n_H")])
def test_writable_double_arrays_take_any_iterable(field, read):
    m = CSootModel()
    for value in ((v * 0.5 for v in range(3)), np.array([0.0, 0.5, 1.0]), {0: 1, 0.5: 2, 1.0: 3}):
        setattr(m, field, value)
        assert getattr(m, read) == [0.0, 0.5, 1.0]
    setattr(m, field, range(2))
    assert getattr(m, read) == [0.0, 1.0] and all(type(v) is float for v in getattr(m, read))
    setattr(m, field, iter([1, 2.5]))
    assert getattr(m, read) == [1.0, 2.5]
    with pytest.raises(TypeError):
        setattr(m, field, [3.0, "x"])
    with pytest.raises(TypeError):
        setattr(m, field, 4.0)
    assert getattr(m, read) == [1.0, 2.5]
    with pytest.raises(NotImplementedError, match="^__del__$"):
        delattr(m, field)


def test_not_exposed_index_arrays_are_pickled():
    m = CSootModel()
    m.soot_PAH_index_in_gas = [3, 4.5]
    m.phy_dimer_index_in_gas = (9,)
    assert not hasattr(m, "soot_PAH_indices") and not hasattr(m, "phy_dimer_indices")
    s = dict(zip(STATE_NAMES, state(m)))
    assert s["soot_PAH_indices"] == [3, 4] and s["phy_dimer_indices"] == [9]
    r = pickle.loads(pickle.dumps(m))
    assert r.soot_PAH_index_in_gas == [3, 4] and r.phy_dimer_index_in_gas == [9]


class L(list):
    pass


@pytest.mark.parametrize("field, value, exc, message", [
    ("CO_index", "a", TypeError, "an integer is required"),
    ("PAH_growth_model", None, TypeError, "an integer is required"),
    ("CO_index", 2 ** 40, OverflowError, "value too large to convert to int"),
    ("validation_case", NAN, ValueError, "cannot convert float NaN to integer"),
    ("N_agg_min", "x", TypeError, "must be real number, not str"),
    ("X", [1.0], TypeError, "Cannot convert list to numpy.ndarray"),
    ("MWs", (1.0,), TypeError, "Cannot convert tuple to numpy.ndarray"),
    ("scrub_wdot", 0.0, TypeError, "Cannot convert float to numpy.ndarray"),
    ("species_names", ("C2H2",), TypeError, "Expected list, got tuple"),
    ("species_names", L(["C2H2"]), TypeError, "Expected list, got L"),
    ("species_names", "C2H2", TypeError, "Expected list, got str"),
    *[(f, 1.0, AttributeError, None) for f in (
        "T", "N_agg", "min_n_C", "d_A", "Pi", "PAH_indices", "PAH_n_C", "t_coales", "p_ROP",
        "dimer_n_C", "soot_PAH_MWs", "N_agg_offset", "omega_PAH", "w_lumpinc")],
])
def test_refused_assignment_leaves_the_field(field, value, exc, message):
    m = CSootModel()
    before = getattr(m, field)
    with pytest.raises(exc) as info:
        setattr(m, field, value)
    if message:
        assert str(info.value) == message
    assert getattr(m, field) == before
    if exc is AttributeError:
        with pytest.raises(AttributeError):
            delattr(m, field)


@pytest.mark.parametrize("field, value, stored", [
    ("CO_index", 7.9, 7), ("CO_index", -3, -3), ("CO_index", True, 1), ("N_agg_min", 2, 2.0),
    ("inception_enabled", [], False), ("inception_enabled", "x", True), ("coalescence_enabled", 2, True),
    ("species_names", None, None), ("X", None, None), ("soot_coales_type", "anything", "anything"),
])
def test_accepted_assignment_converts(field, value, stored):
    m = CSootModel()
    setattr(m, field, value)
    got = getattr(m, field)
    assert type(got) is type(stored) and got == stored


@pytest.mark.parametrize("field", [
    "N_agg_min", "HACA_prefactor", "CO_index", "PAH_growth_model", "_alpha_model", "inception_enabled",
    "modified_particle_addition", "PAH_index_in_gas", "PAH_Number_Carbon", "soot_PAH_index_in_gas",
    "PAH_sticking_efficiency", "stick_eff", "p_dH_tot_dt_PAH_each", "PAH_growth_model_name",
    "alpha_model", "coalescence_type", "validation"])
def test_deleting_a_value_field_is_refused(field):
    m = CSootModel()
    before = getattr(m, field)
    with pytest.raises(NotImplementedError) as info:
        delattr(m, field)
    assert str(info.value) == "__del__" and getattr(m, field) == before


@pytest.mark.parametrize("field", [
    "species_names", "MWs", "X", "scrub_wdot", "phy_dimer_wdot", "soot_PAH_wdot", "alpha", "beta_coag",
    "inception_N_agg", "create_PAH_dimer", "N_pri_coales", "soot_coales_type", "dC_tot_dt_PAH_each"])
def test_deleting_an_object_field_stores_none(field):
    m = CSootModel()
    m.species_names, m.MWs, m.X, m.scrub_wdot = ["H"], np.ones(1), np.ones(1), np.ones(1)
    m.phy_dimer_wdot = m.soot_PAH_wdot = np.ones(2)
    m.N_pri_coales = m.dC_tot_dt_PAH_each = len
    delattr(m, field)
    assert getattr(m, field) is None
    delattr(m, field)
    assert getattr(m, field) is None


# ------------------------------------------------------------------------- pickling

def test_pickle_round_trip_of_a_stepped_model(pah):
    m = configured(pah, 4, coales=2, carbonization_enabled=True)
    m._set_alpha_model(2)
    m.validation = "coagulation"
    m.soot_PAH_index_in_gas = [50, 51, 52]
    m.phy_dimer_index_in_gas = [53]
    m.pre_stick_eff = [0.5]
    step(m, pah)
    for protocol in (0, 2, pickle.HIGHEST_PROTOCOL):
        r = pickle.loads(pickle.dumps(m, protocol=protocol))
        assert type(r) is CSootModel and r is not m
        assert differing(r, m) == []
        for attr in VARIANT_STEPS + ("alpha", "beta_coag", "diffus_coeff", "t_coales", "N_pri_coales"):
            assert getattr(r, attr).__self__ is r
        assert (r.alpha.__name__, r.t_coales.__name__, r.beta_coag.__name__) == (
            "alpha_ctoh_based", "t_f_silica", "beta_coag_validation")
        # The restored model carries on exactly where the pickled one was.
        assert [r.S_N_agg(), r.S_N_pri(), r.S_C_tot(), r.S_H_tot()] == [
            m.S_N_agg(), m.S_N_pri(), m.S_C_tot(), m.S_H_tot()]
        step(r, pah)
        assert np.array_equal(r.scrub_wdot, step(pickle.loads(pickle.dumps(m)), pah).scrub_wdot)
        assert differing(r, step(m, pah)) == []


def test_deepcopy_rebinds_the_strategies(pah):
    # copy.deepcopy keeps built-in bound methods as they are; the copy's steps must run on the copy.
    m = step(configured(pah, 4, coales=2), pah)
    r = copy.deepcopy(m)
    assert differing(r, m, set(STATE_NAMES) - set(OBJECT_FIELDS)) == []
    assert np.array_equal(r.scrub_wdot, m.scrub_wdot) and r.scrub_wdot is not m.scrub_wdot
    assert [getattr(r, a).__self__ for a in VARIANT_STEPS + ("alpha", "t_coales")] == [r] * 8


def test_deepcopy_of_a_graph_with_cycles():
    s = Open()
    s.peers = [s, CSootModel()]
    s.alpha = s.peers[1].alpha_constant  # a step of another model in the graph
    r = copy.deepcopy(s)
    assert r.peers[0] is r and r.peers[1] is not s.peers[1]
    assert r.alpha.__self__ is r.peers[1] and r.inception_N_agg.__self__ is r
    assert r.peers[1].alpha.__self__ is r.peers[1]


def test_deepcopy_follows_a_subclass_reducer():
    class Custom(CSootModel):
        def __reduce__(self):
            return (Custom, ())

    r = copy.deepcopy(Custom())
    assert type(r) is Custom and r.alpha.__self__ is r


def test_reducer_form_and_subclass_dictionary():
    m = CSootModel()
    reduced = m.__reduce__()
    # Object fields hold bound methods of the instance: the state goes through __setstate__.
    assert len(reduced) == 3
    assert reduced[0] is _pyrandel.__pyx_unpickle_CSootModel
    assert reduced[1] == (CSootModel, 0x4a76d08, None)
    for f in OBJECT_FIELDS:
        if f not in ("t_coales", "p_ROP", "dimer_n_C", "dimer_n_H", "soot_PAH_MWs"):
            delattr(m, f)
    assert len(m.__reduce__()) == 2 and m.__reduce__()[1][2] == state(m)

    s = Open()
    s.extra = {"note": [1, 2]}
    s.me = s
    r = pickle.loads(pickle.dumps(s))
    assert type(r) is Open and r.extra == {"note": [1, 2]} and r.me is r
    assert r.alpha.__self__ is r and differing(r, s) == []
    assert state(r)[148] == r.__dict__ and len(state(r)) == 149


def test_setstate_converts_like_the_accessors():
    m = CSootModel()
    s = list(state(m))
    s[STATE_NAMES.index("species_names")] = ("C2H2",)
    with pytest.raises(TypeError, match="Expected list, got tuple"):
        m.__setstate__(tuple(s))
    s[STATE_NAMES.index("species_names")] = None
    s[STATE_NAMES.index("X")] = [1.0]
    with pytest.raises(TypeError, match="Cannot convert list to numpy.ndarray"):
        m.__setstate__(tuple(s))
    s[STATE_NAMES.index("X")] = None
    s[STATE_NAMES.index("min_n_C")] = 7.9  # read-only fields are restored too
    m.__setstate__(tuple(s))
    assert m.min_n_C == 7


# ---------------------------------------------------------------------- selectors

def step_names(m):
    return [getattr(m, a).__name__ for a in VARIANT_STEPS]


@pytest.mark.parametrize("code, suffix, name, member", VARIANTS, ids=[v[2] for v in VARIANTS])
def test_PAH_growth_selector_binds_the_variant(code, suffix, name, member):
    for arg in (code, float(code), getattr(_pyrandel, member), getattr(_pyrandel.PAH_GROWTH_MODELS, member)):
        m = CSootModel()
        m._set_PAH_growth_model(3 if code != 3 else 2)
        assert m._set_PAH_growth_model(arg) is None
        assert m.PAH_growth_model == code and type(m.PAH_growth_model) is int
        assert step_names(m) == [a + "_" + suffix for a in VARIANT_STEPS]
        assert all(getattr(m, a).__self__ is m for a in VARIANT_STEPS)
        assert m.PAH_growth_model_name == name
    m = CSootModel()
    m.PAH_growth_model_name = name
    assert m.PAH_growth_model == code and step_names(m) == [a + "_" + suffix for a in VARIANT_STEPS]


@pytest.mark.parametrize("arg", [7, 0, -1, "x", "reactive_dimerization", None, 2.5, [2]])
def test_PAH_growth_selector_ignores_unknown_codes(arg):
    m = CSootModel()
    m._set_PAH_growth_model(4)
    before = [getattr(m, a) for a in VARIANT_STEPS]
    assert m._set_PAH_growth_model(arg) is None
    assert m.PAH_growth_model == 4 and all(getattr(m, a) is b for a, b in zip(VARIANT_STEPS, before))


def test_PAH_growth_code_written_directly_changes_only_the_name():
    m = CSootModel()
    m._set_PAH_growth_model(True)   # True == 1
    m.PAH_growth_model = 9
    with pytest.raises(ValueError, match="^PAH growth model not set!$"):
        m.PAH_growth_model_name
    assert step_names(m) == [a + "_reactived" for a in VARIANT_STEPS]
    m.PAH_growth_model = 3
    assert m.PAH_growth_model_name == "self_collision_lump"
    assert step_names(m) == [a + "_reactived" for a in VARIANT_STEPS]
    with pytest.raises(ValueError, match="^Invalid PAH growth model!$"):
        m.PAH_growth_model_name = "irrev_dimerization"
    assert m.PAH_growth_model == 3


@pytest.mark.parametrize("arg, code, method, name", [
    (0, 0, "alpha_constant", "constant"), (1, 1, "alpha_empirical", "empirical"),
    (2, 2, "alpha_ctoh_based", "composition"), (2.0, 2, "alpha_ctoh_based", "composition"),
    (False, 0, "alpha_constant", "constant")])
def test_alpha_selector(arg, code, method, name):
    m = CSootModel()
    m._set_alpha_model(arg)
    assert (m._alpha_model, m.alpha.__name__, m.alpha_model) == (code, method, name)
    assert m.alpha.__self__ is m
    n = CSootModel()
    n.alpha_model = name
    assert (n._alpha_model, n.alpha.__name__) == (code, method)


@pytest.mark.parametrize("arg, stored, exc, message", [
    (5, 5, ValueError, "Error in _set_alpha_model function!"),
    (1.7, 1, ValueError, "Error in _set_alpha_model function!"),
    (-1, -1, ValueError, "Error in _set_alpha_model function!"),
    ("x", 0, TypeError, "an integer is required"),
    (2 ** 40, 0, OverflowError, "value too large to convert to int"),
])
def test_alpha_selector_failures(arg, stored, exc, message):
    m = CSootModel()
    m._set_alpha_model(0)
    with pytest.raises(exc) as info:
        m._set_alpha_model(arg)
    assert str(info.value) == message
    assert m._alpha_model == stored and m.alpha.__name__ == "alpha_constant"
    if stored not in (0, 1, 2):
        with pytest.raises(ValueError, match="^Invalid alpha model type!$"):
            m.alpha_model
    with pytest.raises(ValueError, match="^Invalid alpha model!$"):
        m.alpha_model = "ctoh"
    assert m._alpha_model == stored


COALES = [  # code, As, Ea, t_coales, N_pri_coales, enabled, name
    (0, 0.0, 0.0, None, None, False, "disabled"),
    (1, 7.44e16, 33100.0, "t_f_titania", "N_pri_coales_sintering", True, "titania"),
    (2, 1.1e-14, 180000.0, "t_f_silica", "N_pri_coales_sintering", True, "silica"),
    (3, 0.0, 0.0, "t_f_md_derived", "N_pri_coales_sintering", True, "md-derived"),
    (4, 0.0, 0.0, None, "N_pri_coales_merge", True, "CtoH-based"),
]
COALES_MEMBERS = ["no_coales", "titania", "silica", "md_derived", "ctoh_based"]


def coales_row(m):
    name = lambda f: None if f is None else f.__name__  # noqa: E731
    return (m.As_coales, m.Ea_coales, name(m.t_coales), name(m.N_pri_coales), m.coalescence_enabled)


@pytest.mark.parametrize("code, As, Ea, t, N, enabled, name", COALES, ids=[c[-1] for c in COALES])
def test_coalescence_selector(code, As, Ea, t, N, enabled, name):
    member = getattr(_pyrandel.SOOT_COALES_TYPES, COALES_MEMBERS[code])
    for arg in (code, float(code), member):
        m = CSootModel()
        m._set_coales_type(arg)
        assert m.soot_coales_type is arg
        assert coales_row(m) == (As, Ea, t, N, enabled) and m.coalescence_type == name
        assert m.d_crit_coales == (2.5e-9 if code == 2 else 0.0)
    m = CSootModel()
    m.coalescence_type = name
    assert m.soot_coales_type == code and type(m.soot_coales_type) is int
    assert coales_row(m) == (As, Ea, t, N, enabled)


def test_coalescence_selector_keeps_what_a_type_does_not_set():
    m = CSootModel()
    m._set_coales_type(2)
    m._set_coales_type(1)
    assert m.d_crit_coales == 2.5e-9 and coales_row(m)[:3] == (7.44e16, 33100.0, "t_f_titania")
    m._set_coales_type(4)
    assert coales_row(m) == (7.44e16, 33100.0, "t_f_titania", "N_pri_coales_merge", True)
    assert m.coalescence_type == "CtoH-based"
    assert m.t_coales.__self__ is m
    m._set_coales_type(0)
    assert m.d_crit_coales == 2.5e-9 and coales_row(m) == (0.0, 0.0, None, None, False)
    for unknown in (9, "silica", None):
        m._set_coales_type(2)
        m._set_coales_type(unknown)
        assert m.soot_coales_type is unknown
        assert coales_row(m) == (1.1e-14, 180000.0, "t_f_silica", "N_pri_coales_sintering", True)
        with pytest.raises(ValueError, match="^coalescence not set!$"):
            m.coalescence_type
    with pytest.raises(ValueError, match="^Invalid coalescence type!$"):
        m.coalescence_type = "md_derived"
    assert m.soot_coales_type is None


def test_validation_selector():
    m = CSootModel()
    before = (m.validation_case, m.beta_coag, m.diffus_coeff)
    for bad in (2, -1, "coagulation", None):
        with pytest.raises(ValueError) as info:
            m._set_validation_case(bad)
        assert str(info.value) == "Error in _set_validation_case function!"
    for bad in ("validation", 1, "Coagulation"):
        with pytest.raises(ValueError):
            m.validation = bad
    assert (m.validation_case, m.beta_coag, m.diffus_coeff) == before
    m.validation = "coagulation"
    assert (m.validation_case, m.beta_coag.__name__, m.diffus_coeff.__name__) == (
        1, "beta_coag_validation", "diffus_coeff_const")
    m._set_validation_case(_pyrandel.no_validation)
    assert (m.validation, m.beta_coag.__name__, m.diffus_coeff.__name__) == (
        "no_validation", "beta_coag_hm", "diffus_coeff_morph")
    m._set_validation_case(True)
    assert m.validation == "coagulation"
    m.validation_case = 7
    with pytest.raises(ValueError, match="^validation error!$"):
        m.validation
    assert m.beta_coag.__name__ == "beta_coag_validation"


class CoalesRecorder(CSootModel):
    def _set_coales_type(self, c):
        if c == 3:
            raise RuntimeError("md-derived refused")
        self.seen = c
        CSootModel._set_coales_type(self, c)


def test_name_properties_call_the_selector_on_the_instance():
    m = CoalesRecorder()
    m.coalescence_type = "silica"
    assert m.seen == 2 and type(m.seen) is int and m.coalescence_type == "silica"
    with pytest.raises(RuntimeError, match="md-derived refused"):
        m.coalescence_type = "md-derived"
    assert m.coalescence_type == "silica"


def test_assigned_alpha_is_used_everywhere(pah):
    m = step(configured(pah), pah)
    calls = []
    m.alpha = lambda: calls.append(1) or 0.5
    ref = step(configured(pah, alpha_constant_value=0.5), pah)
    ref._set_alpha_model(0)
    for name in ("gamma", "dC_tot_dt_HACA_alt", "dH_tot_dt_HACA_alt", "dC_tot_dt_O2_alt"):
        assert getattr(m, name)() == getattr(ref, name)(), name
    assert len(calls) >= 3 and m._alpha_model == 1 and m.alpha_model == "empirical"


# ----------------------------------------------------------------- species and initialize

def test_species_check_and_initialize(pah, capsys):
    m = configured(pah)
    assert capsys.readouterr().out == "Key species are found in species list\n"
    assert m.checkNameOfSpecies() is True
    assert capsys.readouterr().out == "Key species are found in species list\n"
    assert [getattr(m, f) for f in INDEX_FIELDS] == [pah.species_index(s) for s in KEY_SPECIES]
    assert len(set(getattr(m, f) for f in INDEX_FIELDS)) == 7
    calls = []
    m.create_PAH_dimer = lambda *a: calls.append(a)
    m.species_names = ["x"] + list(KEY_SPECIES)[::-1]
    assert m.initialize() is None and calls == [()]
    assert [getattr(m, f) for f in INDEX_FIELDS] == [7, 6, 5, 4, 3, 2, 1]


@pytest.mark.parametrize("missing, first", [
    (("CO", "OH"), "CO"), (("OH",), "OH"), (("C2H2", "H2O"), "C2H2"), (("H2O", "H"), "H"),
    (("H2",), "H2"), (KEY_SPECIES, "C2H2"), (("O2", "H2O"), "O2")])
def test_missing_key_species(missing, first, capsys):
    m = CSootModel()
    m.species_names = [s for s in ("N2",) + KEY_SPECIES if s not in missing]
    for call in (m.checkNameOfSpecies, m.initialize):
        with pytest.raises(ValueError) as info:
            call()
        assert str(info.value) == first + " does not exist in species list!"
    assert capsys.readouterr().out == ""
    assert [getattr(m, f) for f in INDEX_FIELDS] == [0] * 7


def test_species_check_without_species_names():
    m = CSootModel()
    for call in (m.checkNameOfSpecies, m.initialize):
        with pytest.raises(TypeError):
            call()


class Unchecked(CSootModel):
    def checkNameOfSpecies(self):
        return self.answer


@pytest.mark.parametrize("answer", [False, 0, None, ""])
def test_false_species_check_stops_initialize(answer, capsys):
    m = Unchecked()
    m.answer = answer
    m.species_names = list(KEY_SPECIES)
    m.create_PAH_dimer = lambda: pytest.fail("create_PAH_dimer must not run")
    with pytest.raises(ValueError, match="^Error in initializing the soot model!$"):
        m.initialize()
    assert m.H2O_index == 0
    m.answer = "yes"
    m.create_PAH_dimer = lambda: None
    m.initialize()
    assert m.H2O_index == 6 and capsys.readouterr().out == ""


def test_initialize_failures_propagate_after_the_indices():
    m = CSootModel()
    m.species_names = list(KEY_SPECIES)[::-1]

    def refuse():
        raise KeyError("sizing")
    m.create_PAH_dimer = refuse
    with pytest.raises(KeyError, match="sizing"):
        m.initialize()
    assert [getattr(m, f) for f in INDEX_FIELDS] == [6, 5, 4, 3, 2, 1, 0]
    m.create_PAH_dimer = None
    with pytest.raises(TypeError):
        m.initialize()


# ------------------------------------------------------------------------ update_gas

def test_update_gas_stores_the_gas_state():
    m = CSootModel()
    X = np.array([0.5, 0.25, 0.25])
    assert m.update_gas(1500.0, 90000.0, 0.25, 5e-5, 28.0, X) is None
    assert (m.T, m.P, m.density, m.viscosity, m.mean_MW) == (1500.0, 90000.0, 0.25, 5e-5, 0.028)
    assert m.X is X and m.p_lambda_gas == m.calc_lambda_gas() > 0.0
    first = m.scrub_wdot
    assert type(first) is np.ndarray and first.dtype == np.float64 and first.shape == (3,)
    assert not first.any() and first is not X
    first[0] = 1.0
    m.update_gas(1500, 90000, 0.25, 5e-5, 28, X)
    assert m.scrub_wdot is not first and not m.scrub_wdot.any() and m.scrub_wdot.dtype == np.float64
    m.update_gas(T=1.0, P=2.0, density=3.0, viscosity=4.0, mean_MW=5.0, X=X)
    assert (m.T, m.P, m.density, m.viscosity, m.mean_MW) == (1.0, 2.0, 3.0, 4.0, 0.005)


class Sub(np.ndarray):
    pass


@pytest.mark.parametrize("X, dtype, shape, kind", [
    (np.array([1, 0, 0], dtype=np.int64), np.float64, (3,), np.ndarray),
    (np.array([1, 0], dtype=np.int32), np.float64, (2,), np.ndarray),
    (np.array([1, 0], dtype=np.uint8), np.float64, (2,), np.ndarray),
    (np.array([True, False]), np.float64, (2,), np.ndarray),
    (np.array([0.5, 0.5], dtype=np.float32), np.float32, (2,), np.ndarray),
    (np.zeros((2, 3)), np.float64, (2, 3), np.ndarray),
    (np.zeros(6)[::2], np.float64, (3,), np.ndarray),
    (np.zeros(3).view(Sub), np.float64, (3,), Sub),
    (np.zeros(0), np.float64, (0,), np.ndarray),
    (None, object, (), np.ndarray),
], ids=["int64", "int32", "uint8", "bool", "float32", "2-D", "strided", "subclass", "empty", "None"])
def test_scrub_array_follows_X(X, dtype, shape, kind):
    m = CSootModel()
    m.update_gas(1500.0, 1e5, 0.2, 5e-5, 28.0, X)
    w = m.scrub_wdot
    assert m.X is X and type(w) is kind and w.dtype == dtype and w.shape == shape and not w.any()


@pytest.mark.parametrize("dtype", [np.int64, np.int32, bool])
def test_scrub_rates_of_an_integer_X_are_not_truncated(pah, dtype):
    # Whole-number mole fractions: the same concentrations as the float array, so the same rates.
    x = np.zeros(pah.n_species)
    x[[pah.species_index(s) for s in ("C2H2", "H", "OH", "O2")]] = 1
    runs = []
    for X in (x, x.astype(dtype)):
        m = configured(pah)
        m.update_gas(pah.T, pah.P, pah.density, pah.viscosity, pah.mean_molecular_weight, X)
        m.update_solution(np.array(SOLUTION))
        m.update_scrub_wdot()
        runs.append(m.scrub_wdot)
    assert runs[1].dtype == np.float64 and np.array_equal(runs[1], runs[0])
    assert (runs[1] != np.trunc(runs[1])).sum() >= 4


@pytest.mark.parametrize("pos, value, message", [
    (0, "1500", "must be real number, not str"), (1, None, "must be real number, not NoneType"),
    (2, [0.2], "must be real number, not list"), (3, 1j, "must be real number, not complex"),
    (4, object(), "must be real number, not object"),
    (5, [0.5, 0.5], "Argument 'X' has incorrect type (expected numpy.ndarray, got list)"),
    (5, (0.5,), "Argument 'X' has incorrect type (expected numpy.ndarray, got tuple)"),
    (5, 1.0, "Argument 'X' has incorrect type (expected numpy.ndarray, got float)"),
])
def test_update_gas_refuses_wrong_types(pos, value, message, unraisable):
    m = CSootModel()
    args = [1500.0, 1e5, 0.2, 5e-5, 28.0, np.ones(2)]
    args[pos] = value
    with pytest.raises(TypeError) as info:
        m.update_gas(*args)
    assert str(info.value) == message
    assert m.T == 0.0 and m.X is None and m.scrub_wdot is None and unraisable == []


@pytest.mark.parametrize("args, message", [
    ((1.0,) * 5, "update_gas() takes exactly 6 positional arguments (5 given)"),
    ((1.0,) * 7, "update_gas() takes exactly 6 positional arguments (7 given)"),
])
def test_update_gas_argument_count(args, message):
    with pytest.raises(TypeError) as info:
        CSootModel().update_gas(*args)
    assert str(info.value) == message
    with pytest.raises(TypeError, match="unexpected keyword argument 'Y'"):
        CSootModel().update_gas(1.0, 1.0, 1.0, 1.0, 1.0, X=None, Y=None)


def test_update_gas_with_hostile_numbers_and_numpy():
    m = CSootModel()
    m.update_gas(NAN, float("inf"), -1.0, NAN, -28.0, np.ones(2))
    assert math.isnan(m.T) and m.P == float("inf") and m.mean_MW == -0.028
    assert math.isnan(m.p_lambda_gas)
    # A zero density stops the mean free path after the gas state and the new array are stored.
    X = np.ones(4)
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.update_gas(1500.0, 1e5, 0.0, 5e-5, 28.0, X)
    assert m.T == 1500.0 and m.density == 0.0 and m.X is X and m.scrub_wdot.shape == (4,)
    assert math.isnan(m.p_lambda_gas)


@pytest.mark.parametrize("zeros_like, error", [
    (lambda X: [0.0], "Cannot convert list to numpy.ndarray"),
    (lambda X: None, None),
    (lambda X: np.full(3, 7.0), None),
])
def test_update_gas_uses_the_module_numpy(monkeypatch, zeros_like, error):
    m = CSootModel()
    monkeypatch.setattr(_pyrandel, "np", types.SimpleNamespace(zeros_like=zeros_like))
    if error:
        with pytest.raises(TypeError, match=error):
            m.update_gas(1500.0, 1e5, 0.2, 5e-5, 28.0, np.ones(3))
        assert m.scrub_wdot is None and m.T == 1500.0
    else:
        m.update_gas(1500.0, 1e5, 0.2, 5e-5, 28.0, np.ones(3))
        w = zeros_like(None)
        assert (m.scrub_wdot is None) if w is None else np.array_equal(m.scrub_wdot, w)


def test_float_rates_for_an_integer_X_are_an_ndarray_too(monkeypatch):
    # zeros_like is asked again for float64 rates; that answer is checked as well.
    m = CSootModel()
    zl = lambda X, dtype=None: np.zeros(3) if dtype is None else [0.0] * 3  # noqa: E731
    monkeypatch.setattr(_pyrandel, "np", types.SimpleNamespace(zeros_like=zl))
    with pytest.raises(TypeError, match="Cannot convert list to numpy.ndarray"):
        m.update_gas(1500.0, 1e5, 0.2, 5e-5, 28.0, np.ones(3, dtype=np.int64))
    assert m.scrub_wdot is None


# ------------------------------------------------------------------- update_solution

FLOORS = ("N_agg_min", "N_pri_min", "C_tot_min", "H_tot_min")
SOOT = ("N_agg", "N_pri", "C_tot", "H_tot")


@pytest.fixture
def gassy(pah):
    """A configured model with the gas set, the PAH growth step left out."""
    m = configured(pah, PAH_growth_update=lambda: None)
    m.update_gas(pah.T, pah.P, pah.density, pah.viscosity, pah.mean_molecular_weight, pah.X)
    return m


@pytest.mark.parametrize("case, value, want", [
    ("below", lambda f: f / 2, lambda f: f), ("far below", lambda f: -1.0, lambda f: f),
    ("equal", lambda f: f, lambda f: f), ("above", lambda f: 3 * f, lambda f: 3 * f),
])
def test_solution_is_lifted_to_the_floors(gassy, case, value, want):
    m = gassy
    floors = [getattr(m, f) for f in FLOORS]
    m.update_solution(np.array([value(f) for f in floors]))
    assert [getattr(m, s) for s in SOOT] == [want(f) for f in floors]
    assert (m.p_d_p, m.p_d_m, m.p_d_g, m.p_A_tot) == (m.d_p(), m.d_m(), m.d_g(), m.A_tot())


def test_nan_passes_and_floors_are_read_each_step(gassy):
    m = gassy
    m.update_solution(np.array([NAN, 1e-8, NAN, 4e-4]))
    assert math.isnan(m.N_agg) and m.N_pri == 1e-8 and math.isnan(m.C_tot) and math.isnan(m.p_d_p)
    m.N_agg_min, m.C_tot_min = 1e-30, 1e-3
    m.update_solution(np.array([1e-28, 1e-8, 2e-4, 1e-30]))
    assert (m.N_agg, m.C_tot, m.H_tot) == (1e-28, 1e-3, 20 / AV)
    m.update_solution(np.array([1e-28, 1e-8, 2e-3, 1e-30], dtype=np.float32))
    assert m.C_tot == float(np.float32(2e-3))


@pytest.mark.parametrize("solution, exc, changed", [
    (None, TypeError, 0),
    (np.array([2e-9, 1e-8, 2e-3]), IndexError, 3),
    (np.array([2e-9]), IndexError, 1),
    (np.array([2e-9, 1e-8, "x", 4e-4], dtype=object), TypeError, 2),
    (np.array([2e-9, 1e-8, 2e-3, None], dtype=object), TypeError, 3),
    ([2e-9, 1e-8, 2e-3, 4e-4], TypeError, 0),
], ids=["None", "short", "one", "string", "None item", "list"])
def test_failed_solution_update_keeps_later_fields(gassy, solution, exc, changed, unraisable):
    m = gassy
    old = [getattr(m, s) for s in SOOT]
    with pytest.raises(exc):
        m.update_solution(solution)
    new = [2e-9, 1e-8, 2e-3, 4e-4]
    assert [getattr(m, s) for s in SOOT] == new[:changed] + old[changed:]
    assert m.p_d_p == 0.0 and unraisable == []


def with_offsets(m, offsets):
    s = list(state(m))
    for name, v in zip(("N_agg_offset", "N_pri_offset", "C_tot_offset", "H_tot_offset"), offsets):
        s[STATE_NAMES.index(name)] = v
    m.__setstate__(tuple(s))
    return m


def test_offsets_use_numpy_item_rules(gassy, pah):
    ref = step(configured(pah), pah, scrub=False)
    m = with_offsets(gassy, (-1, -2, -3, -4))
    assert (m.N_agg_offset, m.H_tot_offset) == (-1, -4)
    m.update_solution(np.array(SOLUTION[::-1]))
    assert [getattr(m, s) for s in SOOT] == [getattr(ref, s) for s in SOOT]
    m = with_offsets(gassy, (4, 5, 6, 7))
    m.update_solution(np.array((0.0,) * 4 + SOLUTION))
    assert [getattr(m, s) for s in SOOT] == [getattr(ref, s) for s in SOOT]
    for offsets in ((0, 1, 2, 4), (0, -5, 2, 3)):
        with pytest.raises(IndexError):
            with_offsets(gassy, offsets).update_solution(np.array(SOLUTION))


# ------------------------------------------------------------- process and source terms

class Fixed(CSootModel):
    def N_agg_coag(self):
        return -7.0


@pytest.fixture
def fixed():
    """Every step and cache a known small number, so the sums are exact."""
    m = Fixed()
    m._set_coales_type(1)
    m.inception_N_agg, m.inception_C_tot, m.inception_H_tot = (lambda: 1.0), (lambda: 2.0), (lambda: 3.0)
    m.N_pri_coales = lambda: -5.0
    m.p_dC_tot_dt_HACA_alt, m.p_dC_tot_dt_PAH = 10.0, 20.0
    m.p_dH_tot_dt_HACA_alt, m.p_dH_tot_dt_PAH, m.p_dH_tot_dt_carb = 30.0, 40.0, 50.0
    m.p_dC_tot_dt_OH, m.p_dC_tot_dt_O2, m.p_dH_tot_dt_OH, m.p_dH_tot_dt_O2 = -1.0, -2.0, -4.0, -8.0
    return m


TERMS = {  # by soot variable 0..3, every switch on (carbonisation off)
    "inception": ("inception_enabled", [1.0, 1.0, 2.0, 3.0]),
    "growth": ("growth_enabled", [0.0, 0.0, 30.0, 70.0]),
    "oxidation": ("oxidation_enabled", [0.0, 0.0, -3.0, -12.0]),
    "coagulation": ("coagulation_enabled", [-7.0, 0.0, 0.0, 0.0]),
    "coalescence": ("coalescence_enabled", [0.0, -5.0, 0.0, 0.0]),
}


@pytest.mark.parametrize("on", [True, False], ids=["on", "off"])
@pytest.mark.parametrize("term", TERMS)
def test_process_term_table(fixed, term, on):
    switch, values = TERMS[term]
    setattr(fixed, switch, on)
    f = getattr(fixed, term)
    for i in (0, 1, 2, 3, 4, 7, -1, -2 ** 31, 2 ** 31 - 1, True, 2.9):
        got = f(i)
        if not on:
            assert type(got) is float and got == 0.0, i
        elif 0 <= int(i) <= 3:
            assert type(got) is float and got == values[int(i)], i
        else:
            assert got is None, i


@pytest.mark.parametrize("arg, exc, message", [
    (2 ** 40, OverflowError, "value too large to convert to int"),
    (-2 ** 31 - 1, OverflowError, "value too large to convert to int"),
    ("2", TypeError, "an integer is required"),
    (None, TypeError, "an integer is required"),
    (NAN, ValueError, "cannot convert float NaN to integer"),
    (float("inf"), OverflowError, None),
])
@pytest.mark.parametrize("term", TERMS)
def test_process_term_refuses_bad_indices(fixed, term, arg, exc, message, unraisable):
    with pytest.raises(exc) as info:
        getattr(fixed, term)(arg)
    if message:
        assert str(info.value) == message
    # The conversion happens before the switch is read.
    setattr(fixed, TERMS[term][0], False)
    with pytest.raises(exc):
        getattr(fixed, term)(arg)
    assert unraisable == []


@pytest.mark.parametrize("growth, haca, pah, carb, want", [
    (True, True, True, False, (30.0, 70.0)),
    (True, True, True, True, (30.0, 120.0)),
    (True, False, True, False, (20.0, 40.0)),
    (True, True, False, False, (10.0, 30.0)),
    (True, False, False, True, (0.0, 50.0)),
    (True, False, False, False, (0.0, 0.0)),
    (False, True, True, True, (0.0, 0.0)),
])
def test_growth_switches(fixed, growth, haca, pah, carb, want):
    m = fixed
    m.growth_enabled, m.growth_HACA_enabled = growth, haca
    m.growth_PAH_adsorption_enabled, m.carbonization_enabled = pah, carb
    assert (m.growth(0), m.growth(1), m.growth(2), m.growth(3)) == (0.0, 0.0) + want
    assert m.S_C_tot() == 2.0 + want[0] - 3.0 and m.S_H_tot() == 3.0 + want[1] - 12.0


def test_source_terms_add_the_five_terms(fixed):
    m = fixed
    assert [m.S_N_agg(), m.S_N_pri(), m.S_C_tot(), m.S_H_tot()] == [-6.0, -4.0, 29.0, 61.0]
    assert all(type(s) is float for s in (m.S_N_agg(), m.S_H_tot()))
    # A strategy's result is passed on and added as it is (Python addition).
    m.inception_C_tot = lambda: np.float64(2.0)
    assert type(m.S_C_tot()) is np.float64 and m.S_C_tot() == 29.0
    m.inception_H_tot = lambda: 3
    assert m.S_H_tot() == 61.0
    marker = object()
    m.inception_N_agg = lambda: marker
    assert m.inception(0) is marker and m.inception(1) is marker
    with pytest.raises(TypeError):
        m.S_N_agg()
    m.coalescence_enabled, m.N_pri_coales = True, None
    with pytest.raises(TypeError, match="'NoneType' object is not callable"):
        m.coalescence(1)


class NoneGrowth(Fixed):
    def growth(self, i):
        return None


def test_overriding_term_returning_none_breaks_the_sum():
    m = NoneGrowth()
    m.inception_C_tot = lambda: 2.0
    with pytest.raises(TypeError):
        m.S_C_tot()
    m.inception_enabled = False
    with pytest.raises(TypeError):
        m.S_C_tot()


class Recording(Fixed):
    """Records the terms asked for, in order."""
    def __init__(self):
        super().__init__()
        self.asked = []

    def growth(self, i):
        self.asked.append("growth")
        return CSootModel.growth(self, i)

    def oxidation(self, i):
        self.asked.append("oxidation")
        return CSootModel.oxidation(self, i)

    def coagulation(self, i):
        self.asked.append("coagulation")
        return CSootModel.coagulation(self, i)

    def coalescence(self, i):
        self.asked.append("coalescence")
        return CSootModel.coalescence(self, i)


def test_source_terms_add_each_term_as_it_comes():
    # Python's a + b + c + ...: a term that cannot be added stops the sum before
    # the later terms are asked for.
    m = Recording()
    m._set_coales_type(1)
    m.inception_C_tot, m.N_pri_coales = (lambda: 2.0), (lambda: -5.0)
    assert m.S_C_tot() == 2.0 and m.asked == ["growth", "oxidation", "coagulation", "coalescence"]
    m.asked.clear()
    m.inception_C_tot = lambda: None
    with pytest.raises(TypeError, match="unsupported operand"):
        m.S_C_tot()
    assert m.asked == ["growth"]
    # The results of the strategies are added as they are.
    m.inception_N_agg = lambda: 1.0
    m.N_pri_coales = lambda: np.float64(-5.0)
    assert type(m.S_N_pri()) is np.float64 and m.S_N_pri() == -4.0


def test_source_terms_on_a_real_step(pah):
    m = step(configured(pah, 1, coales=2, carbonization_enabled=True), pah)
    assert m.coalescence(1) < 0.0 and m.coagulation(0) < 0.0 and m.inception(0) > 0.0
    assert m.S_N_pri() == m.inception(1) + m.coalescence(1)
    assert m.S_N_agg() == m.inception(0) + m.coagulation(0)
    assert m.coagulation(2) == m.coagulation(3) == m.coalescence(2) == m.coalescence(3) == 0.0
    assert m.S_C_tot() == m.inception(2) + m.growth(2) + m.oxidation(2)
    assert m.S_H_tot() == m.inception(3) + m.growth(3) + m.oxidation(3)
    assert m.growth(3) == m.p_dH_tot_dt_HACA_alt + m.p_dH_tot_dt_PAH + m.p_dH_tot_dt_carb


def test_coagulation_validation_case(pah):
    m = step(configured(pah), pah)
    m.validation = "coagulation"
    assert (m.beta_coag.__name__, m.diffus_coeff.__name__) == ("beta_coag_validation", "diffus_coeff_const")
    assert m.diffus_coeff() == 0.0
    m.diffus_coeff_const_val = 3.5e-7
    assert m.diffus_coeff() == 3.5e-7
    ref = step(configured(pah), pah)
    ref.beta_coag = ref.beta_coag_validation
    assert m.coagulation(0) == ref.coagulation(0) and m.S_N_agg() == m.inception(0) + m.coagulation(0)
    assert m.coagulation(0) != step(configured(pah), pah).coagulation(0)


# -------------------------------------------------------------------------- scrubbing

@pytest.fixture
def scrubbed(pah):
    """A stepped model without PAH growth share in the scrubbing, scrub_wdot not yet filled."""
    m = configured(pah, update_scrub_wdot_PAH_growth=lambda: None)
    return step(m, pah, scrub=False)


def touched(m, gas):
    return {gas.species_name(k) for k in np.flatnonzero(m.scrub_wdot)}


@pytest.mark.parametrize("scrubbing, growth, haca, oxidation, want", [
    (True, True, True, True, {"C2H2", "H", "CO", "O2", "OH", "H2"}),
    (True, False, True, True, {"CO", "O2", "OH", "H2"}),
    (True, True, False, True, {"CO", "O2", "OH", "H2"}),
    (True, True, True, False, {"C2H2", "H"}),
    (False, True, True, True, set()),
])
def test_scrubbing_switches(scrubbed, pah, scrubbing, growth, haca, oxidation, want):
    m = scrubbed
    assert m.p_dC_tot_dt_HACA_alt > 0 and m.p_dC_tot_dt_O2 < 0 and m.p_dC_tot_dt_OH < 0
    calls = []
    m.update_scrub_wdot_PAH_growth = lambda: calls.append(1)
    m.scrubbing_enabled, m.growth_enabled, m.growth_HACA_enabled, m.oxidation_enabled = (
        scrubbing, growth, haca, oxidation)
    w = m.scrub_wdot
    assert m.update_scrub_wdot() is None and m.scrub_wdot is w
    assert touched(m, pah) == want and len(calls) == scrubbing
    rho = m.density
    if "C2H2" in want:
        assert w[m.C2H2_index] == -(rho * m.p_dC_tot_dt_HACA_alt / 2000)
    if "OH" in want:
        assert w[m.OH_index] == rho * m.p_dC_tot_dt_OH / 1000
        assert w[m.O2_index] == m.p_dC_tot_dt_O2 * 0.5 * rho / 1000


def test_scrubbing_twice_counts_twice(pah):
    m = step(configured(pah), pah)
    once = m.scrub_wdot.copy()
    assert len(touched(m, pah)) > 6  # the PAH growth share too
    m.update_scrub_wdot()
    assert m.scrub_wdot == pytest.approx(2 * once, rel=1e-15, abs=0)
    kept = m.scrub_wdot
    step(m, pah)
    assert np.array_equal(m.scrub_wdot, once) and m.scrub_wdot is not kept


def test_scrubbing_index_rules(scrubbed, pah):
    m = scrubbed
    m.update_scrub_wdot()
    want = m.scrub_wdot
    # A negative index counts from the end.
    step(m, pah, scrub=False)
    m.CO_index = -1
    m.update_scrub_wdot()
    assert m.scrub_wdot[-1] == want[pah.species_index("CO")] != 0.0
    assert m.scrub_wdot[pah.species_index("CO")] == 0.0
    # Past the end: IndexError; the rows before it stay applied.
    for index in (999, pah.n_species, -pah.n_species - 1):
        step(m, pah, scrub=False)
        m.CO_index = index
        with pytest.raises(IndexError):
            m.update_scrub_wdot()
        w = m.scrub_wdot
        assert w[m.C2H2_index] == want[m.C2H2_index] and w[m.O2_index] == 0.0


@pytest.mark.parametrize("setup, exc", [
    (lambda m: setattr(m, "scrub_wdot", None), TypeError),
    (lambda m: setattr(m, "scrub_wdot", np.zeros(3)), IndexError),
    (lambda m: m.scrub_wdot.setflags(write=False), ValueError),
    (lambda m: setattr(m, "scrub_wdot", np.zeros((60, 1))), TypeError),
    (lambda m: setattr(m, "scrub_wdot", np.array(60 * ["x"], dtype=object)), TypeError),
], ids=["None", "short", "read-only", "2-D", "strings"])
def test_scrubbing_into_unfit_arrays_raises(scrubbed, setup, exc, unraisable):
    setup(scrubbed)
    with pytest.raises(exc):
        scrubbed.update_scrub_wdot()
    assert unraisable == []


def test_scrubbing_into_other_dtypes_uses_item_access(scrubbed, pah):
    m = scrubbed
    m.update_scrub_wdot()
    want = m.scrub_wdot
    for dtype in (np.float32, object, np.longdouble):
        m.scrub_wdot = np.zeros(pah.n_species, dtype=dtype)
        m.update_scrub_wdot()
        assert m.scrub_wdot.dtype == dtype
        assert np.asarray(m.scrub_wdot, dtype=float) == pytest.approx(want, rel=1e-6)
    m.scrub_wdot = np.zeros(2 * pah.n_species)[::2]
    m.update_scrub_wdot()
    assert np.array_equal(m.scrub_wdot, want)


REPLACING_ELEMENTS = """
import gc, numpy as np
from pyrandel.lib._pyrandel import CSootModel
m = CSootModel()
m.update_scrub_wdot_PAH_growth = lambda: None
m.update_gas(1500.0, 1e5, 0.2, 5e-5, 28.0, np.ones(60))
m.p_dC_tot_dt_HACA_alt = 1.0
class Replacing:
    def __float__(self):
        m.scrub_wdot = np.zeros(60)  # drops the last reference to the array being written
        gc.collect()
        junk = [np.ones(60, dtype=object) for _ in range(100)]
        return 0.25
m.scrub_wdot = np.array([Replacing() for _ in range(60)], dtype=object)
m.update_scrub_wdot()
print(float(m.scrub_wdot[0]))
"""


def test_scrubbing_survives_elements_that_replace_the_array():
    # Each row reads the field afresh; the array of a row stays alive while it is written.
    env = dict(os.environ, PYTHONMALLOC="debug")
    proc = subprocess.run([sys.executable, "-X", "dev", "-c", REPLACING_ELEMENTS], env=env,
                          capture_output=True, text=True, timeout=120)
    assert proc.returncode == 0, proc.stderr
    # Row 1 went to the replaced array, row 2 (H, also index 0) and the zero oxidation rows to the new one.
    assert float(proc.stdout) == 1.0 * 0.875 * 0.2 / 1000


VARIANT_HOOK_REPLACING_ELEMENTS = r"""
import io, contextlib, sys
import numpy as np
sys.path.insert(0, sys.argv[1])
from gases import RICH_FLAME_X, configured_model, pah_gas
import cantera as ct
g, p = pah_gas()
g.TPX = 1800, ct.one_atm, RICH_FLAME_X
with contextlib.redirect_stdout(io.StringIO()):
    m = configured_model(g, p, sys.argv[2])
m.update_gas(g.T, g.P, g.density, g.viscosity, g.mean_molecular_weight, g.X)
m.update_solution(np.array([1e-8, 1e-7, 1e-4, 2e-5]))

class Replacing:
    def __float__(self):
        m.scrub_wdot = np.zeros(g.n_species)
        return 0.0

m.scrub_wdot = np.array([Replacing() for _ in range(g.n_species)], dtype=object)
m.update_scrub_wdot()
"""


@pytest.mark.parametrize("variant", [v[2] for v in VARIANTS])
def test_variant_scrubbing_survives_elements_that_replace_the_array(variant):
    # The variants' hooks hold the array they write while converting its elements.
    tests = os.path.dirname(os.path.abspath(__file__))
    env = dict(os.environ, PYTHONMALLOC="debug")
    proc = subprocess.run([sys.executable, "-X", "dev", "-c", VARIANT_HOOK_REPLACING_ELEMENTS, tests, variant],
                          env=env, capture_output=True, text=True, timeout=300)
    assert proc.returncode == 0, proc.stderr


def test_scrubbing_before_any_gas_update():
    m = CSootModel()
    m.update_scrub_wdot_PAH_growth = lambda: None
    with pytest.raises(TypeError, match="'NoneType' object is not subscriptable"):
        m.update_scrub_wdot()
    m.scrubbing_enabled = False
    assert m.update_scrub_wdot() is None


@pytest.mark.parametrize("variant", [v[0] for v in VARIANTS])
def test_element_balance_without_pah_growth(pah, variant):
    # Only HACA and oxidation move atoms: what the gas loses the soot gains.
    m = step(configured(pah, variant, inception_enabled=False, growth_PAH_adsorption_enabled=False), pah)
    w = np.asarray(m.scrub_wdot) * 1000 / m.density
    n = {e: np.array([pah.n_atoms(k, e) for k in range(pah.n_species)]) for e in "CHO"}
    assert m.p_dC_tot_dt_HACA_alt > 0 and m.p_dC_tot_dt_O2 < 0 and m.p_dC_tot_dt_OH < 0
    assert m.p_dH_tot_dt_O2 == m.p_dH_tot_dt_OH == 0.0
    assert float(w @ n["C"]) == pytest.approx(-m.S_C_tot(), rel=1e-12)
    assert float(w @ n["H"]) == pytest.approx(-m.S_H_tot(), rel=1e-12)
    assert m.S_H_tot() == pytest.approx(m.p_dC_tot_dt_HACA_alt / 8, rel=1e-12)
    scale = abs(m.p_dC_tot_dt_O2) + abs(m.p_dC_tot_dt_OH)
    assert float(w @ n["O"]) == pytest.approx(0.0, abs=1e-13 * scale)


# --------------------------------------------------------------------------- dispatch

def test_every_method_is_passed_through():
    assert {"update_solution", "S_N_agg", "_set_alpha_model", "d_p", "k_FWD", "update_ab"} <= set(PY_METHODS)
    assert all(getattr(Thru, n) is not getattr(CSootModel, n) for n in PY_METHODS)
    t = Thru()
    assert t.alpha.__func__ is Thru.alpha_empirical and t.create_PAH_dimer.__self__ is t


@pytest.mark.parametrize("variant", [v[0] for v in VARIANTS], ids=[v[2] for v in VARIANTS])
def test_looked_up_path_equals_fast_path(pah, variant):
    kw = dict(coales=2, carbonization_enabled=True, K_T_factor=0.3)
    plain = step(configured(pah, variant, **kw), pah)
    thru = step(configured(pah, variant, cls=Thru, **kw), pah)
    terms = lambda m: [m.S_N_agg(), m.S_N_pri(), m.S_C_tot(), m.S_H_tot(), m.diffus_coeff()]  # noqa: E731
    assert terms(thru) == terms(plain)
    assert np.array_equal(thru.scrub_wdot, plain.scrub_wdot)
    assert differing(thru, plain) == []
    assert thru.alpha.__func__ is Thru.alpha_empirical


def test_instance_attributes_shadow_methods(pah):
    m = configured(pah, cls=Open)
    m.d_p = lambda: 1e-9
    step(m, pah)
    assert m.p_d_p == 1e-9 and m.d_p() == 1e-9
    m.inception = lambda i: 0.5
    m.coagulation = lambda i: -0.25 if i == 0 else 0.0
    assert m.S_N_agg() == 0.25 and m.S_N_pri() == 0.5 + m.coalescence(1)
    del m.inception
    assert m.S_N_agg() == m.inception(0) - 0.25
    plain = configured(pah)
    with pytest.raises(AttributeError):
        plain.d_p = lambda: 1e-9


def test_assigned_strategies_are_seen_by_the_source_terms(pah):
    m = step(configured(pah, coales=2), pah)
    other = CSootModel()
    m.inception_N_agg = lambda: 2.5
    assert m.S_N_agg() == 2.5 + m.coagulation(0) and m.S_N_pri() == 2.5 + m.coalescence(1)
    m.N_pri_coales = lambda: -3.0
    assert m.S_N_pri() == 2.5 - 3.0
    m.beta_coag = lambda: 0.0
    assert m.coagulation(0) == 0.0 and m.S_N_agg() == 2.5
    # A bound method of another instance runs on that instance.
    other.alpha_constant_value = 0.25
    m.alpha = other.alpha_constant
    g = m.gamma()
    m.alpha = lambda: 0.25
    assert m.gamma() == g != 0.0 and m.alpha_constant() == 1.0
    m.inception_C_tot = other.inception_N_agg  # fails on the other, unconfigured instance
    with pytest.raises(TypeError):
        m.S_C_tot()
    m.inception_C_tot = m.inception_C_tot_reactived
    assert m.S_C_tot() == step(configured(pah, coales=2), pah).S_C_tot()


# ----------------------------------------------------------------------------- cycles

class Finalised(CSootModel):
    def __del__(self):
        self.log.append("del")


def test_models_are_collected_by_the_cycle_collector(pah):
    m = step(configured(pah, 4, cls=Finalised), pah)
    m.log = log = []
    m.me = m
    r = weakref.ref(m)
    assert gc.is_tracked(m)
    del m
    gc.collect()
    assert r() is None and log == ["del"]


def test_collector_visits_the_object_fields_in_order():
    m = CSootModel()
    refs = gc.get_referents(m)
    assert len(refs) == len(OBJECT_FIELDS) == 24
    assert all(a is getattr(m, f) for a, f in zip(refs, OBJECT_FIELDS))
