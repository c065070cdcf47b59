#include "cflamesolver.hpp"

#include "../extensions/flame/flamecommon.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;
using namespace flame;

BIND_TYPE_OBJECT(CFlameSolver)

namespace {

Name n_diff("diff");
Name n_hstack("hstack");
Name n_zeros_like("zeros_like");
Name n_zeros("zeros");
Name n_ones_like("ones_like");
Name n_array("array");
Name n_diagonal("diagonal");

using Member = bind::Array CFlameSolver::*;
constexpr Member B_of[4] = {&CFlameSolver::B_N_agg, &CFlameSolver::B_N_pri, &CFlameSolver::B_C_tot,
                            &CFlameSolver::B_H_tot};
constexpr Member Vn_of[4] = {&CFlameSolver::N_agg_n, &CFlameSolver::N_pri_n, &CFlameSolver::C_tot_n,
                             &CFlameSolver::H_tot_n};
constexpr Member Vn1_of[4] = {&CFlameSolver::N_agg_n1, &CFlameSolver::N_pri_n1, &CFlameSolver::C_tot_n1,
                              &CFlameSolver::H_tot_n1};
constexpr double CFlameSolver::* in_of[4] = {&CFlameSolver::N_agg_in, &CFlameSolver::N_pri_in,
                                             &CFlameSolver::C_tot_in, &CFlameSolver::H_tot_in};

PyTypeObject* ndarray_type() { return (PyTypeObject*)bind::g.ndarray; }

Ref np_call(PyObject* name, std::initializer_list<PyObject*> args) {
    Ref f = bind::getattr(bind::np().get(), name);
    Ref t = bind::tuple_of(args);
    return Ref::steal(PyObject_Call(f.get(), t.get(), nullptr));
}

// a[i] as the array's own element object (a NumPy scalar).
Ref element(PyObject* arr, Py_ssize_t i) {
    Ref a = Ref::borrow(arr);
    return Ref::steal(PyObject_GetItem(a.get(), bind::py((int64_t)i).get()));
}
double rd(PyObject* arr, Py_ssize_t i) { return bind::item(arr, i); }
void wr(PyObject* arr, Py_ssize_t i, double v) { bind::set_item(arr, i, v); }

[[noreturn]] void numpy_oob(Py_ssize_t i, Py_ssize_t n, int axis = 0) {
    bind::raisef(PyExc_IndexError, "index %zd is out of bounds for axis %d with size %zd", i, axis, n);
}

bool native_double_2d(const Py_buffer& v) {
    if (v.ndim != 2 || v.itemsize != (Py_ssize_t)sizeof(double) || !v.format) return false;
    const char* f = v.format;
    if (*f == '@' || *f == '=' || *f == '<') ++f;
    return f[0] == 'd' && f[1] == '\0';
}

// A[i, j] = v with NumPy's indexing rules; through the buffer for a float64
// matrix, through item assignment otherwise.
void mat_set(PyObject* A, Py_ssize_t i, Py_ssize_t j, double v) {
    Ref a = Ref::borrow(A);
    if (PyObject_TypeCheck(a.get(), ndarray_type())) {
        Py_buffer view;
        if (PyObject_GetBuffer(a.get(), &view, PyBUF_RECORDS) == 0) {
            if (native_double_2d(view)) {
                Py_ssize_t idx[2] = {i, j};
                for (int ax = 0; ax < 2; ++ax) {
                    Py_ssize_t n = view.shape[ax];
                    if (idx[ax] < 0) idx[ax] += n;
                    if (idx[ax] < 0 || idx[ax] >= n) {
                        PyBuffer_Release(&view);
                        numpy_oob(ax ? j : i, n, ax);
                    }
                }
                *reinterpret_cast<double*>(static_cast<char*>(view.buf) + idx[0] * view.strides[0] +
                                           idx[1] * view.strides[1]) = v;
                PyBuffer_Release(&view);
                return;
            }
            PyBuffer_Release(&view);
        } else {
            PyErr_Clear();
        }
    }
    Ref key = bind::tuple_of({bind::py((int64_t)i).get(), bind::py((int64_t)j).get()});
    Ref val = bind::py(v);
    if (PyObject_SetItem(a.get(), key.get(), val.get()) < 0) bind::fail();
}

// Several writes into one matrix with one view; item assignment for any
// array that is not a writable float64 matrix.
class MatView {
    Ref a_;
    Py_buffer view_{};
    bool have_ = false;

public:
    explicit MatView(PyObject* A) : a_(Ref::borrow(A)) {
        if (!PyObject_TypeCheck(a_.get(), ndarray_type())) return;
        if (PyObject_GetBuffer(a_.get(), &view_, PyBUF_RECORDS) < 0) {
            PyErr_Clear();
            return;
        }
        if (native_double_2d(view_)) have_ = true;
        else PyBuffer_Release(&view_);
    }
    ~MatView() {
        if (have_) PyBuffer_Release(&view_);
    }
    MatView(const MatView&) = delete;
    MatView& operator=(const MatView&) = delete;
    void set(Py_ssize_t i, Py_ssize_t j, double v) {
        if (!have_) return mat_set(a_.get(), i, j, v);
        Py_ssize_t idx[2] = {i, j};
        for (int ax = 0; ax < 2; ++ax) {
            const Py_ssize_t n = view_.shape[ax];
            if (idx[ax] < 0) idx[ax] += n;
            if (idx[ax] < 0 || idx[ax] >= n) numpy_oob(ax ? j : i, n, ax);
        }
        *reinterpret_cast<double*>(static_cast<char*>(view_.buf) + idx[0] * view_.strides[0] +
                                   idx[1] * view_.strides[1]) = v;
    }
};

// The three diagonals of a float64 matrix, as np.diagonal gives them; false
// for any other array.
bool diagonals(PyObject* A, std::vector<double>& lower, std::vector<double>& diag, std::vector<double>& upper) {
    Ref a = Ref::borrow(A);
    if (!PyObject_TypeCheck(a.get(), ndarray_type())) return false;
    Py_buffer view;
    if (PyObject_GetBuffer(a.get(), &view, PyBUF_RECORDS_RO) < 0) {
        PyErr_Clear();
        return false;
    }
    bool ok = native_double_2d(view);
    if (ok) {
        const Py_ssize_t r = view.shape[0], c = view.shape[1];
        auto at = [&](Py_ssize_t i, Py_ssize_t j) {
            return *reinterpret_cast<const double*>(static_cast<const char*>(view.buf) + i * view.strides[0] +
                                                    j * view.strides[1]);
        };
        const Py_ssize_t nd = std::min(r, c), nu = std::max<Py_ssize_t>(0, std::min(r, c - 1)),
                         nl = std::max<Py_ssize_t>(0, std::min(r - 1, c));
        diag.resize((size_t)nd);
        upper.resize((size_t)nu);
        lower.resize((size_t)nl);
        for (Py_ssize_t i = 0; i < nd; ++i) diag[(size_t)i] = at(i, i);
        for (Py_ssize_t i = 0; i < nu; ++i) upper[(size_t)i] = at(i, i + 1);
        for (Py_ssize_t i = 0; i < nl; ++i) lower[(size_t)i] = at(i + 1, i);
    }
    PyBuffer_Release(&view);
    return ok;
}

// A one-dimensional array as doubles (any dtype NumPy converts).
std::vector<double> values(PyObject* arr) {
    bind::Items it(arr);
    std::vector<double> v((size_t)it.size());
    for (size_t i = 0; i < v.size(); ++i) v[i] = it.get((Py_ssize_t)i);
    return v;
}

// A new float64 array holding v.
Ref new_array(const std::vector<double>& v) {
    Ref r = bind::zeros((Py_ssize_t)v.size());
    bind::Items it(r.get());
    for (size_t i = 0; i < v.size(); ++i) it.set((Py_ssize_t)i, v[i]);
    return r;
}

// A float64 copy of an argument of solve_TDMA, as a one-dimensional array.
std::vector<double> float_copy(PyObject* x) {
    Ref f = bind::getattr(bind::np().get(), n_array);
    PyObject* args[] = {x, (PyObject*)&PyFloat_Type};
    Ref arr = Ref::steal(PyObject_Vectorcall(f.get(), args, 2, nullptr));
    Py_buffer view;
    if (PyObject_GetBuffer(arr.get(), &view, PyBUF_RECORDS_RO) < 0) bind::fail();
    int nd = view.ndim;
    if (nd != 1) {
        PyBuffer_Release(&view);
        if (nd == 0) bind::raise(PyExc_IndexError, "too many indices for array: array is 0-dimensional, but 1 were indexed");
        bind::raisef(PyExc_ValueError, "solve_TDMA takes one-dimensional arrays, not %d-dimensional ones", nd);
    }
    std::vector<double> v((size_t)view.shape[0]);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = *reinterpret_cast<const double*>(static_cast<const char*>(view.buf) + (Py_ssize_t)i * view.strides[0]);
    PyBuffer_Release(&view);
    return v;
}

}  // namespace

// -------------------------------------------------------------- constructor

void CFlameSolver::init_impl(PyObject* phase, PyObject* flame_, PyObject* grid, PyObject* soot_model_) {
    gas = Ref::borrow(phase);
    flame = Ref::borrow(flame_);
    soot_model = Ref::borrow(soot_model_);
    z = Ref::borrow(grid);
    {
        Ref g = bind::getattr((PyObject*)this, n_grid);
        Ref shape = bind::getattr(g.get(), n_shape);
        Ref n0 = Ref::steal(PySequence_GetItem(shape.get(), 0));
        n_points = bind::as_int(n0.get());
    }
    {
        Ref d = np_call(n_diff, {grid});
        dz = d;
        Ref first = Ref::steal(PyObject_GetItem(d.get(), bind::py((int64_t)0).get()));
        Ref pair = bind::tuple_of({first.get(), d.get()});
        dz = np_call(n_hstack, {pair.get()});
    }
    dt = 1e-05;
    n_time_steps = 2000;
    {
        Ref names = bind::getattr(Ref::borrow(phase).get(), n_species_names);
        n_species = (int)bind::length(names.get());
    }
    P = 101325.0;
    for (Member m : {&CFlameSolver::rho, &CFlameSolver::mu, &CFlameSolver::T, &CFlameSolver::u_th,
                     &CFlameSolver::u_gas, &CFlameSolver::u})
        this->*m = np_call(n_zeros_like, {z.hold().get()});
    const Ref ns = bind::py(n_species), n = bind::py(n_points);
    const Ref species_by_point = bind::tuple_of({ns.get(), n.get()});
    X = np_call(n_zeros, {species_by_point.get()});
    wdot_correction_soot = np_call(n_zeros, {species_by_point.get()});
    const Ref square = bind::tuple_of({n.get(), n.get()});
    A = np_call(n_zeros, {square.get()});
    for (Member m : B_of) this->*m = np_call(n_zeros, {n.get()});
    for (int v = 0; v < 4; ++v) {
        this->*Vn_of[v] = np_call(n_zeros, {n.get()});
        this->*Vn1_of[v] = np_call(n_zeros, {n.get()});
    }
    for (int v = 0; v < 4; ++v) {
        Ref floor = bind::getattr(Ref::borrow(soot_model_).get(), *floor_names[v]);
        Ref ones = np_call(n_ones_like, {(this->*Vn_of[v]).hold().get()});
        this->*Vn_of[v] = Ref::steal(PyNumber_Multiply(floor.get(), ones.get()));
    }
    for (int v = 0; v < 4; ++v) {
        Ref floor = bind::getattr(Ref::borrow(soot_model_).get(), *floor_names[v]);
        this->*in_of[v] = bind::as_double(floor.get());
    }
    mdot_left = 0.0;
    mdot_right = 0.0;
    boundary_type_right = 0;
}

Ref CFlameSolver::get_grid() { return z.hold(); }

// ---------------------------------------------------------------- marching

void CFlameSolver::profiles() {
    const Member dest[4] = {&CFlameSolver::rho, &CFlameSolver::T, &CFlameSolver::mu, &CFlameSolver::u_gas};
    PyObject* const* const src[4] = {&n_density.obj, &n_T.obj, &n_viscosity.obj, &n_velocity.obj};
    for (int k = 0; k < 4; ++k) {
        Ref zz = z.hold();
        this->*dest[k] = interp_profile(zz.get(), flame, *src[k]);
    }
    const Py_ssize_t n = n_points;
    for (Py_ssize_t j = 1; j < n; ++j) {
        FpWatch fp;
        const double v = thermophoresis<NumpyDiv>(rd(mu, j), rd(rho, j), rd(T, j), rd(T, j - 1), rd(dz, j));
        wr(u_th, j, v);
        fp.report();
    }
    wr(u_th, 0, rd(u_th, 1));
    {
        Ref a = u_gas.hold(), b = u_th.hold();
        u = Ref::steal(PyNumber_Add(a.get(), b.get()));
    }
    for (Py_ssize_t i = 0; i < n_species; ++i) {
        Ref zz = z.hold();
        Ref row = interp_species(zz.get(), flame, i);
        set_row(X, i, row.get());
    }
}

// The gas and the particle model at point i: state, gas properties, soot values.
void CFlameSolver::load_point(Py_ssize_t i, Ref& scratch) {
    {
        Ref g = gas.hold();
        Ref Ti = element(T, i);
        Ref p = bind::py(P);
        Ref x = column(X, i);
        Ref tpx = bind::tuple_of({Ti.get(), p.get(), x.get()});
        bind::setattr(g.get(), n_TPX, tpx.get());
    }
    {
        Ref m = soot_model.hold();
        Ref Ti = element(T, i);
        Ref p = bind::py(P);
        Ref r = element(rho, i);
        Ref mu_i = element(mu, i);
        Ref mw = bind::getattr(gas.hold().get(), n_mean_molecular_weight);
        Ref x = column(X, i);
        CSootModel::held::update_gas(m.get(), Ti.get(), p.get(), r.get(), mu_i.get(), mw.get(), x.get());
    }
    {
        Ref m = soot_model.hold();
        Ref objs[4];
        PyObject* o[4];
        double v[4];
        for (int k = 0; k < 4; ++k) {
            objs[k] = element(this->*Vn_of[k], i);
            o[k] = objs[k].get();
            v[k] = bind::as_double(o[k]);
        }
        update_solution(m.get(), v, o, scratch);
    }
}

double CFlameSolver::evaluate(Py_ssize_t i, Ref& scratch) {
    load_point(i, scratch);
    return diffus_coeff(soot_model);
}

void CFlameSolver::step(long k, double dt_, Ref& scratch) {
    const Py_ssize_t n = n_points, f = n - 1;

    // Left end: flux row with the left inlet mass flux. Views are taken afresh
    // after every call that may run Python code.
    double D = evaluate(0, scratch);
    mat_set(A, 0, 0, mdot_left);
    {
        bind::Items r(rho), uu(u), d(dz);
        FpWatch fp;
        for (int v = 0; v < 4; ++v) {
            bind::Items Vn(this->*Vn_of[v]), B(this->*B_of[v]);
            B.set(0, left_rhs<NumpyDiv>(r.get(0), uu.get(0), D, Vn.get(0), Vn.get(1), d.get(1), this->*in_of[v]));
        }
        fp.report();
    }

    // Right end: inlet or zero-gradient outlet.
    D = evaluate(f, scratch);
    if (boundary_type_right == 0) {
        mat_set(A, f, f, mdot_right);
        bind::Items r(rho), uu(u), d(dz);
        FpWatch fp;
        for (int v = 0; v < 4; ++v) {
            bind::Items Vn(this->*Vn_of[v]), B(this->*B_of[v]);
            B.set(f, right_inlet_rhs<NumpyDiv>(r.get(f), r.get(f - 1), uu.get(f), D, Vn.get(f), Vn.get(f - 1),
                                               d.get(f), this->*in_of[v]));
        }
        fp.report();
    } else {
        FpWatch fp;
        mat_set(A, f, f, outlet_diag<NumpyDiv>(rd(rho, f), dt_));
        bind::Items r(rho);
        for (int v = 0; v < 4; ++v) {
            bind::Items Vn(this->*Vn_of[v]), B(this->*B_of[v]);
            B.set(f, outlet_rhs<NumpyDiv>(r.get(f), dt_, Vn.get(f - 1)));
        }
        fp.report();
    }

    // Interior points.
    for (Py_ssize_t l = 1; l < n - 1; ++l) {
        D = evaluate(l, scratch);
        {
            Row row;
            {
                bind::Items r(rho), uu(u), d(dz);
                FpWatch fp;
                row = interior_row<NumpyDiv>(r.get(l), uu.get(l), d.get(l), d.get(l + 1), D, dt_);
                fp.report();
            }
            MatView a(A);
            a.set(l, l - 1, row.lower);
            a.set(l, l, row.diag);
            a.set(l, l + 1, row.upper);
        }
        for (int v = 0; v < 4; ++v) {
            double first, rho_l;
            {
                bind::Items r(rho), Vn(this->*Vn_of[v]);
                FpWatch fp;
                rho_l = r.get(l);
                first = interior_rhs_old<NumpyDiv>(rho_l, dt_, Vn.get(l));
                fp.report();
            }
            Ref S = source_of<CSootModel>(soot_model, v);
            if (PyFloat_CheckExact(S.get())) {
                FpWatch fp;
                const double b = first + rho_l * PyFloat_AS_DOUBLE(S.get());
                wr(this->*B_of[v], l, b);
                fp.report();
            } else {
                // Any other number: NumPy's and the interpreter's rules decide.
                Ref rho_obj = element(rho, l);
                Ref prod = Ref::steal(PyNumber_Multiply(rho_obj.get(), S.get()));
                Ref fst = bind::py(first);
                Ref sum = Ref::steal(PyNumber_Add(fst.get(), prod.get()));
                Ref arr = (this->*B_of[v]).hold();
                if (PySequence_SetItem(arr.get(), l, sum.get()) < 0) bind::fail();
            }
        }
    }

    solves();
    print_step(k);
    for (int v = 0; v < 4; ++v) this->*Vn_of[v] = (this->*Vn1_of[v]).hold();
}

void CFlameSolver::solves() {
    const bool by_name = bind::Class<CFlameSolver>::overridden(this, MID_solve_TDMA);
    std::vector<double> lower, diag, upper;
    if (!by_name && diagonals(A, lower, diag, upper)) {
        // The four systems share one elimination.
        Thomas<NumpyDiv> th;
        bool eliminated = false;
        int elim_flags = 0;
        for (int v = 0; v < 4; ++v) {
            std::vector<double> d = values(this->*B_of[v]), x;
            const size_t nd = d.size();
            if (nd == 0 || lower.size() + 1 < nd || upper.size() + 1 < nd || diag.size() < nd ||
                (eliminated && nd != th.n)) {
                // Short or unequal systems: one by one, with the errors of the single solve.
                bind::traced(spec(), MID_solve_TDMA, [&] {
                    FpWatch fp;
                    x = thomas_checked<NumpyDiv>(lower, diag, upper, d, [](Py_ssize_t i, Py_ssize_t s) { numpy_oob(i, s); });
                    fp.report();
                });
            } else {
                if (!eliminated) {
                    FpWatch fp;
                    th.eliminate(lower.data(), diag.data(), diag.size(), upper.data(), nd);
                    elim_flags = fp.raised();
                    eliminated = true;
                }
                std::vector<double> work;
                FpWatch fp;
                th.solve(d.data(), x, work);
                bind::traced(spec(), MID_solve_TDMA, [&] { fp.report(elim_flags); });
            }
            this->*Vn1_of[v] = new_array(x);
        }
        return;
    }
    Ref A_ = A.hold();
    Ref dg = np_call(n_diagonal, {A_.get(), bind::py(0).get()});
    Ref up = np_call(n_diagonal, {A_.get(), bind::py(1).get()});
    Ref lo = np_call(n_diagonal, {A_.get(), bind::py(-1).get()});
    for (int v = 0; v < 4; ++v) {
        Ref b = (this->*B_of[v]).hold();
        Ref x;
        if (by_name) {
            x = bind::call_method((PyObject*)this, n_solve_TDMA, lo.get(), dg.get(), up.get(), b.get());
        } else {
            x = bind::traced(spec(), MID_solve_TDMA, [&] {
                auto arg = [](PyObject* o, const char* name) { return bind::Arg<bind::NDArray>::from(o, name); };
                return solve_TDMA_impl(arg(lo.get(), "a"), arg(dg.get(), "b"), arg(up.get(), "c"), arg(b.get(), "d"));
            });
        }
        this->*Vn1_of[v] = std::move(x);
    }
}

void CFlameSolver::solve_impl() {
    profiles();
    const int steps = n_time_steps;
    const double dt_ = dt;
    Ref scratch;
    for (long k = 0; k < steps; ++k) step(k, dt_, scratch);
}

void CFlameSolver::update_wdot_correction_impl() {
    const Py_ssize_t n = n_points;
    Ref scratch;
    for (Py_ssize_t i = 0; i < n; ++i) {
        load_point(i, scratch);
        CSootModel::held::update_scrub_wdot(soot_model);
        Ref w = scrub_wdot(soot_model);
        set_column(wdot_correction_soot, i, w.get());
    }
}

// Thomas algorithm on float64 copies of the arguments (which stay unchanged).
Ref CFlameSolver::solve_TDMA_impl(bind::NDArray a, bind::NDArray b, bind::NDArray c, bind::NDArray d) {
    bind::length(d.o);
    std::vector<double> ca = float_copy(a.o), cb = float_copy(b.o), cc = float_copy(c.o), cd = float_copy(d.o);
    std::vector<double> x;
    {
        FpWatch fp;
        x = thomas_checked<NumpyDiv>(std::move(ca), std::move(cb), std::move(cc), std::move(cd),
                                     [](Py_ssize_t i, Py_ssize_t s) { numpy_oob(i, s); });
        fp.report();
    }
    return new_array(x);
}

// ------------------------------------------------------------------ tables

namespace {

using Self = CFlameSolver;
const bind::Field fields[] = {CFLAMESOLVER_FIELDS(BIND_ROW)};
BIND_METHOD_TABLES(CFLAMESOLVER_METHODS)

PyGetSetDef props[] = {
    bind::prop<&CFlameSolver::get_grid, "grid">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& CFlameSolver::spec() {
    static bind::ClassSpec s = bind::define<CFlameSolver>({
        .fields = fields,
        .methods = methods,
        .bodies = bodies,
        .props = props,
        .init = bind::Init<&CFlameSolver::init_impl, "phase, flame, grid, soot_model">::init,
        .checksums = {0xbc67692, 0xc2dbab9, 0xeac5e7e},
    });
    return s;
}

}  // namespace pyrandel
