"""Result types of CSootModel's computations: NumPy scalars where the result comes
from NumPy's functions or array elements, Python floats where it is computed in
plain doubles; the value is the same whichever path computes it."""
import math

import numpy as np
import pytest

ct = pytest.importorskip("cantera")

from gases import RICH_FLAME_X, configured_model, pah_gas  # noqa: E402

from pyrandel.lib._pyrandel import CSootModel  # noqa: E402

PRECURSORS = ("A1", "A2", "A4")
AV = 6.02214076e23
# A young soot population: 1e16 aggregates per kg of ten 5 nm primaries each.
_N_AGG = 1e16 / AV
_C_TOT = 10 * _N_AGG * AV * 1800.0 * np.pi / 6 * 5e-9 ** 3 / 0.012011
SOLUTION = np.array([_N_AGG, 10 * _N_AGG, _C_TOT, 0.1 * _C_TOT])

F64, FLOAT = np.float64, float


@pytest.fixture(scope="module")
def gas():
    g, _ = pah_gas()
    g.TPX = 1800.0, ct.one_atm, RICH_FLAME_X
    return g


def stepped(gas, variant, names=PRECURSORS, X=None, **attrs):
    # Silica parameters give both coalescence times non-trivial arguments; every
    # particle merges; the self-collision variants get sticking efficiencies.
    attrs = dict(dict(As_coales=1.1e-14, Ea_coales=180000.0, d_crit_coales=2.5e-9, K_T_factor=0.3,
                      CtoH_crit=1e9, stick_eff=[1e-3] * len(names)), **attrs)
    m = configured_model(gas, names, variant, **attrs)
    m.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight,
                 gas.X if X is None else X)
    m.update_solution(SOLUTION.copy())
    return m


# (variant, method, arguments, result type)
RESULTS = [
    (1, "molar_density", (3,), F64),
    (1, "beta_coag_cont", (), F64),
    (1, "t_f_titania", (), F64),
    (1, "t_f_silica", (), F64),
    (1, "N_agg_coag", (), FLOAT),  # the default kernel is the harmonic mean of doubles
    (1, "N_pri_coales_merge", (), FLOAT),
    (1, "k_REV", (0, 1), F64),
    (1, "k_REAC", (), F64),
    (1, "k_PAH", (), F64),
    (1, "ROP_dimer", (1,), F64),
    (1, "C_S_soot", (1e-9,), F64),
    (1, "beta_cont_soot_PAH", (2,), F64),
    (1, "k_r_soot_PAH", (2,), F64),
    (1, "soot_PAH_star", (2,), F64),
    (1, "dC_tot_dt_PAH_each_reactived", (2,), F64),
    (1, "dH_tot_dt_PAH_each_reactived", (2,), F64),
    (1, "inception_N_agg_reactived", (), F64),
    (1, "inception_C_tot_reactived", (), F64),
    (1, "inception_H_tot_reactived", (), F64),
    (5, "inception_N_agg_irrevd", (), F64),
    (5, "inception_C_tot_irrevd", (), F64),
    (5, "inception_H_tot_irrevd", (), F64),
    (4, "PAH_radical", (2,), F64),
    (4, "ROP_dimer_crosslinking", (2,), F64),
    (4, "inception_N_agg_crosslinking", (), F64),
    (4, "inception_C_tot_crosslinking", (), F64),
    (4, "inception_H_tot_crosslinking", (), F64),
    # The process terms pass the step's number on; the source terms add them.
    (1, "inception", (2,), F64),
    (1, "S_C_tot", (), F64),
    (4, "S_N_pri", (), F64),
    (5, "S_H_tot", (), F64),
    (2, "S_C_tot", (), FLOAT),
    (1, "coagulation", (0,), FLOAT),
    # Computed in doubles: Python floats.
    (1, "beta_coag_fm", (), FLOAT),
    (1, "beta_coag_hm", (), FLOAT),
    (1, "beta_coag_turb", (), FLOAT),
    (1, "t_f_md_derived", (), FLOAT),
    (1, "diffus_coeff_morph", (), FLOAT),
    (1, "omega_O2", (), FLOAT),
    (1, "c_soot_nought", (), FLOAT),
    (1, "k_FWD", (0, 1), FLOAT),
    (1, "k_f_soot_PAH", (2,), FLOAT),
    (1, "dC_tot_dt_PAH", (), FLOAT),
    (5, "dC_tot_dt_PAH_each_irrevd", (2,), FLOAT),
    (4, "PAH_adsorption_rate", (2,), FLOAT),
    (2, "inception_N_agg_slfclsn", (), FLOAT),
]


@pytest.mark.parametrize("variant, name, args, kind", RESULTS, ids=["%s-%d" % (r[1], r[0]) for r in RESULTS])
def test_result_type(gas, variant, name, args, kind):
    m = stepped(gas, variant)
    got = getattr(m, name)(*args)
    assert type(got) is kind
    assert got != 0.0 and math.isfinite(got)
    # A Python subclass reaching the method by name sees the same number.
    assert getattr(type(m), name)(m, *args) == got


# The C++ path caches some of these results as doubles: the same bits.
@pytest.mark.parametrize("variant, cached, computed", [
    (1, lambda m: m.p_k_r_soot_PAH[2], lambda m: m.k_r_soot_PAH(2)),
    (1, lambda m: m.p_soot_PAH_star[2], lambda m: m.soot_PAH_star(2)),
    (1, lambda m: m.p_dC_tot_dt_PAH_each[1], lambda m: m.dC_tot_dt_PAH_each_reactived(1)),
    (1, lambda m: m.p_ROP[1], lambda m: m.ROP_dimer(1)),
    (1, lambda m: m.inception(2), lambda m: m.inception_C_tot_reactived()),
    (5, lambda m: m.inception(0), lambda m: m.inception_N_agg_irrevd()),
    (4, lambda m: m.p_PAH_radical_[2], lambda m: m.PAH_radical(2)),
    (4, lambda m: m.p_ROP[2], lambda m: m.ROP_dimer_crosslinking(2)),
    (4, lambda m: m.inception(3), lambda m: m.inception_H_tot_crosslinking()),
    (1, lambda m: m.coagulation(0), lambda m: m.N_agg_coag()),
], ids=["k_r", "star", "dC_each", "ROP", "inc_C", "inc_N_irrevd", "radical", "ROP_cross", "inc_H_cross",
        "coag"])
def test_values_match_the_cached_doubles(gas, variant, cached, computed):
    m = stepped(gas, variant)
    c, v = cached(m), computed(m)
    assert c != 0.0 and float(v).hex() == float(c).hex()


def test_kernel_sums_follow_the_selected_kernel(gas):
    m = stepped(gas, 1, CtoH_crit=1e9)
    m._set_coales_type(4)
    want = -0.5 * (m.beta_coag_cont() + m.beta_coag_turb()) * m.N_agg ** 2.0 * m.Av * m.density
    m.beta_coag = m.beta_coag_cont
    got = m.N_agg_coag()
    assert type(got) is np.float64 and got == want
    assert type(m.N_pri_coales_merge()) is np.float64
    m.beta_coag = lambda: 1e-15
    assert type(m.N_agg_coag()) is float and type(m.N_pri_coales_merge()) is float
    assert type(m.coagulation(0)) is float  # the process term stays a Python float
    m.CtoH_crit = 0.0  # no merging: the plain 0.0
    assert m.N_pri_coales_merge() == 0.0 and type(m.N_pri_coales_merge()) is float


def test_cross_linking_branches_without_numpy_give_plain_floats(gas):
    X = gas.X.copy()
    X[gas.species_index("A4")] = -1e-6  # a negative concentration counts as 0.0
    m = stepped(gas, 4, X=X)
    r = m.ROP_dimer_crosslinking(2)
    assert r == 0.0 and type(r) is float
    assert type(m.ROP_dimer_crosslinking(1)) is np.float64
    # No H2, H or precursor and no adsorption: the radical balance has no denominator.
    X = gas.X.copy()
    for name in ("H2", "H") + PRECURSORS:
        X[gas.species_index(name)] = 0.0
    m = stepped(gas, 4, X=X, adsorb_eff=0.0)
    r = m.PAH_radical(0)
    assert r == 0.0 and type(r) is float
    m = stepped(gas, 4, names=())
    for name in ("inception_N_agg_crosslinking", "inception_C_tot_crosslinking", "inception_H_tot_crosslinking"):
        r = getattr(m, name)()
        assert r == 0.0 and type(r) is float


@pytest.mark.parametrize("dtype", [np.float64, np.float32, np.float16, np.int64, np.int32, np.uint8, bool,
                                   np.longdouble, object])
@pytest.mark.parametrize("mean_MW", [0.028, 0.0])
def test_molar_density_is_the_element_arithmetic_of_X(gas, dtype, mean_MW):
    m = stepped(gas, 1)
    X = (gas.X * 1e4 if np.dtype(dtype).kind in "iub" else gas.X).astype(dtype)
    m.update_gas(gas.T, gas.P, gas.density, gas.viscosity, 1000 * mean_MW, X)
    i = gas.species_index("O2")
    with np.errstate(divide="ignore", invalid="ignore"):
        try:
            want = m.X[i] * m.density / m.mean_MW
        except ZeroDivisionError as exc:
            want = exc
    if isinstance(want, ZeroDivisionError):  # Python floats of an object array
        with pytest.raises(ZeroDivisionError):
            m.molar_density(i)
        return
    with np.errstate(divide="ignore", invalid="ignore"):
        got = m.molar_density(i)
        assert type(m.molar_density(-1)) is type(want)
    assert type(got) is type(want) and got == want


def test_molar_density_warns_as_numpy_does(gas):
    m = stepped(gas, 1)
    m.update_gas(gas.T, gas.P, gas.density, gas.viscosity, 0.0, gas.X)
    with pytest.warns(RuntimeWarning, match="divide by zero"):
        got = m.molar_density(gas.species_index("O2"))
    assert got == np.inf and type(got) is np.float64
    with np.errstate(divide="raise"), pytest.raises(FloatingPointError):
        m.molar_density(gas.species_index("O2"))


def test_source_terms_add_as_numpy_adds(gas):
    big = np.finfo(float).max

    class Huge(CSootModel):
        def growth(self, i):
            return np.float64(big)

    m = stepped(gas, 1, cls=Huge)
    want = m.inception(2) + m.growth(2) + m.oxidation(2) + m.coagulation(2) + m.coalescence(2)
    assert m.S_C_tot() == want and type(m.S_C_tot()) is np.float64
    m.inception_C_tot = lambda: np.float64(big)  # the sum overflows: NumPy's warning
    with pytest.warns(RuntimeWarning, match="overflow"):
        got = m.S_C_tot()
    assert got == np.inf and type(got) is np.float64
    m.inception_C_tot = lambda: 1  # an int and a float64 add as the interpreter adds them
    assert type(m.S_C_tot()) is np.float64 and m.S_C_tot() == 1 + big
