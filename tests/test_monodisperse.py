"""Particle models CSootModelBase and CMonodisperseSootModel: state, step protocol, morphology and
coagulation kernels against a direct transcription, overrides, scrubbing array, faults."""

import copy
import importlib
import math
import pickle

import numpy as np
import pytest

mod = importlib.import_module("pyrandel.lib._pyrandel")
QUAL = "pyrandel.lib._pyrandel.CMonodisperseSootModel."

AV, PI, KB = 6.02214076e23, 3.1415926535, 1.3806488e-23
RHO_S, MWC, MWH = 1800.0, 0.012011, 0.001008
THIRD, TWO3 = 0.3333333333333334, 0.6666666666666667
GAS = dict(T=1600.0, P=101325.0, rho=0.21, mu=5.2e-5, mean_MW=0.0265)
YOUNG = [2.0e-9, 8.0e-9, 4.0e-5, 6.0e-6]   # n_p = 4
FLOORS = [1 / AV, 1 / AV, 378 / AV, 20 / AV]


def transcription(N_agg, N_pri, C, H, T, rho, mu, lam, turb=0.0):
    """The morphology and coagulation formulas, written out in Python in their order."""
    V_tot = MWC * C / RHO_S
    V_p = V_tot / (AV * N_pri)
    d_p = (V_p * 6.0 / PI) ** THIRD
    A_p = (V_p * 6.0 / PI) ** TWO3 * PI
    n_p = N_pri / N_agg
    x = d_p * n_p ** 0.45
    d_m = x if x > d_p else d_p
    d_g = d_m / (n_p ** -0.2 + 0.4) if n_p > 1.5 else d_m / 1.29
    V_agg = V_tot / (AV * N_agg)
    m_agg = V_agg * RHO_S

    def Cs(d):
        return (math.exp(d * -0.78 / lam) * 0.4 + 1.21) * (lam * 2.0 / d) + 1.0

    cont = T * (KB * 8.0) / (mu * 3.0) * Cs(d_m)
    fm = d_g ** 2.0 * ((T * (KB * PI) / m_agg) ** 0.5 * 4.0)
    beta = fm * 1.82 * cont / (cont + fm)
    return dict(
        d_p=d_p, d_m=d_m, d_g=d_g, A_tot=A_p * (AV * N_pri), m_agg=m_agg, V_agg=V_agg,
        soot_MW=MWC * C / N_agg, c_soot_agg=rho * N_agg, c_soot_pri=rho * N_pri,
        m_p=PI * RHO_S * d_p ** 3.0 / 6.0, n_p=n_p, d_v=n_p ** THIRD * d_p,
        N_agg_coag=-0.5 * (beta + turb) * N_agg * N_agg * AV * rho,
        diff=KB * T / (((3 * PI) * mu) * d_m / Cs(d_m)),
        HtoC=H / C)


class PAH(mod.CPAHGrowthBase):
    """Stand-in PAH-growth model: records the protocol, fixed totals."""
    totals = dict(N_agg_inception_total=3.0e-6, C_tot_inception_total=1.0e-4, H_tot_inception_total=5.0e-5,
                  C_tot_PAH_total=2.0e-3, H_tot_PAH_total=1.2e-3)

    def create_PAH_dimer(self):
        pass

    def update_soot_vars(self, *values):
        self.log.append(("vars", values))

    def update(self):
        self.log.append("update")

    def update_w_scrub(self, w):          # not Python-visible in the protocol: never called
        self.log.append("scrub by name")



class Surf(mod.CSurfaceReactionsBase):
    totals = dict(C_tot_growth=7.0e-3, H_tot_growth=7.0e-3 / 8, C_tot_oxidation=-3.0e-3, H_tot_oxidation=0.0)

    def update_soot_vars(self, *values):
        self.log.append(("vars", values))

    def update(self):
        self.log.append("update")

    def update_w_scrub(self, w):
        self.log.append(("scrub", np.array(w)))
        w[1] += 2.5



for _cls in (PAH, Surf):
    for _name, _value in _cls.totals.items():
        setattr(_cls, _name, (lambda v: lambda self: v)(_value))


def gas_wrapper(n=5):
    g = mod.CSootGas(None)
    g.update_MWs(np.linspace(0.002, 0.03, n))
    g.set_species_indices({})
    g.update(GAS["T"], GAS["P"], [1.0 / n] * n, GAS["rho"], GAS["mu"], GAS["mean_MW"])
    g.update_lambda_gas()
    return g


def assembled(cls=None, soot=YOUNG):
    sw = mod.CSootWrapper(gas_wrapper())
    pah, surf = PAH(sw), Surf(sw)
    pah.log, surf.log = [], []
    sw.set_PAH_growth_model(pah)
    sw.set_surface_reactions_model(surf)
    m = (cls or mod.CMonodisperseSootModel)(sw)
    sw.set_soot_model(m)
    if soot is not None:
        m.set_vars(np.array(soot))
    return sw, m


def expected(soot=YOUNG, **kw):
    g = gas_wrapper()
    return transcription(*soot, GAS["T"], GAS["rho"], GAS["mu"], g.lambda_gas, **kw)


# --------------------------------------------------------------------- state


def test_new_model_sits_at_the_floors():
    sw = mod.CSootWrapper(gas_wrapper())
    m = mod.CMonodisperseSootModel(sw)
    assert m.n_eqns == 4 and (m.N_agg_offset, m.N_pri_offset, m.C_tot_offset, m.H_tot_offset) == (0, 1, 2, 3)
    assert [m.N_agg(), m.N_pri(), m.C_tot(), m.H_tot()] == FLOORS
    assert isinstance(m.w_scrub, np.ndarray) and m.w_scrub.tolist() == [0.0] * 5
    assert m.diffusion_coeff_method == 0 and m.diffusion_coeff_type == "morphology"
    assert m.diffus_coeff_const_val == 0.0
    assert m.vars_dict == {"N_agg": 0, "N_pri": 1, "C_tot": 2, "H_tot": 3}
    assert m.min_array().tolist() == FLOORS and m.min_array() is not m.min_array()
    m.N_agg_min = 5.0
    assert m.min_array()[0] == 5.0
    m._reset()
    assert m.N_agg() == 5.0
    for ro in ("n_eqns", "vars_dict", "N_agg_offset"):
        with pytest.raises(AttributeError):
            setattr(m, ro, 1)


def test_base_model_protocol_and_diffusion_type():
    sw = mod.CSootWrapper(gas_wrapper(3))
    b = mod.CSootModelBase(sw)
    assert (b.n_eqns, b.w_scrub, b.soot_wrapper) == (0, None, sw)
    b._reset()
    assert b.w_scrub.tolist() == [0.0] * 3
    assert b.soot_gas() is sw.soot_gas and b.PAH_growth_model() is None
    sw.coalescence_enabled = True
    assert (b.coagulation_enabled(), b.carbonization_enabled(), b.scrubbing_enabled(),
            b.coalescence_enabled()) == (True, False, True, True)
    for name in ("volume_fraction", "total_mass", "_update_w_scrub", "update"):
        with pytest.raises(Exception, match=r"^%s\(\) is not defined!$" % name):
            getattr(b, name)()
    b.diffusion_coeff_type = "constant"
    assert b.diffusion_coeff_method == 1 and b.diffusion_coeff_type == "constant"
    for bad in ("Constant", 1, None):
        with pytest.raises(Exception, match="^The diffusion coefficient type is not allowed!$"):
            b.diffusion_coeff_type = bad
    assert b.diffusion_coeff_method == 1
    b.diffusion_coeff_method = 2
    with pytest.raises(Exception, match="^Unknown diffusion coefficient method!$"):
        b.diffusion_coeff_type
    with pytest.raises(NotImplementedError, match="^__del__$"):
        del b.diffusion_coeff_type
    with pytest.raises(TypeError, match="^Cannot convert int to pyrandel.lib._pyrandel.CSootWrapper$"):
        mod.CSootModelBase(4)


def test_reset_refuses_a_non_array_from_a_subclass_gas():
    class OddGas(mod.CSootGas):
        n_species = 2

    class Model(mod.CSootModelBase):
        pass

    sw = mod.CSootWrapper(OddGas(None))
    m = Model(sw)
    m._reset()
    assert m.w_scrub.tolist() == [0.0, 0.0]
    with pytest.raises(AttributeError, match="'NoneType' object has no attribute 'n_species'|soot_gas"):
        mod.CMonodisperseSootModel(mod.CSootWrapper(None))


# ------------------------------------------------------------ soot block I/O


def test_set_vars_and_fill_soot_array():
    _, m = assembled()
    m.set_vars(np.array([0.0, 0.0, 0.0, 0.0]))
    assert m.N_agg() == 0.0                       # no floor
    m.set_vars(np.array(YOUNG + [99.0]))
    out = np.zeros(4)
    m.fill_soot_array(out)
    assert out.tolist() == YOUNG
    short = np.zeros(3)
    with pytest.raises(IndexError, match=r"^Out of bounds on buffer access \(axis 0\)$"):
        m.fill_soot_array(short)
    assert short.tolist() == YOUNG[:3]
    with pytest.raises(IndexError, match=r"^Out of bounds on buffer access \(axis 0\)$"):
        m.fill_soot_array(None)
    with pytest.raises(ValueError):
        m.fill_soot_array(np.zeros(4, dtype=np.float32))


@pytest.mark.parametrize("bad", [np.array([1.0, 2.0, 3.0]), np.zeros(0), None])
def test_set_vars_refuses_a_short_buffer_without_changing_state(bad):
    _, m = assembled()
    with pytest.raises(IndexError, match=r"^Out of bounds on buffer access \(axis 0\)$"):
        m.set_vars(bad)
    assert [m.N_agg(), m.N_pri(), m.C_tot(), m.H_tot()] == YOUNG


class _Sub(np.ndarray):
    pass


def _unaligned(n):
    return np.frombuffer(bytearray(8 * n + 1), dtype=np.float64, offset=1, count=n)


@pytest.mark.parametrize("make, want", [
    (lambda: np.zeros(4), YOUNG),
    (lambda: np.zeros(8)[::-2], YOUNG),
    (lambda: _unaligned(4), YOUNG),
    (lambda: np.zeros(4).view(_Sub), YOUNG),
    (lambda: np.zeros(4, dtype="<f8"), YOUNG),
], ids=["plain", "reversed", "unaligned", "subclass", "little-endian"])
def test_fill_soot_array_writes_every_kind_of_float64_array(make, want):
    _, m = assembled()
    m.set_vars(np.array(YOUNG))
    out = make()
    m.fill_soot_array(out)
    assert out.tolist() == want


def test_fill_soot_array_refusals_and_warnings_of_the_array_itself():
    _, m = assembled()
    m.set_vars(np.array(YOUNG))
    with pytest.raises(ValueError, match=r"^Buffer dtype mismatch, expected 'double' but got '>d'$"):
        m.fill_soot_array(np.zeros(4, dtype=">f8"))
    ro = np.zeros(4)
    ro.setflags(write=False)
    with pytest.raises(ValueError, match="read-only"):
        m.fill_soot_array(ro)
    assert ro.tolist() == [0.0] * 4
    # A writeable view from broadcast_arrays: NumPy warns before it is written.
    shared = np.broadcast_arrays(np.zeros(1), np.zeros(4))[0]
    with pytest.warns(DeprecationWarning, match="overlapping memory"):
        m.fill_soot_array(shared)
    assert shared.tolist() == [YOUNG[3]] * 4


def test_set_vars_reads_strided_views():
    _, m = assembled()
    y = np.arange(12.0)
    m.set_vars(y[::3])
    assert [m.N_agg(), m.N_pri(), m.C_tot(), m.H_tot()] == [0.0, 3.0, 6.0, 9.0]


# ---------------------------------------------------------------- morphology


@pytest.mark.parametrize("soot", [YOUNG, FLOORS, [1.0e-9, 2.0e-9, 3.0e-5, 1.0e-7], [1e-9, 1e-9, 1e-6, 1e-7]])
def test_morphology_and_kernels_match_the_transcription(soot):
    _, m = assembled(soot=soot)
    e = expected(soot)
    for name in ("d_p", "d_m", "d_g", "A_tot", "n_p", "d_v"):
        assert getattr(m, name)() == pytest.approx(e[name], rel=4e-16, abs=0), name
    assert m.coagulation_mass() == pytest.approx(e["N_agg_coag"], rel=1e-15)
    assert m.coagulation_vol() == pytest.approx(GAS["rho"] * e["N_agg_coag"], rel=1e-15)
    assert m.diffusion_coefficient() == pytest.approx(e["diff"], rel=1e-15)
    assert m.diffus_coeff_morph() == pytest.approx(e["diff"], rel=1e-15)
    C, H = soot[2], soot[3]
    assert m.total_mass() == MWH * H + MWC * C and m.carbon_mass() == MWC * C and m.hydrogen_mass() == MWH * H
    assert m.volume_fraction() == GAS["rho"] * (MWH * H + MWC * C) / RHO_S
    assert m.dispersion_exponent() == H / C * 2.339156177 + 0.690753997
    assert m.SSA() == pytest.approx(e["A_tot"] / (MWH * H + MWC * C) / 1000, rel=4e-16)


def test_limiting_cases_at_the_floors_and_eight_primaries():
    _, m = assembled(soot=FLOORS)
    d_floor = m.d_p()
    assert m.n_p() == 1.0 and m.d_m() == d_floor and m.d_g() == d_floor / 1.29 and m.d_v() == d_floor
    assert 1.9e-9 < d_floor < 2.1e-9 and 1.6e3 < m.SSA() < 1.7e3
    assert m.dispersion_exponent() == 20 / 378 * 2.339156177 + 0.690753997
    m.set_vars(np.array([FLOORS[0], 8 * FLOORS[0], FLOORS[2], FLOORS[3]]))
    assert m.n_p() == 8.0 and m.d_p() == pytest.approx(d_floor / 2, rel=1e-15)
    assert m.d_m() == m.d_p() * 8 ** 0.45 and m.d_g() == m.d_m() / (8 ** -0.2 + 0.4)
    m.set_vars(np.array([2.0, 3.0, 1e-5, 1e-6]))   # n_p exactly 1.5
    assert m.d_g() == m.d_m() / 1.29


def test_update_hands_the_morphology_to_both_models():
    sw, m = assembled()
    e = expected()
    assert m.update() is None
    pah, surf = sw.PAH_growth_model, sw.surface_reactions_model
    (tag, ten), upd = pah.log
    assert tag == "vars" and upd == "update"
    names10 = ("d_p", "d_m", "d_g", "A_tot", "m_agg", "V_agg", "soot_MW", "c_soot_agg", "c_soot_pri", "m_p")
    assert ten == pytest.approx(tuple(e[n] for n in names10), rel=4e-16)
    (tag, eight), upd = surf.log
    names8 = ("d_p", "d_m", "d_g", "A_tot", "m_agg", "soot_MW", "c_soot_agg", "HtoC")
    assert eight == pytest.approx(tuple(e[n] for n in names8), rel=4e-16)


def test_update_with_soot_off_calls_nobody_and_zero_carbon_raises_between_models():
    sw, m = assembled()
    sw.soot_enabled = False
    assert m.update() is None and sw.PAH_growth_model.log == [] and sw.surface_reactions_model.log == []
    sw.soot_enabled = True
    m.set_vars(np.array([1e-9, 1e-9, 0.0, 1e-7]))
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.update()
    assert sw.PAH_growth_model.log[-1] == "update" and sw.surface_reactions_model.log == []


# ------------------------------------------------------------------ overrides


def test_python_override_of_d_p_reaches_every_kernel_through_the_table():
    class Bigger(mod.CMonodisperseSootModel):
        def d_p(self):
            return 1.0e-8

        def m_agg(self):                # no Python-visible entry: the table ignores it
            return 123.0

    sw, m = assembled(Bigger)
    assert m.d_p() == 1.0e-8
    n_p = 4.0
    assert m.d_m() == 1.0e-8 * n_p ** 0.45 and m.d_v() == n_p ** THIRD * 1.0e-8
    assert m.d_g() == m.d_m() / (n_p ** -0.2 + 0.4)
    m.update()
    ten = sw.PAH_growth_model.log[0][1]
    assert ten[0] == 1.0e-8 and ten[1] == m.d_m() and ten[9] == PI * RHO_S * 1e-24 / 6.0
    assert ten[4] == pytest.approx(expected()["m_agg"], rel=4e-16)


def test_fast_path_equals_a_pass_through_override():
    names = ("A_tot", "d_v", "d_m", "d_g", "d_p", "n_p", "beta_coag_turb", "diffus_coeff_morph")
    Through = type("Through", (mod.CMonodisperseSootModel,),
                   {n: (lambda n: lambda self: getattr(mod.CMonodisperseSootModel, n)(self))(n) for n in names})
    sw1, fast = assembled()
    sw2, slow = assembled(Through)
    fast.update(), slow.update()
    assert sw1.PAH_growth_model.log == sw2.PAH_growth_model.log
    assert sw1.surface_reactions_model.log == sw2.surface_reactions_model.log
    for name in ("S_N_agg", "S_N_pri", "S_C_tot", "S_H_tot", "SSA", "diffusion_coefficient", "coagulation_mass"):
        assert getattr(fast, name)() == getattr(slow, name)(), name


def test_turbulent_kernel_by_name_and_its_failure(unraisable):
    class Turb(mod.CMonodisperseSootModel):
        turb = 1.0e-15

        def beta_coag_turb(self):
            if self.turb is None:
                raise RuntimeError("no turbulence")
            return self.turb

    _, m = assembled(Turb)
    assert m.coagulation(0) == pytest.approx(expected(turb=1.0e-15)["N_agg_coag"], rel=1e-15)
    m.turb = None
    assert m.coagulation(0) == 0.0
    assert m.S_N_agg() == PAH.totals["N_agg_inception_total"]
    assert unraisable and unraisable[-1].object == QUAL + "N_agg_coag"
    assert isinstance(unraisable[-1].exc_value, RuntimeError)


def test_failing_override_of_a_table_entry_gives_zero(unraisable):
    class Broken(mod.CMonodisperseSootModel):
        def n_p(self):
            return "many"

    _, m = assembled(Broken)
    assert m.d_v() == 0.0                      # pow(0.0, 1/3) * d_p
    assert unraisable[-1].object == QUAL + "n_p"


def test_diffusion_coefficient_honours_the_method_code():
    class Counted(mod.CMonodisperseSootModel):
        def diffus_coeff_morph(self):
            return "morph"

        def diffus_coeff_const(self):
            return "const"

    _, m = assembled()
    m.diffus_coeff_const_val = 2.5e-9
    m.diffusion_coeff_type = "constant"
    assert m.diffusion_coefficient() == 2.5e-9 == m.diffus_coeff_const()
    m.diffusion_coeff_method = 0
    assert m.diffusion_coefficient() == m.diffus_coeff_morph()
    _, c = assembled(Counted)
    assert c.diffusion_coefficient() == "morph"
    c.diffusion_coeff_method = 1
    assert c.diffusion_coefficient() == "const"


def test_zero_divisors_of_the_kernels(unraisable):
    sw, m = assembled()
    sw.soot_gas.update(1600.0, 101325.0, [0.2] * 5, 0.21, 5.2e-5, 0.0265)   # lambda_gas kept
    sw.soot_gas.update_lambda_gas()
    m.set_vars(np.array([1e-9, 1e-9, 0.0, 0.0]))     # m_agg = 0: fm reports and is 0, cont is infinite
    assert math.isnan(m.coagulation_mass())
    assert {u.object for u in unraisable} >= {QUAL + "beta_coag_fm"}
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.dispersion_exponent()
    with pytest.raises(ZeroDivisionError):
        m.SSA()
    m.set_vars(np.array(YOUNG))
    sw.soot_gas.update(1600.0, 101325.0, [0.2] * 5, 0.21, 0.0, 0.0265)
    sw.soot_gas.update_lambda_gas()                  # mean free path 0
    with pytest.raises(ZeroDivisionError, match="^float division$"):
        m.diffusion_coefficient()


# ------------------------------------------------------------- process terms


def test_process_terms_by_variable_code():
    sw, m = assembled()
    t, s = PAH.totals, Surf.totals
    assert [m.inception(v) for v in range(4)] == [t["N_agg_inception_total"]] * 2 + [
        t["C_tot_inception_total"], t["H_tot_inception_total"]]
    assert [m.growth(v) for v in range(4)] == [0.0, 0.0, s["C_tot_growth"] + t["C_tot_PAH_total"],
                                               s["H_tot_growth"] + t["H_tot_PAH_total"]]
    assert [m.oxidation(v) for v in range(4)] == [0.0, 0.0, s["C_tot_oxidation"], s["H_tot_oxidation"]]
    coag = m.coagulation(0)
    assert coag == pytest.approx(expected()["N_agg_coag"], rel=1e-15) and coag < 0
    assert [m.coagulation(v) for v in (1, 2, 3, 7)] == [0.0, 0.0, 0.0, None]
    assert [m.coalescence(v) for v in (0, 3, 7)] == [0.0, 0.0, 0.0]
    assert [m.carbonization(v) for v in (2, 4)] == [0.0, None]
    assert [f(7) for f in (m.inception, m.growth, m.oxidation)] == [None] * 3
    sw.coagulation_enabled, sw.coalescence_enabled = False, True
    assert m.coagulation(0) == 0.0 and m.coagulation(7) == 0.0 and m.coalescence(7) is None
    assert m.S_N_agg() == t["N_agg_inception_total"]
    assert m.coagulation_mass() == coag                   # the diagnostic ignores the switch
    sw.coagulation_enabled = True
    assert m.S_N_agg() == t["N_agg_inception_total"] + coag
    assert m.S_N_pri() == m.inception(1) == m.inception(0)
    assert m.S_C_tot() == t["C_tot_inception_total"] + (s["C_tot_growth"] + t["C_tot_PAH_total"]) + s[
        "C_tot_oxidation"]
    assert m.S_H_tot() == t["H_tot_inception_total"] + (s["H_tot_growth"] + t["H_tot_PAH_total"]) + 0.0
    rho = GAS["rho"]
    assert (m.inception_mass(), m.inception_vol()) == (t["N_agg_inception_total"], t["N_agg_inception_total"] * rho)
    assert (m.PAH_adsorption_mass(), m.PAH_adsorption_vol()) == (t["C_tot_PAH_total"], t["C_tot_PAH_total"] * rho)
    assert m.surface_growth_vol() == s["C_tot_growth"] * rho
    assert (m.oxidation_mass(), m.oxidation_vol()) == (s["C_tot_oxidation"], s["C_tot_oxidation"] * rho)


def test_source_terms_see_overrides_by_name_in_order():
    calls = []

    class Seen(mod.CMonodisperseSootModel):
        def growth(self, v):
            calls.append(("growth", v))
            return 1 if v == 2 else 0          # ints add with the interpreter's addition

        def S_N_pri(self):
            raise KeyError("pri")

    sw, m = assembled(Seen)
    out = np.full(4, -1.0)
    with pytest.raises(KeyError):
        m.fill_source_term_array(out)
    assert out[0] == m.S_N_agg() and out[1:].tolist() == [-1.0] * 3
    assert m.S_C_tot() == PAH.totals["C_tot_inception_total"] + 1 + Surf.totals["C_tot_oxidation"]
    assert ("growth", 2) in calls


# ------------------------------------------------------------------ scrubbing


def test_update_w_scrub_writes_zeros_into_the_same_array(unraisable):
    sw, m = assembled()
    w = m.w_scrub
    w[:] = [np.nan, np.inf, 1.0, -2.0, 3.0]
    sw.scrubbing_enabled = False
    m.update_w_scrub()
    assert m.w_scrub is w and w.tolist() == [0.0] * 5          # NaN does not survive
    sw.scrubbing_enabled = True
    w[0] = np.nan
    m.update_w_scrub()
    # the PAH model is reached through its table (the base entry reports), the surface model by name
    assert sw.PAH_growth_model.log == []
    assert unraisable and unraisable[0].object.endswith("CPAHGrowthBase.update_w_scrub")
    (tag, seen), = sw.surface_reactions_model.log
    assert tag == "scrub" and seen.tolist() == [0.0] * 5
    assert w.tolist() == [0.0, 2.5, 0.0, 0.0, 0.0] and m.w_scrub is w
    sw.soot_enabled = False
    m.update_w_scrub()
    assert w.tolist() == [0.0] * 5


def test_update_w_scrub_with_other_arrays(unraisable):
    _, m = assembled()
    m.w_scrub = None
    with pytest.raises(TypeError):
        m.update_w_scrub()
    m.w_scrub = np.full(5, 7, dtype=np.int64)
    with pytest.raises(ValueError):                  # zeroed, then refused as a double buffer
        m.update_w_scrub()
    assert m.w_scrub.tolist() == [0] * 5
    m.w_scrub = np.full(10, 3.0)[::2]
    m.update_w_scrub()
    assert m.w_scrub.tolist() == [0.0, 2.5, 0.0, 0.0, 0.0]


# ---------------------------------------------------------- missing objects


@pytest.mark.parametrize("missing", ["wrapper", "gas", "PAH", "surface"])
def test_missing_objects_raise_or_report_never_crash(missing, unraisable):
    sw, m = assembled()
    if missing == "wrapper":
        m.soot_wrapper = None
    elif missing == "gas":
        sw.soot_gas = None
    elif missing == "PAH":
        sw.PAH_growth_model = None
    else:
        sw.surface_reactions_model = None
    calls = ["update", "update_w_scrub", "S_N_agg", "S_C_tot", "volume_fraction", "diffusion_coefficient",
             "inception_vol", "oxidation_vol", "SSA", "coagulation_vol"]
    for name in calls:
        try:
            getattr(m, name)()
        except (AttributeError, ZeroDivisionError):
            pass
    for v in range(-1, 5):
        for name in ("inception", "growth", "oxidation", "coagulation", "coalescence", "carbonization"):
            try:
                getattr(m, name)(v)
            except AttributeError:
                pass
    if missing in ("wrapper", "PAH"):
        with pytest.raises(AttributeError):
            m.update()


def test_pickle_and_deepcopy_of_a_model_keep_state():
    sw, m = assembled()
    m.N_pri_min, m.diffus_coeff_const_val, m.diffusion_coeff_method = 3.0, 1e-9, 1
    for twin in (pickle.loads(pickle.dumps(m)), copy.deepcopy(m)):
        assert [twin.N_agg(), twin.N_pri(), twin.C_tot(), twin.H_tot()] == YOUNG
        assert (twin.N_pri_min, twin.diffus_coeff_const_val, twin.diffusion_coeff_method) == (3.0, 1e-9, 1)
        assert twin.w_scrub.tolist() == m.w_scrub.tolist() and twin.w_scrub is not m.w_scrub
        assert twin.soot_wrapper.soot_model is twin and twin.vars_dict == m.vars_dict
        assert twin.d_g() == m.d_g() and twin.coagulation_mass() == m.coagulation_mass()


def test_overrides_that_call_each_other_end_in_recursion_error(unraisable):
    class Loop(mod.CMonodisperseSootModel):
        def d_p(self):
            return self.d_m()           # d_m reaches d_p through the table, which comes back here

    _, m = assembled(Loop)
    assert isinstance(m.d_p(), float)
    assert any(isinstance(u.exc_value, RecursionError) for u in unraisable)
    m.update()                          # goes on with the reported zeros
