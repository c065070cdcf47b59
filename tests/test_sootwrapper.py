"""Soot wrapper CSootWrapper: switches, typed model fields, installation resets, precursor lists."""

import copy
import gc
import pickle

import numpy as np
import pytest

import importlib

mod = importlib.import_module("pyrandel.lib._pyrandel")

SWITCHES = {
    "soot_enabled": True, "inception_enabled": True, "PAH_adsorption_enabled": True,
    "surface_growth_enabled": True, "oxidation_enabled": True, "coagulation_enabled": True,
    "carbonization_enabled": False, "scrubbing_enabled": True, "coalescence_enabled": False,
}


def gas3():
    g = mod.CSootGas(None)
    g.update_MWs(np.array([0.002016, 0.031998, 0.028014]))
    g.set_species_indices({"H2": 0, "O2": 1, "N2": 2})
    return g


class Recorder:
    """Mixin recording the protocol calls a model receives by name."""

    def _reset(self):
        self.log.append("_reset")
        return super()._reset()

    def create_PAH_dimer(self):
        self.log.append("create_PAH_dimer")


def recording(base_name):
    base = getattr(mod, base_name)
    cls = type("Rec" + base_name, (Recorder, base), {})

    def make(w):
        obj = cls(w)
        obj.log = []
        return obj
    return make


@pytest.fixture
def sw():
    return mod.CSootWrapper(gas3())


def test_new_wrapper_defaults(sw):
    for name, value in SWITCHES.items():
        assert getattr(sw, name) is value, name
    assert sw.partial_particle_addition is True
    assert (sw.soot_model, sw.PAH_growth_model, sw.surface_reactions_model) == (None, None, None)
    assert (sw.PAH_indices, sw.PAH_n_C, sw.PAH_n_H) == ([], [], [])
    bare = mod.CSootWrapper.__new__(mod.CSootWrapper)
    assert not any(getattr(bare, n) for n in SWITCHES) and bare.partial_particle_addition is None


def test_constructor_checks_the_gas_wrapper_and_calls_reset_flags_by_name():
    assert mod.CSootWrapper(None).soot_gas is None
    assert mod.CSootWrapper(soot_gas=None).soot_enabled
    with pytest.raises(TypeError, match=r"^Cannot convert int to pyrandel\.lib\._pyrandel\.CSootGas$"):
        mod.CSootWrapper(3)
    with pytest.raises(TypeError):
        mod.CSootWrapper()

    class Quiet(mod.CSootWrapper):
        def _reset_flags(self):
            self.soot_enabled = False

    q = Quiet(None)
    assert q.soot_enabled is False and q.coagulation_enabled is False and q.partial_particle_addition is None


def test_reset_flags_restores_switches_only(sw):
    m = mod.CSootModelBase(sw)
    sw.soot_model = m
    sw.PAH_indices = [1]
    for name in SWITCHES:
        setattr(sw, name, not SWITCHES[name])
    sw.partial_particle_addition = "lumped"
    assert sw._reset_flags() is None
    assert {n: getattr(sw, n) for n in SWITCHES} == SWITCHES
    assert sw.partial_particle_addition is True and sw.soot_model is m and sw.PAH_indices == [1]


@pytest.mark.parametrize("field,cls", [
    ("soot_gas", "CSootGas"), ("soot_model", "CSootModelBase"),
    ("PAH_growth_model", "CPAHGrowthBase"), ("surface_reactions_model", "CSurfaceReactionsBase")])
def test_typed_fields_refuse_other_classes(sw, field, cls):
    pattern = r"^Cannot convert pyrandel\.lib\._pyrandel\.CSootWrapper to pyrandel\.lib\._pyrandel\.%s$"
    with pytest.raises(TypeError, match=pattern % cls):
        setattr(sw, field, sw)
    setattr(sw, field, None)
    assert getattr(sw, field) is None
    sw.soot_gas = gas3()
    delattr(sw, field)
    assert getattr(sw, field) is None


def test_switches_store_truth_and_lists_copy(sw):
    sw.scrubbing_enabled = []
    sw.carbonization_enabled = "yes"
    assert sw.scrubbing_enabled is False and sw.carbonization_enabled is True
    for name in ("soot_enabled", "PAH_indices", "PAH_n_C"):
        with pytest.raises(NotImplementedError, match="^__del__$"):
            delattr(sw, name)
    sw.partial_particle_addition = 0.5
    del sw.partial_particle_addition
    assert sw.partial_particle_addition is None
    src = [3, 7.9]
    sw.PAH_indices = src
    src.append(1)
    assert sw.PAH_indices == [3, 7] and sw.PAH_indices is not sw.PAH_indices


@pytest.mark.parametrize("method,cls,msg", [
    ("set_soot_model", "CSootModelBase", "soot_model must be an instance of CSootModelBase"),
    ("set_PAH_growth_model", "CPAHGrowthBase", "PAH_growth_model must be an instance of CPAHGrowthBase"),
    ("set_surface_reactions_model", "CSurfaceReactionsBase",
     "surface_reactions_model must be an instance of CSurfaceReactionsBase"),
])
def test_installers_refuse_none_and_other_classes(sw, method, cls, msg):
    field = method[4:]
    keep = getattr(mod, cls)(sw)
    setattr(sw, field, keep)
    for bad in (None, 1, sw, mod.CSootGas(None)):
        with pytest.raises(TypeError, match="^%s$" % msg):
            getattr(sw, method)(bad)
        assert getattr(sw, field) is keep
    with pytest.raises(TypeError):
        getattr(sw, method)(keep, keep)


@pytest.mark.parametrize("method,cls,calls", [
    ("set_soot_model", "CSootModelBase", ["_reset"]),
    ("set_PAH_growth_model", "CPAHGrowthBase", ["_reset", "create_PAH_dimer"]),
    ("set_surface_reactions_model", "CSurfaceReactionsBase", ["_reset"]),
])
def test_installers_reset_by_name_and_attribute_assignment_does_not(sw, method, cls, calls):
    field = method[4:]
    model = recording(cls)(sw)
    setattr(sw, field, model)
    assert model.log == []
    assert getattr(sw, method)(model) is None
    assert getattr(sw, field) is model and model.log == calls


def test_particle_model_reset_on_installation_sizes_w_scrub(sw):
    m = mod.CMonodisperseSootModel(sw)
    m.set_vars(np.array([1.0, 2.0, 3.0, 4.0]))
    first = m.w_scrub
    sw.soot_gas.update_MWs(np.ones(5))
    sw.soot_model = m                       # attribute: nothing happens
    assert m.N_agg() == 1.0 and m.w_scrub is first and len(first) == 3
    sw.set_soot_model(m)                    # installation: floors and a new array
    assert m.N_agg() == m.N_agg_min and len(m.w_scrub) == 5


def test_bare_bases_stay_installed_when_their_protocol_fails(sw):
    base = mod.CPAHGrowthBase(sw)
    with pytest.raises(AttributeError, match="create_PAH_dimer"):
        sw.set_PAH_growth_model(base)
    assert sw.PAH_growth_model is base
    gasless = mod.CSootWrapper(None)
    with pytest.raises(AttributeError, match="n_species|soot_gas"):
        gasless.set_soot_model(mod.CSootModelBase(gasless))
    assert isinstance(gasless.soot_model, mod.CSootModelBase)


def test_set_precursors_stores_copies_and_sizes_the_PAH_model(sw):
    pah = recording("CPAHGrowthBase")(sw)
    sw.PAH_growth_model = pah
    ids, nc, nh = (i for i in [3, 7]), (16, 24), np.array([10.0, 12.0])
    assert sw.set_precursors(ids, nc, nh) is None
    assert (sw.PAH_indices, sw.PAH_n_C, sw.PAH_n_H) == ([3, 7], [16.0, 24.0], [10.0, 12.0])
    assert pah.log == ["create_PAH_dimer"]
    sw.set_precursors(PAH_indices=[1], PAH_n_C=[6], PAH_n_H=[6])
    assert sw.PAH_n_H == [6.0] and pah.log == ["create_PAH_dimer"] * 2


def test_set_precursors_without_model_or_with_bad_lists(sw):
    with pytest.raises(AttributeError, match="'NoneType' object has no attribute 'create_PAH_dimer'"):
        sw.set_precursors([3, 7], [16, 24], [10, 12])
    assert sw.PAH_indices == [3, 7] and sw.PAH_n_H == [10.0, 12.0]
    pah = recording("CPAHGrowthBase")(sw)
    sw.PAH_growth_model = pah
    with pytest.raises(TypeError):
        sw.set_precursors([1], ["x"], [6])
    with pytest.raises(OverflowError):
        sw.set_precursors([2 ** 40], [1], [1])
    with pytest.raises(TypeError):
        sw.set_precursors([5], [6], None)
    # the lists before the failing one are replaced, the rest keep their contents
    assert (sw.PAH_indices, sw.PAH_n_C, sw.PAH_n_H) == ([5], [6.0], [10.0, 12.0])
    assert pah.log == []


def test_pickle_and_deepcopy_keep_switches_lists_and_models(sw):
    m = mod.CSootModelBase(sw)
    sw.soot_model = m
    sw.PAH_indices, sw.PAH_n_C, sw.PAH_n_H = [0, 2], [6, 10], [6, 8]
    sw.coalescence_enabled, sw.scrubbing_enabled, sw.partial_particle_addition = True, False, "all"
    for twin in (pickle.loads(pickle.dumps(sw)), copy.deepcopy(sw)):
        assert {n: getattr(twin, n) for n in SWITCHES} == {n: getattr(sw, n) for n in SWITCHES}
        assert (twin.PAH_indices, twin.PAH_n_C, twin.PAH_n_H) == ([0, 2], [6.0, 10.0], [6.0, 8.0])
        assert twin.partial_particle_addition == "all"
        assert twin.soot_model.soot_wrapper is twin          # the cycle is rebuilt
        assert twin.soot_gas.MWs == sw.soot_gas.MWs


def test_wrapper_model_cycles_are_collected():
    import weakref

    class Sub(mod.CSootWrapper):
        pass

    w = Sub(gas3())
    w.soot_model = mod.CSootModelBase(w)
    ref = weakref.ref(w)
    del w
    gc.collect()
    assert ref() is None
