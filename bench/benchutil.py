"""What the benchmarks share: side-by-side timing, the process's resident memory and the burner flame."""
import contextlib
import io
import resource
import timeit


def best(fns, number, repeat, timer=timeit.default_timer, scales=None):
    """Best time per call (s) of each callable in `fns`, all timed in turn in every round so that they
    see the same machine state. `scales[k]` divides the calls per round of fns[k] (at least one)."""
    times = [[] for _ in fns]
    for _ in range(repeat):
        for k, fn in enumerate(fns):
            n = max(1, number // scales[k]) if scales else number
            times[k].append(timeit.Timer(fn, timer=timer).timeit(n) / n)
    return [min(t) for t in times]


def rss_mb():
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * resource.getpagesize() / 2**20


def burner_flame():
    """A rich ethylene/air burner flame on gri30: the gas and the solved flame."""
    import cantera as ct

    gas = ct.Solution("gri30.yaml")
    gas.TPX = 300.0, ct.one_atm, "C2H4:1, O2:1.5, N2:5.64"
    flame = ct.BurnerFlame(gas, width=0.008)
    flame.burner.mdot = 0.06
    flame.set_refine_criteria(ratio=4, slope=0.5, curve=0.8)
    flame.solve(loglevel=0, auto=True)
    return gas, flame


def flame_times(make_solver, evaluations, repeat):
    """Best times (s) of a solve, of a solve of no step (the profile transfer alone) and of the model
    evaluations alone, interleaved so that all see the same machine state."""
    t_solve, t_prof, t_model = [], [], []
    for _ in range(repeat):
        s = make_solver()
        with contextlib.redirect_stdout(io.StringIO()):
            t_solve.append(timeit.timeit(s.solve, number=1))
            s.n_time_steps = 0
            t_prof.append(timeit.timeit(s.solve, number=1))
        t_model.append(timeit.timeit(evaluations, number=1))
    return min(t_solve), min(t_prof), min(t_model)


def flame_row(label, width, times):
    """One line of a flame benchmark's table from flame_times(): the ratio of a solve to the model
    evaluations and that of the marching alone."""
    solve, prof, model = times
    print(f"{label:<{width}}{solve * 1e3:>10.2f}{prof * 1e3:>13.2f}{model * 1e3:>10.2f}"
          f"{solve / model:>8.3f}{(solve - prof) / model:>10.3f}")
