// The fields and methods of CFVSolver and CFDSolver, two classes that differ
// only in the discretisation of the interior grid points (cfvflamesolver.hpp and
// cfdflamesolver.hpp declare them, gridsolver_impl.hpp holds the shared working).
#pragma once

#include "../../binding/cls.hpp"
#include "flamefields.hpp"

namespace pyrandel {

struct CSootGas;
struct CSootWrapper;

#define GRIDSOLVER_FIELDS(F)                       \
    F(bind::Obj, flame, RW)                        \
    F(bind::Typed<CSootWrapper>, soot, RW)         \
    F(bind::Typed<CSootGas>, soot_gas, RW)         \
    F(double, P, RW)                               \
    F(bind::Array, T, RW)                          \
    F(bind::Array, rho, RW)                        \
    F(bind::Array, u, RW)                          \
    F(bind::Array, u_gas, RW)                      \
    F(bind::Array, u_th, RW)                       \
    F(bind::Array, D, RW)                          \
    F(bind::Array, mu, RW)                         \
    F(bind::Array, mean_MW, RW)                    \
    F(bind::Array, X, RW)                          \
    F(bind::Array, w_scrub, RW)                    \
    F(double, dt, RW)                              \
    F(bind::Array, dx, RW)                         \
    F(bind::Array, grid, RW)                       \
    F(int, n_points, RW)                           \
    F(int, n_time_steps, RW)                       \
    F(int, n_species, RW)                          \
    MODULAR_FLAME_SYSTEM_FIELDS(F)                 \
    F(double, under, RW)                           \
    F(double, k_th, RW)

#define GRIDSOLVER_METHODS(M)                         \
    M(interplote_from_flame, "", nullptr, void, ())  \
    M(create_matrix, "", nullptr, void, ())          \
    M(create_solution_vector, "", nullptr, void, ()) \
    M(create_dx, "", nullptr, void, ())              \
    M(solve, "", nullptr, void, ())

// The internal table of either class.
template <class C>
struct GridSolverVTable {
    bind::Ref (*solve_TDMA)(C*, PyObject* a, PyObject* b, PyObject* c, PyObject* d);
};

// The members of either class, inside its struct.
#define GRIDSOLVER_MEMBERS(C)                                                                \
    PyObject_HEAD                                                                            \
    const GridSolverVTable<C>* vtab;                                                         \
    GRIDSOLVER_FIELDS(BIND_DECLARE)                                                          \
    BIND_CLASS(C)                                                                            \
    static const GridSolverVTable<C> vtable;                                                 \
    BIND_METHODS(GRIDSOLVER_METHODS)                                                         \
    void init_impl(PyObject* soot_gas, PyObject* flame, PyObject* grid, PyObject* soot);     \
    bind::Ref solve_TDMA_impl(PyObject* a, PyObject* b, PyObject* c, PyObject* d);

}  // namespace pyrandel
