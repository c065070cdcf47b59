"""PAH dimerisation of the classic soot model: reactive (variant 1) and
irreversible (variant 5) dimerisation with the shared dimer and adsorption
kinetics, on gri30 extended with soot precursors."""

import math

import numpy as np
import pytest

ct = pytest.importorskip("cantera")

from gases import PAH_DATA, configured_model, pah_gas  # noqa: E402

from pyrandel.lib._pyrandel import CSootModel  # noqa: E402

R_GAS = 8.31446261815324
AV = 6.02214076e23
KB = 1.3806488e-23
PI_FIELD = 3.1415926535
MW_C = 0.012011
MW_H = 0.00100784
LN10 = math.log(10.0)

# Two stand-in species for the non-steady-state options: a physical pyrene
# dimer and pyrene adsorbed on soot (thermo of twice and once pyrene; test data).
A4 = PAH_DATA["A4"]
STAND_INS = {
    "A4DIM": (32, 20, 2 * A4[2], 2 * A4[3], [(t, 2 * c) for t, c in A4[4]], (1200.0, 9.5, 56.0)),
    "A4S": A4,
}
PAHS = ("A1", "A2", "A4")
N_ATOMS = {n: (d[0], d[1]) for n, d in dict(PAH_DATA, **STAND_INS).items()}
X_RICH = ("C2H4:1.0, O2:1.5, N2:5.64, C2H2:0.08, H2:0.06, H:0.006, OH:0.001, H2O:0.2, "
          "CO:0.15, CO2:0.05, A1:1e-4, A2:5e-5, A4:1e-5, A4DIM:1e-9, A4S:1e-8")

# A young soot population: 1e16 aggregates per kg of ten 5 nm primaries each.
_N_AGG = 1e16 / AV
_C_TOT = 10 * _N_AGG * AV * 1800.0 * np.pi / 6 * 5e-9 ** 3 / MW_C
SOLUTION = np.array([_N_AGG, 10 * _N_AGG, _C_TOT, 0.1 * _C_TOT])


@pytest.fixture(scope="module")
def gas():
    g, _ = pah_gas(STAND_INS)
    g.TPX = 1800.0, ct.one_atm, X_RICH
    return g


def atoms(gas, element):
    return np.array([gas.n_atoms(k, element) for k in range(gas.n_species)])


def configured(gas, variant=1, pahs=PAHS, cls=CSootModel, **attrs):
    return configured_model(gas, pahs, variant, cls, **attrs)


def step(soot, gas, T=None, X=None):
    soot.update_gas(gas.T if T is None else T, gas.P, gas.density, gas.viscosity,
                    gas.mean_molecular_weight, gas.X if X is None else X)
    soot.update_solution(SOLUTION)
    return soot


def stepped(gas, variant=1, pahs=PAHS, cls=CSootModel, T=None, X=None, **attrs):
    return step(configured(gas, variant, pahs, cls, **attrs), gas, T, X)


# ------------------------------------------------------------ element balances

SWITCHES = {
    "PAH only": dict(growth_HACA_enabled=False, oxidation_enabled=False),
    "all processes": dict(),
}


@pytest.mark.parametrize("variant", [1, 5])
@pytest.mark.parametrize("switches", list(SWITCHES), ids=list(SWITCHES))
def test_carbon_taken_from_gas_equals_carbon_added_to_soot(gas, variant, switches):
    soot = stepped(gas, variant, **SWITCHES[switches])
    source = soot.S_C_tot()
    soot.update_scrub_wdot()
    n_c = atoms(gas, "C")
    terms = soot.scrub_wdot * n_c * 1000.0 / soot.density
    assert soot.p_dC_tot_dt_PAH > 0 and soot.inception(2) > 0
    scale = np.abs(terms).sum()
    assert abs(terms.sum() + source) <= 1e-12 * scale


@pytest.mark.parametrize("variant", [1, 5])
def test_hydrogen_balance_releases_one_H2_per_dimer(gas, variant):
    soot = stepped(gas, variant, growth_HACA_enabled=False, oxidation_enabled=False)
    soot_gain = soot.S_H_tot()
    soot.update_scrub_wdot()
    terms = soot.scrub_wdot * atoms(gas, "H") * 1000.0 / soot.density
    dimers = soot.p_ROP.sum() / soot.density
    assert dimers > 0
    scale = np.abs(terms).sum()
    # Gas loses what soot gains, less the two H atoms of each dimer's H2.
    assert abs(terms.sum() + soot_gain - 2 * dimers) <= 1e-12 * scale
    # Adsorption alone: hydrogen balances exactly.
    soot.inception_enabled = False
    soot_gain = soot.S_H_tot()
    soot.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
    soot.update_scrub_wdot()
    terms = soot.scrub_wdot * atoms(gas, "H") * 1000.0 / soot.density
    assert abs(terms.sum() + soot_gain) <= 1e-12 * np.abs(terms).sum()


def test_balances_with_dimer_and_complex_species(gas):
    """Both intermediates taken from gas species: counting their own production
    rates with the scrubbing rates, carbon balances and hydrogen is off by one
    H2 per dimer."""
    soot = stepped(gas, 1, pahs=("A4",), growth_HACA_enabled=False, oxidation_enabled=False,
                   steady_state_physical_dimerization=False, steady_state_PAH_adsorption=False,
                   phy_dimer_index_in_gas=[gas.species_index("A4DIM")],
                   soot_PAH_index_in_gas=[gas.species_index("A4S")])
    s_c, s_h = soot.S_C_tot(), soot.S_H_tot()
    soot.update_scrub_wdot()
    wdot = soot.scrub_wdot.copy()
    wdot[gas.species_index("A4DIM")] += soot.phy_dimer_wdot[0]
    wdot[gas.species_index("A4S")] += soot.soot_PAH_wdot[0]
    # The dimer species is consumed, the precursor flux is the net physical dimerisation.
    assert soot.p_ROP[0] > 0 and soot.phy_dimer_wdot[0] != 0 and soot.soot_PAH_wdot[0] != 0
    c = wdot * atoms(gas, "C") * 1000.0 / soot.density
    h = wdot * atoms(gas, "H") * 1000.0 / soot.density
    assert abs(c.sum() + s_c) <= 1e-12 * np.abs(c).sum()
    assert abs(h.sum() + s_h - 2 * soot.p_ROP[0] / soot.density) <= 1e-12 * np.abs(h).sum()
    # The adsorbed amount is the clipped concentration of the complex species.
    assert soot.p_soot_PAH_star == [soot.molar_density(gas.species_index("A4S"))]


@pytest.mark.parametrize("variant", [1, 5])
def test_rates_vanish_without_precursors_in_the_gas(gas, variant):
    X = gas.X.copy()
    for n in PAHS:
        X[gas.species_index(n)] = 0.0
    soot = stepped(gas, variant, X=X)
    assert list(soot.p_ROP) == [0.0] * len(soot.p_ROP)
    assert soot.p_dC_tot_dt_PAH_each == [0.0] * 3 and soot.p_dH_tot_dt_PAH_each == [0.0] * 3
    assert soot.inception(0) == soot.inception(2) == soot.inception(3) == 0.0
    soot.update_scrub_wdot()
    assert all(soot.scrub_wdot[gas.species_index(n)] == 0.0 for n in PAHS)


def test_no_precursors_gives_empty_sums(gas):
    for variant in (1, 5):
        soot = stepped(gas, variant, pahs=())
        assert soot.dC_tot_dt_PAH() == 0.0
        h = soot.dH_tot_dt_PAH()
        assert h == 0 and type(h) is int
        assert soot.inception_N_agg() == soot.inception_C_tot() == soot.inception_H_tot() == 0.0
    soot = stepped(gas, 1)
    assert type(soot.dH_tot_dt_PAH()) is float


# ----------------------------------------------------------- set-up and pairs

@pytest.mark.parametrize("variant, pahs, pairs", [
    (1, ("A4",), [(0, 0)]),
    (1, PAHS, [(0, 0), (0, 1), (0, 2), (1, 1), (1, 2), (2, 2)]),
    (5, ("A4",), [(0, 0)]),
    (5, PAHS, [(0, 0), (1, 1), (2, 2)]),
])
def test_dimer_numbering(gas, variant, pahs, pairs):
    soot = configured(gas, variant, pahs)
    assert list(zip(soot.dimer_PAH_1_id, soot.dimer_PAH_2_id)) == pairs
    n_c = [N_ATOMS[n][0] for n in pahs]
    n_h = [N_ATOMS[n][1] for n in pahs]
    assert list(soot.dimer_n_C) == [n_c[i] + n_c[j] for i, j in pairs]
    assert list(soot.dimer_n_H) == [n_h[i] + n_h[j] for i, j in pairs]
    assert list(soot.p_ROP) == [0.0] * len(pairs)
    assert len(soot.p_dC_tot_dt_PAH_each) == len(pahs)
    if variant == 1:
        assert len(soot.phy_dimer_wdot) == len(soot.p_phy_dimer_) == len(pairs)
        assert len(soot.soot_PAH_wdot) == len(soot.p_k_f_soot_PAH) == len(pahs)


def test_switching_variant_and_reinitialising_resizes(gas):
    soot = stepped(gas, 1)
    assert len(soot.p_ROP) == len(soot.dimer_PAH_1_id) == 6
    soot.PAH_growth_model_name = "irreversible_dimerization"
    soot.initialize()
    assert len(soot.p_ROP) == len(soot.dimer_n_C) == len(soot.dimer_PAH_2_id) == 3
    # Variant 5 leaves the physical-dimer data of variant 1 alone.
    assert len(soot.p_phy_dimer_) == len(soot.phy_dimer_wdot) == 6
    step(soot, gas)
    assert all(r > 0 for r in soot.p_ROP)
    soot._set_PAH_growth_model(1)
    soot.initialize()
    assert len(soot.p_ROP) == len(soot.dimer_n_H) == 6


@pytest.mark.parametrize("i, j", [(0, 1), (0, 2), (1, 2)])
def test_pair_quantities_are_symmetric(gas, i, j):
    soot = stepped(gas, 1)
    for f in (soot.reduced_m, soot.reduced_d, soot.k_FWD, soot.k_REV):
        assert f(i, j) == f(j, i)
    m_i = soot.MWs[soot.PAH_index_in_gas[i]] / AV
    assert soot.reduced_m(i, i) == pytest.approx(m_i / 2, rel=1e-15)


# ------------------------------------------------------------ closed forms

def ref_diameter(soot, i):
    m = soot.MWs[soot.PAH_index_in_gas[i]] / AV
    n_c, n_h = soot.PAH_Number_Carbon[i], soot.PAH_Number_Hydrogen[i]
    rho = (n_c * MW_C + n_h * MW_H) * 171943.5197 / (n_c + n_h)
    return (m / rho * 6 / PI_FIELD) ** (1 / 3)


def ref_pair(soot, i, j):
    M_i = soot.MWs[soot.PAH_index_in_gas[i]]
    M_j = soot.MWs[soot.PAH_index_in_gas[j]]
    m_i, m_j = M_i / AV, M_j / AV
    d_i, d_j = ref_diameter(soot, i), ref_diameter(soot, j)
    mu = m_i * m_j / (m_i + m_j)
    d = 2 * d_i * d_j / (d_i + d_j)
    k_fwd = d ** 2.0 * (1.0 * 2.2 * 0.1 * AV) * (8.0 * np.pi * KB * soot.T / mu) ** 0.5
    E = 933420.0 * (M_i * M_j) / (M_i + M_j) - 34053.0
    k_rev = k_fwd * 10 ** (-1.8) * np.exp(E * (-0.115) * LN10 / (soot.T * R_GAS))
    return mu, d, k_fwd, k_rev


def ref_adsorption(soot, i):
    T, lam = soot.T, soot.p_lambda_gas
    m_i = soot.MWs[soot.PAH_index_in_gas[i]] / AV
    d_i = ref_diameter(soot, i)

    def cs(d):
        return 1 + (2 * lam / d) * (1.21 + 0.4 * np.exp(-0.78 * d / lam))

    fm = (d_i + soot.p_d_g) ** 2.0 * ((PI_FIELD * KB * T * 0.5 * (1.0 / soot.m_Ag() + 1 / m_i)) ** 0.5 * 2.2)
    cont = (2 * KB * T / (soot.viscosity * 3)) * (cs(soot.p_d_m) / soot.p_d_g + cs(d_i) / d_i) \
        * (d_i + soot.p_d_g)
    k_f = fm * cont / (fm + cont) * AV
    m_s = soot.C_tot * MW_C / soot.N_agg
    M = soot.MWs[soot.PAH_index_in_gas[i]]
    E = 933420.0 * (m_s * M) / (m_s + M) - 34053.0
    k_r = 10 ** (-1.8) * k_f * np.exp(E * (-0.115) * LN10 / (T * R_GAS))
    return cs(d_i), fm, cont, k_f, k_r


@pytest.mark.parametrize("i, j", [(0, 0), (0, 2), (1, 2), (2, 2)])
def test_pair_kinetics_match_their_formulas(gas, i, j):
    soot = stepped(gas, 1)
    mu, d, k_fwd, k_rev = ref_pair(soot, i, j)
    assert soot.reduced_m(i, j) == pytest.approx(mu, rel=1e-13)
    assert soot.reduced_d(i, j) == pytest.approx(d, rel=1e-13)
    assert soot.k_FWD(i, j) == pytest.approx(k_fwd, rel=1e-13)
    assert soot.k_REV(i, j) == pytest.approx(k_rev, rel=1e-13)
    k_reac = 5e6 * np.exp(-96232 / (soot.T * R_GAS))
    assert soot.k_REAC() == pytest.approx(k_reac, rel=1e-13)
    # Steady-state physical dimer and the chemical dimer formed from it.
    b = list(zip(soot.dimer_PAH_1_id, soot.dimer_PAH_2_id)).index((i, j))
    c_i = soot.molar_density(soot.PAH_index_in_gas[i])
    c_j = soot.molar_density(soot.PAH_index_in_gas[j])
    phy = k_fwd * c_i * c_j / (k_rev + k_reac)
    assert soot.p_phy_dimer_[b] == pytest.approx(phy, rel=1e-13)
    assert soot.ROP_dimer(b) == pytest.approx(k_reac * phy, rel=1e-13)
    assert soot.p_ROP[b] == pytest.approx(k_reac * phy, rel=1e-13)


@pytest.mark.parametrize("i", [0, 1, 2])
def test_adsorption_kinetics_match_their_formulas(gas, i):
    soot = stepped(gas, 1)
    cs_i, fm, cont, k_f, k_r = ref_adsorption(soot, i)
    assert soot.C_S_soot(ref_diameter(soot, i)) == pytest.approx(cs_i, rel=1e-13)
    assert soot.beta_fm_soot_PAH(i) == pytest.approx(fm, rel=1e-13)
    assert soot.beta_cont_soot_PAH(i) == pytest.approx(cont, rel=1e-13)
    assert soot.k_f_soot_PAH(i) == pytest.approx(k_f, rel=1e-13)
    assert soot.p_k_f_soot_PAH[i] == pytest.approx(k_f, rel=1e-13)
    assert soot.k_r_soot_PAH(i) == pytest.approx(k_r, rel=1e-13)
    k_pah = 2e10 * np.exp(-96232 / (soot.T * R_GAS))
    assert soot.k_PAH() == pytest.approx(k_pah, rel=1e-13)
    c = max(soot.molar_density(soot.PAH_index_in_gas[i]), 0.0)
    star = soot.N_agg * soot.density * k_f * c / (k_r + k_pah)
    assert soot.soot_PAH_star(i) == pytest.approx(star, rel=1e-13)
    assert soot.p_soot_PAH_star[i] == pytest.approx(star, rel=1e-13)
    n_c, n_h = soot.PAH_Number_Carbon[i], soot.PAH_Number_Hydrogen[i]
    assert soot.p_dC_tot_dt_PAH_each[i] == pytest.approx(n_c * k_pah * star / soot.density, rel=1e-13)
    assert soot.p_dH_tot_dt_PAH_each[i] == pytest.approx((n_h - 2) * k_pah * star / soot.density, rel=1e-13)
    # Variant 5: direct adsorption, carbon and hydrogen at the same rate constant.
    soot5 = stepped(gas, 5)
    assert soot5.k_PAH_ads_irrevd(i) == soot5.beta_fm_soot_PAH(i)
    rate = k_f * (soot5.N_agg * soot5.density) * c / soot5.density
    assert soot5.p_dC_tot_dt_PAH_each[i] == pytest.approx(n_c * rate, rel=1e-13)
    assert soot5.p_dH_tot_dt_PAH_each[i] == pytest.approx((n_h - 2) * rate, rel=1e-13)


@pytest.mark.parametrize("variant", [1, 5])
@pytest.mark.parametrize("modified", [False, True])
def test_inception_terms(gas, variant, modified):
    soot = stepped(gas, variant, modified_particle_addition=modified)
    rop, n_c, n_h = soot.p_ROP, soot.dimer_n_C, soot.dimer_n_H
    rho = soot.density
    assert soot.inception_C_tot() == pytest.approx(np.dot(rop, n_c) / rho, rel=1e-13)
    assert soot.inception_H_tot() == pytest.approx(np.dot(rop, n_h) / rho, rel=1e-13)
    n_agg = np.dot(rop, n_c) / 378 / rho if modified else np.sum(rop) / rho
    assert soot.inception_N_agg() == pytest.approx(n_agg, rel=1e-13)
    assert soot.inception(1) == soot.inception(0)


def test_irreversible_rate_is_ten_times_forward_constant(gas):
    soot = stepped(gas, 5)
    for b in range(3):
        c = soot.molar_density(soot.PAH_index_in_gas[b])
        k_nuc = soot.p_ROP[b] / c ** 2
        assert k_nuc == pytest.approx(10 * soot.k_FWD(b, b) * math.sqrt(PI_FIELD / math.pi), rel=1e-12)


def test_worked_values_for_one_pyrene_like_precursor(gas):
    """16 C, 10 H, M = 0.202 kg/mol, T = 1500 K, all multipliers 1."""
    mws = gas.molecular_weights / 1000.0
    mws[gas.species_index("A4")] = 0.202
    soot = stepped(gas, 1, pahs=("A4",), MWs=mws, T=1500.0)
    assert soot.reduced_d(0, 0) == pytest.approx(7.82e-10, rel=1e-3)
    assert ref_diameter(soot, 0) == soot.reduced_d(0, 0)
    assert soot.k_FWD(0, 0) == pytest.approx(1.43e8, rel=4e-3)
    assert soot.k_REV(0, 0) == pytest.approx(6.30e5, rel=1e-3)
    assert soot.k_REAC() == pytest.approx(2.23e3, rel=3e-3)
    assert soot.k_PAH() == pytest.approx(8.91e6, rel=1e-3)
    soot = stepped(gas, 5, pahs=("A4",), MWs=mws, T=1500.0)
    c = soot.molar_density(gas.species_index("A4"))
    assert soot.p_ROP[0] / c ** 2 == pytest.approx(1.43e9, rel=4e-3)


def test_negative_precursor_concentration(gas):
    X = gas.X.copy()
    X[gas.species_index("A2")] = -1e-6
    soot = stepped(gas, 1, X=X)
    pairs = list(zip(soot.dimer_PAH_1_id, soot.dimer_PAH_2_id))
    for b, (i, j) in enumerate(pairs):
        if (i == 1) != (j == 1):
            assert soot.p_phy_dimer_[b] < 0 and soot.p_ROP[b] == 0.0
    assert soot.p_soot_PAH_star[1] == 0.0
    soot = stepped(gas, 5, X=X)
    assert soot.p_ROP[1] > 0 and soot.p_dC_tot_dt_PAH_each[1] == 0.0


def test_steady_state_switches_do_not_touch_variant_5(gas):
    base = stepped(gas, 5)
    other = stepped(gas, 5, steady_state_physical_dimerization=False, steady_state_PAH_adsorption=False)
    assert list(other.p_ROP) == list(base.p_ROP)
    assert other.p_dC_tot_dt_PAH_each == base.p_dC_tot_dt_PAH_each
    base.update_scrub_wdot()
    other.update_scrub_wdot()
    assert list(other.scrub_wdot) == list(base.scrub_wdot)


# --------------------------------------------------------------- overrides

class DoublePAH(CSootModel):
    """Doubles the concentration of every precursor species."""

    def molar_density(self, index):
        c = super().molar_density(index)
        return 2 * c if index in self.PAH_index_in_gas else c


class TripleAdsorption(CSootModel):
    def k_f_soot_PAH(self, PAH_id):
        return 3 * super().k_f_soot_PAH(PAH_id)


@pytest.mark.parametrize("variant", [1, 5])
def test_python_overrides_are_seen(gas, variant):
    base = stepped(gas, variant)
    doubled = stepped(gas, variant, cls=DoublePAH)
    # Dimer rates go with the product of two concentrations.
    assert list(doubled.p_ROP) == [4 * r for r in base.p_ROP]
    tripled = stepped(gas, variant, cls=TripleAdsorption)
    if variant == 1:
        assert tripled.p_k_f_soot_PAH == pytest.approx([3 * k for k in base.p_k_f_soot_PAH], rel=1e-15)
    else:
        assert tripled.p_dC_tot_dt_PAH_each == pytest.approx([3 * v for v in base.p_dC_tot_dt_PAH_each],
                                                           rel=1e-14)
        assert tripled.p_dH_tot_dt_PAH_each == pytest.approx([3 * v for v in base.p_dH_tot_dt_PAH_each],
                                                           rel=1e-14)
    # The subclass still balances carbon.
    source = tripled.S_C_tot()
    tripled.update_scrub_wdot()
    terms = tripled.scrub_wdot * atoms(gas, "C") * 1000.0 / tripled.density
    assert abs(terms.sum() + source) <= 1e-12 * np.abs(terms).sum()


class Shrinking(CSootModel):
    """Empties the precursor data from inside a step."""

    def molar_density(self, index):
        c = super().molar_density(index)
        if index in self.PAH_index_in_gas:
            self.PAH_index_in_gas = []
            self.create_PAH_dimer()
        return c


@pytest.mark.parametrize("variant", [1, 5])
def test_arrays_resized_during_a_step(gas, variant):
    soot = configured(gas, variant, cls=Shrinking)
    with pytest.raises(IndexError):
        step(soot, gas)


def test_k_FWD_override_reaches_physical_dimers(gas):
    class Sub(CSootModel):
        def k_FWD(self, i, j):
            return 0.0

    soot = stepped(gas, 1, cls=Sub)
    assert soot.p_phy_dimer_ == [0.0] * 6 and list(soot.p_ROP) == [0.0] * 6
    assert soot.k_REV(0, 1) == 0.0


# ---------------------------------------------------------------- failures

@pytest.mark.parametrize("call", [
    lambda s: s.soot_PAH_star(99),
    lambda s: s.ROP_dimer(99),
    lambda s: s.ROP_dimer(-1),
    lambda s: s.reduced_m(0, 99),
    lambda s: s.reduced_d(-1, 0),
    lambda s: s.k_FWD(3, 0),
    lambda s: s.k_f_soot_PAH(99),
    lambda s: s.k_r_soot_PAH(99),
    lambda s: s.beta_cont_soot_PAH(3),
    lambda s: s.k_PAH_ads_irrevd(99),
    lambda s: s.dC_tot_dt_PAH_each_reactived(99),
    lambda s: s.dH_tot_dt_PAH_each_irrevd(3),
])
def test_ids_out_of_range_raise_index_error(gas, call):
    soot = stepped(gas, 1)
    with pytest.raises(IndexError):
        call(soot)


def test_negative_size_t_id_raises_overflow(gas):
    soot = stepped(gas, 1)
    with pytest.raises(OverflowError, match="can't convert negative value to size_t"):
        soot.soot_PAH_star(-1)
    assert soot.soot_PAH_star(1.9) == soot.soot_PAH_star(1)


def _grow_list(soot, gas):
    soot.PAH_index_in_gas = [gas.species_index(n) for n in PAHS]
    soot.PAH_Number_Carbon = [N_ATOMS[n][0] for n in PAHS]
    soot.PAH_Number_Hydrogen = [N_ATOMS[n][1] for n in PAHS]


@pytest.mark.parametrize("variant", [1, 5])
def test_precursor_list_changed_without_initialize(gas, variant):
    soot = stepped(gas, variant, pahs=("A4",))
    _grow_list(soot, gas)
    with pytest.raises(IndexError):
        step(soot, gas)
    soot.initialize()
    step(soot, gas)


@pytest.mark.parametrize("variant", [1, 5])
def test_precursor_lists_of_unequal_length(gas, variant):
    soot = configured(gas, variant)
    soot.PAH_Number_Hydrogen = [6]
    with pytest.raises(IndexError):
        soot.initialize()
    soot = configured(gas, variant)
    soot.PAH_Number_Carbon = [6, 10]
    with pytest.raises(IndexError):
        step(soot, gas)


def test_variant_switched_without_initialize(gas):
    soot = stepped(gas, 5)
    soot._set_PAH_growth_model(1)
    with pytest.raises(IndexError):
        step(soot, gas)


def test_non_steady_state_without_index_lists(gas):
    with pytest.raises(IndexError):
        stepped(gas, 1, steady_state_physical_dimerization=False)
    with pytest.raises(IndexError):
        stepped(gas, 1, steady_state_PAH_adsorption=False)


@pytest.mark.parametrize("variant", [1, 5])
def test_precursor_with_two_hydrogen_atoms(gas, variant):
    soot = configured(gas, variant, pahs=("A1",))
    soot.PAH_Number_Hydrogen = [2]
    step(soot, gas)
    assert soot.p_dH_tot_dt_PAH_each == [0.0]
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        soot.update_scrub_wdot()


def test_inception_before_set_up_raises_type_error():
    soot = CSootModel()
    for f in (soot.inception_N_agg_reactived, soot.inception_C_tot_reactived,
              soot.inception_H_tot_irrevd):
        with pytest.raises(TypeError):
            f()


# ------------------------------------------------------------ scrubbing rows

def scrub_rows(soot, steady_dimers, steady_complex):
    """The hook's rows transcribed: scrub_wdot after one pass over a zeroed array."""
    w = np.zeros_like(soot.scrub_wdot)
    g = soot.PAH_index_in_gas
    n_c, n_h = soot.PAH_Number_Carbon, soot.PAH_Number_Hydrogen
    H2, H = soot.H2_index, soot.H_index
    if soot.inception_enabled:
        for b, (i, j) in enumerate(zip(soot.dimer_PAH_1_id, soot.dimer_PAH_2_id)):
            r = soot.p_ROP[b]
            if steady_dimers:
                w[g[i]] -= r / 1000.0
                w[g[j]] -= r / 1000.0
                w[H2] += r / 1000.0
            else:
                w[g[i]] -= soot.phy_dimer_wdot[b]
                w[g[j]] -= soot.phy_dimer_wdot[b]
                w[H2] += r / 1000.0
                w[soot.phy_dimer_index_in_gas[b]] -= r / 1000.0
    if soot.growth_enabled and soot.growth_PAH_adsorption_enabled:
        for i, k in enumerate(g):
            a_c = soot.p_dC_tot_dt_PAH_each[i] * soot.density / (n_c[i] * 1000)
            a_h = soot.p_dH_tot_dt_PAH_each[i] * soot.density * 2 / ((n_h[i] - 2) * 1000)
            if steady_complex:
                w[k] -= a_c
                w[H] += a_h
            else:
                w[k] -= soot.soot_PAH_wdot[i]
                w[H] += a_h
                w[soot.soot_PAH_index_in_gas[i]] -= a_c
    return w


@pytest.mark.parametrize("variant, steady_dimers, steady_complex, switches", [
    (1, True, True, {}),
    (1, False, True, {}),
    (1, True, False, {}),
    (1, False, False, {}),
    (1, False, False, {"inception_enabled": False}),
    (1, False, False, {"growth_PAH_adsorption_enabled": False}),
    (1, True, True, {"growth_enabled": False}),
    (5, False, False, {}),
    (5, True, True, {"inception_enabled": False}),
])
def test_scrubbing_rows(gas, variant, steady_dimers, steady_complex, switches):
    """Every row of both steady-state branches; variant 5 always takes the steady-state rows.
    All dimers share one dimer species and all precursors one complex species, so the rows
    accumulate on them."""
    soot = stepped(gas, variant, steady_state_physical_dimerization=steady_dimers,
                   steady_state_PAH_adsorption=steady_complex,
                   phy_dimer_index_in_gas=[gas.species_index("A4DIM")] * 6,
                   soot_PAH_index_in_gas=[gas.species_index("A4S")] * 3, **switches)
    expected = scrub_rows(soot, steady_dimers or variant == 5, steady_complex or variant == 5)
    assert np.count_nonzero(expected) >= 4
    soot.update_scrub_wdot_PAH_growth()
    assert np.array_equal(soot.scrub_wdot, expected)


class TurnsSwitches:
    """A scrub_wdot element that turns both steady-state switches off when read."""

    def __init__(self, soot):
        self.soot = soot

    def __float__(self):
        self.soot.steady_state_physical_dimerization = False
        self.soot.steady_state_PAH_adsorption = False
        return 0.0


@pytest.mark.parametrize("inception", [True, False])
def test_scrubbing_switches_turned_while_the_rows_are_written(gas, inception):
    """The switches are asked for at each row: the first row takes the steady
    form, the rows after the turn the non-steady one, and nothing crashes."""
    soot = stepped(gas, 1, inception_enabled=inception,
                   phy_dimer_index_in_gas=[gas.species_index("A4DIM")] * 6,
                   soot_PAH_index_in_gas=[gas.species_index("A4S")] * 3)
    w = np.zeros(len(soot.scrub_wdot), dtype=object)
    w[:] = 0.0
    w[soot.PAH_index_in_gas[0]] = TurnsSwitches(soot)
    soot.scrub_wdot = w
    soot.update_scrub_wdot_PAH_growth_reactived()
    assert not soot.steady_state_physical_dimerization
    if inception:
        expected = 0.0
        for r in soot.p_ROP[1:]:
            expected -= r / 1000.0
        assert soot.scrub_wdot[gas.species_index("A4DIM")] == expected != 0.0
    expected = 0.0
    for i in (0, 1, 2) if inception else (1, 2):
        expected -= (soot.p_dC_tot_dt_PAH_each[i] * soot.density
                     / (soot.PAH_Number_Carbon[i] * 1000))
    assert soot.scrub_wdot[gas.species_index("A4S")] == expected != 0.0


# ------------------------------------------------------------ rate clipping

class OddDimerRates(CSootModel):
    def ROP_dimer(self, dimer_id):
        return [math.nan, -1.0, 2.0, -1e-300, 0.0, math.inf][dimer_id]


class OddConcentrations(CSootModel):
    """NaN for benzene, a negative concentration for naphthalene."""

    def molar_density(self, index):
        c = super().molar_density(index)
        if index == self.PAH_index_in_gas[0]:
            return math.nan
        return -c if index == self.PAH_index_in_gas[1] else c


def test_formation_rates_are_clipped_at_zero_and_nan_passes(gas):
    rop = stepped(gas, 1, cls=OddDimerRates).p_ROP
    assert math.isnan(rop[0])
    assert list(rop[1:]) == [0.0, 2.0, 0.0, 0.0, math.inf]
    rop = stepped(gas, 5, cls=OddConcentrations).p_ROP
    assert math.isnan(rop[0]) and rop[1] > 0 and rop[2] > 0


# ---------------------------------------------------------- zero divisors

def armed(gas, variant, **overrides):
    """A stepped model whose overrides take effect only once the set-up and the step are done."""
    cls = type("Armed", (CSootModel,), {"armed": False})
    for name, f in overrides.items():
        def method(self, *args, _f=f, _name=name):
            return _f(self, *args) if self.armed else getattr(CSootModel, _name)(self, *args)
        setattr(cls, name, method)
    soot = stepped(gas, variant, cls=cls)
    cls.armed = True
    return soot


@pytest.mark.parametrize("variant, overrides, call, message", [
    (1, {"reduced_m": lambda s, i, j: 0.0}, lambda s: s.k_FWD(0, 1), "float division by zero"),
    (5, {"reduced_m": lambda s, i, j: 0.0}, lambda s: s.PAH_growth_update_irrevd(), "float division"),
    (1, {"m_Ag": lambda s: 0.0}, lambda s: s.beta_fm_soot_PAH(0), "float division by zero"),
    (5, {"m_Ag": lambda s: 0.0}, lambda s: s.k_PAH_ads_irrevd(0), "float division by zero"),
    (1, {"beta_fm_soot_PAH": lambda s, i: 1.0, "beta_cont_soot_PAH": lambda s, i: -1.0},
     lambda s: s.k_f_soot_PAH(0), "float division"),
    (1, {"k_REV": lambda s, i, j: -s.k_REAC()}, lambda s: s.update_phy_dimer_(), "float division"),
    (1, {}, lambda s: s.C_S_soot(0.0), "float division"),
], ids=["k_FWD", "k_nuc_irrevd", "beta_fm", "k_PAH_ads_irrevd", "k_f_soot_PAH", "phy_dimer",
        "C_S_soot"])
def test_zero_divisors(gas, variant, overrides, call, message):
    soot = armed(gas, variant, **overrides)
    with pytest.raises(ZeroDivisionError, match=f"^{message}$"):
        call(soot)


def test_zero_molar_mass_of_a_precursor(gas):
    soot = stepped(gas, 1)
    mws = soot.MWs.copy()
    mws[soot.PAH_index_in_gas[1]] = 0.0
    soot.MWs = mws
    for call in (lambda: soot.reduced_m(1, 1), lambda: soot.beta_fm_soot_PAH(1)):
        with pytest.raises(ZeroDivisionError, match="^float division$"):
            call()
    # A massless partner gives a zero reduced mass, which k_FWD divides as a Python float.
    with pytest.raises(ZeroDivisionError, match="^float division by zero$"):
        soot.k_FWD(0, 1)


def test_zero_density_in_growth_and_inception(gas):
    """Variant 1's growth and inception follow NumPy's rules; variant 5's growth divides floats."""
    soot1, soot5 = stepped(gas, 1), stepped(gas, 5)
    for soot in (soot1, soot5):
        with pytest.raises(ZeroDivisionError):  # the mean free path, after the state is stored
            soot.update_gas(gas.T, gas.P, 0.0, gas.viscosity, gas.mean_molecular_weight, gas.X)
        assert soot.density == 0.0
        assert soot.inception_N_agg() == soot.inception_C_tot() == math.inf
    assert soot1.dC_tot_dt_PAH_each_reactived(0) == math.inf
    for f in (soot5.dC_tot_dt_PAH_each_irrevd, soot5.dH_tot_dt_PAH_each_irrevd):
        with pytest.raises(ZeroDivisionError, match="^float division by zero$"):
            f(0)
