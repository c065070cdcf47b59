"""Instructions per classic soot step, counted by valgrind's callgrind (repeatable on a busy machine).

Runs itself under `valgrind --tool=callgrind` with collection off, and switches collection on only
around the steps through callgrind's client requests (a tiny helper compiled on the fly). Each
variant, and the gas side of bench_classic_moving.py for scale, is counted over 10 and over 30
evaluations at moving states; the difference over 20 is the count of one evaluation, free of the
switching itself. Reactive dimerisation is counted at 1, 3, 10 and 30 precursors as well.

    python bench/callgrind_classic_step.py              # the table
    python bench/callgrind_classic_step.py --annotate reactive_dimerization   # plus its top functions
"""
import ctypes
import glob
import os
import re
import subprocess
import sys
import tempfile

VARIANTS = ("reactive_dimerization", "self_collision", "self_collision_lump", "cross_linking",
            "irreversible_dimerization")
HELPER = r"""
#include <valgrind/callgrind.h>
void cg_start(void) { CALLGRIND_ZERO_STATS; CALLGRIND_TOGGLE_COLLECT; }
void cg_stop(const char* name) { CALLGRIND_TOGGLE_COLLECT; CALLGRIND_DUMP_STATS_AT(name); }
"""


def build_helper(workdir):
    src, lib = os.path.join(workdir, "cg.c"), os.path.join(workdir, "cg.so")
    with open(src, "w") as f:
        f.write(HELPER)
    subprocess.run(["cc", "-O1", "-shared", "-fPIC", "-o", lib, src], check=True)
    return ctypes.CDLL(lib)


def measure(workdir):
    """Inside valgrind: run the steps between the client requests."""
    here = os.path.dirname(os.path.abspath(__file__))
    sys.path.insert(0, here)
    import bench_classic_moving as b
    from pah_gas import pah_gas

    cg = build_helper(workdir)
    gas, precursors = pah_gas()
    states = b.moving_states(gas, 31)
    names = list(precursors)
    cases = {"gas side": b.gas_stepper(gas, states)}
    for variant, code in b.VARIANTS.items():
        cases[variant] = b.stepper(b.model(gas, names, code), states)
    for n in (1, 3, 10, 30):
        cases[f"reactive n={n}"] = b.stepper(b.model(gas, [names[i % 3] for i in range(n)], 1), states)
    for name, fn in cases.items():
        for _ in range(3):
            fn()  # warm: caches of the interpreter and of the gas object
        for count in (10, 30):
            cg.cg_start()
            for _ in range(count):
                fn()
            cg.cg_stop(f"{name}|{count}".encode())


def totals(outdir):
    found = {}
    for path in glob.glob(os.path.join(outdir, "cg.out*")):
        with open(path) as f:
            text = f.read()
        m = re.search(r"^desc: Trigger: Client Request: (.*)$", text, re.M)
        t = re.search(r"^(?:summary|totals): (\d+)", text, re.M)
        if m and t:
            found[m.group(1).strip()] = (int(t.group(1)), path)
    return found


def main():
    if os.environ.get("CG_CLASSIC_INNER"):
        measure(os.environ["CG_CLASSIC_INNER"])
        return
    annotate = sys.argv[sys.argv.index("--annotate") + 1] if "--annotate" in sys.argv else None
    with tempfile.TemporaryDirectory() as outdir:
        env = dict(os.environ, CG_CLASSIC_INNER=outdir, PYTHONHASHSEED="0")
        subprocess.run(["valgrind", "--tool=callgrind", "--collect-atstart=no", "--dump-instr=no",
                        f"--callgrind-out-file={outdir}/cg.out", sys.executable, os.path.abspath(__file__)],
                       env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        found = totals(outdir)
        order = ["gas side", *VARIANTS, *(f"reactive n={n}" for n in (1, 3, 10, 30))]
        per = {n: (found[f"{n}|30"][0] - found[f"{n}|10"][0]) / 20 for n in order}
        gas = per.pop("gas side")
        print(f"gas side {gas / 1e3:.1f}k instructions per evaluation")
        print(f"{'case':<28}{'instructions':>14}{'/ gas side':>12}")
        for n, v in per.items():
            print(f"{n:<28}{v / 1e3:>13.1f}k{v / gas:>12.3f}")
        pairs = [n * (n + 1) / 2 for n in (1, 3, 10, 30)]
        counts = [per[f"reactive n={n}"] for n in (1, 3, 10, 30)]
        mp, mc = sum(pairs) / 4, sum(counts) / 4
        slope = sum((p - mp) * (c - mc) for p, c in zip(pairs, counts)) / sum((p - mp) ** 2 for p in pairs)
        print(f"reactive dimerisation: {slope:.0f} instructions per precursor pair")
        if annotate:
            path = found[f"{annotate}|30"][1]
            out = subprocess.run(["callgrind_annotate", "--threshold=100", path], capture_output=True, text=True)
            lines = out.stdout.splitlines()
            start = next(i for i, line in enumerate(lines) if "file:function" in line)
            print("\n".join(lines[start - 1:start + 50]))


if __name__ == "__main__":
    main()
