"""Pure-Python stand-in for a Cantera gas object.

Every value is fixed and known, so results can be checked exactly, and every
attribute access made by the wrapper is appended to ``calls`` so tests can
check which gas queries happen and in what order.  Names in ``fail`` raise
``FakeGasError`` when touched, before any state changes, to test what a
failure part-way through an update leaves behind.
"""

import numpy as np

RU = 8314.462618  # J/(kmol K)
EOS_MW = 24.0     # kg/kmol used by the equation of state only


class FakeGasError(RuntimeError):
    pass


class FakeGas:
    def __init__(self):
        self.calls = []
        self.args = {}
        self.fail = set()
        self.t = 1200.0
        self.p = 90000.0
        self.x = np.array([0.25, 0.25, 0.5])
        self.y = np.array([0.1, 0.3, 0.6])
        self.mw = 24.0                                     # kg/kmol
        self.rho = np.float64(0.0)
        self._eos_rho()
        self.visc = np.float64(4.0e-5)                     # Pa s
        self.wdot = np.array([-1.5e-3, 2.5e-4, 1.25e-3])   # kmol/(m3 s)
        self.h_mol = np.array([1.0e7, -2.0e8, 3.0e6])      # J/kmol
        self.u_mol = np.array([7.5e6, -2.1e8, 1.0e6])      # J/kmol
        self.h_mass = 1.5e5
        self.u_mass = 1.2e5
        self.cv = 1100.0
        self.cp_m = 1400.0
        self.names = ["A", "B", "C"]

    # -- helpers ---------------------------------------------------------
    def _hit(self, name):
        self.calls.append(name)
        if name in self.fail:
            raise FakeGasError(name)

    def _eos_rho(self):
        with np.errstate(all="ignore"):
            self.rho = np.float64(self.p) * EOS_MW / (RU * np.float64(self.t))

    def snapshot(self):
        """Plain comparable copy of the gas state (not logged)."""
        return {
            "t": self.t, "p": self.p, "x": list(np.asarray(self.x)),
            "y": list(np.asarray(self.y)), "mw": self.mw,
            "rho": float(self.rho), "visc": float(self.visc),
            "wdot": list(self.wdot), "h_mol": list(self.h_mol),
            "u_mol": list(self.u_mol), "names": list(self.names),
        }

    # -- settable state --------------------------------------------------
    @property
    def TP(self):
        self._hit("TP")
        return self.t, self.p

    @TP.setter
    def TP(self, value):
        self._hit("TP=")
        self.args["TP"] = value
        self.t, self.p = value
        self._eos_rho()

    @property
    def TD(self):
        self._hit("TD")
        return self.t, self.rho

    @TD.setter
    def TD(self, value):
        self._hit("TD=")
        self.args["TD"] = value
        self.t, rho = value
        self.rho = np.float64(rho)
        self.p = float(rho) * RU * self.t / EOS_MW

    @property
    def TPX(self):
        self._hit("TPX")
        return self.t, self.p, self.x

    @TPX.setter
    def TPX(self, value):
        self._hit("TPX=")
        self.args["TPX"] = value
        t, p, X = value
        x = np.array(X, dtype=float)  # copies out of any buffer
        self.t, self.p = t, p
        self.x = x / x.sum()           # a gas normalises what it is given
        self._eos_rho()

    def set_unnormalized_mass_fractions(self, Y):
        self._hit("set_unnormalized_mass_fractions")
        self.args["set_unnormalized_mass_fractions"] = Y
        self.y = np.array(Y, dtype=float)

    # -- read-only state -------------------------------------------------
    @property
    def T(self):
        self._hit("T")
        return self.t

    @property
    def P(self):
        self._hit("P")
        return self.p

    @property
    def X(self):
        self._hit("X")
        return self.x

    @property
    def Y(self):
        self._hit("Y")
        return self.y

    @property
    def density(self):
        self._hit("density")
        return self.rho

    @property
    def mean_molecular_weight(self):
        self._hit("mean_molecular_weight")
        return self.mw

    @property
    def viscosity(self):
        self._hit("viscosity")
        return self.visc

    @property
    def net_production_rates(self):
        self._hit("net_production_rates")
        return self.wdot

    @property
    def partial_molar_enthalpies(self):
        self._hit("partial_molar_enthalpies")
        return self.h_mol

    @property
    def partial_molar_int_energies(self):
        self._hit("partial_molar_int_energies")
        return self.u_mol

    @property
    def enthalpy_mass(self):
        self._hit("enthalpy_mass")
        return self.h_mass

    @property
    def int_energy_mass(self):
        self._hit("int_energy_mass")
        return self.u_mass

    @property
    def cv_mass(self):
        self._hit("cv_mass")
        return self.cv

    @property
    def cp_mass(self):
        self._hit("cp_mass")
        return self.cp_m

    @property
    def state(self):
        self._hit("state")
        return np.hstack([[self.t, float(self.rho)], self.y])

    @property
    def species_names(self):
        self._hit("species_names")
        return list(self.names)


class Holder:
    """Weak-referenceable object used to close reference cycles."""

    def __init__(self):
        self.ref = None


class FakeFlame:
    """Pure-Python stand-in for a one-dimensional flame solution.

    Holds the profiles over ``grid`` and logs every attribute read in ``reads``.
    """

    NAMES = ("grid", "T", "density", "viscosity", "velocity", "X", "mean_molecular_weight")

    def __init__(self, grid, T, density, viscosity, velocity, X, mean_molecular_weight=None):
        self.reads = []
        self._v = {"grid": np.asarray(grid, float), "T": np.asarray(T, float),
                   "density": np.asarray(density, float), "viscosity": np.asarray(viscosity, float),
                   "velocity": np.asarray(velocity, float), "X": np.asarray(X, float),
                   "mean_molecular_weight": mean_molecular_weight}

    def __getattr__(self, name):
        if name in FakeFlame.NAMES:
            self.reads.append(name)
            return self._v[name]
        raise AttributeError(name)

    def __getstate__(self):
        return self._v

    def __setstate__(self, v):
        self.reads = []
        self._v = v


class FlameGas:
    """Stand-in gas for the flame solvers: ``TPX`` is recorded (a copy of the
    mole fractions) and the mean molecular weight follows the state set."""

    def __init__(self, names, mws):
        self.species_names = list(names)
        self.mws = np.asarray(mws, float)  # kg/kmol
        self.tpx = []
        self.x = np.ones(len(names)) / len(names)

    @property
    def TPX(self):
        return self.tpx[-1] if self.tpx else None

    @TPX.setter
    def TPX(self, value):
        T, P, X = value
        self.x = np.array(X, float)
        self.tpx.append((T, P, self.x.copy()))

    @property
    def mean_molecular_weight(self):
        return float(self.x @ self.mws)
