// CFlameSolverOpt: the classic flame solver on native arrays. Same scheme as
// CFlameSolver; the rows and the tri-diagonal solve run in C doubles (a zero
// divisor raises), each end has its own inflow values, and the grid-sized
// data are handed to Python as new lists.
#pragma once

#include "../binding/cls.hpp"

namespace pyrandel {

#define CFLAMESOLVEROPT_FIELDS(F)                                                         \
    F(bind::Obj, gas, RW)        /* the caller's gas object */                              \
    F(bind::Obj, flame, RW)      /* the caller's flame solution */                          \
    F(bind::Obj, soot_model, RW) /* the classic soot model */                               \
    F(int, n_time_steps, RW)                                                                \
    F(double, dt, RW) /* s */                                                               \
    F(int, n_species, RW)                                                                   \
    F(int, n_points, RW)                                                                    \
    F(bind::Vec<double>, z, RW)  /* m */                                                    \
    F(bind::Vec<double>, dz, RW) /* m, spacing to the left of each point (dz[0] = dz[1]) */ \
    F(double, P, RW)             /* Pa */                                                   \
    F(bind::Vec<double>, T, RW)     /* K */                                                 \
    F(bind::Vec<double>, mu, RW)    /* Pa s */                                              \
    F(bind::Vec<double>, rho, RW)   /* kg/m3 */                                             \
    F(bind::Vec<double>, u_gas, RW) /* m/s */                                               \
    F(bind::Vec<double>, u_th, RW)  /* m/s, thermophoretic drift */                         \
    F(bind::Vec<double>, u, RW)     /* m/s, u_gas + u_th */                                 \
    F(bind::Array, X, RW)                    /* mole fractions, species by point */         \
    F(bind::Array, wdot_correction_soot, RW) /* kmol/(m3 s), species by point */            \
    F(double, mdot_left, RW)  /* kg/(m2 s) */                                               \
    F(double, mdot_right, RW) /* kg/(m2 s) */                                               \
    F(int, boundary_type_right, RW) /* 0 inlet, anything else outlet */                     \
    F(bind::Vec<double>, upper, RW) /* upper[j]: row j, column j+1 */                       \
    F(bind::Vec<double>, diag, RW)                                                          \
    F(bind::Vec<double>, lower, RW) /* lower[j-1]: row j, column j-1 */                     \
    F(bind::Vec<double>, B_N_agg, RW)                                                       \
    F(bind::Vec<double>, B_N_pri, RW)                                                       \
    F(bind::Vec<double>, B_C_tot, RW)                                                       \
    F(bind::Vec<double>, B_H_tot, RW)                                                       \
    F(bind::Vec<double>, N_agg_n, RW) /* mol/kg, current and new values */                  \
    F(bind::Vec<double>, N_agg_n1, RW)                                                      \
    F(bind::Vec<double>, N_pri_n, RW)                                                       \
    F(bind::Vec<double>, N_pri_n1, RW)                                                      \
    F(bind::Vec<double>, C_tot_n, RW)                                                       \
    F(bind::Vec<double>, C_tot_n1, RW)                                                      \
    F(bind::Vec<double>, H_tot_n, RW)                                                       \
    F(bind::Vec<double>, H_tot_n1, RW)                                                      \
    F(double, N_agg_in_left, RW)                                                            \
    F(double, N_pri_in_left, RW)                                                            \
    F(double, C_tot_in_left, RW)                                                            \
    F(double, H_tot_in_left, RW)                                                            \
    F(double, N_agg_in_right, RW)                                                           \
    F(double, N_pri_in_right, RW)                                                           \
    F(double, C_tot_in_right, RW)                                                           \
    F(double, H_tot_in_right, RW)

#define CFLAMESOLVEROPT_METHODS(M)                                                       \
    M(solve, "", nullptr, void, ())                                                      \
    M(update_wdot_correction, "", nullptr, void, ())                                     \
    M(solve_TDMA, "a, b, c, d", nullptr, bind::Ref,                                      \
      (std::vector<double> a, std::vector<double> b, std::vector<double> c, std::vector<double> d))

struct CFlameSolverOpt {
    using Vec = bind::Vec<double>;
    PyObject_HEAD
    CFLAMESOLVEROPT_FIELDS(BIND_DECLARE)

    BIND_CLASS(CFlameSolverOpt)
    BIND_METHODS(CFLAMESOLVEROPT_METHODS)

    void init_impl(PyObject* phase, PyObject* flame, PyObject* grid, PyObject* soot_model);
    bind::Ref get_grid();

private:
    void profiles();
    void step(long k, double dt_, bind::Ref& scratch);
    double evaluate(Py_ssize_t i, bind::Ref& scratch, bool with_diffusion);
    void solves();
};

}  // namespace pyrandel
