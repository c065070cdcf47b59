"""A set-up step the caller missed is named in the message of the error it leads to; the type of the
error and the point where it is raised stay as they were."""
import contextlib
import io

import numpy as np
import pytest

from gases import configured_model, pah_gas
from modular import RICH_X, SOOT, graph, step
from modular import pah_gas as modular_pah_gas

INITIALIZE = "initialize() has not run since the precursors or the PAH-growth variant were set; call initialize()"
UNEQUAL = "PAH_index_in_gas, PAH_Number_Carbon and PAH_Number_Hydrogen differ in length"
UPDATE_MWS = "the gas wrapper has no molar masses; call update_MWs(MWs) first"
SOOT_WRAPPER = ("'NoneType' object has no attribute 'soot_model': the reactor has no soot wrapper; "
                "call set_soot_wrapper(soot_wrapper) first")
SOLUTION = np.array([1e-8, 1e-7, 1e-3, 2e-4])


@pytest.fixture(scope="module")
def gas():
    g, _ = pah_gas()
    g.TPX = 1800.0, 101325.0, RICH_X
    return g


def fed(gas, soot):
    soot.update_gas(gas.T, gas.P, gas.density, gas.viscosity, gas.mean_molecular_weight, gas.X)
    return soot


def classic(gas, variant, cls=None):
    with contextlib.redirect_stdout(io.StringIO()):
        return fed(gas, configured_model(gas, ["A4"], variant, cls=cls))


def two_precursors(gas, soot):
    soot.PAH_index_in_gas = [gas.species_index("A4"), gas.species_index("A2")]
    soot.PAH_Number_Carbon = [16, 10]
    soot.PAH_Number_Hydrogen = [10, 8]


@pytest.mark.parametrize("subclass", [False, True], ids=["CSootModel", "subclass"])
@pytest.mark.parametrize("variant, change, call, exc, message", [
    ("reactive_dimerization", "precursors", "update_solution", IndexError,
     "index 1 is out of range for a native array of size 1: " + INITIALIZE),
    ("self_collision", "precursors", "S_N_agg", IndexError,
     "index 1 is out of range for a native array of size 1: " + INITIALIZE),
    ("cross_linking", "precursors", "S_C_tot", IndexError,
     "index 1 is out of bounds for axis 0 with size 1: " + INITIALIZE),
    ("self_collision", "variant", "update_solution", IndexError,
     "index 0 is out of range for a native array of size 0: " + INITIALIZE),
    ("self_collision", "variant", "S_N_agg", TypeError,
     "unsupported operand type(s) for /: 'NoneType' and 'float': " + INITIALIZE),
    ("reactive_dimerization", "lengths", "update_solution", IndexError,
     "index 1 is out of range for a native array of size 1: " + UNEQUAL),
])
def test_classic_model_names_initialize_and_the_precursor_lists(mod, gas, variant, change, call, exc, message,
                                                                subclass):
    cls = None
    if subclass:
        class cls(mod.CSootModel):
            def d_p(self):  # an override: the model takes the route by name
                return super().d_p()
    soot = classic(gas, variant, cls)
    if change == "precursors":
        two_precursors(gas, soot)
    elif change == "variant":
        soot.PAH_growth_model_name = "reactive_dimerization"
    else:
        soot.PAH_index_in_gas = [gas.species_index("A4"), gas.species_index("A2")]
    with pytest.raises(exc) as e:
        soot.update_solution(SOLUTION) if call == "update_solution" else getattr(soot, call)()
    assert str(e.value) == message
    assert e.value.args == (message,)
    if change != "lengths":
        # The step named: once done, the same calls run.
        with contextlib.redirect_stdout(io.StringIO()):
            soot.initialize()
        soot.update_solution(SOLUTION)
        assert np.isfinite([soot.S_N_agg(), soot.S_C_tot()]).all()


def test_classic_errors_of_a_model_set_up_right_keep_their_message(mod, gas):
    soot = classic(gas, "reactive_dimerization")
    with pytest.raises(IndexError) as e:
        soot.update_solution(SOLUTION[:2])
    assert str(e.value) == "index 2 is out of bounds for axis 0 with size 2"
    with pytest.raises(TypeError) as e:
        soot.update_solution([1.0, 2.0, 3.0, 4.0])
    assert "initialize" not in str(e.value)


def test_gas_wrapper_reports_name_update_MWs(mod, unraisable):
    gas = modular_pah_gas()
    sg, sw, model = graph(mod, gas)
    MWs = sg._MWs
    sg._MWs = []  # as if update_MWs had never been called
    with np.errstate(all="ignore"):
        step(sg, model, gas.T, gas.P, gas.Y, SOOT)
    reports = [u for u in unraisable if u.object == "pyrandel.lib._pyrandel.CSootGas.MW_c"]
    assert reports
    for u in reports:
        assert type(u.exc_value) is IndexError
        assert str(u.exc_value).endswith("is out of range for a native array of size 0: " + UPDATE_MWS)
    # With the molar masses, no report at all; with too few, the plain message.
    sg._MWs = MWs
    unraisable.clear()
    step(sg, model, gas.T, gas.P, gas.Y, SOOT)
    assert unraisable == []
    sg._MWs = MWs[:10]
    step(sg, model, gas.T, gas.P, gas.Y, SOOT)
    reports = [str(u.exc_value) for u in unraisable if u.object == "pyrandel.lib._pyrandel.CSootGas.MW_c"]
    assert reports and all(r.endswith("native array of size 10") for r in reports)


@pytest.mark.parametrize("cls", ["CPFRSoot", "CPSRSoot", "CConstUVSoot"])
def test_reactor_names_set_soot_wrapper(mod, cls):
    gas = modular_pah_gas()
    sg, sw, model = graph(mod, gas)
    reactor = getattr(mod, cls)(sg)
    y = np.zeros(reactor.soot_offset + 4)
    with pytest.raises(AttributeError) as e:
        reactor.derivatives(0.0, y)
    assert str(e.value) == SOOT_WRAPPER
    if cls == "CPSRSoot":
        with pytest.raises(AttributeError) as e:
            reactor.set_star()
        assert str(e.value) == SOOT_WRAPPER
