// Pieces shared by the flame solvers: the transfer of the flame profiles onto a
// solver's grid, the calls on the models at a grid point whose two routes
// prepare their arguments differently, the upwind rows of the soot transport
// equations, the Thomas algorithm and the progress line.
//
// The rows and the Thomas algorithm are written once for both kinds of
// arithmetic: NumPy's (a zero divisor gives an infinity or NaN, reported
// through NumPy's floating-point error handling) and the native one (a zero
// divisor raises ZeroDivisionError "float division").
#pragma once

#include <cmath>
#include <vector>

#include "../../binding/cls.hpp"
#include "../../binding/numpy.hpp"
#include "../../csootmodel/sootmodel.hpp"

namespace pyrandel::flame {

// NumPy's behaviour, as the solvers use it.
using bind::CheckedDiv;
using bind::column;
using bind::column_values;
using bind::FpWatch;
using bind::interp_profile;
using bind::interp_species;
using bind::interp_values;
using bind::NumpyDiv;
using bind::ones_times;
using bind::put;
using bind::relax;
using bind::report_fp;
using bind::require_float64;
using bind::set_column;
using bind::set_row;

// Thermophoretic drift at a point from the backward temperature difference.
template <class Div>
double thermophoresis(double mu, double rho, double T, double T_prev, double dz) {
    const double dT = T - T_prev;
    return Div::div(Div::div(-0.538 * mu, rho * T) * dT, dz);
}

// ------------------------------------------------------------------- rows

struct Row {
    double lower, diag, upper;
};

// Interior point: implicit upwind convection, central diffusion, implicit in time.
template <class Div>
Row interior_row(double rho, double u, double dz_l, double dz_r, double D, double dt) {
    const double a = Div::div(2 * rho * D, dz_r + dz_l);
    Row r;
    if (std::isgreater(u, 0.0)) {  // quiet comparison: NaN takes the second form
        r.lower = Div::div(-rho * u, dz_l) - a * Div::div(1.0, dz_l);
        r.diag = Div::div(rho, dt) + Div::div(rho * u, dz_l) + a * (Div::div(1.0, dz_r) + Div::div(1.0, dz_l));
        r.upper = -a * Div::div(1.0, dz_r);
    } else {
        r.lower = -a * Div::div(1.0, dz_l);
        r.diag = Div::div(rho, dt) - Div::div(rho * u, dz_r) + a * (Div::div(1.0, dz_r) + Div::div(1.0, dz_l));
        r.upper = Div::div(rho * u, dz_r) - a * Div::div(1.0, dz_r);
    }
    return r;
}

// The same rows with the diffusion terms divided by the spacings directly.
template <class Div>
Row interior_row_div(double rho, double u, double dz_l, double dz_r, double D, double dt) {
    const double a = Div::div(2 * rho * D, dz_l + dz_r);
    Row r;
    if (std::isgreater(u, 0.0)) {
        r.lower = Div::div(-rho * u, dz_l) - Div::div(a, dz_l);
        r.diag = Div::div(rho, dt) + Div::div(rho * u, dz_l) + a * (Div::div(1.0, dz_r) + Div::div(1.0, dz_l));
        r.upper = Div::div(-a, dz_r);
    } else {
        r.lower = Div::div(-a, dz_l);
        r.diag = Div::div(rho, dt) - Div::div(rho * u, dz_r) + a * (Div::div(1.0, dz_r) + Div::div(1.0, dz_l));
        r.upper = Div::div(rho * u, dz_r) - Div::div(a, dz_r);
    }
    return r;
}

// Left end: the inflow minus the diffusive flux of the old values.
template <class Div>
double left_rhs(double rho0, double u0, double D, double V0, double V1, double dz1, double V_in) {
    return Div::div(-D * rho0 * (V1 - V0), dz1) + rho0 * u0 * V_in;
}
// Right end as an inlet: the inflow takes the density of the point before the last.
template <class Div>
double right_inlet_rhs(double rho_f, double rho_f1, double u_f, double D, double V_f, double V_f1, double dz_f,
                       double V_in) {
    return Div::div(D * rho_f * (V_f - V_f1), dz_f) - rho_f1 * u_f * V_in;
}
// Right end as an outlet: the new end value is the old value of its neighbour.
template <class Div>
double outlet_diag(double rho_f, double dt) {
    return Div::div(rho_f, dt);
}
template <class Div>
double outlet_rhs(double rho_f, double dt, double V_f1) {
    return Div::div(rho_f, dt) * V_f1;
}
// First term of an interior right-hand side; the source term is added by the caller.
template <class Div>
double interior_rhs_old(double rho, double dt, double V) {
    return Div::div(rho, dt) * V;
}

// --------------------------------------------------------- Thomas algorithm

// Forward elimination of a tri-diagonal matrix, kept so that several
// right-hand sides share it. Roles: a sub-diagonal (a[i] multiplies x[i] in
// row i+1), b diagonal, c super-diagonal (c[i] multiplies x[i+1] in row i).
// Every input is read through `read(p, size, i)`: entry i of `size` entries,
// read as it is or tested first.
template <class Div>
struct Thomas {
    std::vector<double> b;  // eliminated diagonal (and, past n, the untouched rest)
    std::vector<double> m;  // multipliers, m[i] for row i >= 1
    const double* c = nullptr;
    size_t c_size = 0;
    size_t n = 0;

    static double plain(const double* p, size_t, Py_ssize_t i) { return p[i]; }

    // The caller guarantees a and c hold n-1, b_in at least n entries (b_size).
    void eliminate(const double* a, const double* b_in, size_t b_size, const double* c_in, size_t n_) {
        eliminate(a, n_, b_in, b_size, c_in, n_, n_, plain);
    }
    template <class Read>
    void eliminate(const double* a, size_t a_size, const double* b_in, size_t b_size, const double* c_in,
                   size_t c_size_, size_t n_, Read read) {
        n = n_;
        c = c_in;
        c_size = c_size_;
        b.assign(b_in, b_in + b_size);
        m.assign(n, 0.0);
        for (Py_ssize_t i = 1; i < (Py_ssize_t)n; ++i) {
            const double mi = Div::div(read(a, a_size, i - 1), read(b.data(), b.size(), i - 1));
            m[(size_t)i] = mi;
            const double bi = read(b.data(), b.size(), i) - mi * read(c, c_size, i - 1);
            b[(size_t)i] = bi;
        }
    }
    // x (b.size() entries) = the eliminated diagonal with the n solutions in front.
    void solve(const double* d_in, std::vector<double>& x, std::vector<double>& d) const {
        solve(d_in, x, d, plain);
    }
    template <class Read>
    void solve(const double* d_in, std::vector<double>& x, std::vector<double>& d, Read read) const {
        d.assign(d_in, d_in + n);
        for (size_t i = 1; i < n; ++i) d[i] = d[i] - m[i] * d[i - 1];
        x = b;
        const Py_ssize_t last = (Py_ssize_t)n - 1;
        const double dn = read(d.data(), n, last);
        const double xn = Div::div(dn, read(b.data(), b.size(), last));
        x[(size_t)last] = xn;
        for (Py_ssize_t i = last - 1; i >= 0; --i) {
            const double di = d[(size_t)i];
            const double ci = read(c, c_size, i);
            x[(size_t)i] = Div::div(di - ci * x[(size_t)(i + 1)], b[(size_t)i]);
        }
    }
};

// One system, every index tested in the order the algorithm reads it;
// `oob(i, size)` raises the IndexError of the caller's convention. The result
// is the eliminated diagonal with the solutions in front (len(b) entries).
template <class Div, class Oob>
std::vector<double> thomas_checked(const std::vector<double>& a, const std::vector<double>& b,
                                   const std::vector<double>& c, const std::vector<double>& d, Oob oob) {
    auto read = [&](const double* p, size_t size, Py_ssize_t i) {
        if (i < 0 || (size_t)i >= size) oob(i, (Py_ssize_t)size);
        return p[i];
    };
    Thomas<Div> th;
    th.eliminate(a.data(), a.size(), b.data(), b.size(), c.data(), c.size(), d.size(), read);
    std::vector<double> x, work;
    th.solve(d.data(), x, work, read);
    return x;
}

// ---------------------------------------------------------- progress line

// "Time Step = k" through the interpreter's print.
void print_step(long k);

// ------------------------------------------------- the particle models

// The models' steps at a grid point are the layer's held calls (C::held):
// the C++ body of the model's class unless a Python subclass or an instance
// attribute overrides it, by name on any other object. These prepare their
// arguments differently on the two routes.

// S_N_agg, S_N_pri, S_C_tot, S_H_tot (i = 0..3) of a model of class C.
template <class C>
bind::Ref source_of(PyObject* model, int i) {
    using H = typename C::held;
    switch (i) {
        case 0: return H::S_N_agg(model);
        case 1: return H::S_N_pri(model);
        case 2: return H::S_C_tot(model);
        default: return H::S_H_tot(model);
    }
}

// The classic model's update_solution: by name an array made by np.array of
// the values (`objs` as the solver holds them, or floats made from `v`); the
// model's own body reads them from `scratch`, one four-element array for
// every point (the body keeps no reference to it).
void update_solution(PyObject* model, const double v[4], PyObject* const* objs, bind::Ref& scratch);
// Its diffus_coeff strategy, called, and its scrub_wdot attribute.
double diffus_coeff(PyObject* model);
bind::Ref scrub_wdot(PyObject* model);

// The monodisperse model's set_vars likewise: by name a new array; its own
// body copies the values from `scratch`.
void set_vars(PyObject* model, const double v[4], bind::Ref& scratch);

// The gas wrapper's update(T, P, X[:, j], rho, mu, mean_MW): by name with the
// column as a view, the own body with the column's values.
void update_gas_wrapper(PyObject* gas, double T, double P, PyObject* X, Py_ssize_t j, double rho, double mu,
                        double mean_MW);

// Names shared by the solvers.
extern bind::Name n_TPX, n_mean_molecular_weight, n_solve_TDMA, n_species_names, n_grid, n_shape, n_density, n_T,
    n_viscosity, n_velocity, n_N_agg_min, n_N_pri_min, n_C_tot_min, n_H_tot_min, n_tolist;
extern PyObject* const* const floor_names[4];

}  // namespace pyrandel::flame
