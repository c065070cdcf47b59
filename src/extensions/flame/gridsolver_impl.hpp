// The working shared by CFVSolver and CFDSolver; each source instantiates it
// with its own interior block.
#pragma once

#include "gridmarch.hpp"
#include "gridsolver.hpp"

namespace pyrandel::flame::grid {

using bind::Ref;

inline bind::Name n_n_species("n_species"), n_P("P"), n_mean_molecular_weight_("mean_molecular_weight"),
    n_zeros_("zeros");

inline Ref species_by_point_zeros(int ns, int n) {
    Ref f = bind::getattr(bind::np().get(), n_zeros_);
    Ref shape = bind::tuple_of({bind::py(ns).get(), bind::py(n).get()});
    return bind::call(f.get(), shape.get());
}

// Any array's values as float64 (integer arrays are not truncated).
inline void values_of(const bind::Array& f, std::vector<double>& out) {
    Ref h = f.hold();
    bind::Items it(h.get());
    const Py_ssize_t n = it.size();
    out.resize((size_t)n);
    for (Py_ssize_t i = 0; i < n; ++i) out[(size_t)i] = it.get(i);
}

template <class C>
void construct(C* s, PyObject* soot_gas, PyObject* flame, PyObject* grid, PyObject* soot) {
    s->soot_gas.set(soot_gas);
    s->flame.set(flame);
    s->soot.set(soot);
    s->grid = Ref::borrow(grid);
    {
        const Py_ssize_t len = bind::length(grid);
        if (len > INT_MAX) bind::raise(PyExc_OverflowError, "value too large to convert to int");
        s->n_points = (int)len;
        Ref ns = bind::getattr(s->soot_gas.hold().get(), n_n_species);
        s->n_species = bind::as_int(ns.get());
    }
    // The spacing of the first point is the one to its right: two points at least.
    if (s->n_points < 2) bind::raisef(PyExc_ValueError, "the grid needs at least two points (got %d)", s->n_points);
    s->dt = 1e-4;
    s->n_time_steps = 9000;
    {
        Ref p = bind::getattr(Ref::borrow(soot_gas).get(), n_P);
        s->P = bind::as_double(p.get());
    }
    floors_into_inflow(s);
    s->under = 1.0;
    s->mdot_left = 0.0;
    s->k_th = 0.538;
    s->mdot_right = 0.0;
    s->boundary_type_right = 0;
    s->create_matrix();
    s->create_solution_vector();
    s->create_dx();
}

template <class C>
void create_matrix(C* s) {
    const Py_ssize_t n = s->n_points;
    s->upper = bind::zeros(n - 1);
    s->diag = bind::zeros(n);
    s->lower = bind::zeros(n - 1);
    for (auto m : Fields<C>::B) s->*m = bind::zeros(n);
}

template <class C>
void create_dx(C* s) {
    const Py_ssize_t n = s->n_points;
    points_within(s->grid, n);
    s->dx = bind::zeros(n);
    Ref d = s->dx.hold(), g = s->grid.hold();
    for (Py_ssize_t i = 1; i < n; ++i) put(d.get(), i, bind::item(g.get(), i) - bind::item(g.get(), i - 1), "dx");
    put(d.get(), 0, bind::item(d.get(), 1), "dx");
}

template <class C>
void interplote_from_flame(C* s) {
    const Py_ssize_t n = s->n_points;
    points_within(s->grid, n);
    Ref fl = s->flame.hold(), g = s->grid.hold();
    s->rho = interp_profile(g.get(), fl.get(), n_density);
    s->T = interp_profile(g.get(), fl.get(), n_T);
    s->mu = interp_profile(g.get(), fl.get(), n_viscosity);
    {
        Ref mw = bind::getattr(fl.get(), n_mean_molecular_weight_);
        Ref kmol = bind::py((int64_t)1000);
        Ref per_mol = Ref::steal(PyNumber_TrueDivide(mw.get(), kmol.get()));
        s->mean_MW = interp_values(g.get(), fl.get(), per_mol.get());
    }
    s->u_gas = interp_profile(g.get(), fl.get(), n_velocity);
    s->u = bind::zeros(n);
    s->u_th = bind::zeros(n);
    {
        FpWatch fp;
        Ref Tt = s->T.hold(), mm = s->mu.hold(), rr = s->rho.hold(), d = s->dx.hold(), th = s->u_th.hold();
        for (Py_ssize_t i = 1; i < n; ++i) {
            const double T1 = bind::item(Tt.get(), i), T0 = bind::item(Tt.get(), i - 1);
            const double dT = T1 - T0;
            const double T_f = (T1 + T0) / 2;
            const double mu_f = (bind::item(mm.get(), i) + bind::item(mm.get(), i - 1)) / 2;
            const double rho_f = (bind::item(rr.get(), i) + bind::item(rr.get(), i - 1)) / 2;
            const double drift = CheckedDiv::div(-(mu_f * s->k_th), rho_f * T_f) * dT;
            put(th.get(), i, NumpyDiv::div(drift, bind::item(d.get(), i)), "u_th");
        }
        put(th.get(), 0, bind::item(th.get(), 1), "u_th");
        fp.report();
    }
    {
        Ref ug = s->u_gas.hold(), th = s->u_th.hold();
        s->u = Ref::steal(PyNumber_Add(ug.get(), th.get()));
    }
    // The rows before the table: a species count raised from Python meets the
    // flame's last row before anything is sized by it.
    std::vector<Ref> rows;
    for (Py_ssize_t r = 0; r < s->n_species; ++r) rows.push_back(interp_species(g.get(), fl.get(), r));
    s->X = species_by_point_zeros(s->n_species, s->n_points);
    s->w_scrub = species_by_point_zeros(s->n_species, s->n_points);
    for (Py_ssize_t r = 0; r < (Py_ssize_t)rows.size(); ++r) {
        Ref x = s->X.hold();
        require_float64(x.get(), "X");
        set_row(x.get(), r, rows[(size_t)r].get());
    }
}

// max(v, 0) of the interpreter: 0 when 0 > v, otherwise v (NaN passes).
inline double max0(double v) { return 0.0 > v ? 0.0 : v; }

// Finite volumes: face fluxes averaged from the neighbouring points.
struct FiniteVolume {
    template <class C>
    static void row(C* s, Py_ssize_t i, double dt, const std::vector<double> (&src)[4]) {
        using Fd = Fields<C>;
        auto e = [](const bind::Array& a, Py_ssize_t k) { return elem(a, k); };
        const double rw = e(s->rho, i - 1), rp = e(s->rho, i), re = e(s->rho, i + 1);
        const double uw = e(s->u, i - 1), up = e(s->u, i), ue = e(s->u, i + 1);
        const double Dw = e(s->D, i - 1), Dp = e(s->D, i), De = e(s->D, i + 1);
        const double xw = e(s->dx, i - 1), xp = e(s->dx, i), xe = e(s->dx, i + 1);
        const double F_w = (rw * uw + rp * up) / 2;
        const double F_e = (rp * up + re * ue) / 2;
        const double D_w = (NumpyDiv::div(rw * Dw, xw) + NumpyDiv::div(rp * Dp, xp)) / 2;
        const double D_e = (NumpyDiv::div(rp * Dp, xp) + NumpyDiv::div(re * De, xe)) / 2;
        const double a_P0 = NumpyDiv::div(rp * xp, dt);
        const double a_W = D_w + max0(F_w);
        const double a_E = D_e + max0(-F_e);
        const double a_P = ((F_e - F_w) + (a_W + a_E)) + a_P0;
        put(s->upper.hold().get(), i, -a_E, "upper");
        put(s->diag.hold().get(), i, a_P, "diag");
        put(s->lower.hold().get(), i - 1, -a_W, "lower");
        for (int v = 0; v < 4; ++v) {
            const double b = a_P0 * e(s->*Fd::Vn[v], i) + rp * bind::at(src[v], i) * xp;
            put((s->*Fd::B[v]).hold().get(), i, b, Fd::B_names[v]);
        }
    }
};

// Finite differences: upwind convection with the point's own mass flux,
// central diffusion on the non-uniform grid.
struct FiniteDifference {
    template <class C>
    static void row(C* s, Py_ssize_t i, double dt, const std::vector<double> (&src)[4]) {
        using Fd = Fields<C>;
        auto e = [](const bind::Array& a, Py_ssize_t k) { return elem(a, k); };
        const double rp = e(s->rho, i), up = e(s->u, i), xp = e(s->dx, i), xe = e(s->dx, i + 1);
        const double Dp = e(s->D, i), rw = e(s->rho, i - 1), Dw = e(s->D, i - 1);
        const double a0 = NumpyDiv::div(rp, dt);
        const double cw = max0(NumpyDiv::div(rp * up, xp));
        const double ce = max0(NumpyDiv::div((-rp) * up, xe));
        const double de = NumpyDiv::div(rp * Dp, xe);
        const double dw = NumpyDiv::div(rw * Dw, xp);
        const double f = NumpyDiv::div(2.0, xe + xp);
        put(s->upper.hold().get(), i, -ce - de * f, "upper");
        put(s->diag.hold().get(), i, (dw + de) * f + ((cw + a0) + ce), "diag");
        put(s->lower.hold().get(), i - 1, -cw - dw * f, "lower");
        for (int v = 0; v < 4; ++v) {
            const double b = a0 * e(s->*Fd::Vn[v], i) + rp * bind::at(src[v], i);
            put((s->*Fd::B[v]).hold().get(), i, b, Fd::B_names[v]);
        }
    }
};

template <class Interior, class C>
void solve(C* s) {
    s->interplote_from_flame();
    points_within(s->T, s->n_points);
    s->D = bind::zeros(s->n_points);
    std::vector<double> src[4];
    for (auto& v : src) v.assign((size_t)std::max(s->n_points, 0), 0.0);
    const int steps = s->n_time_steps;
    Ref scratch;
    for (long k = 0; k < steps; ++k) {
        // Python code of the last step may have raised the point count.
        const Py_ssize_t n = s->n_points;
        points_within(s->T, n);
        for (auto& v : src) v.resize((size_t)std::max<Py_ssize_t>(n, 0), 0.0);
        for (Py_ssize_t j = 0; j < n; ++j) {
            double q[4], d;
            evaluate_point(s, j, scratch, q, d);
            for (int v = 0; v < 4; ++v) bind::at(src[v], j) = q[v];
            put(s->D.hold().get(), j, d, "D");
        }
        const double dt = s->dt;
        FpWatch fp;
        end_rows(s, n);
        for (Py_ssize_t i = 1; i < n - 1; ++i) Interior::row(s, i, dt, src);
        try {
            four_solves<NumpyDiv>(s, values_of);
        } catch (bind::Error&) {
            bind::add_traceback(bind::qualname(C::py_name, "solve_TDMA").c_str(), __FILE__, __LINE__);
            throw;
        }
        fp.report();
        print_step(k);
        relax_all(s);
    }
}

// Thomas algorithm on float64 copies of the four arrays; a new array.
template <class C>
Ref solve_TDMA(C*, PyObject* a, PyObject* b, PyObject* c, PyObject* d) {
    auto read = [](PyObject* o, std::vector<double>& out) {
        bind::Array f;
        f = Ref::borrow(o);
        values_of(f, out);
    };
    std::vector<double> va, vb, vc, vd;
    read(a, va);
    read(b, vb);
    read(c, vc);
    read(d, vd);
    const size_t n = vd.size();
    FpWatch fp;
    std::vector<double> x = thomas_checked<NumpyDiv>(va, vb, vc, vd, [](Py_ssize_t i, Py_ssize_t m) {
        bind::raisef(PyExc_IndexError, "index %zd is out of bounds for axis 0 with size %zd", i, m);
    });
    fp.report();
    x.resize(n);
    return array_of(x);
}

}  // namespace pyrandel::flame::grid

// The class's definitions: method bodies, tables and spec.
#define GRIDSOLVER_DEFINE(C, Interior, checksums_)                                                         \
    BIND_TYPE_OBJECT(C)                                                                                    \
    void C::init_impl(PyObject* a, PyObject* b, PyObject* c, PyObject* d) { flame::grid::construct(this, a, b, c, d); } \
    void C::interplote_from_flame_impl() { flame::grid::interplote_from_flame(this); }                    \
    void C::create_matrix_impl() { flame::grid::create_matrix(this); }                                    \
    void C::create_solution_vector_impl() { flame::floors_into_arrays(this, n_points); }                  \
    void C::create_dx_impl() { flame::grid::create_dx(this); }                                            \
    void C::solve_impl() { flame::grid::solve<flame::grid::Interior>(this); }                             \
    bind::Ref C::solve_TDMA_impl(PyObject* a, PyObject* b, PyObject* c, PyObject* d) {                    \
        return flame::grid::solve_TDMA(this, a, b, c, d);                                                 \
    }                                                                                                      \
    const GridSolverVTable<C> C::vtable = {.solve_TDMA = bind::entry<&C::solve_TDMA_impl, "solve_TDMA">()}; \
    namespace {                                                                                            \
    using Self = C;                                                                                        \
    const bind::Field fields[] = {GRIDSOLVER_FIELDS(BIND_ROW)};                                            \
    BIND_METHOD_TABLES(GRIDSOLVER_METHODS)                                                                 \
    }                                                                                                      \
    bind::ClassSpec& C::spec() {                                                                           \
        static bind::ClassSpec s =                                                                         \
            bind::define<C>({.fields = fields,                                                             \
                             .methods = methods,                                                           \
                             .bodies = bodies,                                                             \
                             .init = bind::Init<&C::init_impl, "soot_gas, flame, grid, soot">::init,      \
                             .vtable = &vtable,                                                            \
                             .vtable_size = sizeof vtable,                                                 \
                             .checksums = checksums_});                                                    \
        return s;                                                                                          \
    }
