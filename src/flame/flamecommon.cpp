#include "flamecommon.hpp"

#include "../extensions/gas/sootgas.hpp"
#include "../extensions/sootmodels/monodisperse.hpp"

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
Name n_update_gas("update_gas");
Name n_update_solution("update_solution");
Name n_diffus_coeff("diffus_coeff");
Name n_S_N_agg("S_N_agg");
Name n_S_N_pri("S_N_pri");
Name n_S_C_tot("S_C_tot");
Name n_S_H_tot("S_H_tot");
Name n_update_scrub_wdot("update_scrub_wdot");
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

// ------------------------------------------------- the classic soot model

ClassicModel::ClassicModel(PyObject* model, Ref* scratch) : obj_(Ref::borrow(model)), scratch_(scratch) {
    if (PyObject_TypeCheck(model, &CSootModel::type)) csm_ = reinterpret_cast<CSootModel*>(model);
}

bool ClassicModel::direct(int mid) const { return csm_ && !bind::Class<CSootModel>::overridden(csm_, mid); }

namespace {

// Runs a C++ body in place of the Python method; a failure carries its name.
template <class F>
auto body(int mid, F f) -> decltype(f()) {
    try {
        return f();
    } catch (bind::Error&) {
        bind::add_method_traceback(CSootModel::spec(), mid);
        throw;
    } catch (...) {
        bind::set_from_cpp_exception();
        bind::add_method_traceback(CSootModel::spec(), mid);
        throw bind::Error{};
    }
}

}  // namespace

void ClassicModel::update_gas(PyObject* T, PyObject* P, PyObject* rho, PyObject* mu, PyObject* mean_MW, PyObject* X) {
    if (!direct(CSootModel::MID_update_gas)) {
        bind::call_method(obj_.get(), n_update_gas, T, P, rho, mu, mean_MW, X);
        return;
    }
    body(CSootModel::MID_update_gas, [&] {
        double t = bind::as_double(T), p = bind::as_double(P), r = bind::as_double(rho), m = bind::as_double(mu),
               w = bind::as_double(mean_MW);
        bind::NDArray x = bind::Arg<bind::NDArray>::from(X, "X");
        csm_->update_gas_impl(t, p, r, m, w, x);
    });
}

void ClassicModel::update_solution(const double v[4], PyObject* const* objs) {
    if (!direct(CSootModel::MID_update_solution)) {
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
        bind::call_method(obj_.get(), n_update_solution, arr.get());
        return;
    }
    body(CSootModel::MID_update_solution, [&] {
        // The model's own body keeps no reference to the array: one serves every point.
        if (!*scratch_) *scratch_ = bind::zeros(4);
        Ref s = *scratch_;
        {
            bind::Items it(s.get());
            for (int k = 0; k < 4; ++k) it.set(k, v[k]);
        }
        csm_->update_solution_impl(bind::Arg<bind::NDArray>::from(s.get(), "solution"));
    });
}

double ClassicModel::diffus_coeff() {
    Ref strategy = csm_ && Py_IS_TYPE(obj_.get(), &CSootModel::type) ? csm_->diffus_coeff.hold()
                                                                       : bind::getattr(obj_.get(), n_diffus_coeff);
    Ref r = csm_ ? bind::call_strategy(obj_.get(), strategy.get(), CSootModel::spec()) : bind::call(strategy.get());
    return bind::as_double(r.get());
}

Ref ClassicModel::source(int i) {
    static const int mids[4] = {CSootModel::MID_S_N_agg, CSootModel::MID_S_N_pri, CSootModel::MID_S_C_tot,
                                CSootModel::MID_S_H_tot};
    static PyObject* const* const names[4] = {&n_S_N_agg.obj, &n_S_N_pri.obj, &n_S_C_tot.obj, &n_S_H_tot.obj};
    if (!direct(mids[i])) return bind::call_method(obj_.get(), *names[i]);
    return body(mids[i], [&]() -> Ref {
        switch (i) {
            case 0: return csm_->S_N_agg_impl();
            case 1: return csm_->S_N_pri_impl();
            case 2: return csm_->S_C_tot_impl();
            default: return csm_->S_H_tot_impl();
        }
    });
}

void ClassicModel::update_scrub_wdot() {
    if (!direct(CSootModel::MID_update_scrub_wdot)) {
        bind::call_method(obj_.get(), n_update_scrub_wdot);
        return;
    }
    body(CSootModel::MID_update_scrub_wdot, [&] { csm_->update_scrub_wdot_impl(); });
}

Ref ClassicModel::scrub_wdot() {
    if (csm_ && Py_IS_TYPE(obj_.get(), &CSootModel::type)) return csm_->scrub_wdot.hold();
    return bind::getattr(obj_.get(), n_scrub_wdot);
}


// ------------------------------------------------ the modular framework

namespace {

Name n_update_thermo_TPX("update_thermo_TPX");
Name n_update_transport("update_transport");
Name n_update("update");
Name n_update_lambda_gas("update_lambda_gas");
Name n_set_vars("set_vars");
Name n_diffusion_coefficient("diffusion_coefficient");
Name n_update_w_scrub("update_w_scrub");
Name n_w_scrub("w_scrub");

bool plain_double_format(const char* f) {
    if (!f) return false;
    if (*f == '@' || *f == '=' || *f == '<') ++f;
    return f[0] == 'd' && f[1] == '\0';
}

}  // namespace

ModularGas::ModularGas(PyObject* gas) : obj_(Ref::borrow(gas)) {
    if (PyObject_TypeCheck(gas, &CSootGas::type)) sg_ = reinterpret_cast<CSootGas*>(gas);
}

bool ModularGas::direct(int mid) const { return sg_ && !bind::Class<CSootGas>::overridden(sg_, mid); }

void ModularGas::update_thermo_TPX(double T, double P, PyObject* X_column) {
    if (!direct(CSootGas::MID_update_thermo_TPX)) {
        bind::call_method(obj_.get(), n_update_thermo_TPX, bind::py(T).get(), bind::py(P).get(), X_column);
        return;
    }
    traced_body(CSootGas::spec(), CSootGas::MID_update_thermo_TPX, [&] {
        sg_->update_thermo_TPX_impl(T, P, bind::Arg<bind::NDArray>::from(X_column, "X"));
    });
}

void ModularGas::update_transport() {
    if (!direct(CSootGas::MID_update_transport)) {
        bind::call_method(obj_.get(), n_update_transport);
        return;
    }
    traced_body(CSootGas::spec(), CSootGas::MID_update_transport, [&] { sg_->update_transport_impl(); });
}

void ModularGas::update(double T, double P, PyObject* X, Py_ssize_t j, double rho, double mu, double mean_MW) {
    if (!direct(CSootGas::MID_update)) {
        Ref col = column(X, j);
        bind::call_method(obj_.get(), n_update, bind::py(T).get(), bind::py(P).get(), col.get(),
                          bind::py(rho).get(), bind::py(mu).get(), bind::py(mean_MW).get());
        return;
    }
    std::vector<double> x;
    column_values(X, j, x);
    traced_body(CSootGas::spec(), CSootGas::MID_update,
                [&] { sg_->update_impl(T, P, std::move(x), rho, mu, mean_MW); });
}

void ModularGas::update_lambda_gas() {
    if (!direct(CSootGas::MID_update_lambda_gas)) {
        bind::call_method(obj_.get(), n_update_lambda_gas);
        return;
    }
    traced_body(CSootGas::spec(), CSootGas::MID_update_lambda_gas, [&] { sg_->update_lambda_gas_impl(); });
}

ModularModel::ModularModel(PyObject* model, Ref* scratch) : obj_(Ref::borrow(model)), scratch_(scratch) {
    if (PyObject_TypeCheck(model, &CMonodisperseSootModel::type)) m_ = reinterpret_cast<CMonodisperseSootModel*>(model);
}

bool ModularModel::direct(int mid) const {
    return m_ && !bind::Class<CMonodisperseSootModel>::overridden(m_, mid);
}

void ModularModel::set_vars(const double v[4]) {
    using M = CMonodisperseSootModel;
    if (!direct(M::MID_set_vars)) {
        Ref s = bind::zeros(4);
        {
            bind::Items it(s.get());
            for (int k = 0; k < 4; ++k) it.set(k, v[k]);
        }
        bind::call_method(obj_.get(), n_set_vars, s.get());
        return;
    }
    traced_body(M::spec(), M::MID_set_vars, [&] {
        // The model's own body copies the values: one array serves every point.
        if (!*scratch_) *scratch_ = bind::zeros(4);
        Ref s = *scratch_;
        {
            bind::Items it(s.get());
            for (int k = 0; k < 4; ++k) it.set(k, v[k]);
        }
        m_->set_vars_impl(bind::DoubleBuf(s.get(), "vars"));
    });
}

void ModularModel::update() {
    using M = CMonodisperseSootModel;
    if (!direct(M::MID_update)) {
        bind::call_method(obj_.get(), n_update);
        return;
    }
    traced_body(M::spec(), M::MID_update, [&] { m_->update_impl(); });
}

Ref ModularModel::diffusion_coefficient() {
    using M = CMonodisperseSootModel;
    if (!direct(M::MID_diffusion_coefficient)) return bind::call_method(obj_.get(), n_diffusion_coefficient);
    return traced_body(M::spec(), M::MID_diffusion_coefficient, [&] { return m_->diffusion_coefficient_impl(); });
}

Ref ModularModel::source(int i) {
    using M = CMonodisperseSootModel;
    static const int mids[4] = {M::MID_S_N_agg, M::MID_S_N_pri, M::MID_S_C_tot, M::MID_S_H_tot};
    static PyObject* const* const names[4] = {&n_S_N_agg.obj, &n_S_N_pri.obj, &n_S_C_tot.obj, &n_S_H_tot.obj};
    if (!direct(mids[i])) return bind::call_method(obj_.get(), *names[i]);
    return traced_body(M::spec(), mids[i], [&]() -> Ref {
        switch (i) {
            case 0: return m_->S_N_agg_impl();
            case 1: return m_->S_N_pri_impl();
            case 2: return m_->S_C_tot_impl();
            default: return m_->S_H_tot_impl();
        }
    });
}

void ModularModel::update_w_scrub() {
    using M = CMonodisperseSootModel;
    if (!direct(M::MID_update_w_scrub)) {
        bind::call_method(obj_.get(), n_update_w_scrub);
        return;
    }
    traced_body(M::spec(), M::MID_update_w_scrub, [&] { m_->update_w_scrub_impl(); });
}

Ref ModularModel::w_scrub() {
    if (m_ && Py_IS_TYPE(obj_.get(), &CMonodisperseSootModel::type)) return m_->w_scrub.hold();
    return bind::getattr(obj_.get(), n_w_scrub);
}

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
