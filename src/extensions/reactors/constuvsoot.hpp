// CConstUVSoot: right-hand side of the closed constant-volume reactor on the
// modular framework, integrated over time. State vector: gas density per unit
// reactor volume rho·(1 − phi) (kg/m3), temperature (K), the gas mass
// fractions, then the soot variables (mol/kg). The gas density and the soot
// volume fraction depend on each other; each evaluation resolves them by
// `rho_n_iter` fixed-point passes, starting from the last volume fraction.
#pragma once

#include "reactorbase.hpp"

namespace pyrandel {

#define CCUV_FIELDS(F)                       \
    F(int64_t, restime_offset, RW)           \
    F(int64_t, T_offset, RW)                 \
    F(int64_t, Y_offset, RW)                 \
    F(int64_t, soot_offset, RW)              \
    F(double, T, RW)                         \
    F(double, P, RW)                         \
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
    F(int, rho_n_iter, RW)                   \
    F(bind::Opt, rho_offset, ATTR) /* position of the density in the state vector, read by name */

#define CCUV_METHODS(M) M(derivatives, "t, y", nullptr, bind::Ref, (double t, bind::NDArray y))
#define CCUV_REDEFINES(M)

struct CConstUVSoot : ReactorBase {
    using Base = ReactorBase;
    CCUV_FIELDS(BIND_DECLARE)


    BIND_CLASS(CConstUVSoot)
    BIND_DERIVED_METHODS(CCUV_METHODS, CCUV_REDEFINES)

    void init_impl(PyObject* soot_gas);
};

}  // namespace pyrandel
