"""The dimer-coalescence and cross-linking models under hostile use, in a child process: callbacks
reached by name that pull precursor lists, arrays, the gas wrapper and the soot wrapper away in the
middle of a step, hostile V_agg objects and scrubbing arrays. Nothing may crash."""

import pytest

import modular

pytest.importorskip("cantera")

SWEEP = modular.SWEEP_START + r'''
CLASSES = ["CDimerCoal", "CDimerCoalMod", "CCrossLink", "CCrossLinkMod", "CCrossLinkMerge"]


class Num:
    """A number that pulls the model's lists away when the model reads it."""
    def __init__(self, owner):
        self.owner = owner
    def __float__(self):
        self.owner.pull()
        return 1e-24
    def __rtruediv__(self, other):
        self.owner.pull()
        return -1e30
    def __radd__(self, other):
        return self


def evil(base, how):
    class Evil(base):
        calls = 0

        def pull(self):
            type(self).calls += 1
            w = self.soot_wrapper
            if w is None:
                return
            k = how(type(self).calls)
            if k == 0:
                w.set_precursors([], [], [])
            elif k == 1:
                w.PAH_n_C = []
            elif k == 2:
                w.PAH_indices = [10 ** 6, -10 ** 7, 3]
            elif k == 3:
                w.soot_gas = None
            elif k == 4:
                self.soot_wrapper = None
            elif k == 5:
                w.set_precursors(w.PAH_indices * 3, w.PAH_n_C * 3, w.PAH_n_H * 3)
            elif k == 6 and w.soot_model is not None:
                w.soot_model.w_scrub = np.zeros(1)

        def partial_particle_addition(self):
            self.pull()
            return True

        def inception_enabled(self):
            self.pull()
            return True

        def PAH_adsorption_enabled(self):
            self.pull()
            return True

        def PAH_n_C(self):
            self.pull()
            return [1.0, 2.0]

        def merge_probability(self, PAH_id):
            self.pull()
            return base.merge_probability(self, PAH_id) if hasattr(base, "merge_probability") else 0.5

        def k_PAH_C2H2(self, PAH_id):
            self.pull()
            return float("nan")
    return Evil


for name, seed in itertools.product(CLASSES, range(7)):
    Evil = evil(getattr(mod, name), lambda n, seed=seed: (n + seed) % 7)
    for attempt in range(3):
        try:
            sg, sw, model = modular.graph(mod, gas, pah_cls=Evil)
            sg.update_thermo_TPUY(1800.0, 101325.0, gas.Y)
            sg.update_transport()
            model.set_vars(modular.SOOT)
        except Exception:
            continue
        m = sw.PAH_growth_model
        for step in ("update", "update_w_scrub", "S_C_tot", "update", "update_w_scrub", "S_H_tot"):
            try:
                getattr(model, step)()
            except Exception:
                pass
        for meth in ("update", "update_c_dimer", "update_w_inception", "_update_NCH_inception",
                     "update_PAH_radical", "update_w_dimer", "update_PAH_adsorption_rate", "_update_CH_tot_PAH",
                     "create_PAH_dimer", "_reset"):
            if hasattr(m, meth):
                try:
                    getattr(m, meth)()
                except Exception:
                    pass
        for v in (Num(m), None, -1.0, 0, float("nan"), "x", np.float64(-1e-30)):
            try:
                m.V_agg = v
                m.update()
            except Exception:
                pass
        for v in ([], [1.0] * 50, "abc", [float("nan")] * 3):
            try:
                m.stick_eff = v
                m.update()
            except Exception:
                pass
        for i in (-1, 0, 2, 3, 2 ** 31 - 1):
            for meth in ("merge_probability", "k_PAH_C2H2", "C_tot_PAH_each", "H_tot_PAH_each"):
                try:
                    getattr(m, meth)(i)
                except Exception:
                    pass
        try:
            model.update_w_scrub()
        except Exception:
            pass
        gc.collect()
print("survived")
'''


def test_hostile_use_never_crashes(run_python):
    modular.survives(run_python, SWEEP)
