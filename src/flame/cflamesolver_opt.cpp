#include "cflamesolver_opt.hpp"

#include <climits>

#include "../extensions/flame/flamecommon.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;
using bind::at;
using namespace flame;
using Vec = CFlameSolverOpt::Vec;

BIND_TYPE_OBJECT(CFlameSolverOpt)

namespace {

Name n_zeros("zeros");

using Member = Vec CFlameSolverOpt::*;
constexpr Member B_of[4] = {&CFlameSolverOpt::B_N_agg, &CFlameSolverOpt::B_N_pri, &CFlameSolverOpt::B_C_tot,
                            &CFlameSolverOpt::B_H_tot};
constexpr Member Vn_of[4] = {&CFlameSolverOpt::N_agg_n, &CFlameSolverOpt::N_pri_n, &CFlameSolverOpt::C_tot_n,
                             &CFlameSolverOpt::H_tot_n};
constexpr Member Vn1_of[4] = {&CFlameSolverOpt::N_agg_n1, &CFlameSolverOpt::N_pri_n1, &CFlameSolverOpt::C_tot_n1,
                              &CFlameSolverOpt::H_tot_n1};
constexpr double CFlameSolverOpt::* left_of[4] = {&CFlameSolverOpt::N_agg_in_left, &CFlameSolverOpt::N_pri_in_left,
                                                  &CFlameSolverOpt::C_tot_in_left, &CFlameSolverOpt::H_tot_in_left};
constexpr double CFlameSolverOpt::* right_of[4] = {&CFlameSolverOpt::N_agg_in_right, &CFlameSolverOpt::N_pri_in_right,
                                                   &CFlameSolverOpt::C_tot_in_right, &CFlameSolverOpt::H_tot_in_right};

[[noreturn]] void native_oob(Py_ssize_t i, Py_ssize_t n) {
    bind::raisef(PyExc_IndexError, "index %zd is out of range for a native array of size %zd", i, n);
}

Ref species_by_point_zeros(int ns, int n) {
    Ref f = bind::getattr(bind::np().get(), n_zeros);
    Ref shape = bind::tuple_of({bind::py(ns).get(), bind::py(n).get()});
    return bind::call(f.get(), shape.get());
}

}  // namespace

// -------------------------------------------------------------- constructor

void CFlameSolverOpt::init_impl(PyObject* phase, PyObject* flame_, PyObject* grid, PyObject* soot_model_) {
    gas = Ref::borrow(phase);
    flame = Ref::borrow(flame_);
    soot_model = Ref::borrow(soot_model_);
    bind::fill_from_iterable(z, grid);
    const Py_ssize_t len = bind::length(grid);
    if (len > INT_MAX) bind::raise(PyExc_OverflowError, "value too large to convert to int");
    n_points = (int)len;
    const Py_ssize_t n = n_points;
    // The spacing at the first point is the one to its right.
    if (n < 2) bind::raisef(PyExc_ValueError, "the grid needs at least two points (got %zd)", n);
    dz.resize((size_t)n);
    for (Py_ssize_t j = 1; j < n; ++j) at(dz, j) = at(z, j) - at(z, j - 1);
    at(dz, 0) = at(dz, 1);
    dt = 1e-5;
    n_time_steps = 2000;
    {
        Ref names = bind::getattr(Ref::borrow(phase).get(), n_species_names);
        n_species = (int)bind::length(names.get());
    }
    P = 101325.0;
    for (Member m : {&CFlameSolverOpt::rho, &CFlameSolverOpt::mu, &CFlameSolverOpt::T, &CFlameSolverOpt::u_th,
                     &CFlameSolverOpt::u_gas, &CFlameSolverOpt::u})
        (this->*m).resize((size_t)n);
    X = species_by_point_zeros(n_species, n_points);
    wdot_correction_soot = species_by_point_zeros(n_species, n_points);
    upper.resize((size_t)(n - 1));
    diag.resize((size_t)n);
    lower.resize((size_t)(n - 1));
    for (Member m : B_of) (this->*m).resize((size_t)n);
    for (int v = 0; v < 4; ++v) {
        (this->*Vn_of[v]).resize((size_t)n);
        (this->*Vn1_of[v]).resize((size_t)n);
    }
    for (Py_ssize_t i = 0; i < n; ++i)
        for (int v = 0; v < 4; ++v) {
            Ref floor = bind::getattr(Ref::borrow(soot_model_).get(), *floor_names[v]);
            const double x = bind::as_double(floor.get());
            at(this->*Vn_of[v], i) = x;
        }
    for (auto in : {left_of, right_of})
        for (int v = 0; v < 4; ++v) {
            Ref floor = bind::getattr(Ref::borrow(soot_model_).get(), *floor_names[v]);
            this->*in[v] = bind::as_double(floor.get());
        }
    mdot_left = 0.0;
    mdot_right = 0.0;
    boundary_type_right = 0;
}

Ref CFlameSolverOpt::get_grid() { return bind::list_of(z); }

// ---------------------------------------------------------------- marching

void CFlameSolverOpt::profiles() {
    const Member dest[4] = {&CFlameSolverOpt::rho, &CFlameSolverOpt::T, &CFlameSolverOpt::mu,
                            &CFlameSolverOpt::u_gas};
    PyObject* const* const src[4] = {&n_density.obj, &n_T.obj, &n_viscosity.obj, &n_velocity.obj};
    for (int k = 0; k < 4; ++k) {
        Ref zl = bind::list_of(z);
        Ref r = interp_profile(zl.get(), flame, *src[k]);
        Ref l = bind::call_method(r.get(), n_tolist);
        bind::fill_from_iterable(this->*dest[k], l.get());
    }
    const Py_ssize_t n = n_points;
    for (Py_ssize_t j = 1; j < n; ++j)
        at(u_th, j) = thermophoresis<CheckedDiv>(at(mu, j), at(rho, j), at(T, j), at(T, j - 1), at(dz, j));
    at(u_th, 0) = at(u_th, 1);
    for (Py_ssize_t j = 0; j < n; ++j) at(u, j) = at(u_gas, j) + at(u_th, j);
    for (Py_ssize_t k = 0; k < n_species; ++k) {
        Ref zl = bind::list_of(z);
        Ref row = interp_species(zl.get(), flame, k);
        set_row(X, k, row.get());
    }
}

double CFlameSolverOpt::evaluate(Py_ssize_t i, Ref& scratch, bool with_diffusion) {
    {
        Ref g = gas.hold();
        Ref Ti = bind::py(at(T, i));
        Ref p = bind::py(P);
        Ref x = column(X, i);
        Ref tpx = bind::tuple_of({Ti.get(), p.get(), x.get()});
        bind::setattr(g.get(), n_TPX, tpx.get());
    }
    {
        Ref m = soot_model.hold();
        Ref Ti = bind::py(at(T, i));
        Ref p = bind::py(P);
        Ref r = bind::py(at(rho, i));
        Ref mu_i = bind::py(at(mu, i));
        Ref mw = bind::getattr(gas.hold().get(), n_mean_molecular_weight);
        Ref x = column(X, i);
        CSootModel::held::update_gas(m.get(), Ti.get(), p.get(), r.get(), mu_i.get(), mw.get(), x.get());
    }
    {
        Ref m = soot_model.hold();
        const double v[4] = {at(N_agg_n, i), at(N_pri_n, i), at(C_tot_n, i), at(H_tot_n, i)};
        update_solution(m.get(), v, nullptr, scratch);
    }
    if (!with_diffusion) return 0.0;
    return diffus_coeff(soot_model);
}

void CFlameSolverOpt::step(long k, double dt_, Ref& scratch) {
    const Py_ssize_t n = n_points, f = n - 1;

    // Left end: flux row with the left inlet mass flux.
    double D = evaluate(0, scratch, true);
    at(diag, 0) = mdot_left;
    for (int v = 0; v < 4; ++v) {
        const Vec& Vn = this->*Vn_of[v];
        const double b = left_rhs<CheckedDiv>(at(rho, 0), at(u, 0), D, at(Vn, 0), at(Vn, 1), at(dz, 1), this->*left_of[v]);
        at(this->*B_of[v], 0) = b;
    }
    at(upper, 0) = 0.0;

    // Right end: inlet or zero-gradient outlet.
    D = evaluate(f, scratch, true);
    if (boundary_type_right == 0) {
        at(diag, f) = mdot_right;
        for (int v = 0; v < 4; ++v) {
            const Vec& Vn = this->*Vn_of[v];
            const double b = right_inlet_rhs<CheckedDiv>(at(rho, f), at(rho, f - 1), at(u, f), D, at(Vn, f),
                                                         at(Vn, f - 1), at(dz, f), this->*right_of[v]);
            at(this->*B_of[v], f) = b;
        }
    } else {
        at(diag, f) = outlet_diag<CheckedDiv>(at(rho, f), dt_);
        for (int v = 0; v < 4; ++v)
            at(this->*B_of[v], f) = outlet_rhs<CheckedDiv>(at(rho, f), dt_, at(this->*Vn_of[v], f - 1));
    }
    at(lower, f - 1) = 0.0;

    // Interior points.
    for (Py_ssize_t j = 1; j < n - 1; ++j) {
        D = evaluate(j, scratch, true);
        const Row r = interior_row<CheckedDiv>(at(rho, j), at(u, j), at(dz, j), at(dz, j + 1), D, dt_);
        at(lower, j - 1) = r.lower;
        at(diag, j) = r.diag;
        at(upper, j) = r.upper;
        for (int v = 0; v < 4; ++v) {
            const double first = interior_rhs_old<CheckedDiv>(at(rho, j), dt_, at(this->*Vn_of[v], j));
            const double rho_j = at(rho, j);
            Ref S = source_of<CSootModel>(soot_model, v);
            double b;
            if (PyFloat_CheckExact(S.get())) {
                b = first + rho_j * PyFloat_AS_DOUBLE(S.get());
            } else {
                // Any other number: the interpreter's rules decide.
                Ref prod = Ref::steal(PyNumber_Multiply(bind::py(rho_j).get(), S.get()));
                Ref sum = Ref::steal(PyNumber_Add(bind::py(first).get(), prod.get()));
                b = bind::as_double(sum.get());
            }
            at(this->*B_of[v], j) = b;
        }
    }

    solves();
    print_step(k);
    for (int v = 0; v < 4; ++v) this->*Vn_of[v] = this->*Vn1_of[v];
}

void CFlameSolverOpt::solves() {
    if (bind::Class<CFlameSolverOpt>::overridden(this, MID_solve_TDMA)) {
        for (int v = 0; v < 4; ++v) {
            Ref a = bind::list_of(lower), b = bind::list_of(diag), c = bind::list_of(upper),
                d = bind::list_of(this->*B_of[v]);
            Ref x = bind::call_method((PyObject*)this, n_solve_TDMA, a.get(), b.get(), c.get(), d.get());
            bind::fill_from_iterable(this->*Vn1_of[v], x.get());
        }
        return;
    }
    // The four systems share one elimination; nothing here runs Python code.
    bind::traced(spec(), MID_solve_TDMA, [&] {
        Thomas<CheckedDiv> th;
        bool eliminated = false;
        std::vector<double> x, work;
        for (int v = 0; v < 4; ++v) {
            const Vec& d = this->*B_of[v];
            const size_t nd = d.size();
            if (nd == 0 || lower.size() + 1 < nd || upper.size() + 1 < nd || diag.size() < nd ||
                (eliminated && nd != th.n)) {
                x = thomas_checked<CheckedDiv>(lower, diag, upper, d, native_oob);
            } else {
                if (!eliminated) {
                    th.eliminate(lower.data(), diag.data(), diag.size(), upper.data(), nd);
                    eliminated = true;
                }
                th.solve(d.data(), x, work);
            }
            x.resize(nd);
            (this->*Vn1_of[v]).assign(x.begin(), x.end());
        }
    });
}

void CFlameSolverOpt::solve_impl() {
    profiles();
    const double dt_ = dt;
    const int steps = n_time_steps;
    Ref scratch;
    for (long k = 0; k < steps; ++k) step(k, dt_, scratch);
}

void CFlameSolverOpt::update_wdot_correction_impl() {
    const Py_ssize_t n = n_points;
    Ref scratch;
    for (Py_ssize_t i = 0; i < n; ++i) {
        evaluate(i, scratch, false);
        CSootModel::held::update_scrub_wdot(soot_model);
        Ref w = scrub_wdot(soot_model);
        set_column(wdot_correction_soot, i, w.get());
    }
}

Ref CFlameSolverOpt::solve_TDMA_impl(std::vector<double> a, std::vector<double> b, std::vector<double> c,
                                     std::vector<double> d) {
    const size_t n = d.size();
    std::vector<double> x = thomas_checked<CheckedDiv>(std::move(a), std::move(b), std::move(c), std::move(d), native_oob);
    x.resize(n);
    return bind::list_of(x);
}

// ------------------------------------------------------------------ tables

namespace {

using Self = CFlameSolverOpt;
const bind::Field fields[] = {CFLAMESOLVEROPT_FIELDS(BIND_ROW)};
BIND_METHOD_TABLES(CFLAMESOLVEROPT_METHODS)

PyGetSetDef props[] = {
    bind::prop<&CFlameSolverOpt::get_grid, "grid">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& CFlameSolverOpt::spec() {
    static bind::ClassSpec s = bind::define<CFlameSolverOpt>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .props = props,
        .init = bind::Init<&CFlameSolverOpt::init_impl, "phase, flame, grid, soot_model">::init,
        .checksums = {0x4425ef5, 0xe9075ae, 0xc5057d9},
    });
    return s;
}

}  // namespace pyrandel
