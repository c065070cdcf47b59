"""Cross-linking PAH growth (CCrossLink, CCrossLinkMod, CCrossLinkMerge) on a real gas with PAH
precursors: transcribed kinetics, the radical balances, the merge probability, switches, scrubbing
balances, bounds, reported kernel errors, overrides and pickling."""

import copy
import math
import pickle

import numpy as np
import pytest

import modular
from modular import close
from modular import pickled_fields as state

ct = pytest.importorskip("cantera")

PI, KB, AV, R = 3.1415926535, 1.3806488e-23, 6.02214076e23, 8.31446261815324
CLASSES = ["CCrossLink", "CCrossLinkMod", "CCrossLinkMerge"]
QUADRATIC = CLASSES[1:]


@pytest.fixture(scope="module")
def gas():
    return modular.pah_gas()


class Transcription:
    """The cross-linking formulas written out from the public state."""

    def __init__(self, gas, sg, sw, m):
        self.g, self.sw, self.m = modular.GasState(sg), sw, m
        self.masses, self.diams = modular.pah_geometry(sg, sw)
        self.species = {n: gas.species_index(n) for n in ("H", "H2", "C2H2")}
        self.quadratic = type(m).__name__ != "CCrossLink"

    def conc(self, name):
        return max(self.g.C(self.species[name]), 0)

    def cs(self, d):
        lam = self.g.lam
        return 1 + (2 * lam / d) * (1.21 + 0.4 * math.exp(-0.78 * d / lam))

    def kinetics(self, i):
        m, T, mi, di = self.m, self.g.T, self.masses[i], self.diams[i]
        nC = self.sw.PAH_n_C[i]
        k = {}
        k["f3"] = (8 * PI * KB * T / (mi * mi / (mi + mi))) ** 0.5 * (2.2 * m.k_f3_prefactor) * AV * (2 * di) ** 2
        fm = 2.2 * (di + m.d_g) ** 2 * (KB * PI * T * 0.5 * (1 / mi + 1 / m.m_agg)) ** 0.5
        cont = (2 * KB * T / (3 * self.g.mu)) * (self.cs(m.d_m) / m.d_g + self.cs(di) / di) * (di + m.d_g)
        k["f_soot"] = AV * fm * cont / (fm + cont)
        k["f4"] = k["f_soot"] * m.k_f4_prefactor
        RT = R * T
        k["f1"] = T ** 1.84 * (98 * nC * m.k_f1_prefactor) * math.exp(-62886.6 / RT)
        k["r1"] = T ** 2.63 * (0.016 * m.k_r1_prefactor) * math.exp(-17837.4 / RT)
        k["f2"] = T ** 0.13 * (AV * 8.079999999999999e-17 * m.k_f2_prefactor)
        return k

    def radical(self, i):
        k, P = self.kinetics(i), max(self.g.C(self.sw.PAH_indices[i]), 0)
        H2, H, c_agg = self.conc("H2"), self.conc("H"), self.m.c_soot_agg
        if not self.quadratic:
            D = k["r1"] * H2 + k["f2"] * H + k["f3"] * P + k["f4"] * c_agg
            return k["f1"] * P * H / D if D > 0 else 0.0
        b = k["r1"] * H2 + k["f2"] * H + k["f4"] * c_agg
        disc = b ** 2 + 4 * k["f3"] * (k["f1"] * P * H)
        return (disc ** 0.5 - b) / (2 * k["f3"]) if disc > 0 else 0.0

    def merge_probability(self, i, x):
        m, T, mi, di = self.m, self.g.T, self.masses[i], self.diams[i]
        k_C2H2 = T ** m.n_HACA * m.A_HACA * math.exp(-m.E_HACA / (R * T))
        beta = 2.2 * (3 * di) ** 2 * (KB * PI * T * 0.5 * (1 / (2 * mi) + 1 / mi)) ** 0.5
        r, s, p = k_C2H2 * self.conc("C2H2"), beta * AV * x, self.kinetics(i)["f_soot"] * m.c_soot_agg
        return max(min(p / ((r + s) + p), 1.0), 0.0)

    def step(self, ppa):
        rho, out = self.g.rho, {k: [] for k in ("rad", "w", "r", "C", "H", "N", "C_PAH", "H_PAH", "P")}
        merge = type(self.m).__name__ == "CCrossLinkMerge"
        for i, s in enumerate(self.sw.PAH_indices):
            nC, nH, k, x = self.sw.PAH_n_C[i], self.sw.PAH_n_H[i], self.kinetics(i), self.radical(i)
            w = max(k["f3"] * x ** 2, 0) if self.quadratic else max(k["f3"] * x * max(self.g.C(s), 0), 0)
            r = k["f4"] * x * self.m.c_soot_agg
            P = self.merge_probability(i, x) if merge else None
            if merge:
                N = ((1.0 - P) * (w / rho)) * (2 * nC / 378.0) if ppa else ((1.0 - P) * w) / rho
            else:
                N = (2 * nC / 378.0) * (w / rho) if ppa else w / rho
            for key, v in zip(out, (x, w, r, 2 * w * nC / rho, 2 * w * nH / rho, N, nC * r / rho,
                                    (nH - 2) * r / rho, P)):
                out[key].append(v)
        return out


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("ppa", [True, False])
@pytest.mark.parametrize("params", [{}, {"k_f1_prefactor": 2.0, "k_r1_prefactor": 0.5, "k_f2_prefactor": 3.0,
                                         "k_f3_prefactor": 0.7, "k_f4_prefactor": 5.0}])
def test_update_agrees_with_a_transcription(mod, gas, cls, ppa, params, unraisable):
    sg, sw, m = modular.installed(mod, gas, cls)
    sw.partial_particle_addition = ppa
    for k, v in params.items():
        setattr(m, k, v)
    m.update()
    ref = Transcription(gas, sg, sw, m).step(ppa)
    close(m.c_PAH_radical, ref["rad"])
    close(m.w_dimer, ref["w"])
    close(m._PAH_adsorption_rate, ref["r"])
    close(m.C_tot_inception_all(), ref["C"])
    close(m.H_tot_inception_all(), ref["H"])
    close(m.N_agg_inception_all(), ref["N"])
    close(m.C_tot_PAH_all(), ref["C_PAH"])
    close(m.H_tot_PAH_all(), ref["H_PAH"])
    close([m.N_agg_inception_total(), m.C_tot_inception_total(), m.H_tot_PAH_total()],
          [sum(ref["N"]), sum(ref["C"]), sum(ref["H_PAH"])])
    if cls == "CCrossLinkMerge":
        close([m.merge_probability(i) for i in range(3)], ref["P"])
        assert all(0 < p < 1 for p in ref["P"])
    assert min(m.c_PAH_radical) > 0 and unraisable == []


@pytest.mark.parametrize("cls", CLASSES)
def test_radicals_solve_their_balance(mod, gas, cls):
    sg, sw, m = modular.installed(mod, gas, cls)
    m.update()
    ref = Transcription(gas, sg, sw, m)
    for i, (s, x) in enumerate(zip(sw.PAH_indices, m.c_PAH_radical)):
        k, P, H2, H = ref.kinetics(i), ref.g.C(s), ref.conc("H2"), ref.conc("H")
        formation = k["f1"] * P * H
        losses = (k["r1"] * H2 + k["f2"] * H + k["f4"] * m.c_soot_agg) * x
        losses += k["f3"] * x * (x if cls in QUADRATIC else P)
        assert losses == pytest.approx(formation, rel=1e-10)


@pytest.mark.parametrize("cls", CLASSES)
def test_zero_precursor_concentration_gives_exactly_zero_rates(mod, gas, cls):
    sg, sw, m = modular.installed(mod, gas, cls)
    X = sg.X_array
    X[sw.PAH_indices] = 0.0
    sg.update(sg.T, sg.P, X, sg.rho, sg.mu, sg.mean_MW)
    m.update()
    for name in ("c_PAH_radical", "w_dimer", "_PAH_adsorption_rate"):
        assert getattr(m, name) == [0.0] * 3, name
    assert [m.N_agg_inception_total(), m.C_tot_inception_total(), m.H_tot_inception_total(),
            m.C_tot_PAH_total(), m.H_tot_PAH_total()] == [0.0] * 5


@pytest.mark.parametrize("ppa", [True, False])
def test_merge_without_soot_equals_the_quadratic_model(mod, gas, ppa):
    vars_ = dict(zip(("d_p", "d_m", "d_g", "A_tot", "m_agg", "V_agg", "soot_MW", "c_soot_agg", "c_soot_pri", "m_p"),
                     (5e-9, 1.1e-8, 8.5e-9, 12.0, 2.4e-21, 1.3e-24, 1.45e3, 2.0e-6, 8.0e-6, 6.0e-22)))
    for c_agg in (0.0, 2.0e-6):
        vars_["c_soot_agg"] = c_agg
        models = [modular.installed(mod, gas, cls, soot_vars=tuple(vars_.values()))[2]
                  for cls in ("CCrossLinkMod", "CCrossLinkMerge")]
        for m in models:
            m.soot_wrapper.partial_particle_addition = ppa
            m.update()
        plain, merge = models
        # the carbon and hydrogen of every dimer go to the soot in both
        assert merge.C_tot_inception_all() == plain.C_tot_inception_all()
        assert merge.H_tot_inception_all() == plain.H_tot_inception_all()
        if c_agg == 0.0:
            assert [merge.merge_probability(i) for i in range(3)] == [0.0] * 3
            assert merge.N_agg_inception_all() == pytest.approx(plain.N_agg_inception_all(), rel=1e-15)
        else:
            assert all(n_m < n_p for n_m, n_p in zip(merge.N_agg_inception_all(), plain.N_agg_inception_all()))


def test_a_zero_merge_sum_in_update_raises_alike_on_the_fast_path(mod, gas):
    # no precursor, no soot and no acetylene term: every share divides by zero; the fused step hands
    # over to the steps, which raise after the same writes as the looked-up path (a Python subclass)
    soot = (5e-9, 1.1e-8, 8.5e-9, 12.0, 2.4e-21, 1.3e-24, 1.45e3, 0.0, 8.0e-6, 6.0e-22)
    states = []
    for kind in (type("Same", (mod.CCrossLinkMerge,), {}), mod.CCrossLinkMerge):
        sg, sw, m = modular.installed(mod, gas, kind, soot_vars=soot)
        X = sg.X_array
        X[sw.PAH_indices] = 0.0
        sg.update(sg.T, sg.P, X, sg.rho, sg.mu, sg.mean_MW)
        m.A_HACA = 0.0
        with pytest.raises(ZeroDivisionError, match="^float division by zero$"):
            m.update()
        states.append(state(m))
    assert states[0][:-1] == states[1] and states[0][-1] == {}     # the subclass adds its instance dictionary


def test_merge_probability_is_clipped_and_refuses_bad_positions(mod, gas, unraisable):
    given = []

    class Merge(mod.CCrossLinkMerge):
        k = None

        def k_PAH_C2H2(self, PAH_id):
            given.append(PAH_id)
            return super().k_PAH_C2H2(PAH_id) if self.k is None else self.k

    sg, sw, m = modular.installed(mod, gas, Merge)
    assert m.k_PAH_C2H2(0) == m.k_PAH_C2H2(5) == m.k_PAH_C2H2(2.9)
    m.update()
    ref = Transcription(gas, sg, sw, m)
    T = sg.T
    assert m.k_PAH_C2H2(1) == pytest.approx(T ** -8.02 * 1.3e18 * math.exp(-94558.4 / (R * T)), rel=1e-14)
    assert given == [0, 5, 2.9, 0, 1, 2, 1]                  # called by name, with the position
    given.clear()
    # P = p / ((r + s) + p) for the soot term p, the acetylene term r and the dimer term s
    x = m.c_PAH_radical[0]
    p_term = ref.kinetics(0)["f_soot"] * m.c_soot_agg
    P = ref.merge_probability(0, x)
    assert m.merge_probability(0) == pytest.approx(P, rel=1e-14)
    r_plus_s = p_term / P - p_term
    s_term = r_plus_s - ref.conc("C2H2") * m.k_PAH_C2H2(0)
    for k, expect in ((-1e30, 0.0),                                             # P < 0
                      (-(s_term + p_term / 2) / ref.conc("C2H2"), 1.0)):      # (r + s) + p = p/2: P = 2
        m.k = k
        assert m.merge_probability(0) == expect
    with pytest.raises(IndexError):
        m.merge_probability(3)
    with pytest.raises(TypeError):
        m.merge_probability("0")
    # a zero sum of the three terms
    sg, sw, m = modular.installed(mod, gas, Merge, soot_vars=(5e-9, 1.1e-8, 8.5e-9, 12.0, 2.4e-21, 1.3e-24,
                                                             1.45e3, 0.0, 8.0e-6, 6.0e-22))
    m.k = 0.0
    with pytest.raises(ZeroDivisionError, match="^float division by zero$"):
        m.merge_probability(0)                            # no radicals yet, no soot, no acetylene term
    assert unraisable == []


@pytest.mark.parametrize("cls", CLASSES)
def test_switches_and_reset(mod, gas, cls):
    sg, sw, m = modular.installed(mod, gas, cls)
    m.update()
    inception = (m.w_dimer, m.N_agg_inception_all(), m.H_tot_inception_total())
    rad, ads = m.c_PAH_radical, m._PAH_adsorption_rate
    sg.update_thermo_TPUY(1700.0, 101325.0, gas.Y)
    sg.update_transport()
    sw.inception_enabled = False
    m.update()
    assert (m.w_dimer, m.N_agg_inception_all(), m.H_tot_inception_total()) == inception
    assert m.c_PAH_radical != rad and m._PAH_adsorption_rate != ads
    before = state(m)
    sw.PAH_adsorption_enabled = False
    sg.update_thermo_TPUY(1600.0, 101325.0, gas.Y)
    m.update()
    assert state(m) == before
    # installation resets what was assigned before it
    m.k_f3_prefactor = 2.0
    if cls == "CCrossLinkMerge":
        m.A_HACA, m.n_HACA, m.E_HACA = 1.0, 2.0, 3.0
    sw.set_PAH_growth_model(m)
    assert m.k_f3_prefactor == 1.0 and m.C_tot_PAH_total() == 0.0
    if cls == "CCrossLinkMerge":
        assert (m.A_HACA, m.n_HACA, m.E_HACA) == (1.3e18, -8.02, 94558.4)


@pytest.mark.parametrize("cls", ["CCrossLink", "CCrossLinkMod"])
def test_a_dimer_of_189_carbon_atoms_is_one_particle(mod, gas, cls):
    sg, sw, m = modular.installed(mod, gas, cls)
    sw.PAH_n_C = [189.0] * 3
    counts = []
    for ppa in (True, False):
        sw.partial_particle_addition = ppa
        m.update()
        counts.append(m.N_agg_inception_all())
    assert counts[0] == counts[1]


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("breaking, entry, text", [
    ("m_agg", "beta_fm_soot_PAH", "float division"),
    ("mu", "beta_cont_soot_PAH", "float division"),
])
def test_kernel_errors_are_reported_under_their_entries(mod, gas, cls, breaking, entry, text, unraisable):
    soot_vars = (5e-9, 1.1e-8, 8.5e-9, 12.0, 0.0 if breaking == "m_agg" else 2.4e-21, 1.3e-24, 1.45e3, 2.0e-6,
                 8.0e-6, 6.0e-22)
    sg, sw, m = modular.installed(mod, gas, cls, soot_vars=soot_vars)
    if breaking == "mu":
        sg.update(sg.T, sg.P, list(sg.X_array), sg.rho, 0.0, sg.mean_MW)
    m.update()                                           # carries on with 0.0
    names = {str(u.object) for u in unraisable}
    assert names == {f"pyrandel.lib._pyrandel.{cls}.{entry}"}
    assert all(u.exc_type is ZeroDivisionError and str(u.exc_value) == text for u in unraisable)
    assert m._PAH_adsorption_rate == [0.0] * 3 and min(m.w_dimer) > 0


@pytest.mark.parametrize("cls", CLASSES)
def test_zero_density_raises_from_the_source_steps(mod, gas, cls):
    sg, sw, m = modular.installed(mod, gas, cls)
    sg.update(sg.T, sg.P, list(sg.X_array), 0.0, sg.mu, sg.mean_MW)
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.update()
    sw.inception_enabled = False
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.update()
    assert m.C_tot_PAH_total() == 0.0


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
    scale = max(abs(rho * model.growth(2)), abs(rho * model.inception(2)), abs(rho * model.oxidation(2)))
    assert pah.C_tot_inception_total() > 0 and pah.C_tot_PAH_total() > 0
    assert abs(w @ modular.element_counts(gas, "C") + rho * src[2]) <= 1e-12 * scale
    # the PAH-growth part alone: carbon is conserved; each dimer releases one H2 the soot still counts
    sw.surface_growth_enabled = sw.oxidation_enabled = False
    _, src, w = modular.step(sg, model, T, P, gas.Y, soot)
    wd, r = np.array(pah.w_dimer), np.array(pah._PAH_adsorption_rate)
    h_soot = rho * (pah.H_tot_inception_total() + pah.H_tot_PAH_total())
    c_soot = rho * (pah.C_tot_inception_total() + pah.C_tot_PAH_total())
    assert abs(w @ modular.element_counts(gas, "C") + c_soot) <= 1e-12 * c_soot
    assert w @ modular.element_counts(gas, "H") + h_soot == pytest.approx(2 * wd.sum(), rel=1e-12)
    expect = np.zeros(gas.n_species)
    for i, s in enumerate(sw.PAH_indices):
        expect[s] -= 2 * wd[i] + r[i]
    expect[gas.species_index("H2")] += wd.sum()
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
    sw.PAH_indices = [idx[0], -10 ** 6, idx[2]]
    model.update_w_scrub()
    assert [str(u.object) for u in unraisable] == [f"pyrandel.lib._pyrandel.{cls}._update_w_scrub_inception",
                                                   f"pyrandel.lib._pyrandel.{cls}._update_w_scrub_PAH"]
    assert all(str(u.exc_value) == "Out of bounds on buffer access (axis 0)" for u in unraisable)
    w, wd, r = model.w_scrub, pah.w_dimer, pah._PAH_adsorption_rate
    assert w[idx[0]] == -2 * wd[0] - r[0] and w[idx[2]] == 0.0
    assert (w[gas.species_index("H2")], w[gas.species_index("H")]) == (wd[0], 2 * r[0])
    # a negative index inside the array counts from the end
    sw.PAH_indices = [idx[0] - gas.n_species, idx[1], idx[2]]
    unraisable.clear()
    model.update_w_scrub()
    assert unraisable == [] and model.w_scrub[idx[0]] == -2 * wd[0] - r[0]


# ---------------------------------------------------- lists, overrides, pickling

@pytest.mark.parametrize("cls", CLASSES)
def test_precursor_lists_out_of_step_raise_index_error(mod, gas, cls, unraisable):
    sg, sw, m = modular.installed(mod, gas, cls)
    with pytest.raises(IndexError, match="precursor lists of unequal length"):
        sw.set_precursors([1, 2, 3], [6.0, 10.0, 16.0], [6.0, 8.0])
    sw.PAH_n_C = [6.0]
    with pytest.raises(IndexError):
        m.update()

    class Shrinking(getattr(mod, cls)):
        def partial_particle_addition(self):
            w = self.soot_wrapper
            w.set_precursors(w.PAH_indices[:1], w.PAH_n_C[:1], w.PAH_n_H[:1])
            return True

    sg, sw, m = modular.installed(mod, gas, Shrinking)
    m.update()
    assert m.n_PAHs == 1 and len(m.w_dimer) == len(m._H_tot_PAH_each) == 1

    class Emptying(getattr(mod, cls)):
        def partial_particle_addition(self):
            self.soot_wrapper.PAH_n_H = []
            return True

    sg, sw, m = modular.installed(mod, gas, Emptying)
    with pytest.raises(IndexError):
        m.update()


@pytest.mark.parametrize("cls", CLASSES)
def test_steps_are_called_by_name_and_table_entries_are_not(mod, gas, cls, unraisable):
    seen = []

    class Sub(getattr(mod, cls)):
        def update_w_dimer(self):
            seen.append("update_w_dimer")
            super().update_w_dimer()

        def partial_particle_addition(self):
            seen.append("partial_particle_addition")
            return False

        def merge_probability(self, PAH_id):
            seen.append("merge_probability")
            return 0.25

        def PAH_radical(self, i):                 # an internal entry: never looked up by name
            seen.append("PAH_radical")
            return 0.0

    sg, sw, m = modular.installed(mod, gas, Sub)
    m.update()
    assert "update_w_dimer" in seen and "PAH_radical" not in seen and unraisable == []
    assert seen.count("partial_particle_addition") == 3
    rho = sg.rho
    weight = 0.75 if cls == "CCrossLinkMerge" else 1.0
    assert seen.count("merge_probability") == (3 if cls == "CCrossLinkMerge" else 0)
    close(m.N_agg_inception_all(), [(weight * w) / rho for w in m.w_dimer], rtol=1e-15)


@pytest.mark.parametrize("cls", CLASSES)
def test_fast_path_equals_the_looked_up_path(mod, gas, cls):
    names = ["update_PAH_radical", "update_w_dimer", "update_PAH_adsorption_rate", "_update_CH_tot_PAH",
             "_update_NCH_inception", "inception_enabled", "PAH_adsorption_enabled", "partial_particle_addition",
             "PAH_n_C", "PAH_n_H"]
    base = getattr(mod, cls)
    body = {n: (lambda n: lambda self: getattr(base, n)(self))(n) for n in names}
    if cls == "CCrossLinkMerge":
        body.update({n: (lambda n: lambda self, i: getattr(base, n)(self, i))(n)
                     for n in ("merge_probability", "k_PAH_C2H2")})
    sg, sw, m = modular.installed(mod, gas, type("Same", (base,), body))
    sg2, sw2, plain = modular.installed(mod, gas, cls)
    m.update()
    plain.update()
    for name in ("c_PAH_radical", "w_dimer", "_PAH_adsorption_rate", "_N_agg_inception_each",
                 "_C_tot_inception_each", "_H_tot_PAH_each"):
        assert getattr(m, name) == getattr(plain, name), name


@pytest.mark.parametrize("cls", CLASSES)
def test_pickle_and_deepcopy_of_the_graph_step_alike(mod, gas, cls):
    sg, sw, m = modular.installed(mod, gas, cls)
    m.k_f2_prefactor = 0.6
    if cls == "CCrossLinkMerge":
        m.n_HACA = -7.5
    m.update()
    sg.cantera_gas = None                        # the Cantera object itself does not pickle
    for twin in (pickle.loads(pickle.dumps(m)), copy.deepcopy(m)):
        assert type(twin) is type(m) and twin.soot_wrapper.PAH_growth_model is twin
        assert state(twin) == state(m)
        twin.update()
        m.update()
        assert state(twin) == state(m)


@pytest.mark.parametrize("cls", ["CCrossLinkMod", "CCrossLinkMerge"])
def test_zero_k_f3_takes_the_entries_on_the_fast_path_too(mod, gas, cls, unraisable):
    # the quadratic root divides by 2·k_f3: the cached step hands over to the reporting entries
    sg, sw, m = modular.installed(mod, gas, type("Same", (getattr(mod, cls),), {}))
    sg2, sw2, plain = modular.installed(mod, gas, cls)
    for x in (m, plain):
        x.k_f3_prefactor = 0.0
        x.update()
    assert [str(u.object) for u in unraisable] == [f"pyrandel.lib._pyrandel.{cls}.PAH_radical"] * 6
    assert {u.exc_type for u in unraisable} == {ZeroDivisionError}
    for name in ("c_PAH_radical", "w_dimer", "_PAH_adsorption_rate", "_N_agg_inception_each", "_C_tot_PAH_each"):
        assert getattr(m, name) == getattr(plain, name), name


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("missing", [("H",), ("H2", "C2H2")])
def test_a_species_missing_from_the_index_takes_the_entries_on_the_fast_path_too(mod, gas, cls, missing,
                                                                                unraisable):
    # the fast path reads H, H2 and C2H2 once only when the wrapper's index cache holds them; a failing
    # look-up is reported on every pass, as the looked-up path (a Python subclass) reports it
    runs = []
    for kind in (type("Same", (getattr(mod, cls),), {}), cls):
        gas.TPX = 1800.0, 101325.0, modular.RICH_X
        sg, sw, model = modular.graph(mod, gas, pah_cls=kind)
        sg.set_species_indices({n: i for i, n in enumerate(gas.species_names) if n not in missing})
        sw.surface_growth_enabled = sw.oxidation_enabled = False
        unraisable.clear()
        modular.step(sg, model, 1800.0, 101325.0, gas.Y, modular.SOOT)
        pah = sw.PAH_growth_model
        runs.append(([(str(u.object), u.exc_type) for u in unraisable], list(model.w_scrub),
                     [list(getattr(pah, n)) for n in ("c_PAH_radical", "w_dimer", "_N_agg_inception_each",
                                                      "_C_tot_PAH_each")]))
    assert runs[0] == runs[1]
    assert ("pyrandel.lib._pyrandel.CSootGas.species_index", KeyError) in runs[0][0]


@pytest.mark.parametrize("cls", CLASSES)
def test_species_moved_in_the_index_between_steps_are_read_anew(mod, gas, cls):
    # the fast path keeps the H, H2 and C2H2 indices from one step to the next only while the
    # species dictionary is unchanged; the looked-up path (a Python subclass) reads them every time
    runs = []
    for kind in (cls, type("Same", (getattr(mod, cls),), {})):
        sg, sw, m = modular.installed(mod, gas, kind)
        m.update()
        m.update()                                   # the wrapper's index cache holds the names by now
        before = list(m.c_PAH_radical)
        for name, other in (("H", "OH"), ("H2", "H2O"), ("C2H2", "CO")):
            sg._species_index_dict[name] = gas.species_index(other)
        m.update()
        assert list(m.c_PAH_radical) != before
        runs.append([list(getattr(m, n)) for n in ("c_PAH_radical", "w_dimer", "_N_agg_inception_each",
                                                    "_C_tot_PAH_each")])
    assert runs[0] == runs[1]
