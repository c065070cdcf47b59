// CTempFlameSolverOpt: the modular upwind flame solver with profiles taken at
// construction, fixed values at both ends, face-averaged thermophoresis and
// under-relaxation. Every grid-sized quantity is a NumPy array.
#pragma once

#include "../../binding/cls.hpp"
#include "flamefields.hpp"

namespace pyrandel {

struct CSootGas;
struct CSootWrapper;
struct CTempFlameSolverOpt;

struct CTempFlameSolverOptVTable {
    bind::Ref (*solve_TDMA)(CTempFlameSolverOpt*, PyObject* a, PyObject* b, PyObject* c, PyObject* d);
};

#define CTFSO_FIELDS(F)                            \
    F(bind::Obj, flame, RW)                        \
    F(bind::Typed<CSootGas>, soot_gas, RW)         \
    F(bind::Typed<CSootWrapper>, soot, RW)         \
    F(int, n_time_steps, RW)                       \
    F(double, dt, RW)                              \
    F(int, n_species, RW)                          \
    F(int, n_points, RW)                           \
    F(bind::Array, z, RW)                          \
    F(bind::Array, dz, RW)                         \
    F(bind::Array, dz_m, RW)                       \
    F(double, P, RW)                               \
    F(bind::Array, T, RW)                          \
    F(bind::Array, mu, RW)                         \
    F(bind::Array, rho, RW)                        \
    F(bind::Array, mean_MW, RW)                    \
    F(bind::Array, u_gas, RW)                      \
    F(bind::Array, u_th, RW)                       \
    F(bind::Array, u, RW)                          \
    F(bind::Array, X, RW)                          \
    F(bind::Array, w_scrub, RW)                    \
    F(bind::Array, wdot_correction_soot, RW)       \
    MODULAR_FLAME_SYSTEM_FIELDS(F)                 \
    F(double, under, RW)                           \
    F(double, k_th, RW)

#define CTFSO_METHODS(M)                       \
    M(init_u, "", nullptr, void, ())           \
    M(solve, "", nullptr, void, ())            \
    M(update_w_scrub, "", nullptr, void, ())

struct CTempFlameSolverOpt {
    PyObject_HEAD
    const CTempFlameSolverOptVTable* vtab;
    // Flame, gas wrapper, soot wrapper; steps, s; species and points; grid,
    // spacing and cell widths (m); Pa; profiles K, Pa s, kg/m3, kg/mol, m/s;
    // mole fractions and scrubbing rates (species by point); end mass fluxes
    // (not read); the system and the soot values (mol/kg) of both levels;
    // fixed end values; relaxation factor; thermophoretic coefficient.
    CTFSO_FIELDS(BIND_DECLARE)

    BIND_CLASS(CTempFlameSolverOpt)
    static const CTempFlameSolverOptVTable vtable;
    BIND_METHODS(CTFSO_METHODS)

    void init_impl(PyObject* soot_gas, PyObject* flame, PyObject* grid, PyObject* soot);
    bind::Ref get_grid() { return z.hold(); }
    bind::Ref solve_TDMA_impl(PyObject* a, PyObject* b, PyObject* c, PyObject* d);

private:
    void step(long k, double dt_, bind::Ref& scratch, std::vector<double> (&src)[4], std::vector<double>& D);
};

}  // namespace pyrandel
