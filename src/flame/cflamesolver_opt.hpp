// CFlameSolverOpt: the classic flame solver on native arrays. Same scheme as
// CFlameSolver; the rows and the tri-diagonal solve run in C doubles (a zero
// divisor raises), each end has its own inflow values, and the grid-sized
// data are handed to Python as new lists.
#pragma once

#include "../binding/cls.hpp"

namespace pyrandel {

#define CFLAMESOLVEROPT_METHODS(X)               \
    X(solve, "", nullptr)                        \
    X(update_wdot_correction, "", nullptr)       \
    X(solve_TDMA, "a, b, c, d", nullptr)

struct CFlameSolverOpt {
    using Self = CFlameSolverOpt;
    using Vec = std::vector<double>;
    PyObject_HEAD

    PyObject* gas;         // the caller's gas object
    PyObject* flame;       // the caller's flame solution
    PyObject* soot_model;  // the classic soot model
    int n_time_steps;
    double dt;  // s
    int n_species;
    int n_points;
    Vec z;   // m
    Vec dz;  // m, spacing to the left of each point (dz[0] = dz[1])
    double P;  // Pa
    Vec T;      // K
    Vec mu;     // Pa s
    Vec rho;    // kg/m3
    Vec u_gas;  // m/s
    Vec u_th;   // m/s, thermophoretic drift
    Vec u;      // m/s, u_gas + u_th
    PyObject* X;                     // mole fractions, species by point
    PyObject* wdot_correction_soot;  // kmol/(m3 s), species by point
    double mdot_left;   // kg/(m2 s)
    double mdot_right;  // kg/(m2 s)
    int boundary_type_right;  // 0 inlet, anything else outlet
    Vec upper;  // upper[j]: row j, column j+1
    Vec diag;
    Vec lower;  // lower[j-1]: row j, column j-1
    Vec B_N_agg, B_N_pri, B_C_tot, B_H_tot;
    Vec N_agg_n, N_agg_n1, N_pri_n, N_pri_n1, C_tot_n, C_tot_n1, H_tot_n, H_tot_n1;  // mol/kg
    double N_agg_in_left, N_pri_in_left, C_tot_in_left, H_tot_in_left;
    double N_agg_in_right, N_pri_in_right, C_tot_in_right, H_tot_in_right;

    static constexpr const char* py_name = "CFlameSolverOpt";
    static constexpr const char* doc = "CFlameSolverOpt(phase, flame, grid, soot_model)";
    static PyTypeObject type;
    static bind::ClassSpec& spec();

    enum { CFLAMESOLVEROPT_METHODS(BIND_ID) MID_count };

    void init_impl(PyObject* phase, PyObject* flame, PyObject* grid, PyObject* soot_model);
    void solve_impl();
    void update_wdot_correction_impl();
    bind::Ref solve_TDMA_impl(Vec a, Vec b, Vec c, Vec d);

    bind::Ref get_grid();

private:
    void profiles();
    void step(long k, double dt_, bind::Ref& scratch);
    double evaluate(Py_ssize_t i, bind::Ref& scratch, bool with_diffusion);
    void solves();
};

}  // namespace pyrandel
