// CPFRSoot: right-hand side of the steady plug-flow reactor on the modular
// framework, integrated along the axial position. State vector: residence
// time (s), mass flux (kg/(m2 s)), temperature (K), the gas mass fractions,
// then the soot variables (mol/kg).
#pragma once

#include "reactorbase.hpp"

namespace pyrandel {

struct CPFRSoot;

struct CPFRSootVTable {
    double (*get_temperature_from_profile)(CPFRSoot*, double x);
};

#define CPFRS_FIELDS(F)                      \
    F(int64_t, restime_offset, RW)           \
    F(int64_t, rhou_offset, RW)              \
    F(int64_t, T_offset, RW)                 \
    F(int64_t, Y_offset, RW)                 \
    F(int64_t, soot_offset, RW)              \
    F(double, T, RW)                         \
    F(double, P, RW)                         \
    F(double, z, RO)                         \
    F(double, rho, RO)                       \
    F(double, phi, RO)                       \
    F(double, u, RO)                         \
    F(double, mdot, RO)                      \
    F(double, restime, RO)                   \
    F(double, removed_gas_mass, RO)          \
    F(bind::Array, soot_array, RW)           \
    F(bind::Array, source_term_array, RW)

#define CPFRS_METHODS(M)                                  \
    M(set_mdot, "mdot", nullptr, void, (double mdot))     \
    M(derivatives, "t, y", nullptr, bind::Ref, (double t, bind::NDArray y))
#define CPFRS_REDEFINES(M)

struct CPFRSoot : ReactorBase {
    using Base = ReactorBase;
    const CPFRSootVTable* vtab;
    // Offsets in the state vector; temperature (K) and pressure (Pa); the values of
    // the last evaluation: position (m), density (kg/m3), soot volume fraction,
    // velocity (m/s), mass flux, residence time (s), gas mass taken by soot (kg/(m3 s)).
    CPFRS_FIELDS(BIND_DECLARE)

    BIND_CLASS(CPFRSoot)
    static const CPFRSootVTable vtable;
    BIND_DERIVED_METHODS(CPFRS_METHODS, CPFRS_REDEFINES)

    void init_impl(PyObject* soot_gas);
    double get_temperature_from_profile_impl(double x);
};

// The temperature of the profile modes: `np.interp` in the two-row profile.
double profile_temperature(PyObject* profile, double x);

}  // namespace pyrandel
