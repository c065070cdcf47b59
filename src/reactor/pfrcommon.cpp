#include "pfrcommon.hpp"

#include <cstring>

namespace pyrandel::pfr {

using bind::Name;

Name n_deposit_thickness_growth_rate("deposit_thickness_growth_rate");

namespace {

Name n_gas[] = {Name("T"),
                Name("P"),
                Name("density"),
                Name("viscosity"),
                Name("mean_molecular_weight"),
                Name("X"),
                Name("molecular_weights"),
                Name("net_production_rates"),
                Name("partial_molar_enthalpies"),
                Name("cp"),
                Name("species_names")};
Name n_set_unnormalized_mass_fractions("set_unnormalized_mass_fractions");
Name n_TP("TP");

Name n_volume_fraction("volume_fraction");
Name n_update_gas("update_gas");
Name n_update_solution("update_solution");
Name n_update_scrub_wdot("update_scrub_wdot");
Name n_scrub_wdot("scrub_wdot");
Name n_diffus_coeff("diffus_coeff");
Name n_d_m("d_m");
Name n_S[4] = {Name("S_N_agg"), Name("S_N_pri"), Name("S_C_tot"), Name("S_H_tot")};
Name n_var[4] = {Name("N_agg"), Name("N_pri"), Name("C_tot"), Name("H_tot")};
Name n_Av("Av");
Name n_steady_dimer("steady_state_physical_dimerization");
Name n_steady_PAH("steady_state_PAH_adsorption");
Name n_dimer_indices("phy_dimer_index_in_gas");
Name n_dimer_wdot("phy_dimer_wdot");
Name n_PAH_indices("soot_PAH_index_in_gas");
Name n_PAH_wdot("soot_PAH_wdot");

}  // namespace

double pypow(double a, double b) {
    if (a == 0.0 && b < 0.0) bind::raise(PyExc_ZeroDivisionError, "0.0 cannot be raised to a negative power");
    if (a < 0.0 && std::isfinite(a) && b != std::floor(b)) bind::raise(PyExc_TypeError, "must be real number, not complex");
    return std::pow(a, b);
}

// --------------------------------------------------------------- gas object

Ref gas_attr(PyObject* gas, int which) { return bind::getattr(gas, n_gas[which]); }

void set_composition(PyObject* gas, PyObject* Y) { bind::call_method(gas, n_set_unnormalized_mass_fractions, Y); }

void set_TP(PyObject* gas, double T, double P) {
    Ref tp = bind::tuple_of({bind::py(T).get(), bind::py(P).get()});
    bind::setattr(gas, n_TP, tp.get());
}

double gas_density(PyObject* gas) { return bind::as_double(gas_attr(gas, g_density).get()); }

namespace {

Ref dY_plain(PyObject* w, PyObject* MW, double rho_u) {
    Ref p = Ref::steal(PyNumber_Multiply(w, MW));
    return Ref::steal(PyNumber_TrueDivide(p.get(), bind::py(rho_u).get()));
}

Ref dY_soot(PyObject* w, PyObject* s, PyObject* MW, PyObject* Y, PyObject* m_loss, double rho_u) {
    Ref ws = Ref::steal(PyNumber_Add(w, s));
    Ref p = Ref::steal(PyNumber_Multiply(ws.get(), MW));
    Ref q = Ref::steal(PyNumber_Multiply(Y, m_loss));
    Ref d = Ref::steal(PyNumber_Subtract(p.get(), q.get()));
    Ref r = Ref::steal(PyNumber_TrueDivide(d.get(), bind::py(rho_u).get()));
    if (!PyObject_TypeCheck(r.get(), (PyTypeObject*)bind::g.ndarray))
        bind::raisef(PyExc_TypeError, "Cannot convert %.200s to %.200s", Py_TYPE(r.get())->tp_name,
                     ((PyTypeObject*)bind::g.ndarray)->tp_name);
    return r;
}

}  // namespace

Ref result_plain(double h0, double h1, double h2, PyObject* w, PyObject* MW, double rho_u) {
    if (rho_u != 0.0 && bind::own_hstack()) {
        F64 a(w), b(MW);
        if (a.ok() && b.ok() && a.size() == b.size()) {
            const Py_ssize_t n = a.size();
            Ref out = bind::new_array(3 + n);
            F64 o(out.get(), true);
            o[0] = h0;
            o[1] = h1;
            o[2] = h2;
            for (Py_ssize_t i = 0; i < n; ++i) o[3 + i] = a[i] * b[i] / rho_u;
            return out;
        }
    }
    Ref dY = dY_plain(w, MW, rho_u);
    return hstack({h0, h1, h2}, dY.get(), {});
}

Ref result_soot(double h0, double h1, double h2, PyObject* w, PyObject* s, PyObject* MW, PyObject* Y,
                PyObject* m_loss, double rho_u, const double (&tail)[4]) {
    if (rho_u != 0.0 && (PyFloat_CheckExact(m_loss) || Py_IS_TYPE(m_loss, (PyTypeObject*)bind::numpy_own.float64)) &&
        bind::own_hstack()) {
        F64 a(w), c(s), b(MW), y(Y);
        const Py_ssize_t n = a.ok() ? a.size() : -1;
        if (a.ok() && b.ok() && c.ok() && y.ok() && b.size() == n && c.size() == n && y.size() == n) {
            const double ml = PyFloat_AS_DOUBLE(m_loss);
            Ref out = bind::new_array(3 + n + 4);
            F64 o(out.get(), true);
            o[0] = h0;
            o[1] = h1;
            o[2] = h2;
            for (Py_ssize_t i = 0; i < n; ++i) o[3 + i] = ((a[i] + c[i]) * b[i] - y[i] * ml) / rho_u;
            for (int k = 0; k < 4; ++k) o[3 + n + k] = tail[k];
            return out;
        }
    }
    Ref dY = dY_soot(w, s, MW, Y, m_loss, rho_u);
    return hstack({h0, h1, h2}, dY.get(), {tail[0], tail[1], tail[2], tail[3]});
}

Ref reynolds_of(PyObject* gas, double u, double area, double perimeter) {
    Ref rho = gas_attr(gas, g_density);
    Ref ru = Ref::steal(PyNumber_Multiply(rho.get(), bind::py(u).get()));
    const double Dh = bind::fdiv(4 * area, perimeter);
    Ref num = Ref::steal(PyNumber_Multiply(ru.get(), bind::py(Dh).get()));
    Ref mu = gas_attr(gas, g_viscosity);
    return Ref::steal(PyNumber_TrueDivide(num.get(), mu.get()));
}

double fanning_of(double re) {
    Ref p = Ref::steal(PyNumber_Power(bind::py(re).get(), bind::py(0.25).get(), Py_None));
    Ref q = Ref::steal(PyNumber_TrueDivide(bind::py(0.0791).get(), p.get()));
    return bind::as_double(q.get());
}

// --------------------------------------------------------------- soot model

double Soot::volume_fraction() {
    if (cm) return cm->volume_fraction();
    return bind::as_double(bind::call_method(obj.get(), n_volume_fraction).get());
}

void Soot::update_gas(PyObject* gas) {
    Ref v[6];
    for (int k = 0; k < 6; ++k) v[k] = gas_attr(gas, k);  // T, P, density, viscosity, mean_molecular_weight, X
    if (cm) {
        double T = bind::as_double(v[0].get()), P = bind::as_double(v[1].get());
        double rho = bind::as_double(v[2].get()), mu = bind::as_double(v[3].get());
        double mw = bind::as_double(v[4].get());
        cm->update_gas(T, P, rho, mu, mw, bind::Arg<bind::NDArray>::from(v[5].get(), "X"));
        return;
    }
    bind::call_method(obj.get(), n_update_gas, v[0].get(), v[1].get(), v[2].get(), v[3].get(), v[4].get(),
                      v[5].get());
}

void Soot::update_solution(PyObject* tail) {
    if (cm) cm->update_solution(bind::Arg<bind::NDArray>::from(tail, "solution"));
    else bind::call_method(obj.get(), n_update_solution, tail);
}

void Soot::update_scrub_wdot() {
    if (cm) cm->update_scrub_wdot();
    else bind::call_method(obj.get(), n_update_scrub_wdot);
}

Ref Soot::scrub_wdot() { return cm ? Ref::borrow(cm->scrub_wdot) : bind::getattr(obj.get(), n_scrub_wdot); }

double Soot::diffus_coeff() {
    if (cm) return bind::as_double(bind::call_strategy(obj.get(), cm->diffus_coeff, CSootModel::spec()).get());
    return bind::as_double(bind::call_method(obj.get(), n_diffus_coeff).get());
}

double Soot::d_m() {
    if (cm) return cm->d_m();
    return bind::as_double(bind::call_method(obj.get(), n_d_m).get());
}

double Soot::S(int i) {
    if (cm) {
        Ref r;
        switch (i) {
            case 0: r = cm->S_N_agg(); break;
            case 1: r = cm->S_N_pri(); break;
            case 2: r = cm->S_C_tot(); break;
            default: r = cm->S_H_tot(); break;
        }
        return bind::as_double(r.get());
    }
    return bind::as_double(bind::call_method(obj.get(), n_S[i]).get());
}

double Soot::var(int i) {
    if (cm) {
        switch (i) {
            case 0: return cm->N_agg;
            case 1: return cm->N_pri;
            case 2: return cm->C_tot;
            default: return cm->H_tot;
        }
    }
    return bind::as_double(bind::getattr(obj.get(), n_var[i]).get());
}

double Soot::Av() { return cm ? cm->Av : bind::as_double(bind::getattr(obj.get(), n_Av).get()); }

bool Soot::steady_dimer() {
    return cm ? cm->steady_state_physical_dimerization : bind::as_bool(bind::getattr(obj.get(), n_steady_dimer).get());
}
bool Soot::steady_PAH() {
    return cm ? cm->steady_state_PAH_adsorption : bind::as_bool(bind::getattr(obj.get(), n_steady_PAH).get());
}
Ref Soot::dimer_indices() {
    return cm ? bind::list_of(cm->phy_dimer_indices) : bind::getattr(obj.get(), n_dimer_indices);
}
Ref Soot::dimer_wdot() { return cm ? Ref::borrow(cm->phy_dimer_wdot) : bind::getattr(obj.get(), n_dimer_wdot); }
Ref Soot::PAH_indices() { return cm ? bind::list_of(cm->soot_PAH_indices) : bind::getattr(obj.get(), n_PAH_indices); }
Ref Soot::PAH_wdot() { return cm ? Ref::borrow(cm->soot_PAH_wdot) : bind::getattr(obj.get(), n_PAH_wdot); }

}  // namespace pyrandel::pfr
