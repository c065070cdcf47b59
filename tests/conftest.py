import importlib
import importlib.abc
import importlib.util
import os
import subprocess
import sys
import textwrap

import pytest

from fakes import FakeGas


class _SkipWithoutCantera(importlib.abc.MetaPathFinder):
    """Without Cantera, a test module or fixture that imports it is skipped instead of failing."""

    def find_spec(self, name, path=None, target=None):
        if name == "cantera" or name.startswith("cantera."):
            raise pytest.skip.Exception("cantera is not installed", allow_module_level=True)
        return None


if importlib.util.find_spec("cantera") is None:
    sys.meta_path.insert(0, _SkipWithoutCantera())

MODULE_NAME = "pyrandel.lib._pyrandel"

RICH_MIXTURE = "CH4:1, O2:1, N2:3.76, C2H2:0.1, H2:0.1, H:0.01, OH:0.01"


@pytest.fixture(scope="session")
def mod():
    return importlib.import_module(MODULE_NAME)


@pytest.fixture
def fake():
    return FakeGas()


@pytest.fixture
def gri30():
    ct = pytest.importorskip("cantera")
    gas = ct.Solution("gri30.yaml")
    gas.TPX = 1500.0, 101325.0, RICH_MIXTURE
    return gas


@pytest.fixture
def unraisable(monkeypatch):
    """Collects what internal methods report through sys.unraisablehook."""
    seen = []
    monkeypatch.setattr(sys, "unraisablehook", seen.append)
    return seen


@pytest.fixture(scope="session")
def run_python(mod):
    """Runs a snippet in a fresh interpreter that can import the module.

    Start-up behaviour (failed imports, sub-interpreters, a second module
    object) changes process-wide state, so it is checked in a child process.
    The snippet gets MODULE_FILE, the path of the built extension.
    """
    pkg_root = os.path.dirname(os.path.dirname(os.path.dirname(
        os.path.abspath(mod.__file__))))
    env = dict(os.environ)
    env["PYTHONPATH"] = os.pathsep.join(
        [pkg_root] + [p for p in sys.path if p])

    def run(code, timeout=120, **more_env):
        prelude = f"MODULE_FILE = {os.path.abspath(mod.__file__)!r}\n"
        proc = subprocess.run(
            [sys.executable, "-c", prelude + textwrap.dedent(code)],
            env=dict(env, **more_env), capture_output=True, text=True, timeout=timeout)
        return proc

    return run


@pytest.fixture(scope="session")
def burner_flame():
    """A rich premixed ethylene/air burner flame on gri30, computed once per
    session on a coarse grid with loose refinement (about two seconds)."""
    ct = pytest.importorskip("cantera")
    gas = ct.Solution("gri30.yaml")
    gas.TPX = 300.0, ct.one_atm, "C2H4:1, O2:1.5, N2:5.64"
    flame = ct.BurnerFlame(gas, width=0.008)
    flame.burner.mdot = 0.06  # kg/(m2 s)
    flame.set_refine_criteria(ratio=4, slope=0.5, curve=0.8)
    flame.solve(loglevel=0, auto=True)
    return gas, flame
