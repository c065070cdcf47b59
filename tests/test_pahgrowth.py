"""PAH-growth models: CPAHGrowthBase protocol and CReactDim kinetics, on a real gas with PAH precursors."""

import copy
import math
import pickle

import numpy as np
import pytest

import modular
from layouts import fields_of

ct = pytest.importorskip("cantera")

PI, KB, AV, R, LN10 = 3.1415926535, 1.3806488e-23, 6.02214076e23, 8.31446261815324, 2.302585092994046
ONE_THIRD, MWC, MWH = 0.3333333333333334, 0.012011, 0.001008
TEN_M18 = 0.015848931924611134
PRECURSORS = ("A1", "A2", "A4")
# d_p, d_m, d_g, A_tot, m_agg, V_agg, soot_MW, c_soot_agg, c_soot_pri, m_p of a young aggregate
SOOT_VARS = (5e-9, 1.1e-8, 8.5e-9, 12.0, 2.4e-21, 1.3e-24, 1.45e3, 2.0e-6, 8.0e-6, 6.0e-22)
RTOL = 1e-14


@pytest.fixture(scope="module")
def gas():
    return modular.pah_gas()


def setup_model(mod, gas, cls=None, precursors=PRECURSORS, T=1800.0):
    """Gas wrapper at a real state, soot wrapper with three precursors and an installed CReactDim (or `cls`)."""
    sg = modular.gas_wrapper(mod, gas)
    gas.TPX = T, 101325.0, modular.RICH_X
    sg.update_thermo_TPUY(T, 101325.0, gas.Y)
    sg.update_transport()
    sw = mod.CSootWrapper(sg)
    m = (cls or mod.CReactDim)(sw)
    sw.set_PAH_growth_model(m)
    sw.set_precursors([gas.species_index(p) for p in precursors], [modular.PAH_DATA[p][0] for p in precursors],
                      [modular.PAH_DATA[p][1] for p in precursors])
    m.update_soot_vars(*SOOT_VARS)
    return sg, sw, m


class Transcription:
    """The reactive-dimerisation formulas written out in Python, read from the wrappers' public state."""

    def __init__(self, sg, sw, m):
        self.T, self.rho, self.mu, self.lam = sg.T, sg.rho, sg.mu, sg.lambda_gas
        self.X, self.MWs, self.mean_MW = list(sg.X_array), sg.MWs, sg.mean_MW
        self.idx, self.nC, self.nH = sw.PAH_indices, sw.PAH_n_C, sw.PAH_n_H
        self.ppa = bool(sw.partial_particle_addition)
        self.m = m
        self.n = len(self.idx)
        self.pairs = [(i, j) for i in range(self.n) for j in range(i, self.n)]

    def C(self, s):
        return self.X[s] * self.rho / self.mean_MW

    def mass(self, i):
        return self.MWs[self.idx[i]] / AV

    def diam(self, i):
        rho_pah = (MWC * self.nC[i] + MWH * self.nH[i]) * 171943.5197 / (self.nC[i] + self.nH[i])
        return (6.0 * (self.mass(i) / rho_pah) / PI) ** ONE_THIRD

    def k_fwd(self, i, j):
        mi, mj, di, dj = self.mass(i), self.mass(j), self.diam(i), self.diam(j)
        m_red, d_red = mi * mj / (mi + mj), 2.0 * di * dj / (di + dj)
        return self.m.k_FWD_prefactor * 2.2 * 0.1 * AV * d_red ** 2.0 * math.sqrt(8.0 * PI * KB * self.T / m_red)

    def dissociation(self, mu):
        return TEN_M18 * math.exp((933420.0 * mu - 34053.0) * (-0.115) * LN10 / (R * self.T))

    def k_rev(self, i, j):
        a, b = self.MWs[self.idx[i]], self.MWs[self.idx[j]]
        return self.k_fwd(i, j) * self.dissociation(a * b / (a + b))

    def k_reac(self):
        return self.m.K_REACT_prefactor * 5e6 * math.exp(-self.m.Ea_REACT_prefactor * 96232.0 / (R * self.T))

    def k_pah(self):
        return self.m.K_PAH_ADS_prefactor * 2e10 * math.exp(-self.m.Ea_PAH_ADS_prefactor * 96232.0 / (R * self.T))

    def cs(self, d):
        return 1.0 + (2.0 * self.lam / d) * (1.21 + 0.4 * math.exp(-0.78 * d / self.lam))

    def k_f(self, i):
        m = self.m
        di, mi = self.diam(i), self.mass(i)
        fm = 2.2 * (di + m.d_g) ** 2.0 * math.sqrt(PI * KB * self.T / 2.0 * (1.0 / m.m_agg + 1.0 / mi))
        cont = 2.0 * KB * self.T / (3.0 * self.mu) * (self.cs(di) / di + self.cs(m.d_m) / m.d_g) * (di + m.d_g)
        return AV * fm * cont / (fm + cont)

    def k_r(self, i):
        s, b = self.m.soot_MW, self.MWs[self.idx[i]]
        return self.k_f(i) * self.dissociation(s * b / (s + b))

    def star(self, i):
        return self.k_f(i) * self.m.c_soot_agg * max(self.C(self.idx[i]), 0) / (self.k_r(i) + self.k_pah())

    def inception(self):
        c_phy = [self.k_fwd(i, j) * self.C(self.idx[i]) * self.C(self.idx[j]) / (self.k_rev(i, j) + self.k_reac())
                 for i, j in self.pairs]
        w = [max(self.k_reac() * c, 0) for c in c_phy]
        dimer_nC = [self.nC[i] + self.nC[j] for i, j in self.pairs]
        dimer_nH = [self.nH[i] + self.nH[j] for i, j in self.pairs]
        N = [(c / 378.0) * (wk / self.rho) if self.ppa else wk / self.rho for c, wk in zip(dimer_nC, w)]
        C = [c * wk / self.rho for c, wk in zip(dimer_nC, w)]
        H = [h * wk / self.rho for h, wk in zip(dimer_nH, w)]
        return dict(c_phy_dimer=c_phy, w_chem_dimer=w, N=N, C=C, H=H)

    def adsorption(self):
        r = [self.k_pah() * self.star(i) for i in range(self.n)]
        return dict(k_f_adsorption=[self.k_f(i) for i in range(self.n)],
                    k_r_adsorption=[self.k_r(i) for i in range(self.n)],
                    c_soot_PAH_star=[self.star(i) for i in range(self.n)], rate=r,
                    C=[self.nC[i] * r[i] / self.rho for i in range(self.n)],
                    H=[(self.nH[i] - 2) * r[i] / self.rho for i in range(self.n)])


def close(a, b):
    np.testing.assert_allclose(np.asarray(a, float), np.asarray(b, float), rtol=RTOL, atol=0.0)


# ------------------------------------------------------------------- base

def test_new_base_and_the_worked_soot_values(mod):
    b = mod.CPAHGrowthBase(None)
    assert b.soot_wrapper is None and b.n_PAHs == 0
    for name in ("m_agg", "d_p", "d_m", "d_g", "A_tot", "soot_MW", "c_soot_agg", "c_soot_pri", "m_p"):
        assert getattr(b, name) == 0.0
    for name in ("N_agg", "C_tot", "H_tot"):
        assert getattr(b, f"{name}_inception_total")() == 0.0 and getattr(b, f"{name}_inception_all")() == []
    assert (b.C_tot_PAH_all(), b.H_tot_PAH_total(), b._PAH_adsorption_rate) == ([], 0.0, [])
    values = (1e-8, 2e-8, 3e-8, 4.0, 5e-20, 6e-24, 7.0, 8.0, 9.0, 1e-21)
    b.update_soot_vars(*values)
    got = [b.d_p, b.d_m, b.d_g, b.A_tot, b.m_agg, b.V_agg, b.soot_MW, b.c_soot_agg, b.c_soot_pri, b.m_p]
    assert got == list(values)
    # V_agg is stored as handed in; the others are converted one by one, in order
    marker = object()
    with pytest.raises(TypeError):
        b.update_soot_vars(1.0, 2.0, 3.0, 4.0, 5.0, marker, 7.0, "x", 9.0, 10.0)
    assert (b.d_p, b.m_agg, b.V_agg, b.soot_MW, b.c_soot_agg) == (1.0, 5.0, marker, 7.0, 8.0)
    with pytest.raises(Exception, match=r"^update\(\) method is not initialized!$"):
        b.update()


@pytest.mark.parametrize("call, exc, text", [
    (lambda b: b.N_agg_inception_each(-1), OverflowError, "can't convert negative value to size_t"),
    (lambda b: b.C_tot_inception_each(0), IndexError, None),
    (lambda b: b.H_tot_inception_each(2 ** 40), IndexError, None),
    (lambda b: b.C_tot_PAH_each(-1), IndexError, None),
    (lambda b: b.H_tot_PAH_each(3), IndexError, None),
    (lambda b: b.inception_enabled(), AttributeError, "'NoneType' object has no attribute 'inception_enabled'"),
    (lambda b: b.PAH_indices(), AttributeError, None),
    (lambda b: b.soot_gas, AttributeError, None),
    (lambda b: b.update_soot_vars(1.0), TypeError, r"takes exactly 10 positional arguments \(1 given\)"),
])
def test_base_refuses_out_of_range_and_missing_wrapper(mod, call, exc, text):
    with pytest.raises(exc, match=text):
        call(mod.CPAHGrowthBase(None))


@pytest.mark.parametrize("cls", ["CPAHGrowthBase", "CReactDim"])
def test_typed_joint_refuses_other_classes(mod, cls):
    with pytest.raises(TypeError, match=r"^Cannot convert int to pyrandel\.lib\._pyrandel\.CSootWrapper$"):
        getattr(mod, cls)(1)
    m = getattr(mod, cls)(soot_wrapper=None)
    with pytest.raises(TypeError, match="Cannot convert str to"):
        m.soot_wrapper = "w"


def test_accessors_read_the_wrapper(mod, gas):
    sg, sw, m = setup_model(mod, gas)
    sw.partial_particle_addition = marker = object()
    assert m.partial_particle_addition() is marker and m.soot_gas is sg
    assert m.PAH_indices() == sw.PAH_indices and m.PAH_n_C() == [6.0, 10.0, 16.0] and m.PAH_n_H() == [6.0, 8.0, 10.0]
    sw.inception_enabled = False
    assert m.inception_enabled() is False and m.PAH_adsorption_enabled() is True


# --------------------------------------------------------------- CReactDim

def test_create_PAH_dimer_numbers_the_pairs(mod, gas):
    sg, sw, m = setup_model(mod, gas)
    assert (m.n_PAHs, m.n_dimers) == (3, 6)
    assert list(zip(m.dimer_PAH_1_id, m.dimer_PAH_2_id)) == [(0, 0), (0, 1), (0, 2), (1, 1), (1, 2), (2, 2)]
    assert m.dimer_n_C[1] == 6.0 + 10.0 and m.dimer_n_H == [12.0, 14.0, 16.0, 16.0, 18.0, 20.0]
    assert all(len(a) == 6 for a in (m.c_phy_dimer, m.w_chem_dimer, m.N_agg_inception_all()))
    assert all(len(a) == 3 for a in (m.k_f_adsorption, m._PAH_adsorption_rate, m.C_tot_PAH_all()))
    m.update()
    kept = m.C_tot_PAH_all()
    sw.set_precursors(sw.PAH_indices + [gas.species_index("C2H2")], sw.PAH_n_C + [2.0], sw.PAH_n_H + [2.0])
    assert m.n_dimers == 10 and m.C_tot_PAH_all() == kept + [0.0]
    sw.set_precursors([], [], [])
    m.update()
    assert (m.n_PAHs, m.n_dimers, m.c_phy_dimer, m.C_tot_PAH_total(), m.N_agg_inception_total()) == (0, 0, [], 0.0, 0.0)


def test_unequal_precursor_lists_are_refused_before_anything_changes(mod, gas):
    sg, sw, m = setup_model(mod, gas)
    before = (m.n_PAHs, m.dimer_n_C, m.c_phy_dimer)
    with pytest.raises(IndexError, match="precursor lists of unequal length"):
        sw.set_precursors([1, 2, 3, 4], [6.0, 10.0, 16.0], [6.0, 8.0, 10.0, 12.0])
    assert (m.n_PAHs, m.dimer_n_C, m.c_phy_dimer) == before


@pytest.mark.parametrize("ppa", [True, False])
@pytest.mark.parametrize("prefactors", [{}, {"K_REACT_prefactor": 3.0, "Ea_REACT_prefactor": 0.8,
                                            "k_FWD_prefactor": 0.5, "K_PAH_ADS_prefactor": 2.0,
                                            "Ea_PAH_ADS_prefactor": 1.1}])
def test_update_agrees_with_a_transcription(mod, gas, ppa, prefactors):
    sg, sw, m = setup_model(mod, gas)
    sw.partial_particle_addition = ppa
    for k, v in prefactors.items():
        setattr(m, k, v)
    m.update()
    ref = Transcription(sg, sw, m)
    inc, ads = ref.inception(), ref.adsorption()
    close(m.c_phy_dimer, inc["c_phy_dimer"])
    close(m.w_chem_dimer, inc["w_chem_dimer"])
    close(m.N_agg_inception_all(), inc["N"])
    close(m.C_tot_inception_all(), inc["C"])
    close(m.H_tot_inception_all(), inc["H"])
    close([m.N_agg_inception_total(), m.C_tot_inception_total(), m.H_tot_inception_total()],
          [sum(inc["N"]), sum(inc["C"]), sum(inc["H"])])
    for key in ("k_f_adsorption", "k_r_adsorption", "c_soot_PAH_star"):
        close(getattr(m, key), ads[key])
    close(m._PAH_adsorption_rate, ads["rate"])
    close(m.C_tot_PAH_all(), ads["C"])
    close(m.H_tot_PAH_all(), ads["H"])
    close([m.C_tot_PAH_total(), m.H_tot_PAH_total()], [sum(ads["C"]), sum(ads["H"])])
    assert min(m.w_chem_dimer) > 0 and min(m._PAH_adsorption_rate) > 0
    # an adsorbed PAH keeps all its carbon and gives up two hydrogen atoms
    close([m.H_tot_PAH_each(i) * 6.0 for i in range(1)], [m.C_tot_PAH_each(0) * 4.0])


def test_limits_of_the_rates(mod, gas):
    sg, sw, m = setup_model(mod, gas)
    m.K_REACT_prefactor = 0.0
    m.update()
    assert m.w_chem_dimer == [0.0] * 6 and m.C_tot_inception_total() == 0.0 and m.N_agg_inception_total() == 0.0
    # partial particle addition: a dimer of 32 C atoms counts as 32/378 of a particle
    m._reset()
    sw.partial_particle_addition = True
    m.update()
    on = m.N_agg_inception_all()
    sw.partial_particle_addition = 0
    m.update()
    off = m.N_agg_inception_all()
    close(on, [n_c / 378.0 * w for n_c, w in zip(m.dimer_n_C, off)])
    assert on[-1] == pytest.approx(32.0 / 378.0 * off[-1], rel=1e-15)


def test_negative_concentration_gives_negative_physical_but_no_chemical_dimers(mod, gas):
    sg, sw, m = setup_model(mod, gas)
    X = sg.X_array
    X[sw.PAH_indices[0]] = -1e-6
    sg.update(sg.T, sg.P, X, sg.rho, sg.mu, sg.mean_MW)
    m.update()
    assert m.c_phy_dimer[0] > 0 > m.c_phy_dimer[1]            # (0,0) squared; (0,1) negative
    assert m.w_chem_dimer[1] == 0.0 and m.c_soot_PAH_star[0] == 0.0 and m._PAH_adsorption_rate[0] == 0.0


def test_reset_and_switches(mod, gas):
    sg, sw, m = setup_model(mod, gas)
    m.K_REACT_prefactor = 7.0
    sw.inception_enabled = False
    m.update()
    assert m.N_agg_inception_total() == 0.0 and m.w_chem_dimer == [0.0] * 6 and m.C_tot_PAH_total() > 0
    sw.inception_enabled = True
    m.update()
    totals = (m.N_agg_inception_total(), m.C_tot_inception_total(), m.C_tot_PAH_total())
    # a switch turned off keeps the last computed values; the other process is recomputed
    sw.inception_enabled = False
    sg.update_thermo_TPUY(1700.0, 101325.0, gas.Y)
    sg.update_transport()
    m.update()
    assert (m.N_agg_inception_total(), m.C_tot_inception_total()) == totals[:2]
    assert m.C_tot_PAH_total() != totals[2]
    each = m.C_tot_PAH_all()
    m._reset()
    assert m.K_REACT_prefactor == 1.0 and m.C_tot_inception_total() == 0.0 and m.C_tot_PAH_total() == 0.0
    assert m.C_tot_PAH_all() == each
    # installation resets the parameters too
    m.Ea_REACT_prefactor = 3.0
    sw.set_PAH_growth_model(m)
    assert m.Ea_REACT_prefactor == 1.0


# ------------------------------------------------------------- scrubbing

def scrub_transcription(n_species, m, sw, h2):
    w = np.zeros(n_species)
    for (i, j), r in zip(zip(m.dimer_PAH_1_id, m.dimer_PAH_2_id), m.w_chem_dimer):
        w[sw.PAH_indices[i]] -= r
        w[sw.PAH_indices[j]] -= r
    for i, r in enumerate(m._PAH_adsorption_rate):
        w[sw.PAH_indices[i]] -= r
        w[h2] += r
    return w


def elements(gas, el):
    return np.array([gas.n_atoms(k, el) for k in range(gas.n_species)])


@pytest.mark.parametrize("switches", [{}, {"inception_enabled": False}, {"PAH_adsorption_enabled": False},
                                      {"surface_growth_enabled": False, "oxidation_enabled": False}])
def test_scrubbing_through_the_particle_model_balances_carbon_and_hydrogen(mod, gas, switches, unraisable):
    gas.TPX = 1800.0, 101325.0, modular.RICH_X
    sg, sw, model = modular.graph(mod, gas)
    sw.surface_growth_enabled = sw.oxidation_enabled = False
    for k, v in switches.items():
        setattr(sw, k, v)
    out, src, w = modular.step(sg, model, 1800.0, 101325.0, gas.Y, modular.SOOT)
    m = sw.PAH_growth_model
    np.testing.assert_allclose(w, scrub_transcription(gas.n_species, m, sw, gas.species_index("H2")),
                               rtol=1e-15, atol=0)
    rho = sg.rho
    c_soot = m.C_tot_inception_total() + m.C_tot_PAH_total()
    h_soot = m.H_tot_inception_total() + m.H_tot_PAH_total()
    assert elements(gas, "C") @ w == pytest.approx(-rho * c_soot, rel=1e-12, abs=1e-300)
    assert elements(gas, "H") @ w == pytest.approx(-rho * h_soot, rel=1e-12, abs=1e-300)
    # self-dimers take their rate twice from their precursor
    if not switches:
        assert unraisable == [] and m.w_chem_dimer[0] > 0


def test_bare_base_scrubbing_reports_and_leaves_the_array(mod, gas, unraisable):
    gas.TPX = 1800.0, 101325.0, modular.RICH_X
    sg, sw, model = modular.graph(mod, gas)
    sw.surface_growth_enabled = sw.oxidation_enabled = False
    sw.PAH_growth_model = mod.CPAHGrowthBase(sw)
    model.update_w_scrub()
    assert not model.w_scrub.any()
    assert [str(u.object) for u in unraisable] == ["pyrandel.lib._pyrandel.CPAHGrowthBase.update_w_scrub"]
    assert str(unraisable[0].exc_value) == "update_w_scrub() method is not initialized!"


def test_scrub_indices_outside_the_array_are_reported_and_skipped(mod, gas, unraisable):
    gas.TPX = 1800.0, 101325.0, modular.RICH_X
    sg, sw, model = modular.graph(mod, gas)
    sw.surface_growth_enabled = sw.oxidation_enabled = False
    modular.step(sg, model, 1800.0, 101325.0, gas.Y, modular.SOOT)
    good = np.array(model.w_scrub)
    idx = sw.PAH_indices
    sw.PAH_indices = [idx[0], 10 ** 6, idx[2]]           # the second precursor points outside w_scrub
    model.update_w_scrub()
    names = {str(u.object) for u in unraisable}
    assert names == {"pyrandel.lib._pyrandel.CReactDim._update_w_scrub_inception",
                     "pyrandel.lib._pyrandel.CReactDim._update_w_scrub_PAH"}
    assert all(u.exc_type is IndexError and str(u.exc_value) == "Out of bounds on buffer access (axis 0)"
               for u in unraisable)
    # only the writes at the bad index are skipped
    h2 = gas.species_index("H2")
    for s in (idx[0], idx[2], h2):
        assert model.w_scrub[s] == good[s]
    assert model.w_scrub[idx[1]] == 0.0 and good[idx[1]] < 0


def test_scrub_follows_the_H2_index_changed_in_place(mod, gas, unraisable):
    # The H2 released by adsorption lands where the species dictionary says now,
    # also after steps that found H2 in the gas wrapper's cache.
    gas.TPX = 1800.0, 101325.0, modular.RICH_X
    sg, sw, model = modular.graph(mod, gas)
    sw.surface_growth_enabled = sw.oxidation_enabled = False
    for _ in range(2):
        modular.step(sg, model, 1800.0, 101325.0, gas.Y, modular.SOOT)
    good = np.array(model.w_scrub)
    h2, other = gas.species_index("H2"), gas.species_index("AR")
    sg._species_index_dict["H2"] = other
    model.update_w_scrub()
    moved = np.array(model.w_scrub)
    assert moved[other] == good[h2] + good[other] and moved[h2] == 0.0 and unraisable == []


class ScrubArray(np.ndarray):
    """An ndarray subclass: the particle model writes it through the models' table entries."""


@pytest.mark.parametrize("pah_cls", ["CReactDim", "CDimerCoal", "CDimerCoalMod", "CCrossLink", "CCrossLinkMod",
                                     "CCrossLinkMerge"])
@pytest.mark.parametrize("spoil", [None, "precursor", "OH", "H"])
def test_scrub_in_one_pass_equals_the_entries_bit_for_bit(mod, gas, pah_cls, spoil, unraisable):
    # A plain float64 array (contiguous or strided) takes the exchange in one pass; where a write
    # would land outside it (the last precursor; OH, which only oxidation writes; H, which the
    # surface model and the cross-linking and dimer-coalescence models write) the one pass gives
    # way, maybe midway, and the entries write and report as they do on an ndarray subclass.
    gas.TPX = 1800.0, 101325.0, modular.RICH_X
    sg, sw, model = modular.graph(mod, gas, pah_cls=pah_cls)
    modular.step(sg, model, 1800.0, 101325.0, gas.Y, modular.SOOT)
    if spoil == "precursor":
        idx = sw.PAH_indices
        sw.PAH_indices = [idx[0], idx[1], 10 ** 6]
    elif spoil:
        sg._species_index_dict[spoil] = 10 ** 6
    n = gas.n_species
    runs = []
    for w in (np.full(n, np.nan), np.full(2 * n, np.nan)[::2], np.full(n, np.nan).view(ScrubArray)):
        model.w_scrub = w
        model.update_w_scrub()          # the gas wrapper's index cache then holds every name the writes use
        unraisable.clear()
        model.update_w_scrub()
        reports = [(str(u.object), u.exc_type, str(u.exc_value)) for u in unraisable]
        runs.append((np.array(model.w_scrub).tobytes(), reports))
    assert runs[0] == runs[1] == runs[2]
    assert bool(runs[0][1]) == bool(spoil) and np.array(model.w_scrub).any()


def test_lists_changed_after_sizing_never_read_out_of_bounds(mod, gas, unraisable):
    sg, sw, m = setup_model(mod, gas)
    sw.PAH_n_C = [6.0]                                   # shorter than the model's sizing
    sw.PAH_n_H = []
    m.update()                                           # reported, no crash
    assert IndexError in {u.exc_type for u in unraisable}
    assert m.C_tot_PAH_each(0) == 0.0


def test_python_callback_resizing_mid_loop_cannot_crash(mod, gas, unraisable):
    class Shrinking(mod.CReactDim):
        calls = 0

        def partial_particle_addition(self):
            type(self).calls += 1
            if type(self).calls == 2:
                w = self.soot_wrapper
                w.set_precursors(w.PAH_indices[:1], w.PAH_n_C[:1], w.PAH_n_H[:1])
            return True

    sg, sw, m = setup_model(mod, gas, cls=Shrinking)
    m.update()
    assert m.n_dimers == 1 and Shrinking.calls == 2
    assert [u.exc_type for u in unraisable] == [IndexError]
    assert str(unraisable[0].object) == "pyrandel.lib._pyrandel.CReactDim._update_NCH_inception"


def test_zero_divisors_reported_under_the_entries(mod, gas, unraisable):
    sg, sw, m = setup_model(mod, gas)
    sg.update(sg.T, sg.P, list(sg.X_array), 0.0, sg.mu, sg.mean_MW)
    m.update()
    names = [str(u.object) for u in unraisable]
    assert names == ["pyrandel.lib._pyrandel.CReactDim._update_CH_tot_PAH"]
    assert str(unraisable[0].exc_value) == "float division"
    assert (m.C_tot_PAH_total(), m.H_tot_PAH_total()) == (0.0, 0.0)
    unraisable.clear()
    sg, sw, m = setup_model(mod, gas)
    sg.update(sg.T, sg.P, list(sg.X_array), sg.rho, 0.0, sg.mean_MW)
    m.update()
    assert {str(u.object) for u in unraisable} == {"pyrandel.lib._pyrandel.CReactDim.beta_cont_soot_PAH"}
    assert m.k_f_adsorption == [0.0] * 3 and m._PAH_adsorption_rate == [0.0] * 3


# ------------------------------------------------------- overrides and pickling

def test_overrides_by_name_are_seen_and_table_entries_are_not(mod, gas, unraisable):
    seen = []

    class Sub(mod.CReactDim):
        def PAH_n_C(self):                       # read by the PAH volume through its name
            seen.append("PAH_n_C")
            return [2.0 * c for c in super().PAH_n_C()]

        def PAH_adsorption_enabled(self):
            seen.append("PAH_adsorption_enabled")
            return False

        # internal table entries: never looked up by name
        def k_FWD(self, i, j):
            seen.append("k_FWD")
            return 0.0

        def _update_w_scrub_PAH(self, w):
            seen.append("_update_w_scrub_PAH")

    sg, sw, m = setup_model(mod, gas, cls=Sub)
    sg2, sw2, plain = setup_model(mod, gas)
    m.update()
    plain.update()
    assert "PAH_n_C" in seen and "PAH_adsorption_enabled" in seen and "k_FWD" not in seen
    assert m.C_tot_PAH_total() == 0.0 and plain.C_tot_PAH_total() > 0          # adsorption switched off by name
    ratio = np.array(m.c_phy_dimer) / np.array(plain.c_phy_dimer)
    assert np.all(np.abs(ratio - 1.0) > 1e-6)                                 # doubled carbon counts changed sizes
    assert unraisable == []


def test_fast_path_equals_the_looked_up_path(mod, gas):
    class Same(mod.CReactDim):
        def inception_enabled(self):
            return super().inception_enabled()

        def partial_particle_addition(self):
            return super().partial_particle_addition()

        def PAH_n_H(self):
            return super().PAH_n_H()

    sg, sw, m = setup_model(mod, gas, cls=Same)
    sg2, sw2, plain = setup_model(mod, gas)
    m.update()
    plain.update()
    for name in ("c_phy_dimer", "w_chem_dimer", "k_f_adsorption", "c_soot_PAH_star", "_N_agg_inception_each",
                 "_C_tot_PAH_each", "_H_tot_PAH_each"):
        assert getattr(m, name) == getattr(plain, name), name


def test_V_agg_held_elsewhere_keeps_its_value(mod, gas):
    """The aggregate volume the particle model hands over each step: an object read out earlier keeps its
    value when the next step stores a new one."""
    sg, sw, model = modular.graph(mod, gas)
    pah = sw.PAH_growth_model
    soot = np.array([2.0e-9, 8.0e-9, 4.0e-5, 6.0e-6])
    values = []
    for k in range(3):
        # the carbon, and with it the aggregate volume, grows
        modular.step(sg, model, 1800.0, ct.one_atm, gas.Y, soot * [1.0, 1.0, 1.0 + k, 1.0])
        values.append(pah.V_agg)
    assert values[1] / values[0] == pytest.approx(2.0) and values[2] / values[0] == pytest.approx(3.0)


def test_kept_geometry_and_pair_values_follow_changes_bit_for_bit(mod, gas):
    # The kept per-precursor geometry and per-pair constants against fresh models,
    # and against a gas wrapper subclass (read through the entries).
    names = ("c_phy_dimer", "w_chem_dimer", "k_f_adsorption", "k_r_adsorption", "c_soot_PAH_star",
             "_N_agg_inception_each", "_C_tot_PAH_each", "_H_tot_PAH_each")

    class Gas(mod.CSootGas):
        pass

    def fresh_model(n_H):
        sg2, sw2, fresh = setup_model(mod, gas)
        sw2.PAH_n_H = n_H
        fresh.k_FWD_prefactor = 1.3
        fresh.update()
        return sw2, fresh

    def same(a, b):
        return all(getattr(a, name) == getattr(b, name) for name in names)

    sg, sw, m = setup_model(mod, gas)
    m.update()
    m.update()                                           # geometry and pair constants kept
    m.k_FWD_prefactor = 1.3
    m.update()
    assert same(m, fresh_model(list(sw.PAH_n_H))[1])
    sw.PAH_n_H = sw.PAH_n_H[:2] + [sw.PAH_n_H[2] + 2.0]  # new geometry for the third precursor only
    m.update()
    sw2, fresh = fresh_model(list(sw.PAH_n_H))
    assert same(m, fresh)
    m.update()
    assert same(m, fresh)
    sub = Gas(gas)
    sub.update_MWs(np.asarray(gas.molecular_weights) / 1000.0)
    sub.set_species_indices({n: i for i, n in enumerate(gas.species_names)})
    sub.update_thermo_TPUY(sg.T, sg.P, gas.Y)
    sub.update_transport()
    sw2.soot_gas = sub
    on_sub = mod.CReactDim(sw2)
    on_sub.create_PAH_dimer()
    on_sub.update_soot_vars(*SOOT_VARS)
    on_sub.k_FWD_prefactor = 1.3
    on_sub.update()
    assert same(m, on_sub)


@pytest.mark.parametrize("cls", ["CDimerCoal", "CDimerCoalMod", "CCrossLink", "CCrossLinkMod", "CCrossLinkMerge"])
def test_step_geometry_follows_precursor_changes_bit_for_bit(mod, gas, cls, unraisable):
    # The step geometry kept from one step to the next against the looked-up path (a Python
    # subclass): a changed atom count, then a precursor of no atoms, which the kept path refuses.
    names = ("w_dimer", "_N_agg_inception_each", "_C_tot_inception_each", "_PAH_adsorption_rate",
             "_H_tot_PAH_each")
    runs = []
    for kind in (cls, type("Same", (getattr(mod, cls),), {})):
        sg, sw, m = modular.installed(mod, gas, kind)
        unraisable.clear()
        seen = []
        for n_C, n_H in ((None, None), (None, 2.0), (10.0, -10.0), (None, None)):
            if n_C is not None:
                sw.PAH_n_C = sw.PAH_n_C[:2] + [n_C]
            if n_H is not None:
                sw.PAH_n_H = sw.PAH_n_H[:2] + [sw.PAH_n_H[2] + n_H if n_C is None else n_H]
            try:
                m.update()
                seen.append([[x.hex() for x in getattr(m, n)] for n in names])
            except Exception as e:  # noqa: BLE001
                seen.append((type(e), str(e)))
        runs.append((seen, [(str(u.object), u.exc_type) for u in unraisable]))
    assert runs[0] == runs[1]
    assert runs[0][0][0] != runs[0][0][1] and runs[0][1]


class Truthy:
    def __bool__(self):
        return True


@pytest.mark.parametrize("switch", [1, np.True_, Truthy()])
def test_switch_objects_give_the_bits_of_true(mod, gas, switch):
    # A switch whose truth may run code takes the entries' way; both ways agree bit for bit.
    results = []
    for value in (True, switch):
        sg, sw, m = setup_model(mod, gas)
        sw.partial_particle_addition = value
        m.update()
        results.append([getattr(m, name) for name in (
            "c_phy_dimer", "w_chem_dimer", "_N_agg_inception_each", "_C_tot_inception_each",
            "_H_tot_inception_each", "_N_agg_inception_total", "_C_tot_inception_total", "_H_tot_inception_total",
            "k_f_adsorption", "k_r_adsorption", "c_soot_PAH_star", "_C_tot_PAH_each", "_H_tot_PAH_total")])
    assert results[0] == results[1]


def spoil_rho(sg, sw, m):
    sg.update(sg.T, sg.P, list(sg.X_array), 0.0, sg.mu, sg.mean_MW)


def spoil_mu(sg, sw, m):
    sg.update(sg.T, sg.P, list(sg.X_array), sg.rho, 0.0, sg.mean_MW)


def spoil_balance(sg, sw, m):                     # neither dissociation nor reaction: k_REV + k_REAC == 0
    m.K_REACT_prefactor = m.k_FWD_prefactor = 0.0


def spoil_switch(sg, sw, m):
    sw.partial_particle_addition = Truthy()


def spoil_geometry(sg, sw, m):                    # a precursor of no atoms
    sw.PAH_n_C = sw.PAH_n_C[:2] + [0.0]
    sw.PAH_n_H = sw.PAH_n_H[:2] + [0.0]


def spoil_dimer_count(sg, sw, m):                 # a restored negative dimer count: no dimers
    names = sorted(f.name for f in fields_of("CReactDim"))
    r = m.__reduce__()
    state = list(r[2] if len(r) == 3 else r[1][2])
    state[names.index("n_dimers")] = -1
    m.__setstate__(tuple(state))


@pytest.mark.parametrize("spoil", [None, spoil_rho, spoil_mu, spoil_balance, spoil_switch, spoil_geometry,
                                   spoil_dimer_count])
def test_exact_class_and_subclass_give_the_same_values_and_reports(mod, gas, spoil, unraisable):
    # Whether or not an update may go the plain way, the exact class gives the bits and the
    # reports (entry, type, text, in order) of a subclass that overrides nothing.
    runs = []
    for cls in (mod.CReactDim, type("Same", (mod.CReactDim,), {})):
        sg, sw, m = setup_model(mod, gas, cls=cls)
        if spoil:
            spoil(sg, sw, m)
        unraisable.clear()
        m.update()
        m.update()
        values = [np.array(getattr(m, name), float).tobytes() for name in (
            "c_phy_dimer", "w_chem_dimer", "_N_agg_inception_each", "_C_tot_inception_each",
            "_H_tot_inception_each", "_N_agg_inception_total", "_C_tot_inception_total", "_H_tot_inception_total",
            "k_f_adsorption", "k_r_adsorption", "c_soot_PAH_star", "_PAH_adsorption_rate", "_C_tot_PAH_each",
            "_H_tot_PAH_each", "_C_tot_PAH_total", "_H_tot_PAH_total")]
        runs.append((values, [(str(u.object).rsplit(".", 1)[1], u.exc_type, str(u.exc_value)) for u in unraisable]))
    assert runs[0] == runs[1]
    assert bool(runs[0][1]) == (spoil in (spoil_rho, spoil_mu, spoil_balance, spoil_geometry))


def test_pickle_and_deepcopy_keep_the_state(mod, gas):
    sg, sw, m = setup_model(mod, gas)
    m.K_PAH_ADS_prefactor = 1.7
    m.update()
    sg.cantera_gas = None                     # the Cantera object itself does not pickle
    for twin in (pickle.loads(pickle.dumps(m)), copy.deepcopy(m)):
        assert type(twin) is mod.CReactDim
        for name in ("n_PAHs", "n_dimers", "dimer_PAH_2_id", "dimer_n_H", "c_phy_dimer", "w_chem_dimer",
                     "K_PAH_ADS_prefactor", "d_g", "_C_tot_PAH_each", "_H_tot_inception_total"):
            assert getattr(twin, name) == getattr(m, name), name
        assert twin.soot_wrapper.PAH_indices == sw.PAH_indices
        assert twin.soot_wrapper.soot_gas.T == sg.T
