"""Loops of objects that call each other end in RecursionError, never in a crash.

Each loop runs in a child interpreter: before the fix they overflowed the C stack.
"""
import pytest

PRELUDE = """
import sys
from pyrandel.lib._pyrandel import CSootGas, CSootModel

def model():
    m = CSootModel()
    m.species_names = ["C2H2", "H2", "H", "CO", "O2", "OH", "H2O"]
    return m

try:
    run()
except RecursionError:
    print("RecursionError")
"""

LOOPS = {
    "gas wrapper reads itself (state)": """
        w = CSootGas(None); w.cantera_gas = w
        w.state""",
    "gas wrapper reads itself (cv_mass)": """
        w = CSootGas(None); w.cantera_gas = w
        w.cv_mass""",
    "two gas wrappers read each other": """
        a, b = CSootGas(None), CSootGas(None)
        a.cantera_gas = b; b.cantera_gas = a
        a.state""",
    "inception step is the source term": """
        m = model(); m.inception_N_agg = m.S_N_agg
        m.S_N_agg()""",
    "coagulation kernel is the source term": """
        m = model(); m.inception_enabled = False; m.beta_coag = m.S_N_agg
        m.S_N_agg()""",
    "precursor scrubbing is the scrubbing": """
        m = model(); m.update_scrub_wdot_PAH_growth = m.update_scrub_wdot
        m.update_scrub_wdot()""",
    "dimer set-up is initialize": """
        m = model(); m.create_PAH_dimer = m.initialize
        m.initialize()""",
    "two models call each other's source terms": """
        m1, m2 = model(), model()
        m1.inception_N_agg = m2.S_N_agg; m2.inception_N_agg = m1.S_N_agg
        m1.S_N_agg()""",
}


@pytest.mark.parametrize("loop", list(LOOPS.values()), ids=list(LOOPS))
def test_loop_ends_in_recursion_error(run_python, loop):
    body = "\n".join("    " + line.strip() for line in loop.strip().splitlines())
    proc = run_python(PRELUDE.replace("try:", "def run():\n" + body + "\n\ntry:", 1))
    assert proc.returncode == 0, proc.stderr[-2000:]
    assert proc.stdout.rstrip().endswith("RecursionError")
