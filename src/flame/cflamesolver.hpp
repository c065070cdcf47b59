// CFlameSolver: soot post-processing along a one-dimensional flame with the
// classic soot model, on NumPy arrays. The four soot variables are marched in
// time with implicit upwind convection, implicit diffusion and explicit
// sources, one tri-diagonal solve per variable and step.
#pragma once

#include "../binding/cls.hpp"

namespace pyrandel {

#define CFLAMESOLVER_METHODS(X)                  \
    X(solve, "", nullptr)                        \
    X(update_wdot_correction, "", nullptr)       \
    X(solve_TDMA, "a, b, c, d", nullptr)

struct CFlameSolver {
    using Self = CFlameSolver;
    PyObject_HEAD

    PyObject* gas;         // the caller's gas object
    PyObject* flame;       // the caller's flame solution
    PyObject* soot_model;  // the classic soot model
    int n_time_steps;
    double dt;  // s
    int n_species;
    int n_points;
    PyObject* z;   // m
    PyObject* dz;  // m, spacing to the left of each point (dz[0] = dz[1])
    double P;      // Pa
    PyObject* T;      // K
    PyObject* mu;     // Pa s
    PyObject* rho;    // kg/m3
    PyObject* u_gas;  // m/s
    PyObject* u_th;   // m/s, thermophoretic drift
    PyObject* u;      // m/s, u_gas + u_th
    PyObject* X;      // mole fractions, species by point
    PyObject* wdot_correction_soot;  // kmol/(m3 s), species by point
    double mdot_left;   // kg/(m2 s)
    double mdot_right;  // kg/(m2 s)
    int boundary_type_right;  // 0 inlet, anything else outlet
    PyObject* A;  // n by n; its three central diagonals hold the system
    PyObject* B_N_agg;
    PyObject* B_N_pri;
    PyObject* B_C_tot;
    PyObject* B_H_tot;
    PyObject* N_agg_n;  // mol/kg, current and new values
    PyObject* N_agg_n1;
    PyObject* N_pri_n;
    PyObject* N_pri_n1;
    PyObject* C_tot_n;
    PyObject* C_tot_n1;
    PyObject* H_tot_n;
    PyObject* H_tot_n1;
    double N_agg_in, N_pri_in, C_tot_in, H_tot_in;  // inflow values at both ends

    static constexpr const char* py_name = "CFlameSolver";
    static constexpr const char* doc = "CFlameSolver(phase, flame, grid, soot_model)";
    static PyTypeObject type;
    static bind::ClassSpec& spec();

    enum { CFLAMESOLVER_METHODS(BIND_ID) MID_count };

    void init_impl(PyObject* phase, PyObject* flame, PyObject* grid, PyObject* soot_model);
    void solve_impl();
    void update_wdot_correction_impl();
    bind::Ref solve_TDMA_impl(bind::NDArray a, bind::NDArray b, bind::NDArray c, bind::NDArray d);

    bind::Ref get_grid();

private:
    void profiles();
    void step(long k, double dt_, bind::Ref& scratch);
    double evaluate(Py_ssize_t i, bind::Ref& scratch);
    void solves();
};

}  // namespace pyrandel
