"""Gas wrapper CSootGas: fields, update protocol, units, pickling, real gases."""

import copy
import ctypes
import gc
import importlib
import math
import pickle
import weakref

import numpy as np
import pytest

from fakes import RU, EOS_MW, FakeGas, FakeGasError, Holder

psoot = importlib.import_module("pyrandel.lib._pyrandel")
CSootGas = psoot.CSootGas
restore = psoot.__pyx_unpickle_CSootGas

QUAL = "pyrandel.lib._pyrandel.CSootGas."
CHECKSUM = 0x3719456

# Constants of the mean free path, as the module holds them
PI_10 = 3.1415926535
KB = 1.3806488e-23
AV = 6.02214076e23

FIELD_ORDER = ("_MW_array", "_MWs", "_P", "_T", "_X", "_lambda_gas",
               "_mean_MW", "_mu", "_rho", "_species_index_dict", "cantera_gas")
FRESH_STATE = (None, [], 0.0, 0.0, [], None, 0.0, None, None, None, None)


class TaggedGas(CSootGas):
    """Python subclass: carries an instance dictionary."""


def mean_free_path(mu, rho, mean_MW, T, pi=PI_10):
    # same order of operations as the wrapper
    return float((mu / rho) * ((pi * mean_MW) / (((KB * 2.0) * AV) * T)) ** 0.5)


def cached(g):
    return {"T": g.T, "P": g.P, "X": g._X, "rho": g.rho, "mu": g.mu,
            "mean_MW": g.mean_MW, "lambda_gas": g.lambda_gas}


def traceback_names(exc):
    names, tb = [], exc.__traceback__
    while tb is not None:
        names.append(tb.tb_frame.f_code.co_name)
        tb = tb.tb_next
    return names


def populated(cls, gas):
    g = cls(gas)
    g.update_MWs(np.array([0.002016, 0.031998, 0.028014]))
    g.set_species_indices({"A": 0, "B": 1, "C": 2})
    g.update(1500.0, 101325.0, [0.2, 0.3, 0.5], 0.25, 5.0e-5, 0.026)
    g.update_lambda_gas()
    return g


def assert_same_fields(a, b):
    assert (a.T, a.P, a.mean_MW) == (b.T, b.P, b.mean_MW)
    assert a._X == b._X and a.MWs == b.MWs
    np.testing.assert_array_equal(a.MW_array, b.MW_array)
    assert (a.rho, a.mu, a.lambda_gas) == (b.rho, b.mu, b.lambda_gas)
    assert a._species_index_dict == b._species_index_dict


@pytest.fixture
def sg(fake):
    return CSootGas(fake)


NEW_T, NEW_P, NEW_D = 1500.0, 202650.0, 0.75
Y_NEW = np.array([0.2, 0.2, 0.6])
X_NEW = np.array([0.2, 0.4, 0.6])  # sums to 1.2 on purpose

# method -> (call, the gas accesses it makes, in order)
GAS_CALLS = {
    "update_thermo_TPUY": (
        lambda g: g.update_thermo_TPUY(NEW_T, NEW_P, Y_NEW.copy()),
        ["set_unnormalized_mass_fractions", "TP=", "X", "density",
         "mean_molecular_weight"]),
    "update_thermo_TDUY": (
        lambda g: g.update_thermo_TDUY(NEW_T, NEW_D, Y_NEW.copy()),
        ["set_unnormalized_mass_fractions", "TD=", "P", "X",
         "mean_molecular_weight"]),
    "update_thermo_TPX": (
        lambda g: g.update_thermo_TPX(NEW_T, NEW_P, X_NEW.copy()),
        ["TPX=", "density", "mean_molecular_weight"]),
    "update_thermo_TPXmw": (
        lambda g: g.update_thermo_TPXmw(NEW_T, NEW_P, X_NEW.copy()),
        ["TPX=", "X", "density", "mean_molecular_weight"]),
    "update_thermo": (
        lambda g: g.update_thermo(),
        ["T", "P", "X", "TPX=", "density", "mean_molecular_weight"]),
    "update_transport_mix": (lambda g: g.update_transport_mix(), ["viscosity"]),
    "update_transport": (lambda g: g.update_transport(), ["viscosity"]),
}

# property -> (gas attribute it reads, expected value from the fake's data)
LIVE = {
    "w_array": ("net_production_rates", lambda f: f.wdot * 1000),
    "Y_array": ("Y", lambda f: f.y),
    "h_mol_array": ("partial_molar_enthalpies", lambda f: f.h_mol / 1000),
    "partial_molar_enthalpies_array": ("partial_molar_enthalpies",
                                       lambda f: f.h_mol / 1000),
    "partial_molar_int_energies_array": ("partial_molar_int_energies",
                                         lambda f: f.u_mol / 1000),
    "u_mol_array": ("partial_molar_int_energies", lambda f: f.u_mol / 1000),
    "h_mass_total": ("enthalpy_mass", lambda f: f.h_mass),
    "u_mass_total": ("int_energy_mass", lambda f: f.u_mass),
    "cv_mass": ("cv_mass", lambda f: f.cv),
    "cp_mass": ("cp_mass", lambda f: f.cp_m),
    "state": ("state", lambda f: np.hstack([[f.t, float(f.rho)], f.y])),
}


# ------------------------------------------------------------ construction

def test_construction_stores_only_the_gas(fake):
    g = CSootGas(fake)
    assert g.cantera_gas is fake
    assert fake.calls == []
    assert (g.T, g.P, g.mean_MW) == (0.0, 0.0, 0.0)
    assert all(type(v) is float for v in (g.T, g.P, g.mean_MW))
    assert g.rho is None and g.mu is None and g.lambda_gas is None
    assert g.MW_array is None and g._species_index_dict is None
    assert g.MWs == [] and g._X == [] and g.n_species == 0
    X = g.X_array
    assert isinstance(X, np.ndarray) and X.shape == (0,)


def test_constructor_keyword(fake):
    assert CSootGas(cantera_gas=fake).cantera_gas is fake
    assert CSootGas(None).cantera_gas is None


@pytest.mark.parametrize("args,kwargs,message", [
    ((), {}, "__init__() takes exactly 1 positional argument (0 given)"),
    ((1, 2), {}, "__init__() takes exactly 1 positional argument (2 given)"),
    ((1,), {"gas": 2}, "__init__() got an unexpected keyword argument 'gas'"),
    ((1,), {"cantera_gas": 2},
     "__init__() got multiple values for keyword argument 'cantera_gas'"),
])
def test_constructor_argument_errors(args, kwargs, message):
    with pytest.raises(TypeError) as info:
        CSootGas(*args, **kwargs)
    assert str(info.value) == message


def test_init_again_replaces_only_the_gas(fake):
    g = populated(CSootGas, fake)
    before = cached(g)
    g.__init__(None)
    assert g.cantera_gas is None
    assert cached(g) == before and g.n_species == 3


# ------------------------------------------------------------------ fields

def test_cantera_gas_field(sg, fake):
    other = FakeGas()
    sg.cantera_gas = other
    assert sg.cantera_gas is other
    sg.cantera_gas = 5
    assert sg.cantera_gas == 5
    del sg.cantera_gas
    assert sg.cantera_gas is None


@pytest.mark.parametrize("field,prop", [("_T", "T"), ("_P", "P")])
def test_number_fields(sg, field, prop):
    setattr(sg, field, 300)
    assert type(getattr(sg, field)) is float and getattr(sg, prop) == 300.0
    setattr(sg, field, np.float32(0.5))
    assert getattr(sg, field) == 0.5
    for bad in ("300", None, [1.0]):
        with pytest.raises(TypeError):
            setattr(sg, field, bad)
    assert getattr(sg, field) == 0.5
    with pytest.raises(NotImplementedError) as info:
        delattr(sg, field)
    assert str(info.value) == "__del__"


READ_ONLY = ["_mean_MW", "_mu", "_rho", "_lambda_gas", "_species_index_dict",
             "T", "P", "mean_MW", "rho", "mu", "lambda_gas", "MWs",
             "MW_array", "X_array", "n_species"] + list(LIVE)


@pytest.mark.parametrize("name", READ_ONLY)
def test_read_only_attributes(sg, fake, name):
    with pytest.raises(AttributeError):
        setattr(sg, name, 1.0)
    with pytest.raises(AttributeError):
        delattr(sg, name)
    assert fake.calls == []


def test_MW_array_field(sg):
    a = np.array([0.002016, 0.031998])
    sg._MW_array = a
    assert sg._MW_array is a and sg.MW_array is a
    view = a.view(type("Sub", (np.ndarray,), {}))
    sg._MW_array = view
    assert sg._MW_array is view
    for bad in ([0.002], (0.002,), 0.002, "a"):
        with pytest.raises(TypeError):
            sg._MW_array = bad
    assert sg._MW_array is view
    sg._MW_array = None
    assert sg.MW_array is None
    sg._MW_array = a
    del sg._MW_array
    assert sg._MW_array is None
    assert sg.n_species == 0  # only update_MWs / _MWs size the species list


@pytest.mark.parametrize("field", ["_X", "_MWs"])
def test_native_array_fields(sg, field):
    setattr(sg, field, (0.1, 2, np.float64(3.5)))
    got = getattr(sg, field)
    assert got == [0.1, 2.0, 3.5] and all(type(v) is float for v in got)
    assert getattr(sg, field) is not got
    got.append(9.0)
    assert getattr(sg, field) == [0.1, 2.0, 3.5]
    setattr(sg, field, (v for v in [4.0, 5.0]))
    assert getattr(sg, field) == [4.0, 5.0]
    setattr(sg, field, np.array([6.0]))
    assert getattr(sg, field) == [6.0]
    for bad in ([1.0, "x"], 7, None, "ab", [[1.0]]):
        with pytest.raises(TypeError):
            setattr(sg, field, bad)
        assert getattr(sg, field) == [6.0]
    with pytest.raises(NotImplementedError) as info:
        delattr(sg, field)
    assert str(info.value) == "__del__"
    setattr(sg, field, [])
    assert getattr(sg, field) == []


def test_cached_views_follow_the_native_arrays(sg):
    sg._MWs = [0.002, 0.032, 0.028]
    assert sg.n_species == 3
    assert sg.MWs == [0.002, 0.032, 0.028] and sg.MWs is not sg.MWs
    sg._X = [0.2, 0.8]
    X = sg.X_array
    assert X.dtype == np.float64 and X.tolist() == [0.2, 0.8]
    assert sg.X_array is not X
    assert sg.n_species == 3  # mole fractions do not size the species list


# ---------------------------------------------------------- update methods

@pytest.mark.parametrize("method", list(GAS_CALLS))
def test_gas_is_queried_in_order(sg, fake, method):
    call, expected = GAS_CALLS[method]
    sg.update(300.0, 5.0e4, [1.0, 0.0, 0.0], 1.0, 2.0e-5, 0.03)  # gas untouched
    assert call(sg) is None
    assert fake.calls == expected


def test_update_thermo_TPUY(sg, fake):
    sg.update(300.0, 5.0e4, [1.0, 0.0, 0.0], 1.0, 2.0e-5, 0.03)
    sg.update_lambda_gas()
    mu, lam = sg.mu, sg.lambda_gas
    Y = Y_NEW.copy()
    sg.update_thermo_TPUY(1500, 202650, Y)
    assert fake.args["set_unnormalized_mass_fractions"] is Y
    assert tuple(fake.args["TP"]) == (1500.0, 202650.0)
    assert all(type(v) is float for v in fake.args["TP"])
    assert sg.T == 1500.0 and sg.P == 202650.0
    assert sg._X == fake.x.tolist()
    assert sg.rho is fake.rho            # cached as the gas returned it
    assert sg.mean_MW == fake.mw / 1000  # kg/kmol -> kg/mol
    assert sg.mu is mu and sg.lambda_gas is lam  # transport lags until asked


def test_update_thermo_TDUY(sg, fake):
    sg.update_thermo_TDUY(NEW_T, np.float64(NEW_D), Y_NEW.copy())
    assert tuple(fake.args["TD"]) == (NEW_T, NEW_D)
    assert sg.T == NEW_T
    assert type(sg.rho) is float and sg.rho == NEW_D
    assert sg.P == fake.p == NEW_D * RU * NEW_T / EOS_MW
    assert sg._X == fake.x.tolist()
    assert sg.mean_MW == fake.mw / 1000


def test_update_thermo_TPX_keeps_callers_mole_fractions(sg, fake):
    X = X_NEW.copy()
    sg.update_thermo_TPX(NEW_T, NEW_P, X)
    T, P, passed = fake.args["TPX"]
    assert (T, P) == (NEW_T, NEW_P) and passed is X
    assert sg._X == [0.2, 0.4, 0.6]          # not the gas's normalised ones
    assert fake.x.sum() == pytest.approx(1.0)
    np.testing.assert_array_equal(sg.X_array, X)
    assert sg.rho is fake.rho
    assert sg.mean_MW == fake.mw / 1000


def test_update_thermo_TPXmw_reads_mole_fractions_back(sg, fake):
    X = X_NEW.copy()
    sg.update_thermo_TPXmw(NEW_T, NEW_P, X)
    T, P, passed = fake.args["TPX"]
    assert (T, P) == (NEW_T, NEW_P)
    np.testing.assert_array_equal(np.asarray(passed), X)
    assert sg._X == fake.x.tolist()
    assert sum(sg._X) == pytest.approx(1.0)
    np.testing.assert_array_equal(X, X_NEW)  # the caller's buffer is only read
    assert sg.T == NEW_T and sg.P == NEW_P and sg.rho is fake.rho


def test_update_thermo_TPXmw_takes_strided_buffers(sg, fake):
    X = np.arange(1.0, 7.0)[::2]
    sg.update_thermo_TPXmw(NEW_T, NEW_P, X)
    np.testing.assert_array_equal(np.asarray(fake.args["TPX"][2]), [1.0, 3.0, 5.0])


@pytest.mark.parametrize("X", [
    [0.1, 0.9], 3.0, np.array([1, 2]), np.ones(2, dtype=np.float32),
    np.ones((2, 2)), b"abcdefgh",
], ids=["list", "float", "int-array", "float32", "2-d", "bytes"])
def test_update_thermo_TPXmw_needs_1d_double_buffer(sg, fake, X):
    with pytest.raises((TypeError, ValueError, BufferError)):
        sg.update_thermo_TPXmw(NEW_T, NEW_P, X)
    assert fake.calls == [] and sg.T == 0.0


def test_update_thermo_reads_the_gas_state(sg, fake):
    fake.t, fake.p, fake.x = 900.0, 5.0e4, np.array([0.5, 0.25, 0.25])
    sg.update_thermo()
    assert (sg.T, sg.P) == (900.0, 5.0e4)
    assert sg._X == [0.5, 0.25, 0.25]
    assert sg.rho is fake.rho and sg.mean_MW == fake.mw / 1000


def test_update_thermo_calls_TPX_by_name(fake):
    class Spy(CSootGas):
        def update_thermo_TPX(self, T, P, X):
            self.seen = (T, P, X)

    g = Spy(fake)
    g.update_thermo()
    assert g.seen[:2] == (fake.t, fake.p) and g.seen[2] is fake.x
    assert fake.calls == ["T", "P", "X"]
    assert g.T == 0.0  # the base step did not run


def test_update_transport_calls_mix_by_name(fake):
    class Spy(CSootGas):
        def update_transport_mix(self):
            self.mixed = getattr(self, "mixed", 0) + 1

    g = Spy(fake)
    g.update_transport()
    assert g.mixed == 1
    assert fake.calls == [] and g.mu is None


@pytest.mark.parametrize("method", ["update_transport_mix", "update_transport"])
def test_transport_caches_viscosity_and_mean_free_path(sg, fake, method):
    sg.update_thermo_TPUY(NEW_T, NEW_P, Y_NEW.copy())
    getattr(sg, method)()
    assert sg.mu is fake.visc
    assert type(sg.lambda_gas) is float
    assert sg.lambda_gas == mean_free_path(fake.visc, fake.rho, fake.mw / 1000, NEW_T)


def test_update_transport_sutherland_is_refused(sg, fake):
    with pytest.raises(Exception) as info:
        sg.update_transport_sutherland()
    assert type(info.value) is Exception
    assert str(info.value) == "update_transport_sutherland() is not implemented!"
    assert fake.calls == [] and sg.mu is None


def test_update_stores_without_touching_the_gas(sg, fake):
    X = [0.1, 0.2, 0.7]
    sg.update(1800, 3.0e5, X, np.float64(0.5), np.float64(3.0e-5), 0.027)
    assert fake.calls == []
    assert (sg.T, sg.P, sg.mean_MW) == (1800.0, 3.0e5, 0.027)  # kg/mol as given
    assert sg._X == X
    X.append(1.0)
    assert sg._X == [0.1, 0.2, 0.7]  # a copy
    assert type(sg.rho) is float and sg.rho == 0.5
    assert type(sg.mu) is float and sg.mu == 3.0e-5
    assert sg.lambda_gas is None  # not recomputed


def test_update_by_keyword_and_any_iterable(sg):
    sg.update(T=1000.0, P=1.0e5, X=np.array([0.5, 0.5]), rho=0.3, mu=4.0e-5,
              mean_MW=0.02)
    assert sg._X == [0.5, 0.5] and sg.T == 1000.0
    sg.update(1000.0, 1.0e5, (x for x in (0.25, 0.75)), 0.3, 4.0e-5, 0.02)
    assert sg._X == [0.25, 0.75]


def test_update_mean_MW(sg, fake):
    sg.update_mean_MW(0.0289)
    assert sg.mean_MW == 0.0289
    sg.update_mean_MW(np.int64(1))
    assert sg.mean_MW == 1.0 and type(sg.mean_MW) is float
    assert fake.calls == []


def test_update_MWs(sg, fake):
    MWs = np.array([0.002016, 0.031998, 0.028014])
    sg.update_MWs(MWs)
    assert sg.MW_array is MWs and sg._MW_array is MWs
    assert sg.MWs == [0.002016, 0.031998, 0.028014] and sg.n_species == 3
    assert fake.calls == []
    MWs[0] = 1.0  # the array object is held, the list is a copy
    assert sg.MW_array[0] == 1.0 and sg.MWs[0] == 0.002016
    sg.update_MWs(np.array([2, 32]))
    assert sg.MWs == [2.0, 32.0] and all(type(v) is float for v in sg.MWs)
    assert sg.n_species == 2


@pytest.mark.parametrize("bad,exc", [
    (None, AttributeError),                 # passes the type test, has no tolist()
    (np.ones((2, 2)), TypeError),           # rows are not numbers
    (np.array(["a", "b"]), TypeError),
    (np.array([None, 1.0], dtype=object), TypeError),
])
def test_update_MWs_refusals_leave_the_old_masses(sg, bad, exc):
    MWs = np.array([0.002, 0.032])
    sg.update_MWs(MWs)
    with pytest.raises(exc):
        sg.update_MWs(bad)
    assert sg.MW_array is MWs and sg.MWs == [0.002, 0.032] and sg.n_species == 2


def test_set_species_indices(sg, fake):
    d = {"A": 0, "B": 1}
    sg.set_species_indices(d)
    assert sg._species_index_dict is d
    sg.set_species_indices(None)
    assert sg._species_index_dict is None
    assert fake.calls == []


Y3 = np.array([0.1, 0.2, 0.7])
X3 = np.array([0.1, 0.2, 0.7])


@pytest.mark.parametrize("call,message", [
    (lambda g: g.update_thermo_TPUY(1.0, 2.0),
     "update_thermo_TPUY() takes exactly 3 positional arguments (2 given)"),
    (lambda g: g.update_thermo_TDUY(1.0, 2.0, Y3, 4.0),
     "update_thermo_TDUY() takes exactly 3 positional arguments (4 given)"),
    (lambda g: g.update_thermo_TPX(),
     "update_thermo_TPX() takes exactly 3 positional arguments (0 given)"),
    (lambda g: g.update(1.0, 2.0, [1.0], 4.0, 5.0),
     "update() takes exactly 6 positional arguments (5 given)"),
    (lambda g: g.update_thermo_TPX(1.0, 2.0, X3, Y=X3),
     "update_thermo_TPX() got an unexpected keyword argument 'Y'"),
    (lambda g: g.update_thermo_TPUY(1.0, 2.0, Y3, T=1.0),
     "update_thermo_TPUY() got multiple values for keyword argument 'T'"),
    (lambda g: g.update_thermo_TPUY(1.0, 2.0, [0.1, 0.9]),
     "Argument 'UY' has incorrect type (expected numpy.ndarray, got list)"),
    (lambda g: g.update_thermo_TDUY(1.0, 2.0, (0.1,)),
     "Argument 'UY' has incorrect type (expected numpy.ndarray, got tuple)"),
    (lambda g: g.update_thermo_TPX(1.0, 2.0, [0.1, 0.9]),
     "Argument 'X' has incorrect type (expected numpy.ndarray, got list)"),
    (lambda g: g.update_MWs([0.002]),
     "Argument 'MWs' has incorrect type (expected numpy.ndarray, got list)"),
    (lambda g: g.set_species_indices([("A", 0)]), "Expected dict, got list"),
    (lambda g: g.set_species_indices(("A",)), "Expected dict, got tuple"),
])
def test_argument_errors_have_fixed_messages(sg, fake, call, message):
    before = cached(sg)
    with pytest.raises(TypeError) as info:
        call(sg)
    assert str(info.value) == message
    assert fake.calls == [] and cached(sg) == before


@pytest.mark.parametrize("call", [
    lambda g: g.update_thermo_TPUY("1500", 1.0e5, Y3),
    lambda g: g.update_thermo_TPUY(None, 1.0e5, Y3),
    lambda g: g.update_thermo_TDUY(1500.0, "dense", Y3),
    lambda g: g.update_thermo_TPX(1500.0, 1.0e5, "0.1"),
    lambda g: g.update(1.0, 2.0, [1.0, "a"], 1.0, 1.0, 1.0),
    lambda g: g.update(1.0, 2.0, 3.0, 1.0, 1.0, 1.0),
    lambda g: g.update(1.0, 2.0, [1.0], "rho", 1.0, 1.0),
    lambda g: g.update(1.0, 2.0, [1.0], 1.0, 1.0, None),
    lambda g: g.update_mean_MW("0.029"),
    lambda g: g.update_mean_MW(None),
    lambda g: g.update_mean_MW(),
    lambda g: g.update_mean_MW(mean_MW=0.029),
    lambda g: g.update_mean_MW(0.029, 0.03),
    lambda g: g.update_MWs(),
    lambda g: g.update_MWs(MWs=np.ones(2)),
    lambda g: g.set_species_indices(),
    lambda g: g.update_thermo(1.0),
    lambda g: g.update_transport(None),
    lambda g: g.update_transport_mix(1),
    lambda g: g.update_lambda_gas(1),
])
def test_bad_arguments_raise_before_anything_changes(sg, fake, call):
    before = cached(sg)
    with pytest.raises(TypeError):
        call(sg)
    assert fake.calls == [] and cached(sg) == before


FAILURES = [
    ("update_thermo_TPUY", "set_unnormalized_mass_fractions", set()),
    ("update_thermo_TPUY", "TP=", set()),
    ("update_thermo_TPUY", "X", {"T", "P"}),
    ("update_thermo_TPUY", "density", {"T", "P", "X"}),
    ("update_thermo_TPUY", "mean_molecular_weight", {"T", "P", "X", "rho"}),
    ("update_thermo_TDUY", "set_unnormalized_mass_fractions", set()),
    ("update_thermo_TDUY", "TD=", set()),
    ("update_thermo_TDUY", "P", {"T", "rho"}),
    ("update_thermo_TDUY", "X", {"T", "rho", "P"}),
    ("update_thermo_TDUY", "mean_molecular_weight", {"T", "rho", "P", "X"}),
    ("update_thermo_TPX", "TPX=", {"T", "P"}),   # T and P are stored first
    ("update_thermo_TPX", "density", {"T", "P", "X"}),
    ("update_thermo_TPX", "mean_molecular_weight", {"T", "P", "X", "rho"}),
    ("update_thermo_TPXmw", "TPX=", {"T", "P"}),
    ("update_thermo_TPXmw", "X", {"T", "P"}),
    ("update_thermo_TPXmw", "density", {"T", "P", "X"}),
    ("update_thermo_TPXmw", "mean_molecular_weight", {"T", "P", "X", "rho"}),
    ("update_thermo", "X", set()),
    ("update_thermo", "TPX=", {"T", "P"}),
    ("update_transport_mix", "viscosity", set()),
    ("update_transport", "viscosity", set()),
]


@pytest.mark.parametrize("method,failing,changed", FAILURES,
                         ids=[f"{m}-{f}" for m, f, _ in FAILURES])
def test_failure_keeps_the_steps_already_done(method, failing, changed):
    call = GAS_CALLS[method][0]
    reference, broken = CSootGas(FakeGas()), CSootGas(FakeGas())
    for g in (reference, broken):
        g.update(300.0, 5.0e4, [0.9, 0.05, 0.05], 9.0, 7.0, 0.05)
        g.update_lambda_gas()
    old = cached(broken)
    call(reference)
    new = cached(reference)
    broken.cantera_gas.fail = {failing}
    with pytest.raises(FakeGasError) as info:
        call(broken)
    assert QUAL + method in traceback_names(info.value)
    assert cached(broken) == {k: new[k] if k in changed else old[k] for k in old}


@pytest.mark.parametrize("method,failing,inner", [
    ("update_thermo", "TPX=", "update_thermo_TPX"),
    ("update_thermo", "density", "update_thermo_TPX"),
    ("update_transport", "viscosity", "update_transport_mix"),
])
def test_failure_inside_a_step_called_by_name_names_both(fake, method, failing, inner):
    fake.fail = {failing}
    with pytest.raises(FakeGasError) as info:
        GAS_CALLS[method][0](CSootGas(fake))
    names = traceback_names(info.value)
    assert names.index(QUAL + method) < names.index(QUAL + inner)


def test_update_thermo_refuses_a_gas_X_that_is_no_array(fake):
    fake.x = [0.2, 0.3, 0.5]
    g = CSootGas(fake)
    with pytest.raises(TypeError) as info:
        g.update_thermo()
    assert str(info.value) == ("Argument 'X' has incorrect type "
                               "(expected numpy.ndarray, got list)")
    assert QUAL + "update_thermo_TPX" in traceback_names(info.value)
    assert g.T == 0.0 and "TPX=" not in fake.calls


# -------------------------------------------------------- mean free path

@pytest.mark.parametrize("T,rho,mu,mean_MW", [
    (1500.0, 0.21, 5.2e-5, 0.026),
    (300.0, 1.177, 1.8e-5, 0.029),
    (2500.0, 0.05, 8.0e-5, 0.0157),
])
def test_update_lambda_gas_uses_the_cached_state(sg, fake, unraisable, T, rho, mu, mean_MW):
    sg.update(T, 101325.0, [1.0], rho, mu, 1.0)
    sg.update_mean_MW(mean_MW)
    sg.update_lambda_gas()
    assert type(sg.lambda_gas) is float
    assert sg.lambda_gas == mean_free_path(mu, rho, mean_MW, T)
    assert sg.lambda_gas != mean_free_path(mu, rho, mean_MW, T, pi=math.pi)
    assert fake.calls == [] and unraisable == []


def test_mean_free_path_of_room_air(sg):
    sg.update(300.0, 101325.0, [0.79, 0.21], 1.177, 1.8e-5, 0.029)
    sg.update_lambda_gas()
    assert sg.lambda_gas == pytest.approx(6.5e-8, rel=0.02)


@pytest.mark.parametrize("T,mean_MW,mu,check", [
    (0.0, 0.029, 1.8e-5, math.isinf),                 # division by zero, no exception
    (0.0, 0.0, 1.8e-5, math.isnan),
    (-300.0, 0.029, 1.8e-5, math.isnan),              # square root of a negative
    (300.0, 0.029, 0.0, lambda v: v == 0.0),
    (float("nan"), 0.029, 1.8e-5, math.isnan),
    (1e300, 0.029, 1.8e-5, lambda v: 0.0 <= v < 1e-150),
])
def test_mean_free_path_limits(sg, unraisable, T, mean_MW, mu, check):
    sg.update(T, 101325.0, [1.0], 1.2, mu, mean_MW)
    sg.update_lambda_gas()
    assert type(sg.lambda_gas) is float and check(sg.lambda_gas)
    assert unraisable == []


def _nothing(g):
    pass


def _zero_density(g):
    g.update(1500.0, 1.0e5, [1.0], 0.0, 5.0e-5, 0.029)


@pytest.mark.parametrize("setup,exc_type,message", [
    (_nothing, TypeError, None),           # _mu and _rho still None
    (_zero_density, ZeroDivisionError, "float division by zero"),
])
def test_update_lambda_gas_reports_unraisable(unraisable, setup, exc_type, message):
    g = CSootGas(None)
    setup(g)
    g.update_lambda_gas()
    assert [u.object for u in unraisable] == [QUAL + "calc_lambda_gas"]
    assert unraisable[0].exc_type is exc_type
    if message is not None:
        assert str(unraisable[0].exc_value) == message
    assert type(g.lambda_gas) is float and g.lambda_gas == 0.0


@pytest.mark.parametrize("viscosity,after_update", [
    ("5e-5", True),              # text viscosity is cached, division fails
    (complex(5e-5, 1.0), True),  # result is no real number
    (np.float64(5e-5), False),   # density never cached: None
])
def test_update_transport_mix_reports_unraisable(fake, unraisable, viscosity, after_update):
    g = CSootGas(fake)
    if after_update:
        g.update(1500.0, 1.0e5, [1.0], 0.2, 1.0, 0.029)
    fake.visc = viscosity
    g.update_transport_mix()
    assert g.mu is viscosity
    assert [u.object for u in unraisable] == [QUAL + "calc_lambda_gas"]
    assert issubclass(unraisable[0].exc_type, TypeError)
    assert type(g.lambda_gas) is float and g.lambda_gas == 0.0


# ---------------------------------------------------- internal accessors

# The rate kernels of the other classes call these through the internal
# method table; ctypes reaches them through the published capsule.
INTERNAL = [("C", ctypes.c_double, [ctypes.c_int]),
            ("MW_c", ctypes.c_double, [ctypes.c_int]),
            ("calc_lambda_gas", ctypes.c_double, []),
            ("lambda_gas_c", ctypes.c_double, []),
            ("T_c", ctypes.c_double, []),
            ("P_c", ctypes.c_double, []),
            ("mu_c", ctypes.c_double, []),
            ("rho_c", ctypes.c_double, []),
            ("species_index", ctypes.c_int, [ctypes.py_object])]


def internal(g, name):
    get = ctypes.pythonapi.PyCapsule_GetPointer
    get.restype, get.argtypes = ctypes.c_void_p, [ctypes.py_object, ctypes.c_char_p]
    table = (ctypes.c_void_p * len(INTERNAL)).from_address(
        get(CSootGas.__dict__["__pyx_vtable__"], None))
    pos = [n for n, _, _ in INTERNAL].index(name)
    _, res, args = INTERNAL[pos]
    # PYFUNCTYPE keeps the interpreter lock and refuses a pending exception.
    fn = ctypes.PYFUNCTYPE(res, ctypes.py_object, *args)(table[pos])
    return lambda *a: fn(g, *a)


class OwnMeanMW(CSootGas):
    @property
    def mean_MW(self):
        return 0.013


def test_internal_accessors_read_the_cache(fake, unraisable):
    g = populated(CSootGas, fake)
    got = {n: internal(g, n)() for n in ("T_c", "P_c", "mu_c", "rho_c",
                                         "lambda_gas_c", "calc_lambda_gas")}
    assert got == {"T_c": 1500.0, "P_c": 101325.0, "mu_c": 5.0e-5, "rho_c": 0.25,
                   "lambda_gas_c": g.lambda_gas, "calc_lambda_gas": g.lambda_gas}
    assert [internal(g, "MW_c")(i) for i in range(3)] == g.MWs
    assert [internal(g, "C")(i) for i in range(3)] == [x * 0.25 / 0.026 for x in g._X]
    assert [internal(g, "species_index")(n) for n in "ABC"] == [0, 1, 2]
    assert unraisable == [] and fake.calls == []


def test_concentration_reads_mean_MW_by_name(fake):
    g = populated(OwnMeanMW, fake)
    assert internal(g, "C")(2) == 0.5 * 0.25 / 0.013
    g.__setstate__(_with("_rho", np.float64(0.25)) [:10] + (fake,))
    g._X = [0.5]
    assert internal(g, "C")(0) == 0.5 * 0.25 / 0.013


def _spoil_mean_MW(g):
    g.update_mean_MW(0.0)


def _spoil_rho(g):
    g.__setstate__(_with("_rho", "dense"))
    g._X = [0.5]


def _missing_name(g):
    return "Z"


@pytest.mark.parametrize("name,arg,setup,exc,message", [
    ("rho_c", (), None, TypeError, None),
    ("mu_c", (), None, TypeError, None),
    ("lambda_gas_c", (), None, TypeError, None),
    ("C", (0,), _spoil_mean_MW, ZeroDivisionError, "float division by zero"),
    ("C", (0,), _spoil_rho, TypeError, None),
    ("C", (3,), None, IndexError, None),
    ("C", (-1,), None, IndexError, None),
    ("MW_c", (3,), None, IndexError, None),
    ("species_index", ("Z",), None, KeyError, "'Z'"),
    ("species_index", ("A",), lambda g: g.set_species_indices(None), TypeError,
     "'NoneType' object is not subscriptable"),
    ("species_index", ("A",), lambda g: g.set_species_indices({"A": "one"}),
     TypeError, "an integer is required"),
], ids=["rho-None", "mu-None", "lambda-None", "C-zero-MW", "C-text-rho",
        "C-past-end", "C-negative", "MW-past-end", "index-missing",
        "index-no-dict", "index-not-int"])
def test_internal_accessor_failures_are_unraisable(fake, unraisable, capsys,
                                                   name, arg, setup, exc, message):
    g = CSootGas(fake) if name.endswith("_c") and not arg else populated(CSootGas, fake)
    if setup is not None:
        setup(g)
    assert internal(g, name)(*arg) == 0
    assert [u.object for u in unraisable] == [QUAL + name]
    assert unraisable[0].exc_type is exc
    if message is not None:
        assert str(unraisable[0].exc_value) == message
    assert exc.__name__ in capsys.readouterr().err  # the traceback is printed


def test_species_index_truncates_and_numpy_rules_apply(fake, unraisable):
    g = populated(CSootGas, fake)
    g.set_species_indices({"A": 2.9, "B": np.int64(1)})
    assert internal(g, "species_index")("A") == 2
    assert internal(g, "species_index")("B") == 1
    g.__setstate__(_with("_rho", np.float64(0.25)))
    g._X = [0.5]
    with np.errstate(divide="ignore"):
        assert internal(g, "C")(0) == math.inf  # NumPy number over 0.0
    assert unraisable == []


def test_species_index_survives_a_name_that_replaces_the_dictionary(fake, unraisable):
    g = populated(CSootGas, fake)

    class Name:
        busy = False

        def __hash__(self):
            return hash("A")

        def __eq__(self, other):
            if not Name.busy:
                Name.busy = True
                g.set_species_indices({})  # drops the dictionary being searched
                Name.junk = {"A": 99}      # and reuses its memory
            return other == "A"

    assert internal(g, "species_index")(Name()) == 0
    assert g._species_index_dict == {} and unraisable == []


def test_mean_free_path_takes_the_quotient_first(fake, unraisable):
    g = CSootGas(fake)

    class Viscosity:
        def __truediv__(self, rho):
            g._T = 600.0  # the root sees the state after the quotient
            return 2.0e-5 / rho

    g.update(300.0, 1.0e5, [1.0], 1.2, 1.0, 0.029)
    fake.visc = Viscosity()
    g.update_transport_mix()
    assert g.lambda_gas == mean_free_path(2.0e-5, 1.2, 0.029, 600.0)
    assert unraisable == []


# --------------------------------------------------------- live properties

def _perturb(f):
    f.wdot = f.wdot * 3.0
    f.y = f.y[::-1].copy()
    f.h_mol = f.h_mol + 1.0e6
    f.u_mol = f.u_mol - 1.0e6
    f.h_mass += 1.0
    f.u_mass += 1.0
    f.cv += 1.0
    f.cp_m += 1.0
    f.t += 100.0


@pytest.mark.parametrize("prop", list(LIVE))
def test_live_property_reads_the_gas_each_time(sg, fake, prop):
    attr, expected = LIVE[prop]
    first = getattr(sg, prop)
    assert fake.calls == [attr]
    np.testing.assert_array_equal(first, expected(fake))
    _perturb(fake)
    second = getattr(sg, prop)
    np.testing.assert_array_equal(second, expected(fake))
    assert not np.array_equal(first, second)
    assert fake.calls == [attr, attr]


def test_molar_enthalpies_are_not_internal_energies(sg, fake):
    np.testing.assert_array_equal(sg.h_mol_array, fake.h_mol / 1000)
    np.testing.assert_array_equal(sg.partial_molar_enthalpies_array, fake.h_mol / 1000)
    np.testing.assert_array_equal(sg.u_mol_array, fake.u_mol / 1000)
    np.testing.assert_array_equal(sg.partial_molar_int_energies_array, fake.u_mol / 1000)
    assert not np.array_equal(sg.h_mol_array, sg.u_mol_array)


@pytest.mark.parametrize("prop", ["w_array", "h_mol_array", "u_mol_array",
                                  "partial_molar_enthalpies_array",
                                  "partial_molar_int_energies_array"])
def test_computed_arrays_are_new_each_access(sg, prop):
    assert getattr(sg, prop) is not getattr(sg, prop)


def test_live_properties_ignore_the_cached_state(sg, fake):
    sg.update(300.0, 1.0e5, [1.0, 0.0, 0.0], 1.0, 1.0e-5, 0.002)
    np.testing.assert_array_equal(sg.w_array, fake.wdot * 1000)
    np.testing.assert_array_equal(sg.state, LIVE["state"][1](fake))


def test_cp_mass_is_read_only_and_reads_the_gas(sg, fake):
    # The energy balance of the stirred reactor needs the specific heat at constant pressure.
    assert sg.cp_mass == fake.cp_m and fake.calls == ["cp_mass"]
    with pytest.raises(AttributeError):
        sg.cp_mass = 1.0


# ---------------------------------------------------------- unusable gases

UNUSABLE = [None, object(), 42, "gri30.yaml"]


@pytest.mark.parametrize("gas", UNUSABLE, ids=["None", "object", "int", "str"])
@pytest.mark.parametrize("action", list(GAS_CALLS) + list(LIVE))
def test_unusable_gas_raises(gas, action):
    g = CSootGas(gas)
    expected = AttributeError if gas is None else (AttributeError, TypeError)
    with pytest.raises(expected):
        if action in GAS_CALLS:
            GAS_CALLS[action][0](g)
        else:
            getattr(g, action)


def test_without_gas_TPX_has_stored_T_and_P():
    g = CSootGas(None)
    with pytest.raises(AttributeError):
        g.update_thermo_TPX(NEW_T, NEW_P, X_NEW.copy())
    assert (g.T, g.P) == (NEW_T, NEW_P)
    assert g._X == [] and g.rho is None


def test_without_gas_the_cached_protocol_works(unraisable):
    g = CSootGas(None)
    g.update_MWs(np.array([0.002016, 0.031998]))
    g.set_species_indices({"H2": 0, "O2": 1})
    g.update(1500.0, 101325.0, [0.5, 0.5], 0.2, 5.0e-5, 0.017)
    g.update_mean_MW(0.018)
    g.update_lambda_gas()
    assert g.lambda_gas == mean_free_path(5.0e-5, 0.2, 0.018, 1500.0)
    assert g.n_species == 2 and g.X_array.tolist() == [0.5, 0.5]
    assert unraisable == []


def _x_as_list(f):
    f.x = [0.2, 0.3, 0.5]


def _x_as_text(f):
    f.x = np.array(["a", "b", "c"])


def _mw_as_text(f):
    f.mw = "24"


def _mw_none(f):
    f.mw = None


def _setter_not_callable(f):
    f.set_unnormalized_mass_fractions = 5


@pytest.mark.parametrize("spoil,exc", [
    (_x_as_list, AttributeError),      # X without tolist()
    (_x_as_text, TypeError),
    (_mw_as_text, TypeError),
    (_mw_none, TypeError),
    (_setter_not_callable, TypeError),
])
@pytest.mark.parametrize("method", ["update_thermo_TPUY", "update_thermo_TDUY"])
def test_spoilt_gas_values_raise(fake, spoil, exc, method):
    g = CSootGas(fake)
    spoil(fake)
    with pytest.raises(exc):
        GAS_CALLS[method][0](g)


@pytest.mark.parametrize("T,P", [
    (float("nan"), 101325.0), (float("inf"), 101325.0), (-1.0, -1.0),
    (1e308, 1e308), (0.0, 0.0),
])
def test_extreme_numbers_pass_through_to_the_gas(sg, fake, T, P):
    sg.update_thermo_TPUY(T, P, Y_NEW.copy())
    for got, want in ((sg.T, T), (sg.P, P)):
        assert got == want or (math.isnan(got) and math.isnan(want))
    assert tuple(fake.args["TP"])[0] == T or math.isnan(T)


def test_long_arrays(sg):
    n = 100_000
    sg.update(1500.0, 1.0e5, np.full(n, 1.0 / n), 0.2, 5.0e-5, 0.029)
    sg.update_MWs(np.full(n, 0.028))
    assert sg.n_species == n and sg.X_array.shape == (n,)


# ----------------------------------------------------------------- pickling

def test_reduce_of_plain_wrappers():
    g = CSootGas(None)
    assert g.__reduce__() == (restore, (CSootGas, CHECKSUM, FRESH_STATE))
    g._T = 5.0
    g._X = [0.5]
    state = list(FRESH_STATE)
    state[FIELD_ORDER.index("_T")] = 5.0
    state[FIELD_ORDER.index("_X")] = [0.5]
    assert g.__reduce__() == (restore, (CSootGas, CHECKSUM, tuple(state)))


def test_reduce_state_is_in_field_name_order(fake):
    g = populated(CSootGas, fake)
    func, args, state = g.__reduce__()
    assert func is restore and args == (CSootGas, CHECKSUM, None)
    assert len(state) == len(FIELD_ORDER)
    by_name = dict(zip(FIELD_ORDER, state))
    assert by_name["_MW_array"] is g.MW_array
    assert by_name["_MWs"] == [0.002016, 0.031998, 0.028014]
    assert (by_name["_P"], by_name["_T"]) == (101325.0, 1500.0)
    assert by_name["_X"] == [0.2, 0.3, 0.5]
    assert by_name["_lambda_gas"] == g.lambda_gas
    assert by_name["_mean_MW"] == 0.026
    assert (by_name["_mu"], by_name["_rho"]) == (5.0e-5, 0.25)
    assert by_name["_species_index_dict"] is g._species_index_dict
    assert by_name["cantera_gas"] is fake


def test_setstate_fills_every_field():
    g = CSootGas(None)
    gas, arr, d = FakeGas(), np.array([0.01]), {"A": 0}
    g.__setstate__((arr, [0.01], 2.0, 3.0, [1.0], 4.0, 5.0, 6.0, 7.0, d, gas))
    assert g.MW_array is arr and g.MWs == [0.01]
    assert (g.P, g.T, g._X, g.lambda_gas) == (2.0, 3.0, [1.0], 4.0)
    assert (g.mean_MW, g.mu, g.rho) == (5.0, 6.0, 7.0)
    assert g._species_index_dict is d and g.cantera_gas is gas


def _with(name, value):
    state = list(FRESH_STATE)
    state[FIELD_ORDER.index(name)] = value
    return tuple(state)


@pytest.mark.parametrize("state", [
    _with("_MW_array", [0.002]),
    _with("_MWs", 5),
    _with("_P", "1 atm"),
    _with("_T", None),
    _with("_X", ["a"]),
    _with("_mean_MW", "x"),
    _with("_species_index_dict", [("A", 0)]),
    FRESH_STATE[:5],
    42,
], ids=["MW_array-list", "MWs-int", "P-text", "T-None", "X-text", "mean_MW-text",
        "dict-list", "short", "int"])
def test_bad_states_are_refused(state):
    with pytest.raises((TypeError, IndexError, ValueError)):
        CSootGas(None).__setstate__(state)
    with pytest.raises((TypeError, IndexError, ValueError)):
        restore(CSootGas, CHECKSUM, state)


def test_setstate_needs_a_state():
    # restore(cls, checksum, None) is the bare-object form; __setstate__ is not
    with pytest.raises(TypeError):
        CSootGas(None).__setstate__(None)


@pytest.mark.parametrize("protocol", [0, 2, pickle.HIGHEST_PROTOCOL])
def test_pickle_round_trip(fake, protocol):
    g = populated(CSootGas, fake)
    h = pickle.loads(pickle.dumps(g, protocol))
    assert type(h) is CSootGas
    assert_same_fields(g, h)
    assert isinstance(h.cantera_gas, FakeGas)
    assert h.cantera_gas.snapshot() == fake.snapshot()
    h.update_transport()  # the restored wrapper drives its restored gas
    assert h.mu == fake.visc and h.cantera_gas.calls[-1] == "viscosity"


def test_pickle_round_trip_of_fresh_wrapper():
    h = pickle.loads(pickle.dumps(CSootGas(None)))
    assert h.__reduce__() == (restore, (CSootGas, CHECKSUM, FRESH_STATE))


def test_pickle_keeps_subclass_and_instance_dict(fake):
    g = populated(TaggedGas, fake)
    g.tag = "run-7"
    g.extra = [1, 2]
    state = g.__reduce__()[2]
    assert len(state) == len(FIELD_ORDER) + 1
    assert state[-1] == {"tag": "run-7", "extra": [1, 2]}
    h = pickle.loads(pickle.dumps(g))
    assert type(h) is TaggedGas
    assert (h.tag, h.extra) == ("run-7", [1, 2])
    assert_same_fields(g, h)


def test_copy_and_deepcopy(fake):
    g = populated(CSootGas, fake)
    d = copy.deepcopy(g)
    assert_same_fields(g, d)
    assert d.cantera_gas is not fake and d.cantera_gas.snapshot() == fake.snapshot()
    assert d.MW_array is not g.MW_array
    assert d._species_index_dict is not g._species_index_dict
    c = copy.copy(g)
    assert_same_fields(g, c)
    assert c.cantera_gas is fake and c.MW_array is g.MW_array
    c._X = [1.0]
    assert g._X == [0.2, 0.3, 0.5]  # native arrays are not shared


# ---------------------------------------------------- garbage collection

@pytest.mark.parametrize("where", ["cantera_gas", "_species_index_dict",
                                   "_mu", "_rho", "_lambda_gas"])
def test_reference_cycles_are_collected(where):
    holder = Holder()
    g = CSootGas(None)
    holder.ref = g
    if where == "cantera_gas":
        g.cantera_gas = holder
    elif where == "_species_index_dict":
        g.set_species_indices({"H": holder})
    else:
        g.__setstate__(_with(where, holder))
    probe = weakref.ref(holder)
    del holder, g
    gc.collect()
    assert probe() is None


# ------------------------------------------------------ real Cantera gas

def test_gri30_TPUY_then_transport(gri30):
    g = CSootGas(gri30)
    Y = gri30.Y * 1.05  # unnormalised on purpose
    T, P = 1650.0, 2.0 * 101325.0
    g.update_thermo_TPUY(T, P, Y)
    assert (g.T, g.P) == (T, P)
    assert gri30.T == T and gri30.P == pytest.approx(P)
    assert g.mean_MW == gri30.mean_molecular_weight / 1000
    assert g.rho == gri30.density
    np.testing.assert_array_equal(g.X_array, gri30.X)
    assert g.mu is None and g.lambda_gas is None
    g.update_transport()
    assert g.mu == gri30.viscosity
    assert g.lambda_gas == mean_free_path(g.mu, g.rho, g.mean_MW, T)
    assert 1e-8 < g.lambda_gas < 1e-5


def test_gri30_TDUY(gri30):
    g = CSootGas(gri30)
    g.update_thermo_TDUY(1400.0, 0.3, gri30.Y)
    assert g.T == 1400.0 and g.rho == 0.3
    assert g.P == gri30.P
    np.testing.assert_array_equal(g.X_array, gri30.X)
    assert g.mean_MW == gri30.mean_molecular_weight / 1000


def test_gri30_TPX_and_TPXmw(gri30):
    X = gri30.X * 1.5
    g = CSootGas(gri30)
    g.update_thermo_TPX(1600.0, 101325.0, X)
    np.testing.assert_array_equal(g.X_array, X)          # caller's values
    assert gri30.X.sum() == pytest.approx(1.0)
    assert g.rho == gri30.density
    assert g.mean_MW == gri30.mean_molecular_weight / 1000
    g.update_thermo_TPXmw(1600.0, 101325.0, X)
    np.testing.assert_array_equal(g.X_array, gri30.X)    # gas's normalised ones
    assert g.X_array.sum() == pytest.approx(1.0)
    np.testing.assert_allclose(g.X_array, X / 1.5, rtol=1e-12)


def test_gri30_update_thermo(gri30):
    g = CSootGas(gri30)
    T, P, X = gri30.T, gri30.P, gri30.X
    g.update_thermo()
    # the state read before is what gets cached; the gas renormalises X itself
    assert (g.T, g.P) == (T, P)
    np.testing.assert_array_equal(g.X_array, X)
    assert g.rho == gri30.density
    assert g.mean_MW == gri30.mean_molecular_weight / 1000


def test_gri30_molar_masses_give_the_mean(gri30):
    g = CSootGas(gri30)
    g.update_MWs(gri30.molecular_weights / 1000)
    assert g.n_species == gri30.n_species == len(gri30.species_names)
    g.update_thermo_TPUY(1500.0, 101325.0, gri30.Y)
    assert np.dot(g.X_array, g.MW_array) == pytest.approx(g.mean_MW, rel=1e-12)


def test_gri30_live_properties(gri30):
    g = CSootGas(gri30)
    np.testing.assert_array_equal(g.w_array, gri30.net_production_rates * 1000)
    np.testing.assert_array_equal(g.Y_array, gri30.Y)
    np.testing.assert_array_equal(g.h_mol_array, gri30.partial_molar_enthalpies / 1000)
    np.testing.assert_array_equal(g.u_mol_array, gri30.partial_molar_int_energies / 1000)
    assert g.h_mass_total == gri30.enthalpy_mass
    assert g.u_mass_total == gri30.int_energy_mass
    assert g.cv_mass == gri30.cv_mass
    assert g.cp_mass == gri30.cp_mass
    np.testing.assert_array_equal(g.state, gri30.state)


def test_gri30_ideal_gas_enthalpy_minus_energy_is_RT(gri30):
    g = CSootGas(gri30)
    R = 8.31446261815324  # J/(mol K)
    np.testing.assert_allclose(g.h_mol_array - g.u_mol_array,
                               np.full(gri30.n_species, R * gri30.T), rtol=1e-8)
    np.testing.assert_allclose(g.partial_molar_enthalpies_array - g.partial_molar_int_energies_array,
                               R * gri30.T, rtol=1e-8)


def test_gri30_production_rates_conserve_mass(gri30):
    g = CSootGas(gri30)
    terms = g.w_array * (gri30.molecular_weights / 1000)  # kg/(m3 s)
    assert abs(terms.sum()) <= 1e-9 * np.abs(terms).sum()
    assert np.abs(g.w_array).max() > 0.0


def test_gri30_live_properties_follow_the_gas(gri30):
    g = CSootGas(gri30)
    w1, h1 = g.w_array, g.h_mol_array
    gri30.TP = 1100.0, 101325.0
    w2, h2 = g.w_array, g.h_mol_array
    assert not np.array_equal(w1, w2) and not np.array_equal(h1, h2)
    np.testing.assert_array_equal(w2, gri30.net_production_rates * 1000)


@pytest.mark.parametrize("call,keeps_T", [
    (lambda g, Y: g.update_thermo_TPUY(1500.0, 101325.0, np.ones(3)), True),
    (lambda g, Y: g.update_thermo_TDUY(1500.0, 0.2, np.ones(60)), True),
    (lambda g, Y: g.update_thermo_TPUY(-100.0, 101325.0, Y), True),
    (lambda g, Y: g.update_thermo_TPUY(float("nan"), 101325.0, Y), True),
    (lambda g, Y: g.update_thermo_TPUY(1500.0, -1.0, Y), True),
    (lambda g, Y: g.update_thermo_TDUY(1500.0, -0.2, Y), True),
    (lambda g, Y: g.update_thermo_TPX(1500.0, 101325.0, np.ones(2)), False),
    (lambda g, Y: g.update_thermo_TPXmw(1500.0, 101325.0, np.ones(2)), False),
], ids=["TPUY-short-Y", "TDUY-long-Y", "TPUY-negative-T", "TPUY-nan-T",
        "TPUY-negative-P", "TDUY-negative-D", "TPX-short-X", "TPXmw-short-X"])
def test_gri30_refusals_raise(gri30, call, keeps_T):
    g = CSootGas(gri30)
    with pytest.raises(Exception):
        call(g, gri30.Y)
    if keeps_T:
        assert g.T == 0.0   # refused before T is cached
    else:
        assert g.T == 1500.0  # TPX caches T first


@pytest.mark.parametrize("T", [1e30, 5.0, 1e-300])
def test_gri30_extreme_states_do_not_crash(gri30, T):
    g = CSootGas(gri30)
    try:
        g.update_thermo_TPUY(T, 101325.0, gri30.Y)
        g.update_transport()
    except Exception:
        pass
    assert isinstance(g.T, float)
    assert isinstance(g.X_array, np.ndarray)
