"""Writes the golden pickles of the classes in layouts.py.

    PYTHONPATH=src python tests/make_golden.py [CName ...]

One file per class for the fresh and for the configured instance of its
layout, pickled with protocol 2. Rewrite a class's files only when its
configured state changes on purpose: the files stand for what earlier builds
wrote, and test_layouts.py checks that they keep loading.
"""

import importlib
import pathlib
import pickle
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import layouts  # noqa: E402


def main(names):
    mod = importlib.import_module(layouts.MODULE)
    out = HERE / "golden"
    out.mkdir(exist_ok=True)
    for name in names or sorted(layouts.LAYOUTS):
        lay = layouts.LAYOUTS[name]
        for variant in ("fresh", "configured"):
            obj = getattr(lay, variant)(mod)
            path = out / f"{name}-{variant}.pickle"
            path.write_bytes(pickle.dumps(obj, 2))
            print(path.relative_to(HERE.parent))


if __name__ == "__main__":
    main(sys.argv[1:])
