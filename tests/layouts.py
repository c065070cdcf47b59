"""Class layouts: the one table the conventions tests read (test_layouts.py).

Every class of the module has a registry row in REGISTRY (base, docstring,
whether its instances are callable, size of its internal method table). A
class that is built also has a Layout in LAYOUTS: its own fields in
declaration order, its properties, its Python-visible methods with their
parameter names and kinds, the three pickle checksums, and factories for a
fresh, a configured (picklable, deterministic) and a live instance.

How a new class adds its rows
-----------------------------
1. Its REGISTRY row is already here; correct it only if the class says so.
2. Add ``LAYOUTS["CName"] = Layout(...)`` below, next to its neighbours:
   - ``base``: the module base class or None. Inherited fields and methods
     are NOT repeated: fields_of() puts the base's fields first, methods_of()
     takes the base's methods and replaces those of the same name.
   - ``fields``: F(name, kind, access, default) per own field, in declaration
     order. kind is one of the constants below (TYPED("CSootGas") for a
     class-typed field); access RW, RO or HIDDEN (pickled, no attribute);
     default is the value after the fresh factory (Bound("m") for a bound
     method of the instance itself, Calc(fn) for a computed number, SKIP to
     leave it unchecked).
   - ``props``: P(name, kind, access) for attributes that are not fields
     (list properties over native arrays, name properties, cached or live
     read-only properties).
   - ``methods``: M(name, (param, kind)..., result=..., args=fn(obj) giving
     the arguments of a call that succeeds on the live instance, raises=Exc
     when that call is expected to raise, ctx=key passed to ``live``).
   - ``checksums``: (md5, sha256, sha1) of the space-joined sorted names of
     all fields, inherited ones included; the reducer writes md5.
   - ``fresh(mod)``, ``configured(mod)``, ``live(mod, ctx)``: factories. The
     configured one must be deterministic and picklable without Cantera; its
     golden pickles are written by ``python tests/make_golden.py CName``.
   - ``members``: instance members that methods set by name without a field.
3. Run the suite: every derived test (checksums, conversions, deletion
   texts, read-only rules, collector cycles, pickle and deep-copy round
   trips, golden pickles, no-leak loop, hostile-call sweep) now covers the
   class. A class present in the module without a Layout fails a test.
"""

import collections
import contextlib
from dataclasses import dataclass, field as dc_field

import numpy as np

MODULE = "pyrandel.lib._pyrandel"

# ------------------------------------------------------------------ kinds

DOUBLE = "double"      # any real number, stored as a double
INT = "int"            # 32-bit int; a float is truncated toward zero
INDEX = "index"        # signed 64-bit index; a float is refused
SIZE = "size"          # parameter: unsigned size, a negative value is refused
SWITCH = "switch"      # stores the truth value of what is assigned
OBJECT = "object"      # any object
NDARRAY = "ndarray"    # an ndarray or None
LIST = "list"          # exactly a list, or None
DICT = "dict"          # exactly a dict, or None
DVEC = "dvec"          # native growable array of double, read as a new list
IVEC = "ivec"          # native growable array of int, read as a new list
STR = "str"            # string (name) property
BUFFER = "buffer"      # parameter: one-dimensional buffer of doubles
VECTOR = "vector"      # parameter: any iterable of numbers, copied


def TYPED(cls_name):
    """Class-typed field or parameter: an instance of cls_name or None."""
    return "typed:" + cls_name


OBJECT_KINDS = {OBJECT, NDARRAY, LIST, DICT}  # plus every TYPED kind


def holds_object(kind):
    return kind in OBJECT_KINDS or kind.startswith("typed:")


# access
RW, RO, HIDDEN = "rw", "ro", "hidden"

# method results
REAL = "real"          # a float (a Python float or a NumPy floating scalar)
NONE = "none"          # None
ARRAY = "array"        # a new ndarray
LISTR = "list"         # a new list
ANY = "object"         # anything, checked elsewhere


class Bound:
    """Default: the instance's own bound method of this name."""

    def __init__(self, name):
        self.name = name

    def __repr__(self):
        return f"Bound({self.name!r})"


class Calc:
    """Default: a number computed by fn(), compared bit for bit."""

    def __init__(self, fn):
        self.fn = fn


SKIP = object()  # default not checked by the table


@dataclass(frozen=True)
class F:
    name: str
    kind: str
    access: str
    default: object = None


@dataclass(frozen=True)
class P:
    name: str
    kind: str
    access: str


class M:
    def __init__(self, name, *params, result=ANY, args=None, raises=None, ctx=None):
        self.name = name
        self.params = tuple(params)          # ((name, kind), ...)
        self.result = result
        self.args = args                     # fn(obj) -> tuple, for the live call
        self.raises = raises
        self.ctx = ctx

    @property
    def param_names(self):
        return tuple(n for n, _ in self.params)

    def __repr__(self):
        return f"M({self.name!r})"


@dataclass(frozen=True)
class R:
    """Registry row: what the class registry readies, in module order."""
    name: str
    base: object          # class name or None (object)
    doc: str
    is_callable: bool
    vtable: int           # entries of the internal method table, 0 for none


@dataclass
class Layout:
    name: str
    checksums: tuple
    fresh: object
    configured: object
    live: object = None
    base: object = None
    fields: tuple = ()
    props: tuple = ()
    methods: tuple = ()
    members: tuple = ()
    field_count: int = None   # all fields, inherited ones included (a check)
    defaults: dict = dc_field(default_factory=dict)  # inherited fields whose fresh value differs in this class


# ------------------------------------------------------------ the registry

REGISTRY = [
    R("CSootModel", None, "CSootModel()", False, 3),
    R("CPFROde", None, "CPFROde(phase)", True, 0),
    R("CPFRSootOde", None, "CPFRSootOde(phase)", True, 0),
    R("CFlameSolver", None, "CFlameSolver(phase, flame, grid, soot_model)", False, 0),
    R("CFlameSolverOpt", None, "CFlameSolverOpt(phase, flame, grid, soot_model)", False, 0),
    R("CSootWrapper", None, "CSootWrapper(soot_gas)", False, 0),
    R("CSootGas", None, "CSootGas(cantera_gas)", False, 9),
    R("CPAHGrowthBase", None, "CPAHGrowthBase(soot_wrapper)", False, 11),
    R("CReactDim", "CPAHGrowthBase", "CReactDim(soot_wrapper)", False, 28),
    R("CDimerCoal", "CPAHGrowthBase", "CDimerCoal(soot_wrapper)", False, 13),
    R("CDimerCoalMod", "CPAHGrowthBase", "CDimerCoalMod(soot_wrapper)", False, 19),
    R("CCrossLink", "CPAHGrowthBase", "CCrossLink(soot_wrapper)", False, 18),
    R("CCrossLinkMod", "CPAHGrowthBase", "CCrossLinkMod(soot_wrapper)", False, 18),
    R("CCrossLinkMerge", "CPAHGrowthBase", "CCrossLinkMerge(soot_wrapper)", False, 19),
    R("CSurfaceReactionsBase", None, "CSurfaceReactionsBase(soot_wrapper)", False, 0),
    R("CFrenklachHACA", "CSurfaceReactionsBase", "CFrenklachHACA(soot_wrapper)", False, 13),
    R("CSootModelBase", None, "CSootModelBase(soot_wrapper)", False, 0),
    R("CMonodisperseSootModel", "CSootModelBase", "CMonodisperseSootModel(soot_wrapper)", False, 20),
    R("ReactorBase", None, "ReactorBase(soot_gas)", False, 0),
    R("CPFRSoot", "ReactorBase", "CPFRSoot(soot_gas)", False, 1),
    R("CPSRSoot", "ReactorBase", "CPSRSoot(soot_gas)", False, 0),
    R("CConstUVSoot", "ReactorBase", "CConstUVSoot(soot_gas)", False, 0),
    R("CTempFlameSolver", None, "CTempFlameSolver(soot_gas, flame, grid, soot_model)", False, 0),
    R("CTempFlameSolverOpt", None, "CTempFlameSolverOpt(soot_gas, flame, grid, soot)", False, 1),
    R("CFVSolver", None, "CFVSolver(soot_gas, flame, grid, soot)", False, 1),
    R("CFDSolver", None, "CFDSolver(soot_gas, flame, grid, soot)", False, 1),
]
ROW = {r.name: r for r in REGISTRY}

LAYOUTS = {}


def fields_of(name):
    """All fields of a class, the base's first (with this class's own fresh values)."""
    lay = LAYOUTS[name]
    inherited = fields_of(lay.base) if lay.base else ()
    inherited = tuple(F(f.name, f.kind, f.access, lay.defaults[f.name]) if f.name in lay.defaults else f
                      for f in inherited)
    return inherited + tuple(lay.fields)


def props_of(name):
    lay = LAYOUTS[name]
    inherited = props_of(lay.base) if lay.base else ()
    own = {p.name for p in lay.props}
    return tuple(p for p in inherited if p.name not in own) + tuple(lay.props)


def methods_of(name):
    """Python-visible methods: the base's, replaced by name, then the class's own."""
    lay = LAYOUTS[name]
    own = {m.name: m for m in lay.methods}
    inherited = methods_of(lay.base) if lay.base else ()
    out = [own.pop(m.name, m) for m in inherited]
    return tuple(out) + tuple(m for m in lay.methods if m.name in own)


def members_of(name):
    lay = LAYOUTS[name]
    inherited = members_of(lay.base) if lay.base else ()
    return tuple(inherited) + tuple(lay.members)


class Sink:
    """A standard output that keeps nothing (a buffer would grow with every line)."""

    def write(self, text):
        return len(text)

    def flush(self):
        pass


def quiet(fn, *args):
    """Calls fn, dropping what it prints (the species check prints a line)."""
    with contextlib.redirect_stdout(Sink()):
        return fn(*args)


# ================================================================ CSootModel

AV = 6.02214076e23
PI10 = 3.1415926535

# A small mechanism: the seven key species, two PAH precursors and nitrogen.
CSM_SPECIES = ["H2", "H", "O2", "OH", "H2O", "CO", "C2H2", "A2", "A4", "N2"]
CSM_MWS = [0.002016, 0.001008, 0.031998, 0.017007, 0.018015, 0.02801, 0.026038,
           0.128174, 0.202256, 0.028014]
CSM_X = [0.05, 0.01, 0.002, 0.004, 0.15, 0.08, 0.03, 1.0e-5, 1.0e-6, 0.673989]
CSM_SOLUTION = [2.0e-9, 5.0e-9, 4.0e-5, 6.0e-6]
CSM_VARIANTS = {1: "reactive_dimerization", 2: "self_collision", 3: "self_collision_lump",
                4: "cross_linking", 5: "irreversible_dimerization"}


def gas_step(m):
    """Arguments of update_gas for the small mechanism (mean_MW in kg/kmol)."""
    return (1800.0, 101325.0, 0.18, 5.5e-5, 24.5, np.array(CSM_X))


def csm_species(m, variant=1):
    """The small mechanism, its two precursors and the PAH-growth variant, set on model m."""
    m.species_names = list(CSM_SPECIES)
    m.MWs = np.array(CSM_MWS)
    m.PAH_index_in_gas = [7, 8]
    m.PAH_Number_Carbon = [10, 16]
    m.PAH_Number_Hydrogen = [8, 10]
    m.PAH_sticking_efficiency = [0.002, 0.02]
    m.soot_PAH_index_in_gas = [7, 8]
    m.phy_dimer_index_in_gas = [7, 8, 9]
    m.PAH_growth_model_name = CSM_VARIANTS[variant]
    return m


def csm_configured(mod, variant=1):
    m = csm_species(mod.CSootModel(), variant)
    m.coalescence_type = "silica"
    m.HACA_prefactor = 0.75
    m.carbonization_enabled = True
    quiet(m.initialize)
    m.update_gas(*gas_step(m))
    m.update_solution(np.array(CSM_SOLUTION))
    m.update_scrub_wdot()
    return m


def csm_live(mod, ctx=None):
    return csm_configured(mod, ctx or 1)


CSM_FIELDS = (
    F("rho_soot", DOUBLE, RO, 1800.0),
    F("MW_carbon", DOUBLE, RO, 0.012011),
    F("MW_hydrogen", DOUBLE, RO, 0.00100784),
    F("Av", DOUBLE, RO, 6.02214076e23),
    F("kB", DOUBLE, RO, 1.3806488e-23),
    F("R", DOUBLE, RO, 8.31446261815324),
    F("P_atm", DOUBLE, RO, 101325.0),
    F("Pi", DOUBLE, RO, 3.1415926535),
    F("d_A", DOUBLE, RO, Calc(lambda: pow(3.0, 0.5) * 1.395 * 1e-10)),
    F("N_agg_offset", INT, RO, 0),
    F("N_pri_offset", INT, RO, 1),
    F("C_tot_offset", INT, RO, 2),
    F("H_tot_offset", INT, RO, 3),
    F("Phy_dimer_offset", INT, RO, -1),
    F("PAH_soot_offset", INT, RO, -1),
    F("dimer_offset", INT, RO, 0),
    F("soot_PAH_offset", INT, RO, 0),
    F("dimer_PAH_1_id", IVEC, RO, []),
    F("dimer_PAH_2_id", IVEC, RO, []),
    F("PAH_indices", IVEC, RO, []),
    F("PAH_n_C", DVEC, RO, []),
    F("PAH_n_H", DVEC, RO, []),
    F("soot_PAH_MWs", NDARRAY, RO, None),
    F("soot_PAH_indices", IVEC, HIDDEN, []),
    F("dimer_n_C", NDARRAY, RO, None),
    F("dimer_n_H", NDARRAY, RO, None),
    F("phy_dimer_indices", IVEC, HIDDEN, []),
    F("species_names", LIST, RW, None),
    F("MWs", NDARRAY, RW, None),
    F("X", NDARRAY, RW, None),
    F("scrub_wdot", NDARRAY, RW, None),
    F("phy_dimer_wdot", NDARRAY, RW, None),
    F("soot_PAH_wdot", NDARRAY, RW, None),
    F("density", DOUBLE, RO, 0.0),
    F("viscosity", DOUBLE, RO, 0.0),
    F("mean_MW", DOUBLE, RO, 0.0),
    F("T", DOUBLE, RO, 0.0),
    F("P", DOUBLE, RO, 0.0),
    F("p_lambda_gas", DOUBLE, RO, 0.0),
    F("N_agg", DOUBLE, RO, Calc(lambda: 1.0 / AV)),
    F("N_pri", DOUBLE, RO, Calc(lambda: 1.0 / AV)),
    F("C_tot", DOUBLE, RO, Calc(lambda: 378 / AV)),
    F("H_tot", DOUBLE, RO, Calc(lambda: 20 / AV)),
    F("p_d_p", DOUBLE, RW, 0.0),
    F("p_d_m", DOUBLE, RW, 0.0),
    F("p_d_g", DOUBLE, RW, 0.0),
    F("p_A_tot", DOUBLE, RW, 0.0),
    F("p_ROP", NDARRAY, RO, None),
    F("p_phy_dimer_", DVEC, RO, []),
    F("p_dC_tot_dt_HACA_alt", DOUBLE, RW, 0.0),
    F("p_dH_tot_dt_HACA_alt", DOUBLE, RW, 0.0),
    F("HACA_prefactor", DOUBLE, RW, 1.0),
    F("_alpha_model", INT, RW, 1),
    F("alpha_constant_value", DOUBLE, RW, 1.0),
    F("alpha", OBJECT, RW, Bound("alpha_empirical")),
    F("p_k_f_soot_PAH", DVEC, RO, []),
    F("p_k_r_soot_PAH", DVEC, RO, []),
    F("p_soot_PAH_star", DVEC, RO, []),
    F("p_dC_tot_dt_PAH_each", DVEC, RO, []),
    F("p_dH_tot_dt_PAH_each", DVEC, RW, []),
    F("p_dC_tot_dt_PAH", DOUBLE, RW, 0.0),
    F("p_dH_tot_dt_PAH", DOUBLE, RW, 0.0),
    F("omega_PAH", DVEC, RO, []),
    F("omega_PAH_tot", DOUBLE, RO, 0.0),
    F("_dimer_", DVEC, RO, []),
    F("a_inc", DVEC, RO, []),
    F("w_inc", DVEC, RO, []),
    F("stick_eff", DVEC, RW, []),
    F("pre_stick_eff", DVEC, RW, []),
    F("b_cond", DVEC, RO, []),
    F("w_cond", DVEC, RO, []),
    F("lumpdimer_n_C", DOUBLE, RO, 0.0),
    F("lumpdimer_n_H", DOUBLE, RO, 0.0),
    F("dimer_weight", DVEC, RO, []),
    F("_lumpdimer_", DOUBLE, RO, 0.0),
    F("a_lumpinc", DOUBLE, RO, 0.0),
    F("w_lumpinc", DOUBLE, RO, 0.0),
    F("b_lumpcond", DOUBLE, RO, 0.0),
    F("w_lumpcond", DOUBLE, RO, 0.0),
    F("p_PAH_radical_", DVEC, RO, []),
    F("adsorb_eff", DOUBLE, RW, 1.0),
    F("cross_k_f1_prefactor", DOUBLE, RW, 1.0),
    F("cross_k_r1_prefactor", DOUBLE, RW, 1.0),
    F("cross_k_f2_prefactor", DOUBLE, RW, 1.0),
    F("cross_k_f3_prefactor", DOUBLE, RW, 1.0),
    F("inception_N_agg", OBJECT, RW, Bound("inception_N_agg_reactived")),
    F("inception_C_tot", OBJECT, RW, Bound("inception_C_tot_reactived")),
    F("inception_H_tot", OBJECT, RW, Bound("inception_H_tot_reactived")),
    F("dC_tot_dt_PAH_each", OBJECT, RW, None),
    F("dH_tot_dt_PAH_each", OBJECT, RW, None),
    F("p_dH_tot_dt_carb", DOUBLE, RW, 0.0),
    F("A_carb", DOUBLE, RW, 485000.0),
    F("Ea_carb", DOUBLE, RW, 83680.0),
    F("beta_coag", OBJECT, RW, Bound("beta_coag_hm")),
    F("p_dC_tot_dt_O2", DOUBLE, RW, 0.0),
    F("p_dC_tot_dt_OH", DOUBLE, RW, 0.0),
    F("p_dH_tot_dt_O2", DOUBLE, RW, 0.0),
    F("p_dH_tot_dt_OH", DOUBLE, RW, 0.0),
    F("soot_coales_type", OBJECT, RW, 0),
    F("t_coales", OBJECT, RO, None),
    F("Ea_coales", DOUBLE, RW, 0.0),
    F("As_coales", DOUBLE, RW, 0.0),
    F("d_crit_coales", DOUBLE, RW, 0.0),
    F("t_coales_min", DOUBLE, RW, 1e-12),
    F("CtoH_crit", DOUBLE, RW, 2.5),
    F("N_pri_coales", OBJECT, RW, None),
    F("diffus_coeff_const_val", DOUBLE, RW, 0.0),
    F("diffus_coeff", OBJECT, RW, Bound("diffus_coeff_morph")),
    F("K_T_factor", DOUBLE, RW, 0.0),
    F("C2H2_index", INT, RW, 0),
    F("H2_index", INT, RW, 0),
    F("H_index", INT, RW, 0),
    F("CO_index", INT, RW, 0),
    F("O2_index", INT, RW, 0),
    F("OH_index", INT, RW, 0),
    F("H2O_index", INT, RW, 0),
    F("PAH_growth_model", INT, RW, 1),
    F("PAH_growth_update", OBJECT, RW, Bound("PAH_growth_update_reactived")),
    F("create_PAH_dimer", OBJECT, RW, Bound("create_PAH_dimer_reactived")),
    F("update_scrub_wdot_PAH_growth", OBJECT, RW, Bound("update_scrub_wdot_PAH_growth_reactived")),
    F("inception_enabled", SWITCH, RW, True),
    F("growth_enabled", SWITCH, RW, True),
    F("growth_HACA_enabled", SWITCH, RW, True),
    F("growth_PAH_adsorption_enabled", SWITCH, RW, True),
    F("coagulation_enabled", SWITCH, RW, True),
    F("oxidation_enabled", SWITCH, RW, True),
    F("carbonization_enabled", SWITCH, RW, False),
    F("scrubbing_enabled", SWITCH, RW, True),
    F("coalescence_enabled", SWITCH, RW, False),
    F("use_unity_alpha", SWITCH, RW, False),
    F("use_empirical_alpha", SWITCH, RW, True),
    F("steady_state_physical_dimerization", SWITCH, RW, True),
    F("steady_state_PAH_adsorption", SWITCH, RW, True),
    F("min_n_C", INT, RO, 378),
    F("min_n_H", INT, RO, 20),
    F("d_p_min", DOUBLE, RW, Calc(lambda: (6.0 / np.pi * 378 * 0.012011 / (1800.0 * AV)) ** 0.3333333333333333)),
    F("A_p_min", DOUBLE, RW, Calc(lambda: PI10 * (6.0 / PI10 * 378 * 0.012011 / (AV * 1800.0)) ** 0.6666666666666666)),
    F("N_agg_min", DOUBLE, RW, Calc(lambda: 1.0 / AV)),
    F("N_pri_min", DOUBLE, RW, Calc(lambda: 1.0 / AV)),
    F("C_tot_min", DOUBLE, RW, Calc(lambda: 378 / AV)),
    F("H_tot_min", DOUBLE, RW, Calc(lambda: 20 / AV)),
    F("K_REACT_prefactor", DOUBLE, RW, 1.0),
    F("Ea_REACT_prefactor", DOUBLE, RW, 1.0),
    F("k_FWD_prefactor", DOUBLE, RW, 1.0),
    F("K_PAH_ADS_prefactor", DOUBLE, RW, 1.0),
    F("Ea_PAH_ADS_prefactor", DOUBLE, RW, 1.0),
    F("modified_particle_addition", SWITCH, RW, False),
    F("validation_case", INT, RW, 0),
)

CSM_METHODS = (
    M("_set_PAH_growth_model", ("model", OBJECT), result=NONE),
    M("_set_alpha_model", ("alpha_type", OBJECT), result=NONE),
    M("_set_coales_type", ("coales_type", OBJECT), result=NONE),
    M("_set_validation_case", ("validation", OBJECT), result=NONE),
    M("checkNameOfSpecies", result=OBJECT),
    M("initialize", result=NONE),
    M("update_gas", ("T", DOUBLE), ("P", DOUBLE), ("density", DOUBLE), ("viscosity", DOUBLE),
      ("mean_MW", DOUBLE), ("X", NDARRAY), result=NONE, args=lambda o: gas_step(o)),
    M("update_solution", ("solution", NDARRAY), result=NONE),
    M("inception", ("soot_variable", INT), result=OBJECT),
    M("growth", ("soot_variable", INT), result=OBJECT),
    M("oxidation", ("soot_variable", INT), result=OBJECT),
    M("coagulation", ("soot_variable", INT), result=OBJECT),
    M("coalescence", ("soot_variable", INT), result=OBJECT),
    M("S_N_agg", result=OBJECT),
    M("S_N_pri", result=OBJECT),
    M("S_C_tot", result=OBJECT),
    M("S_H_tot", result=OBJECT),
    M("update_scrub_wdot", result=NONE),
    M("molar_density", ("index", INT), result=REAL),
    M("calc_lambda_gas", result=REAL),
    M("diffus_coeff_const", result=REAL),
    M("diffus_coeff_morph", result=REAL),
    M("dispersion_exponent", result=REAL),
    M("volume_fraction", result=REAL),
    M("total_mass", result=REAL),
    M("carbon_mass", result=REAL),
    M("hydrogen_mass", result=REAL),
    M("SSA", result=REAL),
    M("V_tot", result=REAL),
    M("V_p", result=REAL),
    M("d_p", result=REAL),
    M("A_p", result=REAL),
    M("m_p", result=REAL),
    M("n_p", result=REAL),
    M("A_tot", result=REAL),
    M("A_Ag", result=REAL),
    M("V_Ag", result=REAL),
    M("m_Ag", result=REAL),
    M("d_m", result=REAL),
    M("d_g", result=REAL),
    M("dC_tot_dt_O2_alt", result=REAL),
    M("dC_tot_dt_OH_alt", result=REAL),
    M("dH_tot_dt_O2_alt", result=REAL),
    M("dH_tot_dt_OH_alt", result=REAL),
    M("dC_tot_dt_Ox", result=REAL),
    M("dH_tot_dt_Ox", result=REAL),
    M("omega_O2", result=REAL),
    M("omega_OH", result=REAL),
    M("dC_tot_dt_O2", result=REAL),
    M("dC_tot_dt_OH", result=REAL),
    M("dH_tot_dt_O2", result=REAL),
    M("dH_tot_dt_OH", result=REAL),
    M("beta_coag_fm", result=REAL),
    M("beta_coag_validation", result=REAL),
    M("beta_coag_cont", result=REAL),
    M("beta_coag_hm", result=REAL),
    M("beta_coag_turb", result=REAL),
    M("N_agg_coag", result=REAL),
    M("t_f_titania", result=REAL),
    M("t_f_silica", result=REAL),
    M("t_f_md_derived", result=REAL),
    M("N_pri_coales_sintering", result=REAL),
    M("N_pri_coales_merge", result=REAL),
    M("alpha_constant", result=REAL),
    M("alpha_empirical", result=REAL),
    M("alpha_ctoh_based", result=REAL),
    M("chi_soot_0", result=REAL),
    M("beta_soot_C2H2", result=REAL),
    M("K_s", result=REAL),
    M("gamma", result=REAL),
    M("dC_tot_dt_HACA", result=REAL),
    M("c_soot_nought", result=REAL),
    M("dC_tot_dt_HACA_alt", result=REAL),
    M("dH_tot_dt_HACA_alt", result=REAL),
    M("dH_tot_dt_carb", result=REAL),
    M("create_PAH_dimer_reactived", result=NONE),
    M("PAH_growth_update_reactived", result=NONE),
    M("update_phy_dimer_", result=NONE),
    M("update_phy_dimer_wdot", result=NONE),
    M("update_p_soot_PAH", result=NONE),
    M("update_soot_PAH_wdot", result=NONE),
    M("reduced_m", ("PAH_1_id", INT), ("PAH_2_id", INT), result=REAL),
    M("reduced_d", ("PAH_1_id", INT), ("PAH_2_id", INT), result=REAL),
    M("k_FWD", ("PAH_1_id", INT), ("PAH_2_id", INT), result=REAL),
    M("k_REV", ("PAH_1_id", INT), ("PAH_2_id", INT), result=REAL),
    M("k_REAC", result=REAL),
    M("k_PAH", result=REAL),
    M("ROP_dimer", ("dimer_id", INT), result=REAL),
    M("beta_fm_soot_PAH", ("PAH_id", INT), result=REAL),
    M("beta_cont_soot_PAH", ("PAH_id", INT), result=REAL),
    M("k_f_soot_PAH", ("PAH_id", INT), result=REAL),
    M("k_r_soot_PAH", ("PAH_id", INT), result=REAL),
    M("C_S_soot", ("d", DOUBLE), result=REAL),
    M("soot_PAH_star", ("PAH_id", SIZE), result=REAL),
    M("dC_tot_dt_PAH_each_reactived", ("PAH_id", SIZE), result=REAL),
    M("dH_tot_dt_PAH_each_reactived", ("PAH_id", SIZE), result=REAL),
    M("dC_tot_dt_PAH", result=REAL),
    M("dH_tot_dt_PAH", result=OBJECT),
    M("inception_N_agg_reactived", result=REAL),
    M("inception_C_tot_reactived", result=REAL),
    M("inception_H_tot_reactived", result=REAL),
    M("update_scrub_wdot_PAH_growth_reactived", result=NONE),
    M("create_PAH_dimer_irrevd", result=NONE, ctx=5),
    M("PAH_growth_update_irrevd", result=NONE, ctx=5),
    M("k_PAH_ads_irrevd", ("PAH_id", INT), result=REAL, ctx=5),
    M("dC_tot_dt_PAH_each_irrevd", ("PAH_id", SIZE), result=REAL, ctx=5),
    M("dH_tot_dt_PAH_each_irrevd", ("PAH_id", SIZE), result=REAL, ctx=5),
    M("inception_N_agg_irrevd", result=REAL, ctx=5),
    M("inception_C_tot_irrevd", result=REAL, ctx=5),
    M("inception_H_tot_irrevd", result=REAL, ctx=5),
    M("update_scrub_wdot_PAH_growth_irrevd", result=NONE, ctx=5),
    M("create_PAH_dimer_slfclsn", result=NONE, ctx=2),
    M("create_PAH_dimer_slfclsn_lump", result=NONE, ctx=3),
    M("PAH_growth_update_slfclsn", result=NONE, ctx=2),
    M("PAH_growth_update_slfclsn_lump", result=NONE, ctx=3),
    M("update_omega_PAH", result=NONE, ctx=2),
    M("update_ab", result=NONE, ctx=2),
    M("update_dimer_", result=NONE, ctx=2),
    M("update_w_inc", result=NONE, ctx=2),
    M("update_w_cond", result=NONE, ctx=2),
    M("update_dimer_weight", result=NONE, ctx=3),
    M("update_ab_lump", result=NONE, ctx=3),
    M("update_lumpdimer_", result=NONE, ctx=3),
    M("update_w_lumpinc", result=NONE, ctx=3),
    M("update_w_lumpcond", result=NONE, ctx=3),
    M("dC_tot_dt_PAH_each_slfclsn", ("PAH_id", SIZE), result=REAL, ctx=2),
    M("dH_tot_dt_PAH_each_slfclsn", ("PAH_id", SIZE), result=REAL, ctx=2),
    M("dC_tot_dt_PAH_each_slfclsn_lump", ("PAH_id", SIZE), result=REAL, ctx=3),
    M("dH_tot_dt_PAH_each_slfclsn_lump", ("PAH_id", SIZE), result=REAL, ctx=3),
    M("inception_N_agg_slfclsn", result=REAL, ctx=2),
    M("inception_C_tot_slfclsn", result=REAL, ctx=2),
    M("inception_H_tot_slfclsn", result=REAL, ctx=2),
    M("inception_N_agg_slfclsn_lump", result=REAL, ctx=3),
    M("inception_C_tot_slfclsn_lump", result=REAL, ctx=3),
    M("inception_H_tot_slfclsn_lump", result=REAL, ctx=3),
    M("update_scrub_wdot_PAH_growth_slfclsn", result=NONE, ctx=2),
    M("update_scrub_wdot_PAH_growth_slfclsn_lump", result=NONE, ctx=3),
    M("initialize_stick_eff", result=NONE, ctx=2),
    M("m_PAH", ("PAH_id", INT), result=REAL, ctx=4),
    M("d_PAH", ("PAH_id", INT), result=REAL, ctx=4),
    M("k_f3_crosslinking", ("PAH_id", INT), result=REAL, ctx=4),
    M("k_f4_crosslinking", ("PAH_id", INT), result=REAL, ctx=4),
    M("PAH_radical", ("PAH_id", INT), result=REAL, ctx=4),
    M("update_PAH_radical", result=NONE, ctx=4),
    M("ROP_dimer_crosslinking", ("PAH_id", INT), result=REAL, ctx=4),
    M("update_ROP_crosslinking", result=NONE, ctx=4),
    M("PAH_adsorption_rate", ("PAH_id", INT), result=REAL, ctx=4),
    M("dC_tot_dt_PAH_each_crosslinking", ("PAH_id", SIZE), result=REAL, ctx=4),
    M("dH_tot_dt_PAH_each_crosslinking", ("PAH_id", SIZE), result=REAL, ctx=4),
    M("PAH_growth_update_crosslinking", result=NONE, ctx=4),
    M("inception_N_agg_crosslinking", result=REAL, ctx=4),
    M("inception_C_tot_crosslinking", result=REAL, ctx=4),
    M("inception_H_tot_crosslinking", result=REAL, ctx=4),
    M("update_scrub_wdot_PAH_growth_crosslinking", result=NONE, ctx=4),
    M("create_PAH_dimer_crosslinking", result=NONE, ctx=4),
)

CSM_METHOD_ARGS = {
    "_set_PAH_growth_model": lambda o: (o.PAH_growth_model,),
    "_set_alpha_model": lambda o: (1,),
    "_set_coales_type": lambda o: (2,),
    "_set_validation_case": lambda o: (0,),
    "update_solution": lambda o: (np.array(CSM_SOLUTION),),
    "C_S_soot": lambda o: (2.0e-9,),
}
for _m in CSM_METHODS:
    if _m.name in CSM_METHOD_ARGS:
        _m.args = CSM_METHOD_ARGS[_m.name]

LAYOUTS["CSootModel"] = Layout(
    name="CSootModel",
    checksums=(0x4a76d08, 0xc59345e, 0xd578c34),
    field_count=148,
    fresh=lambda mod: mod.CSootModel(),
    configured=csm_configured,
    live=csm_live,
    fields=CSM_FIELDS,
    props=(
        P("PAH_index_in_gas", IVEC, RW),
        P("soot_PAH_index_in_gas", IVEC, RW),
        P("phy_dimer_index_in_gas", IVEC, RW),
        P("PAH_Number_Carbon", DVEC, RW),
        P("PAH_Number_Hydrogen", DVEC, RW),
        P("PAH_sticking_efficiency", DVEC, RW),
        P("PAH_growth_model_name", STR, RW),
        P("alpha_model", STR, RW),
        P("coalescence_type", STR, RW),
        P("validation", STR, RW),
    ),
    methods=CSM_METHODS,
)

# ============================================================ CPFROde, CPFRSootOde

def pfr_gas():
    from fakes import FakeGas  # a stand-in gas object with three species

    gas = FakeGas()
    gas.calls = collections.deque(maxlen=64)  # a bounded log: loops stay flat
    return gas


def pfr_configured(cls_name, mod):
    r = getattr(mod, cls_name)(pfr_gas())
    r.area, r.perimeter = 7.85e-5, 3.14e-2
    r.temp_value = np.array([[0.0, 1.0], [1500.0, 1400.0]])
    r.fixed_density = 0.2
    r.k_dep = 1e-3
    return r


def pfr_live(cls_name, mod, ctx=None):
    r = pfr_configured(cls_name, mod)
    r.u = 2.0
    r._use_temp_value = True
    if cls_name == "CPFROde":
        r.soot_enabled = False
    else:
        r.soot_model = object()
        r.Nu_const_temp = 3.66
    return r


PFR_METHODS = (
    M("external_heat", ("z", DOUBLE), ("T", DOUBLE), result=REAL, args=lambda o: (0.5, 1450.0)),
    M("reynolds", result=REAL),
    M("fanning_friction", result=REAL),
    M("initialize", result=NONE),
)
PFR_SHARED = dict(
    temp_value=F("temp_value", NDARRAY, RW, None), gas=F("gas", OBJECT, RW, SKIP), P=F("P", DOUBLE, RW, 90000.0),
    wdot=F("wdot", NDARRAY, RW, SKIP), Rt_offset=F("Rt_offset", INT, RW, 0),
    rho_u_vfv_offset=F("rho_u_vfv_offset", INT, RW, 1), T_offset=F("T_offset", INT, RW, 2),
    Y_offset=F("Y_offset", INT, RW, 3), u=F("u", DOUBLE, RW, 0.0), fixed_density=F("fixed_density", DOUBLE, RW, 0.0),
    _enable_fixed_density=F("_enable_fixed_density", SWITCH, RW, False),
    _use_fixed_density=F("_use_fixed_density", SWITCH, RW, False),
    _use_temp_time_history=F("_use_temp_time_history", SWITCH, RW, False),
    _enable_wall_deposition=F("_enable_wall_deposition", SWITCH, RW, False),
    soot_model=F("soot_model", OBJECT, RW, None), k_dep=F("k_dep", DOUBLE, RW, 0.0),
    perimeter=F("perimeter", DOUBLE, RW, 0.0), area=F("area", DOUBLE, RW, 0.0),
)


def _pfr_fields(order, **own):
    table = dict(PFR_SHARED, **own)
    return tuple(table[n] for n in order.split())


LAYOUTS["CPFROde"] = Layout(
    name="CPFROde",
    checksums=(0xa50cd52, 0x9951450, 0xa04a8eb),
    field_count=24,
    fresh=lambda mod: mod.CPFROde(pfr_gas()),
    configured=lambda mod: pfr_configured("CPFROde", mod),
    live=lambda mod, ctx=None: pfr_live("CPFROde", mod, ctx),
    fields=_pfr_fields(
        "Nu_const_temp Nu_const_heat time_derivative_temp_history temp_value gas P wdot Rt_offset "
        "rho_u_vfv_offset T_offset Y_offset soot_offset u fixed_density _enable_fixed_density "
        "_use_fixed_density _enable_soot _use_temp_time_history _use_temp_value _enable_wall_deposition "
        "soot_model k_dep perimeter area",
        Nu_const_temp=F("Nu_const_temp", DOUBLE, RO, 3.66), Nu_const_heat=F("Nu_const_heat", DOUBLE, RO, 4.63),
        time_derivative_temp_history=F("time_derivative_temp_history", NDARRAY, RW, None),
        soot_offset=F("soot_offset", INT, RW, 0), _enable_soot=F("_enable_soot", SWITCH, RW, False),
        _use_temp_value=F("_use_temp_value", SWITCH, RW, False)),
    props=(P("soot_enabled", OBJECT, RW),),
    methods=PFR_METHODS,
    members=("_soot_enabled", "deposit_thickness_growth_rate"),
)

LAYOUTS["CPFRSootOde"] = Layout(
    name="CPFRSootOde",
    checksums=(0x90b730b, 0x1aeee8c, 0x5c909a0),
    field_count=21,
    fresh=lambda mod: mod.CPFRSootOde(pfr_gas()),
    configured=lambda mod: pfr_configured("CPFRSootOde", mod),
    live=lambda mod, ctx=None: pfr_live("CPFRSootOde", mod, ctx),
    fields=_pfr_fields(
        "temp_value gas P T wdot Rt_offset rho_u_vfv_offset T_offset Y_offset soot_offset u fixed_density "
        "_enable_fixed_density _use_fixed_density _use_temp_time_history _use_temp_value "
        "_enable_wall_deposition soot_model k_dep perimeter area",
        T=F("T", DOUBLE, RW, 0.0), soot_offset=F("soot_offset", INT, RW, 6),
        _use_temp_value=F("_use_temp_value", SWITCH, RW, True)),
    methods=PFR_METHODS,
    members=("_enable_soot", "deposit_thickness_growth_rate", "Nu_const_temp"),
)

# ================================================================== CSootGas

CSG_MWS = [0.002016, 0.031998, 0.028014]


def csg_configured(mod):
    g = mod.CSootGas(None)
    g.update_MWs(np.array(CSG_MWS))
    g.set_species_indices({"H2": 0, "O2": 1, "N2": 2})
    g.update(1500.0, 101325.0, [0.25, 0.25, 0.5], 0.25, 4.0e-5, 0.024)
    g.update_lambda_gas()
    return g


def csg_live(mod, ctx=None):
    from fakes import FakeGas  # a stand-in gas object with three species

    g = csg_configured(mod)
    gas = FakeGas()
    gas.calls = collections.deque(maxlen=64)  # a bounded log: loops stay flat
    g.cantera_gas = gas
    return g


def _tpuy(o):
    return (1500.0, 101325.0, np.array([0.1, 0.3, 0.6]))


def _tpx(o):
    return (1500.0, 101325.0, np.array([0.25, 0.25, 0.5]))


LAYOUTS["CSootGas"] = Layout(
    name="CSootGas",
    checksums=(0x3719456, 0x05727d8, 0xdde2b56),
    field_count=11,
    fresh=lambda mod: mod.CSootGas(None),
    configured=csg_configured,
    live=csg_live,
    fields=(
        F("cantera_gas", OBJECT, RW, None),
        F("_X", DVEC, RW, []),
        F("_MWs", DVEC, RW, []),
        F("_MW_array", NDARRAY, RW, None),
        F("_T", DOUBLE, RW, 0.0),
        F("_P", DOUBLE, RW, 0.0),
        F("_mean_MW", DOUBLE, RO, 0.0),
        F("_mu", OBJECT, RO, None),
        F("_rho", OBJECT, RO, None),
        F("_lambda_gas", OBJECT, RO, None),
        F("_species_index_dict", DICT, RO, None),
    ),
    props=tuple(P(n, k, RO) for n, k in [
        ("T", DOUBLE), ("P", DOUBLE), ("mean_MW", DOUBLE), ("rho", OBJECT),
        ("mu", OBJECT), ("lambda_gas", OBJECT), ("MWs", DVEC), ("MW_array", NDARRAY),
        ("X_array", NDARRAY), ("n_species", INT), ("w_array", OBJECT), ("Y_array", OBJECT),
        ("h_mol_array", OBJECT), ("partial_molar_enthalpies_array", OBJECT),
        ("partial_molar_int_energies_array", OBJECT), ("u_mol_array", OBJECT),
        ("h_mass_total", OBJECT), ("u_mass_total", OBJECT), ("cv_mass", OBJECT),
        ("cp_mass", OBJECT), ("state", OBJECT),
    ]),
    methods=(
        M("update_thermo_TPUY", ("T", DOUBLE), ("P", DOUBLE), ("UY", NDARRAY), result=NONE, args=_tpuy),
        M("update_thermo_TDUY", ("T", DOUBLE), ("D", DOUBLE), ("UY", NDARRAY), result=NONE,
          args=lambda o: (1500.0, 0.2, np.array([0.1, 0.3, 0.6]))),
        M("update_thermo_TPX", ("T", DOUBLE), ("P", DOUBLE), ("X", NDARRAY), result=NONE, args=_tpx),
        M("update_thermo_TPXmw", ("T", DOUBLE), ("P", DOUBLE), ("X", BUFFER), result=NONE, args=_tpx),
        M("update_thermo", result=NONE),
        M("update_transport_mix", result=NONE),
        M("update_lambda_gas", result=NONE),
        M("update_transport", result=NONE),
        M("update_transport_sutherland", result=NONE, raises=Exception),
        M("update", ("T", DOUBLE), ("P", DOUBLE), ("X", VECTOR), ("rho", DOUBLE), ("mu", DOUBLE),
          ("mean_MW", DOUBLE), result=NONE,
          args=lambda o: (1500.0, 101325.0, [0.25, 0.25, 0.5], 0.25, 4.0e-5, 0.024)),
        M("update_mean_MW", ("mean_MW", DOUBLE), result=NONE, args=lambda o: (0.024,)),
        M("update_MWs", ("MWs", NDARRAY), result=NONE, args=lambda o: (np.array(CSG_MWS),)),
        M("set_species_indices", ("species_index_dict", DICT), result=NONE,
          args=lambda o: ({"H2": 0, "O2": 1, "N2": 2},)),
    ),
)


# ========================================================= classic flame solvers

FLAME_GRID = (0.0, 0.01, 0.025)


def _spacing(z):
    """dz[j] = z[j] - z[j-1] in double arithmetic, the first spacing repeated in front."""
    dz = [z[j] - z[j - 1] for j in range(1, len(z))]
    return dz[:1] + dz


def flame_parts(n_species=len(CSM_SPECIES)):
    """A gas stand-in on the small mechanism, a flame stand-in over five points
    and a non-uniform three-point grid inside it."""
    from fakes import FakeFlame, FlameGas

    gas = FlameGas(CSM_SPECIES, [1000.0 * w for w in CSM_MWS])
    fgrid = np.array([0.0, 0.004, 0.01, 0.017, 0.025])
    X = np.outer(CSM_X, np.ones(fgrid.size))[:n_species]
    flame = FakeFlame(fgrid, [500.0, 1200.0, 1800.0, 1900.0, 1850.0], [0.7, 0.3, 0.2, 0.19, 0.19],
                      [3.0e-5, 4.5e-5, 5.8e-5, 6.0e-5, 6.0e-5], [0.3, 0.7, 1.0, 1.05, 1.1], X)
    return gas, flame, np.array(FLAME_GRID)


def cfs_fresh(mod, cls_name="CFlameSolver"):
    gas, flame, grid = flame_parts()
    return getattr(mod, cls_name)(gas, flame, grid, mod.CSootModel())


def cfs_configured(mod, cls_name="CFlameSolver"):
    from types import SimpleNamespace

    gas = SimpleNamespace(species_names=list(CSM_SPECIES))
    flame = SimpleNamespace(grid=np.array([0.0, 1.0]))
    s = getattr(mod, cls_name)(gas, flame, np.array([0.0, 0.002, 0.005, 0.01]), mod.CSootModel())
    s.mdot_left = 0.25
    s.mdot_right = 0.5
    s.boundary_type_right = 1
    s.n_time_steps = 3
    s.dt = 2.5e-5
    return s


def cfs_live(mod, ctx=None, cls_name="CFlameSolver"):
    gas, flame, grid = flame_parts()
    gas.tpx = collections.deque(maxlen=64)  # bounded logs: loops stay flat
    flame.reads = collections.deque(maxlen=64)
    s = getattr(mod, cls_name)(gas, flame, grid, csm_configured(mod))
    s.mdot_left = 0.3
    s.mdot_right = 0.2
    s.n_time_steps = 2
    if ctx == "solved":  # profiles on the grid: the soot model needs a real gas state
        quiet(s.solve)
    return s


def _flame_fields(array_kind, in_names):
    arr = lambda name, default=SKIP: F(name, array_kind, RW, default)  # noqa: E731
    return (
        F("gas", OBJECT, RW, SKIP),
        F("flame", OBJECT, RW, SKIP),
        F("soot_model", OBJECT, RW, SKIP),
        F("n_time_steps", INT, RW, 2000),
        F("dt", DOUBLE, RW, 1e-05),
        F("n_species", INT, RW, len(CSM_SPECIES)),
        F("n_points", INT, RW, 3),
        arr("z", list(FLAME_GRID) if array_kind == DVEC else SKIP),
        arr("dz", _spacing(FLAME_GRID) if array_kind == DVEC else SKIP),
        F("P", DOUBLE, RW, 101325.0),
    ) + tuple(arr(n, [0.0] * 3 if array_kind == DVEC else SKIP) for n in ("T", "mu", "rho", "u_gas", "u_th", "u")) + (
        F("X", NDARRAY, RW, SKIP),
        F("wdot_correction_soot", NDARRAY, RW, SKIP),
        F("mdot_left", DOUBLE, RW, 0.0),
        F("mdot_right", DOUBLE, RW, 0.0),
        F("boundary_type_right", INT, RW, 0),
    ), tuple(F(n, DOUBLE, RW, Calc(lambda v=v: v)) for n, v in in_names)


_FLOORS = [("N_agg", 1.0 / AV), ("N_pri", 1.0 / AV), ("C_tot", 378 / AV), ("H_tot", 20 / AV)]
_head, _ins = _flame_fields(NDARRAY, [(v + "_in", x) for v, x in _FLOORS])
CFS_FIELDS = _head + (F("A", NDARRAY, RW, SKIP),) + tuple(
    F("B_" + v, NDARRAY, RW, SKIP) for v, _ in _FLOORS) + tuple(
    F(v + s, NDARRAY, RW, SKIP) for v, _ in _FLOORS for s in ("_n", "_n1")) + _ins

_head, _ins = _flame_fields(DVEC, [(v + "_in_" + side, x) for side in ("left", "right") for v, x in _FLOORS])
CFSO_FIELDS = _head + (F("upper", DVEC, RW, [0.0] * 2), F("diag", DVEC, RW, [0.0] * 3),
                       F("lower", DVEC, RW, [0.0] * 2)) + tuple(
    F("B_" + v, DVEC, RW, [0.0] * 3) for v, _ in _FLOORS) + tuple(
    F(v + s, DVEC, RW, [x] * 3 if s == "_n" else [0.0] * 3) for v, x in _FLOORS for s in ("_n", "_n1")) + _ins


def _tdma_args(kind):
    def args(o):
        a, b, c, d = [1.0, 0.5], [4.0, 4.0, 3.0], [2.0, 1.0], [8.0, 9.0, 7.0]
        return tuple(np.array(v) for v in (a, b, c, d)) if kind == NDARRAY else (a, b, c, d)
    return args


LAYOUTS["CFlameSolver"] = Layout(
    name="CFlameSolver",
    checksums=(0xbc67692, 0xc2dbab9, 0xeac5e7e),
    field_count=38,
    fresh=cfs_fresh,
    configured=cfs_configured,
    live=cfs_live,
    fields=CFS_FIELDS,
    props=(P("grid", NDARRAY, RO),),
    methods=(
        M("solve", result=NONE),
        M("update_wdot_correction", result=NONE, ctx="solved"),
        M("solve_TDMA", ("a", NDARRAY), ("b", NDARRAY), ("c", NDARRAY), ("d", NDARRAY), result=ARRAY,
          args=_tdma_args(NDARRAY)),
    ),
)

LAYOUTS["CFlameSolverOpt"] = Layout(
    name="CFlameSolverOpt",
    checksums=(0x4425ef5, 0xe9075ae, 0xc5057d9),
    field_count=44,
    fresh=lambda mod: cfs_fresh(mod, "CFlameSolverOpt"),
    configured=lambda mod: cfs_configured(mod, "CFlameSolverOpt"),
    live=lambda mod, ctx=None: cfs_live(mod, ctx, "CFlameSolverOpt"),
    fields=CFSO_FIELDS,
    props=(P("grid", DVEC, RO),),
    methods=(
        M("solve", result=NONE),
        M("update_wdot_correction", result=NONE, ctx="solved"),
        M("solve_TDMA", ("a", VECTOR), ("b", VECTOR), ("c", VECTOR), ("d", VECTOR), result=LISTR,
          args=_tdma_args(VECTOR)),
    ),
)


# ============================================== CSootWrapper and particle models


def csw_configured(mod):
    w = mod.CSootWrapper(csg_configured(mod))
    w.PAH_indices = [0, 2]
    w.PAH_n_C = [16.0, 24.0]
    w.PAH_n_H = [10.0, 12.0]
    w.coalescence_enabled = True
    w.partial_particle_addition = False
    return w


LAYOUTS["CSootWrapper"] = Layout(
    name="CSootWrapper",
    checksums=(0xb9df102, 0x05a5c14, 0x21c028c),
    field_count=17,
    fresh=lambda mod: mod.CSootWrapper(None),
    configured=csw_configured,
    live=lambda mod, ctx=None: csw_configured(mod),
    fields=(
        F("soot_gas", TYPED("CSootGas"), RW, None),
        F("soot_model", TYPED("CSootModelBase"), RW, None),
        F("PAH_growth_model", TYPED("CPAHGrowthBase"), RW, None),
        F("surface_reactions_model", TYPED("CSurfaceReactionsBase"), RW, None),
        F("partial_particle_addition", OBJECT, RW, True),
        F("soot_enabled", SWITCH, RW, True),
        F("inception_enabled", SWITCH, RW, True),
        F("PAH_adsorption_enabled", SWITCH, RW, True),
        F("surface_growth_enabled", SWITCH, RW, True),
        F("oxidation_enabled", SWITCH, RW, True),
        F("coagulation_enabled", SWITCH, RW, True),
        F("carbonization_enabled", SWITCH, RW, False),
        F("scrubbing_enabled", SWITCH, RW, True),
        F("coalescence_enabled", SWITCH, RW, False),
        F("PAH_indices", IVEC, RW, []),
        F("PAH_n_C", DVEC, RW, []),
        F("PAH_n_H", DVEC, RW, []),
    ),
    methods=(
        M("_reset_flags", result=NONE),
        M("set_soot_model", ("soot_model", OBJECT), result=NONE, args=lambda o: (None,), raises=TypeError),
        M("set_PAH_growth_model", ("PAH_growth_model", OBJECT), result=NONE,
          args=lambda o: (None,), raises=TypeError),
        M("set_surface_reactions_model", ("surface_reactions_model", OBJECT), result=NONE,
          args=lambda o: (None,), raises=TypeError),
        M("set_precursors", ("PAH_indices", OBJECT), ("PAH_n_C", OBJECT), ("PAH_n_H", OBJECT), result=NONE,
          args=lambda o: ([0], [6.0], [6.0]), raises=AttributeError),
    ),
)


LAYOUTS["CSootModelBase"] = Layout(
    name="CSootModelBase",
    checksums=(0xc454d3a, 0x003c22b, 0x2bcd2e6),
    field_count=6,
    fresh=lambda mod: mod.CSootModelBase(None),
    configured=lambda mod: mod.CSootModelBase(csw_configured(mod)),
    live=lambda mod, ctx=None: mod.CSootModelBase(csw_configured(mod)),
    fields=(
        F("soot_wrapper", TYPED("CSootWrapper"), RW, SKIP),   # the constructor's argument
        F("_PAH_growth_model", OBJECT, RW, None),
        F("_surface_reactions_model", OBJECT, RW, None),
        F("n_eqns", INT, RO, SKIP),                            # 0, 4 in CMonodisperseSootModel
        F("w_scrub", NDARRAY, RW, SKIP),                       # None until _reset()
        F("diffusion_coeff_method", INT, RW, 0),
    ),
    # a name property whose refusal is a plain Exception, not ValueError
    props=(P("diffusion_coeff_type", OBJECT, RW),),
    methods=(
        M("_reset", result=NONE),
        M("soot_gas", result=ANY),
        M("PAH_growth_model", result=ANY),
        M("surface_reactions_model", result=ANY),
        M("coagulation_enabled", result=ANY),
        M("carbonization_enabled", result=ANY),
        M("scrubbing_enabled", result=ANY),
        M("coalescence_enabled", result=ANY),
        M("volume_fraction", result=ANY, raises=Exception),
        M("total_mass", result=ANY, raises=Exception),
        M("_update_w_scrub", result=ANY, raises=Exception),
        M("update", result=ANY, raises=Exception),
    ),
)


def cmsm_configured(mod):
    m = mod.CMonodisperseSootModel(csw_configured(mod))
    m.set_vars(np.array([2.0e-9, 8.0e-9, 4.0e-5, 6.0e-6]))
    m.diffus_coeff_const_val = 1.5e-8
    m.N_agg_min = 2.0 / AV
    return m


_S = (("soot_variable", INT),)
LAYOUTS["CMonodisperseSootModel"] = Layout(
    name="CMonodisperseSootModel",
    base="CSootModelBase",
    checksums=(0xc3ac87c, 0x48fc3e6, 0xc993756),
    field_count=20,
    fresh=lambda mod: mod.CMonodisperseSootModel(mod.CSootWrapper(csg_configured(mod))),
    configured=cmsm_configured,
    live=lambda mod, ctx=None: cmsm_configured(mod),
    fields=(
        F("_N_agg", DOUBLE, HIDDEN, Calc(lambda: 1.0 / AV)),
        F("_N_pri", DOUBLE, HIDDEN, Calc(lambda: 1.0 / AV)),
        F("_C_tot", DOUBLE, HIDDEN, Calc(lambda: 378.0 / AV)),
        F("_H_tot", DOUBLE, HIDDEN, Calc(lambda: 20.0 / AV)),
        F("vars_dict", OBJECT, RO, {"N_agg": 0, "N_pri": 1, "C_tot": 2, "H_tot": 3}),
        F("diffus_coeff_const_val", DOUBLE, RW, 0.0),
        F("N_agg_min", DOUBLE, RW, Calc(lambda: 1.0 / AV)),
        F("N_pri_min", DOUBLE, RW, Calc(lambda: 1.0 / AV)),
        F("C_tot_min", DOUBLE, RW, Calc(lambda: 378.0 / AV)),
        F("H_tot_min", DOUBLE, RW, Calc(lambda: 20.0 / AV)),
        F("N_agg_offset", INT, RO, 0),
        F("N_pri_offset", INT, RO, 1),
        F("C_tot_offset", INT, RO, 2),
        F("H_tot_offset", INT, RO, 3),
    ),
    methods=(
        M("_reset", result=NONE),
        M("set_vars", ("vars", BUFFER), result=NONE, args=lambda o: (np.array([2.0e-9, 8.0e-9, 4.0e-5, 6.0e-6]),)),
        M("update", result=NONE, raises=AttributeError),
        M("update_w_scrub", result=NONE, raises=AttributeError),
        M("min_array", result=ARRAY),
        M("fill_soot_array", ("soot_array", BUFFER), result=NONE, args=lambda o: (np.zeros(4),)),
        M("fill_source_term_array", ("source_term_array", BUFFER), result=NONE, args=lambda o: (np.zeros(4),),
          raises=AttributeError),
        M("S_N_agg", result=ANY, raises=AttributeError),
        M("S_N_pri", result=ANY, raises=AttributeError),
        M("S_C_tot", result=ANY, raises=AttributeError),
        M("S_H_tot", result=ANY, raises=AttributeError),
        M("inception", *_S, result=ANY, args=lambda o: (7,)),
        M("growth", *_S, result=ANY, args=lambda o: (0,)),
        M("oxidation", *_S, result=ANY, args=lambda o: (1,)),
        M("coagulation", *_S, result=ANY, args=lambda o: (0,)),
        M("coalescence", *_S, result=ANY, args=lambda o: (2,)),
        M("carbonization", *_S, result=ANY, args=lambda o: (3,)),
        M("N_agg", result=REAL),
        M("N_pri", result=REAL),
        M("C_tot", result=REAL),
        M("H_tot", result=REAL),
        M("volume_fraction", result=REAL),
        M("inception_mass", result=ANY, raises=AttributeError),
        M("inception_vol", result=ANY, raises=AttributeError),
        M("PAH_adsorption_mass", result=ANY, raises=AttributeError),
        M("PAH_adsorption_vol", result=ANY, raises=AttributeError),
        M("surface_growth_mass", result=ANY, raises=AttributeError),
        M("surface_growth_vol", result=ANY, raises=AttributeError),
        M("oxidation_mass", result=ANY, raises=AttributeError),
        M("oxidation_vol", result=ANY, raises=AttributeError),
        M("coagulation_mass", result=REAL),
        M("coagulation_vol", result=REAL),
        M("A_tot", result=REAL),
        M("d_v", result=REAL),
        M("d_m", result=REAL),
        M("d_g", result=REAL),
        M("d_p", result=REAL),
        M("n_p", result=REAL),
        M("beta_coag_turb", result=REAL),
        M("diffusion_coefficient", result=REAL),
        M("diffus_coeff_morph", result=REAL),
        M("diffus_coeff_const", result=REAL),
        M("dispersion_exponent", result=REAL),
        M("total_mass", result=REAL),
        M("carbon_mass", result=REAL),
        M("hydrogen_mass", result=REAL),
        M("SSA", result=REAL),
    ),
)

# ============================================ PAH-growth and surface-reaction models

# A cached gas state with every species the rate models look up, and two PAH precursors.
RATE_SPECIES = ["H2", "H", "O2", "OH", "H2O", "CO", "C2H2", "A2", "A4", "N2"]


def rate_gas(mod):
    g = mod.CSootGas(None)
    g.update_MWs(np.array(CSM_MWS))
    g.set_species_indices({n: i for i, n in enumerate(RATE_SPECIES)})
    g.update(1800.0, 101325.0, CSM_X, 0.18, 5.5e-5, 0.0245)
    g.update_lambda_gas()
    return g


def rate_wrapper(mod):
    w = mod.CSootWrapper(rate_gas(mod))
    w.PAH_indices = [7, 8]
    w.PAH_n_C = [10.0, 16.0]
    w.PAH_n_H = [8.0, 10.0]
    return w


def crd_live(mod, ctx=None):
    m = mod.CReactDim(rate_wrapper(mod))
    m.create_PAH_dimer()
    m.update_soot_vars(5e-9, 1.1e-8, 8.5e-9, 12.0, 2.4e-21, 1.3e-24, 1.45e3, 2.0e-6, 8.0e-6, 6.0e-22)
    return m


def cfh_live(mod, ctx=None):
    m = mod.CFrenklachHACA(rate_wrapper(mod))
    m.update_soot_vars(5e-9, 1.1e-8, 8.5e-9, 12.0, 2.4e-21, 1.45e3, 2.0e-6, 0.15)
    return m


SOOT_VARS10 = (1e-8, 2e-8, 3e-8, 4.0, 5e-20, 6e-24, 7.0, 8.0, 9.0, 1e-21)
SOOT_VARS8 = (1e-8, 2e-8, 3e-8, 4.0, 5e-20, 7.0, 8.0, 0.2)


def crd_configured(mod):
    m = mod.CReactDim(csw_configured(mod))
    m.create_PAH_dimer()
    m.update_soot_vars(*SOOT_VARS10)
    m.K_REACT_prefactor = 2.0
    m.Ea_PAH_ADS_prefactor = 0.5
    return m


def cfh_configured(mod):
    m = mod.CFrenklachHACA(csw_configured(mod))
    m.update_soot_vars(*SOOT_VARS8)
    m.alpha_model = "composition"
    m.HACA_prefactor = 1.5
    m.growth_prefactor = 0.3
    return m


_PAH_SOOT_VARS = tuple((n, OBJECT if n == "V_agg" else DOUBLE) for n in
                       ("d_p", "d_m", "d_g", "A_tot", "m_agg", "V_agg", "soot_MW", "c_soot_agg", "c_soot_pri", "m_p"))
_SURF_SOOT_VARS = tuple((n, DOUBLE) for n in
                        ("d_p", "d_m", "d_g", "A_tot", "m_agg", "soot_MW", "c_soot_agg", "HtoC"))

LAYOUTS["CPAHGrowthBase"] = Layout(
    name="CPAHGrowthBase",
    checksums=(0xd7e205d, 0x16d1117, 0xbbc23b3),
    field_count=22,
    fresh=lambda mod: mod.CPAHGrowthBase(None),
    configured=lambda mod: mod.CPAHGrowthBase(csw_configured(mod)),
    live=lambda mod, ctx=None: mod.CPAHGrowthBase(csw_configured(mod)),
    fields=(
        F("soot_wrapper", TYPED("CSootWrapper"), RW, None),
        F("n_PAHs", INT, RO, 0),
        F("m_agg", DOUBLE, RO, 0.0),
        F("d_p", DOUBLE, RO, 0.0),
        F("d_m", DOUBLE, RO, 0.0),
        F("d_g", DOUBLE, RO, 0.0),
        F("A_tot", DOUBLE, RO, 0.0),
        F("soot_MW", DOUBLE, RO, 0.0),
        F("c_soot_agg", DOUBLE, RO, 0.0),
        F("c_soot_pri", DOUBLE, RO, 0.0),
        F("m_p", DOUBLE, RO, 0.0),
        F("_N_agg_inception_each", DVEC, RO, []),
        F("_C_tot_inception_each", DVEC, RO, []),
        F("_H_tot_inception_each", DVEC, RO, []),
        F("_N_agg_inception_total", DOUBLE, RO, 0.0),
        F("_C_tot_inception_total", DOUBLE, RO, 0.0),
        F("_H_tot_inception_total", DOUBLE, RO, 0.0),
        F("_PAH_adsorption_rate", DVEC, RO, []),
        F("_C_tot_PAH_each", DVEC, RO, []),
        F("_H_tot_PAH_each", DVEC, RO, []),
        F("_C_tot_PAH_total", DOUBLE, RO, 0.0),
        F("_H_tot_PAH_total", DOUBLE, RO, 0.0),
    ),
    props=(P("soot_gas", OBJECT, RO),),
    members=("V_agg",),
    methods=(
        M("_reset", result=NONE),
        M("PAH_indices", result=LISTR),
        M("PAH_n_C", result=LISTR),
        M("PAH_n_H", result=LISTR),
        M("update_soot_vars", *_PAH_SOOT_VARS, result=NONE, args=lambda o: SOOT_VARS10),
        M("update", result=NONE, raises=Exception),
        M("N_agg_inception_each", ("index", SIZE), result=REAL, args=lambda o: (0,), raises=IndexError),
        M("C_tot_inception_each", ("index", SIZE), result=REAL, args=lambda o: (1,), raises=IndexError),
        M("H_tot_inception_each", ("index", SIZE), result=REAL, args=lambda o: (2,), raises=IndexError),
        M("N_agg_inception_all", result=LISTR),
        M("C_tot_inception_all", result=LISTR),
        M("H_tot_inception_all", result=LISTR),
        M("N_agg_inception_total", result=REAL),
        M("C_tot_inception_total", result=REAL),
        M("H_tot_inception_total", result=REAL),
        M("C_tot_PAH_each", ("PAH_id", INT), result=REAL, args=lambda o: (0,), raises=IndexError),
        M("H_tot_PAH_each", ("PAH_id", INT), result=REAL, args=lambda o: (1,), raises=IndexError),
        M("C_tot_PAH_all", result=LISTR),
        M("H_tot_PAH_all", result=LISTR),
        M("C_tot_PAH_total", result=REAL),
        M("H_tot_PAH_total", result=REAL),
        M("inception_enabled", result=ANY),
        M("PAH_adsorption_enabled", result=ANY),
        M("partial_particle_addition", result=ANY),
    ),
)

LAYOUTS["CReactDim"] = Layout(
    name="CReactDim",
    base="CPAHGrowthBase",
    checksums=(0x2165b13, 0x0327a1d, 0x686ca3c),
    field_count=37,
    fresh=lambda mod: mod.CReactDim(None),
    configured=crd_configured,
    live=crd_live,
    fields=(
        F("dimer_n_C", DVEC, RO, []),
        F("dimer_n_H", DVEC, RO, []),
        F("dimer_PAH_1_id", IVEC, RO, []),
        F("dimer_PAH_2_id", IVEC, RO, []),
        F("n_dimers", INT, RO, 0),
        F("w_chem_dimer", DVEC, RO, []),
        F("c_phy_dimer", DVEC, RO, []),
        F("k_f_adsorption", DVEC, RO, []),
        F("k_r_adsorption", DVEC, RO, []),
        F("c_soot_PAH_star", DVEC, RO, []),
        F("K_REACT_prefactor", DOUBLE, RW, 1.0),
        F("Ea_REACT_prefactor", DOUBLE, RW, 1.0),
        F("k_FWD_prefactor", DOUBLE, RW, 1.0),
        F("K_PAH_ADS_prefactor", DOUBLE, RW, 1.0),
        F("Ea_PAH_ADS_prefactor", DOUBLE, RW, 1.0),
    ),
    methods=(
        M("_reset", result=NONE),
        M("create_PAH_dimer", result=NONE),
        M("update", result=NONE),
        M("N_agg_inception_each", ("index", SIZE), result=REAL, args=lambda o: (0,)),
        M("C_tot_inception_each", ("index", SIZE), result=REAL, args=lambda o: (1,)),
        M("H_tot_inception_each", ("index", SIZE), result=REAL, args=lambda o: (2,)),
        M("C_tot_PAH_each", ("PAH_id", INT), result=REAL, args=lambda o: (0,)),
        M("H_tot_PAH_each", ("PAH_id", INT), result=REAL, args=lambda o: (1,)),
    ),
)

# ------------------------------------ dimer-coalescence and cross-linking models


def pah_configured(cls_name, **params):
    def make(mod):
        m = getattr(mod, cls_name)(csw_configured(mod))
        m.create_PAH_dimer()
        m.update_soot_vars(*SOOT_VARS10)
        for k, v in params.items():
            setattr(m, k, v)
        return m
    return make


def pah_live(cls_name):
    def make(mod, ctx=None):
        m = getattr(mod, cls_name)(rate_wrapper(mod))
        m.create_PAH_dimer()
        m.update_soot_vars(5e-9, 1.1e-8, 8.5e-9, 12.0, 2.4e-21, 1.3e-24, 1.45e3, 2.0e-6, 8.0e-6, 6.0e-22)
        return m
    return make


_DIMERCOAL_FIELDS = (
    F("stick_C_i", DOUBLE, RO, 15.0),
    F("w_dimer", DVEC, RO, []),
    F("c_dimer", DVEC, RO, []),
    F("a_inception", DVEC, RO, []),
    F("w_inception", DVEC, RO, []),
    F("inception_prefactor", DOUBLE, RW, 1.0),
    F("adsorption_prefactor", DOUBLE, RW, 1.0),
    F("stick_eff", DVEC, RW, []),
    F("b_adsorption", DVEC, RO, []),
)
_PAH_STEPS = (
    M("_reset", result=NONE),
    M("create_PAH_dimer", result=NONE),
    M("update", result=NONE),
    M("update_PAH_adsorption_rate", result=NONE),
    M("_update_CH_tot_PAH", result=NONE),
    M("_update_NCH_inception", result=NONE),
    M("N_agg_inception_each", ("index", SIZE), result=REAL, args=lambda o: (0,)),
    M("C_tot_inception_each", ("index", SIZE), result=REAL, args=lambda o: (1,)),
    M("H_tot_inception_each", ("index", SIZE), result=REAL, args=lambda o: (1,)),
    M("C_tot_PAH_each", ("PAH_id", INT), result=REAL, args=lambda o: (0,)),
    M("H_tot_PAH_each", ("PAH_id", INT), result=REAL, args=lambda o: (1,)),
)
_DIMERCOAL_METHODS = _PAH_STEPS + (
    M("update_c_dimer", result=NONE),
    M("update_w_inception", result=NONE),
)
_CROSSLINK_FIELDS = (
    F("c_PAH_radical", DVEC, RO, []),
    F("w_dimer", DVEC, RO, []),
    F("k_f1_prefactor", DOUBLE, RW, 1.0),
    F("k_r1_prefactor", DOUBLE, RW, 1.0),
    F("k_f2_prefactor", DOUBLE, RW, 1.0),
    F("k_f3_prefactor", DOUBLE, RW, 1.0),
    F("k_f4_prefactor", DOUBLE, RW, 1.0),
)
_CROSSLINK_METHODS = _PAH_STEPS + (
    M("update_PAH_radical", result=NONE),
    M("update_w_dimer", result=NONE),
)

for _name in ("CDimerCoal", "CDimerCoalMod"):
    LAYOUTS[_name] = Layout(
        name=_name,
        base="CPAHGrowthBase",
        checksums=(0x7e0b5cb, 0x3908ad0, 0x2b26cb4),
        field_count=31,
        fresh=lambda mod, _n=_name: getattr(mod, _n)(None),
        configured=pah_configured(_name, inception_prefactor=0.7, adsorption_prefactor=1.3, stick_eff=[0.5, 0.25]),
        live=pah_live(_name),
        fields=_DIMERCOAL_FIELDS,
        methods=_DIMERCOAL_METHODS,
    )

for _name in ("CCrossLink", "CCrossLinkMod"):
    LAYOUTS[_name] = Layout(
        name=_name,
        base="CPAHGrowthBase",
        checksums=(0x4b2ac8c, 0xbd390fa, 0xf79d914),
        field_count=29,
        fresh=lambda mod, _n=_name: getattr(mod, _n)(None),
        configured=pah_configured(_name, k_f1_prefactor=2.0, k_f4_prefactor=0.5),
        live=pah_live(_name),
        fields=_CROSSLINK_FIELDS,
        methods=_CROSSLINK_METHODS,
    )

LAYOUTS["CCrossLinkMerge"] = Layout(
    name="CCrossLinkMerge",
    base="CPAHGrowthBase",
    checksums=(0xe56a65a, 0xd24ef79, 0x2366420),
    field_count=32,
    fresh=lambda mod: mod.CCrossLinkMerge(None),
    configured=pah_configured("CCrossLinkMerge", k_f2_prefactor=3.0, A_HACA=2.0e18, E_HACA=9.0e4),
    live=pah_live("CCrossLinkMerge"),
    fields=_CROSSLINK_FIELDS + (
        F("A_HACA", DOUBLE, RW, 1.3e18),
        F("n_HACA", DOUBLE, RW, -8.02),
        F("E_HACA", DOUBLE, RW, 94558.4),
    ),
    methods=_CROSSLINK_METHODS + (
        M("k_PAH_C2H2", ("PAH_id", INT), result=REAL, args=lambda o: (0,)),
        M("merge_probability", ("PAH_id", INT), result=REAL, args=lambda o: (1,)),
    ),
)

LAYOUTS["CSurfaceReactionsBase"] = Layout(
    name="CSurfaceReactionsBase",
    checksums=(0xbeb3f5c, 0x002c05f, 0xad00b1e),
    field_count=21,
    fresh=lambda mod: mod.CSurfaceReactionsBase(None),
    configured=lambda mod: mod.CSurfaceReactionsBase(csw_configured(mod)),
    live=lambda mod, ctx=None: mod.CSurfaceReactionsBase(csw_configured(mod)),
    fields=(
        F("soot_wrapper", TYPED("CSootWrapper"), RW, None),
        F("HACA_prefactor", OBJECT, RW, None),
        F("_alpha_model", INT, RW, 1),
        F("alpha_constant", DOUBLE, RW, 0.1),
        F("growth_prefactor", DOUBLE, RW, 0.0),
        F("oxidation_prefactor", DOUBLE, RW, 0.0),
        F("_C_tot_growth", DOUBLE, RO, 0.0),
        F("_H_tot_growth", DOUBLE, RO, 0.0),
        F("_surface_growth_rate", DOUBLE, RO, 0.0),
        F("_C_tot_oxidation", DOUBLE, RO, 0.0),
        F("_H_tot_oxidation", DOUBLE, RO, 0.0),
        F("_w_scrub_growth", DVEC, RO, []),
        F("_w_scrub_oxidation", DVEC, RO, []),
        F("m_agg", DOUBLE, RO, 0.0),
        F("d_p", DOUBLE, RO, 0.0),
        F("d_m", DOUBLE, RO, 0.0),
        F("d_g", DOUBLE, RO, 0.0),
        F("A_tot", DOUBLE, RO, 0.0),
        F("soot_MW", DOUBLE, RO, 0.0),
        F("c_soot_agg", DOUBLE, RO, 0.0),
        F("HtoC", DOUBLE, RO, 0.0),
    ),
    props=(P("soot_gas", OBJECT, RO),),
    methods=(
        M("_reset", result=NONE),
        M("update_soot_vars", *_SURF_SOOT_VARS, result=NONE, args=lambda o: SOOT_VARS8),
        M("update", result=NONE, raises=Exception),
        M("C_tot_growth", result=REAL),
        M("H_tot_growth", result=REAL),
        M("C_tot_oxidation", result=REAL),
        M("H_tot_oxidation", result=REAL),
        M("_update_w_scrub_growth", ("w_scrub", BUFFER), result=NONE, args=lambda o: (np.zeros(3),),
          raises=Exception),
        M("_update_w_scrub_oxidation", ("w_scrub", BUFFER), result=NONE, args=lambda o: (np.zeros(3),),
          raises=Exception),
        M("update_w_scrub", ("w_scrub", BUFFER), result=NONE, args=lambda o: (np.zeros(3),), raises=Exception),
        M("surface_growth_enabled", result=ANY),
        M("oxidation_enabled", result=ANY),
    ),
)

LAYOUTS["CFrenklachHACA"] = Layout(
    name="CFrenklachHACA",
    base="CSurfaceReactionsBase",
    checksums=(0x2bc7cd7, 0x616acae, 0x08d0ea8),
    field_count=23,
    fresh=lambda mod: mod.CFrenklachHACA(None),
    configured=cfh_configured,
    live=cfh_live,
    defaults={"HACA_prefactor": 1.0},
    fields=(
        F("_O2_oxidation_rate", DOUBLE, RW, 0.0),
        F("_OH_oxidation_rate", DOUBLE, RW, 0.0),
    ),
    props=(P("alpha_model", STR, RW),),
    methods=(
        M("_reset", result=NONE),
        M("update", result=NONE),
        M("update_w_scrub", ("w_scrub", BUFFER), result=NONE, args=lambda o: (np.zeros(len(RATE_SPECIES)),)),
    ),
)


# ========================================================= modular flame solvers

MOD_FLAME_GRID = (0.0, 0.004, 0.01, 0.0175)
MOD_FLOORS = (("N_agg", 1.0 / AV), ("N_pri", 1.0 / AV), ("C_tot", 378.0 / AV), ("H_tot", 20.0 / AV))


def modular_flame_parts(mod, live=False):
    """A stand-in flame over three species, the gas wrapper on the three-species stand-in gas
    (the fake gas object itself only when `live`), and a soot wrapper whose particle model has
    soot disabled (no rates, coagulation only) with a PAH-growth and a surface model installed."""
    from fakes import FakeFlame

    fgrid = np.array([0.0, 0.005, 0.01, 0.02])
    X = np.array([[0.2, 0.15, 0.1, 0.1], [0.3, 0.2, 0.1, 0.05], [0.5, 0.65, 0.8, 0.85]])
    flame = FakeFlame(fgrid, [400.0, 1200.0, 1800.0, 1700.0], [0.8, 0.3, 0.2, 0.21],
                      [3.0e-5, 4.5e-5, 5.8e-5, 5.6e-5], [0.3, 0.8, 1.2, 1.15], X,
                      mean_molecular_weight=np.array([24.0, 25.0, 26.0, 26.5]))
    sg = csg_live(mod) if live else csg_configured(mod)
    sw = mod.CSootWrapper(sg)
    m = mod.CMonodisperseSootModel(sw)
    sw.set_soot_model(m)
    sw.set_PAH_growth_model(mod.CReactDim(sw))
    sw.set_precursors([0], [6.0], [6.0])
    sw.set_surface_reactions_model(mod.CFrenklachHACA(sw))
    sw.soot_enabled = False
    return sg, flame, sw, m


def mfs_solver(mod, cls_name, sg, flame, grid, sw, m):
    """A modular flame solver of class cls_name: CTempFlameSolver takes the particle model and the
    mass fluxes, the others the soot wrapper and the pressure."""
    if cls_name == "CTempFlameSolver":
        s = mod.CTempFlameSolver(sg, flame, grid, m)
        s.mdot_left, s.mdot_right = 0.3, 0.25
    else:
        s = getattr(mod, cls_name)(sg, flame, grid, sw)
        s.P = 101325.0
    return s


def mfs_make(mod, cls_name, live=False):
    sg, flame, sw, m = modular_flame_parts(mod, live)
    return mfs_solver(mod, cls_name, sg, flame, np.array(MOD_FLAME_GRID), sw, m)


def mfs_configured(mod, cls_name):
    s = mfs_make(mod, cls_name)
    s.n_time_steps = 3
    s.dt = 2.5e-5
    s.boundary_type_right = 1
    return s


def mfs_live(mod, ctx, cls_name):
    s = mfs_make(mod, cls_name, live=True)
    s.soot_gas.cantera_gas.calls = collections.deque(maxlen=64)
    s.flame.reads = collections.deque(maxlen=64)
    s.n_time_steps = 2
    if ctx == "solved":
        quiet(s.solve)
    return s


_MF_IN = tuple(F(f"{v}_in_{side}", DOUBLE, RW, Calc(lambda x=x: x)) for side in ("left", "right")
               for v, x in MOD_FLOORS)
_MF_SYSTEM = tuple(F(n, NDARRAY, RW, SKIP) for n in ("upper", "diag", "lower", "B_N_agg", "B_N_pri", "B_C_tot",
                                                     "B_H_tot")) + tuple(
    F(v + s, NDARRAY, RW, SKIP) for v, _ in MOD_FLOORS for s in ("_n", "_n1"))

LAYOUTS["CTempFlameSolver"] = Layout(
    name="CTempFlameSolver",
    checksums=(0x1edfdb5, 0x2675e87, 0x00bab66),
    field_count=44,
    fresh=lambda mod: mfs_make(mod, "CTempFlameSolver"),
    configured=lambda mod: mfs_configured(mod, "CTempFlameSolver"),
    live=lambda mod, ctx=None: mfs_live(mod, ctx, "CTempFlameSolver"),
    fields=(
        F("soot_gas", OBJECT, RW, SKIP),
        F("flame", OBJECT, RW, SKIP),
        F("soot_model", OBJECT, RW, SKIP),
        F("n_time_steps", INT, RW, 9000),
        F("dt", DOUBLE, RW, 1e-05),
        F("n_species", INT, RW, 3),
        F("n_points", INT, RW, 4),
        F("z", DVEC, RW, list(MOD_FLAME_GRID)),
        F("dz", DVEC, RW, _spacing(MOD_FLAME_GRID)),
        F("P", DOUBLE, RW, 101325.0),
    ) + tuple(F(n, DVEC, RW, [0.0] * 4) for n in ("T", "mu", "rho", "u_gas", "u_th", "u")) + (
        F("X", NDARRAY, RW, SKIP),
        F("wdot_correction_soot", NDARRAY, RW, None),
        F("mdot_left", DOUBLE, RW, 0.3),
        F("mdot_right", DOUBLE, RW, 0.25),
        F("boundary_type_right", INT, RW, 0),
    ) + _MF_SYSTEM + _MF_IN,
    props=(P("grid", DVEC, RO),),
    methods=(
        M("solve", result=NONE),
        M("update_w_scrub", result=NONE, ctx="solved"),
        M("solve_TDMA", ("a", BUFFER), ("b", BUFFER), ("c", BUFFER), ("d", BUFFER), ("x", BUFFER), result=NONE,
          args=lambda o: tuple(np.array(v) for v in ([1.0, 0.5], [4.0, 4.0, 3.0], [2.0, 1.0], [8.0, 9.0, 7.0],
                                                     [0.0, 0.0, 0.0]))),
    ),
    members=("w_scrub",),
)

LAYOUTS["CTempFlameSolverOpt"] = Layout(
    name="CTempFlameSolverOpt",
    checksums=(0xcc606a9, 0xca0cfd7, 0xdc18d33),
    field_count=49,
    fresh=lambda mod: mfs_make(mod, "CTempFlameSolverOpt"),
    configured=lambda mod: mfs_configured(mod, "CTempFlameSolverOpt"),
    live=lambda mod, ctx=None: mfs_live(mod, ctx, "CTempFlameSolverOpt"),
    fields=(
        F("flame", OBJECT, RW, SKIP),
        F("soot_gas", TYPED("CSootGas"), RW, SKIP),
        F("soot", TYPED("CSootWrapper"), RW, SKIP),
        F("n_time_steps", INT, RW, 9000),
        F("dt", DOUBLE, RW, 1e-05),
        F("n_species", INT, RW, 3),
        F("n_points", INT, RW, 4),
    ) + tuple(F(n, NDARRAY, RW, SKIP) for n in ("z", "dz", "dz_m")) + (
        F("P", DOUBLE, RW, 101325.0),
    ) + tuple(F(n, NDARRAY, RW, SKIP) for n in ("T", "mu", "rho", "mean_MW")) + tuple(
        F(n, NDARRAY, RW, None) for n in ("u_gas", "u_th", "u")) + (
        F("X", NDARRAY, RW, SKIP),
        F("w_scrub", NDARRAY, RW, SKIP),
        F("wdot_correction_soot", NDARRAY, RW, None),
        F("mdot_left", DOUBLE, RW, 0.0),
        F("mdot_right", DOUBLE, RW, 0.0),
        F("boundary_type_right", INT, RW, 0),
    ) + _MF_SYSTEM + _MF_IN + (
        F("under", DOUBLE, RW, 0.8),
        F("k_th", DOUBLE, RW, 0.0),
    ),
    props=(P("grid", NDARRAY, RO),),
    methods=(
        M("init_u", result=NONE),
        M("solve", result=NONE),
        M("update_w_scrub", result=NONE, ctx="solved"),
    ),
)


def _grid_solver_layout(name):
    return Layout(
        name=name,
        checksums=(0xaddc67c, 0x3cb1afb, 0xab2bb6d),
        field_count=48,
        fresh=lambda mod: mfs_make(mod, name),
        configured=lambda mod: mfs_configured(mod, name),
        live=lambda mod, ctx=None: mfs_live(mod, ctx, name),
        fields=(
            F("flame", OBJECT, RW, SKIP),
            F("soot", TYPED("CSootWrapper"), RW, SKIP),
            F("soot_gas", TYPED("CSootGas"), RW, SKIP),
            F("P", DOUBLE, RW, 101325.0),
        ) + tuple(F(n, NDARRAY, RW, None) for n in ("T", "rho", "u", "u_gas", "u_th", "D", "mu", "mean_MW", "X",
                                                     "w_scrub")) + (
            F("dt", DOUBLE, RW, 1e-4),
            F("dx", NDARRAY, RW, SKIP),
            F("grid", NDARRAY, RW, SKIP),
            F("n_points", INT, RW, 4),
            F("n_time_steps", INT, RW, 9000),
            F("n_species", INT, RW, 3),
            F("mdot_left", DOUBLE, RW, 0.0),
            F("mdot_right", DOUBLE, RW, 0.0),
            F("boundary_type_right", INT, RW, 0),
        ) + _MF_SYSTEM + _MF_IN + (
            F("under", DOUBLE, RW, 1.0),
            F("k_th", DOUBLE, RW, 0.538),
        ),
        methods=(
            M("interplote_from_flame", result=NONE),
            M("create_matrix", result=NONE),
            M("create_solution_vector", result=NONE),
            M("create_dx", result=NONE),
            M("solve", result=NONE),
        ),
    )


LAYOUTS["CFVSolver"] = _grid_solver_layout("CFVSolver")
LAYOUTS["CFDSolver"] = _grid_solver_layout("CFDSolver")
# ============================================================ modular reactors

MR_PROFILE = ((0.0, 1.0), (1500.0, 1400.0))
MR_SOOT = (2.0e-9, 8.0e-9, 4.0e-5, 6.0e-6)


def mr_wrapper(mod):
    """A soot wrapper on the three-species cached gas with an installed particle model."""
    m = cmsm_configured(mod)
    m.soot_wrapper.set_soot_model(m)
    return m.soot_wrapper


def mr_configured(cls_name, **values):
    def make(mod):
        w = mr_wrapper(mod)
        r = getattr(mod, cls_name)(w.soot_gas)
        if cls_name == "ReactorBase":
            r.soot_wrapper = w
        else:
            r.set_soot_wrapper(w)
        r.temperature_solver = 3
        r.set_fix_temperature_profile(np.array(MR_PROFILE))
        for k, v in values.items():
            setattr(r, k, v)
        return r
    return make


def mr_live(cls_name, **values):
    def make(mod, ctx=None):
        from fakes import FakeGas  # a stand-in gas object with three species

        r = mr_configured(cls_name, **values)(mod)
        gas = FakeGas()
        gas.calls = collections.deque(maxlen=64)  # a bounded log: loops stay flat
        r.soot_gas.cantera_gas = gas
        w = r.soot_wrapper
        w.set_PAH_growth_model(mod.CReactDim(w))
        w.set_surface_reactions_model(mod.CFrenklachHACA(w))
        w.soot_enabled = False  # the fake gas has none of the species soot chemistry reads
        if cls_name == "CPSRSoot":
            r.set_star()
        return r
    return make


def mr_state(o):
    """A state vector of the reactor's layout: its gas block, the fake gas's mass fractions, soot."""
    head = {"CPFRSoot": [0.0, 0.3, 1500.0], "CPSRSoot": [0.2, 1500.0], "CConstUVSoot": [0.2, 1500.0]}
    return (0.1, np.hstack([head[type(o).__name__], [0.1, 0.3, 0.6], MR_SOOT]))


_MR_OFFSET = lambda name, v: F(name, INDEX, RW, v)  # noqa: E731

LAYOUTS["ReactorBase"] = Layout(
    name="ReactorBase",
    checksums=(0xcd63a4c, 0xf86adfc, 0x037e769),
    field_count=5,
    fresh=lambda mod: mod.ReactorBase(csg_configured(mod)),
    configured=mr_configured("ReactorBase"),
    live=lambda mod, ctx=None: mr_configured("ReactorBase")(mod),
    fields=(
        F("combined_dy_dz", NDARRAY, HIDDEN, None),
        F("temperature_profile", NDARRAY, RO, None),
        F("temperature_solver", INT, RW, 0),
        F("soot_gas", TYPED("CSootGas"), RW, SKIP),
        F("soot_wrapper", TYPED("CSootWrapper"), RW, None),
    ),
    props=(P("temperature_solver_type", STR, RW),),
    methods=(
        M("set_soot_wrapper", ("soot_wrapper", OBJECT), result=NONE, args=lambda o: (o.soot_wrapper,),
          raises=AttributeError),
        M("_reset", result=NONE, raises=AttributeError),
        M("set_fix_temperature_profile", ("fixed_profile", NDARRAY), result=NONE,
          args=lambda o: (np.array(MR_PROFILE),)),
    ),
)

_MR_DERIVED = (
    M("set_soot_wrapper", ("soot_wrapper", OBJECT), result=NONE, args=lambda o: (o.soot_wrapper,)),
    M("_reset", result=NONE),
    M("derivatives", ("t", DOUBLE), ("y", NDARRAY), result=ANY, args=mr_state),
)

LAYOUTS["CPFRSoot"] = Layout(
    name="CPFRSoot",
    base="ReactorBase",
    checksums=(0x41f59af, 0x7a2abb1, 0x2835400),
    field_count=21,
    fresh=lambda mod: mod.CPFRSoot(csg_configured(mod)),
    configured=mr_configured("CPFRSoot", P=101325.0, T=1500.0),
    live=mr_live("CPFRSoot", P=101325.0, T=1500.0),
    fields=(
        _MR_OFFSET("restime_offset", 0), _MR_OFFSET("rhou_offset", 1), _MR_OFFSET("T_offset", 2),
        _MR_OFFSET("Y_offset", 3), _MR_OFFSET("soot_offset", 6),
        F("T", DOUBLE, RW, 0.0), F("P", DOUBLE, RW, 0.0),
        *(F(n, DOUBLE, RO, 0.0) for n in ("z", "rho", "phi", "u", "mdot", "restime", "removed_gas_mass")),
        F("soot_array", NDARRAY, RW, None), F("source_term_array", NDARRAY, RW, None),
    ),
    methods=_MR_DERIVED + (M("set_mdot", ("mdot", DOUBLE), result=NONE),),
)

LAYOUTS["CPSRSoot"] = Layout(
    name="CPSRSoot",
    base="ReactorBase",
    checksums=(0x045fc4a, 0x4dcc993, 0xce0f1fb),
    field_count=28,
    fresh=lambda mod: mod.CPSRSoot(csg_configured(mod)),
    configured=mr_configured("CPSRSoot", P=101325.0, T=1500.0, phy_restime=1e-3, reactor_volume=1e-4,
                             Q_dot=2.0, rho_offset=0),
    live=mr_live("CPSRSoot", P=101325.0, T=1500.0, phy_restime=1e-3, reactor_volume=1e-4),
    fields=(
        _MR_OFFSET("T_offset", 1), _MR_OFFSET("Y_offset", 2), _MR_OFFSET("soot_offset", 5),
        F("T", DOUBLE, RW, 0.0), F("P", DOUBLE, RW, 0.0),
        F("Y_star", NDARRAY, RO, None), F("soot_star", NDARRAY, RO, None),
        *(F(n, DOUBLE, RO, 0.0) for n in ("h_star", "z", "rho", "phi", "restime", "drho_dt", "dT_dt",
                                          "removed_gas_mass")),
        F("dY_dt", NDARRAY, RO, None), F("dsoot_dt", NDARRAY, RO, None),
        F("soot_array", NDARRAY, RW, None), F("source_term_array", NDARRAY, RW, None),
        *(F(n, DOUBLE, RW, 0.0) for n in ("Q_dot", "mdot", "phy_restime", "reactor_volume")),
    ),
    methods=_MR_DERIVED + (M("set_star", result=NONE),),
    members=("rho_offset",),
)

LAYOUTS["CConstUVSoot"] = Layout(
    name="CConstUVSoot",
    base="ReactorBase",
    checksums=(0x77cd24d, 0xcf89bb7, 0x3695963),
    field_count=23,
    fresh=lambda mod: mod.CConstUVSoot(csg_configured(mod)),
    configured=mr_configured("CConstUVSoot", T=1500.0, rho_n_iter=3, rho_offset=0),
    live=mr_live("CConstUVSoot", T=1500.0, rho_n_iter=3),
    fields=(
        _MR_OFFSET("restime_offset", 0), _MR_OFFSET("T_offset", 1), _MR_OFFSET("Y_offset", 2),
        _MR_OFFSET("soot_offset", 5),
        F("T", DOUBLE, RW, 0.0), F("P", DOUBLE, RW, 0.0),
        *(F(n, DOUBLE, RO, 0.0) for n in ("z", "rho", "phi", "restime", "drho_dt", "dT_dt", "removed_gas_mass")),
        F("dY_dt", NDARRAY, RO, None), F("dsoot_dt", NDARRAY, RO, None),
        F("soot_array", NDARRAY, RW, None), F("source_term_array", NDARRAY, RW, None),
        F("rho_n_iter", INT, RW, 10),
    ),
    methods=_MR_DERIVED,
    members=("rho_offset",),
)
