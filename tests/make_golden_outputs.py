"""Writes tests/golden/outputs.json.xz, the recorded outputs of the cases in golden_outputs.py.

    python tests/make_golden_outputs.py            # every case
    python tests/make_golden_outputs.py step/ flame/CFVSolver   # only cases starting so (others kept)

Record only from a build whose outputs are known right (the files pin them bit for bit); the Cantera
cases are recorded with the installed Cantera's version and compared only under it.
"""

import lzma
import importlib
import json
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import golden_outputs  # noqa: E402
import layouts  # noqa: E402

PATH = HERE / "golden" / "outputs.json.xz"


def load():
    if not PATH.exists():
        return {"cantera": None, "cases": {}}
    with lzma.open(PATH, "rt") as f:
        return json.load(f)


def main(prefixes):
    mod = importlib.import_module(layouts.MODULE)
    sys.unraisablehook = lambda u: None  # some cases report unraisable errors on purpose
    found = {**golden_outputs.cases(mod)}
    try:
        import cantera
    except ImportError:
        cantera = None
    data = load()
    if cantera is not None:
        found.update(golden_outputs.cantera_cases(mod))
        data["cantera"] = cantera.__version__
    for name, run in found.items():
        if not prefixes or name.startswith(tuple(prefixes)):
            data["cases"][name] = run().out
    data["cases"] = {n: data["cases"][n] for n in found if n in data["cases"]}
    text = json.dumps(data, separators=(",", ":"), sort_keys=False)
    # xz: the cases repeat each other's labels and many values, far beyond gzip's window
    PATH.write_bytes(lzma.compress(text.encode(), preset=9))
    print(f"{PATH.relative_to(HERE.parent)}: {len(data['cases'])} cases")


if __name__ == "__main__":
    main(sys.argv[1:])
