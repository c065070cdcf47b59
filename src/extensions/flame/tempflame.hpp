// CTempFlameSolver: soot along a given flame with the modular framework, on the
// upwind implicit scheme of the classic solvers. Grid and profiles are native
// arrays; the system, the soot values and the mole fractions are NumPy arrays.
#pragma once

#include "../../binding/cls.hpp"
#include "flamefields.hpp"

namespace pyrandel {

#define CTFS_FIELDS(F)                             \
    F(bind::Obj, soot_gas, RW)                     \
    F(bind::Obj, flame, RW)                        \
    F(bind::Obj, soot_model, RW)                   \
    F(int, n_time_steps, RW)                       \
    F(double, dt, RW)                              \
    F(int, n_species, RW)                          \
    F(int, n_points, RW)                           \
    F(bind::Vec<double>, z, RW)                    \
    F(bind::Vec<double>, dz, RW)                   \
    F(double, P, RW)                               \
    F(bind::Vec<double>, T, RW)                    \
    F(bind::Vec<double>, mu, RW)                   \
    F(bind::Vec<double>, rho, RW)                  \
    F(bind::Vec<double>, u_gas, RW)                \
    F(bind::Vec<double>, u_th, RW)                 \
    F(bind::Vec<double>, u, RW)                    \
    F(bind::Array, X, RW)                          \
    F(bind::Array, wdot_correction_soot, RW)       \
    MODULAR_FLAME_SYSTEM_FIELDS(F)                 \
    F(bind::Obj, w_scrub, MEMBER)

#define CTFS_METHODS(M)                                                                             \
    M(solve, "", nullptr, void, ())                                                                 \
    M(update_w_scrub, "", nullptr, void, ())                                                        \
    M(solve_TDMA, "a, b, c, d, x", nullptr, void,                                                   \
      (bind::DoubleBuf a, bind::DoubleBuf b, bind::DoubleBuf c, bind::DoubleBuf d, bind::DoubleBuf x))

struct CTempFlameSolver {
    PyObject_HEAD
    // Gas wrapper, flame and particle model (untyped: any objects offering the
    // names); steps, s; species and points; grid and spacing (m); Pa; profiles
    // K, Pa s, kg/m3, m/s; mole fractions (species by point); the end mass
    // fluxes kg/(m2 s); the three diagonals, right sides and soot values
    // (mol/kg) of both time levels; inflow values at either end.
    CTFS_FIELDS(BIND_DECLARE)

    BIND_CLASS(CTempFlameSolver)
    BIND_METHODS(CTFS_METHODS)

    void init_impl(PyObject* soot_gas, PyObject* flame, PyObject* grid, PyObject* soot_model);
    bind::Ref get_grid();

private:
    void profiles();
    double evaluate(Py_ssize_t i, bind::Ref& scratch, bool with_diffusion);
    void step(long k, double dt_, bind::Ref& scratch);
    void solves();
};

}  // namespace pyrandel
