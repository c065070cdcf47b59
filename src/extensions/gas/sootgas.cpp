#include "sootgas.hpp"

#include "../../lib/constants.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;

PyTypeObject CSootGas::type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

Name n_set_unnormalized_mass_fractions("set_unnormalized_mass_fractions");
Name n_TP("TP");
Name n_TD("TD");
Name n_TPX("TPX");
Name n_T("T");
Name n_P("P");
Name n_X("X");
Name n_tolist("tolist");
Name n_density("density");
Name n_mean_molecular_weight("mean_molecular_weight");
Name n_viscosity("viscosity");
Name n_net_production_rates("net_production_rates");
Name n_Y("Y");
Name n_partial_molar_enthalpies("partial_molar_enthalpies");
Name n_partial_molar_int_energies("partial_molar_int_energies");
Name n_enthalpy_mass("enthalpy_mass");
Name n_int_energy_mass("int_energy_mass");
Name n_cv_mass("cv_mass");
Name n_state("state");
Name n_mean_MW("mean_MW");
Name n_array("array");

Ref thousand() {
    static PyObject* k = PyLong_FromLong(1000);
    return Ref::borrow(k);
}

// The unraisable wrappers the vtable hands out.
template <class F>
auto guarded(const char* name, F f) -> decltype(f()) {
    try {
        return f();
    } catch (...) {
        bind::set_from_cpp_exception();
    }
    bind::write_unraisable((std::string(bind::module_name) + ".CSootGas." + name).c_str());
    return 0;
}

// A cached number object as a double; held while its conversion may run code.
double held_double(PyObject* o) {
    if (PyFloat_CheckExact(o)) return PyFloat_AS_DOUBLE(o);
    Ref h = Ref::borrow(o);
    return bind::as_double(h.get());
}

double vt_C(CSootGas* s, int i) {
    return guarded("C", [&] { return s->C_impl(i); });
}
double vt_MW_c(CSootGas* s, int i) {
    return guarded("MW_c", [&] { return bind::at(s->_MWs, i); });
}
double vt_calc_lambda_gas(CSootGas* s) {
    return guarded("calc_lambda_gas", [&] { return s->calc_lambda_gas_impl(); });
}
double vt_lambda_gas_c(CSootGas* s) {
    return guarded("lambda_gas_c", [&] { return held_double(s->_lambda_gas); });
}
double vt_T_c(CSootGas* s) { return s->_T; }
double vt_P_c(CSootGas* s) { return s->_P; }
double vt_mu_c(CSootGas* s) {
    return guarded("mu_c", [&] { return held_double(s->_mu); });
}
double vt_rho_c(CSootGas* s) {
    return guarded("rho_c", [&] { return held_double(s->_rho); });
}
int vt_species_index(CSootGas* s, PyObject* name) {
    return guarded("species_index", [&] {
        // Held: hashing or comparing the name may run code that replaces the dictionary.
        Ref d = Ref::borrow(s->_species_index_dict);
        Ref v = Ref::steal(PyObject_GetItem(d.get(), name));
        return bind::as_int(v.get());
    });
}

void set_obj(PyObject*& slot, Ref v) {
    PyObject* old = slot;
    slot = v.release();
    Py_XDECREF(old);
}

}  // namespace

const CSootGasVTable CSootGas::vtable = {vt_C,    vt_MW_c,  vt_calc_lambda_gas, vt_lambda_gas_c, vt_T_c,
                                         vt_P_c, vt_mu_c, vt_rho_c,           vt_species_index};

void CSootGas::init_impl(PyObject* g) {
    Py_INCREF(g);
    set_obj(cantera_gas, Ref(g));
}

// --------------------------------------------------------- gas-object reads

void CSootGas::set_unnormalized(PyObject* UY) {
    Ref r = bind::call_method(gas().get(), n_set_unnormalized_mass_fractions, UY);
}

void CSootGas::read_X_from_gas() {
    Ref x = bind::getattr(gas().get(), n_X);
    Ref l = bind::call_method(x.get(), n_tolist);
    bind::fill_from_iterable(_X, l.get());
}

void CSootGas::read_rho_from_gas() { set_obj(_rho, bind::getattr(gas().get(), n_density)); }

void CSootGas::read_mean_MW_from_gas() {
    Ref m = bind::getattr(gas().get(), n_mean_molecular_weight);
    Ref q = Ref::steal(PyNumber_TrueDivide(m.get(), thousand().get()));
    _mean_MW = bind::as_double(q.get());
}

// ------------------------------------------------------------ state updates

void CSootGas::update_thermo_TPUY_impl(double T, double P, bind::NDArray UY) {
    set_unnormalized(UY.o);
    Ref tp = bind::tuple_of({bind::py(T).get(), bind::py(P).get()});
    bind::setattr(gas().get(), n_TP, tp.get());
    _T = T;
    _P = P;
    read_X_from_gas();
    read_rho_from_gas();
    read_mean_MW_from_gas();
}

void CSootGas::update_thermo_TDUY_impl(double T, double D, bind::NDArray UY) {
    set_unnormalized(UY.o);
    Ref td = bind::tuple_of({bind::py(T).get(), bind::py(D).get()});
    bind::setattr(gas().get(), n_TD, td.get());
    _T = T;
    set_obj(_rho, bind::py(D));
    _P = bind::as_double(bind::getattr(gas().get(), n_P).get());
    read_X_from_gas();
    read_mean_MW_from_gas();
}

void CSootGas::update_thermo_TPX_impl(double T, double P, bind::NDArray X) {
    _T = T;
    _P = P;
    Ref tpx = bind::tuple_of({bind::py(T).get(), bind::py(P).get(), X.o});
    bind::setattr(gas().get(), n_TPX, tpx.get());
    Ref l = bind::call_method(X.o, n_tolist);
    bind::fill_from_iterable(_X, l.get());
    read_rho_from_gas();
    read_mean_MW_from_gas();
}

void CSootGas::update_thermo_TPXmw_impl(double T, double P, bind::DoubleBuf X) {
    _T = T;
    _P = P;
    Ref view = X.is_none() ? bind::none() : Ref::steal(PyMemoryView_FromObject(X.obj()));
    Ref tpx = bind::tuple_of({bind::py(T).get(), bind::py(P).get(), view.get()});
    bind::setattr(gas().get(), n_TPX, tpx.get());
    read_X_from_gas();
    read_rho_from_gas();
    read_mean_MW_from_gas();
}

void CSootGas::update_thermo_impl() {
    Ref T = bind::getattr(gas().get(), n_T);
    Ref P = bind::getattr(gas().get(), n_P);
    Ref X = bind::getattr(gas().get(), n_X);
    if (bind::Class<CSootGas>::overridden(this, MID_update_thermo_TPX)) {
        bind::call_method((PyObject*)this, spec().method_names[MID_update_thermo_TPX], T.get(), P.get(), X.get());
        return;
    }
    try {
        double t = bind::as_double(T.get()), p = bind::as_double(P.get());
        update_thermo_TPX_impl(t, p, bind::Arg<bind::NDArray>::from(X.get(), "X"));
    } catch (bind::Error&) {
        bind::add_method_traceback(spec(), MID_update_thermo_TPX);
        throw;
    }
}

void CSootGas::update_transport_mix_impl() {
    set_obj(_mu, bind::getattr(gas().get(), n_viscosity));
    double l = vtab->calc_lambda_gas(this);
    set_obj(_lambda_gas, bind::py(l));
}

void CSootGas::update_lambda_gas_impl() {
    double l = vtab->calc_lambda_gas(this);
    set_obj(_lambda_gas, bind::py(l));
}

void CSootGas::update_transport_impl() { update_transport_mix(); }

void CSootGas::update_transport_sutherland_impl() {
    bind::raise(PyExc_Exception, "update_transport_sutherland() is not implemented!");
}

void CSootGas::update_impl(double T, double P, std::vector<double> X, double rho, double mu, double mean_MW) {
    _T = T;
    _P = P;
    _X = std::move(X);
    set_obj(_rho, bind::py(rho));
    set_obj(_mu, bind::py(mu));
    _mean_MW = mean_MW;
}

void CSootGas::update_mean_MW_impl(double mean_MW) { _mean_MW = mean_MW; }

void CSootGas::update_MWs_impl(bind::NDArray MWs) {
    Ref l = bind::call_method(MWs.o, n_tolist);
    bind::fill_from_iterable(_MWs, l.get());
    Py_INCREF(MWs.o);
    set_obj(_MW_array, Ref(MWs.o));
}

void CSootGas::set_species_indices_impl(PyObject* d) {
    if (d != Py_None && !PyDict_CheckExact(d))
        bind::raisef(PyExc_TypeError, "Expected %.16s, got %.200s", "dict", Py_TYPE(d)->tp_name);
    Py_INCREF(d);
    set_obj(_species_index_dict, Ref(d));
}

// ------------------------------------------------------- internal accessors

double CSootGas::C_impl(int i) {
    double x = bind::at(_X, i);
    // Common case: the cached density is a float and nobody overrides mean_MW.
    if (Py_TYPE(this) == &type && PyFloat_CheckExact(_rho)) return bind::pydiv(x * PyFloat_AS_DOUBLE(_rho), _mean_MW);
    Ref xf = bind::py(x);
    Ref rho = Ref::borrow(_rho);
    Ref num = Ref::steal(PyNumber_Multiply(xf.get(), rho.get()));
    Ref mw = bind::getattr((PyObject*)this, n_mean_MW);
    Ref c = Ref::steal(PyNumber_TrueDivide(num.get(), mw.get()));
    return bind::as_double(c.get());
}

// (mu / rho) * x^0.5: the quotient of the cached objects first, then the
// root from the fields as they are after it.
double CSootGas::calc_lambda_gas_impl() {
    auto root = [this] { return std::pow((k.Pi_const * _mean_MW) / (((k.kB_const * 2.0) * k.Av_const) * _T), 0.5); };
    if (PyFloat_CheckExact(_mu) && PyFloat_CheckExact(_rho)) {
        const double q = bind::pydiv(PyFloat_AS_DOUBLE(_mu), PyFloat_AS_DOUBLE(_rho));
        return q * root();
    }
    Ref mu = Ref::borrow(_mu), rho = Ref::borrow(_rho);
    Ref q = Ref::steal(PyNumber_TrueDivide(mu.get(), rho.get()));
    Ref r = bind::py(root());
    Ref p = Ref::steal(PyNumber_Multiply(q.get(), r.get()));
    return bind::as_double(p.get());
}

// --------------------------------------------------------------- properties

Ref CSootGas::get_T() { return bind::py(_T); }
Ref CSootGas::get_P() { return bind::py(_P); }
Ref CSootGas::get_mean_MW() { return bind::py(_mean_MW); }
Ref CSootGas::get_rho() { return Ref::borrow(_rho); }
Ref CSootGas::get_mu() { return Ref::borrow(_mu); }
Ref CSootGas::get_lambda_gas() { return Ref::borrow(_lambda_gas); }
Ref CSootGas::get_MWs() { return bind::list_of(_MWs); }
Ref CSootGas::get_MW_array() { return Ref::borrow(_MW_array); }
Ref CSootGas::get_X_array() {
    Ref l = bind::list_of(_X);
    Ref arr = bind::getattr(bind::np().get(), n_array);
    return bind::call(arr.get(), l.get());
}
Ref CSootGas::get_n_species() { return bind::py((int64_t)_MWs.size()); }

static Ref scaled(PyObject* gas, PyObject* name, binaryfunc op) {
    Ref v = bind::getattr(gas, name);
    return Ref::steal(op(v.get(), thousand().get()));
}

Ref CSootGas::get_w_array() { return scaled(gas().get(), n_net_production_rates, PyNumber_Multiply); }
Ref CSootGas::get_Y_array() { return bind::getattr(gas().get(), n_Y); }
// Partial molar enthalpies, J/mol (the energy balances of the reactors need enthalpies).
Ref CSootGas::get_h_mol_array() { return scaled(gas().get(), n_partial_molar_enthalpies, PyNumber_TrueDivide); }
Ref CSootGas::get_u_mol_array() { return scaled(gas().get(), n_partial_molar_int_energies, PyNumber_TrueDivide); }
Ref CSootGas::get_h_mass_total() { return bind::getattr(gas().get(), n_enthalpy_mass); }
Ref CSootGas::get_u_mass_total() { return bind::getattr(gas().get(), n_int_energy_mass); }
Ref CSootGas::get_cv_mass() { return bind::getattr(gas().get(), n_cv_mass); }
Ref CSootGas::get_state() { return bind::getattr(gas().get(), n_state); }

// ------------------------------------------------------------------ tables

namespace {

const bind::Field fields[] = {
    BIND_FIELD(CSootGas, cantera_gas, Object, bind::RW),
    BIND_FIELD(CSootGas, _X, DoubleVec, bind::RW),
    BIND_FIELD(CSootGas, _MWs, DoubleVec, bind::RW),
    BIND_FIELD(CSootGas, _MW_array, NDArray, bind::RW),
    BIND_FIELD(CSootGas, _T, Double, bind::RW),
    BIND_FIELD(CSootGas, _P, Double, bind::RW),
    BIND_FIELD(CSootGas, _mean_MW, Double, bind::RO),
    BIND_FIELD(CSootGas, _mu, Object, bind::RO),
    BIND_FIELD(CSootGas, _rho, Object, bind::RO),
    BIND_FIELD(CSootGas, _lambda_gas, Object, bind::RO),
    BIND_FIELD(CSootGas, _species_index_dict, Dict, bind::RO),
};

using Self = CSootGas;
PyMethodDef methods[] = {CSOOTGAS_METHODS(BIND_DEF){nullptr, nullptr, 0, nullptr}};

PyGetSetDef props[] = {
    bind::prop<&CSootGas::get_T, "T">(),
    bind::prop<&CSootGas::get_P, "P">(),
    bind::prop<&CSootGas::get_mean_MW, "mean_MW">(),
    bind::prop<&CSootGas::get_rho, "rho">(),
    bind::prop<&CSootGas::get_mu, "mu">(),
    bind::prop<&CSootGas::get_lambda_gas, "lambda_gas">(),
    bind::prop<&CSootGas::get_MWs, "MWs">(),
    bind::prop<&CSootGas::get_MW_array, "MW_array">(),
    bind::prop<&CSootGas::get_X_array, "X_array">(),
    bind::prop<&CSootGas::get_n_species, "n_species">(),
    bind::prop<&CSootGas::get_w_array, "w_array">(),
    bind::prop<&CSootGas::get_Y_array, "Y_array">(),
    bind::prop<&CSootGas::get_h_mol_array, "h_mol_array">(),
    bind::prop<&CSootGas::get_h_mol_array, "partial_molar_enthalpies_array">(),
    bind::prop<&CSootGas::get_u_mol_array, "partial_molar_int_energies_array">(),
    bind::prop<&CSootGas::get_u_mol_array, "u_mol_array">(),
    bind::prop<&CSootGas::get_h_mass_total, "h_mass_total">(),
    bind::prop<&CSootGas::get_u_mass_total, "u_mass_total">(),
    bind::prop<&CSootGas::get_cv_mass, "cv_mass">(),
    bind::prop<&CSootGas::get_state, "state">(),
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

bind::ClassSpec& CSootGas::spec() {
    static bind::ClassSpec s = [] {
        bind::ClassSpec s = bind::make_spec<CSootGas>();
        s.fields = fields;
        s.methods = methods;
        s.props = props;
        s.init = bind::Init<&CSootGas::init_impl, "cantera_gas">::init;
        s.vtable = (void*)&vtable;
        s.checksums = {0x3719456, 0x05727d8, 0xdde2b56};
        return s;
    }();
    return s;
}

}  // namespace pyrandel
