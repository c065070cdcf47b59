"""Cost of one modular soot step relative to the gas-object calls it has to make.

A step is what a reactor's right-hand side does per evaluation: the gas wrapper's
update_thermo_TPUY and update_transport, then set_vars, update, update_w_scrub, fill_soot_array and
fill_source_term_array on a CMonodisperseSootModel with a PAH-growth model on three precursors (benzene,
naphthalene, pyrene) and CFrenklachHACA, on gri30; once for each of the six PAH-growth models. The bare
side makes the same gas-object calls directly: set_unnormalized_mass_fractions, TP, X, density,
mean_molecular_weight and viscosity (turning the mole fractions into the wrapper's own array is the
module's work, not the gas object's). As in an integrator, every evaluation is at a new state (temperature
and soot move a little
from one call to the next). Both are timed side by side in one run, in many short rounds; the ratio printed per model is
the median of the rounds' ratios (target: at most 1.10, i.e. the module's own share at most a tenth of the
step), the times the best per call.

    python bench/bench_modular_step.py [CReactDim CDimerCoal ...]
"""
import itertools
import os
import sys

import cantera as ct
import numpy as np

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "examples"))
from benchutil import paired_ratio  # noqa: E402
from pah_gas import RICH_FLAME_X, modular_graph, pah_gas  # noqa: E402


TARGET = 1.10
MODELS = ("CReactDim", "CDimerCoal", "CDimerCoalMod", "CCrossLink", "CCrossLinkMod", "CCrossLinkMerge")


def same_subclasses(gas, precursors, sw):
    """Replaces the three models of `sw` by instances of Python subclasses that override nothing;
    returns the particle model."""
    def same(cls):
        return type("Same" + cls.__name__, (cls,), {})

    names = list(precursors)
    sw.set_PAH_growth_model(same(type(sw.PAH_growth_model))(sw))
    sw.set_precursors([gas.species_index(p) for p in names], [precursors[p][0] for p in names],
                      [precursors[p][1] for p in names])
    sw.set_surface_reactions_model(same(type(sw.surface_reactions_model))(sw))
    model = same(type(sw.soot_model))(sw)
    sw.set_soot_model(model)
    return model


def step_pair(gas, precursors, pah_cls, n, subclasses=False):
    """The modular step of `pah_cls` (on subclasses that override nothing if `subclasses`) and the bare
    gas-object calls it stands on, both at states that move through `n` values between calls."""
    gas.TPX = 1800.0, ct.one_atm, RICH_FLAME_X
    T, P, Y = gas.T, gas.P, gas.Y.copy()
    sg, sw, model = modular_graph(gas, precursors, pah_cls)
    if subclasses:
        model = same_subclasses(gas, precursors, sw)

    temperatures = itertools.cycle([T * (1 + 1e-7 * k) for k in range(n)])
    base = np.array([2.0e-9, 8.0e-9, 4.0e-5, 6.0e-6])
    soots = itertools.cycle([base * (1 + 1e-6 * k) for k in range(n)])
    out, src = np.zeros(4), np.zeros(4)

    def bare():
        gas.set_unnormalized_mass_fractions(Y)
        gas.TP = next(temperatures), P
        gas.X
        gas.density
        gas.mean_molecular_weight
        gas.viscosity

    def step():
        sg.update_thermo_TPUY(next(temperatures), P, Y)
        sg.update_transport()
        model.set_vars(next(soots))
        model.update()
        model.update_w_scrub()
        model.fill_soot_array(out)
        model.fill_source_term_array(src)

    return step, bare


def measure(gas, precursors, pah_cls, number, rounds):
    step, bare = step_pair(gas, precursors, pah_cls, 997)
    bare()
    step()
    return paired_ratio(bare, step, number, rounds)


def main(models=MODELS, number=300, rounds=61):
    gas, precursors = pah_gas()
    ratios = {}
    print(f"{'PAH-growth model':>18}{'modular step us':>17}{'bare gas us':>13}{'ratio':>8}")
    for name in models:
        ratios[name], t_step, t_bare = measure(gas, precursors, name, number, rounds)
        print(f"{name:>18}{t_step * 1e6:>17.2f}{t_bare * 1e6:>13.2f}{ratios[name]:>8.3f}")
    print(f"ratio at most {max(ratios.values()):.3f} (target {TARGET})")
    return ratios


if __name__ == "__main__":
    main(tuple(sys.argv[1:]) or MODELS)
