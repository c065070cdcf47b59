#include "tempflame.hpp"

#include <climits>
#include <optional>

#include "flamecommon.hpp"
#include "../gas/sootgas.hpp"
#include "../sootmodels/monodisperse.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;
using bind::at;
using namespace flame;
using C = CTempFlameSolver;

BIND_TYPE_OBJECT(CTempFlameSolver)

namespace {

Name n_zeros("zeros");
Name n_n_species("n_species");
Name n_w_scrub_member("w_scrub");

using ArrayMember = bind::Array C::*;
using VecMember = bind::Vec<double> C::*;
constexpr ArrayMember B_of[4] = {&C::B_N_agg, &C::B_N_pri, &C::B_C_tot, &C::B_H_tot};
constexpr ArrayMember Vn_of[4] = {&C::N_agg_n, &C::N_pri_n, &C::C_tot_n, &C::H_tot_n};
constexpr ArrayMember Vn1_of[4] = {&C::N_agg_n1, &C::N_pri_n1, &C::C_tot_n1, &C::H_tot_n1};
constexpr double C::* left_of[4] = {&C::N_agg_in_left, &C::N_pri_in_left, &C::C_tot_in_left, &C::H_tot_in_left};
constexpr double C::* right_of[4] = {&C::N_agg_in_right, &C::N_pri_in_right, &C::C_tot_in_right,
                                     &C::H_tot_in_right};
const char* const B_names[4] = {"B_N_agg", "B_N_pri", "B_C_tot", "B_H_tot"};

Ref species_by_point_zeros(int ns, int n) {
    Ref f = bind::getattr(bind::np().get(), n_zeros);
    Ref shape = bind::tuple_of({bind::py(ns).get(), bind::py(n).get()});
    return bind::call(f.get(), shape.get());
}

[[noreturn]] void buffer_oob(Py_ssize_t, Py_ssize_t) {
    bind::raise(PyExc_IndexError, "Out of bounds on buffer access (axis 0)");
}

// The contents of a buffer (None: empty).
std::vector<double> values(bind::DoubleBuf& b) {
    std::vector<double> v((size_t)b.size());
    for (Py_ssize_t i = 0; i < b.size(); ++i) v[(size_t)i] = b.at(i);
    return v;
}

// Memory spanned by a buffer's elements, for the aliasing test.
struct Span {
    const char* lo = nullptr;
    const char* hi = nullptr;
};
Span span_of(bind::DoubleBuf& b) {
    if (b.size() == 0) return {};
    const char* p0 = reinterpret_cast<const char*>(&b.at(0));
    const char* p1 = reinterpret_cast<const char*>(&b.at(b.size() - 1));
    if (p1 < p0) std::swap(p0, p1);
    return {p0, p1 + sizeof(double)};
}
bool overlap(const Span& a, const Span& b) { return a.lo && b.lo && a.lo < b.hi && b.lo < a.hi; }

}  // namespace

// -------------------------------------------------------------- constructor

void C::init_impl(PyObject* soot_gas_, PyObject* flame_, PyObject* grid, PyObject* soot_model_) {
    soot_gas.set(soot_gas_);
    flame.set(flame_);
    soot_model.set(soot_model_);
    {
        std::vector<double> v;
        bind::fill_from_iterable(v, grid);
        z = std::move(v);
    }
    const Py_ssize_t len = bind::length(grid);
    if (len > INT_MAX) bind::raise(PyExc_OverflowError, "value too large to convert to int");
    n_points = (int)len;
    const Py_ssize_t n = n_points;
    // The spacing of the first point is the one to its right: two points at least.
    if (n < 2) bind::raisef(PyExc_ValueError, "the grid needs at least two points (got %zd)", n);
    dz.resize((size_t)n);
    for (Py_ssize_t j = 1; j < n; ++j) dz[j] = z[j] - z[j - 1];
    dz[0] = dz[1];
    dt = 1e-5;
    n_time_steps = 9000;
    {
        Ref ns = bind::getattr(Ref::borrow(soot_gas_).get(), n_n_species);
        n_species = bind::as_int(ns.get());
    }
    P = 101325.0;
    for (VecMember m : {&C::rho, &C::mu, &C::T, &C::u_th, &C::u_gas, &C::u}) (this->*m).resize((size_t)n);
    X = species_by_point_zeros(n_species, n_points);
    {
        Ref w = species_by_point_zeros(n_species, n_points);
        bind::setattr((PyObject*)this, n_w_scrub_member, w.get());
    }
    upper = bind::zeros(n - 1);
    diag = bind::zeros(n);
    lower = bind::zeros(n - 1);
    for (ArrayMember m : B_of) this->*m = bind::zeros(n);
    Ref model = Ref::borrow(soot_model_);
    for (int v = 0; v < 4; ++v)
        for (ArrayMember m : {Vn_of[v], Vn1_of[v]}) {
            Ref floor = bind::getattr(model.get(), *floor_names[v]);
            this->*m = ones_times(n, floor.get());
        }
    for (auto in : {left_of, right_of})
        for (int v = 0; v < 4; ++v) {
            Ref floor = bind::getattr(model.get(), *floor_names[v]);
            this->*in[v] = bind::as_double(floor.get());
        }
    mdot_left = 0.0;
    mdot_right = 0.0;
    boundary_type_right = 0;
}

Ref C::get_grid() { return bind::list_of(z); }

// ---------------------------------------------------------------- marching

void C::profiles() {
    const VecMember dest[4] = {&C::rho, &C::T, &C::mu, &C::u_gas};
    PyObject* const* const src[4] = {&n_density.obj, &n_T.obj, &n_viscosity.obj, &n_velocity.obj};
    for (int k = 0; k < 4; ++k) {
        Ref zl = bind::list_of(z);
        Ref r = interp_profile(zl.get(), flame.hold().get(), *src[k]);
        Ref l = bind::call_method(r.get(), n_tolist);
        bind::fill_from_iterable(this->*dest[k], l.get());
    }
    const Py_ssize_t n = n_points;
    for (Py_ssize_t j = 1; j < n; ++j)
        u_th[j] = thermophoresis<CheckedDiv>(mu[j], rho[j], T[j], T[j - 1], dz[j]);
    u_th[0] = u_th[1];
    for (Py_ssize_t j = 0; j < n; ++j) u[j] = u_gas[j] + u_th[j];
    for (Py_ssize_t k = 0; k < n_species; ++k) {
        Ref zl = bind::list_of(z);
        Ref row = interp_species(zl.get(), flame.hold().get(), k);
        Ref x = X.hold();
        require_float64(x.get(), "X");
        set_row(x.get(), k, row.get());
    }
}

// The gas wrapper and the particle model at point i; each object is read from
// its field at each call (a callback may replace it).
double C::evaluate(Py_ssize_t i, Ref& scratch, bool with_diffusion) {
    {
        const double Ti = T[i];
        Ref col = column(X.hold().get(), i);
        CSootGas::held::update_thermo_TPX(soot_gas, Ti, P, col.get());
    }
    CSootGas::held::update_transport(soot_gas);
    {
        double v[4];
        for (int k = 0; k < 4; ++k) v[k] = bind::item((this->*Vn_of[k]).hold().get(), i);
        set_vars(soot_model, v, scratch);
    }
    CSootModelBase::held::update(soot_model);
    if (!with_diffusion) return 0.0;
    Ref D = CMonodisperseSootModel::held::diffusion_coefficient(soot_model);
    return bind::as_double(D.get());
}

void C::step(long k, double dt_, Ref& scratch) {
    const Py_ssize_t n = n_points, f = n - 1;
    auto V = [&](int v, Py_ssize_t i) { return bind::item((this->*Vn_of[v]).hold().get(), i); };
    auto B = [&](int v, Py_ssize_t i, double x) { put((this->*B_of[v]).hold().get(), i, x, B_names[v]); };

    // Left end: flux row with the left inlet mass flux.
    double D = evaluate(0, scratch, true);
    {
        FpWatch fp;
        put(diag.hold().get(), 0, mdot_left, "diag");
        for (int v = 0; v < 4; ++v)
            B(v, 0, left_rhs<NumpyDiv>(rho[0], u[0], D, V(v, 0), V(v, 1), dz[1], this->*left_of[v]));
        put(upper.hold().get(), 0, 0.0, "upper");
        fp.report();
    }

    // Right end: inlet or zero-gradient outlet.
    D = evaluate(f, scratch, true);
    {
        FpWatch fp;
        if (boundary_type_right == 0) {
            put(diag.hold().get(), f, mdot_right, "diag");
            for (int v = 0; v < 4; ++v)
                B(v, f,
                  right_inlet_rhs<NumpyDiv>(rho[f], rho[f - 1], u[f], D, V(v, f), V(v, f - 1), dz[f],
                                            this->*right_of[v]));
        } else {
            put(diag.hold().get(), f, outlet_diag<CheckedDiv>(rho[f], dt_), "diag");
            for (int v = 0; v < 4; ++v) {
                const double r = outlet_diag<CheckedDiv>(rho[f], dt_);
                B(v, f, r * V(v, f - 1));
            }
        }
        put(lower.hold().get(), f - 1, 0.0, "lower");
        fp.report();
    }

    // Interior points.
    for (Py_ssize_t j = 1; j < n - 1; ++j) {
        D = evaluate(j, scratch, true);
        const Row r = interior_row_div<CheckedDiv>(rho[j], u[j], dz[j], dz[j + 1], D, dt_);
        put(lower.hold().get(), j - 1, r.lower, "lower");
        put(diag.hold().get(), j, r.diag, "diag");
        put(upper.hold().get(), j, r.upper, "upper");
        for (int v = 0; v < 4; ++v) {
            double first;
            {
                FpWatch fp;
                first = interior_rhs_old<CheckedDiv>(rho[j], dt_, V(v, j));
                fp.report();
            }
            const double rho_j = rho[j];
            Ref S = source_of<CMonodisperseSootModel>(soot_model, v);
            double b;
            if (PyFloat_CheckExact(S.get())) {
                FpWatch fp;
                b = first + rho_j * PyFloat_AS_DOUBLE(S.get());
                fp.report();
            } else {
                // Any other number: the interpreter's rules decide.
                Ref prod = Ref::steal(PyNumber_Multiply(bind::py(rho_j).get(), S.get()));
                Ref sum = Ref::steal(PyNumber_Add(bind::py(first).get(), prod.get()));
                b = bind::as_double(sum.get());
            }
            B(v, j, b);
        }
    }

    solves();
    print_step(k);
    for (int v = 0; v < 4; ++v) this->*Vn_of[v] = (this->*Vn1_of[v]).hold();
}

// The four systems of a step share their three diagonals. Unless solve_TDMA is
// overridden, they share one elimination too; where a solution array overlaps
// an input array, or a buffer does not fit, each system is solved on its own,
// in turn, as four calls would do.
void C::solves() {
    if (bind::Class<C>::overridden(this, MID_solve_TDMA)) {
        for (int v = 0; v < 4; ++v) {
            Ref a = lower.hold(), b = diag.hold(), c = upper.hold(), d = (this->*B_of[v]).hold(),
                x = (this->*Vn1_of[v]).hold();
            bind::call_method((PyObject*)this, n_solve_TDMA, a.get(), b.get(), c.get(), d.get(), x.get());
        }
        return;
    }
    auto one_by_one = [&] {
        for (int v = 0; v < 4; ++v) {
            Ref a = lower.hold(), b = diag.hold(), c = upper.hold(), d = (this->*B_of[v]).hold(),
                x = (this->*Vn1_of[v]).hold();
            solve_TDMA_with(a.get(), b.get(), c.get(), d.get(), x.get());
        }
    };
    Ref held[11] = {lower.hold(), diag.hold(), upper.hold()};
    for (int v = 0; v < 4; ++v) {
        held[3 + v] = (this->*B_of[v]).hold();
        held[7 + v] = (this->*Vn1_of[v]).hold();
    }
    std::optional<bind::DoubleBuf> buf[11];
    try {
        for (int i = 0; i < 11; ++i) buf[i].emplace(held[i].get(), "buffer");
    } catch (bind::Error&) {
        PyErr_Clear();
        return one_by_one();
    }
    const Py_ssize_t n = buf[3]->size();
    bool fits = n > 0 && buf[0]->size() >= n - 1 && buf[2]->size() >= n - 1 && buf[1]->size() >= n;
    for (int v = 0; v < 4; ++v) fits = fits && buf[3 + v]->size() == n && buf[7 + v]->size() >= n;
    for (int o = 7; fits && o < 11; ++o)
        for (int i = 0; i < 7; ++i)
            if (overlap(span_of(*buf[o]), span_of(*buf[i]))) fits = false;
    if (!fits) {
        for (auto& b : buf) b.reset();
        return one_by_one();
    }
    bind::traced(spec(), MID_solve_TDMA, [&] {
        Thomas<CheckedDiv> th;
        std::vector<double> a = values(*buf[0]), b = values(*buf[1]), c = values(*buf[2]), x, work;
        th.eliminate(a.data(), b.data(), b.size(), c.data(), (size_t)n);
        for (int v = 0; v < 4; ++v) {
            std::vector<double> d = values(*buf[3 + v]);
            th.solve(d.data(), x, work);
            for (Py_ssize_t i = n; i-- > 0;) buf[7 + v]->at(i) = x[(size_t)i];
        }
    });
}

void C::solve_impl() {
    const double dt_ = dt;
    const int steps = n_time_steps;
    profiles();
    if (steps < 1) return;
    Ref scratch;
    for (long k = 0; k < steps; ++k) step(k, dt_, scratch);
}

void C::update_w_scrub_impl() {
    const Py_ssize_t n = n_points;
    Ref scratch;
    for (Py_ssize_t i = 0; i < n; ++i) {
        evaluate(i, scratch, false);
        CMonodisperseSootModel::held::update_w_scrub(soot_model);
        Ref w = bind::field_or_attr<CMonodisperseSootModel>(soot_model, &CMonodisperseSootModel::w_scrub, n_w_scrub_member);
        Ref table = bind::getattr((PyObject*)this, n_w_scrub_member);
        require_float64(table.get(), "w_scrub");
        set_column(table.get(), i, w.get());
    }
}

// Thomas algorithm into x; the caller's a, b, c and d keep their values.
void C::solve_TDMA_impl(bind::DoubleBuf a, bind::DoubleBuf b, bind::DoubleBuf c, bind::DoubleBuf d,
                        bind::DoubleBuf x) {
    const Py_ssize_t n = d.size();
    std::vector<double> r = thomas_checked<CheckedDiv>(values(a), values(b), values(c), values(d), buffer_oob);
    for (Py_ssize_t i = n; i-- > 0;) {
        if (i >= x.size()) buffer_oob(i, x.size());
        x.at(i) = r[(size_t)i];
    }
}

// ------------------------------------------------------------------ tables

namespace {

using Self = C;
const bind::Field fields[] = {CTFS_FIELDS(BIND_ROW)};
BIND_METHOD_TABLES(CTFS_METHODS)

PyGetSetDef props[] = {
    bind::prop<&C::get_grid, "grid">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& C::spec() {
    static bind::ClassSpec s = bind::define<C>({.fields = fields,
                                                .methods = methods,
                                                .bodies = bodies,
                                                .props = props,
                                                .init = bind::Init<&C::init_impl, "soot_gas, flame, grid, soot_model">::init,
                                                .checksums = {0x1edfdb5, 0x2675e87, 0x00bab66}});
    return s;
}

}  // namespace pyrandel
