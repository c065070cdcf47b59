// Steps shared by the modular solvers that hold their profiles and systems as
// NumPy arrays (CTempFlameSolverOpt, CFVSolver, CFDSolver): the evaluation of
// the gas wrapper and the particle model at every grid point, the fixed-value
// end rows, the four tri-diagonal solves of a step and the under-relaxation.
// A solver provides the fields these read by name (soot_gas, soot, T, rho, mu,
// mean_MW, X, P, the diagonals, right sides, soot arrays and inflow values).
#pragma once

#include <optional>
#include <vector>

#include "flamecommon.hpp"
#include "../gas/sootgas.hpp"
#include "../sootmodels/monodisperse.hpp"
#include "../sootwrapper/sootwrapper.hpp"

namespace pyrandel::flame {

// The particle model, read from the soot wrapper's field at each use.
template <class S>
bind::Ref particle_model(S* s) {
    bind::Ref w = held_wrapper(s->soot, "soot_model");
    return as_wrapper(w)->soot_model.hold();
}

template <class S>
struct Fields {
    using A = bind::Array S::*;
    static constexpr A B[4] = {&S::B_N_agg, &S::B_N_pri, &S::B_C_tot, &S::B_H_tot};
    static constexpr A Vn[4] = {&S::N_agg_n, &S::N_pri_n, &S::C_tot_n, &S::H_tot_n};
    static constexpr A Vn1[4] = {&S::N_agg_n1, &S::N_pri_n1, &S::C_tot_n1, &S::H_tot_n1};
    static constexpr double S::* left[4] = {&S::N_agg_in_left, &S::N_pri_in_left, &S::C_tot_in_left,
                                            &S::H_tot_in_left};
    static constexpr double S::* right[4] = {&S::N_agg_in_right, &S::N_pri_in_right, &S::C_tot_in_right,
                                             &S::H_tot_in_right};
    static constexpr const char* B_names[4] = {"B_N_agg", "B_N_pri", "B_C_tot", "B_H_tot"};
};

inline double elem(const bind::Array& a, Py_ssize_t i) { return bind::item(a.hold().get(), i); }

// A point count set from Python sizes nothing beyond the array a loop over the
// points reads: past its end, the read of the first missing point raises
// IndexError here, before any vector or array takes the count.
inline void points_within(const bind::Array& a, Py_ssize_t n) {
    bind::Ref h = a.hold();
    if (!h || h.get() == Py_None) return;
    bind::Items it(h.get());
    const Py_ssize_t m = it.size();
    if (n <= m) return;
    (void)it.get(m);
    bind::raisef(PyExc_IndexError, "index %zd is out of bounds for axis 0 with size %zd", m, m);
}

// Point j: gas.update(T, P, X[:, j], rho, mu, mean_MW), gas.update_lambda_gas(),
// model.set_vars([V_n[j]...]), model.update(), the four source terms, then D.
template <class S>
void evaluate_point(S* s, Py_ssize_t j, bind::Ref& scratch, double src[4], double& D) {
    using Fd = Fields<S>;
    {
        const double T = elem(s->T, j), rho = elem(s->rho, j), mu = elem(s->mu, j), mw = elem(s->mean_MW, j);
        bind::Ref X = s->X.hold();
        update_gas_wrapper(s->soot_gas.get(), T, s->P, X.get(), j, rho, mu, mw);
    }
    CSootGas::held::update_lambda_gas(s->soot_gas.get());
    {
        double v[4];
        for (int k = 0; k < 4; ++k) v[k] = elem(s->*Fd::Vn[k], j);
        bind::Ref m = particle_model(s);
        set_vars(m.get(), v, scratch);
    }
    {
        bind::Ref m = particle_model(s);
        CSootModelBase::held::update(m.get());
    }
    for (int k = 0; k < 4; ++k) {
        bind::Ref m = particle_model(s);
        bind::Ref r = source_of<CMonodisperseSootModel>(m.get(), k);
        src[k] = bind::as_double(r.get());
    }
    bind::Ref m = particle_model(s);
    bind::Ref r = CMonodisperseSootModel::held::diffusion_coefficient(m.get());
    D = bind::as_double(r.get());
}

// Fixed values at both ends; an outlet at the right takes its neighbour's value.
template <class S>
void end_rows(S* s, Py_ssize_t n) {
    using Fd = Fields<S>;
    const Py_ssize_t f = n - 1;
    put(s->diag.hold().get(), 0, 1.0, "diag");
    for (int v = 0; v < 4; ++v) put((s->*Fd::B[v]).hold().get(), 0, s->*Fd::left[v], Fd::B_names[v]);
    put(s->upper.hold().get(), 0, 0.0, "upper");
    put(s->diag.hold().get(), f, 1.0, "diag");
    for (int v = 0; v < 4; ++v) {
        const double x = s->boundary_type_right == 0 ? s->*Fd::right[v] : elem(s->*Fd::Vn[v], f - 1);
        put((s->*Fd::B[v]).hold().get(), f, x, Fd::B_names[v]);
    }
    put(s->lower.hold().get(), f - 1, 0.0, "lower");
}

// A new float64 array holding v.
inline bind::Ref array_of(const std::vector<double>& v) {
    bind::Ref a = bind::zeros((Py_ssize_t)v.size());
    bind::Items it(a.get());
    for (size_t i = 0; i < v.size(); ++i) it.set((Py_ssize_t)i, v[i]);
    return a;
}

[[noreturn]] inline void buffer_oob(Py_ssize_t, Py_ssize_t) {
    bind::raise(PyExc_IndexError, "Out of bounds on buffer access (axis 0)");
}

// The four solves of a step, in turn, each result a new array bound to its
// V_n1 field. Systems of one length share one elimination (the same bits as
// four separate eliminations); any other is solved on its own with every
// index tested. `read(field, out)` gives an array's values as the solver's
// tri-diagonal routine takes them.
template <class Div, class S, class Read>
void four_solves(S* s, Read read) {
    using Fd = Fields<S>;
    std::vector<double> a, b, c;
    read(s->lower, a);
    read(s->diag, b);
    read(s->upper, c);
    std::optional<Thomas<Div>> th;
    std::vector<double> d, x, work;
    for (int v = 0; v < 4; ++v) {
        read(s->*Fd::B[v], d);
        const size_t n = d.size();
        if (n > 0 && a.size() + 1 >= n && c.size() + 1 >= n && b.size() >= n) {
            if (!th || th->n != n) {
                th.emplace();
                th->eliminate(a.data(), b.data(), b.size(), c.data(), n);
            }
            th->solve(d.data(), x, work);
        } else {
            x = thomas_checked<Div>(a, b, c, d, buffer_oob);
        }
        x.resize(n);
        s->*Fd::Vn1[v] = array_of(x);
    }
}

// V_n = V_n1 * under + V_n * (1.0 - under), each a new array.
template <class S>
void relax_all(S* s) {
    using Fd = Fields<S>;
    for (int v = 0; v < 4; ++v) {
        bind::Ref a1 = (s->*Fd::Vn1[v]).hold(), a0 = (s->*Fd::Vn[v]).hold();
        s->*Fd::Vn[v] = relax(a1.get(), a0.get(), s->under);
    }
}

// n ones times the particle model's floors into the eight soot arrays, and the inflow values.
template <class S>
void floors_into_arrays(S* s, Py_ssize_t n) {
    using Fd = Fields<S>;
    for (int v = 0; v < 4; ++v)
        for (auto f : {Fd::Vn[v], Fd::Vn1[v]}) {
            bind::Ref m = particle_model(s);
            bind::Ref floor = bind::getattr(m.get(), *floor_names[v]);
            s->*f = ones_times(n, floor.get());
        }
}
template <class S>
void floors_into_inflow(S* s) {
    using Fd = Fields<S>;
    for (auto in : {Fd::left, Fd::right})
        for (int v = 0; v < 4; ++v) {
            bind::Ref m = particle_model(s);
            bind::Ref floor = bind::getattr(m.get(), *floor_names[v]);
            s->*in[v] = bind::as_double(floor.get());
        }
}

}  // namespace pyrandel::flame
