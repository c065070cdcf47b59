"""CSootModel PAH growth by self-collision (per precursor and lumped) and by cross-linking.

Run on a real Cantera gas: gri30 with benzene, naphthalene and pyrene added as soot precursors, in a
rich ethylene/air mixture at flame temperature with a young soot population.
"""
import numpy as np
import pytest

ct = pytest.importorskip("cantera")

from gases import PAH_DATA, configured_model, pah_gas  # noqa: E402

from pyrandel.lib._pyrandel import CSootModel  # noqa: E402

SELF_COLLISION, SELF_COLLISION_LUMP, CROSS_LINKING = 2, 3, 4
VARIANTS = [SELF_COLLISION, SELF_COLLISION_LUMP, CROSS_LINKING]

AV = 6.02214076e23
R_CONST = 8.31446261815324

PAHS = {name: (n_c, n_h) for name, (n_c, n_h, *_) in PAH_DATA.items()}
NAMES = tuple(PAHS)

RICH = {"C2H4": 1.0, "O2": 1.5, "N2": 5.64, "C2H2": 0.08, "H2": 0.06, "H": 0.006, "OH": 0.001,
        "H2O": 0.2, "CO": 0.15, "CO2": 0.05, "A1": 1e-3, "A2": 4e-4, "A4": 1e-4}
T_GAS = 1800.0

# A young soot population: 1e16 aggregates per kg of ten 5 nm primaries each.
N_AGG = 1e16 / AV
C_TOT = 10 * N_AGG * AV * 1800.0 * np.pi / 6 * (5e-9) ** 3 / 0.012011
SOLUTION = np.array([N_AGG, 10 * N_AGG, C_TOT, 0.1 * C_TOT])

STICK = [0.002, 0.01, 0.05]


@pytest.fixture(scope="module")
def pah_solution():
    return pah_gas()[0]


@pytest.fixture
def gas(pah_solution):
    set_state(pah_solution)
    return pah_solution


def set_state(gas, **changes):
    x = dict(RICH)
    x.update(changes)
    gas.TPX = T_GAS, ct.one_atm, x


def configure(gas, variant, names=NAMES, stick=STICK, cls=CSootModel, **switches):
    """A model on `gas` with the precursors `names`; HACA and oxidation off, so that only the PAH
    growth variant moves carbon and hydrogen; `switches` are set on top."""
    extra = {} if stick is None else {"stick_eff": stick[:len(names)]}
    return configured_model(gas, names, variant, cls, growth_HACA_enabled=False, oxidation_enabled=False,
                            **extra, **switches)


def step(m, gas):
    m.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
    m.update_solution(SOLUTION.copy())
    m.update_scrub_wdot()
    return m


def atoms(gas, element):
    return np.array([gas.n_atoms(k, element) for k in range(gas.n_species)])


def gas_uptake(m, gas, element):
    """Atoms of `element` the gas gains per kg of gas and second, from scrub_wdot (kmol/(m3 s))."""
    return float(np.dot(m.scrub_wdot, atoms(gas, element))) * 1000.0 / m.density


def soot_gain(m, var):
    """Inception plus growth by PAH of C_tot (var 2) or H_tot (var 3), mol/(kg s)."""
    return m.inception(var) + m.growth(var)


def hydrogen_lost(m, variant):
    """Hydrogen that the self-collision variants let vanish, mol/(kg s): a condensing dimer takes two
    precursor molecules from the gas, gives each one's two H less to the soot and returns only two H
    atoms to the gas."""
    if not (m.growth_enabled and m.growth_PAH_adsorption_enabled):
        return 0.0
    if variant == SELF_COLLISION:
        return 2 * sum(m.w_cond) / m.density
    if variant == SELF_COLLISION_LUMP:
        return 2 * m.w_lumpcond * sum(m.dimer_weight) / m.density
    return 0.0


SWITCHES = {
    "all": {},
    "no_inception": {"inception_enabled": False},
    "no_PAH_adsorption": {"growth_PAH_adsorption_enabled": False},
    "no_growth": {"growth_enabled": False},
}


@pytest.mark.parametrize("switches", SWITCHES.values(), ids=SWITCHES.keys())
@pytest.mark.parametrize("variant", VARIANTS)
def test_carbon_and_hydrogen_balance(gas, variant, switches):
    m = configure(gas, variant, **switches)
    step(m, gas)

    c_soot = soot_gain(m, 2)
    assert c_soot > 0.0
    assert gas_uptake(m, gas, "C") == pytest.approx(-c_soot, rel=1e-12)

    h_soot = soot_gain(m, 3)
    scale = abs(h_soot) + 2 * m.p_dC_tot_dt_PAH
    assert gas_uptake(m, gas, "H") + h_soot == pytest.approx(-hydrogen_lost(m, variant), rel=1e-12,
                                                             abs=1e-12 * scale)
    assert gas_uptake(m, gas, "O") == 0.0


@pytest.mark.parametrize("variant", VARIANTS)
def test_every_process_contributes(gas, variant):
    """Both inception and growth are non-trivial in the gas state the balances run on, and the
    self-collision variants really lose hydrogen (the offset is not zero)."""
    m = step(configure(gas, variant), gas)
    assert m.inception(2) > 0.0 and m.p_dC_tot_dt_PAH > 0.0
    assert m.inception(0) > 0.0 and m.inception(3) > 0.0
    lost = hydrogen_lost(m, variant)
    assert (lost > 0.0) == (variant != CROSS_LINKING)


def test_crosslinking_adsorption_releases_two_H_per_radical(gas):
    m = configure(gas, CROSS_LINKING)
    m.inception_enabled = False
    m.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
    m.update_solution(SOLUTION.copy())
    m.update_scrub_wdot()
    w = m.scrub_wdot
    rates = [m.PAH_adsorption_rate(i) for i in range(3)]
    assert w[gas.species_index("H")] == pytest.approx(2 * sum(rates) / 1000.0, rel=1e-14)
    for i, name in enumerate(NAMES):
        assert w[gas.species_index(name)] == pytest.approx(-rates[i] / 1000.0, rel=1e-14)
        n_h = PAHS[name][1]
        assert m.p_dH_tot_dt_PAH_each[i] == pytest.approx((n_h - 2) * rates[i] / m.density, rel=1e-14)


# ------------------------------------------------------------------ closed forms


def test_self_collision_closed_form(gas):
    m = step(configure(gas, SELF_COLLISION), gas)
    Pi, kB, rho_s, T, rho = m.Pi, m.kB, m.rho_soot, m.T, m.density
    F = (6 * kB * T / rho_s) ** 0.5
    G = 4.4 * (3 / (4 * Pi)) ** 0.166667
    H = 1.3 * (kB * Pi * T / (2 * rho_s)) ** 0.5
    K = AV * m.N_agg * rho
    w_inc = []
    for i, j in enumerate(m.PAH_index_in_gas):
        c = max(m.molar_density(j), 0.0)
        mass = float(m.MWs[j]) / AV
        d = (6 * mass / (Pi * rho_s)) ** 0.33333333334
        omega = (4 * Pi * kB * T / mass) ** 0.5 * STICK[i] * d * d * c * c * AV
        m_d = 2 * float(m.MWs[j]) / AV
        d_d = (6 * m_d / (Pi * rho_s)) ** 0.33333333334
        v_d = d_d ** 3 * (Pi / 6)
        a = F * G * 4 * 1.41421356 * AV * v_d ** 0.166667
        b = K * H * (d_d + m.p_d_g) ** 2 * (1 / v_d + 1.0 / m.V_Ag()) ** 0.5
        dimer = ((b ** 2 + 4 * a * omega) ** 0.5 - b) / (2 * a)
        assert m.omega_PAH[i] == pytest.approx(omega, rel=1e-13)
        assert m.a_inc[i] == pytest.approx(a, rel=1e-13)
        assert m.b_cond[i] == pytest.approx(b, rel=1e-13)
        assert m._dimer_[i] == pytest.approx(dimer, rel=1e-9)
        assert m.w_cond[i] == pytest.approx(b * m._dimer_[i], rel=1e-13)
        assert m.w_inc[i] == pytest.approx(a * 0.5 * m._dimer_[i] ** 2, rel=1e-13)
        w_inc.append(m.w_inc[i])
    assert m.omega_PAH_tot == pytest.approx(sum(m.omega_PAH), rel=1e-15)
    n_c = np.array(m.PAH_Number_Carbon)
    assert m.inception(0) == pytest.approx(float(np.dot(n_c * 4 / 378, w_inc)) / rho, rel=1e-13)
    assert m.inception(1) == m.inception(0)


def test_self_collision_lump_closed_form(gas):
    m = step(configure(gas, SELF_COLLISION_LUMP), gas)
    Pi, kB, rho_s, T, rho = m.Pi, m.kB, m.rho_soot, m.T, m.density
    weights = np.array(m.omega_PAH) / m.omega_PAH_tot
    assert m.dimer_weight == pytest.approx(list(weights), rel=1e-15)
    n_c, n_h = np.array(m.PAH_Number_Carbon), np.array(m.PAH_Number_Hydrogen)
    d_i = m.d_A * (2 * n_c / 3) ** 0.5
    V = float(np.sum((Pi / 6) * d_i ** 3 * 2 * weights))
    F = (6 * kB * T / rho_s) ** 0.5
    G = 4.4 * (3 / (4 * Pi)) ** 0.166667
    H = 1.3 * (kB * Pi * T / (2 * rho_s)) ** 0.5
    K = AV * m.N_agg * rho
    a = F * G * 4 * 1.41421356 * AV * V ** 0.166667
    d_d = (6 * V / Pi) ** 0.3333334
    b = K * H * (d_d + m.p_d_g) ** 2 * (1 / V + 1.0 / m.V_Ag()) ** 0.5
    assert m.lumpdimer_n_C == pytest.approx(float(np.sum(2 * weights * n_c)), rel=1e-14)
    assert m.lumpdimer_n_H == pytest.approx(float(np.sum(2 * weights * n_h)), rel=1e-14)
    assert m.a_lumpinc == pytest.approx(a, rel=1e-13)
    assert m.b_lumpcond == pytest.approx(b, rel=1e-13)
    dimer = ((b ** 2 + 4 * a * m.omega_PAH_tot) ** 0.5 - b) / (2 * a)
    assert m._lumpdimer_ == pytest.approx(dimer, rel=1e-9)
    assert m.w_lumpinc == pytest.approx(a * 0.5 * m._lumpdimer_ ** 2, rel=1e-13)
    assert m.w_lumpcond == pytest.approx(b * m._lumpdimer_, rel=1e-13)
    assert m.inception(0) == pytest.approx(m.lumpdimer_n_C * 2 / 378 * m.w_lumpinc / rho, rel=1e-13)
    for i in range(3):
        assert m.dC_tot_dt_PAH_each_slfclsn_lump(i) == pytest.approx(
            n_c[i] * 2 * m.w_lumpcond * weights[i] / rho, rel=1e-13)


def test_crosslinking_closed_form(gas):
    m = configure(gas, CROSS_LINKING)
    # distinct multipliers, so that a swapped prefactor shows
    m.cross_k_f1_prefactor, m.cross_k_r1_prefactor = 1.3, 0.7
    m.cross_k_f2_prefactor, m.cross_k_f3_prefactor = 2.0, 0.5
    m.adsorb_eff = 0.8
    step(m, gas)
    T, Pi, kB, rho = m.T, m.Pi, m.kB, m.density
    c_h2 = max(m.molar_density(m.H2_index), 0.0)
    c_h = max(m.molar_density(m.H_index), 0.0)
    for i, name in enumerate(NAMES):
        n_c, n_h = PAHS[name][:2]
        j = m.PAH_index_in_gas[i]
        mass = float(m.MWs[j]) / AV
        dens = (n_c * m.MW_carbon + n_h * m.MW_hydrogen) * 171943.5197 / (n_c + n_h)
        d = (6 * (mass / dens) / Pi) ** (1 / 3)
        k3 = (8 * Pi * kB * T / m.reduced_m(i, i)) ** 0.5 * (0.5 * 2.2) * AV * (2 * d) ** 2
        k4 = 0.8 * m.k_f_soot_PAH(i)
        k1f = T ** 1.84 * (n_c * 98 * 1.3) * np.exp(-62886.6 / (m.R * T))
        k1r = T ** 2.63 * (0.7 * 0.016) * np.exp(-17837.4 / (R_CONST * T))
        k2f = T ** 0.13 * (AV * 8.079999999999999e-17 * 2.0)
        c = max(m.molar_density(j), 0.0)
        radical = c * k1f * c_h / (c_h2 * k1r + k2f * c_h + c * k3 + m.N_agg * rho * k4)
        assert m.m_PAH(i) == pytest.approx(mass, rel=1e-15)
        assert m.d_PAH(i) == pytest.approx(d, rel=1e-14)
        assert m.k_f3_crosslinking(i) == pytest.approx(k3, rel=1e-13)
        assert m.k_f4_crosslinking(i) == pytest.approx(k4, rel=1e-14)
        assert m.p_PAH_radical_[i] == pytest.approx(radical, rel=1e-12)
        assert m.p_ROP[i] == pytest.approx(k3 * radical * c, rel=1e-12)
        assert m.PAH_adsorption_rate(i) == pytest.approx(k4 * radical * m.N_agg * rho, rel=1e-12)
    assert m.inception(0) == pytest.approx(
        float(np.dot(np.array(m.PAH_Number_Carbon) * 2 / 378, m.p_ROP)) / rho, rel=1e-13)
    assert m.inception(2) == pytest.approx(float(np.dot(2 * np.array(m.PAH_Number_Carbon), m.p_ROP)) / rho,
                                           rel=1e-13)


def test_initialize_stick_eff(gas):
    m = configure(gas, SELF_COLLISION, stick=None)
    m.initialize_stick_eff()
    mw = gas.molecular_weights / 1000.0
    assert m.stick_eff == pytest.approx([15.0 * mw[gas.species_index(n)] ** 4.0 for n in NAMES], rel=1e-15)


# --------------------------------------------------------------- limiting cases


@pytest.mark.parametrize("variant", VARIANTS)
def test_no_precursor_in_gas_gives_no_rates(gas, variant):
    set_state(gas, A1=0.0, A2=0.0, A4=0.0)
    m = step(configure(gas, variant), gas)
    for var in range(4):
        assert m.inception(var) == 0.0
    assert m.p_dC_tot_dt_PAH == 0.0 and m.p_dH_tot_dt_PAH == 0.0
    assert not np.any(m.scrub_wdot)


def test_crosslinking_without_H_is_inert(gas):
    set_state(gas, H=0.0)
    m = step(configure(gas, CROSS_LINKING), gas)
    assert m.p_PAH_radical_ == [0.0, 0.0, 0.0]
    assert list(m.p_ROP) == [0.0, 0.0, 0.0]
    assert [m.PAH_adsorption_rate(i) for i in range(3)] == [0.0, 0.0, 0.0]
    assert [m.inception(v) for v in range(4)] == [0.0, 0.0, 0.0, 0.0]
    assert m.p_dC_tot_dt_PAH_each == [0.0] * 3 and m.p_dH_tot_dt_PAH_each == [0.0] * 3
    assert not np.any(m.scrub_wdot)


def test_crosslinking_zero_denominator_gives_zero_radical(gas):
    set_state(gas, H=0.0, H2=0.0, A1=0.0, A2=0.0, A4=0.0)
    m = configure(gas, CROSS_LINKING)
    m.adsorb_eff = 0.0
    step(m, gas)
    assert [m.PAH_radical(i) for i in range(3)] == [0.0, 0.0, 0.0]


def test_negative_precursor_fraction_counts_as_zero(gas):
    m = configure(gas, CROSS_LINKING)
    x = gas.X.copy()
    x[gas.species_index("A1")] = -1e-5
    m.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, x)
    m.update_solution(SOLUTION.copy())
    assert m.p_PAH_radical_[0] == 0.0 and m.p_ROP[0] == 0.0
    assert m.p_ROP[1] > 0.0


@pytest.mark.parametrize("variant", [SELF_COLLISION, SELF_COLLISION_LUMP])
def test_unset_sticking_efficiency(gas, variant):
    """stick_eff never set: no dimers form, and the lumped weights fall back to 1/n."""
    m = step(configure(gas, variant, stick=None), gas)
    assert m.stick_eff == [0.0, 0.0, 0.0]
    assert m.omega_PAH == [0.0, 0.0, 0.0] and m.omega_PAH_tot == 0.0
    assert [m.inception(v) for v in range(4)] == [0.0, 0.0, 0.0, 0.0]
    assert m.p_dC_tot_dt_PAH == 0.0
    if variant == SELF_COLLISION_LUMP:
        assert m.dimer_weight == [1 / 3, 1 / 3, 1 / 3]
        assert m._lumpdimer_ == 0.0


def test_lumped_single_precursor(gas):
    m = step(configure(gas, SELF_COLLISION_LUMP, names=("A4",)), gas)
    assert m.dimer_weight == [1.0]
    assert m.lumpdimer_n_C == 32.0 and m.lumpdimer_n_H == 20.0
    assert m.w_lumpcond > 0.0
    per_precursor = step(configure(gas, SELF_COLLISION, names=("A4",)), gas)
    assert per_precursor.omega_PAH == m.omega_PAH


def test_no_precursors(gas):
    m = step(configure(gas, SELF_COLLISION, names=()), gas)
    assert [m.inception(v) for v in range(4)] == [0.0, 0.0, 0.0, 0.0]
    assert m.p_dC_tot_dt_PAH == 0.0 and not np.any(m.scrub_wdot)
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.PAH_growth_update_slfclsn_lump()
    cl = step(configure(gas, CROSS_LINKING, names=()), gas)
    assert cl.p_ROP.shape == (0,) and [cl.inception(v) for v in range(4)] == [0.0, 0.0, 0.0, 0.0]


# ------------------------------------------------------------------ sizing


def test_stick_eff_survives_initialize_and_grows_with_zeros(gas):
    m = configure(gas, SELF_COLLISION, names=NAMES[:2], stick=[0.3, 0.7])
    assert m.stick_eff == [0.3, 0.7]
    m.PAH_index_in_gas = [gas.species_index(n) for n in NAMES]
    m.PAH_Number_Carbon = [6, 10, 16]
    m.PAH_Number_Hydrogen = [6, 8, 10]
    m.initialize()
    assert m.stick_eff == [0.3, 0.7, 0.0]
    assert m.w_cond == [0.0] * 3 and m.b_cond == [0.0] * 3


def test_switching_variant_and_initialize_resizes(gas):
    m = configure(gas, 1)
    assert m.p_ROP.shape == (6,)  # one entry per precursor pair
    m._set_PAH_growth_model(CROSS_LINKING)
    m.initialize()
    assert m.p_ROP.shape == (3,) and not np.any(m.p_ROP)
    assert m.p_PAH_radical_ == [0.0] * 3 and len(m.p_k_f_soot_PAH) == 3
    step(m, gas)
    assert np.all(m.p_ROP > 0.0)

    m._set_PAH_growth_model(SELF_COLLISION_LUMP)
    m.initialize()
    assert len(m.dimer_weight) == 3 and m.a_inc == []  # the lumped sizing leaves these alone
    m._set_PAH_growth_model(SELF_COLLISION)
    with pytest.raises(IndexError):
        step(m, gas)
    m.initialize()
    step(m, gas)
    assert len(m.a_inc) == 3 and m.p_dC_tot_dt_PAH > 0.0


@pytest.mark.parametrize("variant", VARIANTS)
def test_stale_sizes_after_lists_grow(gas, variant):
    m = step(configure(gas, variant, names=NAMES[:2]), gas)
    m.PAH_index_in_gas = [gas.species_index(n) for n in NAMES]
    m.PAH_Number_Carbon = [6, 10, 16]
    m.PAH_Number_Hydrogen = [6, 8, 10]
    m.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
    with pytest.raises(IndexError):
        m.update_solution(SOLUTION.copy())
    with pytest.raises(IndexError):
        m.update_scrub_wdot()
    if variant != SELF_COLLISION_LUMP:  # the lumped inception reads no per-precursor array
        with pytest.raises(IndexError):
            m.inception(2)


@pytest.mark.parametrize("call, exc", [
    (lambda m: m.dC_tot_dt_PAH_each_slfclsn(3), IndexError),
    (lambda m: m.dH_tot_dt_PAH_each_slfclsn_lump(2 ** 40), IndexError),
    (lambda m: m.dC_tot_dt_PAH_each_crosslinking(3), IndexError),
    (lambda m: m.dH_tot_dt_PAH_each_crosslinking(2 ** 63), IndexError),
    (lambda m: m.m_PAH(3), IndexError),
    (lambda m: m.m_PAH(-1), IndexError),
    (lambda m: m.d_PAH(-4), IndexError),
    (lambda m: m.PAH_radical(3), IndexError),
    (lambda m: m.ROP_dimer_crosslinking(-1), IndexError),
    (lambda m: m.PAH_adsorption_rate(7), IndexError),
    (lambda m: m.dC_tot_dt_PAH_each_slfclsn(-1), OverflowError),
    (lambda m: m.dH_tot_dt_PAH_each_crosslinking(-1), OverflowError),
])
def test_out_of_range_precursor_ids(gas, call, exc):
    m = configure(gas, CROSS_LINKING)
    m.create_PAH_dimer_slfclsn()
    m.create_PAH_dimer_slfclsn_lump()
    step(m, gas)
    with pytest.raises(exc):
        call(m)


def test_float_precursor_id_is_truncated(gas):
    m = step(configure(gas, CROSS_LINKING), gas)
    assert m.dC_tot_dt_PAH_each_crosslinking(1.9) == m.dC_tot_dt_PAH_each_crosslinking(1)


def test_d_PAH_without_atoms(gas):
    m = configure(gas, CROSS_LINKING)
    m.PAH_Number_Carbon = [6, 0, 16]
    m.PAH_Number_Hydrogen = [6, 0, 10]
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.d_PAH(1)


def test_update_ROP_crosslinking_with_p_ROP_None():
    class Fixed(CSootModel):
        def ROP_dimer_crosslinking(self, PAH_id):
            return 1.0

    m = Fixed()
    m.PAH_index_in_gas = [0]
    assert m.p_ROP is None
    with pytest.raises(TypeError, match="item assignment"):
        m.update_ROP_crosslinking()


# ---------------------------------------------------------- Python overrides


def test_override_of_V_Ag_is_seen(gas):
    class Fixed(CSootModel):
        def V_Ag(self):
            return 1e-22

    m = step(configure(gas, SELF_COLLISION, cls=Fixed), gas)
    ref = step(configure(gas, SELF_COLLISION), gas)
    assert m.a_inc == ref.a_inc
    H = 1.3 * (m.kB * m.Pi * m.T / (2 * m.rho_soot)) ** 0.5
    K = AV * m.N_agg * m.density
    for i, j in enumerate(m.PAH_index_in_gas):
        d_d = (6 * (2 * float(m.MWs[j]) / AV) / (m.Pi * m.rho_soot)) ** 0.33333333334
        v_d = d_d ** 3 * (m.Pi / 6)
        assert m.b_cond[i] == pytest.approx(K * H * (d_d + m.p_d_g) ** 2 * (1 / v_d + 1.0 / 1e-22) ** 0.5,
                                            rel=1e-13)
        assert m.b_cond[i] != ref.b_cond[i]
    lump = step(configure(gas, SELF_COLLISION_LUMP, cls=Fixed), gas)
    assert lump.b_lumpcond != step(configure(gas, SELF_COLLISION_LUMP), gas).b_lumpcond


def test_override_of_molar_density_is_seen(gas):
    class Doubled(CSootModel):
        def molar_density(self, index):
            return 2.0 * CSootModel.molar_density(self, index)

    m = step(configure(gas, SELF_COLLISION, cls=Doubled), gas)
    ref = step(configure(gas, SELF_COLLISION), gas)
    assert m.omega_PAH == pytest.approx([4 * w for w in ref.omega_PAH], rel=1e-14)


def test_override_of_adsorption_rate_is_seen(gas):
    seen = []

    class Fixed(CSootModel):
        def PAH_adsorption_rate(self, PAH_id):
            seen.append(PAH_id)
            return 3.0 * (PAH_id + 1)

    m = configure(gas, CROSS_LINKING, cls=Fixed)
    m.inception_enabled = False
    step(m, gas)
    assert all(type(i) is int for i in seen) and set(seen) == {0, 1, 2}
    rates = [3.0, 6.0, 9.0]
    n_c = [PAHS[n][0] for n in NAMES]
    assert m.p_dC_tot_dt_PAH_each == pytest.approx([c * r / m.density for c, r in zip(n_c, rates)], rel=1e-15)
    assert m.scrub_wdot[gas.species_index("H")] == pytest.approx(2 * sum(rates) / 1000.0, rel=1e-15)
    # the type's own method is still the one that an exact CSootModel uses
    ref = step(configure(gas, CROSS_LINKING), gas)
    assert ref.p_dC_tot_dt_PAH != m.p_dC_tot_dt_PAH


@pytest.mark.parametrize("variant", VARIANTS)
def test_precursor_lists_cleared_mid_step(gas, variant):
    """An override that empties the precursor lists while a step runs gets an IndexError, no crash."""
    class Hostile(CSootModel):
        armed = False

        def molar_density(self, index):
            if self.armed:
                self.PAH_index_in_gas = []
                self.PAH_Number_Carbon = []
                self.PAH_Number_Hydrogen = []
                self.stick_eff = []
            return CSootModel.molar_density(self, index)

    m = configure(gas, variant, cls=Hostile)
    m.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
    m.armed = True
    with pytest.raises(IndexError):
        m.update_solution(SOLUTION.copy())


# ------------------------------------------------------------ scrubbing rows


def scrub_rows(m, variant):
    """The hook's rows transcribed, on a zeroed array."""
    w = np.zeros_like(m.scrub_wdot)
    g, H = m.PAH_index_in_gas, m.H_index
    n = len(g)
    if variant == SELF_COLLISION:
        inc = [m.w_inc[i] * 4 / 1000 for i in range(n)]
        cond = [m.w_cond[i] * 2 / 1000 for i in range(n)]
    elif variant == SELF_COLLISION_LUMP:
        inc = [m.w_lumpinc * 4 * m.dimer_weight[i] / 1000 for i in range(n)]
        cond = [m.w_lumpcond * 2 * m.dimer_weight[i] / 1000 for i in range(n)]
    else:
        inc = [2 * m.p_ROP[i] / 1000 for i in range(n)]
        cond = [m.PAH_adsorption_rate(i) / 1000.0 for i in range(n)]
    if m.inception_enabled:
        for i in range(n):
            w[g[i]] -= inc[i]
    if m.growth_enabled and m.growth_PAH_adsorption_enabled:
        for i in range(n):
            w[g[i]] -= cond[i]
            w[H] += 2 * m.PAH_adsorption_rate(i) / 1000.0 if variant == CROSS_LINKING else cond[i]
    return w


@pytest.mark.parametrize("switches", SWITCHES.values(), ids=SWITCHES.keys())
@pytest.mark.parametrize("variant", VARIANTS)
def test_scrubbing_rows(gas, variant, switches):
    m = configure(gas, variant, **switches)
    m.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
    m.update_solution(SOLUTION.copy())
    expected = scrub_rows(m, variant)
    assert np.count_nonzero(expected) >= 3
    m.update_scrub_wdot_PAH_growth()
    assert np.array_equal(m.scrub_wdot, expected)


# ------------------------------------------------------- clipping and zeros


def test_crosslinking_formation_rate_clipped_at_zero_and_nan_passes(gas):
    class Odd(CSootModel):
        def ROP_dimer_crosslinking(self, PAH_id):
            return [float("nan"), -1.0, 3.0][PAH_id]

    m = configure(gas, CROSS_LINKING, cls=Odd)
    m.update_ROP_crosslinking()
    assert np.isnan(m.p_ROP[0]) and list(m.p_ROP[1:]) == [0.0, 3.0]


def _lumped_ab(m):
    m.update_dimer_weight()  # a non-zero dimer volume
    m.update_ab_lump()


@pytest.mark.parametrize("variant, override, call, message", [
    (SELF_COLLISION, ("V_Ag", lambda s: 0.0), lambda m: m.update_ab(), "float division by zero"),
    (SELF_COLLISION_LUMP, ("V_Ag", lambda s: 0.0), _lumped_ab, "float division by zero"),
    (CROSS_LINKING, ("reduced_m", lambda s, i, j: 0.0), lambda m: m.k_f3_crosslinking(0), "float division"),
], ids=["update_ab", "update_ab_lump", "k_f3_crosslinking"])
def test_zero_divisors_of_overridden_steps(gas, variant, override, call, message):
    name, f = override
    m = configure(gas, variant, cls=type("Zero", (CSootModel,), {name: f}))
    m.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
    with pytest.raises(ZeroDivisionError, match=f"^{message}$"):
        call(m)


def test_zero_divisors_of_the_gas_state(gas):
    m = step(configure(gas, SELF_COLLISION), gas)
    mws = m.MWs.copy()
    mws[m.PAH_index_in_gas[1]] = 0.0
    m.MWs = mws
    for call in ("update_omega_PAH", "update_ab"):
        with pytest.raises(ZeroDivisionError, match="^float division$"):
            getattr(m, call)()
    m = step(configure(gas, CROSS_LINKING), gas)
    with pytest.raises(ZeroDivisionError):  # the mean free path, after T is stored
        m.update_gas(0.0, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.PAH_radical(0)
