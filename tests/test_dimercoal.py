"""Dimer-coalescence PAH growth (CDimerCoal, CDimerCoalMod) on a real gas with PAH precursors:
transcribed kernels, the steady-state root, switches, scrubbing balances, bounds, Python-number
semantics, overrides and pickling."""

import copy
import math
import pickle

import numpy as np
import pytest

import modular
from layouts import fields_of
from modular import close
from modular import pickled_fields as state

ct = pytest.importorskip("cantera")

PI, KB, AV, RHO_S = 3.1415926535, 1.3806488e-23, 6.02214076e23, 1800.0
ONE_SIXTH, ONE_THIRD = 0.1666666666666667, 0.3333333333333334
CLASSES = ["CDimerCoal", "CDimerCoalMod"]


@pytest.fixture(scope="module")
def gas():
    return modular.pah_gas()


def transcription(sg, sw, m, cls):
    """One update() written out from the public state."""
    g = modular.GasState(sg)
    masses, diams = modular.pah_geometry(sg, sw)
    T, rho = g.T, g.rho
    w, a, b = [], [], []
    for i, s in enumerate(sw.PAH_indices):
        mi, di, C = masses[i], diams[i], max(g.C(s), 0)
        if cls == "CDimerCoal":
            w.append(math.sqrt(4 * PI * KB * T / mi) * m.stick_eff[i] * di ** 2 * C ** 2 * AV)
            A = 4.4 * (3 / (4 * PI)) ** ONE_SIXTH * math.sqrt(6 * KB * T / RHO_S) * 4 * 1.41421356 * AV
            B = 1.3 * math.sqrt(PI * KB * T / (2 * RHO_S))
            md = 2 * mi
            vd, dd = md / RHO_S, (6 * md / (RHO_S * PI)) ** ONE_THIRD
            a.append(m.inception_prefactor * A * vd ** ONE_SIXTH)
            b.append(AV * m.c_soot_agg * m.adsorption_prefactor * B * (dd + m.d_g) ** 2
                     * (1 / vd + 1 / m.V_agg) ** 0.5)
        else:
            d_red, m_red = 2 * di * di / (di + di), mi * mi / (mi + mi)
            w.append(2.2 * d_red ** 2 * math.sqrt(8 * PI * KB * T / m_red) * m.stick_eff[i] * C ** 2 * AV)
            dd = 2.0 ** ONE_THIRD * di

            def cs(d):
                return 1 + (2 * g.lam / d) * (1.21 + 0.4 * math.exp(-0.78 * d / g.lam))

            fm = 2.2 * (dd + m.d_g) ** 2 * math.sqrt(PI * KB * T / 2 * (1 / m.m_agg + 1 / (2 * mi)))
            cont = 2 * KB * T / (3 * g.mu) * (cs(dd) / dd + cs(m.d_m) / m.d_g) * (dd + m.d_g)
            a.append(2.2 * dd ** 2 * math.sqrt(8 * PI * KB * T / mi) * m.inception_prefactor * AV)
            b.append(fm * cont / (fm + cont) * m.adsorption_prefactor * m.c_soot_agg * AV)
    c = [(math.sqrt(bi ** 2 + 4 * ai * wi) - bi) / (2 * ai) for ai, bi, wi in zip(a, b, w)]
    w_inc = [ai * 0.5 * ci ** 2 for ai, ci in zip(a, c)]
    nC, nH, ppa = sw.PAH_n_C, sw.PAH_n_H, bool(sw.partial_particle_addition)
    r = [ci * bi for ci, bi in zip(c, b)]
    return dict(
        w_dimer=w, a_inception=a, b_adsorption=b, c_dimer=c, w_inception=w_inc, rate=r,
        N=[(4 * n / 378.0) * (wi / rho) if ppa else wi / rho for n, wi in zip(nC, w_inc)],
        C=[4 * wi * n / rho for n, wi in zip(nC, w_inc)], H=[4 * wi * n / rho for n, wi in zip(nH, w_inc)],
        C_PAH=[2.0 * n * ri / rho for n, ri in zip(nC, r)], H_PAH=[2.0 * (n - 2) * ri / rho for n, ri in zip(nH, r)])


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("ppa", [True, False])
@pytest.mark.parametrize("params", [{}, {"inception_prefactor": 0.3, "adsorption_prefactor": 4.0}])
def test_update_agrees_with_a_transcription(mod, gas, cls, ppa, params):
    sg, sw, m = modular.installed(mod, gas, cls)
    sw.partial_particle_addition = ppa
    for k, v in params.items():
        setattr(m, k, v)
    m.update()
    ref = transcription(sg, sw, m, cls)
    for name in ("w_dimer", "a_inception", "b_adsorption", "c_dimer", "w_inception"):
        close(getattr(m, name), ref[name])
    close(m._PAH_adsorption_rate, ref["rate"])
    close(m.N_agg_inception_all(), ref["N"])
    close(m.C_tot_inception_all(), ref["C"])
    close(m.H_tot_inception_all(), ref["H"])
    close(m.C_tot_PAH_all(), ref["C_PAH"])
    close(m.H_tot_PAH_all(), ref["H_PAH"])
    close([m.N_agg_inception_total(), m.C_tot_inception_total(), m.H_tot_PAH_total()],
          [sum(ref["N"]), sum(ref["C"]), sum(ref["H_PAH"])])
    # the dimer concentration is the positive root of a·c² + b·c = w
    a, b, c, w = (np.array(getattr(m, n)) for n in ("a_inception", "b_adsorption", "c_dimer", "w_dimer"))
    assert np.all(c > 0)
    close(a * c ** 2 + b * c, w, rtol=1e-10)         # (sqrt(D) - b) cancels when b² >> 4aw


def test_the_two_classes_share_the_bookkeeping_but_not_the_kernels(mod, gas):
    models = [modular.installed(mod, gas, cls)[2] for cls in CLASSES]
    for m in models:
        m.update()
    plain, kernels = models
    assert type(kernels).__mro__[1] is mod.CPAHGrowthBase and not isinstance(kernels, mod.CDimerCoal)
    for name in ("w_dimer", "a_inception", "b_adsorption"):
        assert all(abs(x / y - 1) > 1e-3 for x, y in zip(getattr(plain, name), getattr(kernels, name)))


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("setting, expect", [
    ({"stick_eff": [0.0] * 3}, "zero"),                                   # w = 0, a > 0, b > 0
    ({"stick_eff": [0.0] * 3, "adsorption_prefactor": 0.0}, "zero"),      # w = 0, b = 0: D = 0
    ({"adsorption_prefactor": 0.0}, "sqrt"),                              # b = 0: c = sqrt(w/a)
    ({"inception_prefactor": 0.0}, ZeroDivisionError),                   # D = b² > 0 and 2a = 0
])
def test_limits_of_the_steady_state_root(mod, gas, cls, setting, expect):
    sg, sw, m = modular.installed(mod, gas, cls)
    for k, v in setting.items():
        setattr(m, k, v)
    if expect is ZeroDivisionError:
        with pytest.raises(ZeroDivisionError, match="^float division$"):
            m.update()
        assert m.c_dimer == [0.0] * 3 and m.N_agg_inception_total() == 0.0
        return
    m.update()
    if expect == "zero":
        assert m.c_dimer == [0.0] * 3 and m.w_inception == [0.0] * 3 and m._PAH_adsorption_rate == [0.0] * 3
        assert (m.N_agg_inception_total(), m.C_tot_inception_total(), m.C_tot_PAH_total()) == (0.0, 0.0, 0.0)
    else:
        close(m.c_dimer, [math.sqrt(w / a) for w, a in zip(m.w_dimer, m.a_inception)], rtol=1e-15)
        assert m.C_tot_PAH_total() == 0.0 and m.C_tot_inception_total() > 0


@pytest.mark.parametrize("cls", CLASSES)
def test_zero_precursor_concentration_gives_exactly_zero_rates(mod, gas, cls):
    sg, sw, m = modular.installed(mod, gas, cls)
    X = sg.X_array
    X[sw.PAH_indices] = 0.0
    sg.update(sg.T, sg.P, X, sg.rho, sg.mu, sg.mean_MW)
    m.update()
    for name in ("w_dimer", "c_dimer", "w_inception", "_PAH_adsorption_rate"):
        assert getattr(m, name) == [0.0] * 3, name
    assert [m.N_agg_inception_total(), m.C_tot_inception_total(), m.H_tot_inception_total(),
            m.C_tot_PAH_total(), m.H_tot_PAH_total()] == [0.0] * 5


@pytest.mark.parametrize("cls", CLASSES)
def test_switches_keep_what_they_do_not_recompute(mod, gas, cls):
    sg, sw, m = modular.installed(mod, gas, cls)
    m.update()
    inception = (m.w_inception, m.N_agg_inception_all(), m.C_tot_inception_total())
    kernels = (m.w_dimer, m.a_inception, m.b_adsorption, m.c_dimer)
    sg.update_thermo_TPUY(1700.0, 101325.0, gas.Y)
    sg.update_transport()
    sw.inception_enabled = False
    m.update()
    assert (m.w_inception, m.N_agg_inception_all(), m.C_tot_inception_total()) == inception
    assert all(new != old for new, old in zip((m.w_dimer, m.a_inception, m.b_adsorption, m.c_dimer), kernels))
    before = state(m)
    sw.PAH_adsorption_enabled = False
    sg.update_thermo_TPUY(1600.0, 101325.0, gas.Y)
    m.update()
    assert state(m) == before


@pytest.mark.parametrize("cls", CLASSES)
def test_sticking_efficiency_and_reset(mod, gas, cls, unraisable):
    sg, sw, m = modular.installed(mod, gas, cls)
    assert m.stick_eff == [sg.MWs[s] ** 4 * 15.0 for s in sw.PAH_indices]
    m.update()
    w0 = m.w_dimer
    m.stick_eff = (2 * e for e in m.stick_eff)              # any iterable; used until the next sizing
    m.update()
    w2 = m.w_dimer
    close(w2, [2 * w for w in w0])
    m.stick_eff = [1.0]                                     # too short: reported, the rest keeps its values
    m.update()
    assert [u.exc_type for u in unraisable] == [IndexError]
    assert str(unraisable[0].object) == f"pyrandel.lib._pyrandel.{cls}.update_w_dimer"
    assert m.w_dimer[1:] == w2[1:]
    with pytest.raises(NotImplementedError, match="^__del__$"):
        del m.stick_eff
    m.inception_prefactor = 5.0
    sw.set_precursors(sw.PAH_indices, sw.PAH_n_C, sw.PAH_n_H)
    assert m.stick_eff == [sg.MWs[s] ** 4 * 15.0 for s in sw.PAH_indices] and m.inception_prefactor == 5.0
    each = m.C_tot_PAH_all()
    m._reset()
    assert (m.inception_prefactor, m.adsorption_prefactor, m.C_tot_PAH_total(), m.N_agg_inception_total()) == \
        (1.0, 1.0, 0.0, 0.0)
    assert m.C_tot_PAH_all() == each and m.stick_C_i == 15.0


@pytest.mark.parametrize("V_agg, exc, text", [
    (0.0, ZeroDivisionError, "float division by zero"),
    (-1e-30, TypeError, "must be real number, not complex"),   # 1/v_d + 1/V_agg < 0: a complex root
    (None, AttributeError, "V_agg"),
    (np.float64(1.3e-24), None, None),
    (Ellipsis, TypeError, "unsupported operand"),
])
def test_V_agg_is_taken_with_the_interpreter_numbers(mod, gas, unraisable, V_agg, exc, text):
    sg, sw, m = modular.installed(mod, gas, "CDimerCoal")
    m.update()
    a, b = m.a_inception, m.b_adsorption
    m.adsorption_prefactor = 2.0
    m.inception_prefactor = 3.0
    m.V_agg = V_agg
    m.update()
    if exc is None:
        assert unraisable == []
        close(m.b_adsorption, [2 * x for x in b])
        return
    assert [u.exc_type for u in unraisable] == [exc] and text in str(unraisable[0].exc_value)
    assert str(unraisable[0].object) == "pyrandel.lib._pyrandel.CDimerCoal.update_ab"
    # the failing precursor's a is already new; its b and everything later keep their values
    assert m.a_inception[0] == pytest.approx(3 * a[0], rel=1e-15) and m.a_inception[1:] == a[1:]
    assert m.b_adsorption == b


@pytest.mark.parametrize("cls, text", [("CDimerCoal", "float division"), ("CDimerCoalMod", "float division by zero")])
def test_zero_density(mod, gas, cls, text):
    sg, sw, m = modular.installed(mod, gas, cls)
    sg.update(sg.T, sg.P, list(sg.X_array), 0.0, sg.mu, sg.mean_MW)
    with pytest.raises(ZeroDivisionError, match=f"^{text}$"):
        m.update()
    sw.inception_enabled = False
    with pytest.raises(ZeroDivisionError, match="^float division by zero$"):
        m.update()


# ------------------------------------------------------------------ scrubbing

STATES = [(1800.0, 101325.0, modular.SOOT), (1500.0, 2.0e5, np.array([5.0e-10, 5.0e-9, 2.0e-5, 4.0e-6])),
          (2100.0, 101325.0, np.array([1.0e-8, 1.2e-8, 1.0e-4, 1.5e-5]))]


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("T, P, soot", STATES)
def test_element_balances_through_the_protocol(mod, gas, cls, T, P, soot, unraisable):
    gas.TPX = T, P, modular.RICH_X
    sg, sw, model = modular.graph(mod, gas, pah_cls=cls)
    pah = sw.PAH_growth_model
    _, src, w = modular.step(sg, model, T, P, gas.Y, soot)
    rho = sg.rho
    carbon = w @ modular.element_counts(gas, "C")
    scale = max(abs(rho * model.growth(2)), abs(rho * model.inception(2)), abs(rho * model.oxidation(2)))
    assert pah.C_tot_inception_total() > 0 and pah.C_tot_PAH_total() > 0
    assert abs(carbon + rho * src[2]) <= 1e-12 * scale
    # the PAH-growth part alone: carbon is conserved; hydrogen is short by two atoms per adsorbed dimer
    sw.surface_growth_enabled = sw.oxidation_enabled = False
    _, src, w = modular.step(sg, model, T, P, gas.Y, soot)
    r = np.array(pah._PAH_adsorption_rate)
    h_soot = rho * (pah.H_tot_inception_total() + pah.H_tot_PAH_total())
    c_soot = rho * (pah.C_tot_inception_total() + pah.C_tot_PAH_total())
    assert abs(w @ modular.element_counts(gas, "C") + c_soot) <= 1e-12 * c_soot
    assert w @ modular.element_counts(gas, "H") + h_soot == pytest.approx(-2 * r.sum(), rel=1e-9)
    # the scrubbing array written out
    expect = np.zeros(gas.n_species)
    for i, s in enumerate(sw.PAH_indices):
        expect[s] -= 4 * pah.w_inception[i] + 2 * r[i]
    expect[gas.species_index("H")] += 2 * r.sum()
    close(w, expect, rtol=1e-15)
    assert unraisable == []


@pytest.mark.parametrize("cls", CLASSES)
def test_scrub_index_outside_the_array_stops_that_entry(mod, gas, cls, unraisable):
    gas.TPX = 1800.0, 101325.0, modular.RICH_X
    sg, sw, model = modular.graph(mod, gas, pah_cls=cls)
    sw.surface_growth_enabled = sw.oxidation_enabled = False
    modular.step(sg, model, 1800.0, 101325.0, gas.Y, modular.SOOT)
    pah, idx = sw.PAH_growth_model, sw.PAH_indices
    sw.PAH_indices = [idx[0], 10 ** 6, idx[2]]
    model.update_w_scrub()
    assert [str(u.object) for u in unraisable] == [f"pyrandel.lib._pyrandel.{cls}._update_w_scrub_inception",
                                                   f"pyrandel.lib._pyrandel.{cls}._update_w_scrub_PAH"]
    assert all(str(u.exc_value) == "Out of bounds on buffer access (axis 0)" for u in unraisable)
    r = pah._PAH_adsorption_rate
    w = model.w_scrub
    assert w[idx[0]] == -4 * pah.w_inception[0] - 2 * r[0] and w[idx[2]] == 0.0
    assert w[gas.species_index("H")] == 2 * r[0]


# ---------------------------------------------------- lists, overrides, pickling

@pytest.mark.parametrize("cls", CLASSES)
def test_precursor_lists_out_of_step_raise_index_error(mod, gas, cls, unraisable):
    sg, sw, m = modular.installed(mod, gas, cls)
    with pytest.raises(IndexError, match="precursor lists of unequal length"):
        sw.set_precursors([1, 2, 3, 4], [6.0, 10.0, 16.0], [6.0, 8.0, 10.0, 12.0])
    assert m.n_PAHs == 3
    sw.PAH_n_H = [6.0]                       # shorter than the model's sizing
    with pytest.raises(IndexError):
        m.update()

    class Shrinking(getattr(mod, cls)):
        def partial_particle_addition(self):       # resizes the model in the middle of its loop
            w = self.soot_wrapper
            w.set_precursors(w.PAH_indices[:1], w.PAH_n_C[:1], w.PAH_n_H[:1])
            return True

    sg, sw, m = modular.installed(mod, gas, Shrinking)
    m.update()
    assert m.n_PAHs == 1 and len(m.c_dimer) == len(m._C_tot_PAH_each) == 1

    class Emptying(getattr(mod, cls)):
        def partial_particle_addition(self):       # pulls the counts away, sizes unchanged
            self.soot_wrapper.PAH_n_C = []
            return True

    sg, sw, m = modular.installed(mod, gas, Emptying)
    with pytest.raises(IndexError):
        m.update()
    assert m.n_PAHs == 3


@pytest.mark.parametrize("cls", CLASSES)
def test_steps_are_called_by_name_and_table_entries_are_not(mod, gas, cls, unraisable):
    seen = []

    class Sub(getattr(mod, cls)):
        def update_c_dimer(self):
            seen.append("update_c_dimer")
            super().update_c_dimer()

        def PAH_n_C(self):                   # doubled with the hydrogen counts: the same PAH density
            seen.append("PAH_n_C")
            return [2 * c for c in super().PAH_n_C()]

        def PAH_n_H(self):
            return [2 * c for c in super().PAH_n_H()]

        def update_ab(self):                 # an internal entry: never looked up by name
            seen.append("update_ab")

    sg, sw, m = modular.installed(mod, gas, Sub)
    sg2, sw2, plain = modular.installed(mod, gas, cls)
    m.update()
    plain.update()
    assert "update_c_dimer" in seen and "update_ab" not in seen and unraisable == []
    # adsorption reads the counts by name in both classes; inception only in CDimerCoalMod
    close(m.C_tot_PAH_all(), [2 * c for c in plain.C_tot_PAH_all()])
    factor = 2 if cls == "CDimerCoalMod" else 1
    close(m.C_tot_inception_all(), [factor * c for c in plain.C_tot_inception_all()])


@pytest.mark.parametrize("cls", CLASSES)
def test_fast_path_equals_the_looked_up_path(mod, gas, cls):
    names = ("update_c_dimer", "update_w_inception", "_update_NCH_inception", "update_PAH_adsorption_rate",
             "_update_CH_tot_PAH", "inception_enabled", "PAH_adsorption_enabled", "partial_particle_addition",
             "PAH_n_C", "PAH_n_H")
    base = getattr(mod, cls)
    Same = type("Same", (base,), {n: (lambda n: lambda self: getattr(base, n)(self))(n) for n in names})
    sg, sw, m = modular.installed(mod, gas, Same)
    sg2, sw2, plain = modular.installed(mod, gas, cls)
    m.update()
    plain.update()
    for name in ("w_dimer", "c_dimer", "w_inception", "_N_agg_inception_each", "_C_tot_inception_each",
                 "_H_tot_PAH_each", "_PAH_adsorption_rate"):
        assert getattr(m, name) == getattr(plain, name), name


def _zero_density(sg, sw, m):
    sw.inception_enabled = False
    sg.update(sg.T, sg.P, list(sg.X_array), 0.0, sg.mu, sg.mean_MW)


def _short(field):
    def change(sg, sw, m):  # a pickled state whose array is one precursor short
        base = next(c.__name__ for c in type(m).__mro__ if c.__name__ in CLASSES)
        names = sorted(f.name for f in fields_of(base))
        m.__setstate__(tuple(v[:1] if k < len(names) and names[k] == field else v
                             for k, v in enumerate(m.__reduce__()[2])))
    return change


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("change", [_zero_density, _short("_C_tot_PAH_each"), _short("_H_tot_PAH_each")],
                         ids=["zero_density", "short_C_tot_PAH_each", "short_H_tot_PAH_each"])
def test_steps_taken_before_a_failure_equal_the_looked_up_ones(mod, gas, cls, change):
    # Where the fused pass cannot run, the exact class takes the steps through its entries until
    # one fails; a subclass takes every step by name. Both end alike.
    base = getattr(mod, cls)
    outcomes = []
    for c in (base, type("Same", (base,), {})):
        sg, sw, m = modular.installed(mod, gas, c)
        m.update()
        change(sg, sw, m)
        with pytest.raises(Exception) as info:
            m.update()
        fields = [v for v in state(m) if not isinstance(v, dict)]  # (the subclass's instance dictionary)
        outcomes.append((type(info.value), str(info.value), fields))
    assert outcomes[0] == outcomes[1]


@pytest.mark.parametrize("cls", CLASSES)
def test_pickle_and_deepcopy_of_the_graph_step_alike(mod, gas, cls):
    sg, sw, m = modular.installed(mod, gas, cls)
    m.inception_prefactor = 0.8
    m.stick_eff = [1e-9, 2e-9, 3e-9]
    m.update()
    sg.cantera_gas = None                        # the Cantera object itself does not pickle
    for twin in (pickle.loads(pickle.dumps(m)), copy.deepcopy(m)):
        assert type(twin) is type(m) and twin.soot_wrapper.PAH_growth_model is twin
        assert state(twin) == state(m)
        assert twin.V_agg is None                # an instance member, not part of the pickled layout
        twin.V_agg = m.V_agg
        twin.update()
        m.update()
        for name in ("w_dimer", "b_adsorption", "c_dimer", "stick_eff", "_C_tot_PAH_each"):
            assert getattr(twin, name) == getattr(m, name), name


@pytest.mark.parametrize("cls", CLASSES)
def test_a_zero_mean_molar_mass_reports_through_the_gas_entry_on_the_fast_path_too(mod, gas, cls, unraisable):
    # the fast path computes concentrations itself only where the gas wrapper's C cannot fail
    runs = []
    for kind in (type("Same", (getattr(mod, cls),), {}), cls):
        sg, sw, m = modular.installed(mod, gas, kind)
        sg.update_mean_MW(0.0)
        unraisable.clear()
        m.update()
        runs.append(([(str(u.object), u.exc_type) for u in unraisable], list(m.w_dimer), list(m.c_dimer)))
    assert runs[0] == runs[1]
    assert runs[0][0] == [("pyrandel.lib._pyrandel.CSootGas.C", ZeroDivisionError)] * 3


def test_precursor_lists_emptied_by_the_volume_object_mid_step(mod, gas):
    # V_agg's arithmetic runs Python code inside update_ab; the steps after it read the counts,
    # which are gone by then: IndexError on the exact class as on the looked-up path, no crash
    class Emptying:
        def __init__(self, sw):
            self.sw = sw

        def __rtruediv__(self, other):
            self.sw.PAH_n_C = []
            self.sw.PAH_n_H = []
            return 1e30

        def __radd__(self, other):
            return 1e30

    runs = []
    for kind in ("CDimerCoal", type("Same", (mod.CDimerCoal,), {})):
        sg, sw, m = modular.installed(mod, gas, kind)
        m.V_agg = Emptying(sw)
        with pytest.raises(IndexError) as e:
            m.update()
        runs.append((str(e.value), list(m.c_dimer), list(m.b_adsorption), m.N_agg_inception_all()))
    assert runs[0] == runs[1]


def _partial_on(sg, sw):
    sw.partial_particle_addition = 1             # true, but no bool


def _density_doubled(sg, sw):
    sg.update(sg.T, sg.P, list(sg.X_array), 2.0 * sg.rho, sg.mu, sg.mean_MW)


@pytest.mark.parametrize("change", [_partial_on, _density_doubled])
def test_state_changed_by_the_volume_object_mid_step_is_seen(mod, gas, change):
    # V_agg's arithmetic runs Python code inside update_ab; the inception that follows reads the
    # switch and the density as they are then, on the exact class as on the looked-up path
    class Changing:
        def __init__(self, sg, sw):
            self.sg, self.sw, self.done = sg, sw, False

        def __rtruediv__(self, other):
            if not self.done:
                self.done = True
                change(self.sg, self.sw)
            return other / 2.4e-21

        def __radd__(self, other):
            return other + 1.0 / 2.4e-21

    runs = []
    for kind in ("CDimerCoal", type("Same", (mod.CDimerCoal,), {})):
        sg, sw, m = modular.installed(mod, gas, kind)
        m.V_agg = Changing(sg, sw)
        m.update()
        runs.append([list(getattr(m, f)) for f in ("_N_agg_inception_each", "_C_tot_inception_each",
                                                   "_C_tot_PAH_each", "b_adsorption")])
    assert runs[0] == runs[1]
