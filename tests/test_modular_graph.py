"""The whole modular graph on a real Cantera gas (gri30 with benzene, naphthalene and pyrene):
element balances through the protocol, limiting cases, pickling and deep copies of the graph,
and hostile use of the particle model and the soot wrapper."""

import copy
import importlib
import io
import pickle

import numpy as np
import pytest

ct = pytest.importorskip("cantera")
import modular  # noqa: E402

mod = importlib.import_module("pyrandel.lib._pyrandel")

STATES = [  # (T, P, soot block)
    (1800.0, 101325.0, modular.SOOT),
    (1500.0, 2.0e5, np.array([5.0e-10, 5.0e-9, 2.0e-5, 4.0e-6])),
    (2100.0, 101325.0, np.array([1.0e-8, 1.2e-8, 1.0e-4, 1.5e-5])),
]


@pytest.fixture(scope="module")
def built():
    gas = modular.pah_gas()
    sg, sw, model = modular.graph(mod, gas)
    return gas, sg, sw, model


def run(built, T, P, soot):
    gas, sg, sw, model = built
    gas.TPX = T, P, modular.RICH_X
    return modular.step(sg, model, T, P, gas.Y, soot)


@pytest.mark.parametrize("T,P,soot", STATES)
def test_carbon_taken_from_the_gas_is_carbon_added_to_soot(built, T, P, soot):
    gas, sg, sw, model = built
    _, src, w = run(built, T, P, soot)
    pah, surf = sw.PAH_growth_model, sw.surface_reactions_model
    # every process is on and contributes
    assert pah.C_tot_inception_total() > 0 and pah.C_tot_PAH_total() > 0
    assert surf.C_tot_growth() > 0 and surf.C_tot_oxidation() < 0
    rho = sg.rho
    carbon_gas = w @ modular.element_counts(gas, "C")          # mol C/(m3 s)
    scale = max(abs(rho * model.growth(2)), abs(rho * model.inception(2)), abs(rho * model.oxidation(2)))
    assert abs(carbon_gas + rho * src[2]) <= 1e-12 * scale
    assert src[2] == model.S_C_tot() and src[3] == model.S_H_tot()


def test_coagulation_alone_changes_only_the_aggregates():
    gas = modular.pah_gas()
    sg, sw, model = modular.graph(mod, gas)
    for name in ("inception_enabled", "PAH_adsorption_enabled", "surface_growth_enabled", "oxidation_enabled"):
        setattr(sw, name, False)
    _, src, w = modular.step(sg, model, 1800.0, 101325.0, gas.Y, modular.SOOT)
    assert src[0] < 0 and src[1:].tolist() == [0.0, 0.0, 0.0]
    assert not w.any()


def test_soot_off_gives_no_sources_and_no_scrubbing():
    gas = modular.pah_gas()
    sg, sw, model = modular.graph(mod, gas)
    sw.soot_enabled = False
    out, src, w = modular.step(sg, model, 1800.0, 101325.0, gas.Y, modular.SOOT)
    assert out.tolist() == modular.SOOT.tolist()
    assert not w.any()
    # the totals stay as installation left them; only coagulation acts on the soot state
    assert src[1:].tolist() == [0.0, 0.0, 0.0]


def test_units_of_the_exchange():
    gas = modular.pah_gas()
    sg, sw, model = modular.graph(mod, gas)
    _, src, w = modular.step(sg, model, 1800.0, 101325.0, gas.Y, modular.SOOT)
    # w_scrub in mol/(m3 s): the acetylene taken by HACA growth is the surface model's rate
    i = gas.species_index("C2H2")
    assert w[i] == pytest.approx(-sw.surface_reactions_model._surface_growth_rate, rel=1e-12)
    assert model.volume_fraction() == pytest.approx(
        sg.rho * (0.001008 * modular.SOOT[3] + 0.012011 * modular.SOOT[2]) / 1800.0, rel=1e-15)
    assert sg.MW_array[i] == pytest.approx(0.026038, rel=1e-4)     # kg/mol


class _GasPickler(pickle.Pickler):
    def persistent_id(self, obj):
        return "gas" if isinstance(obj, ct.Solution) else None


class _GasUnpickler(pickle.Unpickler):
    def persistent_load(self, pid):
        return modular.pah_gas()


def _pickled(obj):
    buf = io.BytesIO()
    _GasPickler(buf, protocol=pickle.HIGHEST_PROTOCOL).dump(obj)
    buf.seek(0)
    return _GasUnpickler(buf).load()


@pytest.mark.parametrize("how", ["pickle", "deepcopy"])
def test_copied_graph_gives_an_identical_next_step(how):
    gas = modular.pah_gas()
    sg, sw, model = modular.graph(mod, gas)
    sw.surface_reactions_model.alpha_model = "composition"
    modular.step(sg, model, 1700.0, 101325.0, gas.Y, modular.SOOT)
    if how == "pickle":
        twin = _pickled(model)
    else:
        twin = copy.deepcopy(model, {id(gas): modular.pah_gas()})
    tw = twin.soot_wrapper
    # the cycles are rebuilt between the copies, not back to the originals
    assert tw.soot_model is twin and tw.PAH_growth_model.soot_wrapper is tw
    assert tw.surface_reactions_model.soot_wrapper is tw and tw.soot_gas is not sg
    assert twin.w_scrub is not model.w_scrub
    Y = gas.Y
    a = modular.step(sg, model, 1900.0, 101325.0, Y, modular.SOOT * 1.1)
    b = modular.step(tw.soot_gas, twin, 1900.0, 101325.0, Y, modular.SOOT * 1.1)
    for x, y in zip(a, b):
        assert x.tolist() == y.tolist()


HOSTILE = r'''
import gc, math, sys
import numpy as np
sys.path.insert(0, TESTS)
import modular
import pyrandel.lib._pyrandel as mod
sys.unraisablehook = lambda u: None
sys.setrecursionlimit(200)

VALUES = [None, 0, -1, 7, 2**70, -2**70, 1.5, math.nan, math.inf, "x", b"", [], {}, (1,), object(),
          np.zeros(0), np.zeros(3), np.zeros(4), np.zeros((2, 2)), np.zeros(4, dtype=np.int32),
          np.zeros(4)[::2], memoryview(b"abcdefgh"), mod.CSootWrapper(None)]
gas = modular.pah_gas()

def fresh():
    sg, sw, model = modular.graph(mod, gas)
    sg.update_thermo_TPUY(1800.0, 101325.0, gas.Y)
    sg.update_transport()
    model.set_vars(modular.SOOT)
    return sg, sw, model

def sweep(obj):
    for name in dir(obj):
        if name.startswith("__"):
            continue
        try:
            attr = getattr(obj, name)
        except Exception:
            continue
        if not callable(attr):
            for v in VALUES:
                try:
                    setattr(obj, name, v)
                except Exception:
                    pass
            continue
        for args in [()] + [(v,) for v in VALUES] + [(v, v, v) for v in VALUES[:6]]:
            try:
                attr(*args)
            except Exception:
                pass

for target in ("model", "wrapper"):
    for _ in range(2):
        sg, sw, model = fresh()
        sweep(model if target == "model" else sw)
        sg, sw, model = fresh()
        for step in ("update", "update_w_scrub", "S_N_agg", "S_C_tot", "S_H_tot", "diffusion_coefficient"):
            try:
                getattr(model, step)()
            except Exception:
                pass

# callbacks that pull objects and arrays away in the middle of a step
class Evil(mod.CMonodisperseSootModel):
    def d_p(self):
        w = self.soot_wrapper
        w.set_precursors([], [], [])
        w.soot_gas = None
        self.w_scrub = np.zeros(1)
        self.soot_wrapper = None
        return 1e-9

    def inception(self, v):
        self.soot_wrapper = None
        return 0.0

class EvilSurf(mod.CFrenklachHACA):
    def update_w_scrub(self, w):
        self.soot_wrapper.soot_model.w_scrub = None
        self.soot_wrapper.PAH_growth_model = None
        return super().update_w_scrub(w)

for cls_model, cls_surf in ((Evil, "CFrenklachHACA"), ("CMonodisperseSootModel", EvilSurf)):
    sg, sw, model = modular.graph(mod, gas, model_cls=cls_model, surf_cls=cls_surf)
    sg.update_thermo_TPUY(1800.0, 101325.0, gas.Y)
    sg.update_transport()
    model.set_vars(modular.SOOT)
    for step in ("update", "update_w_scrub", "S_N_agg", "S_C_tot", "update", "update_w_scrub"):
        try:
            getattr(model, step)()
        except Exception:
            pass
        gc.collect()
print("survived")
'''


def test_hostile_use_never_crashes(run_python):
    modular.survives(run_python, HOSTILE)


def test_fast_path_equals_the_path_by_name():
    """A do-nothing Python subclass takes every step by name; the results are the same bits."""
    Plain = type("Plain", (mod.CMonodisperseSootModel,), {})
    Named = type("Named", (mod.CMonodisperseSootModel,), {
        n: (lambda n: lambda self, *a: getattr(mod.CMonodisperseSootModel, n)(self, *a))(n)
        for n in ("d_p", "n_p", "A_tot", "inception", "growth", "oxidation", "coagulation", "S_C_tot")})
    results = []
    for cls in ("CMonodisperseSootModel", Plain, Named):
        gas = modular.pah_gas()
        sg, sw, model = modular.graph(mod, gas, model_cls=cls)
        for T, P, soot in STATES:
            gas.TPX = T, P, modular.RICH_X
            out = modular.step(sg, model, T, P, gas.Y, soot)
            results.append([x.tolist() for x in out] + [model.coagulation_mass(), model.S_N_agg()])
    n = len(STATES)
    assert results[:n] == results[n:2 * n] == results[2 * n:]


PAH_MODELS = ("CReactDim", "CDimerCoal", "CDimerCoalMod", "CCrossLink", "CCrossLinkMod", "CCrossLinkMerge")


def lighter_masses(sg, sw):
    sg.update_MWs(sg.MW_array * 0.9)


def other_counts(sg, sw):
    sw.set_precursors(sw.PAH_indices, [c + 2.0 for c in sw.PAH_n_C], [h + 1.0 for h in sw.PAH_n_H])


@pytest.mark.parametrize("change", [lighter_masses, other_counts])
@pytest.mark.parametrize("pah", PAH_MODELS)
def test_precursor_geometry_follows_masses_and_counts(pah, change):
    """Molecule sizes kept between steps are recomputed once the molar masses or the counts change:
    the next steps equal those of a graph built with the new values."""
    gas = modular.pah_gas()
    sg, sw, model = modular.graph(mod, gas, pah_cls=pah)
    fresh_gas = modular.pah_gas()
    fresh = modular.graph(mod, fresh_gas, pah_cls=pah)
    T, P, soot = STATES[0]
    gas.TPX = T, P, modular.RICH_X
    modular.step(sg, model, T, P, gas.Y, soot)               # sizes of the old values are kept
    change(sg, sw)
    change(*fresh[:2])
    for T, P, soot in STATES:
        got = run((gas, sg, sw, model), T, P, soot)
        want = run((fresh_gas,) + fresh, T, P, soot)
        assert [x.tolist() for x in got] == [x.tolist() for x in want]


@pytest.mark.parametrize("pah", PAH_MODELS)
def test_graphs_stepped_in_turn_each_give_their_own_steps(pah):
    """Values kept between steps belong to the objects that computed them: two graphs stepped in
    turn, at their own states and again at each other's, give exactly the steps of a graph that
    takes each state alone."""
    def fresh_step(T, P, soot):
        gas = modular.pah_gas()
        return [x.tolist() for x in run((gas,) + modular.graph(mod, gas, pah_cls=pah), T, P, soot)]

    want = [fresh_step(*s) for s in STATES]
    graphs = []
    for _ in range(2):
        gas = modular.pah_gas()
        graphs.append((gas,) + modular.graph(mod, gas, pah_cls=pah))
    for g, s in [(0, 0), (1, 1), (0, 0), (1, 0), (0, 2), (1, 1), (0, 1), (1, 1)]:
        assert [x.tolist() for x in run(graphs[g], *STATES[s])] == want[s], (g, s)
