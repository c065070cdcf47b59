// CPSRSoot: right-hand side of the perfectly stirred reactor on the modular
// framework, integrated over time. State vector: mixture density (kg/m3, not
// read), temperature (K), the gas mass fractions, then the soot variables
// (mol/kg). Species and soot relax towards the inflow state over the
// residence time `phy_restime`.
#pragma once

#include "reactorbase.hpp"

namespace pyrandel {

#define CPSRS_FIELDS(F)                      \
    F(int64_t, T_offset, RW)                 \
    F(int64_t, Y_offset, RW)                 \
    F(int64_t, soot_offset, RW)              \
    F(double, T, RW)                         \
    F(double, P, RW)                         \
    F(bind::Array, Y_star, RO)               \
    F(bind::Array, soot_star, RO)            \
    F(double, h_star, RO)                    \
    F(double, z, RO)                         \
    F(double, rho, RO)                       \
    F(double, phi, RO)                       \
    F(double, restime, RO)                   \
    F(double, drho_dt, RO)                   \
    F(double, dT_dt, RO)                     \
    F(double, removed_gas_mass, RO)          \
    F(bind::Array, dY_dt, RO)                \
    F(bind::Array, dsoot_dt, RO)             \
    F(bind::Array, soot_array, RW)           \
    F(bind::Array, source_term_array, RW)    \
    F(double, Q_dot, RW)                     \
    F(double, mdot, RW)                      \
    F(double, phy_restime, RW)               \
    F(double, reactor_volume, RW)            \
    F(bind::Opt, rho_offset, ATTR) /* position of the density in the state vector, read by name */

#define CPSRS_METHODS(M)                          \
    M(set_star, "", nullptr, void, ())            \
    M(derivatives, "t, y", nullptr, bind::Ref, (double t, bind::NDArray y))
#define CPSRS_REDEFINES(M)

struct CPSRSoot : ReactorBase {
    using Base = ReactorBase;
    // Offsets; temperature (K), pressure (Pa); the inflow state (mass fractions,
    // soot variables, enthalpy J/kg); the values of the last evaluation; heat
    // input (W), residence time (s) and volume (m3).
    CPSRS_FIELDS(BIND_DECLARE)


    BIND_CLASS(CPSRSoot)
    BIND_DERIVED_METHODS(CPSRS_METHODS, CPSRS_REDEFINES)

    void init_impl(PyObject* soot_gas);
};

}  // namespace pyrandel
