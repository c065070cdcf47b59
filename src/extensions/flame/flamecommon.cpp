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

Name n_print("print");
Name n_array("array");
Name n_diffus_coeff("diffus_coeff");
Name n_scrub_wdot("scrub_wdot");

}  // namespace

PyObject* const* const floor_names[4] = {&n_N_agg_min.obj, &n_N_pri_min.obj, &n_C_tot_min.obj, &n_H_tot_min.obj};

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

}  // namespace pyrandel::flame
