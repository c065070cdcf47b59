"""The classic step computed in one pass gives, bit for bit, what the method-by-method route gives.

A model whose class overrides nothing runs update_solution, the source terms and the scrubbing in
one pass; an instance of a subclass that overrides a method (here n_p, by calling the inherited one)
takes the route through every method by name. Both must agree in every field, source term (value
and type) and scrubbing rate, for every PAH-growth variant and the selectable options, at moving gas
states. Values computed once per step must follow every input that changes between steps: the gas
state, the soot state, a field or array element assigned by the caller, an override installed
between steps. A direct Python transcription of the step (classic_step_py.py) agrees too.
"""
import pickle

import numpy as np
import pytest

ct = pytest.importorskip("cantera")

from classic_step_py import PyClassicModel  # noqa: E402
from gases import configured_model, moving_states, pah_gas  # noqa: E402

from pyrandel.lib._pyrandel import CSootModel  # noqa: E402


class Looked(CSootModel):
    """Every call between methods goes by name."""

    def n_p(self):
        return CSootModel.n_p(self)


@pytest.fixture(scope="module")
def setting():
    gas, precursors = pah_gas()
    states = moving_states(gas, 6)
    T, P, rho, mu, mw, X, solution = states[0]
    # Edge states: a negative precursor mole fraction; soot at the floors (hydrogen-poor, tiny).
    Xn = X.copy()
    Xn[gas.species_index("A2")] = -1e-6
    states.append((T, P, rho, mu, mw, Xn, solution))
    states.append((T, P, rho, mu, mw, X, np.zeros(4)))
    states.append((T, P, rho, mu, mw, X, solution * np.array([1.0, 1.0, 1.0, 0.01])))
    return gas, list(precursors), states


def make(gas, names, variant, cls=CSootModel, select=(), **attrs):
    attrs.setdefault("stick_eff", [1e-3] * len(names))
    m = configured_model(gas, names, variant, cls=cls, **attrs)
    for method, arg in select:
        getattr(m, method)(arg)
    return m


def step(m, state, between=None):
    T, P, rho, mu, mw, X, solution = state
    m.update_gas(T, P, rho, mu, mw, X.copy())
    if between:
        between(m)
    m.update_solution(solution)
    sources = [m.S_N_agg(), m.S_N_pri(), m.S_C_tot(), m.S_H_tot()]
    m.update_scrub_wdot()
    return sources


def snapshot(m, sources):
    """Everything a step leaves behind, each value pickled (bitwise, NaN-safe, typed)."""
    state = [pickle.dumps(v) for v in m.__reduce__()[2] if not callable(v) and not isinstance(v, dict)]
    return [pickle.dumps(s) for s in sources], pickle.dumps(m.scrub_wdot), state


def assert_same(a, b):
    (sa, wa, fa), (sb, wb, fb) = a, b
    assert sa == sb
    assert wa == wb
    # An instance of a subclass pickles its instance dictionary as one more element.
    assert all(x == y for x, y in zip(fa, fb)) and abs(len(fa) - len(fb)) <= 1


OPTIONS = {
    "defaults": ((), {}),
    "alpha constant": ((("_set_alpha_model", 0),), {"alpha_constant_value": 0.7}),
    "alpha from H/C": ((("_set_alpha_model", 2),), {}),
    "carbonisation": ((), {"carbonization_enabled": True}),
    "modified particle addition": ((), {"modified_particle_addition": True}),
    "titania coalescence, turbulence": ((("_set_coales_type", 1),), {"K_T_factor": 0.3}),
    "merging coalescence": ((("_set_coales_type", 4),), {"CtoH_crit": 1e9}),
    "validation kernel": ((("_set_validation_case", 1),), {}),
    "prefactors": ((), {"K_REACT_prefactor": 3.0, "HACA_prefactor": 0.5, "adsorb_eff": 0.4,
                        "cross_k_f3_prefactor": 2.0, "K_PAH_ADS_prefactor": 0.3}),
}


@pytest.mark.parametrize("option", OPTIONS)
@pytest.mark.parametrize("variant", [1, 2, 3, 4, 5])
def test_one_pass_equals_the_route_by_name(setting, variant, option):
    gas, names, states = setting
    select, attrs = OPTIONS[option]
    fast, looked = make(gas, names, variant, select=select, **attrs), make(gas, names, variant, Looked, select, **attrs)
    for state in states:
        assert_same(snapshot(fast, step(fast, state)), snapshot(looked, step(looked, state)))


@pytest.mark.parametrize("n", [0, 1, 7])
@pytest.mark.parametrize("variant", [1, 4, 5])
def test_one_pass_any_number_of_precursors(setting, variant, n):
    gas, names, states = setting
    chosen = [names[i % 3] for i in range(n)]
    fast, looked = make(gas, chosen, variant), make(gas, chosen, variant, Looked)
    for state in states[:3]:
        assert_same(snapshot(fast, step(fast, state)), snapshot(looked, step(looked, state)))


def test_scrubbing_into_the_molar_masses_is_seen(setting):
    """With scrub_wdot the very array of molar masses, each adsorption rate of the cross-linking
    scrubbing sees the masses as the previous row left them."""
    gas, names, states = setting
    fast, looked = make(gas, names, 4), make(gas, names, 4, Looked)
    for m in (fast, looked):
        step(m, states[1])
        m.scrub_wdot = m.MWs
        m.update_scrub_wdot()
    assert np.array_equal(fast.MWs, looked.MWs)
    assert not np.array_equal(fast.MWs, gas.molecular_weights / 1000.0)


def set_attr(name, value):
    return lambda m: setattr(m, name, value)


def scale_MW(m):
    m.MWs[m.PAH_index_in_gas[1]] *= 1.05


def scale_X(m):
    m.X[m.C2H2_index] *= 1.5
    m.X[m.PAH_index_in_gas[0]] *= 1.5


def alpha_strategy(m):
    m.alpha = lambda: 0.3


def inception_strategy(m):
    m.inception_C_tot = lambda: 1.0


def override_on_class(m):
    type(m).c_soot_nought = lambda self: 1e-9


def instance_attribute(m):
    m.molar_density = lambda index: 0.5


# name: (change applied before the step, change applied between update_gas and update_solution)
CHANGES = {
    "gas state": (None, None),
    "soot state": (None, None),
    "field": (set_attr("HACA_prefactor", 2.5), None),
    "rate multiplier": (set_attr("K_PAH_ADS_prefactor", 0.2), None),
    "sticking efficiencies": (set_attr("stick_eff", [2e-3, 5e-4, 1e-2]), None),
    "molar mass in place": (scale_MW, None),
    "mole fractions in place": (None, scale_X),
    "alpha strategy": (alpha_strategy, None),
    "inception strategy": (inception_strategy, None),
    "override on the class": (override_on_class, None),
    "instance attribute": (instance_attribute, None),
}


@pytest.mark.parametrize("change", CHANGES)
@pytest.mark.parametrize("variant", [1, 2, 3, 4, 5])
def test_values_follow_inputs_changed_between_steps(setting, variant, change):
    """After steps that filled every cache, a change and one more step give what a new model with
    the change gives in its first step, and not what the step without the change gives."""
    gas, names, states = setting
    before, between = CHANGES[change]
    first = states[0]
    then = states[1] if change == "gas state" else states[0]
    if change == "soot state":
        T, P, rho, mu, mw, X, solution = states[0]
        then = (T, P, rho, mu, mw, X, solution * np.array([1.3, 1.1, 1.2, 1.4]))

    def model():  # a subclass that overrides nothing (yet), in the one pass like CSootModel
        return make(gas, names, variant, type("Plain", (CSootModel,), {}))

    m = model()
    for _ in range(2):
        step(m, first)
    unchanged = snapshot(m, step(model(), then))
    if before:
        before(m)
    changed = snapshot(m, step(m, then, between))
    fresh = model()
    if before:
        before(fresh)
    assert_same(changed, snapshot(fresh, step(fresh, then, between)))
    assert changed != unchanged


@pytest.mark.parametrize("variant", [1, 2, 3, 4, 5])
def test_python_transcription_agrees(setting, variant):
    gas, names, states = setting
    m = make(gas, names, variant)
    py = PyClassicModel(m, variant)
    for T, P, rho, mu, mw, X, solution in states:
        sources = step(m, (T, P, rho, mu, mw, X, solution))
        expected = py.step(T, P, rho, mu, mw, X.copy(), solution)
        # Sums of arrays may differ in the last bits (NumPy's dot adds in its own order).
        np.testing.assert_allclose(sources, expected, rtol=1e-14, atol=0)
        np.testing.assert_allclose(m.scrub_wdot, py.scrub_wdot, rtol=1e-14, atol=1e-300)
        for name in ("p_d_p", "p_d_m", "p_d_g", "p_A_tot", "p_dC_tot_dt_HACA_alt", "p_dC_tot_dt_O2",
                     "p_dC_tot_dt_OH", "p_dC_tot_dt_PAH", "p_dH_tot_dt_PAH"):
            assert getattr(m, name) == getattr(py, name), name
