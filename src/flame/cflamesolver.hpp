// CFlameSolver: soot post-processing along a one-dimensional flame with the
// classic soot model, on NumPy arrays. The four soot variables are marched in
// time with implicit upwind convection, implicit diffusion and explicit
// sources, one tri-diagonal solve per variable and step.
#pragma once

#include "../binding/cls.hpp"

namespace pyrandel {

#define CFLAMESOLVER_FIELDS(F)                                                       \
    F(bind::Obj, gas, RW)        /* the caller's gas object */                         \
    F(bind::Obj, flame, RW)      /* the caller's flame solution */                     \
    F(bind::Obj, soot_model, RW) /* the classic soot model */                          \
    F(int, n_time_steps, RW)                                                           \
    F(double, dt, RW) /* s */                                                          \
    F(int, n_species, RW)                                                              \
    F(int, n_points, RW)                                                               \
    F(bind::Array, z, RW)  /* m */                                                     \
    F(bind::Array, dz, RW) /* m, spacing to the left of each point (dz[0] = dz[1]) */  \
    F(double, P, RW)       /* Pa */                                                    \
    F(bind::Array, T, RW)     /* K */                                                  \
    F(bind::Array, mu, RW)    /* Pa s */                                               \
    F(bind::Array, rho, RW)   /* kg/m3 */                                              \
    F(bind::Array, u_gas, RW) /* m/s */                                                \
    F(bind::Array, u_th, RW)  /* m/s, thermophoretic drift */                          \
    F(bind::Array, u, RW)     /* m/s, u_gas + u_th */                                  \
    F(bind::Array, X, RW)     /* mole fractions, species by point */                   \
    F(bind::Array, wdot_correction_soot, RW) /* kmol/(m3 s), species by point */       \
    F(double, mdot_left, RW)  /* kg/(m2 s) */                                          \
    F(double, mdot_right, RW) /* kg/(m2 s) */                                          \
    F(int, boundary_type_right, RW) /* 0 inlet, anything else outlet */                \
    F(bind::Array, A, RW) /* n by n; its three central diagonals hold the system */    \
    F(bind::Array, B_N_agg, RW)                                                        \
    F(bind::Array, B_N_pri, RW)                                                        \
    F(bind::Array, B_C_tot, RW)                                                        \
    F(bind::Array, B_H_tot, RW)                                                        \
    F(bind::Array, N_agg_n, RW) /* mol/kg, current and new values */                   \
    F(bind::Array, N_agg_n1, RW)                                                       \
    F(bind::Array, N_pri_n, RW)                                                        \
    F(bind::Array, N_pri_n1, RW)                                                       \
    F(bind::Array, C_tot_n, RW)                                                        \
    F(bind::Array, C_tot_n1, RW)                                                       \
    F(bind::Array, H_tot_n, RW)                                                        \
    F(bind::Array, H_tot_n1, RW)                                                       \
    F(double, N_agg_in, RW) /* inflow values at both ends */                           \
    F(double, N_pri_in, RW)                                                            \
    F(double, C_tot_in, RW)                                                            \
    F(double, H_tot_in, RW)

#define CFLAMESOLVER_METHODS(M)                                                          \
    M(solve, "", nullptr, void, ())                                                      \
    M(update_wdot_correction, "", nullptr, void, ())                                     \
    M(solve_TDMA, "a, b, c, d", nullptr, bind::Ref,                                      \
      (bind::NDArray a, bind::NDArray b, bind::NDArray c, bind::NDArray d))

struct CFlameSolver {
    PyObject_HEAD
    CFLAMESOLVER_FIELDS(BIND_DECLARE)

    BIND_CLASS(CFlameSolver)
    BIND_METHODS(CFLAMESOLVER_METHODS)

    void init_impl(PyObject* phase, PyObject* flame, PyObject* grid, PyObject* soot_model);
    bind::Ref get_grid();

private:
    void profiles();
    void step(long k, double dt_, bind::Ref& scratch);
    void load_point(Py_ssize_t i, bind::Ref& scratch);
    double evaluate(Py_ssize_t i, bind::Ref& scratch);
    void solves();
};

}  // namespace pyrandel
