"""What the benchmarks share: side-by-side timing, the process's resident memory and the burner flame."""
import contextlib
import io
import resource
import statistics
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


def paired_ratio(base, fn, number, rounds, timer=timeit.default_timer):
    """Cost of `fn` relative to `base`: in each of `rounds` rounds both are timed over `number` calls back
    to back (in turns which goes first), and the median of the rounds' ratios is returned, with the best
    time per call of `fn` and of `base`. On a shared machine a load that comes and goes moves this median
    far less than the ratio of two best times taken at different moments."""
    ratios, t_fn, t_base = [], [], []
    for k in range(rounds):
        pair = [(base, t_base), (fn, t_fn)]
        for f, times in pair if k % 2 == 0 else pair[::-1]:
            times.append(timeit.Timer(f, timer=timer).timeit(number) / number)
        ratios.append(t_fn[-1] / t_base[-1])
    return statistics.median(ratios), min(t_fn), min(t_base)


def moving(y, n, slot, soot_at=None):
    """`n` copies of the state vector `y`, entry `slot` moved by 1e-7 and the entries from `soot_at`
    on by 1e-6 more each time: an integrator's right-hand side never sees the same state twice."""
    states = []
    for k in range(n):
        s = y.copy()
        s[slot] *= 1 + 1e-7 * k
        if soot_at is not None:
            s[soot_at:] *= 1 + 1e-6 * k
        states.append(s)
    return states


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
