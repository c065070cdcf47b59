"""Particle morphology, oxidation, coagulation/coalescence and HACA growth of
CSootModel, checked against direct transcriptions of the closed forms at
states set on a real gri30 gas."""
import types

import numpy as np
import pytest

ct = pytest.importorskip("cantera")
_pyrandel = pytest.importorskip("pyrandel.lib._pyrandel")
CSootModel = _pyrandel.CSootModel

# A few units in the last place where NumPy's exp, tanh or log10 are involved
# (NumPy's and the C library's may differ in the last bit); exact elsewhere.
REL = 1e-15

# Rich ethylene/air with radicals and acetylene, so every rate is non-zero.
MIX = "C2H4:1, O2:2, N2:7.52, H:0.05, OH:0.03, C2H2:0.3, H2:0.2, H2O:0.2, CO:0.1"
# N_agg, N_pri, C_tot, H_tot in mol/kg: 5 primaries per aggregate, H/C = 0.2.
SOOT = (2e-9, 1e-8, 2e-3, 4e-4)


@pytest.fixture(scope="module")
def gas():
    g = ct.Solution("gri30.yaml")
    g.TPX = 1800.0, ct.one_atm, MIX
    return g


def set_gas(m, gas, **kw):
    s = dict(T=gas.T, P=gas.P, density=gas.density, viscosity=gas.viscosity,
             mean_MW=gas.mean_molecular_weight, X=gas.X)
    s.update(kw)
    m.update_gas(s["T"], s["P"], s["density"], s["viscosity"], s["mean_MW"], s["X"])


def regas(m, **kw):
    """update_gas from the model's own gas state, with some values changed."""
    s = dict(T=m.T, P=m.P, density=m.density, viscosity=m.viscosity,
             mean_MW=1000 * m.mean_MW, X=m.X)
    s.update(kw)
    m.update_gas(s["T"], s["P"], s["density"], s["viscosity"], s["mean_MW"], s["X"])


def set_soot(m, soot):
    """Stores the soot variables as given (floors lowered to 0); a divisor made
    zero by them may stop the caches on the way, which the caller expects."""
    m.N_agg_min = m.N_pri_min = m.C_tot_min = m.H_tot_min = 0.0
    try:
        m.update_solution(np.array(soot, dtype=float))
    except ZeroDivisionError:
        pass


def build(gas, cls=CSootModel, soot=SOOT, **attrs):
    m = cls()
    m.species_names = list(gas.species_names)
    m.MWs = gas.molecular_weights / 1000
    # No PAH precursors: the PAH-growth variant takes no part here.
    m.create_PAH_dimer = lambda: None
    m.PAH_growth_update = lambda: None
    m.update_scrub_wdot_PAH_growth = lambda: None
    for k, v in attrs.items():
        setattr(m, k, v)
    m.initialize()
    set_gas(m, gas)
    m.update_solution(np.array(soot, dtype=float))
    return m


@pytest.fixture
def model(gas):
    return build(gas)


# ------------------------------------------------------------------ references
# Direct transcriptions, reading the model's fields and caches.

def conc(m, i):
    return m.X[i] * m.density / m.mean_MW


def r_lambda(m):
    return (m.viscosity / m.density) * (m.mean_MW * m.Pi / (2 * m.kB * m.Av * m.T)) ** 0.5


def r_V_tot(m):
    return m.C_tot * m.MW_carbon / m.rho_soot


def r_V_p(m):
    return r_V_tot(m) / (m.N_pri * m.Av)


def r_d_p(m):
    return (6.0 * r_V_p(m) / m.Pi) ** 0.3333333333333334


def r_A_p(m):
    return m.Pi * (6.0 * r_V_p(m) / m.Pi) ** 0.6666666666666667


def r_n_p(m):
    return m.N_pri / m.N_agg


def r_d_m(m):
    d = r_d_p(m)
    return max(d, d * r_n_p(m) ** 0.45)


def r_d_g(m):
    n = r_n_p(m)
    return r_d_m(m) / (n ** -0.2 + 0.4) if n > 1.5 else r_d_m(m) / 1.29


def r_m_p(m):
    return m.Pi * m.rho_soot * r_d_p(m) ** 3.0 / 6.0


def r_V_Ag(m):
    return r_V_tot(m) / (m.N_agg * m.Av)


def r_m_Ag(m):
    return r_V_Ag(m) * m.rho_soot


def r_A_Ag(m):
    return r_n_p(m) * r_A_p(m)


def r_A_tot(m):
    return m.N_pri * m.Av * r_A_p(m)


def r_total_mass(m):
    return m.H_tot * m.MW_hydrogen + m.C_tot * m.MW_carbon


def r_Cc(m):
    Kn = 2 * m.p_lambda_gas / m.p_d_m
    return 1 + Kn * (1.21 + 0.4 * np.exp(-0.78 * m.p_d_m / m.p_lambda_gas))


MORPHOLOGY = {
    "calc_lambda_gas": r_lambda,
    "diffus_coeff_morph": lambda m: m.T * m.kB / (3 * m.Pi * m.viscosity * m.p_d_m / r_Cc(m)),
    "dispersion_exponent": lambda m: (m.H_tot / m.C_tot) * 2.339156177 + 0.690753997,
    "volume_fraction": lambda m: r_total_mass(m) * m.density / m.rho_soot,
    "total_mass": r_total_mass,
    "carbon_mass": lambda m: m.C_tot * m.MW_carbon,
    "hydrogen_mass": lambda m: m.H_tot * m.MW_hydrogen,
    "SSA": lambda m: r_A_tot(m) / r_total_mass(m) / 1000,
    "V_tot": r_V_tot,
    "V_p": r_V_p,
    "d_p": r_d_p,
    "A_p": r_A_p,
    "m_p": r_m_p,
    "n_p": r_n_p,
    "A_tot": r_A_tot,
    "A_Ag": r_A_Ag,
    "V_Ag": r_V_Ag,
    "m_Ag": r_m_Ag,
    "d_m": r_d_m,
    "d_g": r_d_g,
}


def r_alpha_empirical(m):
    n_C = (m.Pi * m.rho_soot / 6) * r_d_p(m) ** 3 * m.Av / m.MW_carbon
    a = np.tanh((12.65 - 0.00563 * m.T) / np.log10(n_C) - 1.38 + 0.00068 * m.T)
    return max(min(a, 1.0), 0.0)


def r_c_soot_nought(m):
    T = m.T
    H, OH, H2, H2O, C2H2, O2 = (max(conc(m, i), 0.0) for i in (
        m.H_index, m.OH_index, m.H2_index, m.H2O_index, m.C2H2_index, m.O2_index))
    k1f = 4.17e7 * np.exp(-6542.52 / T)
    k1r = 3.9e6 * np.exp(-5535.98 / T)
    k2f = 1e4 * T ** 0.734 * np.exp(-719.68 / T)
    k2r = 368 * T ** 1.139 * np.exp(-8605.94 / T)
    k4 = 80 * T ** 1.56 * np.exp(-1912.43 / T)
    k5 = 2.2e6 * np.exp(-3774.53 / T)
    num = k1f * H + k2f * OH
    den = k1r * H2 + k2r * H2O + 2e7 * H + k4 * C2H2 + k5 * O2 + k1f * H + k2f * OH
    if den == 0.0:
        return 0.0
    f = min(num / den, 1.0)
    return m.p_A_tot / m.Av * (0.0 if f < 0 else 2.3e19 * f)


def r_chi(m):
    H2 = max(conc(m, m.H2_index), 0.0)
    H = max(conc(m, m.H_index), 0.0)
    if H2 == 0 or not H / H2 > 0:
        return 0.0
    return min(3.833e17 * H / H2, 2.3e19)


def r_beta_soot_C2H2(m):
    return (2.2 * m.Pi * (m.p_d_p + 3.48e-10) ** 2
            * (m.kB * m.T / (2 * m.Pi) * (1.0 / r_m_p(m) + 2.506265664160401e25)) ** 0.5)


def r_K_s(m):
    return 80.0 * m.T ** 1.56 * np.exp(-1912.4 / m.T)


def r_gamma(m):
    return (r_alpha_empirical(m) * r_K_s(m) * r_chi(m) * r_A_Ag(m)
            / (r_beta_soot_C2H2(m) * m.Av))


def r_HACA_alt(m, alpha=None):
    a = r_alpha_empirical(m) if alpha is None else alpha
    k_add = 80 * m.T ** 1.56 * np.exp(-1912.43 / m.T)
    return 2 * m.HACA_prefactor * a * k_add * conc(m, m.C2H2_index) * r_c_soot_nought(m)


HACA = {
    "alpha_empirical": r_alpha_empirical,
    "chi_soot_0": r_chi,
    "beta_soot_C2H2": r_beta_soot_C2H2,
    "K_s": r_K_s,
    "gamma": r_gamma,
    "dC_tot_dt_HACA": lambda m: (2 * r_gamma(m) * r_beta_soot_C2H2(m)
                                 * max(conc(m, m.C2H2_index), 0.0) * m.N_agg * m.Av),
    "c_soot_nought": r_c_soot_nought,
    "dC_tot_dt_HACA_alt": r_HACA_alt,
}


def r_omega_O2(m):
    p = m.P * m.X[m.O2_index] / m.P_atm
    k_a = 20.0 * np.exp(-30000 / (1.987 * m.T))
    k_b = 0.00446 * np.exp(-1.52e4 / (1.987 * m.T))
    k_t = 151000.0 * np.exp(-97000 / (1.987 * m.T))
    k_z = 21.3 * np.exp(4100 / (1.987 * m.T))
    d1 = k_z * p + 1
    d2 = (k_t / k_b) * p + 1
    return (1 - 1 / d2) * (k_b * p) + k_a * 420 * p / d1 / d2


def r_omega_OH(m):
    return m.P * m.X[m.OH_index] / m.P_atm * 167.70000000000002 / m.T ** 0.5


def r_O2_alt(m):
    if m.H_tot / m.C_tot <= 0.1:
        return 0.0
    c = max(conc(m, m.O2_index), 0.0)
    k = 2200000.0 * np.exp(-3774.53 / m.T)
    return (-2.0) * r_alpha_empirical(m) * k * c * r_c_soot_nought(m)


def r_OH_alt(m):
    if m.H_tot / m.C_tot <= 0.1:
        return 0.0
    return max(conc(m, m.OH_index), 0.0) * (-0.13) * m.N_agg * m.density


def r_area(omega):
    def f(m):
        if m.d_p_min >= m.p_d_p:
            return 0.0
        return -(omega(m)) * m.p_A_tot / m.MW_carbon
    return f


def r_area_H(omega):
    def f(m):
        hc = m.H_tot / m.C_tot
        return 0.0 if hc <= 0.1 else r_area(omega)(m) * hc
    return f


OXIDATION = {
    "dC_tot_dt_O2_alt": r_O2_alt,
    "dC_tot_dt_OH_alt": r_OH_alt,
    "omega_O2": r_omega_O2,
    "omega_OH": r_omega_OH,
    "dC_tot_dt_O2": r_area(r_omega_O2),
    "dC_tot_dt_OH": r_area(r_omega_OH),
    "dH_tot_dt_O2": r_area_H(r_omega_O2),
    "dH_tot_dt_OH": r_area_H(r_omega_OH),
}


def r_beta_fm(m):
    return 4 * (m.Pi * m.kB * m.T / r_m_Ag(m)) ** 0.5 * m.p_d_g ** 2.0


def r_beta_cont(m):
    return (m.kB * 8 * m.T / (m.viscosity * 3)) * r_Cc(m)


def r_beta_hm(m):
    b_fm, b_c = r_beta_fm(m), r_beta_cont(m)
    return b_fm * 1.82 * b_c / (b_fm + b_c)


def r_beta_turb(m):
    return float((np.pi / 6.0) * m.p_d_m ** 3.0) * 8 * m.K_T_factor


COAGULATION = {
    "beta_coag_fm": r_beta_fm,
    "beta_coag_validation": r_beta_fm,
    "beta_coag_cont": r_beta_cont,
    "beta_coag_hm": r_beta_hm,
    "beta_coag_turb": r_beta_turb,
    "N_agg_coag": lambda m: (-0.5 * (r_beta_hm(m) + r_beta_turb(m)) * m.N_agg ** 2.0
                             * m.Av * m.density),
    "t_f_titania": lambda m: (m.p_d_p ** 4 * m.As_coales * m.T) * np.exp(m.Ea_coales / m.T),
    "t_f_silica": lambda m: ((m.As_coales * m.p_d_p)
                             * np.exp((1 - m.d_crit_coales / m.p_d_p) * (m.Ea_coales / m.T))),
    "t_f_md_derived": lambda m: 10 ** (m.T * 0.0014 - 11.4303),
}

ALL = {**MORPHOLOGY, **HACA, **OXIDATION, **COAGULATION}
WITH_NUMPY_FUNCS = {
    "diffus_coeff_morph", "alpha_empirical", "c_soot_nought", "K_s", "gamma", "dC_tot_dt_HACA",
    "dC_tot_dt_HACA_alt", "omega_O2", "dC_tot_dt_O2", "dH_tot_dt_O2", "dC_tot_dt_O2_alt",
    "beta_coag_cont", "beta_coag_hm", "N_agg_coag", "t_f_titania", "t_f_silica"}
# Kernels and times that end in NumPy's exp are NumPy scalars.
NUMPY_RESULTS = {"beta_coag_cont", "t_f_titania", "t_f_silica"}


# ------------------------------------------------------------- closed forms

@pytest.mark.parametrize("name", sorted(ALL))
def test_closed_forms_on_rich_ethylene(gas, name):
    # Silica parameters give the two coalescence times non-trivial arguments;
    # a turbulent factor makes the turbulent kernel count.
    m = build(gas, As_coales=1.1e-14, Ea_coales=180000.0, d_crit_coales=2.5e-9, K_T_factor=0.3)
    got = getattr(m, name)()
    assert type(got) is (np.float64 if name in NUMPY_RESULTS else float)
    want = ALL[name](m)
    assert want != 0.0
    if name in WITH_NUMPY_FUNCS:
        assert got == pytest.approx(want, rel=REL)
    else:
        assert got == want


def test_caches_and_floors_of_a_new_model():
    m = CSootModel()
    # At the floors: one primary particle of 378 carbon atoms per aggregate.
    assert m.n_p() == 1.0
    assert m.d_p() == r_d_p(m)
    assert m.d_p() == pytest.approx(2.0e-9, rel=0.01)
    assert m.A_p() == r_A_p(m) == pytest.approx(1.26e-17, rel=0.01)
    assert m.d_m() == m.d_p()
    assert m.d_g() == m.d_m() / 1.29
    assert m.dispersion_exponent() == pytest.approx(0.8145, abs=1e-4)
    assert m.SSA() == r_A_tot(m) / r_total_mass(m) / 1000
    # NumPy's pi in d_p_min, Pi in d_p: the smallest particle is not cut off.
    assert m.d_p() > m.d_p_min
    assert m.d_p() == pytest.approx(m.d_p_min, rel=1e-10)
    assert m.diffus_coeff_const() == 0.0
    m.diffus_coeff_const_val = 3.5e-7
    assert m.diffus_coeff_const() == 3.5e-7
    # Rates read the caches: before any update_solution they are zero.
    assert m.dC_tot_dt_Ox() == 0.0 and m.dH_tot_dt_Ox() == 0.0


def test_update_solution_caches_the_morphology_and_rates(model):
    m = model
    assert (m.p_d_p, m.p_d_m, m.p_d_g, m.p_A_tot) == (m.d_p(), m.d_m(), m.d_g(), m.A_tot())
    assert m.p_lambda_gas == m.calc_lambda_gas()
    assert m.p_dC_tot_dt_HACA_alt == m.dC_tot_dt_HACA_alt()
    assert m.p_dC_tot_dt_O2 == m.dC_tot_dt_O2_alt() < 0.0
    assert m.p_dC_tot_dt_OH == m.dC_tot_dt_OH_alt() < 0.0
    assert m.dC_tot_dt_Ox() == m.p_dC_tot_dt_OH + m.p_dC_tot_dt_O2
    # The per-step model removes no hydrogen.
    assert m.dH_tot_dt_O2_alt() == m.dH_tot_dt_OH_alt() == m.dH_tot_dt_Ox() == 0.0


def test_molar_density_follows_array_rules(gas, model):
    m = model
    for i in (m.O2_index, m.H_index, -1):
        assert m.molar_density(i) == m.X[i] * m.density / m.mean_MW
    with pytest.raises(IndexError):
        m.molar_density(len(m.X))
    set_gas(m, gas, mean_MW=0.0)
    with pytest.warns(RuntimeWarning, match="divide by zero"):
        assert m.molar_density(m.O2_index) == np.inf
    del m.X
    with pytest.raises(TypeError, match="not subscriptable"):
        m.molar_density(0)


# ----------------------------------------------------------------- morphology

@pytest.mark.parametrize("n, branch", [(0.5, "low"), (1.0, "low"), (1.5, "low"),
                                       (1.5000001, "high"), (40.0, "high")])
def test_d_g_branches_on_primaries_per_aggregate(gas, n, branch):
    N_agg = 2.0 ** -30
    m = build(gas, soot=(N_agg, n * N_agg, 2e-3, 4e-4))
    assert m.n_p() == n
    d = m.d_p()
    assert m.d_m() == (d if n <= 1.0 else d * n ** 0.45)
    assert m.d_g() == (m.d_m() / 1.29 if branch == "low" else m.d_m() / (n ** -0.2 + 0.4))


def test_d_g_jumps_at_one_and_a_half(gas):
    lo = build(gas, soot=(2.0 ** -30, 1.5 * 2.0 ** -30, 2e-3, 4e-4))
    hi = build(gas, soot=(2.0 ** -30, np.nextafter(1.5, 2) * 2.0 ** -30, 2e-3, 4e-4))
    assert hi.d_g() / lo.d_g() == pytest.approx(1.29 / (1.5 ** -0.2 + 0.4), rel=1e-9)


# ------------------------------------------------------------------- oxidation

@pytest.mark.parametrize("H_over_C, oxidised", [(0.05, False), (0.1, False),
                                                (np.nextafter(0.1, 1), True), (0.5, True)])
def test_per_step_oxidation_needs_hydrogen_above_a_tenth(gas, H_over_C, oxidised):
    C = 2.0 ** -9
    m = build(gas, soot=(2e-9, 1e-8, C, H_over_C * C))
    assert m.H_tot / m.C_tot == H_over_C
    for name in ("dC_tot_dt_O2_alt", "dC_tot_dt_OH_alt", "dH_tot_dt_O2", "dH_tot_dt_OH"):
        got = getattr(m, name)()
        if oxidised:
            assert got == pytest.approx(OXIDATION[name](m), rel=REL) and got < 0.0
        else:
            assert got == 0.0


def test_oxidation_at_the_floors_is_off_per_step_but_on_by_area(gas):
    m = build(gas, soot=(0.0, 0.0, 0.0, 0.0))  # lifted to the floors: H/C = 20/378
    assert m.dC_tot_dt_O2_alt() == m.dC_tot_dt_OH_alt() == 0.0
    assert m.dC_tot_dt_O2() == pytest.approx(OXIDATION["dC_tot_dt_O2"](m), rel=REL)
    assert m.dC_tot_dt_O2() < 0.0
    m.d_p_min = m.p_d_p
    assert m.dC_tot_dt_O2() == m.dC_tot_dt_OH() == 0.0


def test_negative_concentrations_do_not_grow_soot(model):
    m = model
    m.X[m.O2_index] = -1e-6
    m.X[m.OH_index] = -1e-6
    assert m.dC_tot_dt_O2_alt() == 0.0
    assert m.dC_tot_dt_OH_alt() == 0.0


def test_OH_rate_counts_aggregates_not_surface(gas):
    one = build(gas, soot=(2e-9, 1e-8, 2e-3, 4e-4))
    two = build(gas, soot=(4e-9, 1e-8, 2e-3, 4e-4))
    assert two.dC_tot_dt_OH_alt() == 2 * one.dC_tot_dt_OH_alt()


def test_omega_OH_closed_value(model):
    m = model
    m.X[m.OH_index] = 1e-4
    regas(m, T=1600.0, P=m.P_atm)
    assert m.omega_OH() == r_omega_OH(m)
    assert m.omega_OH() == pytest.approx(1e-4 * 167.70000000000002 / 40, rel=1e-15)


def test_area_based_hydrogen_loss_follows_the_soot_composition(model):
    # H leaves with C at the soot's own H/C ratio: mol of H per mol of C.
    m = model
    for ox in ("O2", "OH"):
        dC = getattr(m, "dC_tot_dt_" + ox)()
        dH = getattr(m, "dH_tot_dt_" + ox)()
        assert dH == pytest.approx(dC * m.H_tot / m.C_tot, rel=1e-15)


# ----------------------------------------------------------------- coagulation

def test_coagulation_validation_kernel_is_the_free_molecular_one(gas):
    m = build(gas)
    m._set_validation_case(1)
    assert m.beta_coag_validation() == m.beta_coag_fm()
    assert m.N_agg_coag() == -0.5 * m.beta_coag_fm() * m.N_agg ** 2.0 * m.Av * m.density
    m._set_validation_case(0)
    assert m.N_agg_coag() == -0.5 * m.beta_coag_hm() * m.N_agg ** 2.0 * m.Av * m.density


def test_harmonic_kernel_tends_to_1_82_times_free_molecular(gas):
    class Continuum(CSootModel):
        def beta_coag_cont(self):
            return 1e30 * CSootModel.beta_coag_fm(self)
    m = build(gas, cls=Continuum)
    assert m.beta_coag_hm() == pytest.approx(1.82 * m.beta_coag_fm(), rel=1e-14)


def test_turbulent_kernel_reads_numpy_pi_at_each_call(model, monkeypatch):
    m = model
    assert m.beta_coag_turb() == 0.0
    m.K_T_factor = 2.0
    assert m.beta_coag_turb() == r_beta_turb(m)
    b = m.beta_coag()
    assert m.N_agg_coag() == -0.5 * (b + m.beta_coag_turb()) * m.N_agg ** 2.0 * m.Av * m.density
    monkeypatch.setattr(_pyrandel, "np", types.SimpleNamespace(pi=3.0))
    assert m.beta_coag_turb() == (3.0 / 6.0) * m.p_d_m ** 3.0 * 8 * 2.0


def test_assigned_kernel_is_used_by_both_collision_sinks(model):
    m = model
    m.beta_coag = lambda: 1e-15
    assert m.N_agg_coag() == -0.5 * 1e-15 * m.N_agg ** 2.0 * m.Av * m.density
    m._set_coales_type(4)
    m.CtoH_crit = 1e9
    assert m.N_pri_coales_merge() == -0.5 * 1e-15 * m.N_pri ** 2.0 * m.Av * m.density


def test_md_derived_time_at_1000_K(model):
    m = model
    regas(m, T=1000.0)
    assert m.t_f_md_derived() == 10 ** (1000.0 * 0.0014 - 11.4303)
    assert m.t_f_md_derived() == pytest.approx(10 ** -10.0303, rel=1e-12)


class FixedTime(CSootModel):
    """Titania coalescence with a coalescence time set by the test."""
    time = 1e-6

    def t_f_titania(self):
        return self.time


def sintering(m, tau):
    n = m.n_p()
    return (-3 / tau) * (n - n ** 0.6666666667) * m.N_agg


@pytest.mark.parametrize("time, used", [(1e-6, 1e-6), (1e-12, 1e-12), (1e-15, 1e-12),
                                        (-1.0, 1e-12), (np.inf, np.inf)])
def test_sintering_clips_the_coalescence_time(gas, time, used):
    m = build(gas, cls=FixedTime)
    m._set_coales_type(1)
    m.time = time
    assert m.coalescence_enabled
    assert m.N_pri_coales_sintering() == sintering(m, used)
    assert m.coalescence(1) == m.N_pri_coales_sintering()


def test_sintering_starts_above_one_primary_per_aggregate(gas):
    m = build(gas, cls=FixedTime, soot=(2e-9, 2e-9, 2e-3, 4e-4))
    m._set_coales_type(1)
    assert m.n_p() == 1.0
    assert m.N_pri_coales_sintering() == 0.0
    m = build(gas, cls=FixedTime, soot=(2e-9, 2.000001e-9, 2e-3, 4e-4))
    m._set_coales_type(1)
    assert sintering(m, 1e-6) == m.N_pri_coales_sintering() < 0.0


def test_merging_needs_C_over_H_strictly_below_critical(model):
    m = model
    m._set_coales_type(4)
    m.CtoH_crit = m.C_tot / m.H_tot
    assert m.N_pri_coales_merge() == 0.0
    m.CtoH_crit = np.nextafter(m.C_tot / m.H_tot, np.inf)
    b = m.beta_coag_hm() + m.beta_coag_turb()
    assert m.N_pri_coales_merge() == -0.5 * b * m.N_pri ** 2.0 * m.Av * m.density


# ------------------------------------------------------------------------ HACA

@pytest.mark.parametrize("T, expected", [(300.0, None), (1800.0, None), (3000.0, 0.0)])
def test_alpha_empirical_is_clipped_to_unit_interval(model, T, expected):
    m = model
    regas(m, T=T)
    got = m.alpha_empirical()
    assert 0.0 <= got <= 1.0
    assert got == pytest.approx(r_alpha_empirical(m), rel=REL)
    if expected is not None:
        assert got == expected


@pytest.mark.parametrize("H_over_C, alpha", [(0.2, 0.2), (1.0, 1.0), (1.5, 1.0)])
def test_alpha_ctoh_based_is_clipped(gas, H_over_C, alpha):
    m = build(gas, soot=(2e-9, 1e-8, 2.0 ** -9, H_over_C * 2.0 ** -9))
    assert m.alpha_ctoh_based() == alpha


def test_alpha_constant_is_not_clipped(model):
    model.alpha_constant_value = 2.5
    assert model.alpha_constant() == 2.5
    model._set_alpha_model(0)
    assert model.alpha() == 2.5


def test_assigned_alpha_drives_the_per_step_rates(model):
    m = model
    m.alpha = lambda: 0.5
    half = m.dC_tot_dt_HACA_alt()
    assert half == pytest.approx(r_HACA_alt(m, alpha=0.5), rel=REL)
    m.alpha = lambda: 1.0
    assert m.dC_tot_dt_HACA_alt() == 2 * half
    assert m.dC_tot_dt_O2_alt() == pytest.approx(2 * -2.0 * 0.5 * 2200000.0 * np.exp(-3774.53 / m.T)
                                                 * conc(m, m.O2_index) * r_c_soot_nought(m), rel=REL)


def test_hydrogen_follows_carbon_by_one_eighth_and_prefactor_scales_per_step_form(model):
    m = model
    dC = m.dC_tot_dt_HACA_alt()
    assert dC > 0.0
    assert m.dH_tot_dt_HACA_alt() == 0.125 * dC
    collision = m.dC_tot_dt_HACA()
    m.HACA_prefactor = 2.0
    assert m.dC_tot_dt_HACA_alt() == 2 * dC
    assert m.dH_tot_dt_HACA_alt() == 0.125 * 2 * dC
    assert m.dC_tot_dt_HACA() == collision


def test_K_s_differs_from_the_per_step_coefficient(model):
    m = model
    regas(m, T=1500.0)
    k_add = 80 * 1500.0 ** 1.56 * np.exp(-1912.43 / 1500.0)
    assert m.K_s() == pytest.approx(80 * 1500.0 ** 1.56 * np.exp(-1912.4 / 1500.0), rel=REL)
    assert m.K_s() / k_add == pytest.approx(np.exp(0.03 / 1500), rel=1e-12)


@pytest.mark.parametrize("species, value", [("H2", 0.0), ("H2", -1e-3), ("H", 0.0), ("H", -1e-3)])
def test_site_density_vanishes_without_H_or_H2(gas, model, species, value):
    m = model
    m.X[gas.species_index(species)] = value
    assert m.chi_soot_0() == 0.0


def test_site_density_is_capped(gas, model):
    m = model
    m.X[gas.species_index("H2")] = 1e-12
    assert m.chi_soot_0() == 2.3e19


def test_active_sites_bounded_and_vanish_without_gas(gas, model):
    m = model
    assert 0.0 < m.c_soot_nought() <= m.p_A_tot * 2.3e19 / m.Av
    for s in ("H", "OH", "H2", "H2O", "C2H2", "O2"):
        m.X[gas.species_index(s)] = -1e-9 if s == "O2" else 0.0
    assert m.c_soot_nought() == 0.0


def test_negative_acetylene(gas, model):
    m = model
    m.X[gas.species_index("C2H2")] = -1e-3
    assert m.dC_tot_dt_HACA_alt() < 0.0
    assert m.dC_tot_dt_HACA() == 0.0


def test_carbonisation(model):
    m = model
    assert m.dH_tot_dt_carb() == 0.0
    m.carbonization_enabled = True
    want = -m.H_tot * m.A_carb * np.exp(-m.Ea_carb / (m.T * m.R))
    assert m.dH_tot_dt_carb() == pytest.approx(want, rel=REL)
    assert want < 0.0


# ------------------------------------------------------------- element balance

def test_haca_and_oxidation_conserve_elements(gas):
    # The soot carbon and hydrogen gained equal what the gas loses, and the
    # oxygen of O2 and OH ends up in CO.
    m = build(gas, inception_enabled=False, growth_PAH_adsorption_enabled=False)
    m.update_scrub_wdot()
    w = np.asarray(m.scrub_wdot) * 1000 / m.density  # mol/(kg s)
    atoms = {e: np.array([gas.n_atoms(k, e) for k in range(gas.n_species)]) for e in "CHO"}
    dC = m.growth(2) + m.oxidation(2)
    dH = m.growth(3) + m.oxidation(3)
    scale = abs(m.p_dC_tot_dt_HACA_alt) + abs(m.p_dC_tot_dt_O2) + abs(m.p_dC_tot_dt_OH)
    assert m.p_dC_tot_dt_HACA_alt > 0 and m.p_dC_tot_dt_O2 < 0 and m.p_dC_tot_dt_OH < 0
    assert atoms["C"] @ w + dC == pytest.approx(0.0, abs=1e-13 * scale)
    assert atoms["H"] @ w + dH == pytest.approx(0.0, abs=1e-13 * scale)
    assert atoms["O"] @ w == pytest.approx(0.0, abs=1e-13 * scale)


# ---------------------------------------------------------------- overrides

def test_overridden_volume_changes_every_size(gas):
    class Denser(CSootModel):
        def V_tot(self):
            return 8 * CSootModel.V_tot(self)
    base, m = build(gas), build(gas, cls=Denser)
    assert m.V_p() == 8 * base.V_p() and m.V_Ag() == 8 * base.V_Ag()
    assert m.d_p() == pytest.approx(2 * base.d_p(), rel=1e-15)
    assert m.A_tot() == pytest.approx(4 * base.A_tot(), rel=1e-15)
    assert m.m_Ag() == 8 * base.m_Ag()
    # The caches of update_solution see the override too.
    assert m.p_d_p == m.d_p() and m.p_A_tot == m.A_tot()


def test_overridden_concentration_changes_oxidation(gas):
    class Doubled(CSootModel):
        def molar_density(self, index):
            return 2 * CSootModel.molar_density(self, index)
    base, m = build(gas), build(gas, cls=Doubled)
    assert m.dC_tot_dt_OH_alt() == 2 * base.dC_tot_dt_OH_alt()
    assert m.dC_tot_dt_O2_alt() != base.dC_tot_dt_O2_alt()
    # An instance attribute of a subclass instance is seen the same way.
    inst = build(gas, cls=type("Plain", (CSootModel,), {}))
    inst.molar_density = lambda index: 0.0
    assert inst.dC_tot_dt_OH_alt() == 0.0 and inst.c_soot_nought() == 0.0


def test_looked_up_path_gives_the_direct_results(gas):
    # Every method re-entered through Python: results equal the direct calls.
    checked = list(ALL) + ["alpha_ctoh_based", "dH_tot_dt_HACA_alt"]
    names = checked + ["molar_density"]
    ns = {n: (lambda n: lambda self, *a: getattr(CSootModel, n)(self, *a))(n) for n in names}
    Thru = type("Thru", (CSootModel,), ns)
    kw = dict(As_coales=1.1e-14, Ea_coales=180000.0, d_crit_coales=2.5e-9, K_T_factor=0.3)
    direct, looked_up = build(gas, **kw), build(gas, cls=Thru, **kw)
    for n in checked:
        assert getattr(looked_up, n)() == getattr(direct, n)(), n


# -------------------------------------------------------------- zero divisors

def zeroed(gas, soot=SOOT, **gas_kw):
    m = build(gas)
    if gas_kw:
        try:
            set_gas(m, gas, **gas_kw)
        except ZeroDivisionError:
            pass
    set_soot(m, soot)
    return m


ZERO_CASES = [
    # (what is zero, soot, gas overrides, methods that raise "float division")
    ("N_agg", (0.0, 1e-8, 2e-3, 4e-4), {}, ["n_p", "V_Ag", "d_m", "d_g", "A_Ag", "m_Ag"]),
    ("N_pri", (2e-9, 0.0, 2e-3, 4e-4), {}, ["V_p", "d_p", "A_p", "m_p"]),
    ("C_tot", (2e-9, 1e-8, 0.0, 4e-4), {},
     ["dispersion_exponent", "dC_tot_dt_O2_alt", "dC_tot_dt_OH_alt", "dH_tot_dt_O2_alt",
      "dH_tot_dt_OH_alt", "dH_tot_dt_O2", "dH_tot_dt_OH", "alpha_ctoh_based"]),
    ("H_tot", (2e-9, 1e-8, 2e-3, 0.0), {}, ["N_pri_coales_merge"]),
    ("T", SOOT, {"T": 0.0},
     ["calc_lambda_gas", "K_s", "c_soot_nought", "dC_tot_dt_HACA_alt", "dC_tot_dt_O2_alt",
      "omega_O2", "omega_OH", "t_f_titania", "t_f_silica"]),
    ("density", SOOT, {"density": 0.0}, ["calc_lambda_gas"]),
    ("viscosity", SOOT, {"viscosity": 0.0}, ["beta_coag_cont", "diffus_coeff_morph"]),
]


@pytest.mark.parametrize("what, soot, gas_kw, names", ZERO_CASES, ids=[c[0] for c in ZERO_CASES])
def test_zero_divisors_raise_float_division(gas, what, soot, gas_kw, names):
    m = zeroed(gas, soot, **gas_kw)
    for name in names:
        with pytest.raises(ZeroDivisionError, match="^float division$"):
            getattr(m, name)()


def test_zero_divisors_of_caches_and_times(gas, model):
    m = model
    m.carbonization_enabled = True
    m.p_d_p = 0.0
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.t_f_silica()
    m.p_d_m = 0.0
    for name in ("beta_coag_cont", "diffus_coeff_morph"):
        with pytest.raises(ZeroDivisionError, match="^float division$"):
            getattr(m, name)()
    m = zeroed(gas, T=0.0)
    m.carbonization_enabled = True
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.dH_tot_dt_carb()


@pytest.mark.parametrize("override, method, message", [
    ("m_Ag", "beta_coag_fm", "float division by zero"),
    ("m_Ag", "beta_coag_validation", "float division by zero"),
    ("m_p", "beta_soot_C2H2", "float division by zero"),
    ("beta_soot_C2H2", "gamma", "float division by zero"),
    ("total_mass", "SSA", "float division"),
    ("t_f_titania", "N_pri_coales_sintering", "float division"),
])
def test_zero_results_of_overridden_steps(gas, override, method, message):
    Zero = type("Zero", (CSootModel,), {override: lambda self: 0.0})
    m = build(gas, cls=Zero)
    m._set_coales_type(1)
    m.t_coales_min = 0.0
    with pytest.raises(ZeroDivisionError, match=f"^{message}$"):
        getattr(m, method)()


def test_harmonic_kernel_with_opposite_limits_raises(gas):
    class Opposite(CSootModel):
        def beta_coag_fm(self):
            return 1.0

        def beta_coag_cont(self):
            return -1.0
    m = build(gas, cls=Opposite)
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.beta_coag_hm()


def test_gamma_with_a_numpy_alpha_follows_numpy_rules(gas):
    # The collision efficiency divides the product that begins with alpha's result.
    Zero = type("Zero", (CSootModel,), {"beta_soot_C2H2": lambda self: 0.0})
    m = build(gas, cls=Zero)
    m.alpha = lambda: np.float64(0.5)
    with np.errstate(divide="ignore"):
        assert m.gamma() == np.inf
    m.alpha = lambda: 1
    with pytest.raises(ZeroDivisionError, match="^float division by zero$"):
        m.gamma()
