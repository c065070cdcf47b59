"""The golden-output cases: every output of the models, reactors and flame solvers, pinned bit for bit.

Each case builds a configuration on stand-in gases (fakes.py, layouts.py: no Cantera, so its version
cannot move a bit), runs it over a few moving states and returns its outputs in order, one label per
output: source terms, scrub arrays, every numeric field of every object taking part (from its pickled
state), the read-only properties and the reactors' derivatives. A value is the little-endian bytes of
its float64 numbers in hex, or "!" and the exception's type when the call raises.

The recorded values are tests/golden/outputs.json, written by make_golden_outputs.py from a build whose
outputs are right; test_golden_outputs.py compares every case with them. The cases on real Cantera gases
are kept apart (CANTERA_CASES) and compared only under the Cantera version they were recorded with.
"""

import collections
import contextlib
import io
import itertools
import re

import numpy as np

import layouts as L
from fakes import FakeFlame, FakeGas, FlameGas

AV = 6.02214076e23
PAH_MODELS = ("CReactDim", "CDimerCoal", "CDimerCoalMod", "CCrossLink", "CCrossLinkMod", "CCrossLinkMerge")
SPECIES, MWS, X0 = L.RATE_SPECIES, np.array(L.CSM_MWS), np.array(L.CSM_X)

# Soot states (N_agg, N_pri, C_tot, H_tot in mol/kg): the floors, young soot, and large aged aggregates.
TINY = np.array([1.0, 1.0, 378.0, 20.0]) / AV
YOUNG = np.array([2.0e-9, 8.0e-9, 4.0e-5, 6.0e-6])
LARGE = np.array([3.0e-12, 4.0e-10, 6.0e-2, 2.0e-3])
SOOTS = {"tiny": TINY, "young": YOUNG, "large": LARGE}

# Moving gas states (T, X scale per species), the last one a repeat of the first: kept values must
# not leak between states nor go stale when a state comes back.
MOVES = ((1800.0, np.ones(10)),
         (1860.0, np.array([1.1, 0.9, 1.2, 0.8, 1.0, 1.05, 0.95, 1.3, 0.7, 1.0])),
         (1745.0, np.array([0.9, 1.2, 0.7, 1.25, 1.0, 0.95, 1.1, 0.6, 1.4, 1.0])),
         (1800.0, np.ones(10)))
SOOT_MOVES = (1.0, 1.07, 0.96, 1.0)


def encode(v):
    """Hex of the float64 bytes of a number or an array of numbers; None for anything else."""
    if isinstance(v, (bool, int, float, np.number)):
        return np.array([v], "<f8").tobytes().hex()
    if isinstance(v, np.ndarray) and v.dtype.kind in "biuf":
        return np.ascontiguousarray(v, "<f8").tobytes().hex()
    if isinstance(v, (list, tuple)) and all(isinstance(x, (bool, int, float, np.number)) for x in v):
        return np.array(v, "<f8").tobytes().hex()
    return None


def decode(h):
    return np.frombuffer(bytes.fromhex(h), "<f8")


class Rec:
    """The outputs of one case in order."""

    def __init__(self):
        self.out = collections.OrderedDict()

    def put(self, label, v):
        h = encode(v)
        if h is None:
            raise TypeError(f"{label}: not numeric: {v!r}")
        self.out[label] = h

    def call(self, label, fn, *args):
        """Records what fn(*args) returns if it is numeric, or the exception's type and text (object
        addresses left out); returns it."""
        try:
            v = fn(*args)
        except Exception as e:  # the failure and its text are outputs too
            self.out[label] = f"!{type(e).__name__}: " + re.sub(r"0x[0-9a-fA-F]+", "0x?", str(e))
            return None
        h = encode(v)
        if h is not None:
            self.out[label] = h
        return v

    def readers(self, label, obj, cls_name, ctx=None):
        """Every result-giving method of the class's layout that takes no argument or only indices
        (each of 0 and 1), in the layout's order."""
        for m in L.methods_of(cls_name):
            kinds = [k for _, k in m.params]
            if m.result == L.NONE or m.name in MUTATING or m.ctx not in (None, ctx) or not all(
                    k in (L.INT, L.SIZE) for k in kinds):
                continue
            for args in itertools.product((0, 1), repeat=len(kinds)):
                self.call(f"{label}.{m.name}{args if args else ''}", getattr(obj, m.name), *args)

    def fields(self, label, obj):
        """Every numeric field of a module object, by name, from its pickled state (the fields in
        sorted order, then the instance dictionary if it has one)."""
        base = next(c.__name__ for c in type(obj).__mro__ if c.__name__ in L.LAYOUTS)
        r = obj.__reduce__()
        state = r[1][2] if len(r) == 2 else r[2]
        names = sorted(f.name for f in L.fields_of(base))
        names += ["__dict__"] * (len(state) - len(names))
        for name, v in zip(names, state):
            items = sorted(v.items()) if isinstance(v, dict) else [(None, v)]
            for key, x in items:
                h = encode(x)
                if h is not None:
                    self.out[f"{label}.{name}" + (f"[{key!r}]" if key is not None else "")] = h


# Result-giving methods that change what later calls see, or print.
MUTATING = {"update", "update_w_scrub", "_update_w_scrub", "_reset", "create_PAH_dimer", "checkNameOfSpecies"}


def quiet(fn, *args):
    with contextlib.redirect_stdout(io.StringIO()):
        return fn(*args)


# ------------------------------------------------------------------ gases

def dot(a, b):
    """Sum of products in order, in Python (NumPy's summation order may change between versions)."""
    total = 0.0
    for x, y in zip(a, b):
        total += x * y
    return total


def gas_state(k):
    """Mole fractions, density, viscosity and mean molar mass (kg/mol) of moving state k."""
    T, scale = MOVES[k]
    X = X0 * scale
    X = X / dot(X.tolist(), [1.0] * X.size)
    mw = dot(X.tolist(), MWS.tolist())
    rho = 101325.0 * mw / (8.31446261815324 * T)
    return T, X, rho, 5.5e-5 * (T / 1800.0) ** 0.7, mw


def mass_fractions(X):
    return X * MWS / dot(X.tolist(), MWS.tolist())


class RateGas(FakeGas):
    """The stand-in gas object over the ten species the rate models read, at fixed known values."""

    def __init__(self):
        super().__init__()
        self.calls = collections.deque(maxlen=8)
        self.names = list(SPECIES)
        self.x = X0.copy()
        self.y = mass_fractions(X0)
        self.mw = dot(X0.tolist(), MWS.tolist()) * 1000.0
        self.wdot = np.array([-2.0e-3, 1.6e-3, -1.2e-3, 8.0e-4, -4.0e-4, 2.5e-4, -6.0e-4, 1.0e-5, -2.0e-6, 1.5e-3])
        self.h_mol = np.array([-2.4e8, -1.9e8, -1.5e8, -1.1e8, -7.0e7, -3.0e7, 1.0e7, 5.0e7, 9.0e7, 1.3e8])
        self.u_mol = self.h_mol - 8314.462618 * 1800.0
        self._eos_rho()

    @property
    def cp(self):
        self._hit("cp")
        return 1350.0

    @property
    def molecular_weights(self):
        self._hit("molecular_weights")
        return MWS * 1000.0

    def _eos_rho(self):
        with np.errstate(all="ignore"):
            self.rho = np.float64(self.p) * getattr(self, "mw", 24.0) / (8314.462618 * np.float64(self.t))


class StridedRateGas(RateGas):
    """Net production rates as a strided view: the reactors take their general route."""

    @property
    def net_production_rates(self):
        self._hit("net_production_rates")
        return np.repeat(self.wdot, 2)[::2]


class OrderedFlameGas(FlameGas):
    """FlameGas whose mean molar mass is summed in order."""

    @property
    def mean_molecular_weight(self):
        return dot(self.x.tolist(), self.mws.tolist())


# ---------------------------------------------------------- modular graphs

def subclasses(mod):
    """Python subclasses: one that overrides nothing, one whose override changes a result."""
    def same(cls):
        return type("Same" + cls.__name__, (cls,), {})

    def over(cls):
        ns = {}
        if issubclass(cls, mod.CPAHGrowthBase):
            ns["C_tot_PAH_total"] = lambda self: 1.5 * cls.C_tot_PAH_total(self)
            ns["update"] = lambda self: cls.update(self)
        elif issubclass(cls, mod.CSurfaceReactionsBase):
            ns["C_tot_growth"] = lambda self: 0.5 * cls.C_tot_growth(self)
        else:
            ns["coagulation"] = lambda self, v: 0.75 * cls.coagulation(self, v)
        return type("Over" + cls.__name__, (cls,), ns)

    return {"same": same, "over": over}


def modular_graph(mod, pah="CReactDim", gas=None, sub=None, sub_of="pah", switches=(), pah_attrs=(),
                  surf_attrs=(), model_attrs=()):
    """Gas wrapper, soot wrapper and particle model on the ten-species cached gas (or `gas`), with two
    precursors; `sub` a key of subclasses() applied to the PAH model, the surface model, the particle
    model, the gas wrapper or the soot wrapper (`sub_of`: pah, surf, model, gas, wrapper)."""
    classes = {"pah": getattr(mod, pah), "surf": mod.CFrenklachHACA, "model": mod.CMonodisperseSootModel,
               "gas": mod.CSootGas, "wrapper": mod.CSootWrapper}
    if sub:
        classes[sub_of] = subclasses(mod)[sub](classes[sub_of])
    sg = classes["gas"](gas)
    sg.update_MWs(MWS.copy())
    sg.set_species_indices({n: i for i, n in enumerate(SPECIES)})
    sw = classes["wrapper"](sg)
    m = classes["model"](sw)
    sw.set_soot_model(m)
    p = classes["pah"](sw)
    sw.set_PAH_growth_model(p)
    sw.set_precursors([7, 8], [10.0, 16.0], [8.0, 10.0])
    s = classes["surf"](sw)
    sw.set_surface_reactions_model(s)
    for obj, attrs in ((sw, switches), (p, pah_attrs), (s, surf_attrs), (m, model_attrs)):
        for k, v in attrs:
            setattr(obj, k, v)
    return sg, sw, p, s, m


def modular_step_case(mod, soot="young", **kw):
    def run():
        rec = Rec()
        sg, sw, p, s, m = modular_graph(mod, **kw)
        for k, f in enumerate(SOOT_MOVES):
            T, X, rho, mu, mw = gas_state(k)
            sg.update(T, 101325.0, X, rho, mu, mw)
            sg.update_lambda_gas()
            m.set_vars(SOOTS[soot] * f)
            m.update()
            m.update_w_scrub()
            out, src = np.zeros(4), np.zeros(4)
            m.fill_soot_array(out)
            m.fill_source_term_array(src)
            rec.put(f"{k}/soot", out)
            rec.put(f"{k}/sources", src)
            rec.put(f"{k}/w_scrub", np.array(m.w_scrub, float))
            for v in range(2, 4):  # (the readers take 0 and 1)
                for proc in ("inception", "growth", "oxidation", "coagulation", "coalescence", "carbonization"):
                    rec.call(f"{k}/model.{proc}({v})", getattr(m, proc), v)
            rec.readers(f"{k}/model", m, "CMonodisperseSootModel")
            rec.readers(f"{k}/pah", p, kw.get("pah", "CReactDim"))
            rec.readers(f"{k}/surf", s, "CFrenklachHACA")
            for label, obj in (("pah", p), ("surf", s), ("model", m), ("gas", sg)):
                rec.fields(f"{k}/{label}", obj)
        return rec
    return run


# ------------------------------------------------------------ modular reactors

REACTOR_HEAD = {"CPFRSoot": lambda rho, T: [0.0, rho * 1.2, T], "CPSRSoot": lambda rho, T: [rho, T],
                "CConstUVSoot": lambda rho, T: [rho, T]}


def reactor_case(mod, cls, pah="CReactDim", solver=3, soot="young", gas_cls=RateGas, **kw):
    def run():
        rec = Rec()
        sg, sw, p, s, m = modular_graph(mod, pah, gas=gas_cls(), **kw)
        r = getattr(mod, cls)(sg)
        r.set_soot_wrapper(sw)
        r.temperature_solver = solver
        r.set_fix_temperature_profile(np.array([[0.0, 0.2, 1.0], [1700.0, 1850.0, 1750.0]]))
        r.P, r.T = 101325.0, 1800.0
        if cls == "CPSRSoot":
            r.phy_restime, r.reactor_volume, r.Q_dot = 1e-3, 1e-4, 2.0
            sg.update_thermo_TPUY(1800.0, 101325.0, sg.cantera_gas.y)
            m.set_vars(YOUNG)
            r.set_star()
        if cls == "CConstUVSoot":
            r.rho_n_iter = 3
        for k, f in enumerate(SOOT_MOVES):
            T, X, rho, _, _ = gas_state(k)
            Y = mass_fractions(X)
            y = np.hstack([REACTOR_HEAD[cls](rho, T), Y, SOOTS[soot] * f])
            rec.call(f"{k}/derivatives", lambda: np.array(r.derivatives(0.1 * k, y), float))
            for label, obj in (("reactor", r), ("pah", p), ("surf", s), ("model", m)):
                rec.fields(f"{k}/{label}", obj)
        return rec
    return run


# -------------------------------------------------------------- modular flames

def modular_flame_case(mod, cls, pah="CReactDim", steps=3, **kw):
    def run():
        rec = Rec()
        sg, sw, p, s, m = modular_graph(mod, pah, gas=RateGas(), **kw)
        fgrid = np.array([0.0, 0.005, 0.01, 0.02])
        X = np.outer(X0, [0.7, 1.0, 1.2, 1.1])
        flame = FakeFlame(fgrid, [1400.0, 1700.0, 1850.0, 1800.0], [0.25, 0.21, 0.19, 0.2],
                          [4.5e-5, 5.2e-5, 5.8e-5, 5.6e-5], [0.6, 0.8, 1.0, 1.05], X,
                          mean_molecular_weight=np.array([24.0, 24.5, 25.0, 25.5]))
        fs = L.mfs_solver(mod, cls, sg, flame, np.array([0.0, 0.004, 0.01, 0.0175]), sw, m)
        fs.n_time_steps, fs.dt = steps, 2.5e-5
        rec.call("solve", lambda: quiet(fs.solve) and None)
        rec.fields("solver", fs)
        for label, obj in (("pah", p), ("surf", s), ("model", m)):
            rec.fields(label, obj)
        return rec
    return run


# ------------------------------------------------------------- classic model

SOURCES = ("S_N_agg", "S_N_pri", "S_C_tot", "S_H_tot")


def classic_model(mod, variant=1, sub=None, **attrs):
    cls = mod.CSootModel
    if sub == "same":
        cls = type("SameCSootModel", (cls,), {})
    elif sub == "over":
        beta = mod.CSootModel.beta_soot_C2H2
        cls = type("OverCSootModel", (cls,), {"beta_soot_C2H2": lambda self: 1.25 * beta(self)})
    m = L.csm_species(cls(), variant)
    if variant in (2, 3):
        m.stick_eff = [1e-3, 2e-3]
    for k, v in attrs.items():
        if k.startswith("_set_"):
            getattr(m, k)(v)
        elif k == "beta_coag":
            m.beta_coag = getattr(m, v)
        else:
            setattr(m, k, v)
    quiet(m.initialize)
    return m


def classic_step_case(mod, variant=1, soot="young", sub=None, **attrs):
    def run():
        rec = Rec()
        m = classic_model(mod, variant, sub, **attrs)
        for k, f in enumerate(SOOT_MOVES):
            T, X, rho, mu, mw = gas_state(k)
            m.update_gas(T, 101325.0, rho, mu, mw * 1000.0, X)
            m.update_solution(SOOTS[soot] * f)
            for name in SOURCES:
                rec.call(f"{k}/{name}", getattr(m, name))
            rec.call(f"{k}/update_scrub_wdot", m.update_scrub_wdot)
            rec.put(f"{k}/scrub_wdot", np.array(m.scrub_wdot, float))
            for v in range(2, 4):  # (the readers take 0 and 1)
                for proc in ("inception", "growth", "oxidation", "coagulation", "coalescence"):
                    rec.call(f"{k}/model.{proc}({v})", getattr(m, proc), v)
            rec.readers(f"{k}/model", m, "CSootModel", variant)
            rec.fields(f"{k}/model", m)
        return rec
    return run


# ------------------------------------------------------------ classic reactors

def classic_reactor_case(mod, cls, variant=1, soot=True):
    def run():
        rec = Rec()
        gas = RateGas()
        r = getattr(mod, cls)(gas)
        r.area, r.perimeter = 7.85e-5, 3.14e-2
        r.temp_value = np.array([[0.0, 1.0], [1800.0, 1700.0]])
        r.u = 1.5
        r.soot_offset = 3 + len(SPECIES)
        if soot:
            r.soot_model = classic_model(mod, variant)
        if cls == "CPFROde":
            r.soot_enabled = soot
        if cls == "CPFRSootOde":
            r.T = 1800.0
        for k, f in enumerate(SOOT_MOVES):
            T, X, rho, _, _ = gas_state(k)
            Y = mass_fractions(X)
            y = np.hstack([[0.01 * k, rho * 1.5, T], Y, YOUNG * f])
            rec.call(f"{k}/call", lambda: np.array(r(0.1 * k, y), float))
            rec.fields(f"{k}/reactor", r)
            if soot:
                rec.fields(f"{k}/model", r.soot_model)
        return rec
    return run


# -------------------------------------------------------------- classic flames

def classic_flame_case(mod, cls, variant=1, steps=2):
    def run():
        rec = Rec()
        gas = OrderedFlameGas(L.CSM_SPECIES, [1000.0 * w for w in L.CSM_MWS])
        fgrid = np.array([0.0, 0.004, 0.01, 0.017, 0.025])
        flame = FakeFlame(fgrid, [500.0, 1200.0, 1800.0, 1900.0, 1850.0], [0.7, 0.3, 0.2, 0.19, 0.19],
                          [3.0e-5, 4.5e-5, 5.8e-5, 6.0e-5, 6.0e-5], [0.3, 0.7, 1.0, 1.05, 1.1],
                          np.outer(X0, [0.8, 1.0, 1.1, 1.0, 0.9]))
        m = classic_model(mod, variant)
        s = getattr(mod, cls)(gas, flame, np.array([0.0, 0.004, 0.01, 0.025]), m)
        s.mdot_left, s.mdot_right = 0.3, 0.2
        s.n_time_steps, s.dt = steps, 2.5e-5
        rec.call("solve", lambda: quiet(s.solve) and None)
        rec.fields("solver", s)
        rec.fields("model", m)
        return rec
    return run


# --------------------------------------------------------------- the table

SWITCHES = (("soot_enabled", False), ("inception_enabled", False), ("PAH_adsorption_enabled", False),
            ("surface_growth_enabled", False), ("oxidation_enabled", False), ("coagulation_enabled", False),
            ("carbonization_enabled", True), ("scrubbing_enabled", False), ("coalescence_enabled", True),
            ("partial_particle_addition", False))
PAH_PARAMS = {
    "CReactDim": (("K_REACT_prefactor", 2.0), ("Ea_REACT_prefactor", 0.9), ("k_FWD_prefactor", 1.5),
                  ("K_PAH_ADS_prefactor", 0.5), ("Ea_PAH_ADS_prefactor", 1.1)),
    "CDimerCoal": (("inception_prefactor", 2.0), ("adsorption_prefactor", 0.5), ("stick_eff", [1e-3, 4e-3])),
    "CCrossLink": (("k_f1_prefactor", 2.0), ("k_r1_prefactor", 0.5), ("k_f2_prefactor", 1.5),
                   ("k_f3_prefactor", 0.7), ("k_f4_prefactor", 1.3)),
}
PAH_PARAMS["CDimerCoalMod"] = PAH_PARAMS["CDimerCoal"]
PAH_PARAMS["CCrossLinkMod"] = PAH_PARAMS["CCrossLink"]
PAH_PARAMS["CCrossLinkMerge"] = PAH_PARAMS["CCrossLink"] + (("A_HACA", 3.0e7), ("n_HACA", 1.2), ("E_HACA", 4.0e7))


def cases(mod):
    """{name: function returning the case's Rec}, in a fixed order."""
    c = {}
    for pah in PAH_MODELS:
        for soot in SOOTS:
            c[f"step/{pah}/{soot}"] = modular_step_case(mod, soot, pah=pah)
        for alpha in ("constant", "empirical", "composition"):
            c[f"step/{pah}/alpha={alpha}"] = modular_step_case(mod, pah=pah, surf_attrs=(("alpha_model", alpha),
                                                                                     ("alpha_constant", 0.8)))
        for name, value in SWITCHES:
            c[f"step/{pah}/{name}={value}"] = modular_step_case(mod, pah=pah, switches=((name, value),))
        c[f"step/{pah}/params"] = modular_step_case(mod, pah=pah, pah_attrs=PAH_PARAMS[pah])
        c[f"step/{pah}/params/large"] = modular_step_case(mod, "large", pah=pah, pah_attrs=PAH_PARAMS[pah])
        for sub in ("same", "over"):
            for of in ("pah", "surf", "model"):
                c[f"step/{pah}/{sub}-{of}"] = modular_step_case(mod, pah=pah, sub=sub, sub_of=of)
        for of in ("gas", "wrapper"):
            c[f"step/{pah}/same-{of}"] = modular_step_case(mod, pah=pah, sub="same", sub_of=of)
    for soot in SOOTS:
        c[f"step/CReactDim/HACA-prefactors/{soot}"] = modular_step_case(
            mod, soot, surf_attrs=(("HACA_prefactor", 1.5), ("growth_prefactor", 0.3), ("oxidation_prefactor", 2.0)))
        c[f"step/CReactDim/diffusion=constant/{soot}"] = modular_step_case(
            mod, soot, model_attrs=(("diffusion_coeff_type", "constant"), ("diffus_coeff_const_val", 1.5e-8)))
    c["step/CReactDim/all-off"] = modular_step_case(mod, switches=tuple(
        (n, v) for n, v in SWITCHES if n not in ("soot_enabled", "carbonization_enabled", "coalescence_enabled")))

    for cls in REACTOR_HEAD:
        for pah in PAH_MODELS:
            c[f"reactor/{cls}/{pah}"] = reactor_case(mod, cls, pah)
        for solver in (0, 1, 2):
            c[f"reactor/{cls}/solver={solver}"] = reactor_case(mod, cls, solver=solver)
        for soot in ("tiny", "large"):
            c[f"reactor/{cls}/{soot}"] = reactor_case(mod, cls, soot=soot)
        c[f"reactor/{cls}/soot_enabled=False"] = reactor_case(mod, cls, switches=(("soot_enabled", False),))
        c[f"reactor/{cls}/scrubbing_enabled=False"] = reactor_case(mod, cls, switches=(("scrubbing_enabled", False),))
        c[f"reactor/{cls}/strided-rates"] = reactor_case(mod, cls, gas_cls=StridedRateGas)
        for sub in ("same", "over"):
            c[f"reactor/{cls}/{sub}-model"] = reactor_case(mod, cls, sub=sub, sub_of="model")

    for cls in ("CTempFlameSolver", "CTempFlameSolverOpt", "CFVSolver", "CFDSolver"):
        for pah in ("CReactDim", "CCrossLink"):
            c[f"flame/{cls}/{pah}"] = modular_flame_case(mod, cls, pah)
        c[f"flame/{cls}/same-model"] = modular_flame_case(mod, cls, sub="same", sub_of="model")

    for variant in L.CSM_VARIANTS:
        name = L.CSM_VARIANTS[variant]
        for soot in SOOTS:
            c[f"classic/{name}/{soot}"] = classic_step_case(mod, variant, soot)
        for alpha in (0, 1, 2):
            c[f"classic/{name}/alpha={alpha}"] = classic_step_case(mod, variant, _set_alpha_model=alpha,
                                                                   alpha_constant_value=0.8)
        for coales in (0, 1, 2, 3, 4):
            c[f"classic/{name}/coales={coales}"] = classic_step_case(mod, variant, coalescence_enabled=True,
                                                                     _set_coales_type=coales)
        for switch, value in (("inception_enabled", False), ("growth_enabled", False),
                              ("growth_HACA_enabled", False), ("growth_PAH_adsorption_enabled", False),
                              ("coagulation_enabled", False), ("oxidation_enabled", False),
                              ("carbonization_enabled", True), ("scrubbing_enabled", False),
                              ("use_unity_alpha", True), ("steady_state_physical_dimerization", False),
                              ("steady_state_PAH_adsorption", False), ("modified_particle_addition", True)):
            c[f"classic/{name}/{switch}={value}"] = classic_step_case(mod, variant, **{switch: value})
        for sub in ("same", "over"):
            c[f"classic/{name}/{sub}"] = classic_step_case(mod, variant, sub=sub)
        c[f"classic/{name}/prefactors"] = classic_step_case(
            mod, variant, HACA_prefactor=0.75, K_REACT_prefactor=2.0, k_FWD_prefactor=1.5,
            K_PAH_ADS_prefactor=0.5, cross_k_f3_prefactor=0.7, adsorb_eff=0.6)
        c[f"classic/{name}/validation"] = classic_step_case(mod, variant, _set_validation_case=1)
    for beta in ("beta_coag_fm", "beta_coag_cont", "beta_coag_turb", "beta_coag_validation"):
        c[f"classic/reactive_dimerization/{beta}"] = classic_step_case(mod, 1, soot="large",
                                                                       beta_coag=beta)

    for cls in ("CPFROde", "CPFRSootOde"):
        for variant in L.CSM_VARIANTS:
            c[f"classic-reactor/{cls}/{L.CSM_VARIANTS[variant]}"] = classic_reactor_case(mod, cls, variant)
        c[f"classic-reactor/{cls}/soot-off"] = classic_reactor_case(mod, cls, soot=False)
    for cls in ("CFlameSolver", "CFlameSolverOpt"):
        for variant in (1, 4):
            c[f"classic-flame/{cls}/{L.CSM_VARIANTS[variant]}"] = classic_flame_case(mod, cls, variant)
    return c


# ------------------------------------------------------------ on Cantera gases

def cantera_cases(mod):
    """A few cases on gri30 with three precursors: compared only under the recorded Cantera version."""
    import modular

    def step(pah):
        def run():
            rec = Rec()
            gas = modular.pah_gas()
            sg, sw, model = modular.graph(mod, gas, pah_cls=pah)
            Y = gas.Y.copy()
            for k, f in enumerate(SOOT_MOVES):
                out, src, ws = modular.step(sg, model, MOVES[k][0], 101325.0, Y, modular.SOOT * f)
                rec.put(f"{k}/soot", out)
                rec.put(f"{k}/sources", src)
                rec.put(f"{k}/w_scrub", ws)
            return rec
        return run

    return {f"cantera/step/{pah}": step(pah) for pah in PAH_MODELS}
