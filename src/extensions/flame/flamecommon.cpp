#include "flamecommon.hpp"

#include "../gas/sootgas.hpp"
#include "../sootmodels/monodisperse.hpp"

#include <cstring>
#include <string>

namespace pyrandel::flame {

using bind::Name;
using bind::Ref;

Name n_TPX("TPX");
Name n_mean_molecular_weight("mean_molecular_weight");
Name n_solve_TDMA("solve_TDMA");
Name n_species_names("species_names");
Name n_grid("grid");
Name n_shape("shape");
Name n_density("density");
Name n_T("T");
Name n_viscosity("viscosity");
Name n_velocity("velocity");
Name n_N_agg_min("N_agg_min");
Name n_N_pri_min("N_pri_min");
Name n_C_tot_min("C_tot_min");
Name n_H_tot_min("H_tot_min");
Name n_tolist("tolist");

namespace {

Name n_interp("interp");
Name n_X("X");
Name n_print("print");
Name n_float64("float64");
Name n_array("array");
Name n_diffus_coeff("diffus_coeff");
Name n_scrub_wdot("scrub_wdot");
Name n_ones("ones");

// slice(None), made once.
PyObject* full_slice() {
    static PyObject* s = PySlice_New(nullptr, nullptr, nullptr);
    if (!s) bind::fail();
    return s;
}

Ref index_pair(PyObject* first, PyObject* second) { return bind::tuple_of({first, second}); }

}  // namespace

PyObject* const* const floor_names[4] = {&n_N_agg_min.obj, &n_N_pri_min.obj, &n_C_tot_min.obj, &n_H_tot_min.obj};

// ------------------------------------------------------------- arithmetic

void FpWatch::report(int extra) {
    int flags = raised() | extra;
    if (flags) report_fp(flags);
}

// One NumPy scalar operation per condition raises the same condition inside
// NumPy, in the order NumPy checks them.
void report_fp(int flags) {
    Ref f64 = bind::getattr(bind::np().get(), n_float64);
    auto scalar = [&](double v) { return bind::call(f64.get(), bind::py(v).get()); };
    auto run = [&](binaryfunc op, double x, double y) {
        Ref a = scalar(x), b = scalar(y);
        Ref r = Ref::steal(op(a.get(), b.get()));
    };
    if (flags & FE_DIVBYZERO) run(PyNumber_TrueDivide, 1.0, 0.0);
    if (flags & FE_OVERFLOW) run(PyNumber_Multiply, 1e308, 10.0);
    if (flags & FE_UNDERFLOW) run(PyNumber_Multiply, 1e-308, 1e-308);
    if (flags & FE_INVALID) run(PyNumber_TrueDivide, 0.0, 0.0);
}

// ------------------------------------------------------------ profiles

Ref interp_profile(PyObject* z, PyObject* flame, PyObject* name) {
    Ref f = bind::getattr(bind::np().get(), n_interp);
    Ref fl = Ref::borrow(flame);
    Ref grid = bind::getattr(fl.get(), n_grid);
    Ref prof = bind::getattr(fl.get(), name);
    PyObject* args[] = {z, grid.get(), prof.get()};
    return Ref::steal(PyObject_Vectorcall(f.get(), args, 3, nullptr));
}

Ref interp_species(PyObject* z, PyObject* flame, Py_ssize_t i) {
    Ref f = bind::getattr(bind::np().get(), n_interp);
    Ref fl = Ref::borrow(flame);
    Ref grid = bind::getattr(fl.get(), n_grid);
    Ref X = bind::getattr(fl.get(), n_X);
    Ref k = bind::py((int64_t)i);
    Ref row = Ref::steal(PyObject_GetItem(X.get(), index_pair(k.get(), full_slice()).get()));
    PyObject* args[] = {z, grid.get(), row.get()};
    return Ref::steal(PyObject_Vectorcall(f.get(), args, 3, nullptr));
}

Ref interp_values(PyObject* z, PyObject* flame, PyObject* values) {
    Ref f = bind::getattr(bind::np().get(), n_interp);
    Ref fl = Ref::borrow(flame);
    Ref v = Ref::borrow(values);
    Ref grid = bind::getattr(fl.get(), n_grid);
    PyObject* args[] = {z, grid.get(), v.get()};
    return Ref::steal(PyObject_Vectorcall(f.get(), args, 3, nullptr));
}

Ref ones_times(Py_ssize_t n, PyObject* factor) {
    Ref f = bind::getattr(bind::np().get(), n_ones);
    Ref k = bind::py((int64_t)n);
    Ref o = bind::call(f.get(), k.get());
    Ref x = Ref::borrow(factor);
    return Ref::steal(PyNumber_Multiply(o.get(), x.get()));
}

Ref column(PyObject* X, Py_ssize_t i) {
    Ref x = Ref::borrow(X);
    Ref k = bind::py((int64_t)i);
    return Ref::steal(PyObject_GetItem(x.get(), index_pair(full_slice(), k.get()).get()));
}

void set_row(PyObject* X, Py_ssize_t i, PyObject* v) {
    Ref x = Ref::borrow(X);
    Ref k = bind::py((int64_t)i);
    if (PyObject_SetItem(x.get(), index_pair(k.get(), full_slice()).get(), v) < 0) bind::fail();
}

void set_column(PyObject* X, Py_ssize_t i, PyObject* v) {
    Ref x = Ref::borrow(X);
    Ref k = bind::py((int64_t)i);
    if (PyObject_SetItem(x.get(), index_pair(full_slice(), k.get()).get(), v) < 0) bind::fail();
}

// ---------------------------------------------------------- progress line

void print_step(long k) {
    PyObject* print = PyDict_GetItemWithError(PyEval_GetBuiltins(), n_print);
    if (!print) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_NameError, "name 'print' is not defined");
        bind::fail();
    }
    Ref hold = Ref::borrow(print);
    Ref line = Ref::steal(PyUnicode_FromFormat("Time Step = %ld", k));
    bind::call(hold.get(), line.get());
}

// ------------------------------------------------- the particle models

namespace {

void fill4(PyObject* arr, const double v[4]) {
    bind::Items it(arr);
    for (int k = 0; k < 4; ++k) it.set(k, v[k]);
}

}  // namespace

void update_solution(PyObject* model, const double v[4], PyObject* const* objs, Ref& scratch) {
    using D = bind::Dispatch<&CSootModel::update_solution_impl>;
    constexpr int mid = CSootModel::MID_update_solution;
    Ref hold = Ref::borrow(model);
    if (CSootModel* m = D::takes_body(model, mid)) {
        D::run_with(m, mid, [&] {
            if (!scratch) scratch = bind::zeros(4);
            fill4(scratch.get(), v);
            return D::Args{bind::Arg<bind::NDArray>::from(scratch.get(), "solution")};
        });
        return;
    }
    Ref items[4];
    PyObject* o[4];
    for (int k = 0; k < 4; ++k) {
        if (objs) {
            o[k] = objs[k];
        } else {
            items[k] = bind::py(v[k]);
            o[k] = items[k].get();
        }
    }
    Ref list = Ref::steal(PyList_New(4));
    for (int k = 0; k < 4; ++k) {
        Py_INCREF(o[k]);
        PyList_SET_ITEM(list.get(), k, o[k]);
    }
    Ref fn = bind::getattr(bind::np().get(), n_array);
    Ref arr = bind::call(fn.get(), list.get());
    D::call_by_name(model, mid, arr.get());
}

double diffus_coeff(PyObject* model) {
    Ref r = bind::call_held_strategy<CSootModel>(model, &CSootModel::diffus_coeff, n_diffus_coeff);
    return bind::as_double(r.get());
}

Ref scrub_wdot(PyObject* model) { return bind::field_or_attr<CSootModel>(model, &CSootModel::scrub_wdot, n_scrub_wdot); }

void set_vars(PyObject* model, const double v[4], Ref& scratch) {
    using M = CMonodisperseSootModel;
    using D = bind::Dispatch<&M::set_vars_impl>;
    Ref hold = Ref::borrow(model);
    if (M* m = D::takes_body(model, M::MID_set_vars)) {
        D::run_with(m, M::MID_set_vars, [&] {
            if (!scratch) scratch = bind::zeros(4);
            fill4(scratch.get(), v);
            return D::Args{bind::DoubleBuf(scratch.get(), "vars")};
        });
        return;
    }
    Ref s = bind::zeros(4);
    fill4(s.get(), v);
    D::call_by_name(model, M::MID_set_vars, s.get());
}

void update_gas_wrapper(PyObject* gas, double T, double P, PyObject* X, Py_ssize_t j, double rho, double mu,
                        double mean_MW) {
    using D = bind::Dispatch<&CSootGas::update_impl>;
    Ref hold = Ref::borrow(gas);
    if (CSootGas* g = D::takes_body(gas, CSootGas::MID_update)) {
        std::vector<double> x;
        column_values(X, j, x);
        D::run(g, CSootGas::MID_update, T, P, std::move(x), rho, mu, mean_MW);
        return;
    }
    Ref col = column(X, j);
    D::call_by_name(gas, CSootGas::MID_update, bind::py(T).get(), bind::py(P).get(), col.get(), bind::py(rho).get(),
                    bind::py(mu).get(), bind::py(mean_MW).get());
}

namespace {

bool plain_double_format(const char* f) {
    if (!f) return false;
    if (*f == '@' || *f == '=' || *f == '<') ++f;
    return f[0] == 'd' && f[1] == '\0';
}

}  // namespace

void column_values(PyObject* X, Py_ssize_t j, std::vector<double>& out) {
    Py_buffer v;
    if (X != Py_None && PyObject_CheckBuffer(X) && PyObject_GetBuffer(X, &v, PyBUF_RECORDS_RO) == 0) {
        const bool plain = v.ndim == 2 && v.itemsize == (Py_ssize_t)sizeof(double) && plain_double_format(v.format);
        if (plain) {
            const Py_ssize_t rows = v.shape[0], cols = v.shape[1];
            if (j < 0 || j >= cols) {
                PyBuffer_Release(&v);
                bind::raisef(PyExc_IndexError, "index %zd is out of bounds for axis 1 with size %zd", j, cols);
            }
            out.resize((size_t)rows);
            const char* base = static_cast<const char*>(v.buf) + j * v.strides[1];
            for (Py_ssize_t r = 0; r < rows; ++r) {
                double x;
                std::memcpy(&x, base + r * v.strides[0], sizeof x);
                out[(size_t)r] = x;
            }
            PyBuffer_Release(&v);
            return;
        }
        PyBuffer_Release(&v);
    } else {
        PyErr_Clear();
    }
    Ref col = column(X, j);
    bind::fill_from_iterable(out, col.get());
}

void require_float64(PyObject* arr, const char* field) {
    if (arr == Py_None) return;
    Py_buffer v;
    bool ok = false;
    std::string fmt = "?";
    if (PyObject_CheckBuffer(arr) && PyObject_GetBuffer(arr, &v, PyBUF_RECORDS_RO) == 0) {
        ok = v.itemsize == (Py_ssize_t)sizeof(double) && plain_double_format(v.format);
        if (v.format) fmt = v.format;
        PyBuffer_Release(&v);
    } else {
        PyErr_Clear();
    }
    if (!ok)
        bind::raisef(PyExc_TypeError, "%s must be an array of float64 (got an array of format '%s')", field,
                     fmt.c_str());
}

void put(PyObject* arr, Py_ssize_t i, double v, const char* field) {
    bind::Items it(arr);
    if (!it.direct()) require_float64(arr, field);
    it.set(i, v);
}

Ref relax(PyObject* a1, PyObject* a0, double under) {
    Ref x1 = Ref::borrow(a1), x0 = Ref::borrow(a0);
    Ref u = bind::py(under), w = bind::py(1.0 - under);
    Ref p1 = Ref::steal(PyNumber_Multiply(x1.get(), u.get()));
    Ref p0 = Ref::steal(PyNumber_Multiply(x0.get(), w.get()));
    return Ref::steal(PyNumber_Add(p1.get(), p0.get()));
}

}  // namespace pyrandel::flame
